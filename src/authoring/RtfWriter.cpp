#include "authoring/RtfWriter.h"

#include "authoring/CodePage.h"

#include <QColor>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <cmath>
#include <vector>

namespace RtfWriter {
namespace {

// The character properties one run is written with.
struct RunFormat
{
    int Font = 0;
    int HalfPoints = 24;
    int Color = 0; // colour table index, 0 = automatic
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool Strike = false;
};

class Writer
{
public:
    explicit Writer(const QTextDocument& doc) : doc_(doc) {}
    QByteArray Run();

private:
    RunFormat FormatOf(const QTextCharFormat& f);
    int FontIndex(const QString& family);
    int ColorIndex(const QColor& color);
    void WriteFormat(const RunFormat& f, QByteArray& out);
    static void WriteText(const QString& text, QByteArray& out);
    QByteArray FontTable();
    QByteArray ColorTable() const;

    const QTextDocument& doc_;
    std::vector<QString> fonts_;
    std::vector<QColor> colors_; // entries 1.. of the colour table
    RunFormat current_;
    // The double-byte font and size last written (\dbch\af\afs); -1 for none.
    int asianFont_ = -1;
    int asianHalfPoints_ = -1;
    bool needSpace_ = false; // a control word was written and text may follow
};

int Writer::FontIndex(const QString& family)
{
    for (size_t i = 0; i < fonts_.size(); ++i) {
        if (fonts_[i] == family)
            return static_cast<int>(i);
    }
    fonts_.push_back(family);
    return static_cast<int>(fonts_.size() - 1);
}

int Writer::ColorIndex(const QColor& color)
{
    const QRgb rgb = color.rgb();
    for (size_t i = 0; i < colors_.size(); ++i) {
        if (colors_[i].rgb() == rgb)
            return static_cast<int>(i + 1);
    }
    colors_.push_back(color);
    return static_cast<int>(colors_.size());
}

RunFormat Writer::FormatOf(const QTextCharFormat& f)
{
    const QFont font = f.font().resolve(doc_.defaultFont());
    RunFormat r;
    const QStringList families = font.families();
    r.Font = FontIndex(families.isEmpty() ? font.family() : families.first());
    double points = font.pointSizeF();
    if (points <= 0 && font.pixelSize() > 0)
        points = font.pixelSize() * 72.0 / 96.0; // pixel sizes are screen pixels at 96 dpi
    r.HalfPoints = points > 0 ? std::max(2, static_cast<int>(std::lround(points * 2))) : 24;
    if (f.foreground().style() != Qt::NoBrush)
        r.Color = ColorIndex(f.foreground().color());
    r.Bold = font.weight() >= QFont::DemiBold;
    r.Italic = font.italic();
    r.Underline = font.underline();
    r.Strike = font.strikeOut();
    return r;
}

void Writer::WriteFormat(const RunFormat& f, QByteArray& out)
{
    const RunFormat before = current_;
    auto word = [&](const QByteArray& w) {
        out += w;
        needSpace_ = true;
    };
    if (f.Font != before.Font)
        word("\\f" + QByteArray::number(f.Font));
    if (f.HalfPoints != before.HalfPoints)
        word("\\fs" + QByteArray::number(f.HalfPoints));
    if (f.Color != before.Color)
        word("\\cf" + QByteArray::number(f.Color));
    if (f.Bold != before.Bold)
        word(f.Bold ? "\\b" : "\\b0");
    if (f.Italic != before.Italic)
        word(f.Italic ? "\\i" : "\\i0");
    if (f.Underline != before.Underline)
        word(f.Underline ? "\\ul" : "\\ulnone");
    if (f.Strike != before.Strike)
        word(f.Strike ? "\\strike" : "\\strike0");
    current_ = f;
}

void Writer::WriteText(const QString& text, QByteArray& out)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            out += '\\';
            out += static_cast<char>(u);
        } else if (u == '\t') {
            out += "\\tab ";
        } else if (u == QChar::LineSeparator) {
            out += "\\line ";
        } else if (u == 0x00A0) {
            out += "\\~";
        } else if (u >= 0x20 && u < 0x7F) {
            out += static_cast<char>(u);
        } else if (u < 0x20) {
            continue; // other control characters have no meaning in a document
        } else {
            // \u takes a signed 16-bit number; the "?" is what readers without
            // Unicode show instead (\uc1).
            const int n = u > 0x7FFF ? static_cast<int>(u) - 0x10000 : static_cast<int>(u);
            out += "\\u" + QByteArray::number(n) + '?';
        }
    }
}

QByteArray Writer::FontTable()
{
    TCodePageDecoder codec;
    QByteArray out = "{\\fonttbl";
    for (size_t i = 0; i < fonts_.size(); ++i) {
        const QString& name = fonts_[i];
        out += "{\\f" + QByteArray::number(static_cast<int>(i)) + "\\fnil";
        bool ascii = true;
        for (const QChar c : name)
            ascii = ascii && c.unicode() >= 0x20 && c.unicode() < 0x7F;
        bool gbk = false;
        QByteArray encoded;
        if (!ascii)
            encoded = codec.Encode(936, name, &gbk);
        if (ascii) {
            out += "\\fcharset0 " + name.toLatin1();
        } else if (gbk) {
            // Chinese font names as Chinese word processors write them.
            out += "\\fcharset134 ";
            for (const char b : encoded) {
                const auto v = static_cast<unsigned char>(b);
                if (v < 0x80 && v != '\\' && v != '{' && v != '}' && v != ';') {
                    out += static_cast<char>(v);
                } else {
                    out += "\\'";
                    out += QByteArray::number(v, 16).rightJustified(2, '0');
                }
            }
        } else {
            out += "\\fcharset1 ";
            WriteText(name, out);
        }
        out += ";}";
    }
    out += "}";
    return out;
}

QByteArray Writer::ColorTable() const
{
    QByteArray out = "{\\colortbl ;";
    for (const QColor& c : colors_) {
        out += "\\red" + QByteArray::number(c.red()) + "\\green" + QByteArray::number(c.green()) +
               "\\blue" + QByteArray::number(c.blue()) + ';';
    }
    out += "}";
    return out;
}

QByteArray Writer::Run()
{
    // The default font is \f0, so text the reader gives no font of its own
    // keeps the document's font.
    const QFont base = doc_.defaultFont();
    FontIndex(base.families().isEmpty() ? base.family() : base.families().first());
    current_ = RunFormat();

    QByteArray body = "\\viewkind4\\uc1";
    needSpace_ = true;
    // Every paragraph ends with \par, as word processors write it.
    for (QTextBlock block = doc_.begin(); block.isValid(); block = block.next()) {
        body += "\\pard";
        needSpace_ = true;
        const Qt::Alignment align = block.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
        if (align & Qt::AlignHCenter)
            body += "\\qc";
        else if (align & Qt::AlignRight)
            body += "\\qr";
        else if (align & Qt::AlignJustify)
            body += "\\qj";
        bool anyFragment = false;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            anyFragment = true;
            const RunFormat format = FormatOf(fragment.charFormat());
            WriteFormat(format, body);
            // Word processors take East Asian characters in the run's
            // double-byte font and size, so name them too.
            bool eastAsian = false;
            for (const char32_t cp : fragment.text().toUcs4())
                eastAsian = eastAsian || CodePage::IsEastAsian(cp);
            if (eastAsian && (format.Font != asianFont_ || format.HalfPoints != asianHalfPoints_)) {
                body += "\\dbch\\af" + QByteArray::number(format.Font) + "\\afs" +
                        QByteArray::number(format.HalfPoints) + "\\loch";
                needSpace_ = true;
                asianFont_ = format.Font;
                asianHalfPoints_ = format.HalfPoints;
            }
            QByteArray text;
            WriteText(fragment.text(), text);
            if (needSpace_ && !text.isEmpty())
                body += ' ';
            needSpace_ = false;
            body += text;
        }
        if (!anyFragment) {
            // An empty paragraph: its mark carries the size of the line.
            WriteFormat(FormatOf(block.charFormat()), body);
        }
        body += "\\par\r\n";
        needSpace_ = false;
    }
    body += "}\r\n";

    QByteArray out = "{\\rtf1\\ansi\\ansicpg936\\deff0\\deflang1033\\deflangfe2052";
    out += FontTable();
    out += "\r\n";
    out += ColorTable();
    out += "\r\n";
    out += body;
    return out;
}

} // namespace

QByteArray Write(const QTextDocument& doc)
{
    return Writer(doc).Run();
}

} // namespace RtfWriter
