#pragma once
// The serial port engine: one serial device held exclusively with fixed
// line settings, a watch thread that follows line events, reads bounded by
// a wait time and writes that are queued without waiting for the line.
// Every panel owns one (TSGNPanel::Link); the link helpers of Rs232unit.h
// are its callers.
//
// Threads: every member function is called from the UI thread (one caller
// at a time). The engine's own watch thread only waits for line events and
// hands queued output to the driver; it never touches a caller's data.
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

class TCommDevice;

enum class TParity : uint8_t
{
    None = 0,
    Odd = 1,
    Even = 2,
    Mark = 3,
    Space = 4
};

enum class TStopBits : uint8_t
{
    One = 0,
    OneAndHalf = 1,
    Two = 2
};

// Line settings as read from or written to the driver.
struct TLineSettings
{
    uint32_t BaudRate = 0; // bits per second
    uint8_t ByteSize = 8;  // data bits, 5..8
    TParity Parity = TParity::None;
    TStopBits StopBits = TStopBits::One;
    bool ParityCheck = false; // input parity checking; set exactly when Parity is not None
};

// Driver timeouts in milliseconds. A read completes when all bytes came, when
// ReadInterval passes between two bytes after the first, or when
// ReadTotalMultiplier x length + ReadTotalConstant has passed; queued output
// not taken by the line within WriteTotalMultiplier x length +
// WriteTotalConstant is dropped.
struct TCommTimeouts
{
    uint32_t ReadInterval = 100;
    uint32_t ReadTotalMultiplier = 0;
    uint32_t ReadTotalConstant = 500;
    uint32_t WriteTotalMultiplier = 1;
    uint32_t WriteTotalConstant = 10000;
};

class CnComm
{
public:
    // Option bits. The system uses EN_WATCH_THREAD | EN_OVERLAPPED (the
    // default). EN_FLUSH_ON_CLOSE and EN_DRAIN_ON_CLOSE make Close wait (up to
    // its wait time) until queued output is on the line. The software buffers
    // and the read and write threads are not built: those bits are dropped.
    static constexpr uint32_t EN_WATCH_THREAD = 0x001;
    static constexpr uint32_t EN_OVERLAPPED = 0x002;
    static constexpr uint32_t EN_RX_BUFFER = 0x004;
    static constexpr uint32_t EN_TX_BUFFER = 0x008;
    static constexpr uint32_t EN_RX_THREAD = 0x010;
    static constexpr uint32_t EN_TX_THREAD = 0x020;
    static constexpr uint32_t EN_SUSPENDED = 0x040;
    static constexpr uint32_t EN_ABOVE_NORMAL = 0x080;
    static constexpr uint32_t EN_FLUSH_ON_CLOSE = 0x100;
    static constexpr uint32_t EN_DRAIN_ON_CLOSE = 0x200;
    static constexpr uint32_t DefaultOptions = EN_WATCH_THREAD | EN_OVERLAPPED;

    // A wait time of all ones: Read waits until the driver completes the read
    // (all bytes, or the driver timeouts above).
    static constexpr uint32_t WaitForever = 0xFFFFFFFFu;
    static constexpr uint32_t MaxPortNumber = 1024;
    static constexpr uint32_t QueueSize = 4096;     // driver queues, each direction
    static constexpr uint32_t DestroyWaitMs = 500;  // watch-thread wait on destruction
    static constexpr uint32_t NoPort = 0xFFFFFFFFu; // Port() before the first Open

    explicit CnComm(uint32_t options = DefaultOptions);
    // Closes the port, waiting up to 500 ms for the watch thread.
    ~CnComm();
    CnComm(const CnComm&) = delete;
    CnComm& operator=(const CnComm&) = delete;

    // Opens serial port `port` (1..1024; the device is the one the port list
    // maps the number to, see PortList.h) with the given line settings. A
    // number outside 1..1024 fails without touching any device. An open engine
    // is closed first. Fails when the device is missing, held by another
    // engine or program (exclusive open), or refuses the settings; nothing
    // stays open then and LastError() tells why.
    bool Open(uint32_t port, uint32_t baudRate, TParity parity = TParity::None,
              uint8_t byteSize = 8, TStopBits stopBits = TStopBits::One);
    // The same for a device given by its path (for example /dev/ttyUSB0 or
    // a pseudo-terminal); Port() becomes `port` (NoPort when it has none).
    bool OpenDevice(const QString& devicePath, uint32_t baudRate, TParity parity = TParity::None,
                    uint8_t byteSize = 8, TStopBits stopBits = TStopBits::One,
                    uint32_t port = NoPort);

    // Stops the watch thread (waiting up to waitMs, then ending it by force),
    // discards both queues and releases the device. Nothing when closed.
    void Close(uint32_t waitMs);
    bool IsOpen() const;

    // Reads up to `length` bytes into buffer; returns the count stored.
    // waitMs 0: takes what the input queue holds (and bytes arriving while
    // it reads) without waiting. Other values: waits at most waitMs for
    // the rest, byte by byte. WaitForever: waits for the driver to complete
    // the whole read (bounded by TCommTimeouts). 0 when closed or length 0.
    // Line errors are cleared first.
    uint32_t Read(void* buffer, uint32_t length, uint32_t waitMs);
    // Queues `length` bytes for the line and returns without waiting for it.
    // Returns the bytes the driver took at once: length when all went at once,
    // 0 while part is still pending (or when closed, or on failure). The
    // bytes-written counter counts every queued byte. Line errors are cleared
    // first and drop output still pending from earlier writes.
    uint32_t Write(const void* buffer, uint32_t length);

    // Bytes waiting in the driver's input queue (input true) or not yet sent
    // (false, engine-queued output included); all ones when closed or on failure.
    uint32_t GetQueueCount(bool input) const;
    // The line settings as the driver has them now; none when closed.
    std::optional<TLineSettings> GetState() const;
    // Stops the watch thread as Close does; false when none ran or it could not be ended.
    bool EndThread(uint32_t waitMs);
    bool WatchThreadRunning() const;

    uint32_t Options() const { return options_; }
    // The port number of the last Open (NoPort before the first one).
    uint32_t Port() const { return port_; }
    // "COM<port>" for a numbered port, else the device path.
    QString PortName() const { return portName_; }
    QString DevicePath() const { return devicePath_; }
    TCommTimeouts Timeouts() const { return timeouts_; }
    // Totals since construction, wrapping at 2^32.
    uint32_t BytesRead() const { return bytesRead_; }
    uint32_t BytesWritten() const { return bytesWritten_; }
    // errno of the last Open that failed (0 after a successful one) and a
    // text naming the device and the cause, for the log and the command line.
    int LastError() const { return lastError_; }
    QString LastErrorText() const { return lastErrorText_; }

private:
    bool OpenPath(const QString& devicePath, const TLineSettings& wanted);
    bool Fail(int error, const QString& what);
    uint32_t ReadBounded(uint8_t* out, uint32_t length, uint32_t waitMs);
    uint32_t ReadWhole(uint8_t* out, uint32_t length);

    uint32_t options_;
    std::unique_ptr<TCommDevice> device_; // null while closed
    uint32_t port_ = NoPort;
    QString portName_;
    QString devicePath_;
    TLineSettings line_;
    TCommTimeouts timeouts_;
    uint32_t bytesRead_ = 0;
    uint32_t bytesWritten_ = 0;
    int lastError_ = 0;
    QString lastErrorText_;
};
