// lumaxis render PROJECT.sgn --panel N --item K --out DIR: writes the pages
// of one item as PNG files at one pixel per LED, lit as the card lights
// them (each colour plane fully on or off).
#include "app/CommandLine.h"
#include "authoring/RTFDecodeUnit.h"
#include "items/SGNRtf.h"
#include "model/ProjectFile.h"
#include "model/SGNPanel.h"
#include "model/SGNPanels.h"

#include <QDir>
#include <QImage>

namespace {

const char kUsage[] = "usage: lumaxis render PROJECT.sgn --panel N --item K --out DIR";

// The picture the card shows for one page record: W x H pixels, each
// channel 255 where its plane has a 1.
QImage PageFromPlanes(const QByteArray& page, int width, int height, int planes)
{
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(Qt::black);
    const int bytesPerRow = width / 8;
    const int planeSize = bytesPerRow * height;
    for (int plane = 0; plane < planes; ++plane) {
        for (int y = 0; y < height; ++y) {
            uchar* line = image.scanLine(y);
            for (int x = 0; x < bytesPerRow * 8; ++x) {
                const int at = plane * planeSize + y * bytesPerRow + x / 8;
                if (at < page.size() && (static_cast<uint8_t>(page[at]) & (0x80 >> (x % 8))))
                    line[x * 3 + plane] = 255;
            }
        }
    }
    return image;
}

bool ParseIndex(const QString& text, int* value)
{
    bool ok = false;
    *value = text.toInt(&ok);
    return ok && *value >= 1;
}

} // namespace

int RunRender(const QStringList& args)
{
    QString project, outDir;
    int panelNo = 0, itemNo = 0;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--panel") && hasValue) {
            if (!ParseIndex(args[++i], &panelNo)) {
                CommandLine::Err(QStringLiteral("--panel takes a panel number from 1"));
                return CommandLine::ExitBadInput;
            }
        } else if (a == QLatin1String("--item") && hasValue) {
            if (!ParseIndex(args[++i], &itemNo)) {
                CommandLine::Err(QStringLiteral("--item takes an item number from 1"));
                return CommandLine::ExitBadInput;
            }
        } else if (a == QLatin1String("--out") && hasValue) {
            outDir = args[++i];
        } else if (!a.startsWith(QLatin1String("--")) && project.isEmpty()) {
            project = a;
        } else {
            CommandLine::Err(QLatin1String(kUsage));
            return CommandLine::ExitBadInput;
        }
    }
    if (project.isEmpty() || outDir.isEmpty() || panelNo == 0 || itemNo == 0) {
        CommandLine::Err(QLatin1String(kUsage));
        return CommandLine::ExitBadInput;
    }

    TSGNPanels panels;
    if (auto error = ProjectFile::Load(project, panels)) {
        CommandLine::Err(*error);
        return CommandLine::ExitBadInput;
    }
    TSGNPanel* panel = panels.Items(panelNo - 1);
    if (!panel) {
        CommandLine::Err(QStringLiteral("%1 has %2 panel(s); there is no panel %3")
                             .arg(project)
                             .arg(panels.Count())
                             .arg(panelNo));
        return CommandLine::ExitBadInput;
    }
    TSGNSendMsg* item = panel->Items.Items(itemNo - 1);
    if (!item) {
        CommandLine::Err(QStringLiteral("panel %1 has %2 item(s); there is no item %3")
                             .arg(panelNo)
                             .arg(panel->Items.Count())
                             .arg(itemNo));
        return CommandLine::ExitBadInput;
    }
    auto* rtf = dynamic_cast<TSGNRtf*>(item);
    if (!rtf) {
        CommandLine::Err(QStringLiteral("item %1 of panel %2 (%3) is not a rich-text item; "
                                        "render draws rich-text items only")
                             .arg(itemNo)
                             .arg(panelNo)
                             .arg(item->GetName()));
        return CommandLine::ExitBadInput;
    }

    TRTFDecodeUnit renderer;
    const TZoneRect zone = TRTFDecodeUnit::ZoneOf(*panel, *rtf);
    if (!TRTFDecodeUnit::RenderItem(*rtf, *panel, renderer)) {
        CommandLine::Err(QStringLiteral("item %1 of panel %2: its zone (%3, %4, %5, %6) holds no "
                                        "page")
                             .arg(itemNo)
                             .arg(panelNo)
                             .arg(zone.Left)
                             .arg(zone.Top)
                             .arg(zone.Right)
                             .arg(zone.Bottom));
        return CommandLine::ExitBadInput;
    }
    if (!QDir().mkpath(outDir)) {
        CommandLine::Err(QStringLiteral("%1: cannot create the directory").arg(outDir));
        return CommandLine::ExitBadInput;
    }
    const int planes = renderer.PlaneCount();
    const QDir dir(outDir);
    for (size_t i = 0; i < rtf->Pages.size(); ++i) {
        const QString path =
            dir.filePath(QStringLiteral("page-%1.png").arg(i + 1, 2, 10, QLatin1Char('0')));
        const QImage page = PageFromPlanes(rtf->Pages[i], zone.Width(), zone.Height(), planes);
        if (!page.save(path, "PNG")) {
            CommandLine::Err(QStringLiteral("%1: cannot write the PNG file").arg(path));
            return CommandLine::ExitBadInput;
        }
        CommandLine::Out(path);
    }
    CommandLine::Out(QStringLiteral("%1 page(s) of %2 x %3 pixels, colour mode %4 (%5 plane(s)), "
                                    "%6 reported")
                         .arg(rtf->Pages.size())
                         .arg(zone.Width())
                         .arg(zone.Height())
                         .arg(panel->ColorMode())
                         .arg(planes)
                         .arg(rtf->GetPageCount()));
    return CommandLine::ExitOk;
}
