// lumaxis dump FILE.sgn: the whole project as JSON, keyed by the model's
// field names, for scripts.
#include "app/CommandLine.h"
#include "items/SGNConter.h"
#include "items/SGNImage.h"
#include "items/SGNRtf.h"
#include "items/SGNTemperature.h"
#include "items/SGNText.h"
#include "items/SGNTimer.h"
#include "model/DayNumber.h"
#include "model/ProjectFile.h"
#include "model/SGNPanel.h"
#include "model/SGNPanels.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QString Sha256(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

// A date field as its day number plus the ISO calendar date beside it.
void PutDate(QJsonObject& o, const char* key, double dayNumber)
{
    o.insert(QLatin1String(key), dayNumber);
    o.insert(QLatin1String(key) + QLatin1String("Iso"),
             DayNumber::ToDate(dayNumber).toString(Qt::ISODate));
}

void PutTime(QJsonObject& o, const char* key, double dayFraction)
{
    o.insert(QLatin1String(key), dayFraction);
    o.insert(QLatin1String(key) + QLatin1String("Iso"),
             DayNumber::ToTime(dayFraction).toString(Qt::ISODateWithMs));
}

QJsonObject ParamsJson(const TItemParams& p)
{
    QJsonObject o;
    o.insert("PageNo", p.PageNo);
    o.insert("Effect", p.Effect);
    o.insert("FrameFlash", p.FrameFlash);
    o.insert("FrameStyle", p.FrameStyle());
    o.insert("FlashMode", p.FlashMode());
    o.insert("Speed", p.Speed);
    o.insert("StayTime", p.StayTime);
    o.insert("FlashCycles", p.FlashCycles);
    o.insert("LoopCount", p.LoopCount);
    PutDate(o, "StartDate", p.StartDate);
    PutTime(o, "StartTime", p.StartTime);
    PutDate(o, "StopDate", p.StopDate);
    PutTime(o, "StopTime", p.StopTime);
    o.insert("Color", p.Color);
    o.insert("TypeCode", p.TypeCode);
    o.insert("PageIndex", p.PageIndex);
    o.insert("LastPageIndex", p.LastPageIndex);
    o.insert("TextLength", p.TextLength);
    o.insert("ZoneFlags", p.ZoneFlags);
    o.insert("Zone", p.Zone());
    o.insert("ClearFirst", p.ClearFirst());
    o.insert("AllDates", p.AllDates);
    o.insert("AllTimes", p.AllTimes);
    o.insert("UseOffset", p.UseOffset);
    o.insert("BlockOffset", p.BlockOffset);
    return o;
}

void PutContent(QJsonObject& o, const TSGNSendMsg& item)
{
    if (auto* text = dynamic_cast<const TSGNText*>(&item)) {
        o.insert("Lines", QJsonArray::fromStringList(text->Lines));
    } else if (auto* rtf = dynamic_cast<const TSGNRtf*>(&item)) {
        o.insert("PageLayout", rtf->PageLayout);
        o.insert("PlayPages", rtf->PlayPages);
        o.insert("Caption", rtf->Caption);
        o.insert("RtfStream", QString::fromLatin1(rtf->RtfStream));
        o.insert("RtfLength", rtf->RtfStream.size());
    } else if (auto* image = dynamic_cast<const TSGNImage*>(&item)) {
        o.insert("ImageSize", image->ImageSize);
        QJsonObject picture;
        picture.insert("Width", image->Picture().width());
        picture.insert("Height", image->Picture().height());
        picture.insert("PlanesSha256", Sha256(image->ImageData));
        picture.insert("BmpSha256", Sha256(image->PictureBmp()));
        o.insert("Picture", picture);
    } else if (auto* timer = dynamic_cast<const TSGNTimer*>(&item)) {
        o.insert("Template", timer->Template);
    } else if (auto* temp = dynamic_cast<const TSGNTemperature*>(&item)) {
        o.insert("Template", temp->Template);
    } else if (auto* counter = dynamic_cast<const TSGNConter*>(&item)) {
        o.insert("Template", counter->Template);
        o.insert("Digits", counter->Digits);
        PutDate(o, "TargetDate", counter->TargetDate);
    }
}

QJsonObject ItemJson(const TSGNSendMsg& item)
{
    QJsonObject o;
    o.insert("KindCode", item.KindCode);
    o.insert("Name", item.GetName());
    o.insert("StartPage", item.StartPage);
    PutContent(o, item);
    o.insert("Params", ParamsJson(item.Params));
    return o;
}

QJsonObject PanelJson(const TSGNPanel& panel)
{
    QJsonObject o;
    o.insert("Name", panel.Name);
    o.insert("Id", panel.Id);
    o.insert("VersionText", panel.VersionText);
    QJsonArray params;
    for (uint8_t b : panel.HardwareParams)
        params.append(b);
    o.insert("HardwareParams", params);
    o.insert("BaudRate", panel.BaudRate);

    QJsonObject zones;
    zones.insert("LayoutType", panel.Zones.LayoutType);
    QJsonArray rects;
    for (int i = 0; i < panel.Zones.ZoneCount(); ++i) {
        const TZoneRect z = *panel.Zones.Zone(i);
        rects.append(QJsonArray{z.Left, z.Top, z.Right, z.Bottom});
    }
    zones.insert("Zones", rects);
    o.insert("Zones", zones);

    QJsonArray items;
    for (int i = 0; i < panel.Items.Count(); ++i)
        items.append(ItemJson(*panel.Items.Items(i)));
    o.insert("Items", items);
    return o;
}

} // namespace

int RunDump(const QStringList& args)
{
    if (args.size() != 1) {
        CommandLine::Err(QStringLiteral("usage: lumaxis dump FILE.sgn"));
        return CommandLine::ExitBadInput;
    }
    TSGNPanels project;
    if (auto error = ProjectFile::Load(args.first(), project)) {
        CommandLine::Err(*error);
        return CommandLine::ExitBadInput;
    }
    QJsonObject root;
    root.insert("PortNumber", project.PortNumber);
    QJsonArray panels;
    for (int i = 0; i < project.Count(); ++i)
        panels.append(PanelJson(*project.Items(i)));
    root.insert("Panels", panels);
    CommandLine::Out(
        QString::fromUtf8(QJsonDocument(root).toJson(QJsonDocument::Indented)).trimmed());
    return CommandLine::ExitOk;
}
