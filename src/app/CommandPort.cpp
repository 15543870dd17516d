#include "app/CommandPort.h"

#include "app/CommandLine.h"
#include "items/SGNSendMsg.h"
#include "serial/CnComm.h"
#include "serial/PortList.h"
#include "serial/UiHooks.h"

#include <QCoreApplication>

bool TakePortOption(QStringList& args, int* portNumber)
{
    for (int i = 0; i < args.size(); ++i) {
        QString value;
        if (args[i] == QLatin1String("--port")) {
            if (i + 1 >= args.size()) {
                CommandLine::Err(QStringLiteral("--port needs a value: COMn or a device path"));
                return false;
            }
            value = args[i + 1];
            args.remove(i, 2);
        } else if (args[i].startsWith(QLatin1String("--port="))) {
            value = args[i].mid(7);
            args.removeAt(i);
        } else {
            continue;
        }
        QString error;
        const int port = PortList::ResolvePortArgument(value, &error);
        if (port <= 0) {
            CommandLine::Err(QStringLiteral("bad --port %1: %2").arg(value, error));
            return false;
        }
        *portNumber = port;
        --i;
    }
    return true;
}

QString PortDescription(int portNumber)
{
    const QString device = PortList::DevicePathOf(portNumber);
    return QStringLiteral("COM%1%2")
        .arg(portNumber)
        .arg(device.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(device));
}

QString OpenFailureText(const TSGNPanel& panel)
{
    const QString why = panel.Link->LastErrorText();
    return QStringLiteral("cannot open %1%2")
        .arg(PortDescription(panel.PortNumber()),
             why.isEmpty() ? QString() : QStringLiteral(": ") + why);
}

QString TransactOutcomeText(TSGNPanel::TransactOutcome outcome)
{
    switch (outcome) {
    case TSGNPanel::TransactOutcome::Acknowledged:
        return QStringLiteral("acknowledged");
    case TSGNPanel::TransactOutcome::NoReply:
        return QStringLiteral("no reply from the card");
    case TSGNPanel::TransactOutcome::Foreign:
        return QStringLiteral("the reply holds no frame start (another device or line speed?)");
    case TSGNPanel::TransactOutcome::BadChecksum:
        return QStringLiteral("the reply was damaged (bad checksum or end byte)");
    case TSGNPanel::TransactOutcome::Rejected:
        return QStringLiteral("the card did not accept the command");
    }
    return QString();
}

TCommandHooks::TCommandHooks()
{
    UiHooks::SetPump([] { QCoreApplication::processEvents(); });
    UiHooks::SetNotifier([](const QString& message) { CommandLine::Err(message); });
}

TCommandHooks::~TCommandHooks()
{
    UiHooks::SetPump(nullptr);
    UiHooks::SetNotifier(nullptr);
}
