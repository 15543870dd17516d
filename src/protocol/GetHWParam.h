#pragma once
// Reads the card's 16-byte hardware parameter block (command 36): panel size,
// colour mode, polarities, scan mode and module drive settings.
#include "protocol/SGNUnit.h"

#include <array>

class TGetHWParam : public TSGNUnit
{
public:
    static constexpr uint8_t CommandCode = 36;

    TGetHWParam();

    QString GetName() const override { return QStringLiteral("TGetHWParam"); }
    void BuildPacket() override;
    // Checks the frame, then takes the block from reply bytes 16..28; bytes
    // 13..15 of Params stay 0 because the card does not supply them.
    bool ParseReply(const uint8_t* reply) override;

    std::array<uint8_t, 16> Params{};
};
