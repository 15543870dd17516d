#include "protocol/GetHWParam.h"

TGetHWParam::TGetHWParam()
{
    KindCode = KindCodes::GetHWParam;
    Command = CommandCode;
}

void TGetHWParam::BuildPacket()
{
    TSGNUnit::BuildPacket();
    SealPacket();
}

bool TGetHWParam::ParseReply(const uint8_t* reply)
{
    if (!TSGNUnit::ParseReply(reply))
        return false;
    Params.fill(0);
    for (int i = 0; i <= 6; ++i)
        Params[i] = reply[16 + i];
    Params[7] = reply[23] != 0 ? 1 : 0;
    for (int i = 8; i <= 12; ++i)
        Params[i] = reply[16 + i];
    // A card that was never configured answers 0xFF (erased memory) for its
    // data polarity and scan mode; those read as the first choice of each.
    if (Params[3] == 0xFF)
        Params[3] = 0;
    if (Params[6] == 0xFF)
        Params[6] = 0;
    return true;
}
