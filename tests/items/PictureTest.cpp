// Picture items: decoding .jpg and .bmp files, fitting, colour reduction,
// plane packing and the continuation packets of a multi-block picture.
#include "items/SGNImage.h"
#include "model/SGNPartition.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <limits>
#include <sys/resource.h>
#include <vector>

#include <jpeglib.h>

namespace {

using Pixel = std::function<void(int x, int y, uint8_t* rgb)>;

std::array<uint8_t, 16> Mode(uint8_t colorMode)
{
    std::array<uint8_t, 16> params{};
    params[0] = 32;
    params[1] = 8;
    params[2] = colorMode;
    return params;
}

TZoneRect Zone(int w, int h)
{
    return TZoneRect{0, 0, w, h};
}

void PutLe(QByteArray& b, uint32_t v, int n)
{
    for (int i = 0; i < n; ++i)
        b.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// A BMP file image written by hand, so that 8-, 24- and 32-bit files and
// both row orders are covered independently of any image library.
QByteArray MakeBmp(int w, int h, int bpp, bool topDown, const Pixel& pixel)
{
    const int stride = ((w * bpp + 31) / 32) * 4;
    const int paletteSize = bpp == 8 ? 256 * 4 : 0;
    const int offset = 14 + 40 + paletteSize;
    QByteArray b;
    b.append("BM");
    PutLe(b, offset + stride * h, 4);
    PutLe(b, 0, 4);
    PutLe(b, offset, 4);
    PutLe(b, 40, 4);
    PutLe(b, w, 4);
    PutLe(b, static_cast<uint32_t>(topDown ? -h : h), 4);
    PutLe(b, 1, 2);
    PutLe(b, bpp, 2);
    PutLe(b, 0, 4);
    PutLe(b, stride * h, 4);
    PutLe(b, 2835, 4);
    PutLe(b, 2835, 4);
    PutLe(b, 0, 4);
    PutLe(b, 0, 4);
    // 8-bit palette: entry i is the colour 3-3-2 packed in i.
    for (int i = 0; bpp == 8 && i < 256; ++i) {
        b.append(static_cast<char>((i & 3) * 85));        // blue
        b.append(static_cast<char>(((i >> 2) & 7) * 36)); // green
        b.append(static_cast<char>((i >> 5) * 36));       // red
        b.append('\0');
    }
    for (int row = 0; row < h; ++row) {
        const int y = topDown ? row : h - 1 - row;
        QByteArray line(stride, '\0');
        for (int x = 0; x < w; ++x) {
            uint8_t rgb[3];
            pixel(x, y, rgb);
            if (bpp == 8) {
                line[x] =
                    static_cast<char>(((rgb[0] / 36) << 5) | ((rgb[1] / 36) << 2) | (rgb[2] / 85));
            } else {
                const int n = bpp / 8;
                line[x * n] = static_cast<char>(rgb[2]);
                line[x * n + 1] = static_cast<char>(rgb[1]);
                line[x * n + 2] = static_cast<char>(rgb[0]);
            }
        }
        b.append(line);
    }
    return b;
}

enum class JpegKind
{
    Rgb,
    Gray,
    Cmyk,
    Progressive
};

// Writes a JPEG through libjpeg, row by row, so that even a huge picture
// needs only one row of memory.
bool WriteJpeg(const QString& path, int w, int h, JpegKind kind, const Pixel& pixel)
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
    c.input_components = kind == JpegKind::Gray ? 1 : kind == JpegKind::Cmyk ? 4 : 3;
    c.in_color_space = kind == JpegKind::Gray   ? JCS_GRAYSCALE
                       : kind == JpegKind::Cmyk ? JCS_CMYK
                                                : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 95, TRUE);
    if (kind == JpegKind::Progressive)
        jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(static_cast<size_t>(w) * c.input_components);
    while (c.next_scanline < c.image_height) {
        const int y = static_cast<int>(c.next_scanline);
        for (int x = 0; x < w; ++x) {
            uint8_t rgb[3];
            pixel(x, y, rgb);
            if (kind == JpegKind::Gray) {
                row[x] = rgb[0];
            } else if (kind == JpegKind::Cmyk) {
                // Stored the Adobe way: 255 = no ink.
                row[4 * x] = rgb[0];
                row[4 * x + 1] = rgb[1];
                row[4 * x + 2] = rgb[2];
                row[4 * x + 3] = 255;
            } else {
                std::copy(rgb, rgb + 3, &row[3 * x]);
            }
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(f);
    return true;
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Left half red, right half green; blue in the bottom half.
void Quadrants(int w, int h, int x, int y, uint8_t* rgb)
{
    rgb[0] = x < w / 2 ? 255 : 0;
    rgb[1] = x < w / 2 ? 0 : 255;
    rgb[2] = y < h / 2 ? 0 : 255;
}

// Bit of pixel (x, y) in plane p of an item's packed planes.
bool Bit(const TSGNImage& item, int w, int h, int p, int x, int y)
{
    const int rowBytes = w / 8;
    const auto byte = static_cast<uint8_t>(item.ImageData[p * rowBytes * h + y * rowBytes + x / 8]);
    return (byte >> (7 - x % 8)) & 1;
}

class PictureFiles : public ::testing::Test
{
protected:
    QString Path(const QString& name) const { return dir_.filePath(name); }
    QTemporaryDir dir_;
};

} // namespace

TEST(PicturePlanes, SizesByColourMode)
{
    struct Case
    {
        int w, h;
        uint8_t mode;
        int size, blocks;
    };
    const Case cases[] = {{64, 32, 1, 256, 1}, {64, 32, 2, 512, 1},   {64, 32, 3, 768, 1},
                          {64, 32, 7, 256, 1}, {128, 64, 3, 3072, 3}, {96, 16, 2, 384, 1}};
    for (const Case& c : cases) {
        TSGNImage item;
        item.BlankPicture(Mode(c.mode), Zone(c.w, c.h));
        EXPECT_EQ(item.ImageSize, c.size) << c.w << "x" << c.h << " mode " << int(c.mode);
        EXPECT_EQ(item.ImageData, QByteArray(c.size, '\0'));
        EXPECT_EQ(item.GetBlockCount(), c.blocks);
        EXPECT_EQ(item.GetPageCount(), 1);
        EXPECT_EQ(item.Picture().size(), QSize(c.w, c.h));
    }
}

TEST_F(PictureFiles, ThresholdAndBitOrder)
{
    // Pixel 0: 200/100/129; pixel 1: exactly 128 everywhere; pixel 8: red.
    const QString path = Path(QStringLiteral("t.bmp"));
    WriteFile(path, MakeBmp(16, 1, 24, false, [](int x, int, uint8_t* rgb) {
                  rgb[0] = rgb[1] = rgb[2] = 0;
                  if (x == 0)
                      rgb[0] = 200, rgb[1] = 100, rgb[2] = 129;
                  else if (x == 1)
                      rgb[0] = rgb[1] = rgb[2] = 128;
                  else if (x == 8)
                      rgb[0] = 255;
              }));
    TSGNImage item;
    ASSERT_TRUE(item.LoadPicture(path, Mode(3), Zone(16, 1)));
    ASSERT_EQ(item.ImageSize, 6);
    EXPECT_EQ(item.ImageData, QByteArray::fromHex("808000008000"));
    EXPECT_EQ(item.Picture().pixel(0, 0), qRgb(255, 0, 255));
    EXPECT_EQ(item.Picture().pixel(1, 0), qRgb(0, 0, 0));

    ASSERT_TRUE(item.LoadPicture(path, Mode(1), Zone(16, 1)));
    EXPECT_EQ(item.ImageData, QByteArray::fromHex("8080"));
    EXPECT_EQ(item.Picture().pixel(0, 0), qRgb(255, 0, 0));
}

TEST_F(PictureFiles, BmpDepthsAndRowOrders)
{
    const int w = 32, h = 16;
    for (int bpp : {8, 24, 32}) {
        for (bool topDown : {false, true}) {
            const QString path = Path(QStringLiteral("p%1%2.bmp").arg(bpp).arg(topDown));
            WriteFile(path, MakeBmp(w, h, bpp, topDown, [](int x, int y, uint8_t* rgb) {
                          Quadrants(32, 16, x, y, rgb);
                      }));
            TSGNImage item;
            ASSERT_TRUE(item.LoadPicture(path, Mode(3), Zone(w, h))) << bpp << " " << topDown;
            for (int y : {0, h - 1}) {
                for (int x : {0, w - 1}) {
                    uint8_t rgb[3];
                    Quadrants(w, h, x, y, rgb);
                    for (int p = 0; p < 3; ++p)
                        EXPECT_EQ(Bit(item, w, h, p, x, y), rgb[p] > 128)
                            << bpp << "bpp topDown " << topDown << " plane " << p << " at " << x
                            << "," << y;
                }
            }
        }
    }
}

TEST_F(PictureFiles, JpegColourSpacesAndStretching)
{
    // A 200 x 120 picture stretched onto a 64 x 32 zone keeps its quadrants.
    const int w = 64, h = 32;
    for (JpegKind kind : {JpegKind::Rgb, JpegKind::Gray, JpegKind::Cmyk, JpegKind::Progressive}) {
        const QString path = Path(QStringLiteral("k%1.jpg").arg(int(kind)));
        ASSERT_TRUE(WriteJpeg(path, 200, 120, kind,
                              [](int x, int y, uint8_t* rgb) { Quadrants(200, 120, x, y, rgb); }));
        TSGNImage item;
        ASSERT_TRUE(item.LoadPicture(path, Mode(3), Zone(w, h))) << int(kind);
        for (int y : {2, h - 3}) {
            for (int x : {2, w - 3}) {
                uint8_t rgb[3];
                Quadrants(w, h, x, y, rgb);
                if (kind == JpegKind::Gray)
                    rgb[1] = rgb[2] = rgb[0]; // the red channel was written as grey
                for (int p = 0; p < 3; ++p)
                    EXPECT_EQ(Bit(item, w, h, p, x, y), rgb[p] > 128)
                        << "kind " << int(kind) << " plane " << p << " at " << x << "," << y;
            }
        }
    }
}

TEST_F(PictureFiles, ExtensionDecidesTheDecoder)
{
    const QString upper = Path(QStringLiteral("pic.JPG"));
    ASSERT_TRUE(WriteJpeg(upper, 16, 8, JpegKind::Rgb,
                          [](int, int, uint8_t* rgb) { rgb[0] = 255, rgb[1] = rgb[2] = 0; }));
    TSGNImage item;
    ASSERT_TRUE(item.LoadPicture(upper, Mode(1), Zone(16, 8)));
    EXPECT_EQ(item.ImageData, QByteArray(16, '\xFF'));

    const QString jpeg = Path(QStringLiteral("pic.jpeg"));
    ASSERT_TRUE(QFile::copy(upper, jpeg));
    QString why;
    EXPECT_FALSE(item.LoadPicture(jpeg, Mode(1), Zone(16, 8), &why));
    EXPECT_EQ(item.ImageSize, 0);
    EXPECT_TRUE(item.ImageData.isEmpty());
    EXPECT_EQ(item.GetBlockCount(), 0);
    EXPECT_EQ(item.Picture().size(), QSize(16, 8)) << "the picture stays as it was";
    EXPECT_TRUE(why.contains(QStringLiteral("pic.jpeg"))) << why.toStdString();
}

TEST_F(PictureFiles, DamagedFilesGiveNoPicture)
{
    const QString good = Path(QStringLiteral("good.jpg"));
    ASSERT_TRUE(WriteJpeg(good, 256, 256, JpegKind::Rgb, [](int x, int y, uint8_t* rgb) {
        rgb[0] = static_cast<uint8_t>(x), rgb[1] = static_cast<uint8_t>(y),
        rgb[2] = static_cast<uint8_t>(x ^ y);
    }));
    QFile f(good);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray jpeg = f.readAll();
    const QByteArray bmp =
        MakeBmp(32, 32, 24, false, [](int, int, uint8_t* rgb) { rgb[0] = rgb[1] = rgb[2] = 9; });

    QByteArray corrupt = jpeg;
    for (int i = corrupt.size() / 3; i < corrupt.size() / 3 + 64; ++i)
        corrupt[i] = static_cast<char>(0xFF);
    QByteArray hugeBmp = bmp;
    hugeBmp[18] = 0;
    hugeBmp[19] = 0;
    hugeBmp[20] = 0;
    hugeBmp[21] = 0x40; // width 2^30

    struct Case
    {
        const char* name;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"half.jpg", jpeg.left(jpeg.size() / 2)},
        {"header.jpg", jpeg.left(100)},
        {"corrupt.jpg", corrupt},
        {"empty.jpg", QByteArray()},
        {"text.jpg", QByteArray("not a picture at all")},
        {"half.bmp", bmp.left(bmp.size() / 2)},
        {"header.bmp", bmp.left(20)},
        {"huge.bmp", hugeBmp},
        {"jpeg-as.bmp", jpeg},
    };
    for (const Case& c : cases) {
        const QString path = Path(QString::fromLatin1(c.name));
        WriteFile(path, c.bytes);
        TSGNImage item;
        item.BlankPicture(Mode(1), Zone(32, 32));
        QString why;
        EXPECT_FALSE(item.LoadPicture(path, Mode(1), Zone(32, 32), &why)) << c.name;
        EXPECT_EQ(item.ImageSize, 0) << c.name;
        EXPECT_FALSE(why.isEmpty()) << c.name;
    }
    EXPECT_FALSE(TSGNImage().LoadPicture(Path(QStringLiteral("missing.jpg")), Mode(1), Zone(8, 8)));
}

TEST_F(PictureFiles, ZonesNoPanelHasGiveNoData)
{
    // Only a damaged project holds such zones; fitting a picture to them
    // would ask for gigabytes (or overflow the plane size).
    const QString path = Path(QStringLiteral("z.bmp"));
    WriteFile(path, MakeBmp(8, 8, 24, false,
                            [](int, int, uint8_t* rgb) { rgb[0] = rgb[1] = rgb[2] = 255; }));
    const TZoneRect zones[] = {
        {0, 0, 100000, 100000},
        {0, 0, 64, 3000},
        {std::numeric_limits<int32_t>::min(), 0, std::numeric_limits<int32_t>::max(), 16},
        {0, 0, -64, 16},
    };
    for (const TZoneRect& zone : zones) {
        TSGNImage item;
        item.BlankPicture(Mode(3), zone);
        EXPECT_EQ(item.ImageSize, 0) << zone.Right;
        EXPECT_EQ(item.GetBlockCount(), 0) << zone.Right;
        QString why;
        EXPECT_FALSE(item.LoadPicture(path, Mode(3), zone, &why)) << zone.Right;
        EXPECT_EQ(item.ImageSize, 0) << zone.Right;
        item.FitPicture(Mode(3), zone);
        EXPECT_EQ(item.ImageSize, 0) << zone.Right;
    }
    // The largest panel still gets its picture.
    TSGNImage item;
    ASSERT_TRUE(item.LoadPicture(path, Mode(1), Zone(2040, 2040)));
    EXPECT_EQ(item.ImageSize, 2040 * 2040 / 8);
}

TEST_F(PictureFiles, HugeJpegDecodesInBoundedMemory)
{
    // 20000 x 20000: 1.2 GB as plain RGB. Decoded scaled down and stretched
    // row by row, it must stay far below that.
    const QString path = Path(QStringLiteral("huge.jpg"));
    ASSERT_TRUE(WriteJpeg(path, 20000, 20000, JpegKind::Rgb, [](int x, int, uint8_t* rgb) {
        rgb[0] = x < 10000 ? 255 : 0;
        rgb[1] = x < 10000 ? 0 : 255;
        rgb[2] = 0;
    }));
    TSGNImage item;
    ASSERT_TRUE(item.LoadPicture(path, Mode(2), Zone(256, 64)));
    EXPECT_TRUE(Bit(item, 256, 64, 0, 10, 30));
    EXPECT_FALSE(Bit(item, 256, 64, 1, 10, 30));
    EXPECT_TRUE(Bit(item, 256, 64, 1, 250, 30));
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    EXPECT_LT(usage.ru_maxrss, 400L * 1024) << "peak resident set in KiB";
}

TEST_F(PictureFiles, HugeProgressiveJpegIsRefusedNotAllocated)
{
    // A progressive JPEG keeps every coefficient of the picture while it
    // decodes: 20000 x 20000 would need over a gigabyte. A small file whose
    // frame header claims that size must fail cleanly, within the decoder's
    // memory limit.
    const QString small = Path(QStringLiteral("small.jpg"));
    ASSERT_TRUE(WriteJpeg(small, 16, 16, JpegKind::Progressive,
                          [](int, int, uint8_t* rgb) { rgb[0] = rgb[1] = rgb[2] = 200; }));
    QFile f(small);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QByteArray bytes = f.readAll();
    const int sof = bytes.indexOf(QByteArray("\xFF\xC2", 2));
    ASSERT_GT(sof, 0);
    for (int k : {5, 7}) { // height, then width, big-endian
        bytes[sof + k] = static_cast<char>(0x4E);
        bytes[sof + k + 1] = static_cast<char>(0x20);
    }
    const QString huge = Path(QStringLiteral("claims-huge.jpg"));
    WriteFile(huge, bytes);
    TSGNImage item;
    QString why;
    EXPECT_FALSE(item.LoadPicture(huge, Mode(3), Zone(256, 64), &why));
    EXPECT_TRUE(why.contains(QStringLiteral("memory")) ||
                why.contains(QStringLiteral("Backing store")))
        << why.toStdString();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    EXPECT_LT(usage.ru_maxrss, 400L * 1024) << "peak resident set in KiB";
}

TEST(PictureFit, RefitsOnlyWhenTheZoneSizeChanges)
{
    TSGNImage item;
    QImage picture(16, 8, QImage::Format_RGB888);
    picture.fill(QColor(255, 0, 0));
    item.SetPicture(picture);
    item.FitPicture(Mode(1), Zone(32, 8));
    EXPECT_EQ(item.Picture().size(), QSize(32, 8));
    EXPECT_EQ(item.ImageData, QByteArray(32, '\xFF'));

    // Same size: neither the picture nor the planes change, even with a new
    // colour mode.
    item.ImageData[0] = 0x12;
    item.FitPicture(Mode(3), Zone(32, 8));
    EXPECT_EQ(item.ImageSize, 32);
    EXPECT_EQ(static_cast<uint8_t>(item.ImageData[0]), 0x12);
}

TEST(PicturePacket, ContinuationBlocks)
{
    // 160 x 128 in one colour: 2560 bytes of planes.
    TSGNImage item;
    item.BlankPicture(Mode(1), Zone(160, 128));
    for (int i = 0; i < item.ImageSize; ++i)
        item.ImageData[i] = static_cast<char>(i / 1024 + 1);
    ASSERT_EQ(item.GetBlockCount(), 3);
    item.Params.PageNo = 4;
    item.Params.Effect = 6;
    const int lengths[] = {1076, 1076, 564};
    for (int b = 0; b < 3; ++b) {
        item.BlockIndex = b;
        item.FillBlock();
        item.BuildPacket();
        const uint8_t* p = item.SendBuffer.data();
        EXPECT_EQ(item.PacketLength(), lengths[b]);
        EXPECT_EQ(p[13], b == 0 ? 3 : 2);
        EXPECT_EQ(p[14], b == 0 ? 3 : 2);
        EXPECT_EQ(p[15], b == 0 ? 2 : 1);
        EXPECT_EQ(p[16] | (p[17] << 8), 4);
        EXPECT_EQ(p[18] | (p[19] << 8), b == 0 ? 0x0006 : b * 1024);
        EXPECT_EQ(p[41], 2);
        EXPECT_EQ(p[48], b + 1);
        EXPECT_EQ(p[lengths[b] - 1], 0x50);
        // The record never keeps the continuation state.
        EXPECT_EQ(item.Command, 3);
        EXPECT_EQ(item.Params.UseOffset, 0);
        EXPECT_EQ(item.Params.PageNo, 4);
    }
}
