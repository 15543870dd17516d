#pragma once
// Root of every project object and command packet: a class code and the
// panel the object belongs to.
#include <QString>
#include <cstdint>

class TSGNPanel;

// Class codes stored in KindCode. Bit 15 marks a message item.
namespace KindCodes {
constexpr uint16_t Unit = 0x0000;
constexpr uint16_t GetHWVersion = 0x0002;
constexpr uint16_t GetHWParam = 0x0003;
constexpr uint16_t SetHWParam = 0x0004;
constexpr uint16_t SendMsg = 0x0005;
constexpr uint16_t Panel = 0x4001;
constexpr uint16_t Partition = 0x4002;
constexpr uint16_t Text = 0x8001;
constexpr uint16_t Rtf = 0x8002;
constexpr uint16_t Image = 0x8003;
constexpr uint16_t Timer = 0x8004;
constexpr uint16_t Temperature = 0x8006;
constexpr uint16_t Counter = 0x8007;
constexpr uint16_t TimerEx = 0x8009;
constexpr uint16_t ItemBit = 0x8000;

inline bool IsItem(uint16_t kind)
{
    return (kind & ItemBit) != 0;
}
} // namespace KindCodes

class TSGNObject
{
public:
    TSGNObject() = default;
    TSGNObject(const TSGNObject&) = delete;
    TSGNObject& operator=(const TSGNObject&) = delete;
    virtual ~TSGNObject() = default;

    // Display name shown in the project outline.
    virtual QString GetName() const { return QStringLiteral("TSGNObject"); }

    uint16_t KindCode = KindCodes::Unit;
    TSGNPanel* Owner = nullptr; // borrowed; empty for panels and commands
};
