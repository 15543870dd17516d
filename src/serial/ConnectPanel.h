#pragma once
// Identifying the card on a panel's link: open the link, read the card's
// version and, on request, its hardware parameter block and zone layout.
class TSGNPanel;

// True when every step succeeded (the steps stop at the first failure). On
// success the link stays open for the caller's commands, which close it
// when done; on failure it is closed, so a port that answered nothing is
// not kept from other programs. UI thread only.
bool ConnectPanel(TSGNPanel* panel, bool withLayout);
