// The card commands of the command line, run as the real lumaxis program
// against a virtual card: outcome texts and exit codes.
#include "vcard/VirtualCard.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace {

struct Result
{
    int exitCode = -1;
    QString out;
    QString err;
};

Result Lumaxis(const QStringList& args, const QString& extraPorts = QString())
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("LUMAXIS_NO_SYSTEM_PORTS"), QStringLiteral("1"));
    if (!extraPorts.isEmpty())
        env.insert(QStringLiteral("LUMAXIS_EXTRA_PORTS"), extraPorts);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(LUMAXIS_BINARY_DIR "/src/lumaxis"), args);
    Result r;
    if (!p.waitForFinished(20000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QString PathOf(const VirtualCard& card)
{
    return QString::fromStdString(card.DevicePath());
}

} // namespace

TEST(CmdCard, InfoAgainstTheVirtualCardProgram)
{
    QProcess vcard;
    vcard.start(QStringLiteral(LUMAXIS_BINARY_DIR "/src/lumaxis-vcard"), {});
    ASSERT_TRUE(vcard.waitForStarted());
    ASSERT_TRUE(vcard.waitForReadyRead(5000));
    const QString path = QString::fromUtf8(vcard.readLine()).trimmed();

    const Result r = Lumaxis({QStringLiteral("info"), QStringLiteral("--port"), path});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Version: KIVO-12 V1 .A .0"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(
        QStringLiteral("Hardware parameters: 10 04 01 00 00 00 00 00 00 00 00 00 00 00 00 00")))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Zone 1: left 0, top 0, width 128, height 32")))
        << r.out.toStdString();

    vcard.terminate();
    ASSERT_TRUE(vcard.waitForFinished(5000));
    // The card logged what it was asked, decoded.
    const QString log = QString::fromUtf8(vcard.readAllStandardOutput());
    EXPECT_TRUE(log.contains(QStringLiteral("ReadVersion (53)"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("ReadZoneLayout (42)"))) << log.toStdString();
}

TEST(CmdCard, CommandsPrintTheirOutcome)
{
    VirtualCard card;
    ASSERT_TRUE(card.Start());
    const QString port = PathOf(card);

    Result r = Lumaxis({QStringLiteral("clear"), QStringLiteral("--port"), port});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.trimmed(), QStringLiteral("Send msg success"));
    EXPECT_EQ(card.State().Clears, 1);

    r = Lumaxis(
        {QStringLiteral("brightness"), QStringLiteral("--port"), port, QStringLiteral("12")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(card.State().Brightness, 12);
    r = Lumaxis({QStringLiteral("brightness"), QStringLiteral("--port=") + port});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QStringLiteral("Lighteness:12\nSend msg success\n"));

    r = Lumaxis({QStringLiteral("sleep"), QStringLiteral("--port"), port, QStringLiteral("auto"),
                 QStringLiteral("6:30"), QStringLiteral("23:15")});
    EXPECT_EQ(r.exitCode, 0);
    r = Lumaxis({QStringLiteral("sleep"), QStringLiteral("--port"), port});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QStringLiteral("Mode: 1 (Auto Sleep)\nWake Up: 06:30\nSleep: 23:15\n"
                                    "Send msg success\n"));

    r = Lumaxis({QStringLiteral("clock"), QStringLiteral("--port"), port});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(card.State().Clock[1], 0); // a month was set

    // Through a listed port name as well.
    r = Lumaxis({QStringLiteral("info"), QStringLiteral("--port"), QStringLiteral("COM7")},
                QStringLiteral("COM7=") + port);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains(QStringLiteral("Port: COM7 (") + port + QLatin1Char(')')));
}

TEST(CmdCard, FailuresAndWrongArguments)
{
    VirtualCardOptions silent;
    silent.Silent = true;
    VirtualCard card(silent);
    ASSERT_TRUE(card.Start());

    Result r = Lumaxis({QStringLiteral("info"), QStringLiteral("--port"), PathOf(card)});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out.trimmed(), QStringLiteral("Cannot connect control card"));
    EXPECT_TRUE(r.err.contains(QStringLiteral("no reply from the card"))) << r.err.toStdString();

    r = Lumaxis({QStringLiteral("clear"), QStringLiteral("--port"), QStringLiteral("COM77")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out.trimmed(), QStringLiteral("Cannot connect control card"));
    EXPECT_TRUE(r.err.contains(QStringLiteral("cannot open COM77"))) << r.err.toStdString();

    // A card that identifies itself, then loses one reply: the retry is
    // answered. And one that hangs up after identifying itself.
    VirtualCardOptions dropSecond;
    dropSecond.DropReply = 2;
    VirtualCard flaky(dropSecond);
    ASSERT_TRUE(flaky.Start());
    r = Lumaxis({QStringLiteral("sleep"), QStringLiteral("--port"), PathOf(flaky),
                 QStringLiteral("never"), QStringLiteral("7:00"), QStringLiteral("22:00")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(flaky.State().SleepHour, 22);

    VirtualCardOptions hangUp;
    hangUp.HangUpAfter = 4; // version, block and zones are answered; the clear is not
    VirtualCard leaving(hangUp);
    ASSERT_TRUE(leaving.Start());
    r = Lumaxis({QStringLiteral("clear"), QStringLiteral("--port"), PathOf(leaving)});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out.trimmed(), QStringLiteral("Timeout."));

    const QStringList bad[] = {
        {QStringLiteral("brightness"), QStringLiteral("16")},
        {QStringLiteral("brightness"), QStringLiteral("x")},
        {QStringLiteral("sleep"), QStringLiteral("auto"), QStringLiteral("25:00"),
         QStringLiteral("22:00")},
        {QStringLiteral("sleep"), QStringLiteral("auto")},
        {QStringLiteral("info"), QStringLiteral("--port")},
        {QStringLiteral("info"), QStringLiteral("--port"), QStringLiteral("COM0")},
        {QStringLiteral("clear"), QStringLiteral("now")},
        {QStringLiteral("clock"), QStringLiteral("--verbose")},
        {QStringLiteral("search"), QStringLiteral("COM3")},
    };
    for (const QStringList& args : bad) {
        r = Lumaxis(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_FALSE(r.err.isEmpty()) << args.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << args.join(' ').toStdString();
    }
}

TEST(CmdCard, SearchFindsTheListedCard)
{
    VirtualCard card;
    ASSERT_TRUE(card.Start());
    const Result r = Lumaxis({QStringLiteral("search")},
                             QStringLiteral("COM4=/nonexistent/tty:COM6=") + PathOf(card));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QStringLiteral("Progress: 0\nTest COM4 @ 57600\nTest COM6 @ 57600\n"
                                    "Progress: 25\nProgress: 50\n"
                                    "Found KIVO-12 V1 .A .0 COM6 @ 57600\nProgress: 100\n"
                                    "Port: COM6\n"));
}
