// The rich-text page renderer on real documents laid out by Qt's text
// engine: fitting, both layouts, bands and pages, colour planes.
#include "authoring/RTFDecodeUnit.h"
#include "authoring/RtfReader.h"
#include "items/SGNRtf.h"

#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <array>
#include <gtest/gtest.h>
#include <set>

namespace {

class Renderer : public ::testing::Test
{
protected:
    void Render(const QByteArray& rtf, int w, int h, int mode, int layout)
    {
        RtfReader::Read(rtf, doc);
        params[2] = static_cast<uint8_t>(mode);
        item.PageLayout = static_cast<uint8_t>(layout);
        unit.Attach(&doc, params.data(), &item, 0, 0, w, h);
        unit.Decode();
    }

    // Bits set in one plane of a page record.
    int LitBits(int page, int plane, int w, int h) const
    {
        const QByteArray& p = item.Pages.at(static_cast<size_t>(page));
        const int size = w / 8 * h;
        int n = 0;
        for (int i = plane * size; i < (plane + 1) * size; ++i)
            n += __builtin_popcount(static_cast<uint8_t>(p[i]));
        return n;
    }

    // Every point size of the document's text.
    std::set<double> Sizes() const
    {
        std::set<double> sizes;
        for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
            for (auto it = b.begin(); !it.atEnd(); ++it)
                sizes.insert(it.fragment().charFormat().fontPointSize());
        }
        return sizes;
    }

    TRTFDecodeUnit unit;
    TSGNRtf item;
    QTextDocument doc;
    std::array<uint8_t, 16> params{8, 8, 1};
};

// The box of lit pixels of image within area (empty when nothing is lit).
QRect InkBox(const QImage& image, const QRect& area)
{
    QRect box;
    const QImage img = image.convertToFormat(QImage::Format_RGB32);
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (img.pixel(x, y) & 0xFFFFFF)
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

QByteArray Coloured(const char* rgb, const char* text, int halfPoints = 24)
{
    return QByteArray("{\\rtf1{\\colortbl;") + rgb + ";}\\cf1\\fs" +
           QByteArray::number(halfPoints) + ' ' + text + '}';
}

} // namespace

TEST_F(Renderer, EmptyTextGivesOneBlackPageInEitherLayout)
{
    for (int layout : {0, 1}) {
        for (int mode : {1, 3}) {
            Render("{\\rtf1}", 64, 32, mode, layout);
            ASSERT_EQ(item.Pages.size(), 1u) << layout << mode;
            const int size = 64 * 32 / 8 * (mode == 3 ? 3 : 1);
            EXPECT_EQ(item.Pages[0], QByteArray(size, '\0'));
            EXPECT_EQ(item.TotalSize, size);
            EXPECT_EQ(unit.GetBitmap().size(), QSize(64, 32));
        }
    }
}

TEST_F(Renderer, DecodeWithoutDocumentDoesNothing)
{
    const QImage* before = &unit.GetBitmap();
    unit.Decode();
    EXPECT_EQ(unit.GetBitmap().size(), QSize(1024, 1024));
    EXPECT_TRUE(item.Pages.empty());
    // The page image stays the same object through renders.
    Render(TSGNRtf::DefaultDocument(), 128, 32, 1, 0);
    EXPECT_EQ(&unit.GetBitmap(), before);
}

TEST_F(Renderer, ShortTextIsOnePageCentredBothWays)
{
    Render(TSGNRtf::DefaultDocument(), 128, 32, 1, 0);
    ASSERT_EQ(item.Pages.size(), 1u);
    EXPECT_EQ(unit.GetBitmap().size(), QSize(128, 32));
    const QRect box = InkBox(unit.GetBitmap(), QRect(0, 0, 128, 32));
    ASSERT_FALSE(box.isEmpty());
    EXPECT_LE(std::abs(box.left() - (127 - box.right())), 1) << box.left() << " " << box.right();
    EXPECT_LE(std::abs(box.top() - (31 - box.bottom())), 1) << box.top() << " " << box.bottom();
    // The fit did not touch text that already fits.
    EXPECT_EQ(Sizes(), (std::set<double>{20}));
}

TEST_F(Renderer, GlyphsAreDrawnWithoutTints)
{
    Render(Coloured("\\red255\\green255\\blue0", "Quick brown fox", 20), 128, 32, 3, 0);
    const QImage img = unit.GetBitmap().convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const QRgb px = img.pixel(x, y) & 0xFFFFFF;
            EXPECT_TRUE(px == 0 || px == 0xFFFF00) << x << "," << y << " " << std::hex << px;
        }
    }
}

TEST_F(Renderer, TallTextShrinksToOneSizeThatFits)
{
    Render("{\\rtf1\\fs144 B\\fs40 ag}", 128, 16, 1, 0);
    const std::set<double> sizes = Sizes();
    ASSERT_EQ(sizes.size(), 1u);
    EXPECT_LT(*sizes.begin(), 20);
    // Another fit finds nothing to do: every character fits the zone.
    const TRTFDecodeUnit::FitResult again = unit.FitToHeight();
    EXPECT_TRUE(again.Fits);
    EXPECT_EQ(again.Shrinks, 0);
    EXPECT_LE(again.Largest, 16);
    EXPECT_GT(again.Largest, 8); // not shrunk further than needed
    EXPECT_LE(TRTFDecodeUnit::InkHeight(unit.GetBitmap()), 16);
}

TEST_F(Renderer, ShrinkStepsFollowTheOverflow)
{
    // The ink of "H" at 20 points, measured in a zone where it fits.
    RtfReader::Read("{\\rtf1\\fs40 H}", doc);
    unit.Attach(&doc, params.data(), &item, 0, 0, 64, 200);
    const int ink = unit.FitToHeight().Largest;
    ASSERT_GT(ink, 12);

    // Two rows too tall: the ratio is above 0.8, each pass takes one point.
    unit.Attach(&doc, params.data(), &item, 0, 0, 64, ink - 2);
    TRTFDecodeUnit::FitResult r = unit.FitToHeight();
    EXPECT_TRUE(r.Fits);
    EXPECT_GE(r.Shrinks, 1);
    EXPECT_LE(r.Shrinks, 4);
    EXPECT_EQ(*Sizes().begin(), 20 - r.Shrinks);

    // Three times too tall: the first pass scales by (H + 4) / M, later ones
    // go on by single points, so there are fewer passes than points lost.
    RtfReader::Read("{\\rtf1\\fs40 H}", doc);
    const int h = ink / 3;
    unit.Attach(&doc, params.data(), &item, 0, 0, 64, h);
    r = unit.FitToHeight();
    EXPECT_TRUE(r.Fits);
    const int scaled = static_cast<int>(20.0f * (static_cast<float>(h + 4) / ink));
    const int size = static_cast<int>(*Sizes().begin());
    EXPECT_LE(size, scaled);
    EXPECT_LT(r.Shrinks, 20 - size);
}

TEST_F(Renderer, ZoneTooLowForOnePointTextStillEnds)
{
    // Not even 1-point text fits no rows: the fit stops at 1 point.
    RtfReader::Read("{\\rtf1\\fs48 \\'c9gjy|}", doc);
    unit.Attach(&doc, params.data(), &item, 0, 0, 8, 0);
    const TRTFDecodeUnit::FitResult r = unit.FitToHeight();
    EXPECT_EQ(*Sizes().begin(), 1);
    EXPECT_FALSE(r.Fits);
    // One row: the text shrinks to whatever fits and is rendered.
    RtfReader::Read("{\\rtf1\\fs48 \\'c9gjy|}", doc);
    unit.Attach(&doc, params.data(), &item, 0, 0, 8, 1);
    unit.Decode();
    EXPECT_EQ(item.Pages.size(), 1u);
    // A zone without rows or narrower than one byte holds no page.
    Render("{\\rtf1 x}", 64, 0, 1, 0);
    EXPECT_TRUE(item.Pages.empty());
    EXPECT_EQ(item.GetBlockCount(), 0);
    Render("{\\rtf1 x}", 4, 16, 1, 1);
    EXPECT_TRUE(item.Pages.empty());
}

TEST_F(Renderer, ColourModesLightTheirPlanes)
{
    struct Case
    {
        const char* Rgb;
        int Mode;
        std::array<bool, 3> Lit; // red, green, blue planes
    } cases[] = {
        {"\\red255\\green0\\blue0", 1, {true, false, false}},
        {"\\red0\\green255\\blue0", 1, {false, false, false}},
        {"\\red255\\green255\\blue0", 1, {true, false, false}},
        {"\\red0\\green255\\blue0", 2, {false, true, false}},
        {"\\red255\\green255\\blue0", 2, {true, true, false}},
        {"\\red0\\green0\\blue255", 2, {false, false, false}},
        {"\\red0\\green0\\blue255", 3, {false, false, true}},
        {"\\red255\\green255\\blue255", 3, {true, true, true}},
    };
    for (const Case& c : cases) {
        Render(Coloured(c.Rgb, "Hello"), 64, 16, c.Mode, 0);
        ASSERT_EQ(item.Pages.size(), 1u);
        const int planes = c.Mode == 1 ? 1 : c.Mode;
        ASSERT_EQ(item.Pages[0].size(), 64 * 16 / 8 * planes);
        for (int plane = 0; plane < planes; ++plane)
            EXPECT_EQ(LitBits(0, plane, 64, 16) > 0, c.Lit[static_cast<size_t>(plane)])
                << c.Rgb << " mode " << c.Mode << " plane " << plane;
    }
}

TEST_F(Renderer, BlackTextNeverShrinksOnColourPanels)
{
    const QByteArray black = Coloured("\\red0\\green0\\blue0", "Big", 200);
    Render(black, 64, 16, 3, 0);
    EXPECT_EQ(Sizes(), (std::set<double>{100}));
    EXPECT_EQ(LitBits(0, 0, 64, 16) + LitBits(0, 1, 64, 16) + LitBits(0, 2, 64, 16), 0);
    // On a one-colour panel every character is measured as red.
    Render(black, 64, 16, 1, 0);
    EXPECT_LT(*Sizes().begin(), 100);
}

TEST_F(Renderer, LongHorizontalTextRunsAcrossPagesFromTheLeftEdge)
{
    Render("{\\rtf1\\fs16 The quick brown fox jumps over the lazy dog again and again}", 64, 16, 1,
           0);
    const int pages = static_cast<int>(item.Pages.size());
    EXPECT_GE(pages, 4);
    EXPECT_EQ(unit.GetBitmap().width(), pages * 64);
    EXPECT_EQ(item.GetPageCount(), pages);
    const QRect box = InkBox(unit.GetBitmap(), QRect(0, 0, unit.GetBitmap().width(), 16));
    EXPECT_LE(box.left(), 2);
    EXPECT_GT(box.right(), (pages - 1) * 64);
    for (int d = 0; d < pages - 1; ++d)
        EXPECT_GT(LitBits(d, 0, 64, 16), 0) << d;
}

TEST_F(Renderer, CentredParagraphStaysOnOnePage)
{
    // Alignment is kept among the lines, not across the 30-page strip.
    Render("{\\rtf1\\qc\\fs20 Hi\\par}", 64, 16, 1, 0);
    EXPECT_EQ(item.Pages.size(), 1u);
    Render("{\\rtf1\\qr\\fs20 Hi\\par}", 64, 16, 1, 0);
    EXPECT_EQ(item.Pages.size(), 1u);
}

TEST_F(Renderer, TwoParagraphsHorizontalAreCentredTogether)
{
    Render("{\\rtf1\\fs16 one\\par two}", 128, 32, 1, 0);
    ASSERT_EQ(item.Pages.size(), 1u);
    int tallest = 0;
    const auto bands = TRTFDecodeUnit::SplitLines(unit.GetBitmap(), 32, &tallest);
    ASSERT_EQ(bands.size(), 2u);
    EXPECT_LE(std::abs(bands.front().Top - (32 - bands.back().Bottom)), 1);
}

TEST_F(Renderer, VerticalTextWrapsIntoZoneHighPages)
{
    Render("{\\rtf1\\fs16 The quick brown fox jumps over the lazy dog again and again}", 64, 16, 1,
           1);
    const int pages = static_cast<int>(item.Pages.size());
    EXPECT_GE(pages, 3);
    EXPECT_EQ(unit.GetBitmap().size(), QSize(64, pages * 16));
    for (int d = 0; d < pages; ++d)
        EXPECT_GT(LitBits(d, 0, 64, 16), 0) << d;
}

TEST_F(Renderer, LineOfColonsSplitsIntoTwoBands)
{
    Render("{\\rtf1\\fs28 ::::::}", 64, 32, 1, 1);
    int tallest = 0;
    const auto bands =
        TRTFDecodeUnit::SplitLines(unit.GetBitmap(), unit.GetBitmap().height(), &tallest);
    EXPECT_EQ(bands.size(), 2u);
}

TEST(RendererSteps, SplitLinesFindsRunsOfInkedRows)
{
    QImage img(16, 40, QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    p.fillRect(QRect(3, 2, 1, 3), QColor(0, 0, 1)); // rows 2..4, the faintest blue counts
    p.fillRect(QRect(15, 8, 1, 1), Qt::red);        // row 8
    p.fillRect(QRect(0, 20, 16, 7), Qt::green);     // rows 20..26
    p.end();
    int tallest = 0;
    const auto bands = TRTFDecodeUnit::SplitLines(img, img.height(), &tallest);
    ASSERT_EQ(bands.size(), 3u);
    EXPECT_EQ(bands[0].Top, 2);
    EXPECT_EQ(bands[0].Bottom, 5);
    EXPECT_EQ(bands[1].Top, 8);
    EXPECT_EQ(bands[1].Bottom, 9);
    EXPECT_EQ(bands[2].Top, 20);
    EXPECT_EQ(bands[2].Bottom, 27);
    EXPECT_EQ(tallest, 7);
    EXPECT_EQ(TRTFDecodeUnit::FirstInkRow(img), 2);
    EXPECT_EQ(TRTFDecodeUnit::EndInkRow(img), 27);
    EXPECT_EQ(TRTFDecodeUnit::InkHeight(img), 25);
    // Only the rows asked for are searched.
    EXPECT_EQ(TRTFDecodeUnit::SplitLines(img, 6, &tallest).size(), 1u);
}

TEST(RendererSteps, PaginateSlotsAndGaps)
{
    QTextDocument doc;
    TSGNRtf item;
    item.PageLayout = 1;
    TRTFDecodeUnit unit;
    std::array<uint8_t, 16> params{2, 2, 1};
    unit.Attach(&doc, params.data(), &item, 0, 0, 16, 16);

    // Bands of 6 rows in a 16-row zone: 2 lines a page, gaps of 4/3 rows.
    // A band is one lit pixel wide at column 0.
    QImage tall(16, 480, QImage::Format_RGB32);
    tall.fill(Qt::black);
    QPainter p(&tall);
    const std::vector<TRTFDecodeUnit::Band> bands = {{0, 6}, {10, 16}, {20, 24}};
    for (const auto& b : bands)
        p.fillRect(QRect(0, b.Top, 1, b.Bottom - b.Top), Qt::red);
    p.end();
    unit.Paginate(tall, bands, 6);
    ASSERT_EQ(unit.GetBitmap().size(), QSize(16, 32));
    // Page 0: y = 1.33 -> rows 1..6; y = 8.67 -> rows 8..13. Page 1: the
    // 4-row band on the bottom of its slot: y = 17.33 -> rows 19..22.
    std::set<int> lit;
    for (int y = 0; y < 32; ++y) {
        if (unit.GetBitmap().pixel(0, y) & 0xFFFFFF)
            lit.insert(y);
    }
    EXPECT_EQ(lit, (std::set<int>{1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12, 13, 19, 20, 21, 22}));

    unit.BuildPages();
    ASSERT_EQ(item.Pages.size(), 2u);
    ASSERT_EQ(item.Pages[0].size(), 32);
    // Row r of a page is bytes 2r, 2r+1; column 0 is bit 7 of the first.
    EXPECT_EQ(static_cast<uint8_t>(item.Pages[0][2 * 1]), 0x80);
    EXPECT_EQ(static_cast<uint8_t>(item.Pages[0][2 * 7]), 0x00);
    EXPECT_EQ(static_cast<uint8_t>(item.Pages[1][2 * 3]), 0x80);
    EXPECT_EQ(static_cast<uint8_t>(item.Pages[1][2 * 2]), 0x00);

    // A tallest band of 7 rows leaves room for one line a page.
    unit.Paginate(tall, bands, 7);
    EXPECT_EQ(unit.GetBitmap().height(), 3 * 16);
}
