#pragma once
// Hooks through which the core reaches the user interface without knowing
// it: letting pending messages be processed while a card exchange waits,
// and showing the one message the core itself must show. The application
// (window or command line) installs them at start; the defaults do nothing.
// Called on the UI thread only.
#include <QString>
#include <functional>

namespace UiHooks {

// Processes pending interface messages (repaints, progress) during a wait.
void SetPump(std::function<void()> pump);
void Pump();

// Shows a message to the user (a message box in the window, stderr on the
// command line).
void SetNotifier(std::function<void(const QString&)> notifier);
void Notify(const QString& message);

} // namespace UiHooks
