#pragma once
// A panel's zone layout: the arrangement chosen in the zone editor and the
// zone rectangles in pixels.
#include "model/SGNObject.h"

#include <cstdint>
#include <optional>
#include <vector>

class BinaryReader;
class BinaryWriter;

// Right and Bottom are exclusive.
struct TZoneRect
{
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;

    int32_t Width() const { return Right - Left; }
    int32_t Height() const { return Bottom - Top; }
    bool operator==(const TZoneRect& o) const
    {
        return Left == o.Left && Top == o.Top && Right == o.Right && Bottom == o.Bottom;
    }
};

class TSGNPartition : public TSGNObject
{
public:
    // Largest zone count the file reader accepts; the card has at most three.
    static constexpr int MaxStoredZones = 4096;

    TSGNPartition();

    QString GetName() const override { return QStringLiteral("分区"); }

    int ZoneCount() const { return static_cast<int>(zones_.size()); }
    // Zone i (0-based), or empty when i is out of range.
    std::optional<TZoneRect> Zone(int i) const;
    void AddZone(int32_t left, int32_t top, int32_t right, int32_t bottom);
    void DeleteZone(int i);
    void Clear() { zones_.clear(); }

    void SaveToFile(BinaryWriter& out) const;
    void LoadFromFile(BinaryReader& in);

    uint8_t LayoutType = 0;

private:
    std::vector<TZoneRect> zones_;
};
