#include "items/BmpImage.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>

namespace BmpImage {

QByteArray Encode24(const QImage& picture)
{
    if (picture.isNull())
        return QByteArray();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    // Qt writes RGB images without an alpha channel as 24-bit BMP rows.
    QImageWriter writer(&buffer, "BMP");
    writer.write(picture.convertToFormat(QImage::Format_RGB888));
    return bytes;
}

QImage Decode(const QByteArray& bytes, QString* error)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "BMP");
    reader.setDecideFormatFromContent(false);
    QImage image = reader.read();
    if (image.isNull()) {
        if (error)
            *error = reader.errorString();
        return QImage();
    }
    return image.convertToFormat(QImage::Format_RGB888);
}

} // namespace BmpImage
