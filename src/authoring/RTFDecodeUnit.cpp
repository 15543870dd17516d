#include "authoring/RTFDecodeUnit.h"

#include "authoring/FontMap.h"
#include "authoring/RtfReader.h"
#include "items/SGNRtf.h"
#include "model/SGNPanel.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetrics>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <cstring>

const QColor TRTFDecodeUnit::DefaultTextColor = QColor(255, 0, 0);

namespace {

// 96 pixels per inch as dots per metre (96 / 0.0254, rounded as Qt does).
constexpr int kDotsPerMetre = 3780;
// More passes than any size can need, since every pass lowers the size by at
// least one point from at most 1638; a guard, not a limit that is reached.
constexpr int kMaxFitPasses = 2000;

inline bool RowHasInk(const QImage& image, int row)
{
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(row));
    const int w = image.width();
    for (int x = 0; x < w; ++x) {
        if (line[x] & 0x00FFFFFF)
            return true;
    }
    return false;
}

// One more than the last column with ink in the row; 0 when there is none.
inline int RowInkEnd(const QImage& image, int row)
{
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(row));
    for (int x = image.width(); x > 0; --x) {
        if (line[x - 1] & 0x00FFFFFF)
            return x;
    }
    return 0;
}

// Copies 1:1 a rectangle of src to dst at (dx, dy), clipped by both images.
void CopyRect(const QImage& src, const QRect& from, QImage& dst, int dx, int dy)
{
    QPainter p(&dst);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QPoint(dx, dy), src, from);
}

} // namespace

TRTFDecodeUnit::TRTFDecodeUnit() : device_(1, 1, QImage::Format_RGB32)
{
    FontMap::InstallSubstitutions();
    device_.setDotsPerMeterX(kDotsPerMetre);
    device_.setDotsPerMeterY(kDotsPerMetre);
    NewPageImage(1024, 1024);
}

TRTFDecodeUnit::~TRTFDecodeUnit() = default;

void TRTFDecodeUnit::Attach(QTextDocument* document, const uint8_t* hardwareParams, TSGNRtf* item,
                            int left, int top, int right, int bottom)
{
    document_ = document;
    params_ = hardwareParams;
    item_ = item;
    left_ = left;
    top_ = top;
    right_ = right;
    bottom_ = bottom;
}

void TRTFDecodeUnit::Detach()
{
    document_ = nullptr;
    params_ = nullptr;
    item_ = nullptr;
    glyphs_.clear();
}

int TRTFDecodeUnit::ColorMode() const
{
    return params_ ? params_[2] : 1;
}

int TRTFDecodeUnit::PlaneCount() const
{
    const int mode = ColorMode();
    return (mode == 2 || mode == 3) ? mode : 1;
}

void TRTFDecodeUnit::Decode()
{
    if (!document_ || !item_)
        return;
    glyphs_.clear();
    if (W() < 8 || H() < 1 || W() > MaxZoneSide || H() > MaxZoneSide) {
        // No page fits such a zone: the item sends nothing.
        item_->ClearPages();
        item_->TotalSize = 0;
        NewPageImage(std::clamp(W(), 1, MaxZoneSide), std::clamp(H(), 1, MaxZoneSide));
        return;
    }
    FitToHeight();
    if (item_->PageLayout == 0)
        LayoutHorizontal();
    else
        LayoutVertical();
    glyphs_.clear();
    BuildPages();
}

QImage TRTFDecodeUnit::WorkBitmap(int width, int height) const
{
    QImage image(width, height, QImage::Format_RGB32);
    image.setDotsPerMeterX(kDotsPerMetre);
    image.setDotsPerMeterY(kDotsPerMetre);
    image.fill(Qt::black);
    return image;
}

void TRTFDecodeUnit::NewPageImage(int width, int height)
{
    // Assigned in place: the preview keeps a reference to this object.
    pageImage_ = QImage(width, height, QImage::Format_RGB888);
    pageImage_.setDotsPerMeterX(kDotsPerMetre);
    pageImage_.setDotsPerMeterY(kDotsPerMetre);
    pageImage_.fill(Qt::black);
}

// ---- Ink helpers ----

int TRTFDecodeUnit::FirstInkRow(const QImage& image)
{
    const QImage img = image.format() == QImage::Format_RGB32
                           ? image
                           : image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y) {
        if (RowHasInk(img, y))
            return y;
    }
    return img.height();
}

int TRTFDecodeUnit::EndInkRow(const QImage& image)
{
    const QImage img = image.format() == QImage::Format_RGB32
                           ? image
                           : image.convertToFormat(QImage::Format_RGB32);
    for (int y = img.height(); y > 0; --y) {
        if (RowHasInk(img, y - 1))
            return y;
    }
    return 0;
}

int TRTFDecodeUnit::InkHeight(const QImage& image)
{
    const int first = FirstInkRow(image);
    const int end = EndInkRow(image);
    return first < end ? end - first : 0;
}

// ---- Fitting the text to the zone height ----

int TRTFDecodeUnit::GlyphInkHeight(const QString& glyph, const QFont& font, const QString& fontKey,
                                   bool lit)
{
    // A black character lights nothing and never needs a smaller size.
    if (!lit)
        return 0;
    const QString key = fontKey + QChar(0) + glyph;
    const auto found = glyphs_.find(key);
    if (found != glyphs_.end())
        return found->second;
    // The character drawn alone into a bitmap of its text extent.
    const QFontMetrics fm(font, &device_);
    const int width = fm.horizontalAdvance(glyph);
    const int height = fm.height();
    int ink = 0;
    if (width > 0 && height > 0) {
        QImage bitmap = WorkBitmap(width, height);
        {
            QPainter p(&bitmap);
            p.setRenderHint(QPainter::TextAntialiasing, false);
            p.setFont(font);
            p.setPen(DefaultTextColor);
            p.drawText(0, fm.ascent(), glyph);
        }
        ink = InkHeight(bitmap);
    }
    glyphs_.emplace(key, ink);
    return ink;
}

TRTFDecodeUnit::Measure TRTFDecodeUnit::MeasureGlyphs()
{
    Measure m;
    const bool oneColour = PlaneCount() == 1;
    const QFont base = document_->defaultFont();
    for (QTextBlock block = document_->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            const QTextCharFormat format = fragment.charFormat();
            QFont font = format.font().resolve(base);
            font.setStyleStrategy(QFont::NoAntialias);
            // One-colour panels show every character in red, so each one
            // counts; otherwise a character lights what its colour lights.
            QColor color = format.foreground().style() != Qt::NoBrush ? format.foreground().color()
                                                                      : DefaultTextColor;
            if (oneColour)
                color = DefaultTextColor;
            const bool lit = (color.rgb() & 0x00FFFFFF) != 0;
            const QString fontKey = font.key();
            const QString text = fragment.text();
            for (qsizetype i = 0; i < text.size(); ++i) {
                QString glyph(text[i]);
                if (text[i].isHighSurrogate() && i + 1 < text.size() &&
                    text[i + 1].isLowSurrogate())
                    glyph += text[++i];
                const char32_t cp = glyph.toUcs4().value(0);
                // Line breaks and other control characters are not measured.
                if (cp < 0x20 || cp == 0x2028 || cp == 0x2029 || cp == 0x7F)
                    continue;
                const int ink = GlyphInkHeight(glyph, font, fontKey, lit);
                if (ink > m.Largest) {
                    m.Largest = ink;
                    if (ink > H()) {
                        m.Overflow = true;
                        return m;
                    }
                }
            }
        }
    }
    return m;
}

namespace {

// The point size of the first character, as whole points.
int FirstCharPointSize(const QTextDocument& doc)
{
    QTextCursor c(const_cast<QTextDocument*>(&doc));
    c.setPosition(0);
    c.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    const QFont font = c.charFormat().font().resolve(doc.defaultFont());
    if (font.pointSizeF() > 0)
        return static_cast<int>(font.pointSizeF());
    if (font.pixelSize() > 0)
        return font.pixelSize() * 72 / 96;
    return 0;
}

} // namespace

bool TRTFDecodeUnit::ShrinkFont(int largest)
{
    if (largest <= 0)
        return false;
    const float ratio = static_cast<float>(H()) / static_cast<float>(largest);
    if (ratio >= 1.0f)
        return false;
    const int s = FirstCharPointSize(*document_);
    int size;
    if (s <= 0) {
        size = 1 - s;
    } else if (ratio > 0.8f) {
        size = s - 1;
    } else {
        const float r2 = static_cast<float>(H() + 4) / static_cast<float>(largest);
        size = r2 >= 1.0f ? s - 1 : static_cast<int>(static_cast<float>(s) * r2);
    }
    // No text is smaller than one point: when even that overflows the zone,
    // the fit ends here and the layout cuts what is taller than the zone.
    size = std::max(size, 1);
    if (s > 0 && size >= s)
        return false;
    QTextCursor all(document_);
    all.select(QTextCursor::Document);
    QTextCharFormat f;
    f.setFontPointSize(size);
    all.mergeCharFormat(f);
    return true;
}

TRTFDecodeUnit::FitResult TRTFDecodeUnit::FitToHeight()
{
    FitResult r;
    if (!document_)
        return r;
    for (int pass = 0;; ++pass) {
        const Measure m = MeasureGlyphs();
        r.Largest = m.Largest;
        r.Fits = !m.Overflow;
        if (!m.Overflow || pass >= kMaxFitPasses || !ShrinkFont(m.Largest))
            break;
        ++r.Shrinks;
        glyphs_.clear();
    }
    return r;
}

// ---- Layout ----

std::unique_ptr<QTextDocument> TRTFDecodeUnit::LayoutDocument(int width) const
{
    std::unique_ptr<QTextDocument> doc(document_->clone());
    doc->documentLayout()->setPaintDevice(const_cast<QImage*>(&device_));
    doc->setDocumentMargin(0);
    QTextOption option = doc->defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    doc->setDefaultTextOption(option);
    // Only the first characters are drawn.
    if (doc->characterCount() - 1 > DrawnCharacters) {
        QTextCursor c(doc.get());
        c.setPosition(DrawnCharacters);
        c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        c.removeSelectedText();
    }
    // Glyphs are drawn without antialiasing: an LED is lit by any tinted
    // pixel, so smoothed edges would thicken every stroke by a pixel.
    QTextCursor all(doc.get());
    all.select(QTextCursor::Document);
    QTextCharFormat crisp;
    crisp.setFontStyleStrategy(QFont::NoAntialias);
    all.mergeCharFormat(crisp);
    QFont base = doc->defaultFont();
    base.setStyleStrategy(QFont::NoAntialias);
    doc->setDefaultFont(base);
    doc->setTextWidth(width);
    return doc;
}

void TRTFDecodeUnit::DrawDocument(QTextDocument& doc, QImage& target, int height) const
{
    // Like a formatter filling a page, draw only the lines that fit the
    // layout rectangle entirely, but always the first one: a line whose
    // characters fit the zone may still be taller than the rectangle (fonts
    // with tall line spacing), and it must not vanish.
    qreal fit = 0;
    bool done = false;
    bool first = true;
    for (QTextBlock block = doc.begin(); block.isValid() && !done; block = block.next()) {
        const QTextLayout* layout = block.layout();
        if (!layout)
            continue;
        const qreal top = doc.documentLayout()->blockBoundingRect(block).top();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            const qreal bottom = top + line.y() + line.height();
            if (bottom > height && !first) {
                done = true;
                break;
            }
            fit = bottom;
            first = false;
        }
    }
    if (fit <= 0)
        return;
    QPainter p(&target);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setRenderHint(QPainter::Antialiasing, false);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, DefaultTextColor);
    context.clip = QRectF(0, 0, target.width(), std::ceil(fit));
    p.setClipRect(context.clip);
    doc.documentLayout()->draw(&p, context);
}

void TRTFDecodeUnit::LayoutHorizontal()
{
    const int w0 = W(), h0 = H();
    const int stripWidth = PageSpan * w0;
    const int stripHeight = h0 + 64;
    std::unique_ptr<QTextDocument> doc = LayoutDocument(stripWidth);
    // Lines are aligned within the widest of them rather than within the
    // whole 30-page strip: a centred or right-aligned paragraph would
    // otherwise start pages away from column 0 and fill the item with empty
    // pages. Left-aligned text (leading spaces included) is unchanged.
    const qreal ideal = doc->idealWidth();
    if (ideal > 0 && ideal < stripWidth)
        doc->setTextWidth(std::min<qreal>(stripWidth, std::ceil(ideal) + 1));
    // Nothing is drawn right of the text, so the strip's bitmap ends there
    // (with room for glyphs that reach past their advance).
    const int used = std::clamp(static_cast<int>(std::ceil(ideal)) + stripHeight, 1, stripWidth);
    QImage strip = WorkBitmap(used, stripHeight);
    DrawDocument(*doc, strip, stripHeight);
    doc.reset();
    // The ink width from column 0: the last inked column over all rows.
    int inkWidth = 0;
    int r0 = stripHeight, r1 = 0;
    for (int y = 0; y < strip.height(); ++y) {
        const int end = RowInkEnd(strip, y);
        if (end > 0) {
            inkWidth = std::max(inkWidth, end);
            r0 = std::min(r0, y);
            r1 = y + 1;
        }
    }
    if (inkWidth == 0)
        inkWidth = 1;
    NewPageImage((inkWidth + w0 - 1) / w0 * w0, h0);
    if (r0 >= r1)
        return;
    const int x = inkWidth < w0 ? (w0 - inkWidth) / 2 : 0;
    const int y = (h0 - (r1 - r0)) / 2;
    CopyRect(strip, QRect(0, r0, inkWidth, r1 - r0), pageImage_, x, y);
}

void TRTFDecodeUnit::LayoutVertical()
{
    const int w0 = W(), h0 = H();
    QImage tall;
    {
        std::unique_ptr<QTextDocument> doc = LayoutDocument(w0);
        // The bitmap ends below the text, at most 30 zone heights down.
        const int used =
            std::clamp(static_cast<int>(std::ceil(doc->size().height())) + h0, 1, PageSpan * h0);
        tall = WorkBitmap(w0, used);
        DrawDocument(*doc, tall, PageSpan * h0);
    }
    int e = EndInkRow(tall);
    if (e == 0)
        e = 1;
    const int rows = std::min(tall.height(), (e + h0 - 1) / h0 * h0);
    int tallest = 0;
    const std::vector<Band> bands = SplitLines(tall, rows, &tallest);
    Paginate(tall, bands, tallest);
}

std::vector<TRTFDecodeUnit::Band> TRTFDecodeUnit::SplitLines(const QImage& image, int rows,
                                                             int* tallest)
{
    const QImage img = image.format() == QImage::Format_RGB32
                           ? image
                           : image.convertToFormat(QImage::Format_RGB32);
    rows = std::clamp(rows, 0, img.height());
    std::vector<Band> bands;
    int a = 0;
    int row = 0;
    while (row < rows) {
        int t = row;
        while (t < rows && !RowHasInk(img, t))
            ++t;
        if (t >= rows)
            break;
        int b = t;
        while (b < rows && RowHasInk(img, b))
            ++b;
        bands.push_back({t, b});
        a = std::max(a, b - t);
        row = b;
    }
    if (tallest)
        *tallest = a;
    return bands;
}

void TRTFDecodeUnit::Paginate(const QImage& tall, const std::vector<Band>& bands, int tallest)
{
    const int w0 = W(), h0 = H();
    const int a = tallest;
    const int perPage = std::max(1, h0 / (a + 2));
    const int count = static_cast<int>(bands.size());
    const int pages = std::max(1, (count + perPage - 1) / perPage);
    // The gap and the running position are single-precision, as the card's
    // pages have always been laid out; the rounding decides single rows.
    const float gap = static_cast<float>(h0 - a * perPage) / static_cast<float>(perPage + 1);
    NewPageImage(w0, pages * h0);
    for (int i = 0; i < pages; ++i) {
        float y = static_cast<float>(i * h0) + gap;
        for (int k = 0; k < perPage; ++k) {
            const int index = i * perPage + k;
            if (index >= count)
                break;
            const Band& band = bands[static_cast<size_t>(index)];
            const int h = band.Bottom - band.Top;
            const int dy = static_cast<int>(y) + a - h;
            CopyRect(tall, QRect(0, band.Top, w0, h), pageImage_, 0, dy);
            y = static_cast<float>(a) + gap + y;
        }
    }
}

// ---- Bit planes ----

void TRTFDecodeUnit::ExtractPlane(int page, int channel, char* out) const
{
    const int w0 = W(), h0 = H();
    const bool vertical = item_->PageLayout != 0;
    const int bytesPerRow = w0 / 8;
    for (int r = 0; r < h0; ++r) {
        const int row = vertical ? page * h0 + r : r;
        const int column = vertical ? 0 : page * w0;
        const uchar* line = pageImage_.constScanLine(row);
        for (int j = 0; j < bytesPerRow; ++j) {
            uint8_t byte = 0;
            for (int q = 0; q < 8; ++q) {
                const int x = column + j * 8 + q;
                if (line[x * 3 + channel] != 0)
                    byte |= static_cast<uint8_t>(0x80 >> q);
            }
            *out++ = static_cast<char>(byte);
        }
    }
}

void TRTFDecodeUnit::BuildPages()
{
    if (!item_ || W() < 8 || H() < 1)
        return;
    const int w0 = W(), h0 = H();
    const int planeSize = w0 / 8 * h0;
    const int planes = PlaneCount();
    const int pageSize = planeSize * planes;
    const bool vertical = item_->PageLayout != 0;
    const int pages = vertical ? pageImage_.height() / h0 : pageImage_.width() / w0;
    item_->ClearPages();
    int total = 0;
    for (int page = 0; page < pages; ++page) {
        QByteArray buffer(pageSize, '\0');
        for (int plane = 0; plane < planes; ++plane)
            ExtractPlane(page, plane, buffer.data() + plane * planeSize);
        item_->AddPage(std::move(buffer));
        total += pageSize;
    }
    item_->TotalSize = total;
}

// ---- Items on panels ----

TZoneRect TRTFDecodeUnit::ZoneOf(const TSGNPanel& panel, const TSGNSendMsg& item)
{
    const int index = panel.Zones.LayoutType == 0 ? 0 : item.Params.Zone() - 1;
    if (auto zone = panel.Zones.Zone(index))
        return *zone;
    if (auto zone = panel.Zones.Zone(0))
        return *zone;
    return TZoneRect{0, 0, panel.Width(), panel.Height()};
}

bool TRTFDecodeUnit::RenderItem(TSGNRtf& item, const TSGNPanel& panel, TRTFDecodeUnit& unit)
{
    QTextDocument doc;
    RtfReader::Read(item.RtfStream, doc);
    const TZoneRect zone = ZoneOf(panel, item);
    unit.Attach(&doc, panel.HardwareParams.data(), &item, zone.Left, zone.Top, zone.Right,
                zone.Bottom);
    unit.Decode();
    unit.Detach();
    return !item.Pages.empty();
}
