#include "support/CardPorts.h"

#include "serial/PortList.h"
#include "vcard/VirtualCard.h"

ScopedEnv::ScopedEnv(const char* name, const QString& value)
    : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name))
{
    qputenv(name, value.toLocal8Bit());
}

ScopedEnv::~ScopedEnv()
{
    if (had_)
        qputenv(name_, old_);
    else
        qunsetenv(name_);
}

ListedPorts::ListedPorts(const QString& ports)
    : extra_(PortList::ExtraPortsVariable, ports),
      noSystem_(PortList::NoSystemPortsVariable, QStringLiteral("1"))
{
}

QString DevicePathOf(const VirtualCard& card)
{
    return QString::fromStdString(card.DevicePath());
}

QString PortEntry(int number, const VirtualCard& card)
{
    return QStringLiteral("COM%1=%2").arg(number).arg(DevicePathOf(card));
}

std::vector<int> RequestedCommands(const VirtualCard& card)
{
    std::vector<int> commands;
    for (const VirtualCardRequest& r : card.Requests())
        commands.push_back(r.Command);
    return commands;
}
