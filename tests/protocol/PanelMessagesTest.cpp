// SendItem, AssignStartPages and SendProgramBoundary written to an export
// device, and the export file as a whole.
#include "items/SGNImage.h"
#include "items/SGNRtf.h"
#include "items/SGNText.h"
#include "items/TimerEx.h"
#include "model/SGNPanel.h"
#include "model/SGNPanels.h"
#include "protocol/ExportRecord.h"
#include "protocol/ProgramSend.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

namespace {

// The records written to the buffer: the packet of each (up to its 'P').
struct Records
{
    explicit Records(const QByteArray& bytes) : bytes(bytes) {}
    int Count() const { return bytes.size() / ExportRecord::RecordSize; }
    const uint8_t* At(int k) const
    {
        return reinterpret_cast<const uint8_t*>(bytes.constData()) + k * ExportRecord::RecordSize;
    }
    int PacketLength(int k) const { return At(k)[1] | (At(k)[2] << 8); }
    bool PaddedWithZeros(int k) const
    {
        for (int i = PacketLength(k); i < ExportRecord::RecordSize; ++i) {
            if (At(k)[i] != 0)
                return false;
        }
        return At(k)[PacketLength(k) - 1] == 0x50;
    }
    QByteArray bytes;
};

class PanelToFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        panel = project.AddPanel();
        panel->Id = 1;
        buffer.open(QIODevice::WriteOnly);
    }
    Records Written() const { return Records(buffer.data()); }

    TSGNPanels project;
    TSGNPanel* panel = nullptr;
    QBuffer buffer;
};

} // namespace

TEST_F(PanelToFile, TextItemIsOneRecord)
{
    auto* text = static_cast<TSGNText*>(panel->Items.AddItem(KindCodes::Text));
    text->Lines = QStringList{QStringLiteral("Hello")};
    int pages = -1;
    ASSERT_TRUE(panel->SendItem(0, 1, &buffer, true, false, &pages));
    EXPECT_EQ(pages, 1);
    EXPECT_EQ(text->StartPage, 1);
    const Records r = Written();
    ASSERT_EQ(r.Count(), 1);
    ASSERT_EQ(r.bytes.size(), 2048);
    EXPECT_EQ(r.PacketLength(0), 62);
    EXPECT_TRUE(r.PaddedWithZeros(0));
    const std::vector<uint8_t> params(r.At(0) + 16, r.At(0) + 24);
    EXPECT_EQ(params, (std::vector<uint8_t>{0x01, 0x00, 0x01, 0x00, 0x0E, 0x03, 0x02, 0x00}));
    const std::vector<uint8_t> tail(r.At(0) + 40, r.At(0) + 48);
    EXPECT_EQ(tail, (std::vector<uint8_t>{0x01, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x01, 0x00}));

    // Inserted, from page 7, on a panel with Id 3.
    panel->Id = 3;
    ASSERT_TRUE(panel->SendItem(0, 7, &buffer, true, true, &pages));
    EXPECT_EQ(Written().At(1)[3], 3);
    EXPECT_EQ(Written().At(1)[16], 7);
    EXPECT_EQ(Written().At(1)[41], 0x10);
}

TEST_F(PanelToFile, PictureBlocksAndEmptyItems)
{
    auto* picture = static_cast<TSGNImage*>(panel->Items.AddItem(KindCodes::Image));
    std::array<uint8_t, 16> hw{};
    hw[2] = 1;
    picture->BlankPicture(hw, TZoneRect{0, 0, 160, 128}); // 2560 bytes
    int pages = -1;
    ASSERT_TRUE(panel->SendItem(0, 2, &buffer, true, false, &pages));
    EXPECT_EQ(pages, 1);
    Records r = Written();
    ASSERT_EQ(r.Count(), 3);
    const int lengths[] = {1076, 1076, 564};
    const int commands[] = {3, 2, 2};
    const int offsets[] = {0x0001, 1024, 2048}; // effect 1 / frame 0 on the first
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(r.PacketLength(k), lengths[k]);
        EXPECT_EQ(r.At(k)[13], commands[k]);
        EXPECT_EQ(r.At(k)[16], 2);
        EXPECT_EQ(r.At(k)[18] | (r.At(k)[19] << 8), offsets[k]);
        EXPECT_TRUE(r.PaddedWithZeros(k));
    }

    // A picture without data sends nothing and takes no page.
    picture->ImageData.clear();
    picture->ImageSize = 0;
    ASSERT_TRUE(panel->SendItem(0, 3, &buffer, true, false, &pages));
    EXPECT_EQ(pages, 0);
    EXPECT_EQ(Written().Count(), 3);
}

TEST_F(PanelToFile, RichTextPagesAndTheirBlocks)
{
    auto* rtf = static_cast<TSGNRtf*>(panel->Items.AddItem(KindCodes::Rtf));
    int pages = -1;
    // Not rendered yet: nothing is sent.
    ASSERT_TRUE(panel->SendItem(0, 5, &buffer, true, false, &pages));
    EXPECT_EQ(pages, 0);
    EXPECT_EQ(Written().Count(), 0);

    for (int d = 0; d < 3; ++d)
        rtf->AddPage(QByteArray(1536, static_cast<char>(0x10 + d)));
    ASSERT_TRUE(panel->SendItem(0, 5, &buffer, true, false, &pages));
    EXPECT_EQ(pages, 3);
    const Records r = Written();
    ASSERT_EQ(r.Count(), 6);
    for (int k = 0; k < 6; ++k) {
        const uint8_t* p = r.At(k);
        EXPECT_EQ(p[16], 5 + k / 2) << "record " << k;
        EXPECT_EQ(p[13], k % 2 == 0 ? 3 : 2) << "record " << k;
        if (k % 2 == 1) {
            EXPECT_EQ(p[18] | (p[19] << 8), 1024) << "record " << k;
        }
        EXPECT_EQ(p[42], k / 2) << "record " << k;
        EXPECT_EQ(p[43], 2) << "record " << k;
        EXPECT_EQ(p[41], 1);
        EXPECT_EQ(r.PacketLength(k), k % 2 == 0 ? 1076 : 564);
        EXPECT_EQ(p[48], 0x10 + k / 2);
    }
    EXPECT_EQ(rtf->Params.PageNo, 5) << "the record keeps the item's first page";
    EXPECT_EQ(rtf->Command, 3);
}

TEST_F(PanelToFile, RefusesWhatCannotBeSent)
{
    panel->Items.AddItem(KindCodes::Text);
    // A dial clock only comes from project files; build one the way the
    // loader does.
    auto* dial = panel->Items.AddItem(KindCodes::TimerEx);
    ASSERT_NE(dial, nullptr);
    const int before = dial->StartPage;
    int pages = -1;
    EXPECT_FALSE(panel->SendItem(1, 5, &buffer, true, false, &pages));
    EXPECT_EQ(pages, 0);
    EXPECT_EQ(dial->StartPage, before);
    EXPECT_FALSE(panel->SendItem(2, 5, &buffer, true, false, &pages));
    EXPECT_FALSE(panel->SendItem(0, 5, nullptr, true, false, &pages));
    EXPECT_EQ(Written().Count(), 0);
}

TEST_F(PanelToFile, ProgramBoundaryAndStartPages)
{
    panel->Id = 2;
    ASSERT_TRUE(panel->SendProgramBoundary(1, true, &buffer));
    const Records r = Written();
    std::vector<uint8_t> expected = {0xA0, 0x34, 0x00, 0x02, 0,    0,    0,    0,   0,
                                     0,    0,    0,    0,    0x19, 0x19, 0x18, 0x01};
    expected.resize(48, 0);
    expected.insert(expected.end(), {0x21, 0x01, 0x00, 0x50});
    EXPECT_EQ(std::vector<uint8_t>(r.At(0), r.At(0) + 52), expected);
    EXPECT_TRUE(r.PaddedWithZeros(0));

    for (int i = 0; i < 3; ++i)
        panel->Items.AddItem(KindCodes::Text);
    EXPECT_EQ(panel->AssignStartPages(), 3);
    EXPECT_EQ(panel->Items.Items(0)->StartPage, 0);
    EXPECT_EQ(panel->Items.Items(2)->StartPage, 2);
}

TEST(ExportSdFile, OneTextItemMakesFourRecords)
{
    TSGNPanels project;
    TSGNPanel* panel = project.AddPanel();
    panel->Items.AddItem(KindCodes::Text);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("led.sd"));
    QString error;
    ASSERT_EQ(ProgramSend::ExportSdFile(panel, path, {}, &error), ProgramSend::ExportOutcome::Saved)
        << error.toStdString();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const Records r(f.readAll());
    ASSERT_EQ(r.bytes.size(), 8192);
    const int commands[] = {35, 41, 3, 25};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(r.At(k)[13], commands[k]) << "record " << k;
        EXPECT_EQ(r.At(k)[14], commands[k]);
        EXPECT_EQ(r.At(k)[15], commands[k] - 1);
        EXPECT_EQ(r.At(k)[3], panel->Id);
        EXPECT_TRUE(r.PaddedWithZeros(k)) << "record " << k;
    }
    EXPECT_EQ(r.At(3)[16], 1);
    EXPECT_EQ(r.At(2)[16], 1) << "the first item starts at page 1";
}

TEST(ExportSdFile, PageLimitAndNothingToExport)
{
    TSGNPanels project;
    TSGNPanel* panel = project.AddPanel();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("led.sd"));
    QString error;
    EXPECT_EQ(ProgramSend::ExportSdFile(panel, path, {}, &error),
              ProgramSend::ExportOutcome::NothingToExport);
    EXPECT_FALSE(QFile::exists(path));

    // 81 one-page items: after the 79th the next start page is 80, so no
    // further item is written.
    for (int i = 0; i < 81; ++i)
        panel->Items.AddItem(KindCodes::Text);
    ASSERT_EQ(ProgramSend::ExportSdFile(panel, path, {}, &error),
              ProgramSend::ExportOutcome::Saved);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const Records r(f.readAll());
    ASSERT_EQ(r.Count(), 2 + 79 + 1);
    EXPECT_EQ(r.At(2 + 78)[16], 79);
    EXPECT_EQ(r.At(2 + 79)[13], 25);

    // A directory that does not exist: nothing is created.
    const QString bad = dir.filePath(QStringLiteral("missing/led.sd"));
    EXPECT_EQ(ProgramSend::ExportSdFile(panel, bad, {}, &error),
              ProgramSend::ExportOutcome::CannotCreate);
    EXPECT_TRUE(error.contains(QStringLiteral("missing"))) << error.toStdString();
}

TEST_F(PanelToFile, PagesBeyondTheBlockOffsetAreNotSent)
{
    // A continuation block gives its place in the page as 16 bits: 64 blocks
    // (65536 bytes) reach offset 64512, one block more would wrap to 0 and
    // overwrite the start of the page on the card.
    auto* picture = static_cast<TSGNImage*>(panel->Items.AddItem(KindCodes::Image));
    std::array<uint8_t, 16> hw{};
    hw[2] = 1;
    picture->BlankPicture(hw, TZoneRect{0, 0, 1024, 512}); // 65536 bytes
    int pages = -1;
    ASSERT_TRUE(panel->SendItem(0, 1, &buffer, true, false, &pages));
    EXPECT_EQ(pages, 1);
    ASSERT_EQ(Written().Count(), 64);
    EXPECT_EQ(Written().At(63)[18] | (Written().At(63)[19] << 8), 64512);
    EXPECT_TRUE(ProgramSend::UnsendableReason(*picture).isEmpty());

    struct Case
    {
        const char* what;
        uint16_t kind;
    };
    for (const Case c : {Case{"picture", KindCodes::Image}, Case{"rich text", KindCodes::Rtf}}) {
        buffer.buffer().clear();
        buffer.seek(0);
        auto* item = panel->Items.AddItem(c.kind);
        const int index = panel->Items.Count() - 1;
        if (c.kind == KindCodes::Image) // 1024 x 256 in three colours: 98304 bytes
            static_cast<TSGNImage*>(item)->BlankPicture({128, 32, 3}, TZoneRect{0, 0, 1024, 256});
        else
            static_cast<TSGNRtf*>(item)->AddPage(QByteArray(98304, '\x01'));
        pages = -1;
        EXPECT_FALSE(panel->SendItem(index, 1, &buffer, true, false, &pages)) << c.what;
        EXPECT_EQ(pages, 0) << c.what;
        EXPECT_EQ(Written().Count(), 0) << c.what;
        EXPECT_TRUE(ProgramSend::UnsendableReason(*item).contains(QStringLiteral("98304 bytes")))
            << c.what;
    }
}
