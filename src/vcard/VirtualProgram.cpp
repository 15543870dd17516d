#include "vcard/VirtualProgram.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace {

uint16_t U16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

int Bcd(uint8_t b)
{
    return (b >> 4) * 10 + (b & 0x0F);
}

QString KindName(uint8_t typeCode)
{
    switch (typeCode & 0x0F) {
    case 0:
        return QStringLiteral("text");
    case 1:
        return QStringLiteral("rich text");
    case 2:
        return QStringLiteral("picture");
    case 3:
        return QStringLiteral("dial clock");
    case 4:
        return QStringLiteral("temperature");
    case 5:
        return QStringLiteral("clock");
    case 6:
        return QStringLiteral("countdown");
    default:
        return QStringLiteral("unknown");
    }
}

bool IsBitmap(uint8_t typeCode)
{
    const int kind = typeCode & 0x0F;
    return kind == 1 || kind == 2;
}

bool HasCodes(uint8_t typeCode)
{
    const int kind = typeCode & 0x0F;
    return kind == 0 || kind == 4 || kind == 5 || kind == 6;
}

// One play-window block (8 BCD bytes) as its fields; all zero means no limit.
QJsonObject WindowJson(const uint8_t* w)
{
    QJsonObject o;
    o.insert("Day", Bcd(w[0]));
    o.insert("Month", Bcd(w[1]));
    o.insert("Year", Bcd(w[2]));
    o.insert("Second", Bcd(w[4]));
    o.insert("Minute", Bcd(w[5]));
    o.insert("Hour", Bcd(w[6]));
    return o;
}

QJsonObject PageJson(const VirtualPage& page)
{
    const uint8_t* p = page.Params.data(); // packet byte 16 is p[0]
    const uint8_t type = p[25];
    QJsonObject o;
    o.insert("Page", page.Number);
    o.insert("Kind", KindName(type));
    o.insert("Blocks", page.Blocks);
    o.insert("HasFirstBlock", page.HasFirstBlock);
    o.insert("Effect", p[2]);
    o.insert("FrameStyle", p[3] >> 4);
    o.insert("FlashMode", p[3] & 0x0F);
    o.insert("Speed", p[4]);
    o.insert("StayTime", p[5]);
    o.insert("FlashCycles", p[6]);
    o.insert("LoopCount", p[7]);
    if ((type & 0x0F) == 6) {
        QJsonObject target;
        target.insert("Year", p[11]);
        target.insert("Month", p[15]);
        target.insert("Day", p[19]);
        o.insert("TargetDate", target);
    } else {
        o.insert("WindowStart", WindowJson(p + 8));
        o.insert("WindowStop", WindowJson(p + 16));
    }
    o.insert("Color", p[24]);
    o.insert("TypeCode", type);
    o.insert("Insert", (type & 0x10) != 0);
    o.insert("PageIndex", p[26]);
    o.insert("LastPageIndex", p[27]);
    o.insert("TextLength", U16(p + 28));
    o.insert("Zone", p[30] & 0x0F);
    o.insert("ClearFirst", (p[30] & 0x80) != 0);
    o.insert("DataBytes", static_cast<int>(page.Data.size()));
    if (HasCodes(type)) {
        QJsonArray codes;
        for (size_t i = 0; i + 1 < page.Data.size(); i += 2)
            codes.append(U16(&page.Data[i]));
        o.insert("Codes", codes);
    }
    return o;
}

// The page's planes (red, green, blue as the colour mode has them) drawn at
// one pixel per LED. The width is the zone's (or the panel's); the height
// follows from the bytes received.
QImage PageImage(const VirtualPage& page, const std::array<uint8_t, 16>& hw,
                 const std::array<uint8_t, 32>& zones)
{
    const int zone = page.Params[30] & 0x0F;
    int width = hw[0] * 8;
    if (zone >= 1 && zone <= 4 && zones[8 * (zone - 1)] == 1)
        width = zones[8 * (zone - 1) + 3] * 8;
    const int planes = (hw[2] >= 1 && hw[2] <= 3) ? hw[2] : 1;
    const int rowBytes = (width + 7) / 8;
    if (rowBytes == 0)
        return QImage();
    const int height = static_cast<int>(page.Data.size()) / (planes * rowBytes);
    if (height == 0)
        return QImage();
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(Qt::black);
    const int planeSize = rowBytes * height;
    for (int plane = 0; plane < planes; ++plane) {
        for (int y = 0; y < height; ++y) {
            uchar* row = image.scanLine(y);
            const uint8_t* bits = page.Data.data() + plane * planeSize + y * rowBytes;
            for (int x = 0; x < width; ++x) {
                if ((bits[x / 8] >> (7 - x % 8)) & 1)
                    row[3 * x + plane] = 255;
            }
        }
    }
    return image;
}

} // namespace

void VirtualProgram::Clear()
{
    Pages.clear();
    Complete = false;
}

void VirtualProgram::Take(const uint8_t* f, int length)
{
    if (length < 52)
        return;
    const uint8_t command = f[13];
    if (command == 25) {
        if (f[16] == 0) {
            ++Begins;
            Clear();
        } else {
            ++Ends;
            Complete = true;
        }
        return;
    }
    if (command != 2 && command != 3)
        return;
    const int n = std::min(length - 52, static_cast<int>(U16(f + 1)) - 52);
    if (n < 0)
        return;
    const uint16_t number = U16(f + 16);
    VirtualPage& page = Pages[number];
    page.Number = number;
    ++page.Blocks;
    Complete = false;
    int offset = 0;
    if (command == 3) {
        std::copy(f + 16, f + 48, page.Params.begin());
        page.HasFirstBlock = true;
        // A first block replaces what the page held before.
        page.Data.clear();
    } else {
        offset = U16(f + 18);
        if (!page.HasFirstBlock)
            std::copy(f + 16, f + 48, page.Params.begin());
    }
    if (page.Data.size() < static_cast<size_t>(offset + n))
        page.Data.resize(offset + n, 0);
    std::copy(f + 48, f + 48 + n, page.Data.begin() + offset);
}

bool WriteVirtualProgram(const VirtualProgram& program, const std::array<uint8_t, 16>& hardware,
                         const std::array<uint8_t, 32>& zones, const QString& dir, QString* error)
{
    if (!QDir().mkpath(dir)) {
        *error = QStringLiteral("cannot create the directory %1").arg(dir);
        return false;
    }
    const QDir out(dir);
    for (const auto& entry : program.Pages) {
        const VirtualPage& page = entry.second;
        const QString base = QStringLiteral("page-%1").arg(page.Number, 3, 10, QLatin1Char('0'));
        QJsonObject json = PageJson(page);
        if (IsBitmap(page.Params[25])) {
            const QImage image = PageImage(page, hardware, zones);
            const QString png = base + QStringLiteral(".png");
            if (!image.isNull()) {
                if (!image.save(out.filePath(png), "PNG")) {
                    *error = QStringLiteral("cannot write %1").arg(out.filePath(png));
                    return false;
                }
                json.insert("Png", png);
                json.insert("Width", image.width());
                json.insert("Height", image.height());
            }
        }
        QFile file(out.filePath(base + QStringLiteral(".json")));
        if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(json).toJson()) < 0 ||
            !file.flush()) {
            *error = QStringLiteral("%1: %2").arg(file.fileName(), file.errorString());
            return false;
        }
    }
    return true;
}
