#pragma once
// Writes a hardware parameter block to the card (command 35). The card may
// refuse the block (status 4 in reply byte 13); the user is told so.
#include "protocol/SGNUnit.h"

#include <array>

class TSetHWParam : public TSGNUnit
{
public:
    static constexpr uint8_t CommandCode = 35;
    static constexpr uint8_t StatusRefused = 4;

    TSetHWParam();

    QString GetName() const override { return QStringLiteral("TSetHWParam"); }
    // Header, Params at bytes 16..31, checksum.
    void BuildPacket() override;
    // Checks the frame; a refusal is shown through UiHooks::Notify and fails.
    bool ParseReply(const uint8_t* reply) override;

    std::array<uint8_t, 16> Params{};
};
