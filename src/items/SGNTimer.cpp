#include "items/SGNTimer.h"

#include "items/EncodeText.h"
#include "items/TemplateCodes.h"
#include "model/BinaryStream.h"

TSGNTimer::TSGNTimer() : Template(QStringLiteral("20{N}-{Y}-{R} {S}:{F}:{M}"))
{
    KindCode = KindCodes::Timer;
    Params.TypeCode = 5;
}

void TSGNTimer::SaveToFile(BinaryWriter& out) const
{
    out.WriteTag("SGN TIMER");
    out.WriteWideString(Template, "clock template");
    TSGNSendMsg::SaveToFile(out);
}

void TSGNTimer::LoadFromFile(BinaryReader& in)
{
    in.Skip(16, "clock item tag (16 bytes)");
    Template = in.ReadWideString("clock template");
    TSGNSendMsg::LoadFromFile(in);
}

void TSGNTimer::SetDialMode(bool dial)
{
    Params.TypeCode = dial ? 3 : 5;
}

void TSGNTimer::Prepare()
{
    TotalSize = 0;
    BlockIndex = 0;
    // The insert bit belongs to the send in progress only.
    Params.TypeCode = (Params.TypeCode & 0x0F) | (Insert ? 0x10 : 0x00);
    Params.LastPageIndex = 0;
    Params.TextLength = 0;
}

void TSGNTimer::FillBlock()
{
    DataCount = 0;
    if (IsDialMode() || BlockIndex >= 1)
        return;
    DataCount = EncodeText(TemplateCodes::ExpandClock(Template), Data.data(), MaxData);
    Params.TextLength = static_cast<uint16_t>(DataCount);
}
