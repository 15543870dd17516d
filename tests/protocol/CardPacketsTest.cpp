// The bytes of the card commands and the decoding of their replies.
#include "model/SGNPartition.h"
#include "protocol/CardCommands.h"
#include "protocol/ExportRecord.h"
#include "protocol/GetHWParam.h"
#include "protocol/GetHWVersion.h"
#include "protocol/SetHWParam.h"
#include "protocol/ZoneLayout.h"
#include "serial/UiHooks.h"

#include <QBuffer>
#include <gtest/gtest.h>
#include <vector>

namespace {

std::vector<uint8_t> Bytes(const TSGNUnit& u)
{
    return std::vector<uint8_t>(u.SendBuffer.begin(), u.SendBuffer.begin() + u.PacketLength());
}

std::vector<uint8_t> Slice(const TSGNUnit& u, int from, int n)
{
    return std::vector<uint8_t>(u.SendBuffer.begin() + from, u.SendBuffer.begin() + from + n);
}

// A valid reply with the given result bytes at 16.., sealed like a card does.
std::array<uint8_t, 52> Reply(std::vector<uint8_t> results = {}, uint8_t status = 0)
{
    std::array<uint8_t, 52> r{};
    r[0] = 0xAF;
    r[13] = status;
    for (size_t i = 0; i < results.size(); ++i)
        r[16 + i] = results[i];
    uint16_t sum = 0;
    for (int i = 0; i < 48; ++i)
        sum = static_cast<uint16_t>(sum + r[i]);
    PutU16(r.data() + 48, sum);
    r[51] = 0x5F;
    return r;
}

} // namespace

TEST(CardPackets, ClearCardForId1IsTheKnown52Bytes)
{
    TSGNUnit u;
    CardCommands::BuildBare(u, CardCommands::ClearCard, 1);
    std::vector<uint8_t> expected = {0xA0, 0x34, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00,
                                     0x00, 0x00, 0x00, 0x00, 0x00, 0x06, 0x06, 0x05};
    expected.insert(expected.end(), 32, 0x00);
    expected.insert(expected.end(), {0xE6, 0x00, 0x00, 0x50});
    EXPECT_EQ(Bytes(u), expected);
}

TEST(CardPackets, ReadVersionHeaderAndChecksum)
{
    TGetHWVersion u;
    u.Address = 1;
    u.BuildPacket();
    ASSERT_EQ(u.PacketLength(), 52);
    EXPECT_EQ(Slice(u, 13, 3), (std::vector<uint8_t>{53, 53, 52}));
    EXPECT_EQ(Slice(u, 48, 4), (std::vector<uint8_t>{0x73, 0x01, 0x00, 0x50}));
    EXPECT_EQ(u.GetName(), QStringLiteral("TGetHWVersion"));
    EXPECT_EQ(u.KindCode, 0x0002);
}

TEST(CardPackets, FullDataPacketIs1076BytesAndItsChecksumWraps)
{
    TSGNUnit u;
    u.Command = 3;
    u.DataCount = 1024;
    u.Data.fill(0xFF); // 1024 x 255 alone overflows 16 bits
    u.BuildPacket();
    u.CopyDataToPacket();
    u.SealPacket();
    ASSERT_EQ(u.PacketLength(), 1076);
    EXPECT_EQ(GetU16(u.SendBuffer.data() + 1), 1076);
    uint32_t sum = 0;
    for (int i = 0; i < 1072; ++i)
        sum += u.SendBuffer[i];
    EXPECT_GT(sum, 0xFFFFu);
    EXPECT_EQ(GetU16(u.SendBuffer.data() + 1072), sum & 0xFFFF);
    EXPECT_EQ(u.SendBuffer[1074], 0x00);
    EXPECT_EQ(u.SendBuffer[1075], 0x50);
}

TEST(CardPackets, ReplyCheck)
{
    TSGNUnit u;
    auto good = Reply({1, 2, 3});
    EXPECT_TRUE(u.ParseReply(good.data()));
    auto badEnd = good;
    badEnd[51] = 0x5E; // checksum still matches
    EXPECT_FALSE(u.ParseReply(badEnd.data()));
    auto badSum = good;
    badSum[48] ^= 1;
    EXPECT_FALSE(u.ParseReply(badSum.data()));
    auto badStart = good;
    badStart[0] = 0xAE;
    EXPECT_FALSE(u.ParseReply(badStart.data()));
}

TEST(CardPackets, Bcd)
{
    EXPECT_EQ(ToBcd(7), 0x07);
    EXPECT_EQ(ToBcd(45), 0x45);
    EXPECT_EQ(ToBcd(123), 0x23);
    EXPECT_EQ(FromBcd(0x23), 23);
    EXPECT_EQ(FromBcd(0x59), 59);
}

TEST(CardPackets, VersionText)
{
    struct Case
    {
        std::vector<uint8_t> bytes;
        const char* text;
    } cases[] = {
        {{0x12, 0x01, 0x0A, 0x00}, "KIVO-12 V1 .A .0"},
        {{0x05, 0x10, 0x00, 0x03}, "KIVO-05 V10 .0 .3"},
        {{0xAB, 0xFF, 0xC0, 0x0D}, "KIVO-AB VFF .C0 .D"},
    };
    for (const Case& c : cases) {
        TGetHWVersion u;
        auto r = Reply(c.bytes);
        ASSERT_TRUE(u.ParseReply(r.data()));
        EXPECT_EQ(u.VersionText, QString::fromLatin1(c.text));
    }
    TGetHWVersion u;
    auto r = Reply({0x12});
    r[49] ^= 1;
    EXPECT_FALSE(u.ParseReply(r.data()));
    EXPECT_TRUE(u.VersionText.isEmpty());
}

TEST(CardPackets, HardwareParamReply)
{
    TGetHWParam u;
    // 16..28 block bytes 0..12, then junk at 29..31 the card does not define.
    auto r = Reply({16, 4, 2, 1, 1, 0xF3, 0x85, 5, 9, 3, 2, 7, 11, 0xEE, 0xEE, 0xEE});
    ASSERT_TRUE(u.ParseReply(r.data()));
    const std::array<uint8_t, 16> expected = {16, 4, 2, 1, 1,  0xF3, 0x85, 1,
                                              9,  3, 2, 7, 11, 0,    0,    0};
    EXPECT_EQ(u.Params, expected);

    // Erased-memory values of the polarity and scan mode read as 0; other
    // 0xFF bytes are kept.
    TGetHWParam erased;
    auto e = Reply({8, 8, 1, 0xFF, 0xFF, 0, 0xFF});
    ASSERT_TRUE(erased.ParseReply(e.data()));
    EXPECT_EQ(erased.Params[3], 0);
    EXPECT_EQ(erased.Params[4], 0xFF);
    EXPECT_EQ(erased.Params[6], 0);
}

TEST(CardPackets, WriteHardwareParamsRequestForTheDefaultBlock)
{
    TSetHWParam u;
    u.Address = 1;
    u.Params = {8, 8, 1};
    u.BuildPacket();
    std::vector<uint8_t> expected = {8, 8, 1};
    expected.insert(expected.end(), 13, 0);
    EXPECT_EQ(Slice(u, 16, 16), expected);
    EXPECT_EQ(Slice(u, 13, 3), (std::vector<uint8_t>{0x23, 0x23, 0x22}));
    EXPECT_EQ(Slice(u, 32, 16), std::vector<uint8_t>(16, 0));
    EXPECT_TRUE(TSGNUnit().ParseReply(u.SendBuffer.data()) == false); // a request is no reply
}

TEST(CardPackets, RefusedParameterBlockIsNotifiedOnce)
{
    std::vector<QString> shown;
    UiHooks::SetNotifier([&](const QString& m) { shown.push_back(m); });
    TSetHWParam u;
    auto refused = Reply({}, 4);
    EXPECT_FALSE(u.ParseReply(refused.data()));
    auto accepted = Reply({}, 0);
    EXPECT_TRUE(u.ParseReply(accepted.data()));
    UiHooks::SetNotifier(nullptr);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], QStringLiteral("Send msg fail。error code (0x04)"));
}

TEST(CardPackets, SetClockOnAFriday)
{
    TSGNUnit u;
    CardCommands::BuildSetClock(u, 1, QDateTime(QDate(2024, 3, 15), QTime(14, 7, 9)));
    EXPECT_EQ(Slice(u, 13, 3), (std::vector<uint8_t>{33, 33, 32}));
    EXPECT_EQ(Slice(u, 16, 8),
              (std::vector<uint8_t>{0x24, 0x03, 0x15, 0x14, 0x07, 0x09, 0x05, 0x01}));
    TSGNUnit sunday;
    CardCommands::BuildSetClock(sunday, 1, QDateTime(QDate(2000, 1, 2), QTime(0, 0, 0)));
    EXPECT_EQ(Slice(sunday, 16, 8), (std::vector<uint8_t>{0x00, 0x01, 0x02, 0, 0, 0, 0x07, 1}));
}

TEST(CardPackets, ShortCommandParameters)
{
    TSGNUnit sleep;
    CardCommands::BuildWriteSleepSchedule(sleep, 1, 1, 7, 30, 22, 0);
    EXPECT_EQ(Slice(sleep, 13, 8), (std::vector<uint8_t>{38, 38, 37, 0x01, 0x07, 0x30, 0x22, 0}));

    TSGNUnit id;
    CardCommands::BuildSetPanelId(id, 3, 0x1234);
    EXPECT_EQ(GetU16(id.SendBuffer.data() + 3), 3);
    EXPECT_EQ(Slice(id, 13, 5), (std::vector<uint8_t>{37, 37, 36, 0x34, 0x12}));

    TSGNUnit stop; // a rich text of 4 pages at start page 1
    CardCommands::BuildStopInsert(stop, 1, 1, 1 + 4);
    EXPECT_EQ(Slice(stop, 13, 5), (std::vector<uint8_t>{5, 5, 4, 0x01, 0x05}));

    TSGNUnit bright;
    CardCommands::BuildSetBrightness(bright, 1, 12);
    EXPECT_EQ(Slice(bright, 13, 4), (std::vector<uint8_t>{16, 16, 15, 12}));

    TSGNUnit end;
    CardCommands::BuildProgramBoundary(end, 2, 1);
    std::vector<uint8_t> expected = {0xA0, 0x34, 0x00, 0x02, 0,    0,    0,    0,   0,
                                     0,    0,    0,    0,    0x19, 0x19, 0x18, 0x01};
    expected.insert(expected.end(), 31, 0);
    expected.insert(expected.end(), {0x21, 0x01, 0x00, 0x50});
    EXPECT_EQ(Bytes(end), expected);
}

TEST(CardPackets, SleepAndBrightnessReplies)
{
    auto r = Reply({0x00, 0x01, 0x06, 0x45, 0x23, 0x15});
    const auto s = CardCommands::DecodeSleepSchedule(r.data());
    EXPECT_EQ(s.Mode, 1);
    EXPECT_EQ(s.WakeHour, 6);
    EXPECT_EQ(s.WakeMinute, 45);
    EXPECT_EQ(s.SleepHour, 23);
    EXPECT_EQ(s.SleepMinute, 15);

    auto b = Reply({0xA7, 1, 2});
    const auto bytes = CardCommands::DecodeBrightness(b.data());
    EXPECT_EQ(bytes[0] & 0x0F, 7);
    EXPECT_EQ(bytes[2], 2);
}

TEST(CardPackets, ZoneLayoutRequest)
{
    TSGNPartition two;
    two.AddZone(0, 0, 64, 32);
    two.AddZone(0, 32, 64, 64);
    TSGNUnit u;
    CardCommands::BuildWriteZoneLayout(u, 1, two);
    std::vector<uint8_t> expected = {1, 0, 0, 8, 4, 0, 0, 0, 1, 0, 4, 8, 4, 0, 0, 0};
    expected.insert(expected.end(), 16, 0);
    EXPECT_EQ(Slice(u, 16, 32), expected);
    EXPECT_EQ(Slice(u, 13, 3), (std::vector<uint8_t>{41, 41, 40}));

    TSGNPartition five;
    for (int i = 0; i < 5; ++i)
        five.AddZone(i * 8, 0, i * 8 + 8, 8);
    CardCommands::BuildWriteZoneLayout(u, 1, five);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(u.SendBuffer[16 + 8 * k], 1);
        EXPECT_EQ(u.SendBuffer[17 + 8 * k], k);
    }
    EXPECT_EQ(u.PacketLength(), 52); // no room for, and no trace of, the fifth
}

TEST(CardPackets, ExportRecordIsPaddedTo2048)
{
    TSGNUnit u;
    CardCommands::BuildBare(u, CardCommands::ClearCard, 1);
    QBuffer file;
    file.open(QIODevice::WriteOnly);
    ASSERT_TRUE(ExportRecord::Append(file, u));
    const QByteArray& bytes = file.data();
    ASSERT_EQ(bytes.size(), 2048);
    EXPECT_EQ(bytes.left(52), QByteArray(reinterpret_cast<const char*>(u.SendBuffer.data()), 52));
    EXPECT_EQ(bytes.mid(52), QByteArray(2048 - 52, '\0'));
    QBuffer closed; // not open: nothing can be written
    EXPECT_FALSE(ExportRecord::Append(closed, u));

    // A unit whose data count is out of range is no packet: nothing of it
    // (and nothing beyond its buffers) goes into the file.
    for (int count : {-1, TSGNUnit::MaxData + 1, 4000}) {
        TSGNUnit bad;
        CardCommands::BuildBare(bad, CardCommands::ClearCard, 1);
        bad.DataCount = count;
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        EXPECT_FALSE(ExportRecord::Append(out, bad)) << count;
        EXPECT_TRUE(out.data().isEmpty()) << count;
    }
}

namespace {
struct ZoneCase
{
    const char* name;
    std::vector<std::array<uint8_t, 4>> entries; // x, y, w, h in units of 8
    uint8_t previous;
    uint8_t layout;
};

std::array<uint8_t, 32> Table(const std::vector<std::array<uint8_t, 4>>& entries)
{
    std::array<uint8_t, 32> t{};
    for (size_t k = 0; k < entries.size(); ++k) {
        t[8 * k] = 1;
        for (int i = 0; i < 4; ++i)
            t[8 * k + 1 + i] = entries[k][i];
    }
    return t;
}
} // namespace

TEST(ZoneLayoutRead, Classification)
{
    const ZoneCase cases[] = {
        {"side by side", {{0, 0, 8, 4}, {8, 0, 8, 4}}, 7, 1},
        {"one above the other", {{0, 0, 16, 2}, {0, 2, 16, 2}}, 7, 2},
        {"two neither way keep the previous", {{0, 0, 8, 2}, {8, 2, 8, 2}}, 7, 7},
        {"three in a row", {{0, 0, 4, 4}, {4, 0, 4, 4}, {8, 0, 4, 4}}, 0, 3},
        {"three stacked", {{0, 0, 8, 1}, {0, 1, 8, 1}, {0, 2, 8, 1}}, 0, 4},
        {"tops 0 0 16, lefts 0 64 0", {{0, 0, 8, 2}, {8, 0, 8, 2}, {0, 2, 16, 2}}, 0, 5},
        {"tops 0 16 16, lefts 0 0 64", {{0, 0, 16, 2}, {0, 2, 8, 2}, {8, 2, 8, 2}}, 0, 6},
        {"left of 0 and 1 shared", {{0, 0, 4, 2}, {0, 2, 4, 2}, {4, 1, 4, 2}}, 0, 7},
        {"left of 1 and 2 shared", {{0, 0, 4, 4}, {4, 1, 4, 1}, {4, 3, 4, 1}}, 0, 8},
        {"three matching nothing", {{0, 0, 4, 1}, {4, 1, 4, 1}, {8, 2, 4, 1}}, 0, 9},
        {"four zones", {{0, 0, 4, 2}, {4, 0, 4, 2}, {0, 2, 4, 2}, {4, 2, 4, 2}}, 0, 9},
    };
    for (const ZoneCase& c : cases) {
        TSGNPartition zones;
        zones.LayoutType = c.previous;
        const auto table = Table(c.entries);
        EXPECT_TRUE(ZoneLayout::DecodeEntries(table.data(), 128, 32, zones)) << c.name;
        EXPECT_EQ(zones.LayoutType, c.layout) << c.name;
        ASSERT_EQ(zones.ZoneCount(), static_cast<int>(c.entries.size())) << c.name;
        const TZoneRect z = *zones.Zone(1);
        EXPECT_EQ(z.Left, c.entries[1][0] * 8) << c.name;
        EXPECT_EQ(z.Bottom, (c.entries[1][1] + c.entries[1][3]) * 8) << c.name;
    }
}

TEST(ZoneLayoutRead, AtMostOneZoneBecomesTheWholePanel)
{
    const TZoneRect whole{0, 0, 128, 32};
    {
        TSGNPartition zones;
        zones.LayoutType = 4;
        const auto table = Table({{0, 0, 4, 4}});
        EXPECT_TRUE(ZoneLayout::DecodeEntries(table.data(), 128, 32, zones));
        ASSERT_EQ(zones.ZoneCount(), 1);
        EXPECT_EQ(*zones.Zone(0), whole);
        EXPECT_EQ(zones.LayoutType, 0);
    }
    {
        TSGNPartition zones;
        std::array<uint8_t, 32> table;
        table.fill(0xFF);
        EXPECT_FALSE(ZoneLayout::DecodeEntries(table.data(), 128, 32, zones));
        ASSERT_EQ(zones.ZoneCount(), 1);
        EXPECT_EQ(*zones.Zone(0), whole);
        EXPECT_EQ(zones.LayoutType, 0);
    }
    {
        // An absent first entry ends the list even when later ones are set.
        TSGNPartition zones;
        auto table = Table({{0, 0, 8, 4}, {8, 0, 8, 4}});
        table[0] = 0;
        EXPECT_TRUE(ZoneLayout::DecodeEntries(table.data(), 128, 32, zones));
        ASSERT_EQ(zones.ZoneCount(), 1);
        EXPECT_EQ(*zones.Zone(0), whole);
    }
}
