#include "protocol/ZoneLayout.h"

#include "model/SGNPartition.h"

#include <algorithm>
#include <cstring>

namespace ZoneLayout {

void EncodeEntries(const TSGNPartition& zones, uint8_t* dst)
{
    std::memset(dst, 0, TableSize);
    const int count = std::min(zones.ZoneCount(), EntryCount);
    for (int k = 0; k < count; ++k) {
        const TZoneRect z = *zones.Zone(k);
        uint8_t* e = dst + k * EntrySize;
        e[0] = 1;
        e[1] = static_cast<uint8_t>(z.Left / 8);
        e[2] = static_cast<uint8_t>(z.Top / 8);
        e[3] = static_cast<uint8_t>(z.Width() / 8);
        e[4] = static_cast<uint8_t>(z.Height() / 8);
    }
}

bool DecodeEntries(const uint8_t* table, int widthPixels, int heightPixels, TSGNPartition& zones)
{
    zones.Clear();
    const bool configured = table[0] != NoTable;
    for (int k = 0; k < EntryCount; ++k) {
        const uint8_t* e = table + k * EntrySize;
        if (e[0] != 1)
            break;
        const int x = e[1] * 8;
        const int y = e[2] * 8;
        zones.AddZone(x, y, x + e[3] * 8, y + e[4] * 8);
    }
    if (zones.ZoneCount() <= 1) {
        // A single zone is the whole panel whatever the card stored, so the
        // panel always has a usable zone.
        zones.LayoutType = 0;
        zones.Clear();
        zones.AddZone(0, 0, widthPixels, heightPixels);
    } else {
        zones.LayoutType = Classify(zones, zones.LayoutType);
    }
    return configured;
}

uint8_t Classify(const TSGNPartition& zones, uint8_t previous)
{
    const int n = zones.ZoneCount();
    if (n <= 1)
        return 0;
    const TZoneRect a = *zones.Zone(0);
    const TZoneRect b = *zones.Zone(1);
    if (n == 2) {
        if (a.Left == b.Left)
            return 2; // UDPartition: one above the other
        if (a.Top == b.Top)
            return 1; // LRPartition: side by side
        return previous;
    }
    if (n == 3) {
        const TZoneRect c = *zones.Zone(2);
        if (a.Top == b.Top && b.Top == c.Top)
            return 3; // LMRPartition
        if (a.Left == b.Left && b.Left == c.Left)
            return 4; // UMDPartition
        if (a.Top == b.Top && a.Left == c.Left)
            return 5; // ThreePartition01
        if (b.Top == c.Top)
            return 6; // ThreePartition02
        if (a.Left == b.Left)
            return 7; // ThreePartition03
        if (b.Left == c.Left)
            return 8; // ThreePartition04
        return 9;
    }
    return 9;
}

} // namespace ZoneLayout
