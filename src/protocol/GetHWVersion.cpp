#include "protocol/GetHWVersion.h"

TGetHWVersion::TGetHWVersion()
{
    KindCode = KindCodes::GetHWVersion;
    Command = CommandCode;
}

void TGetHWVersion::BuildPacket()
{
    TSGNUnit::BuildPacket();
    SealPacket();
}

bool TGetHWVersion::ParseReply(const uint8_t* reply)
{
    if (!TSGNUnit::ParseReply(reply))
        return false;
    // The series byte always shows two digits; the version parts as few as
    // they need, which is how the cards' own labels read.
    VersionText = QStringLiteral("KIVO-%1 V%2 .%3 .%4")
                      .arg(reply[16], 2, 16, QLatin1Char('0'))
                      .arg(reply[17], 0, 16)
                      .arg(reply[18], 0, 16)
                      .arg(reply[19], 0, 16)
                      .toUpper();
    return true;
}
