#include "items/PictureFile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>

namespace PictureFile {
namespace {

// Area-average stretch fed one source row at a time. Every zone pixel
// averages the box of source pixels that falls on it; when the source is
// smaller than the zone a box is a single source pixel, repeated.
class Stretcher
{
public:
    Stretcher(int srcWidth, int srcHeight, int width, int height)
        : srcW_(srcWidth), srcH_(srcHeight), w_(width), h_(height), x0_(width), x1_(width),
          y0_(height), y1_(height), sums_(static_cast<size_t>(width) * height * 3, 0),
          rowSums_(static_cast<size_t>(width) * 3, 0)
    {
        for (int x = 0; x < w_; ++x)
            Box(x, w_, srcW_, &x0_[x], &x1_[x]);
        for (int y = 0; y < h_; ++y)
            Box(y, h_, srcH_, &y0_[y], &y1_[y]);
    }

    // rgb: srcWidth pixels of R, G, B bytes for source row sy (any order of
    // rows is fine).
    void AddRow(int sy, const uint8_t* rgb)
    {
        for (int x = 0; x < w_; ++x) {
            uint64_t r = 0, g = 0, b = 0;
            for (int sx = x0_[x]; sx < x1_[x]; ++sx) {
                r += rgb[3 * sx];
                g += rgb[3 * sx + 1];
                b += rgb[3 * sx + 2];
            }
            rowSums_[3 * x] = r;
            rowSums_[3 * x + 1] = g;
            rowSums_[3 * x + 2] = b;
        }
        // Box ends grow with the zone row, so the first row whose box holds
        // sy is found by bisection; bitmaps deliver their rows bottom-up.
        const int first =
            static_cast<int>(std::upper_bound(y1_.begin(), y1_.end(), sy) - y1_.begin());
        for (int y = first; y < h_ && y0_[y] <= sy; ++y) {
            uint64_t* row = sums_.data() + static_cast<size_t>(y) * w_ * 3;
            for (int i = 0; i < w_ * 3; ++i)
                row[i] += rowSums_[i];
        }
    }

    QImage Result() const
    {
        QImage image(w_, h_, QImage::Format_RGB888);
        if (image.isNull())
            return image;
        for (int y = 0; y < h_; ++y) {
            uchar* out = image.scanLine(y);
            const uint64_t* row = sums_.data() + static_cast<size_t>(y) * w_ * 3;
            for (int x = 0; x < w_; ++x) {
                const uint64_t count =
                    static_cast<uint64_t>(x1_[x] - x0_[x]) * static_cast<uint64_t>(y1_[y] - y0_[y]);
                for (int c = 0; c < 3; ++c)
                    out[3 * x + c] = static_cast<uchar>((row[3 * x + c] + count / 2) / count);
            }
        }
        return image;
    }

private:
    static void Box(int i, int n, int srcN, int* from, int* to)
    {
        *from = static_cast<int>(static_cast<int64_t>(i) * srcN / n);
        *to = static_cast<int>(static_cast<int64_t>(i + 1) * srcN / n);
        if (*to <= *from)
            *to = *from + 1;
        if (*to > srcN)
            *to = srcN;
    }

    int srcW_, srcH_, w_, h_;
    std::vector<int> x0_, x1_, y0_, y1_;
    std::vector<uint64_t> sums_;
    std::vector<uint64_t> rowSums_;
};

// ---- JPEG ----------------------------------------------------------------

// libjpeg reports fatal errors through error_exit, which must not return:
// we jump back to the decoder and give up the picture instead of letting
// the library end the process. Warnings (corrupt or truncated data) also end
// the decode, so a damaged file gives no picture rather than a grey one.
struct JpegError
{
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void JpegErrorExit(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<JpegError*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void JpegEmitMessage(j_common_ptr cinfo, int level)
{
    if (level < 0) {
        auto* err = reinterpret_cast<JpegError*>(cinfo->err);
        (*cinfo->err->format_message)(cinfo, err->message);
        std::longjmp(err->jump, 1);
    }
}

void JpegOutputMessage(j_common_ptr) {}

// Memory libjpeg may take for a picture (progressive files keep all their
// coefficients); beyond it the decode fails instead of exhausting memory.
constexpr long kJpegMemoryLimit = 256L * 1024 * 1024;

// Largest scale-down (1/1 .. 1/8) that still leaves at least one decoded
// pixel per zone pixel.
unsigned ChooseDenominator(unsigned srcW, unsigned srcH, int w, int h)
{
    for (unsigned d = 8; d > 1; d /= 2) {
        if ((srcW + d - 1) / d >= static_cast<unsigned>(w) &&
            (srcH + d - 1) / d >= static_cast<unsigned>(h))
            return d;
    }
    return 1;
}

QImage DecodeJpeg(std::FILE* file, int w, int h, QString* why)
{
    jpeg_decompress_struct cinfo;
    JpegError err;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegErrorExit;
    err.mgr.emit_message = JpegEmitMessage;
    err.mgr.output_message = JpegOutputMessage;
    err.message[0] = 0;

    // Everything that must survive a longjmp lives outside the jump's frame
    // or is allocated before setjmp.
    Stretcher* volatile stretcher = nullptr;
    std::vector<uint8_t>* volatile rgbRow = nullptr;
    std::vector<uint8_t>* volatile raw = nullptr;

    if (setjmp(err.jump)) {
        *why = QString::fromLatin1(err.message);
        jpeg_destroy_decompress(&cinfo);
        delete stretcher;
        delete rgbRow;
        delete raw;
        return QImage();
    }

    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = kJpegMemoryLimit;
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);

    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    cinfo.scale_num = 1;
    cinfo.scale_denom = ChooseDenominator(cinfo.image_width, cinfo.image_height, w, h);
    jpeg_start_decompress(&cinfo);

    const int outW = static_cast<int>(cinfo.output_width);
    const int outH = static_cast<int>(cinfo.output_height);
    const int comps = cinfo.output_components;
    stretcher = new Stretcher(outW, outH, w, h);
    raw = new std::vector<uint8_t>(static_cast<size_t>(outW) * comps);
    rgbRow = new std::vector<uint8_t>(static_cast<size_t>(outW) * 3);
    // Adobe writes CMYK inverted (0 = full ink); other writers do not.
    const bool inverted = cinfo.saw_Adobe_marker;

    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = static_cast<int>(cinfo.output_scanline);
        JSAMPROW row = raw->data();
        if (jpeg_read_scanlines(&cinfo, &row, 1) != 1)
            break;
        const uint8_t* src = raw->data();
        if (cmyk) {
            uint8_t* dst = rgbRow->data();
            for (int x = 0; x < outW; ++x) {
                int c = src[4 * x], m = src[4 * x + 1], yy = src[4 * x + 2], k = src[4 * x + 3];
                if (!inverted) {
                    c = 255 - c;
                    m = 255 - m;
                    yy = 255 - yy;
                    k = 255 - k;
                }
                dst[3 * x] = static_cast<uint8_t>(c * k / 255);
                dst[3 * x + 1] = static_cast<uint8_t>(m * k / 255);
                dst[3 * x + 2] = static_cast<uint8_t>(yy * k / 255);
            }
            stretcher->AddRow(y, rgbRow->data());
        } else {
            stretcher->AddRow(y, src);
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    QImage result = stretcher->Result();
    delete stretcher;
    delete rgbRow;
    delete raw;
    return result;
}

QImage LoadJpeg(const QString& fileName, int w, int h, QString* why)
{
    std::FILE* file = std::fopen(QFile::encodeName(fileName).constData(), "rb");
    if (!file) {
        *why = QString::fromLocal8Bit(std::strerror(errno));
        return QImage();
    }
    QImage image = DecodeJpeg(file, w, h, why);
    std::fclose(file);
    return image;
}

// ---- BMP -----------------------------------------------------------------

uint32_t U32(const uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t U16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

// Position and width of a channel mask, for 16- and 32-bit bitfields.
struct Channel
{
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(uint32_t m = 0) : mask(m)
    {
        if (!m)
            return;
        while (!((m >> shift) & 1))
            ++shift;
        while (shift + bits < 32 && ((m >> (shift + bits)) & 1))
            ++bits;
    }
    uint8_t Get(uint32_t v) const
    {
        if (!bits)
            return 0;
        const uint32_t x = (v & mask) >> shift;
        const uint32_t max = bits >= 32 ? 0xFFFFFFFFu : ((1u << bits) - 1);
        return static_cast<uint8_t>((static_cast<uint64_t>(x) * 255 + max / 2) / max);
    }
};

QImage LoadBmp(const QString& fileName, int w, int h, QString* why)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *why = file.errorString();
        return QImage();
    }
    const QByteArray head = file.read(14 + 124);
    const auto* p = reinterpret_cast<const uint8_t*>(head.constData());
    if (head.size() < 14 + 12 || p[0] != 'B' || p[1] != 'M') {
        *why = QStringLiteral("not a BMP file (no BM header)");
        return QImage();
    }
    const uint32_t pixelOffset = U32(p + 10);
    const uint32_t infoSize = U32(p + 14);
    if (infoSize < 12 || head.size() < 14 + static_cast<qint64>(qMin<uint32_t>(infoSize, 40))) {
        *why = QStringLiteral("BMP info header of %1 bytes is truncated or invalid").arg(infoSize);
        return QImage();
    }
    int64_t width, height;
    int bpp;
    uint32_t compression = 0, colorsUsed = 0;
    const uint8_t* info = p + 14;
    if (infoSize == 12) {
        width = U16(info + 4);
        height = static_cast<int16_t>(U16(info + 6));
        bpp = U16(info + 10);
    } else {
        if (head.size() < 14 + 40) {
            *why = QStringLiteral("BMP info header is truncated");
            return QImage();
        }
        width = static_cast<int32_t>(U32(info + 4));
        height = static_cast<int32_t>(U32(info + 8));
        bpp = U16(info + 14);
        compression = U32(info + 16);
        colorsUsed = U32(info + 32);
    }
    const bool topDown = height < 0;
    if (topDown)
        height = -height;
    if (width <= 0 || height <= 0 || width > MaxSide || height > MaxSide) {
        *why =
            QStringLiteral("BMP size %1 x %2 is outside 1..%3").arg(width).arg(height).arg(MaxSide);
        return QImage();
    }

    // Channel masks: the defaults for uncompressed 16 and 32 bits, or the
    // bitfields after a 40-byte header / inside a V4 or V5 header.
    Channel red, green, blue;
    if (bpp == 16) {
        red = Channel(0x7C00), green = Channel(0x03E0), blue = Channel(0x001F);
    } else if (bpp == 32) {
        red = Channel(0xFF0000), green = Channel(0xFF00), blue = Channel(0xFF);
    }
    if (compression == 3 || compression == 6) {
        if ((bpp != 16 && bpp != 32) || head.size() < 14 + 40 + 12) {
            *why =
                QStringLiteral("BMP bitfields with %1 bits per pixel are not supported").arg(bpp);
            return QImage();
        }
        const uint8_t* masks = info + 40;
        red = Channel(U32(masks)), green = Channel(U32(masks + 4)), blue = Channel(U32(masks + 8));
    } else if (compression != 0) {
        *why = QStringLiteral("compressed BMP (method %1) is not supported").arg(compression);
        return QImage();
    }

    std::vector<uint8_t> palette; // B, G, R per entry
    if (bpp == 1 || bpp == 4 || bpp == 8) {
        const int entries =
            colorsUsed && colorsUsed <= (1u << bpp) ? static_cast<int>(colorsUsed) : (1 << bpp);
        const int entrySize = infoSize == 12 ? 3 : 4;
        if (!file.seek(14 + infoSize)) {
            *why = QStringLiteral("BMP palette is missing");
            return QImage();
        }
        const QByteArray pal = file.read(static_cast<qint64>(entries) * entrySize);
        if (pal.size() != entries * entrySize) {
            *why = QStringLiteral("BMP palette is truncated at offset %1")
                       .arg(14 + infoSize + pal.size());
            return QImage();
        }
        palette.assign(static_cast<size_t>(1 << bpp) * 3, 0);
        for (int i = 0; i < entries; ++i)
            std::memcpy(&palette[3 * i], pal.constData() + i * entrySize, 3);
    } else if (bpp != 16 && bpp != 24 && bpp != 32) {
        *why = QStringLiteral("BMP with %1 bits per pixel is not supported").arg(bpp);
        return QImage();
    }

    const int64_t stride = ((width * bpp + 31) / 32) * 4;
    if (file.size() < static_cast<qint64>(pixelOffset) + stride * height) {
        *why = QStringLiteral("BMP pixel data is truncated: %1 bytes from offset %2, %3 needed")
                   .arg(file.size() - pixelOffset)
                   .arg(pixelOffset)
                   .arg(stride * height);
        return QImage();
    }
    if (!file.seek(pixelOffset)) {
        *why = QStringLiteral("cannot seek to BMP pixel data at offset %1").arg(pixelOffset);
        return QImage();
    }

    Stretcher stretcher(static_cast<int>(width), static_cast<int>(height), w, h);
    std::vector<uint8_t> raw(static_cast<size_t>(stride));
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * 3);
    for (int64_t i = 0; i < height; ++i) {
        if (file.read(reinterpret_cast<char*>(raw.data()), stride) != stride) {
            *why = QStringLiteral("BMP pixel data ends early at offset %1").arg(file.pos());
            return QImage();
        }
        uint8_t* out = rgb.data();
        for (int64_t x = 0; x < width; ++x, out += 3) {
            if (bpp == 24) {
                out[0] = raw[3 * x + 2], out[1] = raw[3 * x + 1], out[2] = raw[3 * x];
            } else if (bpp == 32 || bpp == 16) {
                const uint32_t v = bpp == 32 ? U32(&raw[4 * x]) : U16(&raw[2 * x]);
                out[0] = red.Get(v), out[1] = green.Get(v), out[2] = blue.Get(v);
            } else {
                const int perByte = 8 / bpp;
                const int shift = 8 - bpp * (1 + static_cast<int>(x % perByte));
                const int index = (raw[x / perByte] >> shift) & ((1 << bpp) - 1);
                out[0] = palette[3 * index + 2], out[1] = palette[3 * index + 1],
                out[2] = palette[3 * index];
            }
        }
        stretcher.AddRow(static_cast<int>(topDown ? i : height - 1 - i), rgb.data());
    }
    return stretcher.Result();
}

} // namespace

QImage LoadStretched(const QString& fileName, int width, int height, QString* error)
{
    QString why;
    QImage image;
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (width <= 0 || height <= 0)
        why = QStringLiteral("the zone is %1 x %2 pixels").arg(width).arg(height);
    else if (suffix == QLatin1String("jpg"))
        image = LoadJpeg(fileName, width, height, &why);
    else if (suffix == QLatin1String("bmp"))
        image = LoadBmp(fileName, width, height, &why);
    else
        why = QStringLiteral("only .jpg and .bmp pictures are read");
    if (image.isNull() && error)
        *error = QStringLiteral("%1: %2").arg(fileName, why);
    return image;
}

} // namespace PictureFile
