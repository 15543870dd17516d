#include "items/SGNTimer.h"

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
