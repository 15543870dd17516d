#pragma once
// BMP file images as the project file stores pictures.
#include <QByteArray>
#include <QImage>
#include <QString>

namespace BmpImage {

// A complete BMP file image (file header, info header, rows) of the picture
// at 24 bits per pixel. Empty for a null picture.
QByteArray Encode24(const QImage& picture);

// Decodes a BMP file image (1, 4, 8, 24 or 32 bits per pixel, bottom-up or
// top-down) into a 24-bit picture; a null image and the reason in *error when
// the bytes are not a valid BMP.
QImage Decode(const QByteArray& bytes, QString* error);

} // namespace BmpImage
