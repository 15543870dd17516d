#pragma once
// Countdown item: the days left until a target date, inside a text template.
#include "items/SGNSendMsg.h"

class TSGNConter : public TSGNSendMsg
{
public:
    TSGNConter();

    QString GetName() const override { return QStringLiteral("COUNTER"); }
    void SaveToFile(BinaryWriter& out) const override;
    void LoadFromFile(BinaryReader& in) override;
    void Prepare() override;
    void FillBlock() override;
    // The message packet without a play window: bytes 27, 31 and 35 carry
    // the target date (year mod 100, month, day) as plain numbers.
    void BuildPacket() override;
    int GetBlockCount() const override { return 1; }

    int32_t Digits = 3;
    QString Template;
    double TargetDate = 0; // day number
};
