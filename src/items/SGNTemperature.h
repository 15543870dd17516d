#pragma once
// Temperature and humidity read-out: a template with the card's sensor fields.
#include "items/SGNSendMsg.h"

class TSGNTemperature : public TSGNSendMsg
{
public:
    TSGNTemperature();

    QString GetName() const override { return QStringLiteral("Temperature"); }
    void SaveToFile(BinaryWriter& out) const override;
    void LoadFromFile(BinaryReader& in) override;
    void Prepare() override;
    void FillBlock() override;
    int GetBlockCount() const override { return 1; }

    QString Template;
};
