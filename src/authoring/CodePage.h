#pragma once
// Windows code pages as RTF documents name them (\ansicpgN, \cpgN,
// \fcharsetN), decoded and encoded through the C library's iconv.
#include <QByteArray>
#include <QString>
#include <map>

namespace CodePage {

// The code page a font character set stands for; 0 when the set carries no
// code page of its own (ANSI and DEFAULT take the document's code page).
int ForCharset(int charset);

// Characters of the East Asian scripts (Han, kana, Hangul, full-width
// forms), which RTF runs give a double-byte font and size of their own.
inline bool IsEastAsian(char32_t cp)
{
    return (cp >= 0x1100 && cp <= 0x11FF) || (cp >= 0x2E80 && cp <= 0xA4CF) ||
           (cp >= 0xA960 && cp <= 0xA97F) || (cp >= 0xAC00 && cp <= 0xD7FF) ||
           (cp >= 0xF900 && cp <= 0xFAFF) || (cp >= 0xFE30 && cp <= 0xFE4F) ||
           (cp >= 0xFF00 && cp <= 0xFFEF) || (cp >= 0x20000 && cp <= 0x3FFFF);
}

} // namespace CodePage

// Converts byte runs of one code page at a time into text. Keeps one iconv
// handle per code page for its lifetime; not shared between threads.
class TCodePageDecoder
{
public:
    TCodePageDecoder() = default;
    TCodePageDecoder(const TCodePageDecoder&) = delete;
    TCodePageDecoder& operator=(const TCodePageDecoder&) = delete;
    ~TCodePageDecoder();

    // Every byte that is not a valid character of the code page becomes
    // U+FFFD; an unknown code page is read as Windows-1252.
    QString Decode(int codePage, const QByteArray& bytes);
    // The bytes of text in the code page, or an empty result with *ok false
    // when a character has no code in it.
    QByteArray Encode(int codePage, const QString& text, bool* ok);

private:
    void* Open(int codePage, bool toUnicode);
    std::map<std::pair<int, bool>, void*> handles_;
};
