// Picture load and pack: a 4000 x 3000 JPEG (and a 4000 x 3000 24-bit BMP)
// fitted into a 256 x 64 three-colour zone. Prints the time per load and
// the peak resident memory of the process.
#include "items/SGNImage.h"
#include "model/SGNPartition.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace {

// Peak resident memory of this process image (VmHWM; getrusage's maximum
// would carry the parent's over the exec).
long PeakKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

// A photo-like test picture written row by row (the writer never holds it).
bool WriteJpeg(const QString& path, int w, int h, bool progressive)
{
    std::FILE* f = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!f)
        return false;
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = w;
    c.image_height = h;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 90, TRUE);
    if (progressive)
        jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(static_cast<size_t>(w) * 3);
    while (c.next_scanline < c.image_height) {
        const int y = static_cast<int>(c.next_scanline);
        for (int x = 0; x < w; ++x) {
            row[3 * x] = static_cast<uint8_t>((x * 255) / w);
            row[3 * x + 1] = static_cast<uint8_t>((y * 255) / h);
            row[3 * x + 2] = static_cast<uint8_t>(((x / 97 + y / 89) % 2) * 255);
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(f);
    return true;
}

void Measure(const char* label, const QString& path, int rounds)
{
    const std::array<uint8_t, 16> hw{32, 8, 3};
    const TZoneRect zone{0, 0, 256, 64};
    const long before = PeakKiB();
    QElapsedTimer timer;
    timer.start();
    int loaded = 0;
    for (int i = 0; i < rounds; ++i) {
        TSGNImage item;
        loaded += item.LoadPicture(path, hw, zone) ? 1 : 0;
    }
    const double ms = timer.nsecsElapsed() / 1e6 / rounds;
    std::printf("%-38s %7.1f ms per load and pack (%d/%d loaded); peak RSS %ld KiB, %ld KiB "
                "before the first load\n",
                label, ms, loaded, rounds, PeakKiB(), before);
}

// The decode runs in a fresh process of its own, so its peak memory is not
// hidden by the picture writer's.
int RunChild(const QString& label, const QString& path, int rounds)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("decode"), label, path, QString::number(rounds)});
    child.waitForFinished(-1);
    return child.exitCode();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args[1] == QLatin1String("decode")) {
        Measure(args[2].toUtf8().constData(), args[3], args[4].toInt());
        return 0;
    }
    QTemporaryDir dir;
    const QString jpeg = dir.filePath(QStringLiteral("photo.jpg"));
    const QString progressive = dir.filePath(QStringLiteral("progressive.jpg"));
    const QString bmp = dir.filePath(QStringLiteral("photo.bmp"));
    if (!WriteJpeg(jpeg, 4000, 3000, false) || !WriteJpeg(progressive, 4000, 3000, true))
        return 1;
    {
        QImage big(4000, 3000, QImage::Format_RGB888);
        big.fill(QColor(200, 30, 140));
        if (!big.save(bmp, "BMP"))
            return 1;
    }
    std::printf("files: baseline JPEG %lld bytes, progressive JPEG %lld bytes, BMP %lld bytes\n",
                QFile(jpeg).size(), QFile(progressive).size(), QFile(bmp).size());
    RunChild(QStringLiteral("4000x3000 baseline JPEG -> 256x64"), jpeg, 10);
    RunChild(QStringLiteral("4000x3000 progressive JPEG -> 256x64"), progressive, 5);
    RunChild(QStringLiteral("4000x3000 24-bit BMP -> 256x64"), bmp, 5);
    // 1.2 GB of pixels when fully decoded.
    const QString huge = dir.filePath(QStringLiteral("huge.jpg"));
    if (!WriteJpeg(huge, 20000, 20000, false))
        return 1;
    std::printf("files: 20000x20000 baseline JPEG %lld bytes\n", QFile(huge).size());
    RunChild(QStringLiteral("20000x20000 baseline JPEG -> 256x64"), huge, 2);
    return 0;
}
