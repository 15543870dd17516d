#pragma once
// Clock item: a template whose placeholders the card fills with the time.
#include "items/SGNSendMsg.h"

class TSGNTimer : public TSGNSendMsg
{
public:
    TSGNTimer();

    QString GetName() const override { return QStringLiteral("Timer"); }
    void SaveToFile(BinaryWriter& out) const override;
    void LoadFromFile(BinaryReader& in) override;
    void Prepare() override;
    // The expanded template's codes; no data for a dial clock.
    void FillBlock() override;
    int GetBlockCount() const override { return 1; }

    // TypeCode 3 (dial clock drawn by the card) or 5 (text clock).
    void SetDialMode(bool dial);
    bool IsDialMode() const { return (Params.TypeCode & 0x0F) == 3; }

    QString Template;
};
