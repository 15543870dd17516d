// The serial engine on real pseudo-terminals.
#include "serial/CnComm.h"
#include "PtyPair.h"
#include "serial/Deadline.h"
#include "serial/DiagnosticLog.h"

#include <QDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

namespace {

class EngineTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.Ok());
        ASSERT_TRUE(engine.OpenDevice(pty.Path(), 57600)) << engine.LastErrorText().toStdString();
    }

    // Waits until the engine sees `n` bytes in its input queue.
    void WaitQueued(uint32_t n)
    {
        const TDeadline deadline(2000);
        while (engine.GetQueueCount(true) < n && !deadline.Passed())
            SleepMs(2);
        ASSERT_EQ(engine.GetQueueCount(true), n);
    }

    PtyPair pty;
    CnComm engine;
};

TEST(EngineBounds, PortNumbersOutside1To1024FailWithoutTouchingADevice)
{
    for (uint32_t port : {0u, 1025u, 70000u, CnComm::NoPort}) {
        CnComm engine;
        EXPECT_FALSE(engine.Open(port, 57600)) << port;
        EXPECT_EQ(engine.LastError(), EINVAL) << port;
        EXPECT_FALSE(engine.IsOpen());
        EXPECT_EQ(engine.DevicePath(), QString()) << port;
    }
    // 1024 is a valid number: it is looked up, and fails only because no
    // device has it.
    CnComm engine;
    EXPECT_FALSE(engine.Open(1024, 57600));
    EXPECT_EQ(engine.LastError(), ENOENT);
    EXPECT_EQ(engine.PortName(), QStringLiteral("COM1024"));
}

TEST(EngineBounds, ClosedEngineAnswersAtOnce)
{
    CnComm engine;
    uint8_t buffer[16] = {};
    const TDeadline started(0);
    EXPECT_EQ(engine.Read(buffer, sizeof buffer, CnComm::WaitForever), 0u);
    EXPECT_EQ(engine.Write(buffer, sizeof buffer), 0u);
    EXPECT_EQ(engine.GetQueueCount(true), 0xFFFFFFFFu);
    EXPECT_FALSE(engine.GetState().has_value());
    EXPECT_FALSE(engine.EndThread(200));
    engine.Close(200);                    // nothing to close
    EXPECT_LT(started.ElapsedMs(), 100u); // no wait of any kind
    EXPECT_EQ(engine.BytesWritten(), 0u);
}

TEST_F(EngineTest, SecondOpenOfAHeldPortFailsUntilItIsClosed)
{
    CnComm second;
    EXPECT_FALSE(second.OpenDevice(pty.Path(), 57600));
    EXPECT_EQ(second.LastError(), EBUSY);
    EXPECT_TRUE(second.LastErrorText().contains(pty.Path()));
    // The log window will show the cause.
    ASSERT_FALSE(DiagnosticLog::Lines().isEmpty());
    EXPECT_TRUE(DiagnosticLog::Lines().last().contains(pty.Path()));
    EXPECT_TRUE(DiagnosticLog::Lines().last().contains(QStringLiteral("busy")));
    EXPECT_FALSE(second.IsOpen());
    EXPECT_TRUE(engine.IsOpen());

    engine.Close(200);
    EXPECT_TRUE(second.OpenDevice(pty.Path(), 57600)) << second.LastErrorText().toStdString();
}

TEST_F(EngineTest, OpensRaw57600EightNOneWithTheWatchThread)
{
    const std::optional<TLineSettings> line = engine.GetState();
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(line->BaudRate, 57600u);
    EXPECT_EQ(line->ByteSize, 8);
    EXPECT_EQ(line->Parity, TParity::None);
    EXPECT_EQ(line->StopBits, TStopBits::One);
    EXPECT_FALSE(line->ParityCheck);
    EXPECT_TRUE(engine.WatchThreadRunning());
    EXPECT_EQ(engine.Timeouts().ReadTotalConstant, 500u);
    EXPECT_EQ(engine.Timeouts().WriteTotalConstant, 10000u);
}

TEST_F(EngineTest, EveryByteValuePassesUnchangedBothWays)
{
    // CR, LF, XON/XOFF, DEL, 0xFF and NUL are the bytes a cooked line would touch.
    const std::vector<uint8_t> all = Sequence(256);
    pty.Send(all);
    std::vector<uint8_t> got(256);
    uint32_t count = 0;
    const TDeadline deadline(2000);
    while (count < 256 && !deadline.Passed())
        count += engine.Read(got.data() + count, 256 - count, 100);
    EXPECT_EQ(count, 256u);
    EXPECT_EQ(got, all);
    EXPECT_EQ(engine.BytesRead(), 256u);

    EXPECT_EQ(engine.Write(all.data(), 256), 256u);
    EXPECT_EQ(pty.Receive(256), all);
    EXPECT_EQ(engine.BytesWritten(), 256u);
}

TEST_F(EngineTest, ReadWithWaitZeroTakesWhatIsQueuedAndLeavesTheRest)
{
    pty.Send(Sequence(8, 1));
    WaitQueued(8);
    uint8_t buffer[8] = {};
    EXPECT_EQ(engine.Read(buffer, 5, 0), 5u);
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 5), Sequence(5, 1));
    EXPECT_EQ(engine.GetQueueCount(true), 3u);

    // Asked for more than is there: returns what there is, without waiting.
    const TDeadline started(0);
    EXPECT_EQ(engine.Read(buffer, 8, 0), 3u);
    EXPECT_LT(started.ElapsedMs(), 200u);
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 3), Sequence(3, 6));
    EXPECT_EQ(engine.Read(buffer, 8, 0), 0u);
}

TEST_F(EngineTest, ReadWithAWaitTimeTakesBytesArrivingWithinIt)
{
    std::thread farEnd([this] {
        pty.Send({1, 2});
        SleepMs(60);
        pty.Send({3, 4, 5});
    });
    uint8_t buffer[5] = {};
    const uint32_t got = engine.Read(buffer, 5, 1000);
    farEnd.join();
    EXPECT_EQ(got, 5u);
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 5), Sequence(5, 1));
}

TEST_F(EngineTest, ReadWaitingForeverEndsWithTheDriverTimeouts)
{
    // Bytes that come in pieces complete the read.
    std::thread farEnd([this] {
        pty.Send({1, 2, 3});
        SleepMs(40);
        pty.Send({4, 5});
    });
    uint8_t buffer[8] = {};
    EXPECT_EQ(engine.Read(buffer, 5, CnComm::WaitForever), 5u);
    farEnd.join();
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 5), Sequence(5, 1));

    // A silent line ends the read after the 500 ms read constant, empty.
    const TDeadline started(0);
    EXPECT_EQ(engine.Read(buffer, 4, CnComm::WaitForever), 0u);
    EXPECT_GE(started.ElapsedMs(), 450u);
    EXPECT_LT(started.ElapsedMs(), 1500u);

    // Once bytes came, a pause of the 100 ms interval ends it with what came.
    pty.Send({9, 9});
    EXPECT_EQ(engine.Read(buffer, 8, CnComm::WaitForever), 2u);
}

TEST_F(EngineTest, WritesDoNotWaitForTheLineAndKeepTheirOrder)
{
    // Nobody reads the far end: the driver's queue fills and the engine
    // keeps the rest pending, sending it when the line takes it again.
    const std::vector<uint8_t> chunk = Sequence(1024);
    std::vector<uint8_t> sent;
    bool pendingSeen = false;
    const TDeadline started(0);
    for (int i = 0; i < 160; ++i) {
        std::vector<uint8_t> block = chunk;
        block[0] = static_cast<uint8_t>(i);
        const uint32_t reported = engine.Write(block.data(), block.size());
        EXPECT_TRUE(reported == 0 || reported == block.size());
        pendingSeen = pendingSeen || reported == 0;
        sent.insert(sent.end(), block.begin(), block.end());
    }
    EXPECT_LT(started.ElapsedMs(), 1000u); // never waited for the line
    EXPECT_TRUE(pendingSeen);
    EXPECT_EQ(engine.BytesWritten(), sent.size());
    EXPECT_EQ(pty.Receive(sent.size(), 5000), sent);
}

TEST_F(EngineTest, CloseEndsTheWaitingWatchThreadWithinItsWait)
{
    ASSERT_TRUE(engine.WatchThreadRunning());
    SleepMs(20); // let it settle into its event wait
    const TDeadline started(0);
    engine.Close(200);
    EXPECT_LT(started.ElapsedMs(), 250u); // the wait plus scheduling slack
    EXPECT_FALSE(engine.IsOpen());
    EXPECT_FALSE(engine.WatchThreadRunning());
    engine.Close(200); // a second close does nothing
}

TEST_F(EngineTest, OpenOnAnOpenEngineReopens)
{
    PtyPair other;
    ASSERT_TRUE(other.Ok());
    ASSERT_TRUE(engine.OpenDevice(other.Path(), 9600));
    EXPECT_EQ(engine.DevicePath(), other.Path());
    EXPECT_EQ(engine.GetState()->BaudRate, 9600u);
    // The first device was released.
    CnComm second;
    EXPECT_TRUE(second.OpenDevice(pty.Path(), 57600));
}

TEST(EngineBounds, MissingDeviceAndNonTerminalFailWithTheCause)
{
    CnComm engine;
    EXPECT_FALSE(engine.OpenDevice(QStringLiteral("/dev/nonexistent-serial"), 57600));
    EXPECT_EQ(engine.LastError(), ENOENT);
    EXPECT_TRUE(engine.LastErrorText().contains(QStringLiteral("/dev/nonexistent-serial")));
    EXPECT_FALSE(engine.OpenDevice(QStringLiteral("/dev/null"), 57600));
    EXPECT_EQ(engine.LastError(), ENOTTY);
    EXPECT_FALSE(engine.IsOpen());
}

} // namespace

namespace {

TEST(EngineBlocking, WithoutAsynchronousIoReadsAndWritesComplete)
{
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    CnComm engine(CnComm::EN_WATCH_THREAD);
    ASSERT_TRUE(engine.OpenDevice(pty.Path(), 57600));
    EXPECT_EQ(engine.Timeouts().ReadTotalConstant, 250u);
    const std::vector<uint8_t> bytes = Sequence(40, 3);
    EXPECT_EQ(engine.Write(bytes.data(), 40), 40u);
    EXPECT_EQ(pty.Receive(40), bytes);

    pty.Send(bytes);
    uint8_t buffer[64] = {};
    // One blocking read: all that came, ended by the 100 ms interval.
    EXPECT_EQ(engine.Read(buffer, sizeof buffer, 0), 40u);
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 40), bytes);
    const TDeadline started(0);
    EXPECT_EQ(engine.Read(buffer, sizeof buffer, 0), 0u);
    EXPECT_GE(started.ElapsedMs(), 200u);
    EXPECT_LT(started.ElapsedMs(), 1000u);
}

} // namespace

namespace {

int OpenDescriptors()
{
    return static_cast<int>(
        QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

} // namespace

// Every way an open ends (closed, refused as busy, not a terminal, reopened
// elsewhere, destroyed open) gives back the descriptors it took.
TEST(EngineBounds, OpensAndClosesLeaveNoDescriptorBehind)
{
    PtyPair pty;
    PtyPair other;
    ASSERT_TRUE(pty.Ok() && other.Ok());
    const int before = OpenDescriptors();
    for (int round = 0; round < 20; ++round) {
        CnComm engine;
        ASSERT_TRUE(engine.OpenDevice(pty.Path(), 57600));
        CnComm second;
        EXPECT_FALSE(second.OpenDevice(pty.Path(), 57600)); // busy
        EXPECT_FALSE(second.OpenDevice(QStringLiteral("/dev/null"), 57600));
        ASSERT_TRUE(engine.OpenDevice(other.Path(), 57600)); // reopens elsewhere
        engine.Close(200);
        ASSERT_TRUE(engine.OpenDevice(pty.Path(), 57600)); // left open: the destructor closes
    }
    EXPECT_EQ(OpenDescriptors(), before);
}
