#include "serial/UiHooks.h"

namespace UiHooks {
namespace {
std::function<void()>& PumpHook()
{
    static std::function<void()> hook;
    return hook;
}

std::function<void(const QString&)>& NotifierHook()
{
    static std::function<void(const QString&)> hook;
    return hook;
}
} // namespace

void SetPump(std::function<void()> pump)
{
    PumpHook() = std::move(pump);
}

void Pump()
{
    if (PumpHook())
        PumpHook()();
}

void SetNotifier(std::function<void(const QString&)> notifier)
{
    NotifierHook() = std::move(notifier);
}

void Notify(const QString& message)
{
    if (NotifierHook())
        NotifierHook()(message);
}

} // namespace UiHooks
