#pragma once
// The card's short control commands: each is a bare 52-byte TSGNUnit packet
// with a few parameter bytes. The builders fill a caller-owned unit (header
// with the given card address, parameters, checksum) so the same bytes can
// go to the line or to an export file; the decoders read the replies of the
// read commands.
#include "protocol/SGNUnit.h"

#include <QDateTime>
#include <array>

class TSGNPartition;

namespace CardCommands {

// Command codes of the bare commands.
constexpr uint8_t StopInsert = 5;
constexpr uint8_t ClearCard = 6;
constexpr uint8_t SetBrightness = 16;
constexpr uint8_t ReadBrightness = 19;
constexpr uint8_t ProgramBoundary = 25;
constexpr uint8_t SetClock = 33;
constexpr uint8_t SetPanelId = 37;
constexpr uint8_t WriteSleepSchedule = 38;
constexpr uint8_t ReadSleepSchedule = 39;
constexpr uint8_t WriteZoneLayout = 41;
constexpr uint8_t ReadZoneLayout = 42;

// Sleep modes of the schedule.
constexpr uint8_t SleepNever = 0;
constexpr uint8_t SleepDaily = 1;

// A command without parameters (clear, the reads).
void BuildBare(TSGNUnit& unit, uint8_t command, uint16_t address);
// Ends an inserted message shown on card pages first .. end (low bytes).
void BuildStopInsert(TSGNUnit& unit, uint16_t address, int firstPage, int endPage);
// level 0..15.
void BuildSetBrightness(TSGNUnit& unit, uint16_t address, uint8_t level);
// The card's clock: BCD year (mod 100), month, day, hour, minute, second and
// weekday (Monday 1 .. Sunday 7) of the given local time.
void BuildSetClock(TSGNUnit& unit, uint16_t address, const QDateTime& localTime);
// The header carries the current address, the payload the new one.
void BuildSetPanelId(TSGNUnit& unit, uint16_t address, uint16_t newId);
// Hours and minutes travel as BCD.
void BuildWriteSleepSchedule(TSGNUnit& unit, uint16_t address, uint8_t mode, uint8_t wakeHour,
                             uint8_t wakeMinute, uint8_t sleepHour, uint8_t sleepMinute);
// Program begin (flag 0) or end (flag 1).
void BuildProgramBoundary(TSGNUnit& unit, uint16_t address, uint8_t flag);
// Up to four zone entries from the layout (see ZoneLayout.h).
void BuildWriteZoneLayout(TSGNUnit& unit, uint16_t address, const TSGNPartition& zones);

// The sleep schedule in a reply to ReadSleepSchedule.
struct SleepSchedule
{
    uint8_t Status = 0; // reply byte 16, not interpreted
    uint8_t Mode = 0;
    int WakeHour = 0;
    int WakeMinute = 0;
    int SleepHour = 0;
    int SleepMinute = 0;
};
SleepSchedule DecodeSleepSchedule(const uint8_t* reply);

// Reply bytes 16..47 of ReadBrightness; the level is the low nibble of the
// first byte.
std::array<uint8_t, 32> DecodeBrightness(const uint8_t* reply);

} // namespace CardCommands
