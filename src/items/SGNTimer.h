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

    QString Template;
};
