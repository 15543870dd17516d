// The send-all loop end to end: the real serial engine on a pseudo-terminal
// against the virtual control card, which keeps the program it receives.
#include "authoring/RTFDecodeUnit.h"
#include "items/SGNConter.h"
#include "items/SGNImage.h"
#include "items/SGNRtf.h"
#include "items/SGNTemperature.h"
#include "items/SGNText.h"
#include "items/SGNTimer.h"
#include "model/DayNumber.h"
#include "model/SGNPanel.h"
#include "model/SGNPanels.h"
#include "protocol/ProgramSend.h"
#include "protocol/SendProgress.h"
#include "serial/ConnectPanel.h"
#include "serial/PortList.h"
#include "support/CardPorts.h"
#include "vcard/VirtualCard.h"

#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> Codes(std::initializer_list<int> b)
{
    return std::vector<uint8_t>(b.begin(), b.end());
}

class SendAll : public ::testing::Test
{
protected:
    void StartCard(VirtualCardOptions options = {})
    {
        VirtualCardState state;
        state.HardwareParams = {16, 4, 3}; // 128 x 32, three colours
        state.ZoneTable = {1, 0, 0, 16, 4};
        card = std::make_unique<VirtualCard>(options, state);
        ASSERT_TRUE(card->Start()) << card->Error();
        panel = project.AddPanel();
        panel->Id = 1;
        project.PortNumber = PortList::RegisterDevice(DevicePathOf(*card));
        ASSERT_GT(project.PortNumber, 0);
        hooks.Connect = [](TSGNPanel& p) { return ConnectPanel(&p, true); };
        hooks.Progress = [this](int value) { progress.push_back(value); };
        hooks.HideProgress = [this] { ++hidden; };
    }
    void TearDown() override
    {
        if (panel)
            panel->CloseLink();
    }

    TSGNPanels project;
    TSGNPanel* panel = nullptr;
    std::unique_ptr<VirtualCard> card;
    ProgramSend::SendHooks hooks;
    std::vector<int> progress;
    int hidden = 0;
};

} // namespace

TEST_F(SendAll, EverySendableKindReachesTheCard)
{
    StartCard();
    auto* text = static_cast<TSGNText*>(panel->Items.AddItem(KindCodes::Text));
    text->Lines = QStringList{QStringLiteral("Hi")};
    auto* picture = static_cast<TSGNImage*>(panel->Items.AddItem(KindCodes::Image));
    // The connection reads the card's 128 x 32 three-colour block first; the
    // picture is made for it here: 1536 bytes, two blocks.
    std::array<uint8_t, 16> hw{16, 4, 3};
    picture->BlankPicture(hw, TZoneRect{0, 0, 128, 32});
    picture->ImageData[0] = static_cast<char>(0xC0);
    picture->ImageData[1535] = 0x01;
    panel->Items.AddItem(KindCodes::Timer);
    panel->Items.AddItem(KindCodes::Temperature);
    auto* countdown = static_cast<TSGNConter*>(panel->Items.AddItem(KindCodes::Counter));
    countdown->TargetDate = DayNumber::FromDate(QDate(2031, 12, 25));
    // The default rich text ("Welcome"), rendered before it is sent.
    panel->Items.AddItem(KindCodes::Rtf);
    TRTFDecodeUnit renderer;
    int rendered = 0;
    hooks.Render = [&](TSGNRtf& item, TSGNPanel& p) {
        ++rendered;
        TRTFDecodeUnit::RenderItem(item, p, renderer);
    };

    int posted = 0;
    auto previous = SendProgress::SetListener([&posted] { ++posted; });
    EXPECT_EQ(ProgramSend::SendAllItems(panel, hooks), ProgramSend::SendOutcome::Success);
    SendProgress::SetListener(previous);
    EXPECT_EQ(posted, 0) << "the loop listens itself while it runs";
    EXPECT_EQ(panel->Link->IsOpen(), false);

    EXPECT_EQ(rendered, 1);
    auto* rtf = static_cast<TSGNRtf*>(panel->Items.Items(5));
    ASSERT_FALSE(rtf->Pages.empty());
    const int rtfPages = static_cast<int>(rtf->Pages.size());
    // One packet per page for the live items and the text, two for the
    // picture, one per rich-text page (128 x 32 x 3 planes = 1536 bytes: two
    // blocks each). The step comes from pages, the count from packets.
    const int step = 100 / (5 + rtfPages);
    ASSERT_EQ(progress.size(), 1u + 6 + 2 * rtfPages + 1);
    EXPECT_EQ(progress.front(), 0);
    EXPECT_EQ(progress[6], 6 * step);
    EXPECT_EQ(progress.back(), 100);
    EXPECT_EQ(hidden, 1);

    const VirtualProgram program = card->Program();
    EXPECT_EQ(program.Begins, 1);
    EXPECT_EQ(program.Ends, 1);
    EXPECT_TRUE(program.Complete);
    ASSERT_EQ(program.Pages.size(), 5u + rtfPages);
    for (int d = 0; d < rtfPages; ++d) {
        const VirtualPage& page = program.Pages.at(6 + d);
        EXPECT_EQ(page.Params[25], 1);
        EXPECT_EQ(page.Blocks, 2);
        EXPECT_EQ(page.Params[26], d);
        EXPECT_EQ(
            QByteArray(reinterpret_cast<const char*>(page.Data.data()), int(page.Data.size())),
            rtf->Pages[d]);
    }
    EXPECT_EQ(program.Pages.at(1).Data, Codes({'H', 0, 'i', 0}));
    const VirtualPage& pic = program.Pages.at(2);
    EXPECT_EQ(pic.Blocks, 2);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(pic.Data.data()), int(pic.Data.size())),
              picture->ImageData);
    EXPECT_EQ(pic.Params[25], 2);
    EXPECT_EQ(program.Pages.at(3).Params[25], 5);
    EXPECT_EQ(program.Pages.at(3).Data.size(), 38u);
    EXPECT_EQ(program.Pages.at(4).Params[25], 4);
    EXPECT_EQ(program.Pages.at(4).Data.size(), 54u);
    const VirtualPage& cd = program.Pages.at(5);
    EXPECT_EQ(cd.Params[25], 6);
    EXPECT_EQ(cd.Params[11], 31);
    EXPECT_EQ(cd.Params[15], 12);
    EXPECT_EQ(cd.Params[19], 25);
    EXPECT_EQ(cd.Data.size(), 50u);
    for (const auto& entry : program.Pages)
        EXPECT_EQ(entry.second.Params[30], 1) << "zone 0 is sent as zone 1";
}

TEST_F(SendAll, PassingPage80EndsWithPlayOver)
{
    StartCard();
    // 81 one-page items: the 80th starts at page 80 and is still sent; the
    // next start page is 81, so the 81st is not.
    for (int i = 0; i < 81; ++i)
        panel->Items.AddItem(KindCodes::Text);
    ProgramSend::ProgramReport report;
    EXPECT_EQ(ProgramSend::SendAllItems(panel, hooks, &report), ProgramSend::SendOutcome::PlayOver);
    EXPECT_EQ(report.ItemsSent, 80);
    EXPECT_EQ(report.NextPage, 81);
    EXPECT_EQ(report.FailedItem, -1);
    EXPECT_EQ(ProgramSend::OutcomeText(ProgramSend::SendOutcome::PlayOver),
              QStringLiteral("Play Over."));
    const VirtualProgram program = card->Program();
    EXPECT_EQ(program.Pages.size(), 80u);
    EXPECT_EQ(program.Pages.count(80), 1u);
    EXPECT_TRUE(program.Complete) << "the program end is sent first";
    // Step 100 / 81 = 1 per packet; the bar is not set to 100.
    EXPECT_EQ(progress.back(), 80);
}

TEST_F(SendAll, FailuresReportTimeout)
{
    VirtualCardOptions silent;
    silent.Silent = true;
    StartCard(silent);
    panel->Items.AddItem(KindCodes::Text);
    EXPECT_EQ(ProgramSend::SendAllItems(panel, hooks), ProgramSend::SendOutcome::Timeout);
    EXPECT_EQ(ProgramSend::OutcomeText(ProgramSend::SendOutcome::Timeout),
              QStringLiteral("Timeout."));
    EXPECT_EQ(hidden, 1);
    EXPECT_TRUE(progress.empty());
}

TEST_F(SendAll, LostCardMidProgramStillTriesTheEnd)
{
    // Connection (version, parameters, zones) and the program begin are
    // acknowledged; the card hangs up on the picture's second block (request 7).
    VirtualCardOptions options;
    options.HangUpAfter = 7;
    StartCard(options);
    panel->Items.AddItem(KindCodes::Text);
    auto* picture = static_cast<TSGNImage*>(panel->Items.AddItem(KindCodes::Image));
    picture->BlankPicture({16, 4, 3}, TZoneRect{0, 0, 128, 32});
    panel->Items.AddItem(KindCodes::Text);
    ProgramSend::ProgramReport report;
    EXPECT_EQ(ProgramSend::SendAllItems(panel, hooks, &report), ProgramSend::SendOutcome::Timeout);
    EXPECT_EQ(report.ItemsSent, 1);
    EXPECT_EQ(report.FailedItem, 1);
    const VirtualProgram program = card->Program();
    EXPECT_EQ(program.Pages.size(), 2u) << "the third item is not sent";
    EXPECT_FALSE(program.Complete);
}

TEST_F(SendAll, NothingToSend)
{
    StartCard();
    EXPECT_EQ(ProgramSend::SendAllItems(panel, hooks), ProgramSend::SendOutcome::NothingToSend);
    EXPECT_EQ(ProgramSend::SendAllItems(nullptr, hooks), ProgramSend::SendOutcome::NothingToSend);
    EXPECT_TRUE(card->Requests().empty());
    EXPECT_TRUE(ProgramSend::OutcomeText(ProgramSend::SendOutcome::NothingToSend).isEmpty());
}
