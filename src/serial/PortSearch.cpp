#include "serial/PortSearch.h"

#include "items/SGNSendMsg.h"
#include "model/SGNPanel.h"
#include "model/SGNPanels.h"
#include "serial/Rs232unit.h"
#include "serial/UiHooks.h"

QString PortSearchPortText(int port, int baudRate)
{
    return QStringLiteral("COM%1 @ %2").arg(port).arg(baudRate);
}

bool RunPortSearch(TSGNPanel* panel, const TPortSearchView& view)
{
    if (!panel || !panel->Project())
        return false;
    const auto label = [&](const QString& text) {
        if (view.Label)
            view.Label(text);
    };
    int position = 0;
    const auto progress = [&](int value) {
        position = value;
        if (view.Progress)
            view.Progress(value);
    };
    TSGNPanels& project = *panel->Project();

    QStringList ports;
    GetComPortList(ports);
    const int step = ports.isEmpty() ? 0 : 100 / (2 * ports.size());
    progress(0);
    const int previousPort = project.PortNumber;
    bool found = false;
    for (const QString& entry : ports) {
        const int port = entry.toInt();
        project.PortNumber = port;
        const QString portText = PortSearchPortText(port, panel->BaudRate);
        label(QStringLiteral("Test ") + portText);
        UiHooks::Pump();
        panel->CloseLink();
        if (!panel->OpenLink())
            continue;
        UiHooks::Pump();
        if (!panel->ReadVersion())
            continue;
        progress(position + step);
        UiHooks::Pump();
        if (!panel->ReadHardwareParams() || !panel->ReadZoneLayout())
            continue;
        progress(position + step);
        UiHooks::Pump();
        label(QStringLiteral("Found ") + panel->VersionText + QLatin1Char(' ') + portText);
        panel->CloseLink();
        found = true;
        break;
    }
    progress(100);
    if (!found) {
        label(QStringLiteral("Not Found Panel"));
        project.PortNumber = previousPort;
    }
    panel->CloseLink();
    return found;
}
