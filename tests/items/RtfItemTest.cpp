// The rich-text item: its defaults, page and block arithmetic, blocks and
// packets, and its project-file limit.
#include "items/SGNRtf.h"
#include "model/ProjectFile.h"
#include "model/SGNPanel.h"
#include "model/SGNPanels.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <vector>

namespace {

// n pages of `bytes` bytes; byte i of page d is (d * 7 + i) & 0xFF, so that
// every slice is recognisable.
void FillPages(TSGNRtf& item, int n, int bytes)
{
    item.ClearPages();
    for (int d = 0; d < n; ++d) {
        QByteArray page(bytes, '\0');
        for (int i = 0; i < bytes; ++i)
            page[i] = static_cast<char>((d * 7 + i) & 0xFF);
        item.AddPage(page);
    }
    item.TotalSize = n * bytes;
}

struct Sent
{
    int Command;
    int PageNo;
    int BlockOffset; // -1 for a first block (bytes 18..19 are Effect, FrameFlash)
    int PageIndex;
    int LastPageIndex;
    int DataCount;
    uint8_t FirstByte;
};

// Runs the block loop of a send and decodes every packet it builds.
std::vector<Sent> SendAll(TSGNRtf& item, int startPage)
{
    item.StartPage = startPage;
    item.Params.PageNo = static_cast<uint16_t>(startPage);
    item.Prepare();
    std::vector<Sent> sent;
    for (int b = 0; b < item.GetBlockCount(); ++b) {
        item.BlockIndex = b;
        item.FillBlock();
        item.BuildPacket();
        const uint8_t* p = item.SendBuffer.data();
        const int command = p[13];
        sent.push_back({command, GetU16(p + 16), command == 2 ? GetU16(p + 18) : -1, p[42], p[43],
                        item.DataCount, p[48]});
        // The record keeps none of the continuation settings.
        EXPECT_EQ(item.Command, 3);
        EXPECT_EQ(item.Params.UseOffset, 0);
        EXPECT_EQ(item.Params.PageNo, startPage);
    }
    return sent;
}

} // namespace

TEST(RtfItem, NewItem)
{
    TSGNRtf item;
    EXPECT_EQ(item.Caption, QStringLiteral("Welcome!"));
    EXPECT_EQ(item.GetName(), QStringLiteral("Welcome!"));
    ASSERT_EQ(item.RtfStream.size(), 295);
    EXPECT_EQ(item.RtfStream.back(), '\0');
    EXPECT_TRUE(item.Pages.empty());
    EXPECT_EQ(item.GetBlockCount(), 0);
    EXPECT_EQ(item.GetPageCount(), 1);
    EXPECT_EQ(item.Params.TypeCode, 1);
    // Prepare leaves the rendered content alone.
    FillPages(item, 2, 256);
    item.Prepare();
    EXPECT_EQ(item.TotalSize, 512);
    EXPECT_EQ(item.GetBlockCount(), 2);
}

TEST(RtfItem, CaptionRules)
{
    TSGNRtf item;
    item.SetCaptionFromText(QStringLiteral("abcdef"));
    EXPECT_EQ(item.Caption, QStringLiteral("abcdef"));
    item.SetCaptionFromText(QStringLiteral("欢迎光临本店今日特价"));
    EXPECT_EQ(item.Caption, QStringLiteral("欢迎光临本店"));
    item.Caption.clear();
    EXPECT_EQ(item.GetName(), QStringLiteral("超文本"));
    // The name becomes the caption, so the project file keeps it.
    EXPECT_EQ(item.Caption, QStringLiteral("超文本"));
}

TEST(RtfItem, PageAndBlockArithmetic)
{
    struct Case
    {
        int Pages, Bytes, StartPage, Blocks, Reported;
    } cases[] = {
        {1, 512, 1, 1, 1},    // 128 x 32 in mode 1
        {3, 1536, 5, 6, 3},   // k = 2
        {5, 1536, 78, 4, 2},  // only pages 78 and 79 are left
        {40, 512, 1, 40, 30}, // every page is sent, 30 are reported
        {2, 3072, 1, 6, 2},   // k = 3
        {4, 512, 80, 0, 0},   // no page is left
        {4, 512, 90, 0, 0},   // placed past the end: nothing, never negative
    };
    for (const Case& c : cases) {
        TSGNRtf item;
        FillPages(item, c.Pages, c.Bytes);
        item.StartPage = c.StartPage;
        EXPECT_EQ(item.GetBlockCount(), c.Blocks) << c.Pages << " pages at " << c.StartPage;
        EXPECT_EQ(item.GetPageCount(), c.Reported) << c.Pages << " pages at " << c.StartPage;
        EXPECT_EQ(item.PlayPages, c.Reported);
    }
}

TEST(RtfItem, WithoutPagesReportsLastCountLimited)
{
    TSGNRtf item;
    FillPages(item, 12, 256);
    item.StartPage = 1;
    EXPECT_EQ(item.GetPageCount(), 12);
    item.ClearPages();
    EXPECT_EQ(item.GetPageCount(), 12);
    EXPECT_EQ(item.GetBlockCount(), 0);
    item.StartPage = 75;
    EXPECT_EQ(item.GetPageCount(), 5);
    item.PlayPages = -5; // as a damaged project file may hold it
    item.StartPage = 10;
    EXPECT_EQ(item.GetPageCount(), 0);
    item.ResetContent();
    EXPECT_EQ(item.PlayPages, 1);
    EXPECT_TRUE(item.RtfStream.isEmpty());
}

TEST(RtfItem, FillBlockSlicesPages)
{
    TSGNRtf item;
    FillPages(item, 2, 1536);
    item.StartPage = 1;
    item.BlockIndex = 3; // page 1, offset 1024
    item.FillBlock();
    EXPECT_EQ(item.DataCount, 512);
    EXPECT_EQ(item.Params.PageIndex, 1);
    EXPECT_EQ(item.Params.LastPageIndex, 1);
    EXPECT_EQ(item.Data[0], static_cast<uint8_t>((7 + 1024) & 0xFF));
    EXPECT_EQ(item.Data[511], static_cast<uint8_t>((7 + 1535) & 0xFF));
    // A block beyond the pages carries nothing.
    item.BlockIndex = 4;
    item.FillBlock();
    EXPECT_EQ(item.DataCount, 0);
    item.ClearPages();
    item.BlockIndex = 0;
    item.FillBlock();
    EXPECT_EQ(item.DataCount, 0);
}

TEST(RtfItem, ThreePagesWithContinuationBlocks)
{
    TSGNRtf item;
    FillPages(item, 3, 1536);
    const std::vector<Sent> sent = SendAll(item, 5);
    ASSERT_EQ(sent.size(), 6u);
    const int pageNos[] = {5, 5, 6, 6, 7, 7};
    for (int b = 0; b < 6; ++b) {
        const Sent& s = sent[static_cast<size_t>(b)];
        EXPECT_EQ(s.PageNo, pageNos[b]) << b;
        EXPECT_EQ(s.Command, b % 2 ? 2 : 3) << b;
        EXPECT_EQ(s.BlockOffset, b % 2 ? 1024 : -1) << b;
        EXPECT_EQ(s.PageIndex, b / 2) << b;
        EXPECT_EQ(s.LastPageIndex, 2) << b;
        EXPECT_EQ(s.DataCount, b % 2 ? 512 : 1024) << b;
        EXPECT_EQ(s.FirstByte, static_cast<uint8_t>(((b / 2) * 7 + (b % 2) * 1024) & 0xFF)) << b;
    }
    EXPECT_EQ(item.GetPageCount(), 3);
}

TEST(RtfItem, FortyPagesSendAllReportThirty)
{
    TSGNRtf item;
    FillPages(item, 40, 512);
    const std::vector<Sent> sent = SendAll(item, 1);
    ASSERT_EQ(sent.size(), 40u);
    for (int d = 0; d < 40; ++d) {
        EXPECT_EQ(sent[static_cast<size_t>(d)].PageNo, d + 1);
        EXPECT_EQ(sent[static_cast<size_t>(d)].PageIndex, d);
        EXPECT_EQ(sent[static_cast<size_t>(d)].LastPageIndex, 29);
        EXPECT_EQ(sent[static_cast<size_t>(d)].Command, 3);
    }
    EXPECT_EQ(item.GetPageCount(), 30);
}

TEST(RtfItem, TooLongRichTextIsNeverWritten)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.sgn"));
    TSGNPanels project;
    TSGNPanel* panel = project.AddPanel();
    auto* item = static_cast<TSGNRtf*>(panel->Items.AddItem(KindCodes::Rtf));

    // 65535 bytes is the largest document the record holds, and reads back.
    item->RtfStream = QByteArray(65535, 'x');
    ASSERT_FALSE(ProjectFile::Save(path, project).has_value());
    TSGNPanels loaded;
    ASSERT_FALSE(ProjectFile::Load(path, loaded).has_value());
    auto* back = static_cast<TSGNRtf*>(loaded.Items(0)->Items.Items(0));
    EXPECT_EQ(back->RtfStream, item->RtfStream);

    // One byte more is refused, and the file on disk stays as it was.
    QFile before(path);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray saved = before.readAll();
    before.close();
    item->RtfStream = QByteArray(65536, 'x');
    const auto error = ProjectFile::Save(path, project);
    ASSERT_TRUE(error.has_value());
    EXPECT_TRUE(error->contains(QStringLiteral("65536"))) << error->toStdString();
    QFile after(path);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), saved);
}
