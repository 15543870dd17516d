// Writing RTF: what the writer produces reads back with the same text,
// fonts, sizes, colours, styles and alignment, in plain 7-bit RTF.
#include "authoring/RtfWriter.h"
#include "RtfTestSupport.h"
#include "items/SGNRtf.h"

#include <QTextCursor>
#include <gtest/gtest.h>

using RtfTest::Alignments;
using RtfTest::Read;
using RtfTest::Runs;
using RtfTest::ToString;

namespace {

void ExpectSameDocument(const QTextDocument& a, const QTextDocument& b, const char* what)
{
    EXPECT_EQ(a.toRawText(), b.toRawText()) << what;
    const auto ra = Runs(a), rb = Runs(b);
    ASSERT_EQ(ra.size(), rb.size()) << what;
    for (size_t i = 0; i < ra.size(); ++i)
        EXPECT_EQ(ra[i], rb[i]) << what << ": " << ToString(ra[i]) << " vs " << ToString(rb[i]);
    EXPECT_EQ(Alignments(a), Alignments(b)) << what;
}

bool SevenBit(const QByteArray& bytes)
{
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) > 0x7E ||
            (static_cast<unsigned char>(c) < 0x20 && c != '\r' && c != '\n'))
            return false;
    }
    return true;
}

} // namespace

TEST(RtfWriter, DocumentsReadBackTheSame)
{
    const struct
    {
        const char* Name;
        QByteArray Rtf;
    } documents[] = {
        {"default item", TSGNRtf::DefaultDocument()},
        {"rich-edit GBK", RtfTest::Fixture("richedit-gbk.rtf")},
        {"word processor", RtfTest::Fixture("wordprocessor-styles.rtf")},
        {"LibreOffice", RtfTest::Fixture("libreoffice-shop.rtf")},
        {"special characters",
         "{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0 a\\{b\\}c\\\\d\\~e\\tab f\\line g \\u-10179?\\u-8704?"
         "\\par\\par\\qc\\strike x\\par}"},
        {"empty", "{\\rtf1}"},
    };
    for (const auto& d : documents) {
        auto original = Read(d.Rtf);
        const QByteArray written = RtfWriter::Write(*original);
        EXPECT_TRUE(SevenBit(written)) << d.Name;
        auto back = Read(written);
        ExpectSameDocument(*original, *back, d.Name);
        // Writing what was read back gives the same bytes: nothing drifts
        // from one save to the next.
        EXPECT_EQ(RtfWriter::Write(*back), written) << d.Name;
    }
}

TEST(RtfWriter, WritesWhatWordProcessorsExpect)
{
    auto doc = Read(RtfTest::Fixture("richedit-gbk.rtf"));
    const QByteArray rtf = RtfWriter::Write(*doc);
    EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg936\\deff0"));
    // Chinese font names in their own character set, text as \uN with a
    // "?" for readers without Unicode.
    EXPECT_TRUE(rtf.contains("\\fcharset134 \\'cb\\'ce\\'cc\\'e5;")) << rtf.constData();
    EXPECT_TRUE(rtf.contains("\\u27426?\\u-28722?")) << rtf.constData(); // 欢迎
    EXPECT_TRUE(rtf.contains("{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green255\\blue0;"
                             "\\red255\\green255\\blue0;}"))
        << rtf.constData();
    EXPECT_TRUE(rtf.trimmed().endsWith('}'));
}

TEST(RtfWriter, DocumentBuiltInAnEditor)
{
    // A document made the way the editor makes one: a default font in
    // pixels, text typed with and without formats of its own.
    QTextDocument doc;
    QFont base(QStringLiteral("宋体"));
    base.setPixelSize(16);
    doc.setDefaultFont(base);
    QTextCursor c(&doc);
    c.insertText(QStringLiteral("plain "));
    QTextCharFormat f;
    f.setFontFamilies({QStringLiteral("Times New Roman")});
    f.setFontPointSize(30);
    f.setForeground(QColor(0, 255, 0));
    f.setFontItalic(true);
    c.insertText(QStringLiteral("green"), f);
    auto back = Read(RtfWriter::Write(doc));
    const auto runs = Runs(*back);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].Family, QStringLiteral("宋体"));
    EXPECT_EQ(runs[0].Points, 12); // 16 pixels at 96 per inch
    EXPECT_EQ(runs[0].Color, QStringLiteral("auto"));
    EXPECT_EQ(runs[1].Text, QStringLiteral("green"));
    EXPECT_EQ(runs[1].Family, QStringLiteral("Times New Roman"));
    EXPECT_EQ(runs[1].Points, 30);
    EXPECT_EQ(runs[1].Color, QStringLiteral("#00ff00"));
    EXPECT_TRUE(runs[1].Italic);
}
