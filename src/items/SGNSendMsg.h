#pragma once
// Common base of every message item: the play-property record and the
// bookkeeping of a send in progress, on top of the packet it builds.
#include "model/ItemParams.h"
#include "protocol/SGNUnit.h"

class TSGNSendMsg : public TSGNUnit
{
public:
    TSGNSendMsg();

    QString GetName() const override { return QStringLiteral("TSGNSendMsg"); }
    // Writes / reads the 56-byte parameter record; items write their tag and
    // content first.
    void SaveToFile(BinaryWriter& out) const override;
    void LoadFromFile(BinaryReader& in) override;

    // Number of 1024-byte blocks the content takes.
    virtual int GetBlockCount() const;
    // Number of card pages the item occupies.
    virtual int GetPageCount() const { return 1; }
    // Encodes the content before a send.
    virtual void Prepare();

    int32_t TotalSize = 0;
    int32_t BlockIndex = 0;
    uint8_t Insert = 0;
    int32_t StartPage = 0;
    TItemParams Params;
};
