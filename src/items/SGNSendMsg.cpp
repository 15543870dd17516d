#include "items/SGNSendMsg.h"

#include "items/EncodeText.h"
#include "model/BinaryStream.h"
#include "model/DayNumber.h"

#include <algorithm>

TSGNSendMsg::TSGNSendMsg()
{
    KindCode = KindCodes::SendMsg;
    Command = 3;
    Params = TItemParams::Initial(QDateTime::currentDateTime());
}

void TSGNSendMsg::SaveToFile(BinaryWriter& out) const
{
    Params.WriteTo(out);
}

void TSGNSendMsg::LoadFromFile(BinaryReader& in)
{
    Params.ReadFrom(in);
}

int TSGNSendMsg::GetBlockCount() const
{
    return (TotalSize + MaxData - 1) / MaxData;
}

void TSGNSendMsg::Prepare()
{
    TotalSize = 0;
    BlockIndex = 0;
}

void TSGNSendMsg::PrepareOneBlock(uint8_t typeCode)
{
    TSGNSendMsg::Prepare();
    Params.TypeCode = static_cast<uint8_t>((typeCode & 0x0F) | (Insert ? 0x10 : 0x00));
    Params.LastPageIndex = 0;
    Params.TextLength = 0;
}

void TSGNSendMsg::FillTextBlock(const QString& text)
{
    DataCount = 0;
    if (BlockIndex >= 1)
        return;
    DataCount = EncodeText(text, Data.data(), MaxData);
    Params.TextLength = static_cast<uint16_t>(DataCount);
}

void TSGNSendMsg::BuildPacket()
{
    TSGNUnit::BuildPacket();
    WriteParameterBytes(true);
    CopyDataToPacket();
    SealPacket();
}

void TSGNSendMsg::WriteParameterBytes(bool withPlayWindow)
{
    uint8_t* p = SendBuffer.data();
    const TItemParams& r = Params;
    PutU16(p + 16, r.PageNo);
    if (r.UseOffset == 1) {
        PutU16(p + 18, r.BlockOffset);
    } else {
        p[18] = r.Effect;
        p[19] = r.FrameFlash;
    }
    p[20] = r.Speed;
    p[21] = r.StayTime;
    p[22] = r.FlashCycles;
    p[23] = r.LoopCount;
    if (withPlayWindow) {
        WritePlayWindow(p + 24, r.StartDate, r.StartTime, r.AllDates == 1, r.AllTimes == 1);
        WritePlayWindow(p + 32, r.StopDate, r.StopTime, r.AllDates == 1, r.AllTimes == 1);
    }
    p[40] = r.Color;
    p[41] = r.TypeCode;
    p[42] = r.PageIndex;
    p[43] = r.LastPageIndex;
    PutU16(p + 44, r.TextLength);
    // The card has no zone 0: a panel without zones plays in zone 1.
    p[46] = (r.ZoneFlags & 0x0F) == 0 ? (r.ZoneFlags | 0x01) : r.ZoneFlags;
    p[47] = r.Reserved47;
}

void TSGNSendMsg::BuildBlockPacket(int pageDelta, int blockOffset)
{
    const uint8_t savedCommand = Command;
    const uint8_t savedUseOffset = Params.UseOffset;
    const uint16_t savedPageNo = Params.PageNo;
    Params.PageNo = static_cast<uint16_t>(savedPageNo + pageDelta);
    if (blockOffset > 0) {
        Command = 2;
        Params.UseOffset = 1;
        Params.BlockOffset = static_cast<uint16_t>(blockOffset);
    }
    // The plain message packet, not the virtual slot: items that send
    // several blocks call this helper from their own BuildPacket.
    TSGNSendMsg::BuildPacket();
    Command = savedCommand;
    Params.UseOffset = savedUseOffset;
    Params.PageNo = savedPageNo;
}

void WritePlayWindow(uint8_t* at, double date, double time, bool allDates, bool allTimes)
{
    std::fill(at, at + 8, 0);
    if (!allDates) {
        const QDate d = DayNumber::ToDate(date);
        if (d.isValid()) {
            at[0] = ToBcd(static_cast<uint8_t>(d.day()));
            at[1] = ToBcd(static_cast<uint8_t>(d.month()));
            // Years before 1 CE would give a negative remainder.
            at[2] = ToBcd(static_cast<uint8_t>(((d.year() % 100) + 100) % 100));
        }
    }
    if (!allTimes) {
        const QTime t = DayNumber::ToTime(time);
        if (t.isValid()) {
            at[4] = ToBcd(static_cast<uint8_t>(t.second()));
            at[5] = ToBcd(static_cast<uint8_t>(t.minute()));
            at[6] = ToBcd(static_cast<uint8_t>(t.hour()));
        }
    }
}
