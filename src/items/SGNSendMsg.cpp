#include "items/SGNSendMsg.h"

#include "model/BinaryStream.h"

TSGNSendMsg::TSGNSendMsg()
{
    KindCode = KindCodes::SendMsg;
    Command = 3;
    Params = TItemParams::Initial(QDateTime::currentDateTime());
}

void TSGNSendMsg::SaveToFile(BinaryWriter& out) const
{
    Params.WriteTo(out);
}

void TSGNSendMsg::LoadFromFile(BinaryReader& in)
{
    Params.ReadFrom(in);
}

int TSGNSendMsg::GetBlockCount() const
{
    return (TotalSize + MaxData - 1) / MaxData;
}

void TSGNSendMsg::Prepare()
{
    TotalSize = 0;
    BlockIndex = 0;
}
