#pragma once
// Rich-text item: an RTF document rendered into zone-sized pages of bit
// planes before it is sent.
#include "items/SGNSendMsg.h"

#include <QByteArray>
#include <vector>

class TSGNRtf : public TSGNSendMsg
{
public:
    // The document a new item starts with: Welcome in red, 20-point Arial Black.
    static QByteArray DefaultDocument();

    TSGNRtf();

    // Caption, or "超文本" when it is empty.
    QString GetName() const override;
    // Refuses (FileLimitError) a document of 65536 bytes or more: its length
    // field is 16 bits wide.
    void SaveToFile(BinaryWriter& out) const override;
    void LoadFromFile(BinaryReader& in) override;

    int32_t PlayPages = 1;
    uint8_t PageLayout = 0; // 0 horizontal, 1 vertical
    QByteArray RtfStream;
    std::vector<QByteArray> Pages; // rendered bit planes, one entry per page
    QString Caption;
};
