#include "model/ItemParams.h"

#include "model/BinaryStream.h"
#include "model/DayNumber.h"

#include <cstring>

TItemParams TItemParams::Initial(const QDateTime& now)
{
    TItemParams p;
    p.PageNo = 1;
    p.Effect = 1;
    p.Speed = 14;
    p.StayTime = 3;
    p.FlashCycles = 2;
    p.StartDate = DayNumber::FromDate(now.date());
    p.StopDate = p.StartDate;
    p.StartTime = DayNumber::FromTime(now.time());
    p.StopTime = p.StartTime;
    p.Color = 1;
    p.AllDates = 1;
    p.AllTimes = 1;
    return p;
}

std::array<uint8_t, TItemParams::Size> TItemParams::ToBytes() const
{
    BinaryWriter out;
    WriteTo(out);
    std::array<uint8_t, Size> bytes{};
    std::memcpy(bytes.data(), out.Bytes().constData(), Size);
    return bytes;
}

TItemParams TItemParams::FromBytes(const std::array<uint8_t, Size>& bytes)
{
    const QByteArray raw(reinterpret_cast<const char*>(bytes.data()), Size);
    BinaryReader in(raw);
    TItemParams p;
    p.ReadFrom(in);
    return p;
}

void TItemParams::WriteTo(BinaryWriter& out) const
{
    out.WriteU16(PageNo);
    out.WriteU8(Effect);
    out.WriteU8(FrameFlash);
    out.WriteU8(Speed);
    out.WriteU8(StayTime);
    out.WriteU8(FlashCycles);
    out.WriteU8(LoopCount);
    out.WriteF64(StartDate);
    out.WriteF64(StartTime);
    out.WriteF64(StopDate);
    out.WriteF64(StopTime);
    out.WriteU8(Color);
    out.WriteU8(TypeCode);
    out.WriteU8(PageIndex);
    out.WriteU8(LastPageIndex);
    out.WriteU16(TextLength);
    out.WriteU8(ZoneFlags);
    out.WriteU8(Reserved47);
    out.WriteU8(AllDates);
    out.WriteU8(AllTimes);
    out.WriteU8(UseOffset);
    out.WriteU8(Reserved51);
    out.WriteU16(BlockOffset);
    out.WriteU16(Reserved54);
}

void TItemParams::ReadFrom(BinaryReader& in)
{
    const char* what = "item parameter record (56 bytes)";
    in.RequireFor(1, Size, what);
    PageNo = in.ReadU16(what);
    Effect = in.ReadU8(what);
    FrameFlash = in.ReadU8(what);
    Speed = in.ReadU8(what);
    StayTime = in.ReadU8(what);
    FlashCycles = in.ReadU8(what);
    LoopCount = in.ReadU8(what);
    StartDate = in.ReadF64(what);
    StartTime = in.ReadF64(what);
    StopDate = in.ReadF64(what);
    StopTime = in.ReadF64(what);
    Color = in.ReadU8(what);
    TypeCode = in.ReadU8(what);
    PageIndex = in.ReadU8(what);
    LastPageIndex = in.ReadU8(what);
    TextLength = in.ReadU16(what);
    ZoneFlags = in.ReadU8(what);
    Reserved47 = in.ReadU8(what);
    AllDates = in.ReadU8(what);
    AllTimes = in.ReadU8(what);
    UseOffset = in.ReadU8(what);
    Reserved51 = in.ReadU8(what);
    BlockOffset = in.ReadU16(what);
    Reserved54 = in.ReadU16(what);
}
