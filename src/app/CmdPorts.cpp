// lumaxis ports: the serial ports this computer has, under the COM names
// and numbers the project's port number refers to.
#include "app/CommandLine.h"
#include "serial/DiagnosticLog.h"
#include "serial/PortList.h"

int RunPorts(const QStringList& args)
{
    if (!args.isEmpty()) {
        CommandLine::Err(QStringLiteral("ports takes no arguments"));
        return CommandLine::ExitBadInput;
    }
    const int logged = DiagnosticLog::Lines().size();
    const std::vector<TSerialPortInfo> ports = PortList::ListPorts();
    if (ports.empty())
        CommandLine::Out(QStringLiteral("No serial port found."));
    for (const TSerialPortInfo& port : ports) {
        CommandLine::Out(
            QStringLiteral("%1\t%2\t%3").arg(port.Name, port.DevicePath, port.Description));
        if (!port.Problem.isEmpty())
            DiagnosticLog::Append(
                QStringLiteral("%1 (%2): %3").arg(port.Name, port.DevicePath, port.Problem));
    }
    // What the listing found wrong (unusable devices, ignored entries) goes
    // to stderr as the log records it.
    const QStringList lines = DiagnosticLog::Lines();
    for (int i = logged; i < lines.size(); ++i)
        CommandLine::Err(lines[i]);
    return CommandLine::ExitOk;
}
