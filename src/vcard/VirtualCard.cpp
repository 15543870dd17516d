#include "vcard/VirtualCard.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int kReplySize = 52;
constexpr int kMinFrame = 52;
constexpr int kMaxFrame = 1076;
// A request that stops arriving for this long is dropped, so a torn frame
// cannot swallow the start of the next one.
constexpr int64_t kFrameGapUs = 100000;

int64_t NowUs()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

uint16_t Get16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint8_t Bcd(int v)
{
    return static_cast<uint8_t>(((v / 10) % 10) * 16 + v % 10);
}

int Unbcd(uint8_t b)
{
    return (b % 16) + (b / 16) * 10;
}

const char* CommandName(uint8_t c)
{
    switch (c) {
    case 2:
        return "MessageContinuation";
    case 3:
        return "MessagePage";
    case 5:
        return "StopInsert";
    case 6:
        return "ClearCard";
    case 16:
        return "SetBrightness";
    case 19:
        return "ReadBrightness";
    case 25:
        return "ProgramBoundary";
    case 33:
        return "SetClock";
    case 35:
        return "WriteHardwareParams";
    case 36:
        return "ReadHardwareParams";
    case 37:
        return "SetPanelId";
    case 38:
        return "WriteSleepSchedule";
    case 39:
        return "ReadSleepSchedule";
    case 41:
        return "WriteZoneLayout";
    case 42:
        return "ReadZoneLayout";
    case 53:
        return "ReadVersion";
    default:
        return "unknown";
    }
}

std::string Hex(const uint8_t* p, int n)
{
    std::string s;
    char b[4];
    for (int i = 0; i < n; ++i) {
        std::snprintf(b, sizeof b, i ? " %02X" : "%02X", p[i]);
        s += b;
    }
    return s;
}

std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* fmt, ...)
{
    char buf[512];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    return buf;
}

} // namespace

VirtualCard::VirtualCard(VirtualCardOptions options, VirtualCardState state)
    : options_(options), state_(state)
{
}

VirtualCard::~VirtualCard()
{
    Stop();
}

bool VirtualCard::Start()
{
    if (running_)
        return true;
    // Every descriptor of the card is closed on exec: a program started
    // meanwhile holding a copy of the master would keep the line up when the
    // card hangs up.
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        error_ = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        Stop();
        return false;
    }
    char name[128];
    if (ptsname_r(master_, name, sizeof name) != 0) {
        error_ = std::string("cannot name the pseudo-terminal: ") + std::strerror(errno);
        Stop();
        return false;
    }
    devicePath_ = name;
    // The card keeps the slave open itself: the master then never reports a
    // hang-up while the application closes and reopens the port.
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios tio{};
    if (slave_ < 0 || tcgetattr(slave_, &tio) != 0) {
        error_ = "cannot open " + devicePath_ + ": " + std::strerror(errno);
        Stop();
        return false;
    }
    cfmakeraw(&tio);
    cfsetspeed(&tio, B57600);
    tcsetattr(slave_, TCSANOW, &tio);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    if (pipe2(wake_, O_CLOEXEC) != 0) {
        error_ = std::string("cannot create a pipe: ") + std::strerror(errno);
        Stop();
        return false;
    }
    hungUp_ = false;
    running_ = true;
    thread_ = std::thread(&VirtualCard::Run, this);
    return true;
}

void VirtualCard::Stop()
{
    if (thread_.joinable()) {
        running_ = false;
        if (wake_[1] >= 0) {
            const char c = 'x';
            (void)::write(wake_[1], &c, 1);
        }
        thread_.join();
    }
    running_ = false;
    for (int* fd : {&master_, &slave_, &wake_[0], &wake_[1]}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

VirtualCardOptions VirtualCard::Options() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return options_;
}

void VirtualCard::SetOptions(const VirtualCardOptions& options)
{
    std::lock_guard<std::mutex> lock(mutex_);
    options_ = options;
}

VirtualCardState VirtualCard::State() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return state_;
}

void VirtualCard::SetState(const VirtualCardState& state)
{
    std::lock_guard<std::mutex> lock(mutex_);
    state_ = state;
}

std::vector<VirtualCardRequest> VirtualCard::Requests() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void VirtualCard::ClearRequests()
{
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.clear();
}

int VirtualCard::RepliesSent() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return repliesSent_;
}

void VirtualCard::Log(const std::string& line)
{
    if (log_)
        log_(line);
}

bool VirtualCard::Selected(int selector, int index) const
{
    return selector == VirtualCardOptions::All || (selector > 0 && selector == index);
}

void VirtualCard::Run()
{
    uint8_t buf[4096];
    while (running_) {
        pollfd fds[2] = {{master_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        // With a torn frame pending, wake up in time to drop it.
        const int timeout = rx_.empty() ? -1 : static_cast<int>(kFrameGapUs / 1000) + 1;
        const int r = ::poll(fds, 2, timeout);
        if (!running_)
            break;
        if (r < 0) {
            if (errno == EINTR)
                continue;
            Log(std::string("poll failed: ") + std::strerror(errno));
            break;
        }
        if (fds[1].revents)
            break;
        if (fds[0].revents & POLLIN) {
            const ssize_t n = ::read(master_, buf, sizeof buf);
            if (n > 0)
                TakeBytes(buf, static_cast<int>(n));
        } else if (fds[0].revents & (POLLHUP | POLLERR)) {
            // Cannot happen while the card holds the slave open; avoid
            // spinning if it does.
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ProcessFrames();
        if (hungUp_)
            break;
        if (!rx_.empty() && NowUs() - lastByteUs_ > kFrameGapUs) {
            Log(Format("dropped %zu bytes of an incomplete request", rx_.size()));
            rx_.clear();
        }
    }
}

void VirtualCard::TakeBytes(const uint8_t* bytes, int n)
{
    const int64_t now = NowUs();
    lastByteUs_ = now;
    const int baud = Options().LineBaud;
    if (baud > 0) {
        // The bytes come off the line one after another: a frame is complete
        // only when its last byte would have arrived at the paced rate.
        const int64_t perByte = 10 * 1000000LL / baud;
        lineFreeAtUs_ = std::max(now, lineFreeAtUs_) + n * perByte;
    } else {
        lineFreeAtUs_ = now;
    }
    rx_.insert(rx_.end(), bytes, bytes + n);
}

void VirtualCard::ProcessFrames()
{
    while (!rx_.empty() && !hungUp_) {
        // Resynchronise on the frame start.
        size_t start = 0;
        while (start < rx_.size() && rx_[start] != 0xA0)
            ++start;
        if (start > 0) {
            Log(Format("skipped %zu bytes before a frame start", start));
            rx_.erase(rx_.begin(), rx_.begin() + start);
        }
        if (rx_.size() < 3)
            return;
        const int length = Get16(&rx_[1]);
        if (length < kMinFrame || length > kMaxFrame) {
            Log(Format("bad frame length %d, resynchronising", length));
            rx_.erase(rx_.begin());
            continue;
        }
        if (static_cast<int>(rx_.size()) < length)
            return;
        std::vector<uint8_t> frame(rx_.begin(), rx_.begin() + length);
        rx_.erase(rx_.begin(), rx_.begin() + length);
        uint16_t sum = 0;
        for (int i = 0; i < length - 4; ++i)
            sum = static_cast<uint16_t>(sum + frame[i]);
        const uint8_t c = frame[13];
        if (sum != Get16(&frame[length - 4]) || frame[length - 1] != 0x50 || frame[14] != c ||
            frame[15] != static_cast<uint8_t>(c - 1)) {
            Log(Format("rejected a damaged frame of %d bytes (command %u)", length, c));
            continue;
        }
        if (!PauseUntilUs(lineFreeAtUs_))
            return;
        HandleFrame(frame.data(), length);
    }
}

void VirtualCard::HandleFrame(const uint8_t* frame, int length)
{
    int requestNumber;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        VirtualCardRequest req;
        req.Command = frame[13];
        req.Address = Get16(frame + 3);
        req.Length = length;
        req.Frame.assign(frame, frame + length);
        requests_.push_back(std::move(req));
        requestNumber = static_cast<int>(requests_.size());
    }
    Log(Format("request %d: ", requestNumber) + Describe(frame, length));
    const VirtualCardOptions opt = Options();
    if (opt.HangUpAfter > 0 && requestNumber >= opt.HangUpAfter) {
        Log("hanging up");
        HangUp();
        return;
    }
    std::array<uint8_t, kReplySize> reply{};
    if (!Answer(frame, length, reply)) {
        Log("  no answer to an unknown command");
        return;
    }
    if (opt.Silent) {
        Log("  silent: no reply");
        return;
    }
    const int index = ++replyIndex_;
    if (Selected(opt.DropReply, index)) {
        Log(Format("  reply %d dropped", index));
        return;
    }
    if (opt.ForeignReplies) {
        reply.fill(0x55);
        Log("  foreign reply (no 0xAF)");
    } else if (Selected(opt.BadChecksum, index)) {
        reply[48] = static_cast<uint8_t>(reply[48] + 1);
        Log(Format("  reply %d with a bad checksum", index));
    }
    if (opt.ReplyDelayMs > 0 && !PauseUntilUs(NowUs() + opt.ReplyDelayMs * 1000LL))
        return;
    if (opt.StrayBytes > 0) {
        std::vector<uint8_t> stray(opt.StrayBytes);
        for (int i = 0; i < opt.StrayBytes; ++i)
            stray[i] = static_cast<uint8_t>(0x11 * (i % 9 + 1)); // 0x11 .. 0x99, never 0xAF
        Log(Format("  %d stray bytes before the reply", opt.StrayBytes));
        SendPaced(stray.data(), opt.StrayBytes);
    }
    SendPaced(reply.data(), kReplySize);
    std::lock_guard<std::mutex> lock(mutex_);
    ++repliesSent_;
}

void VirtualCard::SendPaced(const uint8_t* bytes, int n)
{
    const int baud = Options().LineBaud;
    const int64_t perByte = baud > 0 ? 10 * 1000000LL / baud : 0;
    const int64_t start = NowUs();
    // Small chunks keep the timing close to the line's without a wake-up for
    // every single byte.
    constexpr int kChunk = 4;
    int sent = 0;
    while (sent < n && running_) {
        const int chunk = perByte ? std::min(kChunk, n - sent) : n - sent;
        const ssize_t w = ::write(master_, bytes + sent, chunk);
        if (w < 0) {
            if (errno == EAGAIN || errno == EINTR) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            Log(std::string("write failed: ") + std::strerror(errno));
            return;
        }
        sent += static_cast<int>(w);
        if (perByte && !PauseUntilUs(start + sent * perByte))
            return;
    }
}

// Waits until the time t (NowUs) has come; false, at once, when Stop asks
// the card to end. Stop's byte stays in the pipe, so every later pause ends
// at once too.
bool VirtualCard::PauseUntilUs(int64_t t)
{
    for (;;) {
        if (!running_)
            return false;
        const int64_t left = t - NowUs();
        if (left <= 0)
            return true;
        pollfd p{wake_[0], POLLIN, 0};
        const timespec wait{static_cast<time_t>(left / 1000000),
                            static_cast<long>(left % 1000000) * 1000};
        if (::ppoll(&p, 1, &wait, nullptr) > 0)
            return false;
    }
}

void VirtualCard::HangUp()
{
    // Closing the master is what a pulled cable looks like to the port: the
    // slave side reads end-of-file or EIO and the device path goes away.
    hungUp_ = true;
    ::close(master_);
    master_ = -1;
    ::close(slave_);
    slave_ = -1;
}

bool VirtualCard::Answer(const uint8_t* f, int length, std::array<uint8_t, 52>& r)
{
    r.fill(0);
    r[0] = 0xAF;
    r[1] = kReplySize;
    const uint8_t command = f[13];
    r[3] = f[3];
    r[4] = f[4];
    r[14] = command; // echoed for the log readers; the tool does not examine it
    const uint8_t* p = f + 16;
    const int dataCount = length - kMinFrame;
    std::lock_guard<std::mutex> lock(mutex_);
    VirtualCardState& s = state_;
    TakeProgramFrame(f, length);
    switch (command) {
    case 2:
    case 3:
        ++s.MessagePackets;
        break;
    case 25:
        ++s.ProgramBoundaries;
        s.LastBoundaryFlag = p[0];
        break;
    case 5:
        s.LastStopInsertFirst = p[0];
        s.LastStopInsertEnd = p[1];
        break;
    case 6:
        ++s.Clears;
        break;
    case 16:
        s.Brightness = p[0] & 0x0F;
        break;
    case 19:
        r[16] = s.Brightness;
        break;
    case 33:
        for (int i = 0; i < 7; ++i)
            s.Clock[i] = static_cast<uint8_t>(Unbcd(p[i]));
        break;
    case 35:
        if (options_.RefuseParams) {
            r[13] = 4;
        } else {
            std::copy(p, p + 16, s.HardwareParams.begin());
        }
        break;
    case 36:
        for (int i = 0; i < 13; ++i)
            r[16 + i] = s.HardwareParams[i];
        break;
    case 37:
        s.Id = Get16(p);
        break;
    case 38:
        s.SleepMode = p[0];
        s.WakeHour = static_cast<uint8_t>(Unbcd(p[1]));
        s.WakeMinute = static_cast<uint8_t>(Unbcd(p[2]));
        s.SleepHour = static_cast<uint8_t>(Unbcd(p[3]));
        s.SleepMinute = static_cast<uint8_t>(Unbcd(p[4]));
        break;
    case 39:
        r[17] = s.SleepMode;
        r[18] = Bcd(s.WakeHour);
        r[19] = Bcd(s.WakeMinute);
        r[20] = Bcd(s.SleepHour);
        r[21] = Bcd(s.SleepMinute);
        break;
    case 41:
        std::copy(p, p + 32, s.ZoneTable.begin());
        s.HasZoneTable = true;
        break;
    case 42:
        if (s.HasZoneTable)
            std::copy(s.ZoneTable.begin(), s.ZoneTable.end(), r.begin() + 16);
        else
            std::fill(r.begin() + 16, r.end() - 4, 0xFF);
        break;
    case 53:
        std::copy(s.Version.begin(), s.Version.end(), r.begin() + 16);
        break;
    default:
        return false;
    }
    (void)dataCount;
    uint16_t sum = 0;
    for (int i = 0; i < 48; ++i)
        sum = static_cast<uint16_t>(sum + r[i]);
    r[48] = sum & 0xFF;
    r[49] = sum >> 8;
    r[51] = 0x5F;
    return true;
}

std::string VirtualCard::Describe(const uint8_t* f, int length)
{
    const uint8_t c = f[13];
    const uint8_t* p = f + 16;
    std::string s = Format("%s (%u) address %u, %d bytes", CommandName(c), c, Get16(f + 3), length);
    switch (c) {
    case 2:
        s += Format(": page %u, block offset %u, %d data bytes", Get16(p), Get16(p + 2),
                    length - kMinFrame);
        break;
    case 3:
        s += Format(": page %u, type 0x%02X, colour %u, zone flags 0x%02X, %d data bytes", Get16(p),
                    p[25], p[24], p[30], length - kMinFrame);
        break;
    case 25:
        s += p[0] == 0 ? ": program begins" : ": program ends";
        break;
    case 5:
        s += Format(": pages %u to %u", p[0], p[1]);
        break;
    case 16:
        s += Format(": level %u", p[0]);
        break;
    case 33:
        s += Format(": 20%02d-%02d-%02d %02d:%02d:%02d weekday %d", Unbcd(p[0]), Unbcd(p[1]),
                    Unbcd(p[2]), Unbcd(p[3]), Unbcd(p[4]), Unbcd(p[5]), Unbcd(p[6]));
        break;
    case 35:
        s += ": block " + Hex(p, 16);
        break;
    case 37:
        s += Format(": new id %u", Get16(p));
        break;
    case 38:
        s += Format(": mode %u, wake %02d:%02d, sleep %02d:%02d", p[0], Unbcd(p[1]), Unbcd(p[2]),
                    Unbcd(p[3]), Unbcd(p[4]));
        break;
    case 41:
        for (int k = 0; k < 4 && p[8 * k] == 1; ++k) {
            const uint8_t* e = p + 8 * k;
            s += Format("%s zone %d at (%d, %d) size %d x %d", k ? "," : ":", k + 1, e[1] * 8,
                        e[2] * 8, e[3] * 8, e[4] * 8);
        }
        break;
    default:
        break;
    }
    return s;
}
