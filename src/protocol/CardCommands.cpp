#include "protocol/CardCommands.h"

#include "protocol/ZoneLayout.h"

namespace CardCommands {
namespace {
// Header with the command and address; the caller writes bytes 16..47 and
// seals.
uint8_t* Begin(TSGNUnit& unit, uint8_t command, uint16_t address)
{
    unit.Command = command;
    unit.Address = address;
    unit.DataCount = 0;
    unit.BuildPacket();
    return unit.SendBuffer.data();
}
} // namespace

void BuildBare(TSGNUnit& unit, uint8_t command, uint16_t address)
{
    Begin(unit, command, address);
    unit.SealPacket();
}

void BuildStopInsert(TSGNUnit& unit, uint16_t address, int firstPage, int endPage)
{
    uint8_t* p = Begin(unit, StopInsert, address);
    p[16] = static_cast<uint8_t>(firstPage & 0xFF);
    p[17] = static_cast<uint8_t>(endPage & 0xFF);
    unit.SealPacket();
}

void BuildSetBrightness(TSGNUnit& unit, uint16_t address, uint8_t level)
{
    uint8_t* p = Begin(unit, SetBrightness, address);
    p[16] = level;
    unit.SealPacket();
}

void BuildSetClock(TSGNUnit& unit, uint16_t address, const QDateTime& localTime)
{
    uint8_t* p = Begin(unit, SetClock, address);
    const QDate d = localTime.date();
    const QTime t = localTime.time();
    p[16] = ToBcd(static_cast<uint8_t>(d.year() % 100));
    p[17] = ToBcd(static_cast<uint8_t>(d.month()));
    p[18] = ToBcd(static_cast<uint8_t>(d.day()));
    p[19] = ToBcd(static_cast<uint8_t>(t.hour()));
    p[20] = ToBcd(static_cast<uint8_t>(t.minute()));
    p[21] = ToBcd(static_cast<uint8_t>(t.second()));
    p[22] = ToBcd(static_cast<uint8_t>(d.dayOfWeek())); // Qt counts Monday 1 .. Sunday 7 too
    p[23] = 1;
    unit.SealPacket();
}

void BuildSetPanelId(TSGNUnit& unit, uint16_t address, uint16_t newId)
{
    uint8_t* p = Begin(unit, SetPanelId, address);
    PutU16(p + 16, newId);
    unit.SealPacket();
}

void BuildWriteSleepSchedule(TSGNUnit& unit, uint16_t address, uint8_t mode, uint8_t wakeHour,
                             uint8_t wakeMinute, uint8_t sleepHour, uint8_t sleepMinute)
{
    uint8_t* p = Begin(unit, WriteSleepSchedule, address);
    p[16] = mode;
    p[17] = ToBcd(wakeHour);
    p[18] = ToBcd(wakeMinute);
    p[19] = ToBcd(sleepHour);
    p[20] = ToBcd(sleepMinute);
    unit.SealPacket();
}

void BuildProgramBoundary(TSGNUnit& unit, uint16_t address, uint8_t flag)
{
    uint8_t* p = Begin(unit, ProgramBoundary, address);
    p[16] = flag;
    unit.SealPacket();
}

void BuildWriteZoneLayout(TSGNUnit& unit, uint16_t address, const TSGNPartition& zones)
{
    uint8_t* p = Begin(unit, WriteZoneLayout, address);
    ZoneLayout::EncodeEntries(zones, p + 16);
    unit.SealPacket();
}

SleepSchedule DecodeSleepSchedule(const uint8_t* reply)
{
    SleepSchedule s;
    s.Status = reply[16];
    s.Mode = reply[17];
    s.WakeHour = FromBcd(reply[18]);
    s.WakeMinute = FromBcd(reply[19]);
    s.SleepHour = FromBcd(reply[20]);
    s.SleepMinute = FromBcd(reply[21]);
    return s;
}

std::array<uint8_t, 32> DecodeBrightness(const uint8_t* reply)
{
    std::array<uint8_t, 32> out{};
    for (int i = 0; i < 32; ++i)
        out[i] = reply[16 + i];
    return out;
}

} // namespace CardCommands
