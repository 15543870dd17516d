#include "items/SGNTemperature.h"

#include "items/EncodeText.h"
#include "items/TemplateCodes.h"
#include "model/BinaryStream.h"

TSGNTemperature::TSGNTemperature() : Template(QStringLiteral("temperature{W}℃ humidity{S}%"))
{
    KindCode = KindCodes::Temperature;
    Params.TypeCode = 4;
}

void TSGNTemperature::SaveToFile(BinaryWriter& out) const
{
    out.WriteTag("SGN TEMP ");
    out.WriteWideString(Template, "temperature template");
    TSGNSendMsg::SaveToFile(out);
}

void TSGNTemperature::LoadFromFile(BinaryReader& in)
{
    in.Skip(16, "temperature item tag (16 bytes)");
    Template = in.ReadWideString("temperature template");
    TSGNSendMsg::LoadFromFile(in);
}

void TSGNTemperature::Prepare()
{
    TotalSize = 0;
    BlockIndex = 0;
    Params.TypeCode = Insert ? 0x14 : 0x04;
    Params.LastPageIndex = 0;
    Params.TextLength = 0;
}

void TSGNTemperature::FillBlock()
{
    DataCount = 0;
    if (BlockIndex >= 1)
        return;
    DataCount = EncodeText(TemplateCodes::ExpandTemperature(Template), Data.data(), MaxData);
    Params.TextLength = static_cast<uint16_t>(DataCount);
}
