#include "authoring/CodePage.h"

#include <cerrno>
#include <iconv.h>
#include <string>
#include <vector>

namespace CodePage {

int ForCharset(int charset)
{
    switch (charset) {
    case 77:
        return 10000; // Mac Roman
    case 128:
        return 932; // Shift-JIS
    case 129:
        return 949; // Hangul
    case 130:
        return 1361; // Johab
    case 134:
        return 936; // GBK
    case 136:
        return 950; // Big5
    case 161:
        return 1253; // Greek
    case 162:
        return 1254; // Turkish
    case 163:
        return 1258; // Vietnamese
    case 177:
        return 1255; // Hebrew
    case 178:
        return 1256; // Arabic
    case 186:
        return 1257; // Baltic
    case 204:
        return 1251; // Cyrillic
    case 222:
        return 874; // Thai
    case 238:
        return 1250; // Central European
    case 254:
        return 437; // PC-437
    case 255:
        return 850; // OEM
    default:
        return 0; // ANSI, DEFAULT, SYMBOL and unknown sets
    }
}

} // namespace CodePage

namespace {

// iconv names to try for a Windows code page, most specific first.
std::vector<const char*> IconvNames(int codePage)
{
    switch (codePage) {
    case 936:
        return {"CP936", "GBK"};
    case 950:
        return {"CP950", "BIG5"};
    case 932:
        return {"CP932", "SHIFT_JIS"};
    case 949:
        return {"CP949", "EUC-KR"};
    case 1361:
        return {"JOHAB"};
    case 10000:
        return {"MACINTOSH"};
    case 20127:
        return {"ASCII"};
    case 65001:
        return {"UTF-8"};
    default:
        return {};
    }
}

const iconv_t kNoHandle = reinterpret_cast<iconv_t>(-1);

} // namespace

TCodePageDecoder::~TCodePageDecoder()
{
    for (auto& entry : handles_) {
        if (entry.second != kNoHandle)
            iconv_close(static_cast<iconv_t>(entry.second));
    }
}

void* TCodePageDecoder::Open(int codePage, bool toUnicode)
{
    const auto key = std::make_pair(codePage, toUnicode);
    auto found = handles_.find(key);
    if (found != handles_.end())
        return found->second;
    std::vector<std::string> names;
    for (const char* n : IconvNames(codePage))
        names.emplace_back(n);
    names.push_back("CP" + std::to_string(codePage));
    iconv_t handle = kNoHandle;
    for (const std::string& name : names) {
        handle =
            toUnicode ? iconv_open("UTF-16LE", name.c_str()) : iconv_open(name.c_str(), "UTF-16LE");
        if (handle != kNoHandle)
            break;
    }
    if (handle == kNoHandle && codePage != 1252)
        handle = static_cast<iconv_t>(Open(1252, toUnicode));
    handles_[key] = handle;
    return handle;
}

QString TCodePageDecoder::Decode(int codePage, const QByteArray& bytes)
{
    QString text;
    if (bytes.isEmpty())
        return text;
    iconv_t cd = static_cast<iconv_t>(Open(codePage, true));
    if (cd == kNoHandle)
        return QString::fromLatin1(bytes);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::vector<char> out(static_cast<size_t>(bytes.size()) * 4 + 8);
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = static_cast<size_t>(bytes.size());
    while (inLeft > 0) {
        char* to = out.data();
        size_t outLeft = out.size();
        const size_t r = iconv(cd, &in, &inLeft, &to, &outLeft);
        text.append(QString::fromUtf16(reinterpret_cast<const char16_t*>(out.data()),
                                       static_cast<qsizetype>((out.size() - outLeft) / 2)));
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG)
                continue;
            // An invalid or incomplete sequence: mark it and go on after its
            // first byte, so one broken lead byte costs one character.
            text.append(QChar(0xFFFD));
            ++in;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    return text;
}

QByteArray TCodePageDecoder::Encode(int codePage, const QString& text, bool* ok)
{
    *ok = false;
    iconv_t cd = static_cast<iconv_t>(Open(codePage, false));
    if (cd == kNoHandle)
        return {};
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::vector<char> out(static_cast<size_t>(text.size()) * 4 + 8);
    char* in = reinterpret_cast<char*>(const_cast<ushort*>(text.utf16()));
    size_t inLeft = static_cast<size_t>(text.size()) * 2;
    char* to = out.data();
    size_t outLeft = out.size();
    if (iconv(cd, &in, &inLeft, &to, &outLeft) == static_cast<size_t>(-1))
        return {};
    if (iconv(cd, nullptr, nullptr, &to, &outLeft) == static_cast<size_t>(-1))
        return {};
    *ok = true;
    return QByteArray(out.data(), static_cast<qsizetype>(out.size() - outLeft));
}
