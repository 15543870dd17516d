#pragma once
// The progress notification of a program send: the panel posts it after
// every item packet it has sent to a card (one per content block), and the
// send-all loop (or the main window) listens. It carries no values.
// UI thread only.
#include <functional>

namespace SendProgress {

// Installs the listener and returns the one it replaces (empty: none).
std::function<void()> SetListener(std::function<void()> listener);
// Notifies the listener, if any.
void Post();

} // namespace SendProgress
