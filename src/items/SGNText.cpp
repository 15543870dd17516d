#include "items/SGNText.h"

#include "model/BinaryStream.h"

TSGNText::TSGNText() : Lines{QStringLiteral("Text")}
{
    KindCode = KindCodes::Text;
    Params.TypeCode = 0;
}

QString TSGNText::GetName() const
{
    if (Lines.isEmpty())
        return QStringLiteral("Text");
    return Lines.first().left(6);
}

void TSGNText::SaveToFile(BinaryWriter& out) const
{
    out.WriteTag("SGN TEXT");
    out.WriteStringList(Lines, "text lines");
    TSGNSendMsg::SaveToFile(out);
}

void TSGNText::LoadFromFile(BinaryReader& in)
{
    in.Skip(16, "text item tag (16 bytes)");
    Lines = in.ReadStringList("text lines");
    TSGNSendMsg::LoadFromFile(in);
}
