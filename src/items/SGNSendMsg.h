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
    // The message packet: header, parameter bytes 16..47 from Params (with
    // the play window), DataCount data bytes, checksum.
    void BuildPacket() override;
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

    // Bytes of one card page of the content. A continuation block names its
    // place in the page with a 16-bit offset, so a page of more than
    // MaxPageBytes (64 blocks) cannot reach the card whole.
    virtual int PageBytes() const { return TotalSize; }
    static constexpr int MaxPageBytes = 64 * MaxData;

    int32_t TotalSize = 0;
    int32_t BlockIndex = 0;
    uint8_t Insert = 0;
    int32_t StartPage = 0;
    TItemParams Params;

protected:
    // Writes packet bytes 16..47 from Params; withPlayWindow false leaves
    // bytes 24..39 zero (the countdown puts its target date there).
    void WriteParameterBytes(bool withPlayWindow);
    // Builds the message packet (that of TSGNSendMsg, with the play window)
    // of the current block for card page PageNo + pageDelta;
    // a blockOffset above 0 makes it a continuation block (command 2) at that
    // byte offset within the page. Command, UseOffset and PageNo are restored
    // afterwards, so the stored record never keeps them.
    void BuildBlockPacket(int pageDelta, int blockOffset);

    // Helpers of the items whose content is one block of text.
    // Starts their send: TypeCode is typeCode (0..15) with bit 4 set while
    // Insert is, and no page or text is counted yet.
    void PrepareOneBlock(uint8_t typeCode);
    // Block 0 carries text in the card's encoding, counted in TextLength;
    // later blocks are empty.
    void FillTextBlock(const QString& text);
};

// The 8-byte play window block of a date and a time of day (both day
// numbers), each byte BCD; allDates zeroes the date bytes, allTimes the time
// bytes.
void WritePlayWindow(uint8_t* at, double date, double time, bool allDates, bool allTimes);
