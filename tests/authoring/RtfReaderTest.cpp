// Reading RTF: documents as rich-edit controls and word processors write
// them, code pages, Unicode escapes, and input that is broken or hostile.
#include "RtfTestSupport.h"
#include "items/SGNRtf.h"

#include <gtest/gtest.h>

#include <random>

using RtfTest::Alignments;
using RtfTest::Read;
using RtfTest::Run;
using RtfTest::Runs;
using RtfTest::ToString;

namespace {

void ExpectRuns(const std::vector<Run>& actual, const std::vector<Run>& expected)
{
    ASSERT_EQ(actual.size(), expected.size()) << [&] {
        std::string s;
        for (const Run& r : actual)
            s += ToString(r) + "\n";
        return s;
    }();
    for (size_t i = 0; i < actual.size(); ++i)
        EXPECT_EQ(actual[i], expected[i]) << ToString(actual[i]) << " vs " << ToString(expected[i]);
}

} // namespace

TEST(RtfReader, DefaultItemDocumentIsWelcomeInRed)
{
    auto doc = Read(TSGNRtf::DefaultDocument());
    ExpectRuns(Runs(*doc), {{0, "Welcome", "Arial Black", 20, "#ff0000"}});
    EXPECT_EQ(doc->blockCount(), 1);
}

TEST(RtfReader, RichEditDocumentInGbk)
{
    RtfReader::Result result;
    auto doc = Read(RtfTest::Fixture("richedit-gbk.rtf"), &result);
    EXPECT_TRUE(result.IsRtf);
    EXPECT_TRUE(result.Warnings.isEmpty()) << result.Warnings.join("; ").toStdString();
    ExpectRuns(Runs(*doc), {
                               {0, "欢迎光临", "宋体", 16, "#ff0000"},
                               {0, "Sale ", "Arial Black", 12, "#00ff00"},
                               {0, "50%", "Arial Black", 12, "#00ff00", true},
                               {0, " off", "Arial Black", 12, "#00ff00"},
                               {1, "今日特价", "黑体", 9, "#ffff00"},
                               {1, " end", "Arial Black", 9, "auto", false, true},
                           });
    EXPECT_EQ(Alignments(*doc), (std::vector<Qt::Alignment>{Qt::AlignHCenter, Qt::AlignLeft}));
}

TEST(RtfReader, WordProcessorDocumentWithStylesFieldsAndPictures)
{
    auto doc = Read(RtfTest::Fixture("wordprocessor-styles.rtf"));
    // Style sheet, information, revision table, field instruction, pictures,
    // theme and data store show nothing; the field's result is text.
    ExpectRuns(Runs(*doc),
               {
                   {0, "Price ", "Calibri", 24, "#ff0000"},
                   {0, "价格", "宋体", 24, "#00ff00"},
                   {1, "shop.example.org", "Calibri", 10.5, "#0000ff", false, false, true},
                   {1, " open ", "Calibri", 14, "#000000", true},
                   {1, "daily", "Calibri", 14, "#000000", false, true},
               });
    EXPECT_EQ(Alignments(*doc), (std::vector<Qt::Alignment>{Qt::AlignHCenter, Qt::AlignLeft}));
}

TEST(RtfReader, LibreOfficeDocumentWithDoubleByteRuns)
{
    // Written by LibreOffice Writer 7.4 from an HTML page: Chinese runs name
    // their font and size with \dbch\af\afs, text has \uN with \'3f.
    auto doc = Read(RtfTest::Fixture("libreoffice-shop.rtf"));
    ExpectRuns(Runs(*doc), {
                               {0, "欢迎光临", "SimSun", 24, "#ff0000"},
                               {0, " ", "DejaVu Serif", 12, "#00ff00"},
                               {0, "Sale ", "Arial Black", 18, "#00ff00"},
                               {0, "50%", "Arial Black", 18, "#00ff00", true},
                               {1, "Open daily", "Times New Roman", 12, "#ffff00", false, true},
                               {1, " café ≥ 9:00", "Times New Roman", 12, "#ffff00"},
                           });
    EXPECT_EQ(Alignments(*doc), (std::vector<Qt::Alignment>{Qt::AlignHCenter, Qt::AlignLeft}));
}

TEST(RtfReader, CharactersAndBreaks)
{
    struct Case
    {
        const char* Rtf;
        const char* Text; // UTF-8
    } cases[] = {
        // \uN with the \uc count of fallback characters skipped.
        {"{\\rtf1 \\uc2\\u20013\\'d6\\'d0 x\\uc0\\u25991 y}", "中 x文y"},
        {"{\\rtf1 \\u20013?{\\uc3 \\u25991\\'ce\\'c4?}\\u23383?}", "中文字"},
        // A group ends the fallback early.
        {"{\\rtf1 \\uc5\\u20013{}ab}", "中ab"},
        // Negative numbers and surrogate pairs.
        {"{\\rtf1 \\u-10179?\\u-8704?!}", "\xF0\x9F\x98\x80!"},
        // The document's code page, escaped and raw, and the font's.
        {"{\\rtf1\\ansi\\ansicpg936 \\'d6\\'d0\xce\xc4}", "中文"},
        {"{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset0 Arial;}{\\f1\\fcharset134 SimSun;}}"
         "\\f0 caf\\'e9 \\f1\\'d6\\'d0}",
         "café 中"},
        {"{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8}", "При"},
        // Escapes, special characters, breaks.
        {"{\\rtf1 a\\{b\\}c\\\\d\\~e\\emdash f\\tab g\\line h}", "a{b}c\\d\xC2\xA0"
                                                                 "e\xE2\x80\x94"
                                                                 "f\tg\xE2\x80\xA8h"},
        {"{\\rtf1 one\\par two\\par\\par three}", "one\ntwo\n\nthree"},
        // Unknown destinations: starred ones skipped, others read as text.
        {"{\\rtf1 a{\\*\\unknown hidden}b{\\unknownword shown}c}", "abshownc"},
        // Binary data is skipped whatever it holds.
        {"{\\rtf1 a{\\pict\\bin4 }}{x}b}", "ab"},
        // Bytes that are not GBK become U+FFFD, the rest survives.
        {"{\\rtf1\\ansicpg936 x\\'ffy}", "x\xEF\xBF\xBDy"},
        // Nothing after the document's closing brace is read.
        {"{\\rtf1 in}out", "in"},
    };
    for (const Case& c : cases) {
        auto doc = Read(QByteArray(c.Rtf));
        EXPECT_EQ(doc->toRawText().replace(QChar::ParagraphSeparator, '\n'),
                  QString::fromUtf8(c.Text))
            << c.Rtf;
    }
}

TEST(RtfReader, CharacterAndParagraphProperties)
{
    auto doc = Read("{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}{\\colortbl;\\red0\\green0"
                    "\\blue255;}\\qr\\f1\\fs30\\cf1\\b\\i\\ul\\strike A\\plain B\\par\\pard C\\qj\\"
                    "ulnone\\ul0 D}");
    ExpectRuns(Runs(*doc), {
                               {0, "A", "Courier New", 15, "#0000ff", true, true, true, true},
                               {0, "B", "Arial", 12, "auto"},
                               {1, "CD", "Arial", 12, "auto"},
                           });
    // \qj set within the second paragraph applies to the whole of it.
    EXPECT_EQ(Alignments(*doc), (std::vector<Qt::Alignment>{Qt::AlignRight, Qt::AlignJustify}));
}

TEST(RtfReader, BrokenAndHostileInputEnds)
{
    const QByteArray deep =
        "{\\rtf1 a" + QByteArray(100000, '{') + "hidden" + QByteArray(100000, '}') + " b}";
    struct Case
    {
        QByteArray Rtf;
        const char* Text;
        bool Warned;
    } cases[] = {
        {"{\\rtf1 abc", "abc", true},
        {"{\\rtf1 ab\\", "ab", true},
        {"{\\rtf1 ab\\'", "ab", true},
        {"{\\rtf1 ab\\'4", "ab", true},
        {"{\\rtf1 ab\\u", "ab", true},
        {"{\\rtf1 ab\\u-", "ab", true},
        {"{\\rtf1 ab{\\*\\fldinst", "ab", true},
        {"{\\rtf1 ab\\bin2147483647 cd}", "ab", true},
        {"{\\rtf1 a\\fs99999999999999999999 b}", "ab", false},
        {"{\\rtf1 a\\" + QByteArray(5000, 'x') + " b}", "ab", false},
        {"{\\rtf1 a\\'zzb}", "ab", false},
        {deep, "a b", true},
        {"{\\rtf1 x}}}}{{", "x", false},
        {"{\\rtf1 {\\fonttbl{\\f0 Arial", "", true},
        {"{\\rtf1 {\\colortbl;\\red999\\green-5;}\\cf1 x\\cf77 y}", "xy", false},
    };
    for (const Case& c : cases) {
        RtfReader::Result result;
        auto doc = Read(c.Rtf, &result);
        EXPECT_EQ(doc->toPlainText(), QString::fromUtf8(c.Text)) << c.Rtf.left(60).constData();
        EXPECT_EQ(!result.Warnings.isEmpty(), c.Warned) << c.Rtf.left(60).constData();
    }
    // A size beyond any word processor's is held at 1638 points.
    auto big = Read("{\\rtf1 \\fs99999999 x}");
    EXPECT_EQ(big->begin().begin().fragment().charFormat().fontPointSize(), 1638);
}

TEST(RtfReader, RandomBytesNeverHangOrCrash)
{
    std::mt19937 random(1234);
    const char alphabet[] = "{}\\'*;abfu0123456789- \r\n\xd6\xd0";
    for (int n = 0; n < 300; ++n) {
        QByteArray rtf = "{\\rtf1 ";
        const int length = static_cast<int>(random() % 400);
        for (int i = 0; i < length; ++i)
            rtf += alphabet[random() % (sizeof(alphabet) - 1)];
        auto doc = Read(rtf);
        EXPECT_GE(doc->characterCount(), 1);
    }
}

TEST(RtfReader, TextThatIsNotRtfIsReadAsPlainText)
{
    RtfReader::Result result;
    auto doc = Read(QByteArray("line one\r\nline two"), &result);
    EXPECT_FALSE(result.IsRtf);
    EXPECT_EQ(doc->toPlainText(), QStringLiteral("line one\nline two"));
    doc = Read(QByteArray("\xd6\xd0\xce\xc4"), &result);
    EXPECT_EQ(doc->toPlainText(), QStringLiteral("中文"));
}
