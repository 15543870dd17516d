#include "protocol/SGNUnit.h"

#include <cstring>

TSGNUnit::TSGNUnit()
{
    KindCode = KindCodes::Unit;
}

void TSGNUnit::BuildPacket()
{
    SendBuffer.fill(0);
    Length = static_cast<uint16_t>(DataCount + FrameOverhead);
    uint8_t* p = SendBuffer.data();
    p[0] = 0xA0;
    PutU16(p + 1, Length);
    PutU16(p + 3, Address);
    PutU32(p + 5, Reserved1);
    PutU32(p + 9, Reserved2);
    p[13] = Command;
    CommandCheck = static_cast<uint16_t>(Command + ((Command - 1) & 0xFF) * 256);
    PutU16(p + 14, CommandCheck);
}

void TSGNUnit::SaveToFile(BinaryWriter&) const {}

void TSGNUnit::LoadFromFile(BinaryReader&) {}

bool TSGNUnit::ParseReply(const uint8_t* reply)
{
    if (reply[0] != 0xAF || reply[51] != 0x5F)
        return false;
    uint16_t sum = 0;
    for (int i = 0; i < 48; ++i)
        sum = static_cast<uint16_t>(sum + reply[i]);
    return sum == GetU16(reply + 48);
}

void TSGNUnit::CopyDataToPacket()
{
    std::memcpy(SendBuffer.data() + HeaderSize, Data.data(), DataCount);
}

void TSGNUnit::SealPacket()
{
    uint16_t sum = 0;
    const int end = HeaderSize + DataCount;
    for (int i = 0; i < end; ++i)
        sum = static_cast<uint16_t>(sum + SendBuffer[i]);
    PutU16(SendBuffer.data() + end, sum);
    SendBuffer[end + 2] = TrailerByte;
    SendBuffer[end + 3] = 0x50;
}

void PutU16(uint8_t* at, uint16_t value)
{
    at[0] = value & 0xFF;
    at[1] = value >> 8;
}

void PutU32(uint8_t* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = (value >> (8 * i)) & 0xFF;
}

uint16_t GetU16(const uint8_t* at)
{
    return static_cast<uint16_t>(at[0] | (at[1] << 8));
}

uint8_t ToBcd(uint8_t value)
{
    return static_cast<uint8_t>(((value / 10) % 10) * 16 + value % 10);
}

int FromBcd(uint8_t bcd)
{
    return (bcd % 16) + (bcd / 16) * 10;
}
