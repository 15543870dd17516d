// lumaxis dump, run as a real process on real files.
#include "items/SGNConter.h"
#include "items/SGNImage.h"
#include "items/SGNText.h"
#include "model/ProjectFile.h"
#include "model/SGNPanel.h"
#include "model/SGNPanels.h"
#include "support/ProgramRun.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(DumpCommand, PrintsEveryFieldUnderItsName)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("shop.sgn");
    TSGNPanels project;
    project.PortNumber = 3;
    TSGNPanel* panel = project.AddPanel();
    panel->Name = "Front";
    auto* text = static_cast<TSGNText*>(panel->Items.AddItem(KindCodes::Text));
    text->Lines = QStringList{"Open", "今天"};
    text->Params.StartDate = 46000; // 2025-12-09
    auto* counter = static_cast<TSGNConter*>(panel->Items.AddItem(KindCodes::Counter));
    counter->TargetDate = 46022;
    auto* image = static_cast<TSGNImage*>(panel->Items.AddItem(KindCodes::Image));
    QImage picture(16, 8, QImage::Format_RGB888);
    picture.fill(Qt::red);
    image->SetPicture(picture);
    ASSERT_FALSE(ProjectFile::Save(path, project).has_value());

    const ProgramRun r = RunLumaxis({"dump", path});
    ASSERT_EQ(r.ExitCode, 0) << r.Err.toStdString();
    const QJsonObject root = QJsonDocument::fromJson(r.Out.toUtf8()).object();
    EXPECT_EQ(root["PortNumber"].toInt(), 3);
    const QJsonObject p = root["Panels"].toArray()[0].toObject();
    EXPECT_EQ(p["Name"].toString(), "Front");
    EXPECT_EQ(p["Id"].toInt(), 1);
    EXPECT_EQ(p["VersionText"].toString(), "Unkown");
    EXPECT_EQ(p["HardwareParams"].toArray().size(), 16);
    EXPECT_EQ(p["HardwareParams"].toArray()[0].toInt(), 8);
    EXPECT_EQ(p["Zones"]["LayoutType"].toInt(), 0);
    EXPECT_EQ(p["Zones"]["Zones"].toArray()[0].toArray(), (QJsonArray{0, 0, 64, 64}));

    const QJsonArray items = p["Items"].toArray();
    ASSERT_EQ(items.size(), 3);
    const QJsonObject t = items[0].toObject();
    EXPECT_EQ(t["KindCode"].toInt(), 0x8001);
    EXPECT_EQ(t["Lines"].toArray()[1].toString(), "今天");
    const QJsonObject params = t["Params"].toObject();
    for (const char* key :
         {"PageNo",    "Effect",    "FrameFlash",    "Speed",      "StayTime",  "FlashCycles",
          "LoopCount", "StartDate", "StartTime",     "StopDate",   "StopTime",  "Color",
          "TypeCode",  "PageIndex", "LastPageIndex", "TextLength", "ZoneFlags", "AllDates",
          "AllTimes",  "UseOffset", "BlockOffset"}) {
        EXPECT_TRUE(params.contains(key)) << key;
    }
    EXPECT_EQ(params["StartDate"].toDouble(), 46000);
    EXPECT_EQ(params["StartDateIso"].toString(), "2025-12-09");
    EXPECT_EQ(items[1]["TargetDateIso"].toString(), "2025-12-31");
    EXPECT_EQ(items[2]["Picture"]["Width"].toInt(), 16);
    EXPECT_EQ(items[2]["Picture"]["BmpSha256"].toString().size(), 64);
}

TEST(DumpCommand, UnreadableFilesExitWithCode2AndTheReason)
{
    QTemporaryDir dir;
    const QString bad = dir.filePath("bad.sgn");
    QFile file(bad);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::fromHex("0100") + QByteArray(80, 'q'));
    file.close();

    const ProgramRun malformed = RunLumaxis({"dump", bad});
    EXPECT_EQ(malformed.ExitCode, 2);
    EXPECT_TRUE(malformed.Err.contains("at byte")) << malformed.Err.toStdString();
    EXPECT_TRUE(malformed.Out.isEmpty());

    const ProgramRun missing = RunLumaxis({"dump", dir.filePath("none.sgn")});
    EXPECT_EQ(missing.ExitCode, 2);
    EXPECT_TRUE(missing.Err.contains("none.sgn"));

    EXPECT_EQ(RunLumaxis({"dump"}).ExitCode, 2);
}

TEST(DumpCommand, HelpAndVersion)
{
    const ProgramRun help = RunLumaxis({"--help"});
    EXPECT_EQ(help.ExitCode, 0);
    EXPECT_TRUE(help.Out.contains("dump"));
    const ProgramRun version = RunLumaxis({"--version"});
    EXPECT_EQ(version.ExitCode, 0);
    EXPECT_TRUE(version.Out.startsWith("lumaxis "));
}

} // namespace
