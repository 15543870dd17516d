// The virtual card on its pseudo-terminal, talked to with plain file
// descriptors: its replies, its state and its fault options.
#include "vcard/VirtualCard.h"
#include "protocol/CardCommands.h"
#include "protocol/GetHWVersion.h"
#include "protocol/SetHWParam.h"
#include "support/ProgramRun.h"

#include <QProcess>
#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

int64_t NowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// A raw client end of the card's line.
class Line
{
public:
    explicit Line(const std::string& path)
    {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd_ >= 0) {
            termios t{};
            tcgetattr(fd_, &t);
            cfmakeraw(&t);
            tcsetattr(fd_, TCSANOW, &t);
        }
    }
    ~Line()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool IsOpen() const { return fd_ >= 0; }
    void SendRaw(const uint8_t* bytes, int n) { ASSERT_EQ(::write(fd_, bytes, n), n); }
    void Send(const TSGNUnit& u)
    {
        ASSERT_EQ(::write(fd_, u.SendBuffer.data(), u.PacketLength()), u.PacketLength());
    }
    // Reads until n bytes came, the line hung up or timeoutMs passed.
    std::vector<uint8_t> Read(size_t n, int timeoutMs, bool* hungUp = nullptr)
    {
        std::vector<uint8_t> out;
        const int64_t end = NowMs() + timeoutMs;
        while (out.size() < n) {
            const int left = static_cast<int>(end - NowMs());
            if (left <= 0)
                break;
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, left) <= 0)
                break;
            uint8_t b[256];
            const ssize_t r = ::read(fd_, b, std::min(sizeof b, n - out.size()));
            if (r <= 0) {
                if (hungUp)
                    *hungUp = true;
                break;
            }
            out.insert(out.end(), b, b + r);
        }
        return out;
    }

private:
    int fd_ = -1;
};

class VirtualCardTest : public ::testing::Test
{
protected:
    void StartCard(VirtualCardOptions options = {}, VirtualCardState state = {})
    {
        card = std::make_unique<VirtualCard>(options, state);
        card->SetLog([this](const std::string& l) {
            std::lock_guard<std::mutex> lock(logMutex);
            log.push_back(l);
        });
        ASSERT_TRUE(card->Start()) << card->Error();
        line = std::make_unique<Line>(card->DevicePath());
        ASSERT_TRUE(line->IsOpen());
    }
    std::vector<uint8_t> Exchange(uint8_t command, int timeoutMs = 1000)
    {
        TSGNUnit u;
        CardCommands::BuildBare(u, command, 1);
        line->Send(u);
        return line->Read(52, timeoutMs);
    }
    std::vector<std::string> Log()
    {
        std::lock_guard<std::mutex> lock(logMutex);
        return log;
    }

    // The log outlives the card, whose thread writes to it until it stops.
    std::mutex logMutex;
    std::vector<std::string> log;
    std::unique_ptr<VirtualCard> card;
    std::unique_ptr<Line> line;
};

} // namespace

TEST_F(VirtualCardTest, AnswersTheVersionReadWithAValidReply)
{
    StartCard();
    auto r = Exchange(TGetHWVersion::CommandCode);
    ASSERT_EQ(r.size(), 52u);
    TGetHWVersion v;
    ASSERT_TRUE(v.ParseReply(r.data()));
    EXPECT_EQ(v.VersionText, QStringLiteral("KIVO-12 V1 .A .0"));
    const auto requests = card->Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Command, 53);
    EXPECT_EQ(requests[0].Address, 1);
    ASSERT_FALSE(Log().empty());
    EXPECT_NE(Log()[0].find("ReadVersion (53) address 1"), std::string::npos) << Log()[0];
}

TEST_F(VirtualCardTest, KeepsWhatItIsTold)
{
    StartCard();
    TSGNUnit u;
    CardCommands::BuildSetBrightness(u, 1, 5);
    line->Send(u);
    ASSERT_EQ(line->Read(52, 1000).size(), 52u);
    auto b = Exchange(CardCommands::ReadBrightness);
    ASSERT_EQ(b.size(), 52u);
    EXPECT_EQ(b[16], 5);

    CardCommands::BuildWriteSleepSchedule(u, 1, 1, 6, 45, 23, 15);
    line->Send(u);
    ASSERT_EQ(line->Read(52, 1000).size(), 52u);
    auto s = Exchange(CardCommands::ReadSleepSchedule);
    ASSERT_EQ(s.size(), 52u);
    EXPECT_EQ(std::vector<uint8_t>(s.begin() + 17, s.begin() + 22),
              (std::vector<uint8_t>{1, 0x06, 0x45, 0x23, 0x15}));

    CardCommands::BuildSetClock(u, 1, QDateTime(QDate(2024, 3, 15), QTime(14, 7, 9)));
    line->Send(u);
    ASSERT_EQ(line->Read(52, 1000).size(), 52u);
    EXPECT_EQ(card->State().Clock, (std::array<uint8_t, 7>{24, 3, 15, 14, 7, 9, 5}));
}

TEST_F(VirtualCardTest, RefusesTheParameterBlockWhenAsked)
{
    VirtualCardOptions o;
    o.RefuseParams = true;
    StartCard(o);
    TSetHWParam u;
    u.Params = {8, 8, 3};
    u.BuildPacket();
    line->Send(u);
    auto r = line->Read(52, 1000);
    ASSERT_EQ(r.size(), 52u);
    EXPECT_EQ(r[13], 4);
    EXPECT_TRUE(TSGNUnit().ParseReply(r.data()));
    EXPECT_EQ(card->State().HardwareParams[2], 1); // unchanged
}

TEST_F(VirtualCardTest, AnswersNoZoneTableWith0xFF)
{
    VirtualCardState s;
    s.HasZoneTable = false;
    StartCard({}, s);
    auto r = Exchange(CardCommands::ReadZoneLayout);
    ASSERT_EQ(r.size(), 52u);
    EXPECT_EQ(r[16], 0xFF);
    EXPECT_TRUE(TSGNUnit().ParseReply(r.data()));
}

TEST_F(VirtualCardTest, FaultsOnTheLine)
{
    VirtualCardOptions o;
    o.StrayBytes = 3;
    o.BadChecksum = 2;
    o.DropReply = 3;
    StartCard(o);
    // Reply 1: three stray bytes, then a good frame.
    auto r1 = Exchange(CardCommands::ClearCard);
    auto rest = line->Read(3, 1000);
    r1.insert(r1.end(), rest.begin(), rest.end());
    ASSERT_EQ(r1.size(), 55u);
    EXPECT_EQ(std::count(r1.begin(), r1.begin() + 3, 0xAF), 0);
    EXPECT_TRUE(TSGNUnit().ParseReply(r1.data() + 3));
    // Reply 2: a frame whose checksum is off.
    auto r2 = Exchange(CardCommands::ClearCard);
    auto rest2 = line->Read(3, 1000);
    r2.insert(r2.end(), rest2.begin(), rest2.end());
    ASSERT_EQ(r2.size(), 55u);
    EXPECT_FALSE(TSGNUnit().ParseReply(r2.data() + 3));
    // Reply 3: nothing at all.
    EXPECT_TRUE(Exchange(CardCommands::ClearCard, 300).empty());
    EXPECT_EQ(card->State().Clears, 3);
    EXPECT_EQ(card->RepliesSent(), 2);
}

TEST_F(VirtualCardTest, SilenceAndHangUp)
{
    VirtualCardOptions o;
    o.Silent = true;
    StartCard(o);
    EXPECT_TRUE(Exchange(CardCommands::ClearCard, 300).empty());
    EXPECT_EQ(card->Requests().size(), 1u);

    o.Silent = false;
    o.HangUpAfter = 2;
    card->SetOptions(o);
    bool hungUp = false;
    TSGNUnit u;
    CardCommands::BuildBare(u, CardCommands::ClearCard, 1);
    line->Send(u);
    EXPECT_TRUE(line->Read(52, 2000, &hungUp).empty());
    EXPECT_TRUE(hungUp);
    EXPECT_TRUE(card->HungUp());
}

TEST_F(VirtualCardTest, PacesItsLineAtTheBaudRate)
{
    VirtualCardOptions o;
    o.LineBaud = 9600; // 52 bytes take 54 ms each way
    StartCard(o);
    const int64_t start = NowMs();
    auto r = Exchange(CardCommands::ClearCard);
    const int64_t took = NowMs() - start;
    ASSERT_EQ(r.size(), 52u);
    EXPECT_GE(took, 100);
}

TEST_F(VirtualCardTest, IgnoresDamagedFramesAndResynchronises)
{
    StartCard();
    TSGNUnit bad;
    CardCommands::BuildBare(bad, CardCommands::ClearCard, 1);
    bad.SendBuffer[48] ^= 1;
    line->Send(bad);
    EXPECT_TRUE(line->Read(52, 300).empty());
    // Garbage, then a good request: the card finds the frame start.
    const uint8_t junk[] = {0x01, 0x02, 0x03};
    line->SendRaw(junk, 3);
    auto r = Exchange(CardCommands::ClearCard);
    ASSERT_EQ(r.size(), 52u);
    EXPECT_EQ(card->State().Clears, 1);
}

TEST(VirtualCardProgram, PrintsItsDevicePathAndStopsOnSigterm)
{
    QProcess p;
    const QString path = StartVcardProgram(p, {QStringLiteral("--quiet")});
    ASSERT_FALSE(path.isEmpty());
    EXPECT_TRUE(path.startsWith(QStringLiteral("/dev/pts/"))) << path.toStdString();
    Line line(path.toStdString());
    ASSERT_TRUE(line.IsOpen());
    TGetHWVersion u;
    u.BuildPacket();
    line.Send(u);
    EXPECT_EQ(line.Read(52, 2000).size(), 52u);
    p.terminate();
    ASSERT_TRUE(p.waitForFinished(5000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
}

// A program started while the card runs must not inherit the card's ends of
// the line: a copy of the pseudo-terminal master held elsewhere would keep
// the line up when the card hangs up.
TEST_F(VirtualCardTest, HangUpReachesTheLineWhileAChildProgramRuns)
{
    VirtualCardOptions o;
    o.HangUpAfter = 1;
    StartCard(o);
    QProcess child;
    child.start(QStringLiteral("sleep"), {QStringLiteral("5")});
    ASSERT_TRUE(child.waitForStarted(5000));
    TSGNUnit u;
    CardCommands::BuildBare(u, CardCommands::ClearCard, 1);
    line->Send(u);
    bool hungUp = false;
    EXPECT_TRUE(line->Read(52, 2000, &hungUp).empty());
    EXPECT_TRUE(hungUp);
    child.kill();
    child.waitForFinished(5000);
}

// Stopping never waits out a long reply delay or a slowly paced line.
TEST_F(VirtualCardTest, StopEndsALongReplyDelayAndAPacedTransferAtOnce)
{
    struct Case
    {
        const char* name;
        VirtualCardOptions options;
    };
    VirtualCardOptions delayed;
    delayed.ReplyDelayMs = 60000;
    VirtualCardOptions slow;
    slow.LineBaud = 10; // a 52-byte request takes 52 s
    for (const Case& c : {Case{"delay", delayed}, Case{"paced", slow}}) {
        StartCard(c.options);
        TSGNUnit u;
        CardCommands::BuildBare(u, CardCommands::ClearCard, 1);
        line->Send(u);
        const int64_t sent = NowMs();
        while (card->Requests().empty() && c.options.ReplyDelayMs > 0 && NowMs() - sent < 2000)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::this_thread::sleep_for(std::chrono::milliseconds(50)); // inside the wait now
        const int64_t start = NowMs();
        card->Stop();
        EXPECT_LT(NowMs() - start, 1000) << c.name;
        line.reset();
    }
}
