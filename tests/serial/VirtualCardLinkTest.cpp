// A panel's link against the virtual control card on a paced pseudo-terminal:
// the request reaches the card whole and its reply comes back within the
// receive budget.
#include "PtyPair.h"
#include "items/SGNSendMsg.h"
#include "model/SGNPanel.h"
#include "model/SGNPanels.h"
#include "protocol/SGNUnit.h"
#include "serial/PortList.h"
#include "support/CardPorts.h"
#include "vcard/VirtualCard.h"

#include <gtest/gtest.h>

#include <array>

namespace {

class CardLinkTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        VirtualCardOptions options;
        options.LineBaud = 57600;
        card = std::make_unique<VirtualCard>(options);
        ASSERT_TRUE(card->Start()) << card->Error();
        env = std::make_unique<ScopedEnv>(PortList::ExtraPortsVariable, PortEntry(3, *card));
        project.PortNumber = 3;
        panel = project.AddPanel();
    }

    // One exchange made of the panel's link operations.
    bool Exchange(TSGNUnit& unit, std::array<uint8_t, 128>& reply)
    {
        unit.Address = panel->Id;
        unit.BuildPacket();
        unit.CopyDataToPacket();
        unit.SealPacket();
        panel->FlushInput();
        panel->WriteBytes(unit.SendBuffer.data(), unit.PacketLength());
        return panel->ReceiveExact(reply.data(), TSGNUnit::ReplySize) &&
               unit.ParseReply(reply.data());
    }

    std::unique_ptr<VirtualCard> card;
    std::unique_ptr<ScopedEnv> env;
    TSGNPanels project;
    TSGNPanel* panel = nullptr;
};

TEST_F(CardLinkTest, VersionRequestIsAnsweredThroughThePanelLink)
{
    ASSERT_TRUE(panel->OpenLink()) << panel->Link->LastErrorText().toStdString();
    TSGNUnit version;
    version.Command = 53;
    std::array<uint8_t, 128> reply{};
    ASSERT_TRUE(Exchange(version, reply));
    EXPECT_EQ(reply[16], card->State().Version[0]);
    ASSERT_EQ(card->Requests().size(), 1u);
    EXPECT_EQ(card->Requests()[0].Command, 53);

    // While the panel holds the card's line nobody else can open it.
    CnComm intruder;
    EXPECT_FALSE(intruder.Open(3, 57600));
    panel->CloseLink();
}

TEST_F(CardLinkTest, LargestPacketReachesTheCardWhole)
{
    ASSERT_TRUE(panel->OpenLink());
    TSGNUnit page;
    page.Command = 3;
    page.DataCount = TSGNUnit::MaxData;
    for (int i = 0; i < page.DataCount; ++i)
        page.Data[i] = static_cast<uint8_t>(i * 7);
    std::array<uint8_t, 128> reply{};
    // 1076 bytes at 57600 baud take about 190 ms on the line; the reply
    // budget starts only once the packet is queued.
    const bool answered = Exchange(page, reply);
    const std::vector<VirtualCardRequest> requests = card->Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Length, 1076);
    EXPECT_EQ(requests[0].Frame,
              std::vector<uint8_t>(page.SendBuffer.begin(), page.SendBuffer.begin() + 1076));
    EXPECT_TRUE(answered);
}

} // namespace
