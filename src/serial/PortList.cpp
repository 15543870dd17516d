#include "serial/PortList.h"

#include "serial/CnComm.h"
#include "serial/DiagnosticLog.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <mutex>
#include <set>

namespace PortList {
namespace {

struct Registered
{
    int Number;
    QString Path;
};

std::mutex& RegistryMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::vector<Registered>& Registry()
{
    static std::vector<Registered> registry;
    return registry;
}

// Listing runs on every open; a problem with the list is logged once a run.
void Warn(const QString& line)
{
    static std::mutex mutex;
    static std::set<QString> logged;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!logged.insert(line).second)
            return;
    }
    DiagnosticLog::Append(line);
}

// "COM12" -> 12; 0 when the text is not COM and a number in 1..1024.
int ParseComName(const QString& text)
{
    static const QRegularExpression re(QStringLiteral("^COM([0-9]{1,4})$"),
                                       QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = re.match(text.trimmed());
    if (!m.hasMatch())
        return 0;
    const int n = m.captured(1).toInt();
    return n >= 1 && n <= static_cast<int>(CnComm::MaxPortNumber) ? n : 0;
}

QString ComName(int number)
{
    return QStringLiteral("COM%1").arg(number);
}

QString Canonical(const QString& path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

// Entries of LUMAXIS_EXTRA_PORTS; malformed ones are logged and skipped.
std::vector<TSerialPortInfo> ExtraPorts()
{
    std::vector<TSerialPortInfo> ports;
    const QString value = qEnvironmentVariable(ExtraPortsVariable);
    std::set<int> seen;
    for (const QString& entry : value.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        const int eq = entry.indexOf(QLatin1Char('='));
        const int number = eq > 0 ? ParseComName(entry.left(eq)) : 0;
        const QString path = eq > 0 ? entry.mid(eq + 1).trimmed() : QString();
        if (number == 0 || path.isEmpty() || seen.count(number)) {
            Warn(QStringLiteral("%1: ignored entry \"%2\" (expected COMn=PATH, "
                                "n in 1..1024, each number once)")
                     .arg(QLatin1String(ExtraPortsVariable), entry));
            continue;
        }
        seen.insert(number);
        TSerialPortInfo port;
        port.Name = ComName(number);
        port.Number = number;
        port.DevicePath = path;
        port.Description = QStringLiteral("added by %1").arg(QLatin1String(ExtraPortsVariable));
        port.Problem =
            QFileInfo::exists(path) ? AccessProblem(path) : QStringLiteral("no such device");
        ports.push_back(port);
    }
    return ports;
}

} // namespace

// Fixed numbers first, hashed ones in stable-name order so that a clash
// resolves the same way every run.
std::vector<TSerialPortInfo> AssignNumbers(std::vector<TSystemDevice> devices,
                                           const std::set<int>& reserved)
{
    std::sort(devices.begin(), devices.end(), [](const TSystemDevice& a, const TSystemDevice& b) {
        return a.StableName < b.StableName;
    });
    std::set<int> used;
    std::vector<TSerialPortInfo> ports;
    auto add = [&](const TSystemDevice& d, int number) {
        used.insert(number);
        TSerialPortInfo port;
        port.Name = ComName(number);
        port.Number = number;
        port.DevicePath = d.DevicePath;
        port.Description = d.Description;
        port.Problem = d.Problem;
        ports.push_back(port);
    };
    for (const TSystemDevice& d : devices) {
        if (d.FixedNumber > 0 && !used.count(d.FixedNumber))
            add(d, d.FixedNumber);
    }
    for (const TSystemDevice& d : devices) {
        if (d.FixedNumber > 0 && std::any_of(ports.begin(), ports.end(), [&](const auto& p) {
                return p.DevicePath == d.DevicePath;
            }))
            continue;
        const int base = static_cast<int>(StableHash(d.StableName) % HashedNumbers);
        for (int i = 0; i < HashedNumbers; ++i) {
            const int number = FirstHashedNumber + (base + i) % HashedNumbers;
            if (!used.count(number) && !reserved.count(number)) {
                add(d, number);
                break;
            }
        }
    }
    // A port given by LUMAXIS_EXTRA_PORTS wins over a system device with its number.
    ports.erase(
        std::remove_if(ports.begin(), ports.end(),
                       [&](const TSerialPortInfo& p) {
                           if (!reserved.count(p.Number))
                               return false;
                           Warn(QStringLiteral("%1 (%2) is hidden: %3 gives %1 to another "
                                               "device")
                                    .arg(p.Name, p.DevicePath, QLatin1String(ExtraPortsVariable)));
                           return true;
                       }),
        ports.end());
    std::sort(ports.begin(), ports.end(), [](const TSerialPortInfo& a, const TSerialPortInfo& b) {
        return a.Number < b.Number;
    });
    return ports;
}

uint32_t StableHash(const QString& name)
{
    uint32_t h = 2166136261u;
    for (const char c : name.toUtf8()) {
        h ^= static_cast<uint8_t>(c);
        h *= 16777619u;
    }
    return h;
}

std::vector<TSerialPortInfo> ListPorts()
{
    std::vector<TSerialPortInfo> extra = ExtraPorts();
    std::set<int> reserved;
    for (const TSerialPortInfo& p : extra)
        reserved.insert(p.Number);
    std::vector<TSerialPortInfo> ports;
    if (qEnvironmentVariableIntValue(NoSystemPortsVariable) != 1)
        ports = AssignNumbers(SystemDevices(), reserved);
    ports.insert(ports.end(), extra.begin(), extra.end());

    std::lock_guard<std::mutex> lock(RegistryMutex());
    for (const Registered& r : Registry()) {
        const bool taken = std::any_of(ports.begin(), ports.end(), [&](const TSerialPortInfo& p) {
            return p.Number == r.Number;
        });
        if (taken)
            continue;
        TSerialPortInfo port;
        port.Name = ComName(r.Number);
        port.Number = r.Number;
        port.DevicePath = r.Path;
        port.Description = QStringLiteral("given on the command line");
        ports.push_back(port);
    }
    return ports;
}

QString DevicePathOf(int number)
{
    for (const TSerialPortInfo& p : ListPorts()) {
        if (p.Number == number)
            return p.DevicePath;
    }
    return QString();
}

int RegisterDevice(const QString& path)
{
    const QString wanted = Canonical(path);
    const std::vector<TSerialPortInfo> ports = ListPorts();
    for (const TSerialPortInfo& p : ports) {
        if (Canonical(p.DevicePath) == wanted)
            return p.Number;
    }
    std::lock_guard<std::mutex> lock(RegistryMutex());
    for (int n = FirstRegisteredNumber; n <= static_cast<int>(CnComm::MaxPortNumber); ++n) {
        const bool taken =
            std::any_of(ports.begin(), ports.end(), [n](const auto& p) { return p.Number == n; }) ||
            std::any_of(Registry().begin(), Registry().end(),
                        [n](const Registered& r) { return r.Number == n; });
        if (!taken) {
            Registry().push_back({n, path});
            return n;
        }
    }
    return 0;
}

int ResolvePortArgument(const QString& argument, QString* error)
{
    if (argument.startsWith(QLatin1String("COM"), Qt::CaseInsensitive) &&
        !argument.contains(QLatin1Char('/'))) {
        const int number = ParseComName(argument);
        if (number == 0)
            *error = QStringLiteral("%1: expected COMn with n in 1..1024").arg(argument);
        return number;
    }
    if (!argument.contains(QLatin1Char('/'))) {
        *error = QStringLiteral("%1: expected COMn or a device path").arg(argument);
        return 0;
    }
    if (!QFileInfo::exists(argument)) {
        *error = QStringLiteral("%1: no such device").arg(argument);
        return 0;
    }
    const int number = RegisterDevice(argument);
    if (number == 0)
        *error = QStringLiteral("%1: no free port number left").arg(argument);
    return number;
}

} // namespace PortList
