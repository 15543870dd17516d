#include "items/SGNText.h"

#include "items/EncodeText.h"
#include "model/BinaryStream.h"

#include <algorithm>
#include <cstring>

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

void TSGNText::Prepare()
{
    TotalSize = 0;
    BlockIndex = 0;
    for (const QString& line : Lines) {
        if (line.isEmpty())
            continue;
        // One packet carries at most 1024 bytes; what does not fit is dropped
        // rather than written past the buffer.
        TotalSize += EncodeText(line, CodeBuffer.data() + TotalSize, MaxData - TotalSize);
    }
    Params.TypeCode = Insert ? 0x10 : 0x00;
    Params.LastPageIndex = 0;
    Params.TextLength = static_cast<uint16_t>(TotalSize);
}

void TSGNText::FillBlock()
{
    DataCount = 0;
    if (BlockIndex >= 1)
        return;
    const int n = std::min<int>(TotalSize, MaxData);
    std::memcpy(Data.data(), CodeBuffer.data(), n);
    DataCount = n;
}
