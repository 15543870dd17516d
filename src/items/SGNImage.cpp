#include "items/SGNImage.h"

#include "items/BmpImage.h"
#include "items/PictureFile.h"
#include "model/BinaryStream.h"
#include "model/SGNPartition.h"

#include <QDebug>
#include <algorithm>
#include <cstring>

namespace {

// The zone's size, or 0 x 0 for a zone no panel can have (negative, or
// larger than MaxZoneSide: the packing and the fitting would need more
// memory than any picture of a card).
QSize UsableZone(const TZoneRect& zone)
{
    const int64_t w = static_cast<int64_t>(zone.Right) - zone.Left;
    const int64_t h = static_cast<int64_t>(zone.Bottom) - zone.Top;
    if (w <= 0 || h <= 0 || w > TSGNImage::MaxZoneSide || h > TSGNImage::MaxZoneSide)
        return QSize(0, 0);
    return QSize(static_cast<int>(w), static_cast<int>(h));
}

} // namespace

TSGNImage::TSGNImage()
{
    KindCode = KindCodes::Image;
    Params.TypeCode = 2;
}

void TSGNImage::SetPicture(const QImage& picture)
{
    picture_ = picture.isNull() ? QImage() : picture.convertToFormat(QImage::Format_RGB888);
    loadedBmp_.clear();
}

QByteArray TSGNImage::PictureBmp() const
{
    if (!loadedBmp_.isEmpty())
        return loadedBmp_;
    return BmpImage::Encode24(picture_);
}

void TSGNImage::SaveToFile(BinaryWriter& out) const
{
    out.WriteTag("SGN IMAGE");
    out.WriteU8(0);
    out.WriteI32(ImageData.size());
    out.WriteBytes(ImageData);
    const QByteArray bmp = PictureBmp();
    out.WriteI32(bmp.isEmpty() ? 0 : picture_.width());
    out.WriteI32(bmp.isEmpty() ? 0 : picture_.height());
    out.WriteI32(bmp.size());
    out.WriteBytes(bmp);
    TSGNSendMsg::SaveToFile(out);
}

void TSGNImage::LoadFromFile(BinaryReader& in)
{
    in.Skip(16, "picture item tag (16 bytes)");
    in.Skip(1, "picture reserved byte");
    const int32_t size = in.ReadI32("picture plane size (i32)");
    if (size < 0)
        in.Fail(QStringLiteral("a picture plane size of 0 or more, not %1").arg(size));
    ImageData = in.ReadBytes(size, "picture planes");
    ImageSize = size;

    const int32_t width = in.ReadI32("picture width (i32)");
    const int32_t height = in.ReadI32("picture height (i32)");
    if (width < 0 || height < 0 || width > MaxStoredSide || height > MaxStoredSide) {
        in.Fail(QStringLiteral("a picture size of at most %1 x %1 pixels, not %2 x %3")
                    .arg(MaxStoredSide)
                    .arg(width)
                    .arg(height));
    }
    const int32_t bmpSize = in.ReadI32("stored picture length (i32)");
    if (bmpSize < 0)
        in.Fail(QStringLiteral("a stored picture length of 0 or more, not %1").arg(bmpSize));
    const qint64 bmpOffset = in.Position();
    const QByteArray bmp = in.ReadBytes(bmpSize, "stored picture (BMP image)");

    if (bmp.isEmpty() || width == 0 || height == 0) {
        picture_ = QImage();
        loadedBmp_.clear();
    } else {
        QString why;
        QImage decoded = BmpImage::Decode(bmp, &why);
        if (decoded.isNull()) {
            throw FileFormatError(
                bmpOffset, QStringLiteral("a BMP picture of %1 bytes (%2)").arg(bmpSize).arg(why));
        }
        picture_ = decoded;
        loadedBmp_ = bmp;
    }
    TSGNSendMsg::LoadFromFile(in);
}

int TSGNImage::GetBlockCount() const
{
    return (ImageSize + MaxData - 1) / MaxData;
}

void TSGNImage::FillBlock()
{
    DataCount = 0;
    Params.PageIndex = 0;
    Params.LastPageIndex = 0;
    const int size = std::min<int>(ImageSize, ImageData.size());
    const int offset = BlockIndex * MaxData;
    if (offset < 0 || offset >= size)
        return;
    const int n = std::min(MaxData, size - offset);
    std::memcpy(Data.data(), ImageData.constData() + offset, n);
    DataCount = n;
}

void TSGNImage::BuildPacket()
{
    BuildBlockPacket(0, BlockIndex * MaxData);
}

bool TSGNImage::LoadPicture(const QString& fileName, const std::array<uint8_t, 16>& params,
                            const TZoneRect& zone, QString* error)
{
    QString why;
    const QSize size = UsableZone(zone);
    QImage stretched = PictureFile::LoadStretched(fileName, size.width(), size.height(), &why);
    // The old planes go whether or not the file could be read.
    ImageData.clear();
    ImageSize = 0;
    TotalSize = 0;
    if (stretched.isNull()) {
        qWarning().noquote() << "picture not loaded:" << why;
        if (error)
            *error = why;
        return false;
    }
    SetPicture(stretched);
    ReduceColors(params[2]);
    EncodePlanes(params, zone);
    return true;
}

void TSGNImage::FitPicture(const std::array<uint8_t, 16>& params, const TZoneRect& zone)
{
    const QSize size = UsableZone(zone);
    const int w = size.width();
    const int h = size.height();
    if (picture_.width() == w && picture_.height() == h)
        return;
    QImage fitted;
    if (w > 0 && h > 0) {
        fitted = QImage(w, h, QImage::Format_RGB888);
        fitted.fill(Qt::black);
        if (!picture_.isNull())
            fitted = picture_.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                         .convertToFormat(QImage::Format_RGB888);
    }
    SetPicture(fitted);
    ReduceColors(params[2]);
    EncodePlanes(params, zone);
}

void TSGNImage::BlankPicture(const std::array<uint8_t, 16>& params, const TZoneRect& zone)
{
    const QSize size = UsableZone(zone);
    QImage blank;
    if (!size.isEmpty()) {
        blank = QImage(size, QImage::Format_RGB888);
        blank.fill(Qt::black);
    }
    SetPicture(blank);
    ReduceColors(params[2]);
    EncodePlanes(params, zone);
}

void TSGNImage::ReduceColors(uint8_t colorMode)
{
    if (picture_.isNull() || colorMode < 1 || colorMode > 3)
        return;
    auto on = [](uchar v) -> uchar { return v > 128 ? 255 : 0; };
    for (int y = 0; y < picture_.height(); ++y) {
        uchar* px = picture_.scanLine(y);
        for (int x = 0; x < picture_.width(); ++x, px += 3) {
            px[0] = on(px[0]);
            px[1] = colorMode >= 2 ? on(px[1]) : 0;
            px[2] = colorMode == 3 ? on(px[2]) : 0;
        }
    }
}

void TSGNImage::EncodePlanes(const std::array<uint8_t, 16>& params, const TZoneRect& zone)
{
    const QSize size = UsableZone(zone);
    const int w = size.width();
    const int h = size.height();
    const uint8_t mode = params[2];
    const int planes = (mode == 2 || mode == 3) ? mode : 1;
    // Zone widths are multiples of 8; a row of any other width is padded to
    // whole bytes so no pixel is lost.
    const int rowBytes = (w + 7) / 8;
    const int planeSize = rowBytes * h;
    ImageData = QByteArray(planeSize * planes, '\0');
    ImageSize = ImageData.size();
    auto* out = reinterpret_cast<uint8_t*>(ImageData.data());
    const bool usable = picture_.width() >= w && picture_.height() >= h;
    for (int plane = 0; usable && plane < planes; ++plane) {
        uint8_t* dst = out + plane * planeSize;
        for (int y = 0; y < h; ++y) {
            const uchar* px = picture_.constScanLine(y);
            for (int x = 0; x < w; ++x) {
                // An LED is lit in a plane when that channel is not zero.
                if (px[3 * x + plane] != 0)
                    dst[y * rowBytes + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
            }
        }
    }
    TotalSize = ImageSize;
}
