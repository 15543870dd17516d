// The serial device on POSIX termios: exclusive open (flock plus TIOCEXCL),
// raw 8N1-style framing, non-blocking reads and writes, line-error counters,
// and the watch thread that waits on poll() for line events.
#include "serial/CommDevice.h"
#include "serial/Deadline.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <vector>

#include <cerrno>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

struct SpeedEntry
{
    uint32_t Baud;
    speed_t Code;
};

const SpeedEntry kSpeeds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

bool SpeedCode(uint32_t baud, speed_t* code)
{
    for (const SpeedEntry& e : kSpeeds) {
        if (e.Baud == baud) {
            *code = e.Code;
            return true;
        }
    }
    return false;
}

uint32_t SpeedBaud(speed_t code)
{
    for (const SpeedEntry& e : kSpeeds) {
        if (e.Code == code)
            return e.Baud;
    }
    return 0;
}

class TPosixCommDevice : public TCommDevice
{
public:
    TPosixCommDevice(int fd, int wakeFd) : fd_(fd), wakeFd_(wakeFd)
    {
        serial_icounter_struct counts{};
        countersWork_ = ioctl(fd_, TIOCGICOUNT, &counts) == 0;
        if (countersWork_)
            lastErrors_ = ErrorTotal(counts);
    }

    ~TPosixCommDevice() override
    {
        StopWatch(CnComm::DestroyWaitMs);
        ioctl(fd_, TIOCNXCL);
        flock(fd_, LOCK_UN);
        close(fd_);
        close(wakeFd_);
    }

    bool GetLine(TLineSettings* line) override
    {
        termios t{};
        if (tcgetattr(fd_, &t) != 0)
            return false;
        line->BaudRate = SpeedBaud(cfgetospeed(&t));
        switch (t.c_cflag & CSIZE) {
        case CS5:
            line->ByteSize = 5;
            break;
        case CS6:
            line->ByteSize = 6;
            break;
        case CS7:
            line->ByteSize = 7;
            break;
        default:
            line->ByteSize = 8;
            break;
        }
        if (!(t.c_cflag & PARENB))
            line->Parity = TParity::None;
        else if (t.c_cflag & CMSPAR)
            line->Parity = (t.c_cflag & PARODD) ? TParity::Mark : TParity::Space;
        else
            line->Parity = (t.c_cflag & PARODD) ? TParity::Odd : TParity::Even;
        line->StopBits = (t.c_cflag & CSTOPB) ? TStopBits::Two : TStopBits::One;
        line->ParityCheck = (t.c_iflag & INPCK) != 0;
        return true;
    }

    bool SetLine(const TLineSettings& line) override
    {
        speed_t speed;
        if (!SpeedCode(line.BaudRate, &speed) || line.ByteSize < 5 || line.ByteSize > 8)
            return false;
        termios t{};
        if (tcgetattr(fd_, &t) != 0)
            return false;
        // Raw bytes both ways: no echo, no line editing, no CR/LF mapping, no
        // XON/XOFF and no hardware handshake; the card's frames are binary.
        cfmakeraw(&t);
        t.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | IGNPAR | PARMRK);
        t.c_cflag |= CLOCAL | CREAD;
        t.c_cflag &= ~(CRTSCTS | CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
        static const tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
        t.c_cflag |= kSizes[line.ByteSize - 5];
        switch (line.Parity) {
        case TParity::None:
            break;
        case TParity::Odd:
            t.c_cflag |= PARENB | PARODD;
            break;
        case TParity::Even:
            t.c_cflag |= PARENB;
            break;
        case TParity::Mark:
            t.c_cflag |= PARENB | CMSPAR | PARODD;
            break;
        case TParity::Space:
            t.c_cflag |= PARENB | CMSPAR;
            break;
        }
        if (line.ParityCheck)
            t.c_iflag |= INPCK;
        // termios has no one-and-a-half: CSTOPB gives 1.5 with 5 data bits on
        // the usual UARTs and 2 otherwise.
        if (line.StopBits != TStopBits::One)
            t.c_cflag |= CSTOPB;
        // Reads never block in the driver: the engine does its own waiting.
        t.c_cc[VMIN] = 0;
        t.c_cc[VTIME] = 0;
        cfsetispeed(&t, speed);
        cfsetospeed(&t, speed);
        return tcsetattr(fd_, TCSANOW, &t) == 0;
    }

    bool SetQueues(uint32_t, uint32_t) override
    {
        // The kernel sizes its tty buffers itself (4096 bytes for input in
        // the line discipline); nothing to set.
        return true;
    }

    void SetTimeouts(const TCommTimeouts& timeouts) override
    {
        std::lock_guard<std::mutex> lock(outMutex_);
        timeouts_ = timeouts;
    }

    bool Purge(bool input, bool output) override
    {
        if (output)
            AbortPendingWrite();
        const int which = input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH;
        return (!input && !output) || tcflush(fd_, which) == 0;
    }

    void Flush(uint32_t waitMs) override
    {
        const TDeadline deadline(waitMs);
        while (QueueCount(false) > 0 && !deadline.Passed()) {
            if (!watchRunning_)
                DrainPending();
            SleepMs(5);
        }
    }

    int QueueCount(bool input) const override
    {
        int n = 0;
        if (ioctl(fd_, input ? FIONREAD : TIOCOUTQ, &n) != 0)
            return -1;
        if (!input) {
            std::lock_guard<std::mutex> lock(outMutex_);
            n += static_cast<int>(pending_.size());
        }
        return n;
    }

    int ReadNow(uint8_t* out, uint32_t length) override
    {
        const ssize_t n = read(fd_, out, length);
        if (n >= 0)
            return static_cast<int>(n);
        return errno == EAGAIN || errno == EINTR ? 0 : -1;
    }

    int WaitReadable(uint32_t waitMs) override
    {
        const TDeadline deadline(waitMs);
        for (;;) {
            pollfd p{fd_, POLLIN, 0};
            const int r = poll(&p, 1, deadline.PollTimeout());
            if (r < 0 && errno == EINTR)
                continue;
            if (r < 0)
                return -1;
            if (r == 0)
                return 0;
            if (p.revents & POLLIN)
                return 1;
            return -1; // hang-up or error without data
        }
    }

    int StartWrite(const uint8_t* data, uint32_t length) override
    {
        uint32_t taken = 0;
        {
            std::lock_guard<std::mutex> lock(outMutex_);
            // Earlier output still queued goes first, so nothing overtakes it.
            if (pending_.empty()) {
                const ssize_t n = write(fd_, data, length);
                if (n < 0 && errno != EAGAIN && errno != EINTR)
                    return -1;
                taken = n > 0 ? static_cast<uint32_t>(n) : 0;
            }
            if (taken < length) {
                pending_.insert(pending_.end(), data + taken, data + length);
                const uint64_t budget = uint64_t(timeouts_.WriteTotalMultiplier) * pending_.size() +
                                        timeouts_.WriteTotalConstant;
                pendingDeadline_ =
                    std::chrono::steady_clock::now() + std::chrono::milliseconds(budget);
            }
        }
        if (taken < length) {
            if (watchRunning_)
                Wake();
            else
                Flush(timeouts_.WriteTotalConstant);
        }
        return static_cast<int>(taken);
    }

    void AbortPendingWrite() override
    {
        std::lock_guard<std::mutex> lock(outMutex_);
        pending_.clear();
    }

    bool TakeLineErrors() override
    {
        if (!countersWork_)
            return false; // pseudo-terminals keep no error counters
        serial_icounter_struct counts{};
        if (ioctl(fd_, TIOCGICOUNT, &counts) != 0)
            return false;
        const uint64_t total = ErrorTotal(counts);
        const bool any = total != lastErrors_;
        lastErrors_ = total;
        return any;
    }

    bool StartWatch() override
    {
        if (threadStarted_)
            return false;
        run_ = true;
        ended_ = false;
        if (pthread_create(&thread_, nullptr, &TPosixCommDevice::WatchMain, this) != 0) {
            run_ = false;
            return false;
        }
        threadStarted_ = true;
        watchRunning_ = true;
        return true;
    }

    bool StopWatch(uint32_t waitMs) override
    {
        if (!threadStarted_)
            return false;
        run_ = false;
        Wake();
        bool ended;
        {
            std::unique_lock<std::mutex> lock(endMutex_);
            ended = endCv_.wait_for(lock, std::chrono::milliseconds(waitMs),
                                    [this] { return ended_.load(); });
        }
        // The thread only blocks in poll(), a cancellation point, so a
        // forced end always takes effect; it never holds a lock while
        // cancellable.
        if (!ended)
            pthread_cancel(thread_);
        pthread_join(thread_, nullptr);
        threadStarted_ = false;
        watchRunning_ = false;
        DrainPending(); // hand what the thread had not sent yet to the driver
        return true;
    }

    bool WatchRunning() const override { return threadStarted_ && !ended_; }

private:
    static uint64_t ErrorTotal(const serial_icounter_struct& c)
    {
        return uint64_t(c.frame) + uint64_t(c.parity) + uint64_t(c.overrun) + uint64_t(c.brk) +
               uint64_t(c.buf_overrun);
    }

    static void* WatchMain(void* self)
    {
        pthread_setname_np(pthread_self(), "lumaxis-watch");
        static_cast<TPosixCommDevice*>(self)->WatchLoop();
        return nullptr;
    }

    void Wake()
    {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = write(wakeFd_, &one, sizeof one);
    }

    // Sleeps up to ms, waking early when the engine signals the thread.
    void Nap(int ms)
    {
        pollfd p{wakeFd_, POLLIN, 0};
        poll(&p, 1, ms);
    }

    bool HasPending() const
    {
        std::lock_guard<std::mutex> lock(outMutex_);
        return !pending_.empty();
    }

    // Hands queued output to the driver as far as it takes it now; drops it
    // once its write time-out has passed (the line does not take it).
    void DrainPending()
    {
        int oldState;
        pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, &oldState);
        {
            std::lock_guard<std::mutex> lock(outMutex_);
            if (!pending_.empty()) {
                const ssize_t n = write(fd_, pending_.data(), pending_.size());
                if (n > 0)
                    pending_.erase(pending_.begin(), pending_.begin() + n);
                else if (n < 0 && errno != EAGAIN && errno != EINTR)
                    pending_.clear();
                if (!pending_.empty() && std::chrono::steady_clock::now() >= pendingDeadline_)
                    pending_.clear();
            }
        }
        pthread_setcancelstate(oldState, nullptr);
    }

    void WatchLoop()
    {
        while (run_) {
            DrainPending();
            // Received data wait unread: the reader will take them; look
            // again in 10 ms rather than spin on a readable descriptor.
            if (QueueCount(true) != 0) {
                Nap(10);
                ClearWake();
                continue;
            }
            const bool pending = HasPending();
            pollfd fds[2] = {{fd_, short(POLLIN | POLLPRI | (pending ? POLLOUT : 0)), 0},
                             {wakeFd_, POLLIN, 0}};
            // With output queued, wake at least every 50 ms to check its time-out.
            const int r = poll(fds, 2, pending ? 50 : -1);
            if (r < 0) {
                if (errno != EINTR)
                    Nap(10);
                continue;
            }
            if (fds[1].revents & POLLIN)
                ClearWake();
            // A hung-up line keeps reporting POLLHUP; do not spin on it.
            if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL))
                Nap(10);
        }
        {
            std::lock_guard<std::mutex> lock(endMutex_);
            ended_ = true;
        }
        endCv_.notify_all();
    }

    void ClearWake()
    {
        uint64_t value;
        [[maybe_unused]] ssize_t n = read(wakeFd_, &value, sizeof value);
    }

    int fd_;
    int wakeFd_;
    bool countersWork_ = false;
    uint64_t lastErrors_ = 0;

    mutable std::mutex outMutex_;
    std::vector<uint8_t> pending_;
    std::chrono::steady_clock::time_point pendingDeadline_;
    TCommTimeouts timeouts_;

    pthread_t thread_{};
    bool threadStarted_ = false;
    std::atomic<bool> watchRunning_{false};
    std::atomic<bool> run_{false};
    std::atomic<bool> ended_{false};
    std::mutex endMutex_;
    std::condition_variable endCv_;
};

} // namespace

std::unique_ptr<TCommDevice> TCommDevice::OpenExclusive(const QString& path, int* error)
{
    const QByteArray name = path.toLocal8Bit();
    const int fd = open(name.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = errno;
        return nullptr;
    }
    if (!isatty(fd)) {
        close(fd);
        *error = ENOTTY;
        return nullptr;
    }
    // flock holds against every other engine and cooperating program (root
    // included); TIOCEXCL makes the kernel refuse further opens by others.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 || ioctl(fd, TIOCEXCL) != 0) {
        *error = errno == EWOULDBLOCK ? EBUSY : errno;
        close(fd);
        return nullptr;
    }
    const int wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0) {
        *error = errno;
        flock(fd, LOCK_UN);
        ioctl(fd, TIOCNXCL);
        close(fd);
        return nullptr;
    }
    *error = 0;
    return std::make_unique<TPosixCommDevice>(fd, wakeFd);
}
