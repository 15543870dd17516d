#include "serial/DiagnosticLog.h"

#include <mutex>

namespace DiagnosticLog {
namespace {

struct State
{
    std::mutex Mutex;
    QStringList Lines;
    std::function<void(const QString&)> Listener;
};

State& Log()
{
    static State state;
    return state;
}

} // namespace

void Append(const QString& line)
{
    std::function<void(const QString&)> listener;
    {
        std::lock_guard<std::mutex> lock(Log().Mutex);
        Log().Lines.append(line);
        listener = Log().Listener;
    }
    // Outside the lock, so that a listener may read Lines().
    if (listener)
        listener(line);
}

QStringList Lines()
{
    std::lock_guard<std::mutex> lock(Log().Mutex);
    return Log().Lines;
}

void SetListener(std::function<void(const QString&)> listener)
{
    std::lock_guard<std::mutex> lock(Log().Mutex);
    Log().Listener = std::move(listener);
}

} // namespace DiagnosticLog
