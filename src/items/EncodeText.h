#pragma once
// The card's built-in font: wide text becomes 2-byte glyph codes
// (little-endian). Shared by text, clock, temperature and countdown items.
#include <QString>
#include <cstdint>

// Glyph code of one UTF-16 code unit. Codes below 32 pass unchanged: the
// live-field templates use them as control codes.
uint16_t FontCode(char16_t unit);

// Encodes the code units of text up to the first zero unit, two bytes each,
// into out. At most capacity bytes are written (rounded down to whole codes);
// units that do not fit are dropped. Returns the number of bytes written.
int EncodeText(const QString& text, uint8_t* out, int capacity);
