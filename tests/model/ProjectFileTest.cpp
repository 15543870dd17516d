// The project file: exact bytes, round trips of every item kind, and
// malformed files that must fail without touching the open project.
#include "model/ProjectFile.h"
#include "items/SGNConter.h"
#include "items/SGNImage.h"
#include "items/SGNRtf.h"
#include "items/SGNTemperature.h"
#include "items/SGNText.h"
#include "items/SGNTimer.h"
#include "items/TimerEx.h"
#include "model/BinaryStream.h"
#include "model/SGNPanel.h"
#include "model/SGNPanels.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray Save(const TSGNPanels& project)
{
    QByteArray bytes;
    auto error = project.SaveToFile(&bytes);
    EXPECT_FALSE(error.has_value()) << error.value_or(QString()).toStdString();
    return bytes;
}

QByteArray Hex(const char* hex)
{
    return QByteArray::fromHex(hex);
}

// Bytes of one item record as the list writes it: kind code, then record.
QByteArray ItemRecord(const TSGNSendMsg& item)
{
    BinaryWriter out;
    item.SaveToFile(out);
    return out.Bytes();
}

TEST(ProjectFile, EmptyProjectIsTwoZeroBytes)
{
    TSGNPanels project;
    EXPECT_EQ(Save(project), Hex("0000"));
}

TEST(ProjectFile, FreshPanelIs114Bytes)
{
    TSGNPanels project;
    project.AddPanel();
    const QByteArray bytes = Save(project);
    ASSERT_EQ(bytes.size(), 114);
    QByteArray expected = Hex("0100");
    expected += QByteArray("SGN PANEL").leftJustified(16, '\0');
    expected += Hex("01000000");                         // port 1
    expected += Hex("08080100000000000000000000000000"); // hardware block
    expected += Hex("0100 0000");                        // Id 1, reserved
    expected += Hex("0600") + QByteArray("U\0n\0k\0o\0w\0n\0", 12);
    expected += Hex("0600") + QByteArray("P\0a\0n\0e\0l\0?\0", 12);
    expected += QByteArray("SGN PARTI").leftJustified(16, '\0');
    expected += Hex("00000000 01000000 00000000 00000000 40000000 40000000");
    expected += Hex("00000000"); // no items
    EXPECT_EQ(bytes.toHex(' '), expected.toHex(' '));
}

TEST(ProjectFile, LastPanelRecordSetsThePort)
{
    TSGNPanels source;
    source.AddPanel();
    source.AddPanel();
    QByteArray bytes = Save(source);
    // Port of the first record at 2 + 16, of the second 114 bytes later.
    bytes[18] = 3;
    bytes[18 + 112] = 5;
    TSGNPanels loaded;
    ASSERT_FALSE(loaded.LoadFromFile(bytes).has_value());
    EXPECT_EQ(loaded.PortNumber, 5);
    EXPECT_EQ(loaded.Count(), 2);
}

TEST(ProjectFile, StoredVersionTextIsDiscarded)
{
    TSGNPanels source;
    source.AddPanel()->VersionText = "KIVO-2.31";
    TSGNPanels loaded;
    ASSERT_FALSE(loaded.LoadFromFile(Save(source)).has_value());
    EXPECT_EQ(loaded.Items(0)->VersionText, "Unkown");
}

TEST(ProjectFile, RecordSizesAndTextBytes)
{
    TTimerEx dial;
    EXPECT_EQ(ItemRecord(dial).size(), 18 + 56);
    EXPECT_EQ(ItemRecord(dial).left(18), QByteArray("SGN TEXTEX").leftJustified(18, '\0'));

    TSGNTemperature temperature;
    temperature.Template.clear();
    EXPECT_EQ(ItemRecord(temperature).size(), 16 + 2 + 56);

    TSGNText text;
    text.Lines = QStringList{"A", "BC"};
    const QByteArray record = ItemRecord(text);
    EXPECT_EQ(record.left(16), QByteArray("SGN TEXT").leftJustified(16, '\0'));
    EXPECT_EQ(record.mid(16, 12).toHex(' '), Hex("0200 0100 4100 0200 4200 4300").toHex(' '));
    EXPECT_EQ(record.size(), 16 + 12 + 56);
}

TEST(ProjectFile, DefaultRichTextIs295Bytes)
{
    TSGNRtf rtf;
    EXPECT_EQ(rtf.RtfStream.size(), 295);
    EXPECT_EQ(rtf.RtfStream.back(), '\0');
    EXPECT_TRUE(rtf.RtfStream.contains("\\cf1\\f0\\fs40 Welcome\\lang2052"));
}

TEST(ProjectFile, StartPagesAreRenumberedOnLoad)
{
    TSGNPanels source;
    TSGNPanel* panel = source.AddPanel();
    for (int i = 0; i < 3; ++i)
        panel->Items.AddItem(KindCodes::Text)->Params.PageNo = static_cast<uint16_t>(70 - i);
    panel->Items.DeleteAt(0);
    panel->Items.AddItem(KindCodes::Timer); // gets 16 again, listed last
    TSGNPanels loaded;
    ASSERT_FALSE(loaded.LoadFromFile(Save(source)).has_value());
    const TSGNUnits& items = loaded.Items(0)->Items;
    ASSERT_EQ(items.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(items.Items(i)->StartPage, 16 * (i + 1));
        EXPECT_EQ(items.Items(i)->Owner, loaded.Items(0));
    }
    EXPECT_EQ(items.Items(0)->Params.PageNo, 69);
}

QImage TestPicture(int w, int h)
{
    QImage picture(w, h, QImage::Format_RGB888);
    picture.fill(Qt::black);
    QPainter painter(&picture);
    painter.fillRect(0, 0, w / 2, h / 2, Qt::red);
    painter.fillRect(w / 2, h / 2, w / 2, h / 2, Qt::yellow);
    return picture;
}

// A project holding every item kind with non-default content.
void FillEveryKind(TSGNPanels& project)
{
    project.PortNumber = 4;
    TSGNPanel* panel = project.AddPanel();
    panel->Name = "店面 sign";
    panel->HardwareParams = {16, 4, 3, 1, 0, 2, 0, 1, 0, 0, 0, 0, 0, 0, 0, 7};
    panel->Zones.LayoutType = 1;
    panel->Zones.Clear();
    panel->Zones.AddZone(0, 0, 64, 32);
    panel->Zones.AddZone(64, 0, 128, 32);

    auto* text = static_cast<TSGNText*>(panel->Items.AddItemToZone(1, KindCodes::Text));
    text->Lines = QStringList{"欢迎光临", "", "Line three"};
    text->Params.Color = 3;
    text->Params.SetFrameStyle(4);
    text->Params.StartTime = 0.25;
    auto* rtf = static_cast<TSGNRtf*>(panel->Items.AddItemToZone(1, KindCodes::Rtf));
    rtf->Caption = "Sale";
    rtf->PageLayout = 1;
    rtf->PlayPages = 3;
    auto* image = static_cast<TSGNImage*>(panel->Items.AddItemToZone(2, KindCodes::Image));
    image->SetPicture(TestPicture(64, 32));
    image->ImageData = QByteArray(3 * 64 * 32 / 8, '\x5a');
    image->ImageSize = image->ImageData.size();
    panel->Items.AddItemToZone(2, KindCodes::Image); // never given a picture
    auto* timer = static_cast<TSGNTimer*>(panel->Items.AddItemToZone(2, KindCodes::Timer));
    timer->Template = "{S}:{F}";
    auto* temp =
        static_cast<TSGNTemperature*>(panel->Items.AddItemToZone(2, KindCodes::Temperature));
    temp->Template = "{W}℃";
    auto* counter = static_cast<TSGNConter*>(panel->Items.AddItemToZone(2, KindCodes::Counter));
    counter->Digits = 4;
    counter->TargetDate = 47000;
    panel->Items.AddItemToZone(2, KindCodes::TimerEx);

    project.AddPanel()->Name = "Second";
}

TEST(ProjectFile, EveryKindRoundTripsByteForByte)
{
    TSGNPanels project;
    FillEveryKind(project);
    const QByteArray first = Save(project);

    TSGNPanels loaded;
    ASSERT_FALSE(loaded.LoadFromFile(first).has_value());
    EXPECT_EQ(Save(loaded), first);
    EXPECT_EQ(loaded.PortNumber, 4);

    const TSGNPanel* panel = loaded.Items(0);
    ASSERT_EQ(panel->Items.Count(), 8);
    EXPECT_EQ(static_cast<TSGNText*>(panel->Items.Items(0))->Lines[0], "欢迎光临");
    EXPECT_EQ(static_cast<TSGNRtf*>(panel->Items.Items(1))->RtfStream, TSGNRtf::DefaultDocument());
    const auto* image = static_cast<TSGNImage*>(panel->Items.Items(2));
    EXPECT_EQ(image->Picture(), TestPicture(64, 32));
    EXPECT_EQ(image->ImageSize, 768);
    EXPECT_TRUE(static_cast<TSGNImage*>(panel->Items.Items(3))->Picture().isNull());
    EXPECT_EQ(static_cast<TSGNConter*>(panel->Items.Items(6))->TargetDate, 47000);
    EXPECT_EQ(panel->Items.Items(7)->KindCode, KindCodes::TimerEx);
    EXPECT_EQ(panel->Items.Items(2)->Params.Zone(), 2);
}

TEST(ProjectFile, StoredPictureIsA24BitBmp)
{
    TSGNImage image;
    image.SetPicture(TestPicture(16, 8));
    const QByteArray bmp = image.PictureBmp();
    ASSERT_GE(bmp.size(), 54);
    EXPECT_EQ(bmp.left(2), "BM");
    EXPECT_EQ(uint8_t(bmp[28]), 24); // bits per pixel
    EXPECT_EQ(bmp.size(), 54 + 16 * 3 * 8);
}

// Each case cuts or corrupts a valid file; every one must fail, say where,
// and leave the project that was open exactly as it was.
TEST(ProjectFile, MalformedFilesFailAndChangeNothing)
{
    TSGNPanels source;
    FillEveryKind(source);
    const QByteArray good = Save(source);
    const int firstItem = 2 + 40 + 14 + 2 + 14 + 16 + 8 + 32 + 4; // panel, strings, zones, count
    // Offsets inside the first text item (kind code at firstItem).
    const int textLines = firstItem + 2 + 16;

    auto patched = [&](int at, const QByteArray& bytes) {
        QByteArray b = good;
        b.replace(at, bytes.size(), bytes);
        return b;
    };
    const struct
    {
        const char* name;
        QByteArray bytes;
        const char* expected; // part of the message
    } cases[] = {
        {"empty file", QByteArray(), "panel count"},
        {"one byte", Hex("01"), "panel count"},
        {"count beyond the file", Hex("ffff") + good.mid(2), "panel records"},
        {"cut inside the last panel's name", good.left(good.size() - 52), "panel name"},
        {"cut inside an item", good.left(textLines + 5), "item records"},
        {"cut before the last parameter record", good.left(good.size() - 120), ""},
        {"string longer than the file", patched(2 + 40, Hex("ff7f")), "panel version text"},
        {"negative zone count", patched(2 + 40 + 14 + 14 + 20, Hex("ffffffff")), "zone count"},
        {"huge item count", patched(firstItem - 4, Hex("00000010")), "item count"},
        {"unknown kind code", patched(firstItem, Hex("0580")), "kind code"},
        {"line count beyond the file", patched(textLines, Hex("fff0")), "text lines"},
    };

    TSGNPanels open;
    FillEveryKind(open);
    open.PortNumber = 9;
    const QByteArray before = Save(open);
    for (const auto& c : cases) {
        auto error = open.LoadFromFile(c.bytes);
        ASSERT_TRUE(error.has_value()) << c.name;
        EXPECT_TRUE(error->Expected.contains(QLatin1String(c.expected)))
            << c.name << ": " << error->Describe().toStdString();
        EXPECT_GE(error->Offset, 0) << c.name;
        EXPECT_LE(error->Offset, c.bytes.size()) << c.name;
        EXPECT_EQ(open.PortNumber, 9) << c.name;
        EXPECT_EQ(Save(open), before) << c.name;
    }
}

TEST(ProjectFile, CorruptPicturesAndSizesFail)
{
    TSGNPanels source;
    TSGNPanel* panel = source.AddPanel();
    auto* image = static_cast<TSGNImage*>(panel->Items.AddItem(KindCodes::Image));
    image->SetPicture(TestPicture(8, 8));
    const QByteArray good = Save(source);
    const int record = 114 + 2;            // kind code of the picture
    const int sizes = record + 16 + 1 + 4; // width, height, BMP length (no planes)
    const int bmp = sizes + 12;

    const struct
    {
        const char* name;
        int at;
        QByteArray bytes;
    } cases[] = {
        {"negative plane size", record + 17, Hex("ffffffff")},
        {"plane size beyond the file", record + 17, Hex("00000001")},
        {"absurd width", sizes, Hex("00000100")},
        {"BMP length beyond the file", sizes + 8, Hex("ffffff00")},
        {"not a BMP", bmp, QByteArray("XXXXXXXXXXXXXXXXXXXXXXXXXXXX")},
    };
    for (const auto& c : cases) {
        QByteArray bytes = good;
        bytes.replace(c.at, c.bytes.size(), c.bytes);
        TSGNPanels loaded;
        auto error = loaded.LoadFromFile(bytes);
        ASSERT_TRUE(error.has_value()) << c.name;
        EXPECT_EQ(loaded.Count(), 0) << c.name;
    }
}

TEST(ProjectFile, TextsTooLongForTheFormatAreRefused)
{
    TSGNPanels project;
    TSGNPanel* panel = project.AddPanel();
    auto* text = static_cast<TSGNText*>(panel->Items.AddItem(KindCodes::Text));
    QByteArray bytes = "untouched";

    text->Lines = QStringList{QString(65536, 'x')};
    auto error = project.SaveToFile(&bytes);
    ASSERT_TRUE(error.has_value());
    EXPECT_TRUE(error->contains("65536")) << error->toStdString();
    EXPECT_EQ(bytes, "untouched");

    text->Lines = QStringList{QString(65535, 'x')};
    ASSERT_FALSE(project.SaveToFile(&bytes).has_value());
    TSGNPanels loaded;
    ASSERT_FALSE(loaded.LoadFromFile(bytes).has_value());
    EXPECT_EQ(static_cast<TSGNText*>(loaded.Items(0)->Items.Items(0))->Lines[0].size(), 65535);

    auto* rtf = static_cast<TSGNRtf*>(panel->Items.AddItem(KindCodes::Rtf));
    rtf->RtfStream = QByteArray(65536, 'r');
    EXPECT_TRUE(project.SaveToFile(&bytes).has_value());
}

TEST(ProjectFile, SaveIsAtomicAndReportsFailure)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Tesslar.sgn");
    TSGNPanels project;
    project.AddPanel();
    ASSERT_FALSE(ProjectFile::Save(path, project).has_value());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    file.close();
    EXPECT_EQ(saved.size(), 114);

    // A refused save leaves the previous file as it was.
    static_cast<TSGNText*>(project.Items(0)->Items.AddItem(KindCodes::Text))->Lines =
        QStringList{QString(70000, 'y')};
    EXPECT_TRUE(ProjectFile::Save(path, project).has_value());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), saved);
    file.close();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"Tesslar.sgn"});

    auto error = ProjectFile::Save(dir.filePath("missing/dir/x.sgn"), project);
    EXPECT_TRUE(error.has_value());
}

TEST(ProjectFile, LoadReportsTheFileAndOffset)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("bad.sgn");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(Hex("0100") + QByteArray(30, 'z'));
    file.close();
    TSGNPanels project;
    auto error = ProjectFile::Load(path, project);
    ASSERT_TRUE(error.has_value());
    EXPECT_TRUE(error->contains(path));
    EXPECT_TRUE(error->contains("at byte")) << error->toStdString();
    EXPECT_TRUE(ProjectFile::Load(dir.filePath("none.sgn"), project).has_value());

    const QString aside = ProjectFile::SetAsideDamaged(path);
    EXPECT_TRUE(aside.contains("damaged")) << aside.toStdString();
    EXPECT_TRUE(QFile::exists(aside));
    EXPECT_FALSE(QFile::exists(path));
}

} // namespace
