// The card commands of the command line, run as the real lumaxis program
// against a virtual card: outcome texts and exit codes.
#include "support/CardPorts.h"
#include "support/ProgramRun.h"
#include "vcard/VirtualCard.h"

#include <QProcess>
#include <gtest/gtest.h>

TEST(CmdCard, InfoAgainstTheVirtualCardProgram)
{
    QProcess vcard;
    const QString path = StartVcardProgram(vcard);
    ASSERT_FALSE(path.isEmpty());

    const ProgramRun r = RunLumaxis({QStringLiteral("info"), QStringLiteral("--port"), path});
    EXPECT_EQ(r.ExitCode, 0) << r.Err.toStdString();
    EXPECT_TRUE(r.Out.contains(QStringLiteral("Version: KIVO-12 V1 .A .0"))) << r.Out.toStdString();
    EXPECT_TRUE(r.Out.contains(
        QStringLiteral("Hardware parameters: 10 04 01 00 00 00 00 00 00 00 00 00 00 00 00 00")))
        << r.Out.toStdString();
    EXPECT_TRUE(r.Out.contains(QStringLiteral("Zone 1: left 0, top 0, width 128, height 32")))
        << r.Out.toStdString();

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
    const QString port = DevicePathOf(card);

    ProgramRun r = RunLumaxis({QStringLiteral("clear"), QStringLiteral("--port"), port});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_EQ(r.Out.trimmed(), QStringLiteral("Send msg success"));
    EXPECT_EQ(card.State().Clears, 1);

    r = RunLumaxis(
        {QStringLiteral("brightness"), QStringLiteral("--port"), port, QStringLiteral("12")});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_EQ(card.State().Brightness, 12);
    r = RunLumaxis({QStringLiteral("brightness"), QStringLiteral("--port=") + port});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_EQ(r.Out, QStringLiteral("Lighteness:12\nSend msg success\n"));

    r = RunLumaxis({QStringLiteral("sleep"), QStringLiteral("--port"), port, QStringLiteral("auto"),
                    QStringLiteral("6:30"), QStringLiteral("23:15")});
    EXPECT_EQ(r.ExitCode, 0);
    r = RunLumaxis({QStringLiteral("sleep"), QStringLiteral("--port"), port});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_EQ(r.Out, QStringLiteral("Mode: 1 (Auto Sleep)\nWake Up: 06:30\nSleep: 23:15\n"
                                    "Send msg success\n"));

    r = RunLumaxis({QStringLiteral("clock"), QStringLiteral("--port"), port});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_NE(card.State().Clock[1], 0); // a month was set

    // Through a listed port name as well.
    r = RunLumaxis({QStringLiteral("info"), QStringLiteral("--port"), QStringLiteral("COM7")},
                   PortEntry(7, card));
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_TRUE(r.Out.contains(QStringLiteral("Port: COM7 (") + port + QLatin1Char(')')));
}

TEST(CmdCard, FailuresAndWrongArguments)
{
    VirtualCardOptions silent;
    silent.Silent = true;
    VirtualCard card(silent);
    ASSERT_TRUE(card.Start());

    ProgramRun r =
        RunLumaxis({QStringLiteral("info"), QStringLiteral("--port"), DevicePathOf(card)});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(r.Out.trimmed(), QStringLiteral("Cannot connect control card"));
    EXPECT_TRUE(r.Err.contains(QStringLiteral("no reply from the card"))) << r.Err.toStdString();

    r = RunLumaxis({QStringLiteral("clear"), QStringLiteral("--port"), QStringLiteral("COM77")});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(r.Out.trimmed(), QStringLiteral("Cannot connect control card"));
    EXPECT_TRUE(r.Err.contains(QStringLiteral("cannot open COM77"))) << r.Err.toStdString();

    // A card that identifies itself, then loses one reply: the retry is
    // answered. And one that hangs up after identifying itself.
    VirtualCardOptions dropSecond;
    dropSecond.DropReply = 2;
    VirtualCard flaky(dropSecond);
    ASSERT_TRUE(flaky.Start());
    r = RunLumaxis({QStringLiteral("sleep"), QStringLiteral("--port"), DevicePathOf(flaky),
                    QStringLiteral("never"), QStringLiteral("7:00"), QStringLiteral("22:00")});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_EQ(flaky.State().SleepHour, 22);

    VirtualCardOptions hangUp;
    hangUp.HangUpAfter = 4; // version, block and zones are answered; the clear is not
    VirtualCard leaving(hangUp);
    ASSERT_TRUE(leaving.Start());
    r = RunLumaxis({QStringLiteral("clear"), QStringLiteral("--port"), DevicePathOf(leaving)});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(r.Out.trimmed(), QStringLiteral("Timeout."));

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
        r = RunLumaxis(args);
        EXPECT_EQ(r.ExitCode, 2) << args.join(' ').toStdString();
        EXPECT_FALSE(r.Err.isEmpty()) << args.join(' ').toStdString();
        EXPECT_TRUE(r.Out.isEmpty()) << args.join(' ').toStdString();
    }
}

TEST(CmdCard, SearchFindsTheListedCard)
{
    VirtualCard card;
    ASSERT_TRUE(card.Start());
    const ProgramRun r = RunLumaxis({QStringLiteral("search")},
                                    QStringLiteral("COM4=/nonexistent/tty:") + PortEntry(6, card));
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_EQ(r.Out, QStringLiteral("Progress: 0\nTest COM4 @ 57600\nTest COM6 @ 57600\n"
                                    "Progress: 25\nProgress: 50\n"
                                    "Found KIVO-12 V1 .A .0 COM6 @ 57600\nProgress: 100\n"
                                    "Port: COM6\n"));
}
