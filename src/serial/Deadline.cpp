#include "serial/Deadline.h"

#include <algorithm>
#include <thread>

TDeadline::TDeadline(uint32_t ms)
    : start_(Clock::now()), end_(start_ + std::chrono::milliseconds(ms)), forever_(ms == Forever)
{
}

bool TDeadline::Passed() const
{
    return !forever_ && Clock::now() >= end_;
}

uint32_t TDeadline::RemainingMs() const
{
    if (forever_)
        return Forever;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(end_ - Clock::now()).count();
    // Never report Forever for a finite deadline.
    return static_cast<uint32_t>(std::clamp<long long>(left, 0, Forever - 1));
}

int TDeadline::PollTimeout() const
{
    if (forever_)
        return -1;
    return static_cast<int>(std::min<uint32_t>(RemainingMs(), 0x7FFFFFFF));
}

uint32_t TDeadline::ElapsedMs() const
{
    const auto spent =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count();
    return static_cast<uint32_t>(std::max<long long>(spent, 0));
}

void SleepMs(uint32_t ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}
