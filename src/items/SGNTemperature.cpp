#include "items/SGNTemperature.h"

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
    PrepareOneBlock(0x04);
}

void TSGNTemperature::FillBlock()
{
    FillTextBlock(TemplateCodes::ExpandTemperature(Template));
}
