#include "protocol/SendProgress.h"

#include <utility>

namespace SendProgress {
namespace {
std::function<void()>& Listener()
{
    static std::function<void()> listener;
    return listener;
}
} // namespace

std::function<void()> SetListener(std::function<void()> listener)
{
    return std::exchange(Listener(), std::move(listener));
}

void Post()
{
    // A copy, so a listener may replace itself while it runs.
    const std::function<void()> listener = Listener();
    if (listener)
        listener();
}

} // namespace SendProgress
