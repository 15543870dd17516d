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

    int32_t Digits = 3;
    QString Template;
    double TargetDate = 0; // day number
};
