#pragma once
// The 56-byte play-property record every message item carries. It is stored
// verbatim in the project file and mapped into message packet bytes 16..47.
#include <QDateTime>
#include <array>
#include <cstdint>

class BinaryReader;
class BinaryWriter;

struct TItemParams
{
    static constexpr int Size = 56;

    uint16_t PageNo = 0;
    uint8_t Effect = 0;
    uint8_t FrameFlash = 0; // high nibble FrameStyle, low nibble FlashMode
    uint8_t Speed = 0;
    uint8_t StayTime = 0;
    uint8_t FlashCycles = 0;
    uint8_t LoopCount = 0;
    double StartDate = 0;
    double StartTime = 0;
    double StopDate = 0;
    double StopTime = 0;
    uint8_t Color = 0;
    uint8_t TypeCode = 0;
    uint8_t PageIndex = 0;
    uint8_t LastPageIndex = 0;
    uint16_t TextLength = 0;
    uint8_t ZoneFlags = 0; // low nibble Zone, bit 7 ClearFirst
    uint8_t Reserved47 = 0;
    uint8_t AllDates = 0;
    uint8_t AllTimes = 0;
    uint8_t UseOffset = 0;
    uint8_t Reserved51 = 0;
    uint16_t BlockOffset = 0;
    uint16_t Reserved54 = 0;

    // A record with the initial values of a new item made at `now`.
    static TItemParams Initial(const QDateTime& now);

    uint8_t Zone() const { return ZoneFlags & 0x0F; }
    void SetZone(uint8_t zone) { ZoneFlags = (ZoneFlags & 0xF0) | (zone & 0x0F); }
    bool ClearFirst() const { return (ZoneFlags & 0x80) != 0; }
    void SetClearFirst(bool on) { ZoneFlags = on ? (ZoneFlags | 0x80) : (ZoneFlags & 0x7F); }
    uint8_t FrameStyle() const { return FrameFlash >> 4; }
    void SetFrameStyle(uint8_t style) { FrameFlash = ((style & 0x0F) << 4) | (FrameFlash & 0x0F); }
    uint8_t FlashMode() const { return FrameFlash & 0x0F; }
    void SetFlashMode(uint8_t mode) { FrameFlash = (FrameFlash & 0xF0) | (mode & 0x0F); }

    std::array<uint8_t, Size> ToBytes() const;
    static TItemParams FromBytes(const std::array<uint8_t, Size>& bytes);

    void WriteTo(BinaryWriter& out) const;
    void ReadFrom(BinaryReader& in);
};
