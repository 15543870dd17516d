#include "items/TimerEx.h"

#include "model/BinaryStream.h"

namespace {
// The dial clock's tag is 18 bytes long, unlike every other record's 16.
constexpr int kTagWidth = 18;
} // namespace

TTimerEx::TTimerEx()
{
    KindCode = KindCodes::TimerEx;
    Params.Effect = 0;
    Params.TypeCode = 3;
}

void TTimerEx::SaveToFile(BinaryWriter& out) const
{
    out.WriteTag("SGN TEXTEX", kTagWidth);
    TSGNSendMsg::SaveToFile(out);
}

void TTimerEx::LoadFromFile(BinaryReader& in)
{
    in.Skip(kTagWidth, "dial clock tag (18 bytes)");
    TSGNSendMsg::LoadFromFile(in);
}

void TTimerEx::Prepare()
{
    PrepareOneBlock(0x03);
}
