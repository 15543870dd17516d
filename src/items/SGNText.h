#pragma once
// Plain text item: lines of text sent as the card's 2-byte character codes.
#include "items/SGNSendMsg.h"

#include <QStringList>

class TSGNText : public TSGNSendMsg
{
public:
    TSGNText();

    // First line cut to six characters; "Text" when there are no lines.
    QString GetName() const override;
    void SaveToFile(BinaryWriter& out) const override;
    void LoadFromFile(BinaryReader& in) override;
    // Encodes the lines, joined without separators, into CodeBuffer; a code
    // run longer than the buffer is cut at 1024 bytes.
    void Prepare() override;
    void FillBlock() override;
    int GetBlockCount() const override { return 1; }

    std::array<uint8_t, MaxData> CodeBuffer{};
    QStringList Lines;
};
