#pragma once
// The port search: tries every listed serial port until a card answers its
// version, parameter block and zone layout, and leaves the project's
// PortNumber at that port. The search dialog and "lumaxis search" show its
// label texts and progress positions.
#include <QString>
#include <functional>

class TSGNPanel;

struct TPortSearchView
{
    // The status text ("Test COM3 @ 57600", "Found ...", "Not Found Panel").
    std::function<void(const QString&)> Label;
    // The progress bar position, 0..100.
    std::function<void(int)> Progress;
};

// Runs one search for the panel (which must belong to a project, whose
// PortNumber it changes). Returns true when a card was found; otherwise
// PortNumber is restored. The panel's link is closed afterwards. Lets the
// interface process pending messages (UiHooks::Pump) between steps. UI
// thread only.
bool RunPortSearch(TSGNPanel* panel, const TPortSearchView& view);

// "COM%d @ %d": the port and baud rate as the search shows them.
QString PortSearchPortText(int port, int baudRate);
