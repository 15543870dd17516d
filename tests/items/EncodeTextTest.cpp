#include "items/EncodeText.h"
#include "items/TemplateCodes.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<uint8_t> Encode(const QString& text, int capacity = 1024)
{
    std::vector<uint8_t> out(capacity + 8, 0xEE);
    const int n = EncodeText(text, out.data(), capacity);
    // Nothing beyond the reported bytes is touched.
    for (size_t i = n; i < out.size(); ++i)
        EXPECT_EQ(out[i], 0xEE) << "byte " << i << " written past the count";
    out.resize(n);
    return out;
}

std::vector<uint8_t> Bytes(std::initializer_list<int> b)
{
    return std::vector<uint8_t>(b.begin(), b.end());
}

} // namespace

TEST(EncodeText, MapsEachFontRange)
{
    struct Case
    {
        char16_t unit;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {u'A', Bytes({0x41, 0x00})},
        {u'\u00E9', Bytes({0xE9, 0x00})},
        {u'\u201C', Bytes({0x1C, 0x01})},
        {u'\u3001', Bytes({0x71, 0x07})},
        {u'\u4E2D', Bytes({0x9D, 0x0B})},
        {u'\uFF21', Bytes({0x37, 0x63})},
        {u'\u266F', Bytes({0x6F, 0x07})},
        {u'\u9FA5', Bytes({0x15, 0x5D})},
        {u'\uF900', Bytes({0x16, 0x5D})},
        {u'\uFFFF', Bytes({0x15, 0x64})},
        // Outside the font's ranges: shifted by 0x80.
        {u'\u0100', Bytes({0x80, 0x01})},
        {u'\u3400', Bytes({0x80, 0x34})},
        {u'\uF8FF', Bytes({0x7F, 0xF9})},
        {u'\u0005', Bytes({0x05, 0x00})},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Encode(QString(QChar(c.unit))), c.bytes) << std::hex << int(c.unit);
}

TEST(EncodeText, StopsAtZeroUnitAndAtCapacity)
{
    QString withZero = QStringLiteral("AB");
    withZero.append(QChar(0));
    withZero.append(QStringLiteral("C"));
    EXPECT_EQ(Encode(withZero), Bytes({0x41, 0, 0x42, 0}));

    // 600 characters would need 1200 bytes: only 1024 are written.
    EXPECT_EQ(Encode(QString(600, QLatin1Char('x'))).size(), 1024u);
    // An odd capacity never writes half a code.
    EXPECT_EQ(Encode(QStringLiteral("abc"), 5), Bytes({'a', 0, 'b', 0}));
    EXPECT_TRUE(Encode(QStringLiteral("abc"), 0).empty());
}

TEST(TemplateCodes, ClockPlaceholders)
{
    const QString e = TemplateCodes::ExpandClock(QStringLiteral("20{N}-{Y}-{R} {S}:{F}:{M}"));
    EXPECT_EQ(Encode(e), Bytes({0x32, 0, 0x30, 0, 0x0B, 0, 0x0C, 0, 0x2D, 0, 0x0D, 0, 0x0E, 0,
                                0x2D, 0, 0x0F, 0, 0x10, 0, 0x20, 0, 0x11, 0, 0x12, 0, 0x3A, 0,
                                0x13, 0, 0x14, 0, 0x3A, 0, 0x17, 0, 0x18, 0}));
    EXPECT_EQ(Encode(TemplateCodes::ExpandClock(QStringLiteral("{W}"))), Bytes({0x15, 0}));
    EXPECT_EQ(Encode(TemplateCodes::ExpandClock(QStringLiteral("{X}"))),
              Bytes({0x7B, 0, 0x58, 0, 0x7D, 0}));
    EXPECT_EQ(Encode(TemplateCodes::ExpandClock(QStringLiteral("a{"))), Bytes({'a', 0, 0x7B, 0}));
    EXPECT_EQ(Encode(TemplateCodes::ExpandClock(QStringLiteral("{S"))), Bytes({0x7B, 0, 'S', 0}));
}

TEST(TemplateCodes, TemperatureAndCountdownPlaceholders)
{
    const QString t =
        TemplateCodes::ExpandTemperature(QStringLiteral("temperature{W}℃ humidity{S}%"));
    ASSERT_EQ(t.size(), 27);
    EXPECT_EQ(Encode(t.mid(11, 3)), Bytes({1, 0, 2, 0, 3, 0}));
    EXPECT_EQ(Encode(t.mid(14, 1)), Bytes({0x03, 0x02}));
    EXPECT_EQ(Encode(t.mid(24, 3)), Bytes({4, 0, 5, 0, 0x25, 0}));
    // {C} is not a temperature field.
    EXPECT_EQ(TemplateCodes::ExpandTemperature(QStringLiteral("{C}")), QStringLiteral("{C}"));

    const QString templ = QStringLiteral("There are {C} days until ");
    const QString c3 = TemplateCodes::ExpandCountdown(templ, 3);
    EXPECT_EQ(c3.size(), 25);
    EXPECT_EQ(Encode(c3.mid(10, 3)), Bytes({0x1D, 0, 0x1E, 0, 0x1F, 0}));
    EXPECT_EQ(Encode(TemplateCodes::ExpandCountdown(QStringLiteral("{C}"), 4)),
              Bytes({0x1C, 0, 0x1D, 0, 0x1E, 0, 0x1F, 0}));
    EXPECT_EQ(Encode(TemplateCodes::ExpandCountdown(QStringLiteral("{C}"), 2)),
              Bytes({0x1E, 0, 0x1F, 0}));
    EXPECT_EQ(Encode(TemplateCodes::ExpandCountdown(QStringLiteral("{C}"), 1)), Bytes({0x1F, 0}));
    EXPECT_EQ(Encode(TemplateCodes::ExpandCountdown(QStringLiteral("{C}"), 0)), Bytes({0x1F, 0}));
    EXPECT_EQ(TemplateCodes::ExpandCountdown(QStringLiteral("{W}"), 3), QStringLiteral("{W}"));
}

TEST(TemplateCodes, ExpansionIsBoundedToOneBlock)
{
    // 300 countdown fields at 4 codes each would be 1200 codes.
    QString many;
    for (int i = 0; i < 300; ++i)
        many += QStringLiteral("{C}");
    EXPECT_EQ(TemplateCodes::ExpandCountdown(many, 4).size(), TemplateCodes::MaxCodes);
    EXPECT_EQ(TemplateCodes::ExpandClock(QString(2000, QLatin1Char('a'))).size(),
              TemplateCodes::MaxCodes);
}
