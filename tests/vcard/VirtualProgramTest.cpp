// The virtual card's program storage: pages by number, continuation blocks
// at their offsets, begin and end marks, the page files and export files.
#include "items/SGNImage.h"
#include "items/SGNText.h"
#include "items/SGNTimer.h"
#include "model/SGNPanel.h"
#include "model/SGNPanels.h"
#include "model/SGNPartition.h"
#include "protocol/ExportRecord.h"
#include "protocol/ProgramSend.h"
#include "support/JsonFile.h"
#include "vcard/VirtualCard.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>

namespace {

// Builds block b of the item for page `page` and hands it to the card.
void Give(VirtualCard& card, TSGNSendMsg& item, int page, int block)
{
    std::array<uint8_t, 52> reply{};
    item.Params.PageNo = static_cast<uint16_t>(page);
    if (block == 0)
        item.Prepare();
    item.BlockIndex = block;
    item.FillBlock();
    item.BuildPacket();
    ASSERT_TRUE(card.Answer(item.SendBuffer.data(), item.PacketLength(), reply));
}

void Boundary(VirtualCard& card, uint8_t flag)
{
    TSGNUnit unit;
    unit.Command = 25;
    unit.BuildPacket();
    unit.SendBuffer[16] = flag;
    unit.SealPacket();
    std::array<uint8_t, 52> reply{};
    ASSERT_TRUE(card.Answer(unit.SendBuffer.data(), unit.PacketLength(), reply));
}

std::array<uint8_t, 16> Hardware(uint8_t w8, uint8_t h8, uint8_t mode)
{
    std::array<uint8_t, 16> hw{};
    hw[0] = w8;
    hw[1] = h8;
    hw[2] = mode;
    return hw;
}

} // namespace

TEST(VirtualProgram, ReassemblesPagesAndWritesThem)
{
    VirtualCardState state;
    state.HardwareParams = Hardware(20, 16, 2); // 160 x 128, two colours
    state.ZoneTable = {1, 0, 0, 20, 16};
    VirtualCard card({}, state);

    // A picture of 160 x 128 in two planes (5120 bytes, five blocks): the
    // red plane has its top-left pixel lit, the green its bottom-right.
    TSGNImage picture;
    picture.BlankPicture(state.HardwareParams, TZoneRect{0, 0, 160, 128});
    ASSERT_EQ(picture.GetBlockCount(), 5);
    picture.ImageData[0] = static_cast<char>(0x80);
    picture.ImageData[5119] = 0x01;
    TSGNText text;
    text.Lines = QStringList{QStringLiteral("Hi中")};
    TSGNTimer clock;

    Boundary(card, 0);
    Give(card, text, 1, 0);
    for (int b = 0; b < 5; ++b)
        Give(card, picture, 2, b);
    Give(card, clock, 3, 0);
    EXPECT_FALSE(card.Program().Complete);
    Boundary(card, 1);

    const VirtualProgram program = card.Program();
    EXPECT_EQ(program.Begins, 1);
    EXPECT_EQ(program.Ends, 1);
    EXPECT_TRUE(program.Complete);
    ASSERT_EQ(program.Pages.size(), 3u);
    const VirtualPage& pic = program.Pages.at(2);
    EXPECT_EQ(pic.Blocks, 5);
    EXPECT_EQ(pic.Data.size(), 5120u);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(pic.Data.data()), 5120), picture.ImageData);
    EXPECT_EQ(pic.Params[2], 1) << "the first block's effect is kept, not a block offset";

    QTemporaryDir dir;
    std::string why;
    ASSERT_TRUE(card.WriteProgram(dir.path().toStdString(), &why)) << why;
    const QJsonObject t = ReadJson(dir.filePath(QStringLiteral("page-001.json")));
    EXPECT_EQ(t.value("Kind").toString(), QStringLiteral("text"));
    EXPECT_EQ(t.value("Codes").toArray(), (QJsonArray{0x48, 0x69, 0x0B9D}));
    EXPECT_EQ(t.value("TextLength").toInt(), 6);
    EXPECT_EQ(t.value("Zone").toInt(), 1);
    const QJsonObject c = ReadJson(dir.filePath(QStringLiteral("page-003.json")));
    EXPECT_EQ(c.value("Kind").toString(), QStringLiteral("clock"));
    EXPECT_EQ(c.value("Codes").toArray().size(), 19);
    EXPECT_EQ(c.value("Codes").toArray().at(2).toInt(), 11);

    const QJsonObject p = ReadJson(dir.filePath(QStringLiteral("page-002.json")));
    EXPECT_EQ(p.value("Kind").toString(), QStringLiteral("picture"));
    EXPECT_EQ(p.value("Blocks").toInt(), 5);
    EXPECT_FALSE(p.contains("Codes"));
    const QImage png(dir.filePath(p.value("Png").toString()));
    ASSERT_EQ(png.size(), QSize(160, 128));
    EXPECT_EQ(png.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(png.pixel(159, 127), qRgb(0, 255, 0));
    EXPECT_EQ(png.pixel(1, 0), qRgb(0, 0, 0));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("page-001.png"))));

    // A new program replaces the old one.
    Boundary(card, 0);
    EXPECT_TRUE(card.Program().Pages.empty());
}

TEST(VirtualProgram, LoadsAnExportFileAndRejectsDamagedRecords)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("led.sd"));
    TSGNText text;
    text.Lines = QStringList{QStringLiteral("AB")};
    text.Prepare();
    text.FillBlock();
    text.BuildPacket();
    TSGNUnit end;
    end.Command = 25;
    end.BuildPacket();
    end.SendBuffer[16] = 1;
    end.SealPacket();
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(ExportRecord::Append(f, text));
        ASSERT_TRUE(ExportRecord::Append(f, end));
    }
    VirtualCard card;
    std::string why;
    ASSERT_TRUE(card.LoadExportFile(path.toStdString(), &why)) << why;
    EXPECT_TRUE(card.Program().Complete);
    ASSERT_EQ(card.Program().Pages.count(1), 1u);
    EXPECT_EQ(card.Program().Pages.at(1).Data, (std::vector<uint8_t>{0x41, 0, 0x42, 0}));

    // A spoilt checksum in the second record is reported with its offset.
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.seek(2048 + 20);
    f.write("\x07", 1);
    f.close();
    VirtualCard second;
    EXPECT_FALSE(second.LoadExportFile(path.toStdString(), &why));
    EXPECT_NE(why.find("offset 2048"), std::string::npos) << why;
    EXPECT_EQ(second.Program().Pages.size(), 1u) << "the records before it are kept";

    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.resize(4000);
    f.close();
    EXPECT_FALSE(VirtualCard().LoadExportFile(path.toStdString(), &why));
    EXPECT_NE(why.find("1952 of 2048"), std::string::npos) << why;
}

TEST(VirtualProgram, ExportFileCarriesThePanelSizeAndColours)
{
    // A 64 x 16 three-colour panel: the export's parameter and zone records
    // tell the card how to draw the picture page.
    TSGNPanels project;
    TSGNPanel* panel = project.AddPanel();
    panel->HardwareParams[0] = 8;
    panel->HardwareParams[1] = 2;
    panel->HardwareParams[2] = 3;
    panel->Zones.Clear();
    panel->Zones.AddZone(0, 0, 64, 16);
    auto* picture = static_cast<TSGNImage*>(panel->Items.AddItem(KindCodes::Image));
    picture->BlankPicture(panel->HardwareParams, TZoneRect{0, 0, 64, 16});
    ASSERT_EQ(picture->ImageSize, 384);
    picture->ImageData[0] = static_cast<char>(0x80);       // red at (0, 0)
    picture->ImageData[128 + 1] = static_cast<char>(0x80); // green at (8, 0)
    picture->ImageData[256 + 127] = 0x01;                  // blue at (63, 15)

    QTemporaryDir dir;
    const QString sd = dir.filePath(QStringLiteral("led.sd"));
    QString error;
    ASSERT_EQ(ProgramSend::ExportSdFile(panel, sd, {}, &error), ProgramSend::ExportOutcome::Saved);
    VirtualCard card;
    std::string why;
    ASSERT_TRUE(card.LoadExportFile(sd.toStdString(), &why)) << why;
    EXPECT_EQ(card.State().HardwareParams[2], 3);
    ASSERT_TRUE(card.WriteProgram(dir.filePath(QStringLiteral("out")).toStdString(), &why)) << why;
    const QImage png(dir.filePath(QStringLiteral("out/page-001.png")));
    ASSERT_EQ(png.size(), QSize(64, 16));
    EXPECT_EQ(png.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(png.pixel(8, 0), qRgb(0, 255, 0));
    EXPECT_EQ(png.pixel(63, 15), qRgb(0, 0, 255));
    EXPECT_EQ(png.pixel(1, 0), qRgb(0, 0, 0));
}
