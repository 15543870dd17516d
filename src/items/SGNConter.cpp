#include "items/SGNConter.h"

#include "items/TemplateCodes.h"
#include "model/BinaryStream.h"
#include "model/DayNumber.h"

TSGNConter::TSGNConter()
    : Template(QStringLiteral("There are {C} days until ")),
      TargetDate(DayNumber::FromDate(QDate::currentDate()))
{
    KindCode = KindCodes::Counter;
    Params.TypeCode = 6;
}

void TSGNConter::SaveToFile(BinaryWriter& out) const
{
    out.WriteTag("SGN COUNTER");
    out.WriteWideString(Template, "countdown template");
    out.WriteI32(Digits);
    out.WriteF64(TargetDate);
    TSGNSendMsg::SaveToFile(out);
}

void TSGNConter::LoadFromFile(BinaryReader& in)
{
    in.Skip(16, "countdown item tag (16 bytes)");
    Template = in.ReadWideString("countdown template");
    Digits = in.ReadI32("countdown digits (i32)");
    TargetDate = in.ReadF64("countdown target date (f64)");
    TSGNSendMsg::LoadFromFile(in);
}

void TSGNConter::Prepare()
{
    PrepareOneBlock(0x06);
}

void TSGNConter::FillBlock()
{
    FillTextBlock(TemplateCodes::ExpandCountdown(Template, Digits));
}

void TSGNConter::BuildPacket()
{
    TSGNUnit::BuildPacket();
    WriteParameterBytes(false);
    const QDate target = DayNumber::ToDate(TargetDate);
    if (target.isValid()) {
        SendBuffer[27] = static_cast<uint8_t>(((target.year() % 100) + 100) % 100);
        SendBuffer[31] = static_cast<uint8_t>(target.month());
        SendBuffer[35] = static_cast<uint8_t>(target.day());
    }
    CopyDataToPacket();
    SealPacket();
}
