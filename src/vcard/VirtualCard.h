#pragma once
// A control card in software: it owns a pseudo-terminal, answers every card
// command on it with a valid 52-byte reply and keeps the card's state, so the
// real serial engine can be tested, benchmarked and demonstrated without a
// sign. It can pace its line at a baud rate and inject line faults.
//
// The card runs on its own thread (a poll loop on the pty master) between
// Start and Stop; every public function may be called from any thread.
#include "vcard/VirtualProgram.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// What the card holds, as its commands set and report it.
struct VirtualCardState
{
    // Reply bytes 16..19 of the version read: series, major, minor, build.
    std::array<uint8_t, 4> Version{0x12, 0x01, 0x0A, 0x00};
    // The hardware parameter block: 128 x 32 pixels, one colour.
    std::array<uint8_t, 16> HardwareParams{16, 4, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    // The zone table (four 8-byte entries); HasZoneTable false answers 0xFF.
    std::array<uint8_t, 32> ZoneTable{1, 0, 0, 16, 4};
    bool HasZoneTable = true;
    uint8_t Brightness = 8;
    // Sleep schedule: mode, wake and sleep time in plain numbers.
    uint8_t SleepMode = 0;
    uint8_t WakeHour = 7, WakeMinute = 0, SleepHour = 22, SleepMinute = 0;
    // The clock as last set: year (mod 100), month, day, hour, minute,
    // second, weekday; all zero until set.
    std::array<uint8_t, 7> Clock{};
    uint16_t Id = 1;
    // Counters of what the card was asked to do.
    int Clears = 0;
    int MessagePackets = 0;    // commands 2 and 3
    int ProgramBoundaries = 0; // command 25
    int LastBoundaryFlag = -1;
    int LastStopInsertFirst = -1, LastStopInsertEnd = -1;
};

// Faults and line behaviour. A reply selector is 0 (never), All (every
// reply) or n (only the n-th reply the card sends, counting from 1).
struct VirtualCardOptions
{
    static constexpr int All = -1;

    int LineBaud = 0;            // pace both directions at this rate (10 bits a byte); 0: no pacing
    int ReplyDelayMs = 0;        // pause before every reply
    int StrayBytes = 0;          // bytes (never 0xAF) sent before every reply
    int BadChecksum = 0;         // reply selector: checksum off by one
    int DropReply = 0;           // reply selector: the reply is not sent
    bool RefuseParams = false;   // answer a parameter block write with status 4
    bool ForeignReplies = false; // answer 52 bytes that hold no 0xAF (wrong line speed)
    bool Silent = false;         // never answer
    int HangUpAfter = 0;         // close the line on receiving the n-th request; 0: never
};

// One request the card received, decoded.
struct VirtualCardRequest
{
    uint8_t Command = 0;
    uint16_t Address = 0;
    int Length = 0;
    std::vector<uint8_t> Frame; // the whole request
};

class VirtualCard
{
public:
    explicit VirtualCard(VirtualCardOptions options = {}, VirtualCardState state = {});
    ~VirtualCard(); // stops the card
    VirtualCard(const VirtualCard&) = delete;
    VirtualCard& operator=(const VirtualCard&) = delete;

    // Creates the pseudo-terminal (slave set raw) and starts the card's
    // thread. False, with the reason in Error(), when the pty cannot be made.
    bool Start();
    // Ends the thread (at once, also during a reply delay or a paced
    // transfer) and closes the pty. Safe to call twice.
    void Stop();

    // The slave device the application opens, e.g. /dev/pts/7.
    std::string DevicePath() const { return devicePath_; }
    std::string Error() const { return error_; }

    // Receives one line per request and per fault applied, on the card's
    // thread. Set before Start.
    void SetLog(std::function<void(const std::string&)> log) { log_ = std::move(log); }

    VirtualCardOptions Options() const;
    void SetOptions(const VirtualCardOptions& options);
    VirtualCardState State() const;
    void SetState(const VirtualCardState& state);
    std::vector<VirtualCardRequest> Requests() const;
    void ClearRequests();
    // Replies sent (dropped ones not counted).
    int RepliesSent() const;
    bool HungUp() const { return hungUp_; }

    // The card's answer to one request frame, as the thread sends it (before
    // faults); exposed for tests. Returns false for commands the card does
    // not know (no answer). Updates the state.
    bool Answer(const uint8_t* frame, int length, std::array<uint8_t, 52>& reply);

    // The request frame decoded into one log line.
    static std::string Describe(const uint8_t* frame, int length);

    // --- The program the card holds (VirtualCardProgram.cpp) ---
    // A copy of the pages and marks received so far.
    VirtualProgram Program() const;
    // Writes the held program as page files (VirtualProgram.h) into dir.
    bool WriteProgram(const std::string& dir, std::string* error) const;
    // When set, the card writes its program into dir at every end-of-program
    // mark (and on WriteProgram); empty: never.
    void SetProgramDir(const std::string& dir);
    std::string ProgramDir() const;
    // Feeds the records of an SD/USB export file (led.sd) to the card as if
    // they had arrived on the line. False with the reason (and the record's
    // offset) for a file that cannot be read or a record that is not a
    // valid request; the records before it are kept.
    bool LoadExportFile(const std::string& path, std::string* error);

private:
    void Run();
    void TakeBytes(const uint8_t* bytes, int n);
    void ProcessFrames();
    void HandleFrame(const uint8_t* frame, int length);
    void SendPaced(const uint8_t* bytes, int n);
    bool PauseUntilUs(int64_t t);
    void HangUp();
    void Log(const std::string& line);
    bool Selected(int selector, int index) const;

    // Program storage, under mutex_.
    void TakeProgramFrame(const uint8_t* frame, int length);
    VirtualProgram program_;
    std::string programDir_;

    mutable std::mutex mutex_;
    VirtualCardOptions options_;
    VirtualCardState state_;
    std::vector<VirtualCardRequest> requests_;
    int repliesSent_ = 0;
    int replyIndex_ = 0;

    std::function<void(const std::string&)> log_;
    std::string devicePath_;
    std::string error_;
    int master_ = -1;
    int slave_ = -1;
    int wake_[2] = {-1, -1};
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<bool> hungUp_{false};

    // Receive side, card thread only.
    std::vector<uint8_t> rx_;
    int64_t lineFreeAtUs_ = 0; // when the paced line has delivered the last byte
    int64_t lastByteUs_ = 0;
};
