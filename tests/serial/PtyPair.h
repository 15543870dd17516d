#pragma once
// A pseudo-terminal for serial tests: the engine opens the slave by path,
// the test plays the far end on the master.
#include <QString>
#include <chrono>
#include <cstdint>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

class PtyPair
{
public:
    PtyPair()
    {
        char name[256] = {};
        if (openpty(&master_, &slave_, name, nullptr, nullptr) == 0)
            path_ = QString::fromLocal8Bit(name);
        // The master side passes bytes as they are.
        termios t{};
        tcgetattr(master_, &t);
        cfmakeraw(&t);
        tcsetattr(master_, TCSANOW, &t);
    }
    ~PtyPair()
    {
        close(master_);
        close(slave_);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool Ok() const { return !path_.isEmpty(); }
    QString Path() const { return path_; }
    int Master() const { return master_; }

    // The far end sends bytes.
    void Send(const std::vector<uint8_t>& bytes) const
    {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
            if (n <= 0)
                return;
            done += static_cast<size_t>(n);
        }
    }

    // The far end collects `count` bytes, waiting at most waitMs in all.
    std::vector<uint8_t> Receive(size_t count, int waitMs = 2000) const
    {
        std::vector<uint8_t> got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
        while (got.size() < count) {
            const int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                  end - std::chrono::steady_clock::now())
                                                  .count());
            pollfd p{master_, POLLIN, 0};
            if (left <= 0 || poll(&p, 1, left) <= 0)
                break;
            uint8_t chunk[4096];
            const ssize_t n = read(master_, chunk, std::min(sizeof chunk, count - got.size()));
            if (n <= 0)
                break;
            got.insert(got.end(), chunk, chunk + n);
        }
        return got;
    }

private:
    int master_ = -1;
    int slave_ = -1;
    QString path_;
};

inline std::vector<uint8_t> Sequence(size_t n, uint8_t first = 0)
{
    std::vector<uint8_t> bytes(n);
    for (size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<uint8_t>(first + i);
    return bytes;
}
