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
class QIODevice;
class TSGNPanels;
class TSGNSendMsg;
class TSGNUnit;

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

    // Card operations (defined in protocol/): each builds one command
    // packet with Address = Id and exchanges it over the open link. They
    // return true when the card acknowledged (or the export record was
    // written) and change nothing in the panel on failure. UI thread only.
    // How the last Transact ended, for messages that name the cause.
    enum class TransactOutcome
    {
        Acknowledged,
        NoReply,     // no complete reply within the time budget
        Foreign,     // 52 bytes without a frame start: not this protocol
        BadChecksum, // frame damaged (checksum or end byte): input flushed
        Rejected,    // a well-formed reply the command did not accept
    };
    // One request/reply exchange with up to tries attempts; reply is a
    // zero-filled buffer of at least 52 bytes that receives the accepted
    // reply. The request is resent in full on every attempt.
    bool Transact(TSGNUnit& unit, uint8_t* reply, int tries);
    TransactOutcome LastTransactOutcome = TransactOutcome::Acknowledged;
    bool ReadVersion();
    bool ReadHardwareParams();
    // Sends HardwareParams (one attempt); with toFile it appends the packet
    // to exportFile instead.
    bool WriteHardwareParams(bool toFile = false, QIODevice* exportFile = nullptr);
    bool ClearCard();
    // The request carries the current Id in its header and newId as payload;
    // the panel's Id is left to the caller.
    bool SetPanelId(uint16_t newId);
    // Ends an inserted message on the pages the item occupies from its
    // current StartPage.
    bool StopInsert(const TSGNSendMsg& item);
    // mode 0 never sleeps, 1 sleeps and wakes daily at the given times.
    bool WriteSleepSchedule(uint8_t mode, uint8_t wakeHour, uint8_t wakeMinute, uint8_t sleepHour,
                            uint8_t sleepMinute);
    // The outputs are set only when the result is true.
    bool ReadSleepSchedule(uint8_t& status, uint8_t& mode, int& wakeHour, int& wakeMinute,
                           int& sleepHour, int& sleepMinute);
    bool SetBrightness(uint8_t level);
    // Reply bytes 16..47; the level is the low nibble of the first byte.
    bool ReadBrightness(std::array<uint8_t, 32>& out);
    // Sends the computer's current local date and time.
    bool SetClock();
    // Sends the first four zones; with toFile it appends the packet instead.
    bool WriteZoneLayout(bool toFile = false, QIODevice* exportFile = nullptr);
    // Rebuilds Zones, LayoutType and ZonesConfigured from the card's table.
    bool ReadZoneLayout();

    // --- Message items and programs (protocol/PanelMessages.cpp) ---
    // Sends the packets of item index from card page startPage: to the card
    // (two attempts per packet, a progress notification after each) or, with
    // toFile, as records appended to file. *pagesUsed receives the pages the
    // item takes (0 for an item with nothing to send). False for a bad index,
    // an item kind that cannot be sent (the dial clock), an unacknowledged
    // packet or a failed file write.
    bool SendItem(int index, int startPage, QIODevice* file, bool toFile, bool insert,
                  int* pagesUsed);
    // Gives every item its running start page from 0 and returns the total
    // number of pages the panel's program needs.
    int AssignStartPages();
    // Command 25: flag 0 begins a program, 1 ends it.
    bool SendProgramBoundary(uint8_t flag, bool toFile, QIODevice* file);

private:
    // One packet to the card (Transact) or to the export file (a record).
    bool DeliverPacket(TSGNUnit& unit, bool toFile, QIODevice* file);

    TSGNPanels* project_;
};
