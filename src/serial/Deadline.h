#pragma once
// A point in time on the monotonic clock that a wait must not pass, and the
// milliseconds left until it. Used for every bounded wait of the serial link.
#include <chrono>
#include <cstdint>

class TDeadline
{
public:
    // All ones: a deadline that never passes.
    static constexpr uint32_t Forever = 0xFFFFFFFFu;

    // A deadline `ms` milliseconds from now (Forever: never).
    explicit TDeadline(uint32_t ms);

    bool Passed() const;
    // Milliseconds left, 0 once passed; Forever for a deadline that never passes.
    uint32_t RemainingMs() const;
    // The same as a poll() timeout: -1 for Forever, else the remaining milliseconds.
    int PollTimeout() const;
    // Milliseconds since the deadline was made.
    uint32_t ElapsedMs() const;

private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point start_;
    Clock::time_point end_;
    bool forever_;
};

// Sleeps the calling thread for `ms` milliseconds.
void SleepMs(uint32_t ms);
