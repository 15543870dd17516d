// The panel's card operations over the real serial engine and a real
// pseudo-terminal, against the virtual control card: the bytes the card
// receives, what the panel keeps, and the outcome of every line fault.
#include "items/SGNText.h"
#include "model/SGNPanel.h"
#include "model/SGNPanels.h"
#include "serial/ConnectPanel.h"
#include "serial/PortList.h"
#include "serial/UiHooks.h"
#include "support/CardPorts.h"
#include "vcard/VirtualCard.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace {

class CardExchange : public ::testing::Test
{
protected:
    void SetUp() override { StartCard({}, {}); }

    void StartCard(VirtualCardOptions options, VirtualCardState state)
    {
        if (panel)
            panel->CloseLink();
        card = std::make_unique<VirtualCard>(options, state);
        ASSERT_TRUE(card->Start()) << card->Error();
        if (!panel)
            panel = project.AddPanel();
        project.PortNumber = PortList::RegisterDevice(DevicePathOf(*card));
        ASSERT_GT(project.PortNumber, 0);
    }
    void TearDown() override
    {
        panel->CloseLink();
        card->Stop();
    }

    std::vector<int> Commands() const { return RequestedCommands(*card); }

    TSGNPanels project;
    TSGNPanel* panel = nullptr;
    std::unique_ptr<VirtualCard> card;
};

} // namespace

TEST_F(CardExchange, ClearCardSendsTheKnownBytes)
{
    ASSERT_TRUE(panel->OpenLink());
    ASSERT_EQ(panel->Id, 1);
    EXPECT_TRUE(panel->ClearCard());
    const auto requests = card->Requests();
    ASSERT_EQ(requests.size(), 1u);
    std::vector<uint8_t> expected = {0xA0, 0x34, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00,
                                     0x00, 0x00, 0x00, 0x00, 0x00, 0x06, 0x06, 0x05};
    expected.insert(expected.end(), 32, 0x00);
    expected.insert(expected.end(), {0xE6, 0x00, 0x00, 0x50});
    EXPECT_EQ(requests[0].Frame, expected);
    EXPECT_EQ(card->State().Clears, 1);
}

TEST_F(CardExchange, ConnectReadsWhatWasAskedFor)
{
    ASSERT_TRUE(ConnectPanel(panel, false));
    EXPECT_EQ(Commands(), (std::vector<int>{53}));
    EXPECT_EQ(panel->VersionText, QStringLiteral("KIVO-12 V1 .A .0"));
    EXPECT_EQ(panel->Width(), 64); // the block was not read
    EXPECT_TRUE(panel->Link->IsOpen());

    card->ClearRequests();
    ASSERT_TRUE(ConnectPanel(panel, true));
    EXPECT_EQ(Commands(), (std::vector<int>{53, 36, 42}));
    EXPECT_EQ(panel->Width(), 128);
    EXPECT_EQ(panel->Height(), 32);
    EXPECT_TRUE(panel->ZonesConfigured);
    ASSERT_EQ(panel->Zones.ZoneCount(), 1);
    EXPECT_EQ(*panel->Zones.Zone(0), (TZoneRect{0, 0, 128, 32}));
}

TEST_F(CardExchange, FailedConnectClosesTheLink)
{
    VirtualCardOptions silent;
    silent.Silent = true;
    StartCard(silent, {});
    const QString before = panel->VersionText;
    EXPECT_FALSE(ConnectPanel(panel, true));
    EXPECT_FALSE(panel->Link->IsOpen());
    EXPECT_EQ(panel->VersionText, before);
    EXPECT_EQ(Commands(), (std::vector<int>{53, 53})); // two attempts, nothing after

    // A port that does not exist fails without sending anything.
    project.PortNumber = 1024;
    card->ClearRequests();
    EXPECT_FALSE(ConnectPanel(panel, false));
    EXPECT_TRUE(card->Requests().empty());
}

TEST_F(CardExchange, ReplyBehindStrayBytesIsAccepted)
{
    VirtualCardOptions o;
    o.StrayBytes = 3;
    StartCard(o, {});
    ASSERT_TRUE(panel->OpenLink());
    EXPECT_TRUE(panel->ReadVersion());
    EXPECT_EQ(panel->VersionText, QStringLiteral("KIVO-12 V1 .A .0"));
    EXPECT_EQ(card->Requests().size(), 1u); // no retry was needed
    // The next exchange starts clean.
    EXPECT_TRUE(panel->ReadHardwareParams());
    EXPECT_EQ(panel->HardwareParams[0], 16);
}

TEST_F(CardExchange, EveryLineFaultEndsInItsOutcome)
{
    using Outcome = TSGNPanel::TransactOutcome;
    struct Case
    {
        const char* name;
        VirtualCardOptions options;
        bool ok;
        Outcome outcome;
        size_t requests;
    };
    auto with = [](auto set) {
        VirtualCardOptions o;
        set(o);
        return o;
    };
    const Case cases[] = {
        {"clean line", {}, true, Outcome::Acknowledged, 1},
        {"silent card", with([](auto& o) { o.Silent = true; }), false, Outcome::NoReply, 2},
        {"first reply dropped", with([](auto& o) { o.DropReply = 1; }), true, Outcome::Acknowledged,
         2},
        {"every reply dropped", with([](auto& o) { o.DropReply = VirtualCardOptions::All; }), false,
         Outcome::NoReply, 2},
        {"first checksum bad", with([](auto& o) { o.BadChecksum = 1; }), true,
         Outcome::Acknowledged, 2},
        {"every checksum bad", with([](auto& o) { o.BadChecksum = VirtualCardOptions::All; }),
         false, Outcome::BadChecksum, 2},
        {"foreign line", with([](auto& o) { o.ForeignReplies = true; }), false, Outcome::Foreign,
         1},
        {"slow card within the budget", with([](auto& o) { o.ReplyDelayMs = 300; }), true,
         Outcome::Acknowledged, 1},
        {"stray bytes and a bad checksum", with([](auto& o) {
             o.StrayBytes = 5;
             o.BadChecksum = 1;
         }),
         true, Outcome::Acknowledged, 2},
        {"hang-up", with([](auto& o) { o.HangUpAfter = 1; }), false, Outcome::NoReply, 1},
    };
    for (const Case& c : cases) {
        StartCard(c.options, {});
        ASSERT_TRUE(panel->OpenLink()) << c.name;
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(panel->ReadVersion(), c.ok) << c.name;
        EXPECT_LT(clock.elapsed(), 3000) << c.name;
        EXPECT_EQ(panel->LastTransactOutcome, c.outcome) << c.name;
        EXPECT_EQ(card->Requests().size(), c.requests) << c.name;
        if (c.options.HangUpAfter > 0) {
            // The line is gone: the next exchange fails as well, just as quickly.
            EXPECT_FALSE(panel->ReadVersion());
            EXPECT_LT(clock.elapsed(), 6000);
        }
        panel->CloseLink();
    }
}

TEST_F(CardExchange, RefusedParameterBlockIsReportedOnceAndFails)
{
    std::vector<QString> shown;
    UiHooks::SetNotifier([&](const QString& m) { shown.push_back(m); });
    VirtualCardOptions o;
    o.RefuseParams = true;
    StartCard(o, {});
    ASSERT_TRUE(panel->OpenLink());
    panel->HardwareParams[2] = 3;
    EXPECT_FALSE(panel->WriteHardwareParams());
    EXPECT_EQ(panel->LastTransactOutcome, TSGNPanel::TransactOutcome::Rejected);
    EXPECT_EQ(card->Requests().size(), 1u);
    EXPECT_EQ(card->State().HardwareParams[2], 1);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], QStringLiteral("Send msg fail。error code (0x04)"));

    o.RefuseParams = false;
    card->SetOptions(o);
    EXPECT_TRUE(panel->WriteHardwareParams());
    EXPECT_EQ(card->State().HardwareParams[2], 3);
    EXPECT_EQ(shown.size(), 1u);
    UiHooks::SetNotifier(nullptr);
}

TEST_F(CardExchange, CardWithoutZoneTable)
{
    VirtualCardState s;
    s.HasZoneTable = false;
    StartCard({}, s);
    panel->Zones.Clear();
    panel->Zones.AddZone(0, 0, 32, 64);
    panel->Zones.AddZone(32, 0, 64, 64);
    panel->Zones.LayoutType = 1;
    ASSERT_TRUE(ConnectPanel(panel, true));
    EXPECT_FALSE(panel->ZonesConfigured);
    ASSERT_EQ(panel->Zones.ZoneCount(), 1);
    EXPECT_EQ(*panel->Zones.Zone(0), (TZoneRect{0, 0, 128, 32}));
    EXPECT_EQ(panel->Zones.LayoutType, 0);
}

TEST_F(CardExchange, SettingsRoundTrip)
{
    ASSERT_TRUE(panel->OpenLink());

    panel->HardwareParams = {16, 4, 1};
    panel->Zones.Clear();
    panel->Zones.AddZone(0, 0, 64, 32);
    panel->Zones.AddZone(64, 0, 128, 32);
    ASSERT_TRUE(panel->WriteZoneLayout());
    panel->Zones.Clear();
    panel->Zones.AddZone(0, 0, 8, 8);
    ASSERT_TRUE(panel->ReadZoneLayout());
    ASSERT_EQ(panel->Zones.ZoneCount(), 2);
    EXPECT_EQ(*panel->Zones.Zone(1), (TZoneRect{64, 0, 128, 32}));
    EXPECT_EQ(panel->Zones.LayoutType, 1);

    ASSERT_TRUE(panel->WriteSleepSchedule(1, 6, 45, 23, 15));
    uint8_t status = 9, mode = 9;
    int wh = 0, wm = 0, sh = 0, sm = 0;
    ASSERT_TRUE(panel->ReadSleepSchedule(status, mode, wh, wm, sh, sm));
    EXPECT_EQ(mode, 1);
    EXPECT_EQ((std::vector<int>{wh, wm, sh, sm}), (std::vector<int>{6, 45, 23, 15}));

    ASSERT_TRUE(panel->SetBrightness(11));
    std::array<uint8_t, 32> bright{};
    ASSERT_TRUE(panel->ReadBrightness(bright));
    EXPECT_EQ(bright[0] & 0x0F, 11);

    const QDateTime before = QDateTime::currentDateTime();
    ASSERT_TRUE(panel->SetClock());
    const auto clock = card->State().Clock;
    EXPECT_EQ(clock[0], before.date().year() % 100);
    EXPECT_EQ(clock[6], before.date().dayOfWeek());

    ASSERT_TRUE(panel->SetPanelId(7));
    EXPECT_EQ(card->State().Id, 7);
    EXPECT_EQ(panel->Id, 1);

    TSGNSendMsg* item = panel->Items.AddItem(KindCodes::Text);
    ASSERT_NE(item, nullptr);
    item->StartPage = 3;
    ASSERT_TRUE(panel->StopInsert(*item));
    EXPECT_EQ(card->State().LastStopInsertFirst, 3);
    EXPECT_EQ(card->State().LastStopInsertEnd, 4);
}

TEST_F(CardExchange, FailedReadsChangeNothing)
{
    ASSERT_TRUE(ConnectPanel(panel, true));
    VirtualCardOptions silent;
    silent.Silent = true;
    card->SetOptions(silent);
    const auto params = panel->HardwareParams;
    const int zones = panel->Zones.ZoneCount();
    const QString version = panel->VersionText;
    EXPECT_FALSE(panel->ReadHardwareParams());
    EXPECT_FALSE(panel->ReadZoneLayout());
    EXPECT_FALSE(panel->ReadVersion());
    std::array<uint8_t, 32> bright{};
    bright[0] = 0x42;
    EXPECT_FALSE(panel->ReadBrightness(bright));
    EXPECT_EQ(bright[0], 0x42);
    EXPECT_EQ(panel->HardwareParams, params);
    EXPECT_EQ(panel->Zones.ZoneCount(), zones);
    EXPECT_EQ(panel->VersionText, version);
}

TEST_F(CardExchange, FullPacketAtTheLineRateFitsTheReplyBudget)
{
    VirtualCardOptions paced;
    paced.LineBaud = 57600; // 1076 bytes take 187 ms to arrive
    StartCard(paced, {});
    ASSERT_TRUE(panel->OpenLink());
    TSGNUnit unit;
    unit.Command = 3;
    unit.Address = panel->Id;
    unit.DataCount = TSGNUnit::MaxData;
    unit.Data.fill(0x5A);
    unit.BuildPacket();
    unit.CopyDataToPacket();
    unit.SealPacket();
    uint8_t reply[128] = {};
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(panel->Transact(unit, reply, 1));
    EXPECT_GE(clock.elapsed(), 195); // request and reply bytes at 5760 bytes a second
    const auto requests = card->Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Length, 1076);
    EXPECT_EQ(card->State().MessagePackets, 1);
}

TEST_F(CardExchange, WritesToTheExportFileInsteadOfTheCard)
{
    QBuffer file;
    file.open(QIODevice::WriteOnly);
    EXPECT_TRUE(panel->WriteHardwareParams(true, &file));
    EXPECT_TRUE(panel->WriteZoneLayout(true, &file));
    EXPECT_FALSE(panel->WriteZoneLayout(true, nullptr));
    const QByteArray bytes = file.data();
    ASSERT_EQ(bytes.size(), 4096);
    EXPECT_EQ(bytes.mid(13, 3), QByteArray("\x23\x23\x22", 3));
    EXPECT_EQ(bytes.mid(16, 3), QByteArray("\x08\x08\x01", 3));
    EXPECT_EQ(bytes.mid(2048 + 13, 3), QByteArray("\x29\x29\x28", 3));
    EXPECT_EQ(bytes.mid(2048 + 16, 5), QByteArray("\x01\x00\x00\x08\x08", 5));
    EXPECT_EQ(bytes.mid(2048 + 52), QByteArray(2048 - 52, '\0'));
    EXPECT_TRUE(card->Requests().empty());
}

// A line that died under an open link (a card or adapter unplugged in the
// middle of a connect) is not kept: the next connect opens the port afresh
// and reaches the card that answers there now.
TEST_F(CardExchange, ConnectAfterAHangUpReachesTheCardOnThePortAgain)
{
    VirtualCardOptions dying;
    dying.HangUpAfter = 2; // answers the version, hangs up on the parameter read
    VirtualCard first(dying);
    ASSERT_TRUE(first.Start());
    {
        ListedPorts listed(PortEntry(3, first));
        project.PortNumber = 3;
        EXPECT_FALSE(ConnectPanel(panel, true));
        EXPECT_TRUE(first.HungUp());
    }
    VirtualCard second;
    ASSERT_TRUE(second.Start());
    ListedPorts listed(PortEntry(3, second));
    EXPECT_TRUE(ConnectPanel(panel, true));
    EXPECT_EQ(RequestedCommands(second), (std::vector<int>{53, 36, 42}));
    panel->CloseLink();
}
