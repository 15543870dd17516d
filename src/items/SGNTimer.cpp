#include "items/SGNTimer.h"

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
    // The insert bit belongs to the send in progress only.
    PrepareOneBlock(Params.TypeCode & 0x0F);
}

void TSGNTimer::FillBlock()
{
    // A dial clock is drawn by the card: its packet carries no text.
    if (IsDialMode()) {
        DataCount = 0;
        return;
    }
    FillTextBlock(TemplateCodes::ExpandClock(Template));
}
