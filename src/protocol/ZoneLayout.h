#pragma once
// The zone table as the card keeps it: four 8-byte entries (present flag,
// left, top, width, height in units of 8 pixels), and the rule that names the
// arrangement of a table read back from a card.
#include <array>
#include <cstdint>

class TSGNPartition;

namespace ZoneLayout {

constexpr int EntryCount = 4;
constexpr int EntrySize = 8;
constexpr int TableSize = EntryCount * EntrySize; // 32 bytes, packet bytes 16..47
// Reply byte 16 of a card that holds no zone table.
constexpr uint8_t NoTable = 0xFF;

// Writes the first four zones of the layout as entries into 32 bytes at dst;
// entries without a zone stay zero.
void EncodeEntries(const TSGNPartition& zones, uint8_t* dst);

// Rebuilds the layout from the 32 table bytes of a reply: the zones of the
// present entries (the list ends at the first absent one), classified into
// LayoutType. Fewer than two zones become one zone covering the panel
// (widthPixels x heightPixels) with LayoutType 0. Returns whether the card
// holds a table at all (first byte not NoTable).
bool DecodeEntries(const uint8_t* table, int widthPixels, int heightPixels, TSGNPartition& zones);

// The arrangement (LayoutType 1..9) of two to four zones as laid out; for two
// zones that match neither side-by-side rule the previous value is kept.
uint8_t Classify(const TSGNPartition& zones, uint8_t previous);

} // namespace ZoneLayout
