#pragma once
// One sign and its control card: the card's cached hardware parameters, the
// zone layout, the item list, and the serial link the card is reached by.
#include "model/SGNObject.h"
#include "model/SGNPartition.h"
#include "model/SGNUnits.h"

#include <array>
#include <cstdint>

class BinaryReader;
class BinaryWriter;
class TSGNPanels;

class TSGNPanel : public TSGNObject
{
public:
    static constexpr int ReceiveBufferSize = 1024;
    static constexpr int HardwareParamsSize = 16;

    // project: the project whose PortNumber this panel uses (may be empty for
    // a panel that is not part of a project).
    explicit TSGNPanel(TSGNPanels* project = nullptr);
    ~TSGNPanel() override;

    QString GetName() const override { return Name; }
    void SaveToFile(BinaryWriter& out) const;
    void LoadFromFile(BinaryReader& in);

    // Panel size in pixels from the hardware parameter block.
    int Width() const { return HardwareParams[0] * 8; }
    int Height() const { return HardwareParams[1] * 8; }
    int ColorMode() const { return HardwareParams[2]; }
    bool SupportsZones() const { return true; }

    TSGNPanels* Project() const { return project_; }
    void SetProject(TSGNPanels* project) { project_ = project; }
    // The project-wide serial port number (1 when not part of a project).
    int PortNumber() const;

    int32_t BaudRate = 57600;
    int32_t ReceivePolls = 50;
    int32_t ReceiveCount = 0;
    std::array<uint8_t, ReceiveBufferSize> ReceiveBuffer{};
    std::array<uint8_t, HardwareParamsSize> HardwareParams{};
    uint16_t Id = 0;
    QString VersionText;
    QString Name;
    // Declared before Zones so that items are destroyed first.
    TSGNUnits Items;
    TSGNPartition Zones;
    bool ZonesConfigured = true;

private:
    TSGNPanels* project_;
};
