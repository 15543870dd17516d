#include "items/SGNImage.h"

#include "items/BmpImage.h"
#include "model/BinaryStream.h"

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
