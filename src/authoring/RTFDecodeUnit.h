#pragma once
// The rich-text page renderer: lays a rich-text item's document out for its
// zone at one pixel per LED, shrinks it until every character fits the zone
// height, cuts it into pages side by side ("Horizontal") or top to bottom
// ("Vertical"), and packs each page into the card's bit planes.
//
// It works on a QTextDocument (the editor's or one read from the item's
// RtfStream) and needs no widget. One instance serves the whole run; call it
// on the thread that owns the document and the QGuiApplication.
#include "model/SGNPartition.h"

#include <QColor>
#include <QImage>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

class QTextDocument;
class TSGNPanel;
class TSGNRtf;
class TSGNSendMsg;

class TRTFDecodeUnit
{
public:
    // Pages the layouts make room for.
    static constexpr int PageSpan = 30;
    // Characters of the document that are drawn; the rest is measured only.
    static constexpr int DrawnCharacters = 1000;
    // Largest zone side accepted (a panel is at most 255 x 8 pixels).
    static constexpr int MaxZoneSide = 2048;
    // Text without a colour of its own is red, as in the editor.
    static const QColor DefaultTextColor;

    TRTFDecodeUnit();
    ~TRTFDecodeUnit();
    TRTFDecodeUnit(const TRTFDecodeUnit&) = delete;
    TRTFDecodeUnit& operator=(const TRTFDecodeUnit&) = delete;

    // document: the item's rich text (not owned; Decode may set its font
    // sizes). hardwareParams: the panel's 16-byte block, of which byte 2,
    // the colour mode, is read (not owned; may be empty for one plane).
    // item: receives the pages (not owned). The zone is in panel pixels,
    // right and bottom exclusive.
    void Attach(QTextDocument* document, const uint8_t* hardwareParams, TSGNRtf* item, int left,
                int top, int right, int bottom);
    void Detach();

    // Fits, lays out and packs: the page image and the item's Pages and
    // TotalSize hold the result. Does nothing when nothing is attached. A
    // zone narrower than 8 or empty gives no pages.
    void Decode();

    // The page image: every page side by side (horizontal) or stacked
    // (vertical), 24-bit, one pixel per LED. The same object for the
    // renderer's lifetime; only its size and pixels change.
    const QImage& GetBitmap() const { return pageImage_; }

    // The zone an item plays in on its panel: zone Zone-1, zone 0 on a panel
    // without zones (or when the item's zone does not exist), the whole
    // panel when the layout has no zones at all.
    static TZoneRect ZoneOf(const TSGNPanel& panel, const TSGNSendMsg& item);
    // Reads item's RtfStream and renders it for its zone on panel, as the
    // send and the export do before each rich-text item. Returns false (and
    // leaves the item without pages) when the zone cannot hold a page.
    static bool RenderItem(TSGNRtf& item, const TSGNPanel& panel, TRTFDecodeUnit& unit);

    // The steps of Decode, for tests and for the editor.
    struct FitResult
    {
        int Shrinks = 0;  // passes that set a smaller size
        bool Fits = true; // every character's ink fits the zone height
        int Largest = 0;  // tallest character ink after the fit, in rows
    };
    FitResult FitToHeight();
    void LayoutHorizontal();
    void LayoutVertical();
    void BuildPages();

    // A maximal run of rows with ink, rows Top to Bottom - 1.
    struct Band
    {
        int Top = 0;
        int Bottom = 0;
    };
    // Bands of the first `rows` rows of image; *tallest = the tallest band.
    static std::vector<Band> SplitLines(const QImage& image, int rows, int* tallest);
    // Puts the bands of tall onto pages of the zone height, p lines a page
    // with equal gaps, each band on the bottom of its slot.
    void Paginate(const QImage& tall, const std::vector<Band>& bands, int tallest);

    // Ink helpers: a row has ink when any colour byte of it is not zero.
    static int FirstInkRow(const QImage& image);
    static int EndInkRow(const QImage& image);
    static int InkHeight(const QImage& image);

    int ColorMode() const;
    int PlaneCount() const;

private:
    struct Measure
    {
        bool Overflow = false;
        int Largest = 0;
    };
    Measure MeasureGlyphs();
    bool ShrinkFont(int largest);
    int GlyphInkHeight(const QString& glyph, const QFont& font, const QString& fontKey, bool lit);
    std::unique_ptr<QTextDocument> LayoutDocument(int width) const;
    void DrawDocument(QTextDocument& doc, QImage& target, int height) const;
    QImage WorkBitmap(int width, int height) const;
    void NewPageImage(int width, int height);
    void ExtractPlane(int page, int channel, char* out) const;

    QTextDocument* document_ = nullptr;
    const uint8_t* params_ = nullptr;
    TSGNRtf* item_ = nullptr;
    int left_ = 0, top_ = 0, right_ = 0, bottom_ = 0;
    int W() const { return right_ - left_; }
    int H() const { return bottom_ - top_; }

    QImage pageImage_;
    // Measuring device: every font is sized for 96 pixels per inch, so that
    // a render gives the same pages on every screen.
    QImage device_;
    // Ink heights of the characters measured in this Decode, by font and
    // character; emptied at the start and end of every Decode.
    std::unordered_map<QString, int> glyphs_;
};
