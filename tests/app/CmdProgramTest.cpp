// lumaxis export and lumaxis send, run as the real program: the export file
// read back by lumaxis-vcard --load, and a send to the lumaxis-vcard program,
// which writes the pages it received.
#include "items/SGNImage.h"
#include "items/SGNText.h"
#include "model/ProjectFile.h"
#include "model/SGNPanel.h"
#include "model/SGNPanels.h"
#include "support/JsonFile.h"
#include "support/ProgramRun.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A project whose first panel holds the given items (text "Hi", a picture
// of the whole 128 x 32 panel with its top-left LED lit, ...).
QString SaveProject(const QString& dir, const QList<uint16_t>& kinds)
{
    TSGNPanels project;
    TSGNPanel* panel = project.AddPanel();
    panel->HardwareParams[0] = 16;
    panel->HardwareParams[1] = 4;
    panel->HardwareParams[2] = 1;
    for (uint16_t kind : kinds) {
        TSGNSendMsg* item = panel->Items.AddItem(kind);
        if (kind == KindCodes::Text)
            static_cast<TSGNText*>(item)->Lines = QStringList{QStringLiteral("Hi")};
        if (kind == KindCodes::Image) {
            auto* picture = static_cast<TSGNImage*>(item);
            picture->BlankPicture(panel->HardwareParams, TZoneRect{0, 0, 128, 32});
            picture->ImageData[0] = static_cast<char>(0x80);
        }
    }
    const QString path = QDir(dir).filePath(QStringLiteral("project.sgn"));
    EXPECT_FALSE(ProjectFile::Save(path, project).has_value());
    return path;
}

} // namespace

TEST(CmdExport, OneTextItemWritesFourRecordsTheCardReads)
{
    QTemporaryDir dir;
    const QString project = SaveProject(dir.path(), {KindCodes::Text});
    const ProgramRun r =
        RunLumaxis({QStringLiteral("export"), project, QStringLiteral("--out"), dir.path()});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.toStdString();
    EXPECT_TRUE(r.Out.startsWith(QStringLiteral("Save Ok"))) << r.Out.toStdString();
    const QString sd = dir.filePath(QStringLiteral("led.sd"));
    EXPECT_EQ(QFile(sd).size(), 8192);

    const QString pages = dir.filePath(QStringLiteral("pages"));
    const ProgramRun load =
        RunProgram(VcardProgram(), {QStringLiteral("--quiet"), QStringLiteral("--load"), sd,
                                    QStringLiteral("--program-dir"), pages});
    ASSERT_EQ(load.ExitCode, 0) << load.Err.toStdString();
    EXPECT_TRUE(load.Out.contains(QStringLiteral("1 page(s), program ended")))
        << load.Out.toStdString();
    const QJsonObject page = ReadJson(QDir(pages).filePath(QStringLiteral("page-001.json")));
    EXPECT_EQ(page.value("Codes").toArray(), (QJsonArray{'H', 'i'}));
}

TEST(CmdExport, BadArgumentsAndEmptyPanels)
{
    QTemporaryDir dir;
    const QString project = SaveProject(dir.path(), {});
    struct Case
    {
        QStringList args;
        int exitCode;
    };
    const Case cases[] = {
        {{QStringLiteral("export"), project}, 2},
        {{QStringLiteral("export"), project, QStringLiteral("--out")}, 2},
        {{QStringLiteral("export"), project, QStringLiteral("--out"), dir.filePath("none")}, 2},
        {{QStringLiteral("export"), project, QStringLiteral("--panel"), QStringLiteral("2"),
          QStringLiteral("--out"), dir.path()},
         2},
        {{QStringLiteral("export"), dir.filePath("missing.sgn"), QStringLiteral("--out"),
          dir.path()},
         2},
        // A panel without items: no file, exit 1.
        {{QStringLiteral("export"), project, QStringLiteral("--out"), dir.path()}, 1},
    };
    for (const Case& c : cases) {
        const ProgramRun r = RunLumaxis(c.args);
        EXPECT_EQ(r.ExitCode, c.exitCode) << c.args.join(' ').toStdString();
        EXPECT_FALSE(r.Err.isEmpty()) << c.args.join(' ').toStdString();
    }
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("led.sd"))));

    // An unreadable project is named once, with the cause.
    const ProgramRun missing = RunLumaxis({QStringLiteral("export"), dir.filePath("missing.sgn"),
                                           QStringLiteral("--out"), dir.path()});
    EXPECT_TRUE(missing.Err.startsWith(QStringLiteral("cannot read ")))
        << missing.Err.toStdString();
    EXPECT_EQ(missing.Err.count(QStringLiteral("missing.sgn")), 1) << missing.Err.toStdString();
}

TEST(CmdExport, PictureTooLargeForACardPageIsLeftOutAndNamed)
{
    // 1024 x 256 in three colours is 98304 bytes of planes: past the 16-bit
    // block offsets of one card page. The text before it is exported.
    QTemporaryDir dir;
    TSGNPanels project;
    TSGNPanel* panel = project.AddPanel();
    panel->HardwareParams = {128, 32, 3};
    static_cast<TSGNText*>(panel->Items.AddItem(KindCodes::Text))->Lines = {QStringLiteral("Hi")};
    static_cast<TSGNImage*>(panel->Items.AddItem(KindCodes::Image))
        ->BlankPicture(panel->HardwareParams, TZoneRect{0, 0, 1024, 256});
    const QString path = dir.filePath(QStringLiteral("big.sgn"));
    ASSERT_FALSE(ProjectFile::Save(path, project).has_value());

    const ProgramRun r =
        RunLumaxis({QStringLiteral("export"), path, QStringLiteral("--out"), dir.path()});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.toStdString();
    EXPECT_TRUE(r.Out.startsWith(QStringLiteral("Save Ok"))) << r.Out.toStdString();
    EXPECT_TRUE(r.Err.contains(QStringLiteral("item 2 \"Image\" has pages of 98304 bytes")))
        << r.Err.toStdString();
    // Parameters, zones, the text and the end of the program.
    EXPECT_EQ(QFile(dir.filePath(QStringLiteral("led.sd"))).size(), 4 * 2048);
}

TEST(CmdSend, ProgramReachesTheVirtualCardProgram)
{
    QTemporaryDir dir;
    const QString project = SaveProject(
        dir.path(), {KindCodes::Text, KindCodes::Image, KindCodes::Timer, KindCodes::Rtf});
    const QString pages = dir.filePath(QStringLiteral("card"));
    QProcess vcard;
    const QString device =
        StartVcardProgram(vcard, {QStringLiteral("--baud"), QStringLiteral("57600"),
                                  QStringLiteral("--program-dir"), pages});
    ASSERT_FALSE(device.isEmpty());

    const ProgramRun r =
        RunLumaxis({QStringLiteral("send"), project, QStringLiteral("--port"), device});
    vcard.terminate();
    ASSERT_TRUE(vcard.waitForFinished(5000));
    EXPECT_EQ(r.ExitCode, 0) << r.Err.toStdString();
    EXPECT_EQ(r.Out.trimmed(), QStringLiteral("Send msg success"));
    EXPECT_TRUE(r.Err.contains(QStringLiteral("100%"))) << r.Err.toStdString();

    const QJsonObject text = ReadJson(QDir(pages).filePath(QStringLiteral("page-001.json")));
    EXPECT_EQ(text.value("Codes").toArray(), (QJsonArray{'H', 'i'}));
    const QJsonObject picture = ReadJson(QDir(pages).filePath(QStringLiteral("page-002.json")));
    EXPECT_EQ(picture.value("Kind").toString(), QStringLiteral("picture"));
    const QImage png(QDir(pages).filePath(QStringLiteral("page-002.png")));
    ASSERT_EQ(png.size(), QSize(128, 32));
    EXPECT_EQ(png.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(png.pixel(1, 0), qRgb(0, 0, 0));
    const QJsonObject clock = ReadJson(QDir(pages).filePath(QStringLiteral("page-003.json")));
    EXPECT_EQ(clock.value("Kind").toString(), QStringLiteral("clock"));
    // The rich text was rendered by the command: its first page is drawn.
    const QJsonObject rich = ReadJson(QDir(pages).filePath(QStringLiteral("page-004.json")));
    EXPECT_EQ(rich.value("Kind").toString(), QStringLiteral("rich text"));
    const QImage richPng(QDir(pages).filePath(QStringLiteral("page-004.png")));
    ASSERT_EQ(richPng.size(), QSize(128, 32));
    bool lit = false;
    for (int y = 0; y < 32 && !lit; ++y)
        for (int x = 0; x < 128 && !lit; ++x)
            lit = richPng.pixel(x, y) == qRgb(255, 0, 0);
    EXPECT_TRUE(lit) << "the rich-text page has red LEDs";
}

TEST(CmdSend, SilentCardTimesOut)
{
    QTemporaryDir dir;
    const QString project = SaveProject(dir.path(), {KindCodes::Text});
    QProcess vcard;
    const QString device = StartVcardProgram(vcard, {QStringLiteral("--silent")});
    ASSERT_FALSE(device.isEmpty());
    const ProgramRun r =
        RunLumaxis({QStringLiteral("send"), project, QStringLiteral("--port"), device});
    vcard.terminate();
    vcard.waitForFinished(5000);
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(r.Out.trimmed(), QStringLiteral("Timeout."));
    EXPECT_TRUE(r.Err.contains(device)) << r.Err.toStdString();
}

TEST(CmdSend, PortThatDoesNotOpenIsReportedWithItsCause)
{
    QTemporaryDir dir;
    const QString project = SaveProject(dir.path(), {KindCodes::Text});
    const ProgramRun r = RunLumaxis(
        {QStringLiteral("send"), project, QStringLiteral("--port"), QStringLiteral("COM77")});
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(r.Out.trimmed(), QStringLiteral("Timeout."));
    EXPECT_TRUE(r.Err.contains(
        QStringLiteral("cannot open COM77: COM77 (no serial device has this number)")))
        << r.Err.toStdString();
    EXPECT_FALSE(r.Err.contains(QStringLiteral("acknowledged"))) << r.Err.toStdString();
}
