#pragma once
// Dial clock item. It only comes from project files (no command makes one)
// and cannot be sent.
#include "items/SGNSendMsg.h"

class TTimerEx : public TSGNSendMsg
{
public:
    TTimerEx();

    QString GetName() const override { return QStringLiteral("表盘"); }
    void SaveToFile(BinaryWriter& out) const override;
    void LoadFromFile(BinaryReader& in) override;
    void Prepare() override;
    int GetBlockCount() const override { return 1; }
};
