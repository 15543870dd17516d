// The link helpers and the panel's link on real pseudo-terminals.
#include "serial/Rs232unit.h"
#include "PtyPair.h"
#include "items/SGNSendMsg.h"
#include "model/SGNPanel.h"
#include "model/SGNPanels.h"
#include "serial/CnComm.h"
#include "serial/Deadline.h"
#include "serial/PortList.h"
#include "serial/UiHooks.h"
#include "support/CardPorts.h"

#include <gtest/gtest.h>

#include <array>
#include <thread>

namespace {

TEST(LinkBudget, WaitsFollowTheBaudRateAndTheMissingBytes)
{
    struct Case
    {
        uint32_t Baud, Length, Initial;
    };
    // 14 bit periods per byte, twice over: 52 bytes at 57600 take 24 ms.
    for (const Case& c : {Case{57600, 52, 24}, Case{9600, 52, 150}, Case{57600, 1, 1},
                          Case{115200, 1024, 246}, Case{1200, 52, 1212}}) {
        EXPECT_EQ(ComInitialWaitMs(c.Baud, c.Length), c.Initial) << c.Baud << " " << c.Length;
    }
    EXPECT_EQ(ComInitialWaitMs(0, 52), 1u); // never divides by zero
    EXPECT_EQ(ComPollWaitMs(52, 0), 4u);
    EXPECT_EQ(ComPollWaitMs(52, 40), 1u);
    EXPECT_EQ(ComPollWaitMs(1024, 0), 2096u);
    EXPECT_EQ(ComPollWaitMs(52, 60), 1u);
}

TEST(LinkPorts, PortNumberIsTheNumberAfterTheFirstThreeCharacters)
{
    EXPECT_EQ(ComPortNumber(QStringLiteral("COM1")), 1);
    EXPECT_EQ(ComPortNumber(QStringLiteral("COM15")), 15);
    EXPECT_EQ(ComPortNumber(QStringLiteral("COM1024")), 1024);
    EXPECT_EQ(ComPortNumber(QStringLiteral("COMx")), 0);
    EXPECT_EQ(ComPortNumber(QStringLiteral("COM")), 0);
    EXPECT_EQ(ComPortNumber(QString()), 0);
}

class LinkTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.Ok());
        ASSERT_TRUE(ComOpen(engine, 0, 57600) == false);
        ASSERT_TRUE(engine.OpenDevice(pty.Path(), 57600));
    }

    PtyPair pty;
    CnComm engine;
    std::array<uint8_t, ComReceiveBufferSize> buffer{};
    int32_t count = 0;
};

TEST_F(LinkTest, ComWriteSendsALongPacketWhole)
{
    const std::vector<uint8_t> packet = Sequence(300, 7);
    const TDeadline started(0);
    ComWrite(engine, packet.data(), static_cast<int>(packet.size()));
    // Three chunks, 1 ms pause after each, and no wait for the line.
    EXPECT_GE(started.ElapsedMs(), 3u);
    EXPECT_EQ(engine.BytesWritten(), 300u);
    EXPECT_EQ(pty.Receive(300), packet);
}

TEST_F(LinkTest, ReadExactCollectsAFrameArrivingInChunksAndKeepsTheRest)
{
    int pumps = 0;
    UiHooks::SetPump([&pumps] { ++pumps; });
    const std::vector<uint8_t> frames = Sequence(60, 0xA0);
    std::thread farEnd([&] {
        for (size_t at = 0; at < frames.size(); at += 15) {
            pty.Send(std::vector<uint8_t>(frames.begin() + at, frames.begin() + at + 15));
            SleepMs(25);
        }
    });
    std::array<uint8_t, 52> reply{};
    const bool ok = ComReadExact(engine, reply.data(), 52, buffer.data(), count, 50);
    farEnd.join();
    UiHooks::SetPump(nullptr);
    ASSERT_TRUE(ok);
    EXPECT_EQ(std::vector<uint8_t>(reply.begin(), reply.end()),
              std::vector<uint8_t>(frames.begin(), frames.begin() + 52));
    EXPECT_GT(pumps, 0); // the interface was served while waiting

    // The 8 bytes past the frame wait at the start of the buffer.
    SleepMs(50);
    ComPull(engine, count, buffer.data());
    ASSERT_EQ(count, 8);
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + 8),
              std::vector<uint8_t>(frames.begin() + 52, frames.end()));
}

TEST_F(LinkTest, ReadExactTimesOutWithinItsBudgetKeepingWhatCame)
{
    pty.Send(Sequence(20));
    std::array<uint8_t, 52> reply{};
    const TDeadline started(0);
    EXPECT_FALSE(ComReadExact(engine, reply.data(), 52, buffer.data(), count, 50));
    // 24 + 10 ms, then 50 polls of about 4 + 10 ms: about 0.7 s.
    EXPECT_GE(started.ElapsedMs(), 600u);
    EXPECT_LT(started.ElapsedMs(), 1500u);
    EXPECT_EQ(count, 20);
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + 20), Sequence(20));
}

TEST_F(LinkTest, ReadExactFailsAtOnceOnAClosedEngine)
{
    engine.Close(200);
    std::array<uint8_t, 52> reply{};
    count = 3;
    const TDeadline started(0);
    EXPECT_FALSE(ComReadExact(engine, reply.data(), 52, buffer.data(), count, 50));
    EXPECT_LT(started.ElapsedMs(), 200u); // not even the 34 ms initial wait
    EXPECT_EQ(count, 3);
    // Lengths the buffer cannot hold fail at once too.
    ASSERT_TRUE(engine.OpenDevice(pty.Path(), 57600));
    EXPECT_FALSE(ComReadExact(engine, reply.data(), 1025, buffer.data(), count, 50));
    EXPECT_FALSE(ComReadExact(engine, reply.data(), 0, buffer.data(), count, 50));
}

TEST_F(LinkTest, PullNeverFillsThePanelBufferPastItsEnd)
{
    pty.Send(Sequence(100));
    SleepMs(50);
    count = ComReceiveBufferSize - 30;
    ComPull(engine, count, buffer.data());
    EXPECT_EQ(count, ComReceiveBufferSize);
    EXPECT_EQ(engine.GetQueueCount(true), 70u); // the rest waits in the driver
    EXPECT_EQ(buffer[ComReceiveBufferSize - 30], 0);
    EXPECT_EQ(buffer[ComReceiveBufferSize - 1], 29);
}

TEST(LinkPorts, ExtraPortsAreListedAndOpenedByNumber)
{
    PtyPair card;
    ASSERT_TRUE(card.Ok());
    const ScopedEnv env(
        PortList::ExtraPortsVariable,
        QStringLiteral("COM7=%1:junk:COM8=/dev/nonexistent-serial").arg(card.Path()));
    QStringList names;
    GetComPortNames(names);
    ASSERT_GE(names.size(), 2);
    EXPECT_EQ(names.mid(names.size() - 2), (QStringList{"COM7", "COM8"}));
    QStringList numbers;
    GetComPortList(numbers);
    EXPECT_EQ(numbers.mid(numbers.size() - 2), (QStringList{"7", "8"}));
    EXPECT_EQ(PortList::DevicePathOf(7), card.Path());
    EXPECT_EQ(PortList::ListPorts().back().Problem, QStringLiteral("no such device"));

    CnComm engine;
    ASSERT_TRUE(ComOpen(engine, 7, 57600)) << engine.LastErrorText().toStdString();
    EXPECT_EQ(engine.PortName(), QStringLiteral("COM7"));
    EXPECT_EQ(engine.DevicePath(), card.Path());
    // An open engine stays as it is.
    EXPECT_TRUE(ComOpen(engine, 8, 9600));
    EXPECT_EQ(engine.Port(), 7u);
    EXPECT_TRUE(ComClose(engine));
    EXPECT_FALSE(engine.IsOpen());
    EXPECT_TRUE(ComClose(engine));

    CnComm missing;
    EXPECT_FALSE(ComOpen(missing, 8, 57600));
    EXPECT_FALSE(ComOpen(missing, 9, 57600)); // no device has 9
    EXPECT_FALSE(missing.IsOpen());
}

TEST(LinkPorts, NumbersFollowTheDeviceNamesDeterministically)
{
    using PortList::TSystemDevice;
    auto device = [](const char* kernel, const char* stable, int fixed) {
        TSystemDevice d;
        d.KernelName = QString::fromLatin1(kernel);
        d.DevicePath = QStringLiteral("/dev/") + d.KernelName;
        d.StableName = QString::fromLatin1(stable);
        d.FixedNumber = fixed;
        return d;
    };
    const TSystemDevice uart = device("ttyS0", "ttyS0", 1);
    const TSystemDevice usb = device("ttyUSB0", "usb-Maker_Adapter_A1-if00-port0", 0);
    const TSystemDevice acm = device("ttyACM0", "ttyACM0", 0);
    const int usbNumber = 100 + PortList::StableHash(usb.StableName) % 800;

    auto ports = PortList::AssignNumbers({usb, acm, uart}, {});
    ASSERT_EQ(ports.size(), 3u);
    EXPECT_EQ(ports[0].Name, QStringLiteral("COM1"));
    EXPECT_EQ(ports[0].DevicePath, QStringLiteral("/dev/ttyS0"));
    // The same adapter gets the same number whatever else is plugged in,
    // and whichever ttyUSB name the kernel gives it.
    TSystemDevice replugged = usb;
    replugged.KernelName = QStringLiteral("ttyUSB3");
    replugged.DevicePath = QStringLiteral("/dev/ttyUSB3");
    const auto alone = PortList::AssignNumbers({replugged}, {});
    ASSERT_EQ(alone.size(), 1u);
    EXPECT_EQ(alone[0].Number, usbNumber);
    EXPECT_EQ(alone[0].DevicePath, QStringLiteral("/dev/ttyUSB3"));
    EXPECT_EQ(std::count_if(ports.begin(), ports.end(),
                            [&](const auto& p) { return p.Number == usbNumber; }),
              1);

    // A clash moves the later stable name on; an extra port takes precedence.
    TSystemDevice twin = usb;
    twin.StableName = usb.StableName; // the same hash
    twin.DevicePath = QStringLiteral("/dev/ttyUSB1");
    const auto clash = PortList::AssignNumbers({usb, twin}, {});
    ASSERT_EQ(clash.size(), 2u);
    EXPECT_NE(clash[0].Number, clash[1].Number);
    const auto hidden = PortList::AssignNumbers({uart}, {1});
    EXPECT_TRUE(hidden.empty());
}

TEST(LinkPorts, PortArgumentsTakeComNamesAndDevicePaths)
{
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    QString error;
    EXPECT_EQ(PortList::ResolvePortArgument(QStringLiteral("COM3"), &error), 3);
    EXPECT_EQ(PortList::ResolvePortArgument(QStringLiteral("com1024"), &error), 1024);
    for (const char* bad : {"COM0", "COM1025", "COMx", "ttyUSB0", "/dev/nonexistent-serial"}) {
        error.clear();
        EXPECT_EQ(PortList::ResolvePortArgument(QString::fromLatin1(bad), &error), 0) << bad;
        EXPECT_FALSE(error.isEmpty()) << bad;
    }
    const int number = PortList::ResolvePortArgument(pty.Path(), &error);
    EXPECT_GE(number, PortList::FirstRegisteredNumber);
    EXPECT_EQ(PortList::ResolvePortArgument(pty.Path(), &error), number);
    EXPECT_EQ(PortList::DevicePathOf(number), pty.Path());
    CnComm engine;
    EXPECT_TRUE(ComOpen(engine, number, 57600)) << engine.LastErrorText().toStdString();
}

TEST(PanelLink, OpeningOnePanelsLinkClosesTheOthersOnTheSamePort)
{
    PtyPair card;
    ASSERT_TRUE(card.Ok());
    const ScopedEnv env(PortList::ExtraPortsVariable, QStringLiteral("COM5=%1").arg(card.Path()));
    TSGNPanels project;
    project.PortNumber = 5;
    TSGNPanel* first = project.AddPanel();
    TSGNPanel* second = project.AddPanel();
    EXPECT_FALSE(first->Link->IsOpen()); // created closed

    ASSERT_TRUE(first->OpenLink());
    EXPECT_TRUE(first->OpenLink()); // already open
    // The first panel's link (left open, as after a failed connection) would
    // hold the port forever; the second panel's open releases it.
    ASSERT_TRUE(second->OpenLink()) << second->Link->LastErrorText().toStdString();
    EXPECT_FALSE(first->Link->IsOpen());
    EXPECT_TRUE(second->Link->IsOpen());

    // The panel's exchange: stale input is discarded, the reply is collected.
    card.Send(Sequence(1500, 0x11)); // more than the receive buffer holds
    SleepMs(50);
    second->FlushInput();
    EXPECT_EQ(second->ReceiveCount, 0);
    EXPECT_EQ(second->Link->GetQueueCount(true), 0u);

    const std::vector<uint8_t> request = Sequence(52, 0xA0);
    second->WriteBytes(request.data(), 52);
    EXPECT_EQ(card.Receive(52), request);
    card.Send(Sequence(52, 0xAF));
    std::array<uint8_t, 128> reply{};
    ASSERT_TRUE(second->ReceiveExact(reply.data(), 52));
    EXPECT_EQ(std::vector<uint8_t>(reply.begin(), reply.begin() + 52), Sequence(52, 0xAF));
    EXPECT_EQ(second->ReceiveCount, 0);

    second->CloseLink();
    EXPECT_FALSE(second->Link->IsOpen());
    project.PortNumber = 6; // no device has it
    EXPECT_FALSE(first->OpenLink());
    EXPECT_FALSE(first->Link->IsOpen());
}

} // namespace
