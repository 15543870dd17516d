#include "authoring/RtfReader.h"

#include "authoring/CodePage.h"

#include <QColor>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <vector>

namespace RtfReader {
namespace {

enum class Dest
{
    Text,       // document text
    FontTable,  // \fonttbl: font numbers, character sets, names
    ColorTable, // \colortbl: red, green, blue triples
    Skip,       // anything we do not show
};

struct CharState
{
    int Font = -1;       // -1: the default font (\deff)
    int HalfPoints = 24; // \fs, 12 points when a document names none
    int Color = 0;       // colour table index, 0 = automatic
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool Strike = false;
    // East Asian text: after \dbch, \af and \afs name the font and size of
    // the double-byte characters that follow (word processors write Chinese
    // runs this way); -1 and 0 when the regular ones apply.
    bool DoubleByte = false;
    int AsianFont = -1;
    int AsianHalfPoints = 0;
};

struct GroupState
{
    Dest Destination = Dest::Text;
    CharState Char;
    Qt::Alignment Align = Qt::AlignLeft;
    int SkipAfterUnicode = 1; // \uc
};

struct FontEntry
{
    QString Name;
    int Charset = 0;
    int CodePage = 0; // 0: the document's code page
};

// Destinations whose content is not text of the document.
const char* const kSkippedDestinations[] = {
    "stylesheet",
    "info",
    "pict",
    "object",
    "header",
    "headerl",
    "headerr",
    "headerf",
    "footer",
    "footerl",
    "footerr",
    "footerf",
    "footnote",
    "fldinst",
    "listtable",
    "listoverridetable",
    "revtbl",
    "filetbl",
    "xe",
    "tc",
    "nonshppict",
    "themedata",
    "colorschememapping",
    "latentstyles",
    "datastore",
    "rsidtbl",
    "generator",
    "xmlnstbl",
    "mmathPr",
    "pgdsctbl",
    "author",
    "operator",
    "title",
    "subject",
    "keywords",
    "comment",
    "doccomm",
    "company",
    "txe",
    "annotation",
    "atnid",
    "atnauthor",
    "fchars",
    "lchars",
    "pnseclvl",
    "template",
    "buptim",
    "printim",
    "creatim",
    "revtim",
    "userprops",
    "background",
    "shp",
    "shpinst",
    "sp",
    "sv",
    "sn",
    "do",
    "bkmkstart",
    "bkmkend",
    "falt",
    "panose",
    "fontemb",
    "fontfile",
    "private",
};

bool IsSkippedDestination(const char* word)
{
    for (const char* d : kSkippedDestinations) {
        if (std::strcmp(d, word) == 0)
            return true;
    }
    return false;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

class Reader
{
public:
    Reader(const QByteArray& rtf, QTextDocument& doc) : in_(rtf), doc_(doc), cursor_(&doc) {}

    Result Run();

private:
    // Input.
    void Parse();
    void ControlWord(const char* word, bool hasParam, int param);
    void ControlSymbol(char c);
    void OpenGroup();
    void CloseGroup();
    void TextByte(char c);
    void TextChar(QChar c);

    // Output.
    void FlushBytes();
    void FlushText();
    void EndParagraph();
    void FinishDocument();
    // The format of the text that follows; asian: that of East Asian
    // characters in a double-byte run.
    QTextCharFormat CharFormat(bool asian = false) const;
    QTextBlockFormat BlockFormat() const;
    int CodePageNow() const;

    // Tables.
    void FontTableWord(const char* word, bool hasParam, int param);
    void FinishFontEntry();
    void ColorTableWord(const char* word, int param);

    // Unicode fallback skipping: true when the token is consumed as one of
    // the characters that stand in for the last \u.
    bool SkipFallback()
    {
        if (unicodeSkip_ <= 0)
            return false;
        --unicodeSkip_;
        return true;
    }

    const QByteArray& in_;
    QTextDocument& doc_;
    QTextCursor cursor_;
    Result result_;
    TCodePageDecoder decoder_;

    std::vector<GroupState> stack_;
    GroupState state_;
    int overflowDepth_ = 0;   // groups opened beyond MaxGroupDepth, skipped
    bool groupStart_ = false; // the next token is the group's first
    bool ignorable_ = false;  // \* seen at the start of the group
    int unicodeSkip_ = 0;
    bool documentClosed_ = false;

    int documentCodePage_ = 1252;
    int defaultFont_ = 0;
    std::map<int, FontEntry> fonts_;
    int fontEntry_ = -1;
    QByteArray fontNameBytes_;
    QString fontNameText_;

    std::vector<std::optional<QColor>> colors_;
    int red_ = -1, green_ = -1, blue_ = -1;

    QByteArray pendingBytes_;
    int pendingCodePage_ = 0;
    QString pendingText_;
    int paragraphs_ = 0;
    bool textSinceParagraph_ = false;
};

Result Reader::Run()
{
    doc_.clear();
    cursor_ = QTextCursor(&doc_);
    Parse();
    if (!documentClosed_) {
        result_.Warnings << QStringLiteral("the document ends before its last group is closed");
        // Finish with the properties of the innermost group that held text.
        if (state_.Destination != Dest::Text) {
            for (auto s = stack_.rbegin(); s != stack_.rend(); ++s) {
                if (s->Destination == Dest::Text) {
                    pendingText_.clear();
                    pendingBytes_.clear();
                    state_ = *s;
                    break;
                }
            }
        }
        FinishDocument();
    }
    // Text without a font of its own is in the document's default font.
    auto deff = fonts_.find(defaultFont_);
    if (deff != fonts_.end() && !deff->second.Name.isEmpty()) {
        QFont font = doc_.defaultFont();
        font.setFamilies({deff->second.Name});
        doc_.setDefaultFont(font);
    }
    return result_;
}

void Reader::Parse()
{
    const char* p = in_.constData();
    const qsizetype n = in_.size();
    qsizetype i = 0;
    while (i < n && !documentClosed_) {
        const char c = p[i];
        if (c == '{') {
            ++i;
            OpenGroup();
            continue;
        }
        if (c == '}') {
            ++i;
            CloseGroup();
            continue;
        }
        if (c == '\\') {
            ++i;
            if (i >= n)
                break;
            if (!IsLetter(p[i])) {
                const char symbol = p[i++];
                if (symbol == '\'') {
                    // \'hh: one byte in the current code page.
                    const int hi = i < n ? HexValue(p[i]) : -1;
                    const int lo = i + 1 < n ? HexValue(p[i + 1]) : -1;
                    if (hi < 0 || lo < 0) {
                        i = std::min(n, i + 2);
                        continue;
                    }
                    i += 2;
                    groupStart_ = false;
                    if (SkipFallback())
                        continue;
                    TextByte(static_cast<char>(hi * 16 + lo));
                    continue;
                }
                ControlSymbol(symbol);
                continue;
            }
            // Control word: letters (at most 32 are kept), an optional
            // signed parameter, and one space that belongs to the word.
            char word[33];
            int len = 0;
            while (i < n && IsLetter(p[i])) {
                if (len < 32)
                    word[len++] = p[i];
                ++i;
            }
            word[len] = '\0';
            bool negative = false;
            bool hasParam = false;
            long long value = 0;
            if (i < n && p[i] == '-' && i + 1 < n && p[i + 1] >= '0' && p[i + 1] <= '9') {
                negative = true;
                ++i;
            }
            int digits = 0;
            while (i < n && p[i] >= '0' && p[i] <= '9') {
                if (digits < 10)
                    value = value * 10 + (p[i] - '0');
                ++digits;
                hasParam = true;
                ++i;
            }
            if (i < n && p[i] == ' ')
                ++i;
            value = std::clamp(negative ? -value : value, -2147483647LL, 2147483647LL);
            const int param = static_cast<int>(value);
            if (std::strcmp(word, "bin") == 0) {
                // Binary data follows: skip it whatever the destination.
                const qsizetype count = hasParam ? std::max(0, param) : 0;
                i = std::min(n, i + count);
                groupStart_ = false;
                continue;
            }
            ControlWord(word, hasParam, param);
            continue;
        }
        ++i;
        if (c == '\r' || c == '\n' || c == '\0')
            continue;
        groupStart_ = false;
        if (SkipFallback())
            continue;
        if (c == '\t')
            ControlWord("tab", false, 0);
        else
            TextByte(c);
    }
}

void Reader::OpenGroup()
{
    unicodeSkip_ = 0;
    if (overflowDepth_ > 0 || static_cast<int>(stack_.size()) >= MaxGroupDepth) {
        if (overflowDepth_ == 0)
            result_.Warnings << QStringLiteral("groups nested deeper than %1 levels were skipped")
                                    .arg(MaxGroupDepth);
        ++overflowDepth_;
        return;
    }
    FlushText();
    stack_.push_back(state_);
    groupStart_ = true;
    ignorable_ = false;
}

void Reader::CloseGroup()
{
    unicodeSkip_ = 0;
    if (overflowDepth_ > 0) {
        --overflowDepth_;
        return;
    }
    if (stack_.empty())
        return; // a stray closing brace before the document began
    FlushText();
    if (state_.Destination == Dest::FontTable)
        FinishFontEntry();
    if (stack_.size() == 1) {
        // The document's own group: its last paragraph takes the properties
        // in force here, not those from before the document began.
        FinishDocument();
        stack_.clear();
        documentClosed_ = true;
        return;
    }
    const Dest closing = state_.Destination;
    state_ = stack_.back();
    stack_.pop_back();
    if (closing == Dest::FontTable && state_.Destination != Dest::FontTable)
        fontEntry_ = -1;
    groupStart_ = false;
    ignorable_ = false;
}

void Reader::FinishDocument()
{
    FlushText();
    if (state_.Destination != Dest::Text)
        return;
    if (paragraphs_ > 0 && !textSinceParagraph_) {
        // The last \par closes the last paragraph; nothing follows it.
        cursor_.deletePreviousChar();
        return;
    }
    cursor_.setBlockFormat(BlockFormat());
    if (cursor_.block().length() <= 1)
        cursor_.setBlockCharFormat(CharFormat());
}

void Reader::ControlSymbol(char c)
{
    const bool first = groupStart_;
    groupStart_ = false;
    if (c == '*') {
        if (first)
            ignorable_ = true;
        groupStart_ = first; // the destination word after \* is still first
        return;
    }
    if (overflowDepth_ > 0 || state_.Destination == Dest::Skip)
        return;
    if (SkipFallback())
        return;
    switch (c) {
    case '\\':
    case '{':
    case '}':
        TextByte(c);
        break;
    case '~':
        TextChar(QChar(0x00A0));
        break;
    case '_':
        TextChar(QChar(0x2011));
        break;
    case '\r':
    case '\n':
        ControlWord("par", false, 0);
        break;
    default: // \- optional hyphen, \| \: index marks: nothing to show
        break;
    }
}

void Reader::ControlWord(const char* word, bool hasParam, int param)
{
    const bool first = groupStart_;
    groupStart_ = false;
    if (overflowDepth_ > 0 || state_.Destination == Dest::Skip)
        return;
    if (first && ignorable_) {
        // {\* ...}: a destination this reader may not know; its content is
        // never document text.
        FlushText();
        state_.Destination = Dest::Skip;
        return;
    }
    if (SkipFallback())
        return;
    const int on = hasParam ? param : 1;
    auto is = [word](const char* w) { return std::strcmp(word, w) == 0; };

    if (is("u")) {
        FlushBytes();
        int unit = param;
        if (unit < 0)
            unit += 65536;
        if (unit > 0 && unit <= 0xFFFF && state_.Destination != Dest::ColorTable) {
            if (state_.Destination == Dest::FontTable)
                fontNameText_ += QChar(static_cast<char16_t>(unit));
            else
                pendingText_ += QChar(static_cast<char16_t>(unit));
        }
        unicodeSkip_ = std::max(0, state_.SkipAfterUnicode);
        return;
    }
    if (is("uc")) {
        state_.SkipAfterUnicode = std::clamp(param, 0, 16);
        return;
    }

    if (is("fonttbl")) {
        FlushText();
        state_.Destination = Dest::FontTable;
        return;
    }
    if (is("colortbl")) {
        FlushText();
        state_.Destination = Dest::ColorTable;
        colors_.clear();
        red_ = green_ = blue_ = -1;
        return;
    }
    if (IsSkippedDestination(word)) {
        FlushText();
        state_.Destination = Dest::Skip;
        return;
    }
    if (state_.Destination == Dest::FontTable) {
        FontTableWord(word, hasParam, param);
        return;
    }
    if (state_.Destination == Dest::ColorTable) {
        ColorTableWord(word, param);
        return;
    }

    // Document-wide settings.
    if (is("ansicpg")) {
        documentCodePage_ = param > 0 ? param : 1252;
        return;
    }
    if (is("mac")) {
        documentCodePage_ = 10000;
        return;
    }
    if (is("pc")) {
        documentCodePage_ = 437;
        return;
    }
    if (is("pca")) {
        documentCodePage_ = 850;
        return;
    }
    if (is("deff")) {
        defaultFont_ = param;
        return;
    }

    // Breaks and special characters.
    if (is("par") || is("sect") || is("page") || is("row")) {
        EndParagraph();
        return;
    }
    if (is("line")) {
        TextChar(QChar::LineSeparator);
        return;
    }
    if (is("tab") || is("cell") || is("nestcell")) {
        TextChar(QLatin1Char('\t'));
        return;
    }
    static const struct
    {
        const char* Word;
        char16_t Char;
    } kSpecials[] = {
        {"emdash", 0x2014},  {"endash", 0x2013},    {"bullet", 0x2022},    {"lquote", 0x2018},
        {"rquote", 0x2019},  {"ldblquote", 0x201C}, {"rdblquote", 0x201D}, {"emspace", 0x2003},
        {"enspace", 0x2002}, {"qmspace", 0x2005},
    };
    for (const auto& s : kSpecials) {
        if (is(s.Word)) {
            TextChar(QChar(s.Char));
            return;
        }
    }

    // Character properties: flush the text of the old ones first.
    FlushText();
    CharState& ch = state_.Char;
    if (is("plain")) {
        ch = CharState();
    } else if (is("f")) {
        ch.Font = param;
    } else if (is("fs")) {
        // 1 to 1638 points: the range word processors offer, and a bound on
        // the bitmaps a hostile size would ask for.
        ch.HalfPoints = std::clamp(hasParam ? param : 24, 2, 3276);
    } else if (is("dbch")) {
        ch.DoubleByte = true;
    } else if (is("loch") || is("hich") || is("rtlch") || is("ltrch")) {
        ch.DoubleByte = false;
    } else if (is("af")) {
        if (ch.DoubleByte)
            ch.AsianFont = param;
    } else if (is("afs")) {
        if (ch.DoubleByte)
            ch.AsianHalfPoints = std::clamp(hasParam ? param : 24, 2, 3276);
    } else if (is("cf")) {
        ch.Color = std::max(0, param);
    } else if (is("b")) {
        ch.Bold = on != 0;
    } else if (is("i")) {
        ch.Italic = on != 0;
    } else if (is("ul") || is("uld") || is("uldash") || is("uldashd") || is("uldashdd") ||
               is("uldb") || is("ulth") || is("ulw") || is("ulwave") || is("ulhair") ||
               is("ulthd") || is("ulthdash") || is("ulldash") || is("ulthldash")) {
        ch.Underline = on != 0;
    } else if (is("ulnone")) {
        ch.Underline = false;
    } else if (is("strike") || is("striked")) {
        ch.Strike = on != 0;
    } else if (is("pard")) {
        state_.Align = Qt::AlignLeft;
    } else if (is("ql")) {
        state_.Align = Qt::AlignLeft;
    } else if (is("qc")) {
        state_.Align = Qt::AlignHCenter;
    } else if (is("qr")) {
        state_.Align = Qt::AlignRight;
    } else if (is("qj") || is("qd")) {
        state_.Align = Qt::AlignJustify;
    }
}

void Reader::FontTableWord(const char* word, bool hasParam, int param)
{
    if (std::strcmp(word, "f") == 0 && hasParam) {
        FinishFontEntry();
        fontEntry_ = param;
        fonts_[param] = FontEntry();
    } else if (std::strcmp(word, "fcharset") == 0 && fontEntry_ >= 0) {
        fonts_[fontEntry_].Charset = param;
        if (fonts_[fontEntry_].CodePage == 0)
            fonts_[fontEntry_].CodePage = CodePage::ForCharset(param);
    } else if (std::strcmp(word, "cpg") == 0 && fontEntry_ >= 0 && param > 0) {
        fonts_[fontEntry_].CodePage = param;
    }
}

void Reader::FinishFontEntry()
{
    FlushBytes();
    if (fontEntry_ < 0 || (fontNameBytes_.isEmpty() && fontNameText_.isEmpty()))
        return;
    QString name = fontNameText_.trimmed();
    if (name.endsWith(QLatin1Char(';')))
        name.chop(1);
    fonts_[fontEntry_].Name = name.trimmed();
    fontNameText_.clear();
}

void Reader::ColorTableWord(const char* word, int param)
{
    const int v = std::clamp(param, 0, 255);
    if (std::strcmp(word, "red") == 0)
        red_ = v;
    else if (std::strcmp(word, "green") == 0)
        green_ = v;
    else if (std::strcmp(word, "blue") == 0)
        blue_ = v;
}

void Reader::TextByte(char c)
{
    if (overflowDepth_ > 0)
        return;
    switch (state_.Destination) {
    case Dest::Skip:
        return;
    case Dest::ColorTable:
        if (c == ';') {
            if (red_ < 0 && green_ < 0 && blue_ < 0)
                colors_.push_back(std::nullopt); // the automatic colour
            else
                colors_.push_back(
                    QColor(std::max(red_, 0), std::max(green_, 0), std::max(blue_, 0)));
            red_ = green_ = blue_ = -1;
        }
        return;
    case Dest::FontTable: {
        if (fontEntry_ < 0)
            return;
        if (c == ';') {
            FinishFontEntry();
            fontEntry_ = -1;
            return;
        }
        const int cp =
            fonts_[fontEntry_].CodePage ? fonts_[fontEntry_].CodePage : documentCodePage_;
        if (!pendingBytes_.isEmpty() && pendingCodePage_ != cp)
            FlushBytes();
        pendingCodePage_ = cp;
        pendingBytes_.append(c);
        return;
    }
    case Dest::Text: {
        const int cp = CodePageNow();
        if (!pendingBytes_.isEmpty() && pendingCodePage_ != cp)
            FlushBytes();
        pendingCodePage_ = cp;
        pendingBytes_.append(c);
        return;
    }
    }
}

void Reader::TextChar(QChar c)
{
    if (overflowDepth_ > 0 || state_.Destination != Dest::Text)
        return;
    FlushBytes();
    pendingText_ += c;
}

int Reader::CodePageNow() const
{
    int font = state_.Char.Font >= 0 ? state_.Char.Font : defaultFont_;
    if (state_.Char.DoubleByte && fonts_.count(state_.Char.AsianFont))
        font = state_.Char.AsianFont;
    auto found = fonts_.find(font);
    if (found != fonts_.end() && found->second.CodePage != 0)
        return found->second.CodePage;
    return documentCodePage_;
}

void Reader::FlushBytes()
{
    if (pendingBytes_.isEmpty())
        return;
    const QString text = decoder_.Decode(pendingCodePage_, pendingBytes_);
    pendingBytes_.clear();
    if (state_.Destination == Dest::FontTable)
        fontNameText_ += text;
    else
        pendingText_ += text;
}

void Reader::FlushText()
{
    FlushBytes();
    if (pendingText_.isEmpty())
        return;
    if (state_.Destination == Dest::Text) {
        const CharState& ch = state_.Char;
        if (ch.AsianFont < 0 && ch.AsianHalfPoints == 0) {
            cursor_.insertText(pendingText_, CharFormat());
        } else {
            // East Asian characters take the double-byte font and size, the
            // rest the regular ones; neutral characters stay with the run.
            const QTextCharFormat regular = CharFormat(false);
            const QTextCharFormat asian = CharFormat(true);
            bool inAsian = false;
            QString run;
            auto flushRun = [&] {
                if (!run.isEmpty())
                    cursor_.insertText(run, inAsian ? asian : regular);
                run.clear();
            };
            for (qsizetype i = 0; i < pendingText_.size(); ++i) {
                const QChar c = pendingText_[i];
                char32_t cp = c.unicode();
                if (c.isHighSurrogate() && i + 1 < pendingText_.size() &&
                    pendingText_[i + 1].isLowSurrogate())
                    cp = QChar::surrogateToUcs4(c, pendingText_[i + 1]);
                const bool neutral =
                    cp < 0x80 && !((cp >= 'A' && cp <= 'Z') || (cp >= 'a' && cp <= 'z') ||
                                   (cp >= '0' && cp <= '9'));
                if (!neutral) {
                    const bool isAsian = CodePage::IsEastAsian(cp);
                    if (isAsian != inAsian) {
                        flushRun();
                        inAsian = isAsian;
                    }
                }
                run += c;
            }
            flushRun();
        }
        textSinceParagraph_ = true;
    }
    pendingText_.clear();
}

void Reader::EndParagraph()
{
    if (state_.Destination != Dest::Text)
        return;
    FlushText();
    cursor_.setBlockFormat(BlockFormat());
    // An empty paragraph keeps the size of its mark, like a word processor.
    if (cursor_.block().length() <= 1)
        cursor_.setBlockCharFormat(CharFormat());
    cursor_.insertBlock(BlockFormat(), CharFormat());
    ++paragraphs_;
    textSinceParagraph_ = false;
}

QTextCharFormat Reader::CharFormat(bool asian) const
{
    QTextCharFormat f;
    const CharState& ch = state_.Char;
    int font = ch.Font >= 0 ? ch.Font : defaultFont_;
    // A double-byte font missing from the table (word processors name theme
    // fonts there) leaves the regular one.
    if (asian && ch.AsianFont >= 0 && fonts_.count(ch.AsianFont))
        font = ch.AsianFont;
    auto found = fonts_.find(font);
    if (found == fonts_.end())
        found = fonts_.find(defaultFont_);
    if (found != fonts_.end() && !found->second.Name.isEmpty())
        f.setFontFamilies({found->second.Name});
    f.setFontPointSize(((asian && ch.AsianHalfPoints > 0) ? ch.AsianHalfPoints : ch.HalfPoints) /
                       2.0);
    f.setFontWeight(ch.Bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(ch.Italic);
    f.setFontUnderline(ch.Underline);
    f.setFontStrikeOut(ch.Strike);
    if (ch.Color > 0 && ch.Color < static_cast<int>(colors_.size()) && colors_[ch.Color])
        f.setForeground(*colors_[ch.Color]);
    return f;
}

QTextBlockFormat Reader::BlockFormat() const
{
    QTextBlockFormat f;
    f.setAlignment(state_.Align);
    return f;
}

// Text that is not RTF: UTF-8 when it is valid UTF-8, else the Chinese
// Windows code page the tool's users write in.
void ReadPlainText(const QByteArray& bytes, QTextDocument& doc)
{
    QByteArray text = bytes;
    while (text.endsWith('\0'))
        text.chop(1);
    QString decoded;
    const QString utf8 = QString::fromUtf8(text);
    if (!utf8.contains(QChar(0xFFFD))) {
        decoded = utf8;
    } else {
        TCodePageDecoder decoder;
        decoded = decoder.Decode(936, text);
    }
    decoded.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    decoded.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    decoded.remove(QChar(0));
    doc.setPlainText(decoded);
}

} // namespace

Result Read(const QByteArray& rtf, QTextDocument& doc)
{
    qsizetype start = 0;
    while (start < rtf.size() &&
           (rtf[start] == ' ' || rtf[start] == '\r' || rtf[start] == '\n' || rtf[start] == '\t'))
        ++start;
    if (rtf.mid(start, 5) != "{\\rtf") {
        ReadPlainText(rtf, doc);
        Result r;
        r.IsRtf = false;
        return r;
    }
    Reader reader(rtf, doc);
    return reader.Run();
}

} // namespace RtfReader
