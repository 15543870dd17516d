// The system's serial devices on Linux, from /sys/class/tty: only ttys with
// a hardware device behind them; UARTs only when the driver knows a real
// chip there (the kernel creates ttyS nodes for ports that do not exist).
#include "serial/PortList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace PortList {
namespace {

const QString kSysTty = QStringLiteral("/sys/class/tty");
const QString kById = QStringLiteral("/dev/serial/by-id");

QString ReadLine(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.readLine()).trimmed();
}

QString UartTypeName(int type)
{
    switch (type) {
    case PORT_8250:
        return QStringLiteral("8250");
    case PORT_16450:
        return QStringLiteral("16450");
    case PORT_16550:
        return QStringLiteral("16550");
    case PORT_16550A:
        return QStringLiteral("16550A");
    case PORT_16650:
        return QStringLiteral("16650");
    case PORT_16750:
        return QStringLiteral("16750");
    case PORT_16850:
        return QStringLiteral("16850");
    default:
        return QStringLiteral("type %1").arg(type);
    }
}

// The UART type the driver reports: from sysfs when it has the attribute,
// else from TIOCGSERIAL. -1 when neither says (not a serial-core port);
// 0 (PORT_UNKNOWN) for a node with no chip behind it.
int UartType(const QString& kernelName, const QString& devicePath)
{
    bool ok = false;
    const int fromSys =
        ReadLine(kSysTty + QLatin1Char('/') + kernelName + QStringLiteral("/type")).toInt(&ok);
    if (ok)
        return fromSys;
    const int fd = open(devicePath.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    serial_struct info{};
    const int type = ioctl(fd, TIOCGSERIAL, &info) == 0 ? info.type : -1;
    close(fd);
    return type;
}

// Walks up from the tty's device to the USB device that has the maker and
// product strings.
QString UsbDescription(const QString& deviceDir)
{
    QDir dir(QFileInfo(deviceDir).canonicalFilePath());
    for (int i = 0; i < 5 && !dir.isRoot(); ++i) {
        if (QFileInfo::exists(dir.filePath(QStringLiteral("idVendor")))) {
            const QString vendor = ReadLine(dir.filePath(QStringLiteral("idVendor")));
            const QString product = ReadLine(dir.filePath(QStringLiteral("idProduct")));
            const QString maker = ReadLine(dir.filePath(QStringLiteral("manufacturer")));
            const QString name = ReadLine(dir.filePath(QStringLiteral("product")));
            QString text = QStringLiteral("USB serial adapter");
            if (!maker.isEmpty() || !name.isEmpty())
                text += QStringLiteral(" %1").arg(
                    QStringList{maker, name}.join(QLatin1Char(' ')).trimmed());
            return text + QStringLiteral(" [%1:%2]").arg(vendor, product);
        }
        if (!dir.cdUp())
            break;
    }
    return QStringLiteral("USB serial adapter");
}

QHash<QString, QString> ByIdNames()
{
    QHash<QString, QString> names; // kernel name -> by-id link name
    const QDir dir(kById);
    for (const QFileInfo& link :
         dir.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        const QString target = link.canonicalFilePath();
        if (!target.isEmpty())
            names.insert(QFileInfo(target).fileName(), link.fileName());
    }
    return names;
}

} // namespace

QString PermissionHint(const QString& devicePath)
{
    const QByteArray path = devicePath.toLocal8Bit();
    struct stat st
    {
    };
    if (stat(path.constData(), &st) != 0)
        return QStringLiteral("permission denied");
    const struct group* g = getgrgid(st.st_gid);
    const QString owner = g ? QString::fromLocal8Bit(g->gr_name) : QString::number(st.st_gid);
    if ((st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP) && st.st_gid != 0)
        return QStringLiteral("permission denied: the user is not in group %1; add the user to it "
                              "(sudo adduser $USER %1) and log in again")
            .arg(owner);
    return QStringLiteral("permission denied: mode %1 lets only its owner open it")
        .arg(st.st_mode & 0777, 4, 8, QLatin1Char('0'));
}

QString AccessProblem(const QString& devicePath)
{
    if (access(devicePath.toLocal8Bit().constData(), R_OK | W_OK) == 0)
        return QString();
    const int error = errno;
    if (error == EACCES)
        return PermissionHint(devicePath);
    return QString::fromLocal8Bit(strerror(error));
}

std::vector<TSystemDevice> SystemDevices()
{
    static const QRegularExpression onBoard(QStringLiteral("^ttyS([0-9]+)$"));
    const QHash<QString, QString> byId = ByIdNames();
    std::vector<TSystemDevice> devices;
    const QDir sys(kSysTty);
    for (const QString& kernelName :
         sys.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System)) {
        const QString deviceDir = sys.filePath(kernelName + QStringLiteral("/device"));
        // Virtual terminals, pseudo-terminals and the console have no device.
        if (!QFileInfo::exists(deviceDir))
            continue;
        const QString devicePath = QStringLiteral("/dev/") + kernelName;
        if (!QFileInfo::exists(devicePath))
            continue;
        TSystemDevice d;
        d.DevicePath = devicePath;
        d.KernelName = kernelName;
        d.StableName = byId.value(kernelName, kernelName);
        const QString subsystem =
            QFileInfo(QFileInfo(deviceDir + QStringLiteral("/subsystem")).canonicalFilePath())
                .fileName();
        const bool usb = kernelName.startsWith(QLatin1String("ttyUSB")) ||
                         kernelName.startsWith(QLatin1String("ttyACM")) ||
                         subsystem.startsWith(QLatin1String("usb"));
        if (usb) {
            d.Description = UsbDescription(deviceDir);
        } else {
            const int type = UartType(kernelName, devicePath);
            if (type == PORT_UNKNOWN)
                continue; // a node the driver made for a port that is not there
            d.Description = type > 0 ? QStringLiteral("on-board UART (%1)").arg(UartTypeName(type))
                                     : QStringLiteral("serial device");
        }
        const QRegularExpressionMatch m = onBoard.match(kernelName);
        if (m.hasMatch() && m.captured(1).toInt() < 64)
            d.FixedNumber = m.captured(1).toInt() + 1;
        d.Problem = AccessProblem(devicePath);
        devices.push_back(d);
    }
    return devices;
}

} // namespace PortList
