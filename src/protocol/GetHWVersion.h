#pragma once
// Reads the card's firmware version (command 53) and turns the four version
// bytes of the reply into the text the device pane shows ("KIVO-12 V1 .A .0").
#include "protocol/SGNUnit.h"

class TGetHWVersion : public TSGNUnit
{
public:
    static constexpr uint8_t CommandCode = 53;

    TGetHWVersion();

    QString GetName() const override { return QStringLiteral("TGetHWVersion"); }
    // Header and checksum only: the request carries no parameters.
    void BuildPacket() override;
    // Checks the frame, then sets VersionText from reply bytes 16..19.
    bool ParseReply(const uint8_t* reply) override;

    QString VersionText;
};
