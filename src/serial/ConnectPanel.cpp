#include "serial/ConnectPanel.h"

#include "items/SGNSendMsg.h"
#include "model/SGNPanel.h"

bool ConnectPanel(TSGNPanel* panel, bool withLayout)
{
    if (!panel)
        return false;
    bool ok = panel->OpenLink() && panel->ReadVersion();
    if (ok && withLayout)
        ok = panel->ReadHardwareParams() && panel->ReadZoneLayout();
    if (!ok)
        panel->CloseLink();
    return ok;
}
