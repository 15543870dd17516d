#include "serial/CnComm.h"

#include "serial/CommDevice.h"
#include "serial/Deadline.h"
#include "serial/DiagnosticLog.h"
#include "serial/PortList.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace {

// The options this engine builds; the software buffers and the read and
// write threads are not used anywhere, so their bits are dropped.
constexpr uint32_t kBuiltOptions = CnComm::EN_WATCH_THREAD | CnComm::EN_OVERLAPPED |
                                   CnComm::EN_FLUSH_ON_CLOSE | CnComm::EN_DRAIN_ON_CLOSE;

// The time budgets the driver is given on open: asynchronous I/O gets
// a 500 ms read constant and a 10 s write budget, blocking I/O 250 ms each.
TCommTimeouts TimeoutsFor(uint32_t options)
{
    TCommTimeouts t;
    t.ReadInterval = 100;
    t.ReadTotalMultiplier = 0;
    const bool overlapped = options & CnComm::EN_OVERLAPPED;
    t.ReadTotalConstant = overlapped ? 500 : 250;
    t.WriteTotalMultiplier = overlapped ? 1 : 0;
    t.WriteTotalConstant = overlapped ? 10000 : 250;
    return t;
}

QString ErrorText(int error, const QString& devicePath)
{
    QString text = QString::fromStdString(std::generic_category().message(error));
    if (error == EACCES)
        text = PortList::PermissionHint(devicePath);
    else if (error == EBUSY)
        text += QStringLiteral(" (another program or panel holds the port)");
    return text;
}

} // namespace

CnComm::CnComm(uint32_t options)
    : options_(options & kBuiltOptions), timeouts_(TimeoutsFor(options_))
{
}

CnComm::~CnComm()
{
    Close(DestroyWaitMs);
}

bool CnComm::IsOpen() const
{
    return device_ != nullptr;
}

bool CnComm::Fail(int error, const QString& what)
{
    lastError_ = error;
    lastErrorText_ = QStringLiteral("%1: %2").arg(what, ErrorText(error, devicePath_));
    Close(DestroyWaitMs);
    if (error != EINVAL || !devicePath_.isEmpty())
        DiagnosticLog::Append(QStringLiteral("Cannot open %1").arg(lastErrorText_));
    return false;
}

bool CnComm::Open(uint32_t port, uint32_t baudRate, TParity parity, uint8_t byteSize,
                  TStopBits stopBits)
{
    if (port == 0 || port > MaxPortNumber) {
        lastError_ = EINVAL;
        lastErrorText_ =
            QStringLiteral("COM%1: port number outside 1..%2").arg(port).arg(MaxPortNumber);
        return false;
    }
    const QString path = PortList::DevicePathOf(static_cast<int>(port));
    port_ = port;
    portName_ = QStringLiteral("COM%1").arg(port);
    devicePath_ = path;
    if (path.isEmpty()) {
        Close(DestroyWaitMs);
        return Fail(ENOENT, portName_ + QStringLiteral(" (no serial device has this number)"));
    }
    TLineSettings wanted;
    wanted.BaudRate = baudRate;
    wanted.Parity = parity;
    wanted.ByteSize = byteSize;
    wanted.StopBits = stopBits;
    return OpenPath(path, wanted);
}

bool CnComm::OpenDevice(const QString& devicePath, uint32_t baudRate, TParity parity,
                        uint8_t byteSize, TStopBits stopBits, uint32_t port)
{
    if (devicePath.isEmpty()) {
        lastError_ = EINVAL;
        lastErrorText_ = QStringLiteral("no device path given");
        return false;
    }
    port_ = port;
    portName_ = port >= 1 && port <= MaxPortNumber ? QStringLiteral("COM%1").arg(port) : devicePath;
    devicePath_ = devicePath;
    TLineSettings wanted;
    wanted.BaudRate = baudRate;
    wanted.Parity = parity;
    wanted.ByteSize = byteSize;
    wanted.StopBits = stopBits;
    return OpenPath(devicePath, wanted);
}

bool CnComm::OpenPath(const QString& devicePath, const TLineSettings& wanted)
{
    Close(DestroyWaitMs);
    const QString who =
        portName_ == devicePath ? devicePath : QStringLiteral("%1 (%2)").arg(portName_, devicePath);
    int error = 0;
    device_ = TCommDevice::OpenExclusive(devicePath, &error);
    if (!device_)
        return Fail(error, who);

    // Keep what the driver reports and change only the framing.
    TLineSettings line;
    if (!device_->GetLine(&line))
        return Fail(errno ? errno : EIO, who + QStringLiteral(" line settings"));
    line.BaudRate = wanted.BaudRate;
    line.ByteSize = wanted.ByteSize;
    line.Parity = wanted.Parity;
    line.StopBits = wanted.StopBits;
    line.ParityCheck = wanted.Parity != TParity::None;
    if (!device_->SetLine(line))
        return Fail(EINVAL, who + QStringLiteral(" line settings %1 baud, %2 data bits")
                                      .arg(wanted.BaudRate)
                                      .arg(wanted.ByteSize));
    line_ = line;

    if (!device_->SetQueues(QueueSize, QueueSize))
        return Fail(EIO, who + QStringLiteral(" queue sizes"));
    timeouts_ = TimeoutsFor(options_);
    device_->SetTimeouts(timeouts_);
    if (!device_->Purge(true, true))
        return Fail(errno ? errno : EIO, who + QStringLiteral(" purge"));

    if ((options_ & EN_WATCH_THREAD) && !device_->StartWatch())
        return Fail(EAGAIN, who + QStringLiteral(" watch thread"));
    lastError_ = 0;
    lastErrorText_.clear();
    return true;
}

void CnComm::Close(uint32_t waitMs)
{
    if (!IsOpen())
        return;
    EndThread(waitMs);
    if (options_ & (EN_FLUSH_ON_CLOSE | EN_DRAIN_ON_CLOSE))
        device_->Flush(waitMs);
    device_->Purge(true, true);
    device_.reset();
}

bool CnComm::EndThread(uint32_t waitMs)
{
    if (!IsOpen())
        return false;
    return device_->StopWatch(waitMs);
}

bool CnComm::WatchThreadRunning() const
{
    return IsOpen() && device_->WatchRunning();
}

uint32_t CnComm::Read(void* buffer, uint32_t length, uint32_t waitMs)
{
    if (!IsOpen() || length == 0 || buffer == nullptr)
        return 0;
    // A line error would otherwise stick; reads are never left in flight
    // here, so there is nothing further to abort.
    device_->TakeLineErrors();
    uint8_t* out = static_cast<uint8_t*>(buffer);
    const uint32_t n = (options_ & EN_OVERLAPPED) && waitMs != WaitForever
                           ? ReadBounded(out, length, waitMs)
                           : ReadWhole(out, length);
    bytesRead_ += n;
    return n;
}

// Takes what is queued in one read, then byte by byte what arrives within
// waitMs. With waitMs 0 it never waits: a byte that is not there at once
// ends the read.
uint32_t CnComm::ReadBounded(uint8_t* out, uint32_t length, uint32_t waitMs)
{
    const TDeadline deadline(waitMs);
    uint32_t count = 0;
    const int queued = device_->QueueCount(true);
    const uint32_t first = queued > 0 ? std::min<uint32_t>(queued, length) : 0;
    if (first > 0) {
        const int r = device_->ReadNow(out, first);
        if (r < 0)
            return 0;
        count = static_cast<uint32_t>(r);
    }
    // A single byte read the driver would end empty after its read constant.
    const uint32_t byteLimit = timeouts_.ReadTotalMultiplier + timeouts_.ReadTotalConstant;
    while (count < length) {
        int r = device_->ReadNow(out + count, 1);
        if (r < 0)
            break;
        if (r == 0) {
            const uint32_t remaining = deadline.RemainingMs();
            if (remaining < 6)
                break;
            if (device_->WaitReadable(std::min(remaining, byteLimit)) <= 0)
                break;
            r = device_->ReadNow(out + count, 1);
            if (r <= 0)
                break;
        }
        count += 1;
    }
    return count;
}

// Reads until all bytes came or the driver timeouts end the read: the total
// budget, or the interval between two bytes once the first has come.
uint32_t CnComm::ReadWhole(uint8_t* out, uint32_t length)
{
    const uint64_t total =
        uint64_t(timeouts_.ReadTotalMultiplier) * length + timeouts_.ReadTotalConstant;
    const bool noLimit = total == 0 && timeouts_.ReadInterval == 0;
    const TDeadline deadline(noLimit
                                 ? TDeadline::Forever
                                 : static_cast<uint32_t>(std::min<uint64_t>(total, 0x7FFFFFFF)));
    uint32_t count = 0;
    while (count < length) {
        const int r = device_->ReadNow(out + count, length - count);
        if (r < 0)
            break;
        count += static_cast<uint32_t>(r);
        if (count == length || deadline.Passed())
            break;
        uint32_t wait = deadline.RemainingMs();
        if (total == 0 && !noLimit)
            wait = TDeadline::Forever; // only the interval limits the read
        if (count > 0 && timeouts_.ReadInterval > 0)
            wait = std::min(wait, timeouts_.ReadInterval);
        if (device_->WaitReadable(wait) <= 0)
            break;
    }
    return count;
}

uint32_t CnComm::Write(const void* buffer, uint32_t length)
{
    if (!IsOpen() || length == 0 || buffer == nullptr)
        return 0;
    if (device_->TakeLineErrors())
        device_->AbortPendingWrite();
    const int taken = device_->StartWrite(static_cast<const uint8_t*>(buffer), length);
    if (taken < 0)
        return 0;
    bytesWritten_ += length;
    if (!(options_ & EN_OVERLAPPED)) {
        // Blocking mode waits for the line (StartWrite drained what it could).
        const int left = device_->QueueCount(false);
        return left <= 0 ? length : length - std::min<uint32_t>(left, length);
    }
    return static_cast<uint32_t>(taken) == length ? length : 0;
}

uint32_t CnComm::GetQueueCount(bool input) const
{
    if (!IsOpen())
        return 0xFFFFFFFFu;
    const int n = device_->QueueCount(input);
    return n < 0 ? 0xFFFFFFFFu : static_cast<uint32_t>(n);
}

std::optional<TLineSettings> CnComm::GetState() const
{
    if (!IsOpen())
        return std::nullopt;
    TLineSettings line;
    if (!device_->GetLine(&line))
        return std::nullopt;
    return line;
}
