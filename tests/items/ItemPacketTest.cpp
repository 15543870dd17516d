// Message packets of the single-block items: parameter bytes, play window,
// type codes and data.
#include "items/SGNConter.h"
#include "items/SGNTemperature.h"
#include "items/SGNText.h"
#include "items/SGNTimer.h"
#include "items/TimerEx.h"
#include "model/DayNumber.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The packet a single-block item sends from page 1, as a byte vector.
std::vector<uint8_t> Packet(TSGNSendMsg& item, bool insert = false)
{
    item.Params.PageNo = 1;
    item.Address = 1;
    item.Insert = insert;
    item.Prepare();
    item.BlockIndex = 0;
    item.FillBlock();
    item.BuildPacket();
    return std::vector<uint8_t>(item.SendBuffer.begin(),
                                item.SendBuffer.begin() + item.PacketLength());
}

std::vector<uint8_t> Slice(const std::vector<uint8_t>& p, int from, int to)
{
    return std::vector<uint8_t>(p.begin() + from, p.begin() + to);
}

std::vector<uint8_t> Bytes(std::initializer_list<int> b)
{
    return std::vector<uint8_t>(b.begin(), b.end());
}

uint16_t Checksum(const std::vector<uint8_t>& p)
{
    uint16_t sum = 0;
    for (size_t i = 0; i + 4 < p.size(); ++i)
        sum = static_cast<uint16_t>(sum + p[i]);
    return sum;
}

} // namespace

TEST(TextPacket, FiveCharactersWithDefaults)
{
    TSGNText text;
    text.Lines = QStringList{QStringLiteral("Hello")};
    const std::vector<uint8_t> p = Packet(text);
    ASSERT_EQ(p.size(), 62u);
    EXPECT_EQ(Slice(p, 0, 16), Bytes({0xA0, 62, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 3, 2}));
    EXPECT_EQ(Slice(p, 16, 24), Bytes({0x01, 0x00, 0x01, 0x00, 0x0E, 0x03, 0x02, 0x00}));
    EXPECT_EQ(Slice(p, 24, 40), std::vector<uint8_t>(16, 0));
    EXPECT_EQ(Slice(p, 40, 48), Bytes({0x01, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x01, 0x00}));
    EXPECT_EQ(Slice(p, 48, 58), Bytes({'H', 0, 'e', 0, 'l', 0, 'l', 0, 'o', 0}));
    EXPECT_EQ(p[58] | (p[59] << 8), Checksum(p));
    EXPECT_EQ(Slice(p, 60, 62), Bytes({0x00, 0x50}));

    // Insert sets bit 4 of the type code for that send only.
    EXPECT_EQ(Packet(text, true)[41], 0x10);
    EXPECT_EQ(Packet(text, false)[41], 0x00);
}

TEST(TextPacket, LinesJoinAndEmptyTextStillSends)
{
    TSGNText text;
    text.Lines = QStringList{QStringLiteral("AB"), QString(), QStringLiteral("C")};
    std::vector<uint8_t> p = Packet(text);
    EXPECT_EQ(text.TotalSize, 6);
    EXPECT_EQ(Slice(p, 48, 54), Bytes({0x41, 0, 0x42, 0, 0x43, 0}));
    EXPECT_EQ(text.GetBlockCount(), 1);

    for (const QStringList& lines : {QStringList{}, QStringList{QString(), QString()}}) {
        text.Lines = lines;
        p = Packet(text);
        EXPECT_EQ(p.size(), 52u);
        EXPECT_EQ(p[44] | (p[45] << 8), 0);
        EXPECT_EQ(text.GetBlockCount(), 1);
        EXPECT_EQ(text.GetPageCount(), 1);
    }
}

TEST(TextPacket, OverlongTextIsCutToOneBlock)
{
    TSGNText text;
    // 3 lines of 200 characters: 1200 bytes of codes, 1024 kept.
    text.Lines = QStringList{QString(200, QLatin1Char('a')), QString(200, QLatin1Char('b')),
                             QString(200, QLatin1Char('c'))};
    const std::vector<uint8_t> p = Packet(text);
    EXPECT_EQ(text.TotalSize, 1024);
    EXPECT_EQ(p.size(), 1076u);
    EXPECT_EQ(p[44] | (p[45] << 8), 1024);
    EXPECT_EQ(p[48 + 1022], 'c');
    EXPECT_EQ(p[1072] | (p[1073] << 8), Checksum(p));
}

TEST(PlayWindow, FlagsSelectDateAndTimeBytes)
{
    TSGNText text;
    text.Params.StartDate = DayNumber::FromDate(QDate(2024, 3, 15));
    text.Params.StopDate = DayNumber::FromDate(QDate(2025, 12, 31));
    text.Params.StartTime = DayNumber::FromTime(QTime(8, 30, 5));
    text.Params.StopTime = DayNumber::FromTime(QTime(23, 59, 59));

    text.Params.AllDates = 0;
    text.Params.AllTimes = 1;
    std::vector<uint8_t> p = Packet(text);
    EXPECT_EQ(Slice(p, 24, 32), Bytes({0x15, 0x03, 0x24, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Slice(p, 32, 40), Bytes({0x31, 0x12, 0x25, 0, 0, 0, 0, 0}));

    text.Params.AllDates = 1;
    text.Params.AllTimes = 0;
    p = Packet(text);
    EXPECT_EQ(Slice(p, 24, 32), Bytes({0, 0, 0, 0, 0x05, 0x30, 0x08, 0}));
    EXPECT_EQ(Slice(p, 32, 40), Bytes({0, 0, 0, 0, 0x59, 0x59, 0x23, 0}));

    text.Params.AllDates = 0;
    p = Packet(text);
    EXPECT_EQ(Slice(p, 24, 32), Bytes({0x15, 0x03, 0x24, 0, 0x05, 0x30, 0x08, 0}));
}

TEST(ItemPacket, ZoneFlagsAndEffectBytes)
{
    struct Case
    {
        uint8_t zoneFlags;
        uint8_t sent;
    };
    for (const Case c : {Case{0x00, 0x01}, Case{0x80, 0x81}, Case{0x02, 0x02}, Case{0x83, 0x83}}) {
        TSGNText text;
        text.Params.ZoneFlags = c.zoneFlags;
        EXPECT_EQ(Packet(text)[46], c.sent) << int(c.zoneFlags);
        EXPECT_EQ(text.Params.ZoneFlags, c.zoneFlags) << "the record keeps zone 0";
    }
    TSGNText text;
    text.Params.Effect = 7;
    text.Params.FrameFlash = 0x32;
    text.Params.LoopCount = 9;
    text.Params.Color = 3;
    const std::vector<uint8_t> p = Packet(text);
    EXPECT_EQ(Slice(p, 18, 24), Bytes({7, 0x32, 14, 3, 2, 9}));
    EXPECT_EQ(p[40], 3);
}

TEST(ClockPacket, TemplateInsertAndDialMode)
{
    TSGNTimer clock;
    std::vector<uint8_t> p = Packet(clock);
    EXPECT_EQ(p.size(), 52u + 38u);
    EXPECT_EQ(p[44] | (p[45] << 8), 38);
    EXPECT_EQ(Slice(p, 48, 52), Bytes({0x32, 0, 0x30, 0}));
    EXPECT_EQ(p[41], 0x05);

    EXPECT_EQ(Packet(clock, true)[41], 0x15);
    EXPECT_EQ(Packet(clock, false)[41], 0x05);

    clock.SetDialMode(true);
    EXPECT_TRUE(clock.IsDialMode());
    p = Packet(clock, true);
    EXPECT_EQ(p[41], 0x13);
    EXPECT_TRUE(clock.IsDialMode());
    p = Packet(clock);
    EXPECT_EQ(p.size(), 52u) << "a dial clock carries no data";
    EXPECT_EQ(p[44] | (p[45] << 8), 0);
    EXPECT_EQ(p[41], 0x03);
    EXPECT_EQ(clock.Template, QStringLiteral("20{N}-{Y}-{R} {S}:{F}:{M}"));

    clock.SetDialMode(false);
    EXPECT_EQ(Packet(clock).size(), 90u);
}

TEST(TemperaturePacket, DefaultTemplate)
{
    TSGNTemperature t;
    std::vector<uint8_t> p = Packet(t);
    EXPECT_EQ(p.size(), 52u + 54u);
    EXPECT_EQ(p[44] | (p[45] << 8), 54);
    EXPECT_EQ(Slice(p, 48 + 22, 48 + 30), Bytes({1, 0, 2, 0, 3, 0, 0x03, 0x02}));
    EXPECT_EQ(p[41], 0x04);
    EXPECT_EQ(Packet(t, true)[41], 0x14);
}

TEST(CountdownPacket, TargetDateInsteadOfPlayWindow)
{
    TSGNConter c;
    c.TargetDate = DayNumber::FromDate(QDate(2031, 12, 25));
    c.Params.AllDates = 0;
    c.Params.AllTimes = 0;
    c.Params.StartDate = DayNumber::FromDate(QDate(2024, 3, 15));
    c.Params.StartTime = DayNumber::FromTime(QTime(8, 30, 5));
    std::vector<uint8_t> p = Packet(c);
    std::vector<uint8_t> window(16, 0);
    window[27 - 24] = 31;
    window[31 - 24] = 12;
    window[35 - 24] = 25;
    EXPECT_EQ(Slice(p, 24, 40), window);
    EXPECT_EQ(p.size(), 52u + 50u);
    EXPECT_EQ(Slice(p, 48 + 20, 48 + 26), Bytes({0x1D, 0, 0x1E, 0, 0x1F, 0}));
    EXPECT_EQ(p[41], 0x06);
    EXPECT_EQ(Packet(c, true)[41], 0x16);
    EXPECT_EQ(p[p.size() - 4] | (p[p.size() - 3] << 8), Checksum(p));

    c.Digits = 4;
    p = Packet(c);
    EXPECT_EQ(Slice(p, 48 + 20, 48 + 28), Bytes({0x1C, 0, 0x1D, 0, 0x1E, 0, 0x1F, 0}));
    c.Digits = 1;
    c.Template = QStringLiteral("{W}{C}");
    p = Packet(c);
    EXPECT_EQ(Slice(p, 48, p.size() - 4), Bytes({0x7B, 0, 0x57, 0, 0x7D, 0, 0x1F, 0}));
}

TEST(DialClockItem, PrepareSetsTypeCode)
{
    TTimerEx dial;
    dial.Params.TextLength = 9;
    std::vector<uint8_t> p = Packet(dial, true);
    EXPECT_EQ(p[41], 0x13);
    EXPECT_EQ(p.size(), 52u);
    EXPECT_EQ(dial.Params.TextLength, 0);
    EXPECT_EQ(Packet(dial)[41], 0x03);
}
