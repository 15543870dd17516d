#include "protocol/ExportRecord.h"

#include "protocol/SGNUnit.h"

#include <QIODevice>
#include <array>
#include <cstring>

namespace ExportRecord {

bool Append(QIODevice& file, const TSGNUnit& unit)
{
    std::array<char, RecordSize> record{};
    const int length = unit.PacketLength();
    // A data count out of range is no packet, and copying it would read
    // past the send buffer.
    if (length < TSGNUnit::FrameOverhead || length > TSGNUnit::FrameOverhead + TSGNUnit::MaxData)
        return false;
    std::memcpy(record.data(), unit.SendBuffer.data(), length);
    return file.write(record.data(), RecordSize) == RecordSize;
}

} // namespace ExportRecord
