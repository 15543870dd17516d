#pragma once
// Reads picture files chosen for picture items (.jpg through libjpeg, .bmp)
// and stretches them over a zone-sized 24-bit image while decoding, so that
// memory stays bounded by the zone and one source row, whatever the file's
// size.
#include <QImage>
#include <QString>

namespace PictureFile {

// Largest picture side accepted from a file.
constexpr int MaxSide = 65535;

// Decodes the file by its extension (".jpg" as JPEG, ".bmp" as a Windows
// bitmap, compared in lower case) and stretches it, aspect ratio not kept,
// over a width x height RGB888 image. A null image and the reason in *error
// (with the file name) for any other extension, an unreadable, truncated or
// corrupt file, or a zone without pixels. Never ends the process.
QImage LoadStretched(const QString& fileName, int width, int height, QString* error);

} // namespace PictureFile
