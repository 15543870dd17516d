#pragma once
// One record of the SD/USB export file: a complete request packet padded
// with zeros to 2048 bytes, so a card reads the file in fixed steps.
class QIODevice;
class TSGNUnit;

namespace ExportRecord {

constexpr int RecordSize = 2048;

// Appends the unit's assembled packet (PacketLength bytes of SendBuffer)
// and the zero padding. Returns false, writing nothing, for a unit whose
// DataCount is outside 0..1024, and false when the device did not take all
// 2048 bytes.
bool Append(QIODevice& file, const TSGNUnit& unit);

} // namespace ExportRecord
