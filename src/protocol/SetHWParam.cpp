#include "protocol/SetHWParam.h"

#include "serial/UiHooks.h"

#include <cstring>

TSetHWParam::TSetHWParam()
{
    KindCode = KindCodes::SetHWParam;
    Command = CommandCode;
}

void TSetHWParam::BuildPacket()
{
    TSGNUnit::BuildPacket();
    std::memcpy(SendBuffer.data() + 16, Params.data(), Params.size());
    SealPacket();
}

bool TSetHWParam::ParseReply(const uint8_t* reply)
{
    if (!TSGNUnit::ParseReply(reply))
        return false;
    if (reply[13] == StatusRefused) {
        // The one message the core shows itself: the user must learn that the
        // card kept its old block even though it answered.
        UiHooks::Notify(QStringLiteral("Send msg fail。error code (0x04)"));
        return false;
    }
    return true;
}
