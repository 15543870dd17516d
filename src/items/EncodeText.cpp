#include "items/EncodeText.h"

uint16_t FontCode(char16_t c)
{
    // The first five ranges number the font's glyphs contiguously from 0 to
    // 0x6415; anything else is shifted by 0x80 the way the card's font table
    // expects, landing on unrelated glyphs.
    if (c <= 0x00FF)
        return c;
    if (c >= 0x2000 && c <= 0x266F)
        return static_cast<uint16_t>(c - 0x1F00);
    if (c >= 0x3000 && c <= 0x33FF)
        return static_cast<uint16_t>(c - 0x2890);
    if (c >= 0x4E00 && c <= 0x9FA5)
        return static_cast<uint16_t>(c - 0x4290);
    if (c >= 0xF900)
        return static_cast<uint16_t>(c + 0x6416);
    return static_cast<uint16_t>(c + 0x80);
}

int EncodeText(const QString& text, uint8_t* out, int capacity)
{
    int written = 0;
    for (const QChar ch : text) {
        const char16_t unit = ch.unicode();
        if (unit == 0 || written + 2 > capacity)
            break;
        const uint16_t code = FontCode(unit);
        out[written] = code & 0xFF;
        out[written + 1] = code >> 8;
        written += 2;
    }
    return written;
}
