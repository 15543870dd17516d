#pragma once
// The per-system hook set under CnComm: one open serial device and its
// watch thread. CommDevicePosix.cpp implements it on termios; the engine's
// algorithms (open sequence, read and write rules) stay in CnComm.cpp.
// Only CnComm uses this header.
#include "serial/CnComm.h"

#include <QString>
#include <cstdint>
#include <memory>

class TCommDevice
{
public:
    // Opens `path` for reading and writing, held exclusively: a second open
    // of a held device fails with EBUSY. Null with the errno in *error.
    static std::unique_ptr<TCommDevice> OpenExclusive(const QString& path, int* error);

    // Stops the watch thread (if still running) and releases the device.
    virtual ~TCommDevice() = default;

    virtual bool GetLine(TLineSettings* line) = 0;
    // Raw mode with the given framing; false when the driver refuses it.
    virtual bool SetLine(const TLineSettings& line) = 0;
    virtual bool SetQueues(uint32_t inputBytes, uint32_t outputBytes) = 0;
    virtual void SetTimeouts(const TCommTimeouts& timeouts) = 0;
    // Discards the driver's queues (and engine-queued output) in the given directions.
    virtual bool Purge(bool input, bool output) = 0;
    // Waits up to waitMs until queued output is on the line.
    virtual void Flush(uint32_t waitMs) = 0;
    // Bytes waiting in the input queue or not yet sent; -1 on failure.
    virtual int QueueCount(bool input) const = 0;
    // Takes up to `length` bytes already received, without waiting; -1 on
    // failure (a hang-up, for example).
    virtual int ReadNow(uint8_t* out, uint32_t length) = 0;
    // Waits up to waitMs (TDeadline::Forever: no limit) for input: 1 when
    // some is waiting, 0 on time-out, -1 on failure or hang-up.
    virtual int WaitReadable(uint32_t waitMs) = 0;
    // Hands bytes to the driver without waiting; what it cannot take at once
    // is queued and sent by the watch thread (or dropped once the write
    // timeout passes). Returns the bytes taken at once, -1 on failure.
    virtual int StartWrite(const uint8_t* data, uint32_t length) = 0;
    // Drops engine-queued output that the driver has not taken yet.
    virtual void AbortPendingWrite() = 0;
    // Clears the line error state; returns true when an error (framing,
    // parity, overrun, break) had occurred since the last call.
    virtual bool TakeLineErrors() = 0;

    virtual bool StartWatch() = 0;
    // Ends the watch thread within waitMs, by force when it does not end;
    // false when none ran or it could not be ended.
    virtual bool StopWatch(uint32_t waitMs) = 0;
    virtual bool WatchRunning() const = 0;
};
