// The panel's card operations: one command packet each, exchanged over the
// panel's link (or appended to an export file), with the panel's fields
// updated only when the card acknowledged.
#include "items/SGNSendMsg.h"
#include "model/SGNPanel.h"
#include "protocol/CardCommands.h"
#include "protocol/ExportRecord.h"
#include "protocol/GetHWParam.h"
#include "protocol/GetHWVersion.h"
#include "protocol/SetHWParam.h"
#include "protocol/ZoneLayout.h"

#include <QDateTime>

namespace {
// Replies land in a buffer larger than the frame, zeroed for each exchange.
constexpr int kReplyBuffer = 128;
constexpr int kTries = 2;
} // namespace

bool TSGNPanel::ReadVersion()
{
    TGetHWVersion unit;
    unit.Address = Id;
    unit.BuildPacket();
    uint8_t reply[kReplyBuffer] = {};
    if (!Transact(unit, reply, kTries))
        return false;
    VersionText = unit.VersionText;
    return true;
}

bool TSGNPanel::ReadHardwareParams()
{
    TGetHWParam unit;
    unit.Address = Id;
    unit.BuildPacket();
    uint8_t reply[kReplyBuffer] = {};
    if (!Transact(unit, reply, kTries))
        return false;
    HardwareParams = unit.Params;
    return true;
}

bool TSGNPanel::WriteHardwareParams(bool toFile, QIODevice* exportFile)
{
    TSetHWParam unit;
    unit.Address = Id;
    unit.Params = HardwareParams;
    unit.BuildPacket();
    if (toFile)
        return exportFile && ExportRecord::Append(*exportFile, unit);
    uint8_t reply[kReplyBuffer] = {};
    // One attempt only: a refused block would otherwise be reported twice.
    return Transact(unit, reply, 1);
}

bool TSGNPanel::ClearCard()
{
    TSGNUnit unit;
    CardCommands::BuildBare(unit, CardCommands::ClearCard, Id);
    uint8_t reply[kReplyBuffer] = {};
    return Transact(unit, reply, kTries);
}

bool TSGNPanel::SetPanelId(uint16_t newId)
{
    TSGNUnit unit;
    CardCommands::BuildSetPanelId(unit, Id, newId);
    uint8_t reply[kReplyBuffer] = {};
    return Transact(unit, reply, kTries);
}

bool TSGNPanel::StopInsert(const TSGNSendMsg& item)
{
    TSGNUnit unit;
    CardCommands::BuildStopInsert(unit, Id, item.StartPage, item.StartPage + item.GetPageCount());
    uint8_t reply[kReplyBuffer] = {};
    return Transact(unit, reply, kTries);
}

bool TSGNPanel::WriteSleepSchedule(uint8_t mode, uint8_t wakeHour, uint8_t wakeMinute,
                                   uint8_t sleepHour, uint8_t sleepMinute)
{
    TSGNUnit unit;
    CardCommands::BuildWriteSleepSchedule(unit, Id, mode, wakeHour, wakeMinute, sleepHour,
                                          sleepMinute);
    uint8_t reply[kReplyBuffer] = {};
    return Transact(unit, reply, kTries);
}

bool TSGNPanel::ReadSleepSchedule(uint8_t& status, uint8_t& mode, int& wakeHour, int& wakeMinute,
                                  int& sleepHour, int& sleepMinute)
{
    TSGNUnit unit;
    CardCommands::BuildBare(unit, CardCommands::ReadSleepSchedule, Id);
    uint8_t reply[kReplyBuffer] = {};
    if (!Transact(unit, reply, kTries))
        return false;
    const CardCommands::SleepSchedule s = CardCommands::DecodeSleepSchedule(reply);
    status = s.Status;
    mode = s.Mode;
    wakeHour = s.WakeHour;
    wakeMinute = s.WakeMinute;
    sleepHour = s.SleepHour;
    sleepMinute = s.SleepMinute;
    return true;
}

bool TSGNPanel::SetBrightness(uint8_t level)
{
    TSGNUnit unit;
    CardCommands::BuildSetBrightness(unit, Id, level);
    uint8_t reply[kReplyBuffer] = {};
    return Transact(unit, reply, kTries);
}

bool TSGNPanel::ReadBrightness(std::array<uint8_t, 32>& out)
{
    TSGNUnit unit;
    CardCommands::BuildBare(unit, CardCommands::ReadBrightness, Id);
    uint8_t reply[kReplyBuffer] = {};
    if (!Transact(unit, reply, kTries))
        return false;
    out = CardCommands::DecodeBrightness(reply);
    return true;
}

bool TSGNPanel::SetClock()
{
    TSGNUnit unit;
    CardCommands::BuildSetClock(unit, Id, QDateTime::currentDateTime());
    uint8_t reply[kReplyBuffer] = {};
    return Transact(unit, reply, kTries);
}

bool TSGNPanel::WriteZoneLayout(bool toFile, QIODevice* exportFile)
{
    TSGNUnit unit;
    CardCommands::BuildWriteZoneLayout(unit, Id, Zones);
    if (toFile)
        return exportFile && ExportRecord::Append(*exportFile, unit);
    uint8_t reply[kReplyBuffer] = {};
    return Transact(unit, reply, kTries);
}

bool TSGNPanel::ReadZoneLayout()
{
    TSGNUnit unit;
    CardCommands::BuildBare(unit, CardCommands::ReadZoneLayout, Id);
    uint8_t reply[kReplyBuffer] = {};
    if (!Transact(unit, reply, kTries))
        return false;
    ZonesConfigured = ZoneLayout::DecodeEntries(reply + 16, Width(), Height(), Zones);
    return true;
}
