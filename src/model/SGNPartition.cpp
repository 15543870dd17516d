#include "model/SGNPartition.h"

#include "model/BinaryStream.h"

TSGNPartition::TSGNPartition()
{
    KindCode = KindCodes::Partition;
}

std::optional<TZoneRect> TSGNPartition::Zone(int i) const
{
    if (i < 0 || i >= ZoneCount())
        return std::nullopt;
    return zones_[i];
}

void TSGNPartition::AddZone(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    zones_.push_back(TZoneRect{left, top, right, bottom});
}

void TSGNPartition::DeleteZone(int i)
{
    if (i >= 0 && i < ZoneCount())
        zones_.erase(zones_.begin() + i);
}

void TSGNPartition::SaveToFile(BinaryWriter& out) const
{
    out.WriteTag("SGN PARTI");
    out.WriteI32(LayoutType);
    out.WriteI32(ZoneCount());
    for (const TZoneRect& z : zones_) {
        out.WriteI32(z.Left);
        out.WriteI32(z.Top);
        out.WriteI32(z.Right);
        out.WriteI32(z.Bottom);
    }
}

void TSGNPartition::LoadFromFile(BinaryReader& in)
{
    in.Skip(16, "zone layout tag (16 bytes)");
    const int32_t layout = in.ReadI32("zone layout type (i32)");
    const int32_t count = in.ReadI32("zone count (i32)");
    if (count < 0 || count > MaxStoredZones)
        in.Fail(QStringLiteral("a zone count of 0 to %1, not %2").arg(MaxStoredZones).arg(count));
    in.RequireFor(count, 16, "zone rectangles");
    zones_.clear();
    for (int i = 0; i < count; ++i) {
        TZoneRect z;
        z.Left = in.ReadI32("zone left (i32)");
        z.Top = in.ReadI32("zone top (i32)");
        z.Right = in.ReadI32("zone right (i32)");
        z.Bottom = in.ReadI32("zone bottom (i32)");
        zones_.push_back(z);
    }
    LayoutType = static_cast<uint8_t>(layout & 0xFF);
}
