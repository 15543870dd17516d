#pragma once
// One request packet to a control card: the 0xA0 ... 'P' frame of 52 to
// 1076 bytes, and the check of the card's fixed 52-byte reply.
#include "model/SGNObject.h"

#include <array>
#include <cstdint>

class BinaryReader;
class BinaryWriter;

class TSGNUnit : public TSGNObject
{
public:
    static constexpr int MaxData = 1024;
    static constexpr int HeaderSize = 48; // frame bytes before the data
    static constexpr int FrameOverhead = 52;
    static constexpr int ReplySize = 52;

    TSGNUnit();

    QString GetName() const override { return QStringLiteral("TSGNUnit"); }
    // Puts the current block of content into Data and sets DataCount.
    virtual void FillBlock() {}
    // Clears SendBuffer and writes the header (bytes 0..15); subclasses call
    // it first and then write their parameter bytes 16..47 and data.
    virtual void BuildPacket();
    // Item records of the project file; nothing for a bare command.
    virtual void SaveToFile(BinaryWriter& out) const;
    virtual void LoadFromFile(BinaryReader& in);
    // Checks a 52-byte reply: 0xAF first, 0x5F last, additive checksum of
    // bytes 0..47 in bytes 48..49.
    virtual bool ParseReply(const uint8_t* reply);

    // Writes the checksum and trailer after DataCount data bytes.
    void SealPacket();
    int PacketLength() const { return FrameOverhead + DataCount; }
    // Copies DataCount bytes of Data to packet offset 48.
    void CopyDataToPacket();

    std::array<uint8_t, MaxData> Data{};
    uint16_t Length = FrameOverhead;
    uint16_t Address = 1;
    uint32_t Reserved1 = 0;
    uint32_t Reserved2 = 0;
    uint8_t Command = 0;
    uint16_t CommandCheck = 0;
    uint8_t TrailerByte = 0;
    int32_t DataCount = 0;
    std::array<uint8_t, 2048> SendBuffer{};
};

// Little-endian stores into a packet buffer.
void PutU16(uint8_t* at, uint16_t value);
void PutU32(uint8_t* at, uint32_t value);
uint16_t GetU16(const uint8_t* at);

// Two-digit packed BCD: 59 -> 0x59; values of 100 or more keep their last two
// decimal digits.
uint8_t ToBcd(uint8_t value);
int FromBcd(uint8_t bcd);
