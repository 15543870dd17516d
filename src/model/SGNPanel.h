#pragma once
// One sign and its control card: the card's cached hardware parameters, the
// zone layout, the item list, and the serial link the card is reached by.
#include "model/SGNObject.h"
#include "model/SGNPartition.h"
#include "model/SGNUnits.h"
#include "serial/CnComm.h"

#include <array>
#include <cstdint>
#include <memory>

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

    // Serial link to the card (src/serial/PanelLink.cpp). UI thread only.
    // The panel's engine: created closed with the panel, closed when the
    // panel is destroyed. Never null.
    std::unique_ptr<CnComm> Link = std::make_unique<CnComm>(CnComm::DefaultOptions);
    // Opens the link on the project's PortNumber at BaudRate, 8N1; true at
    // once when it is already open. Any other panel of the project whose link
    // is open is closed first, since the port is held exclusively.
    bool OpenLink();
    // Closes the link if open (200 ms watch-thread wait).
    void CloseLink();
    // Queues n bytes for the card in chunks of 128; does not wait for the line.
    void WriteBytes(const uint8_t* bytes, int n);
    // Discards everything received and not yet consumed (ReceiveCount = 0).
    void FlushInput();
    // Waits up to the receive budget (about 0.7 s for 52 bytes at 57600
    // baud, ReceivePolls polls) for n bytes (1..1024) and copies them to dst.
    bool ReceiveExact(uint8_t* dst, int n);

private:
    TSGNPanels* project_;
};
