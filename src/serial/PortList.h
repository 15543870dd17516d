#pragma once
// The serial ports of this computer, each under a COM name whose digits
// after "COM" are its port number, and the device each number stands for.
//
// Numbers (stable across runs and replugging as far as the names allow):
// - on-board UART ttyS<n>: COM<n+1> (n < 64), the usual COM1 = ttyS0;
// - every other device (USB adapters ttyUSB/ttyACM, other UARTs):
//   100 + (FNV-1a hash of its stable name) mod 800, so 100..899, where the
//   stable name is its /dev/serial/by-id link (maker, model and serial
//   number) or, without one, the kernel name; a clash moves the later one
//   (in stable-name order) to the next free number;
// - ports added by LUMAXIS_EXTRA_PORTS ("COM7=/dev/pts/5:COM8=/path") keep
//   the number they are given and hide a system device with that number;
// - devices registered at run time by path (RegisterDevice): the first free
//   number from 900 up.
// Only real devices are listed: a tty with a hardware device behind it, and
// for UARTs one the driver reports a real type for (no phantom ttyS nodes).
// The UI thread calls these; the environment is read on every call.
#include <QString>
#include <cstdint>
#include <set>
#include <vector>

struct TSerialPortInfo
{
    QString Name;        // "COM3"
    int Number = 0;      // 3
    QString DevicePath;  // "/dev/ttyUSB0"
    QString Description; // what the device is, for listings
    QString Problem;     // why the user may not open it (empty when they may)
};

namespace PortList {

inline constexpr const char* ExtraPortsVariable = "LUMAXIS_EXTRA_PORTS";
// Set to 1, the system's own devices are not listed (only the extra and
// registered ports), so tests and demonstrations never touch a real line.
inline constexpr const char* NoSystemPortsVariable = "LUMAXIS_NO_SYSTEM_PORTS";
inline constexpr int FirstHashedNumber = 100;
inline constexpr int HashedNumbers = 800;
inline constexpr int FirstRegisteredNumber = 900;

// Every listed port: system devices by number, then the extra ports in the
// order the variable names them, then registered devices.
std::vector<TSerialPortInfo> ListPorts();
// The device path of port `number`; empty when no listed port has it.
QString DevicePathOf(int number);
// The number of the listed port whose device is `path` (same file), or a
// new number for it from 900 up, kept for the rest of the run; 0 when all
// are taken.
int RegisterDevice(const QString& path);
// A --port argument: "COMn" (any case, n in 1..1024) or a device path
// (registered as above). The port number, or 0 with the reason in *error.
int ResolvePortArgument(const QString& argument, QString* error);

// The per-system hook (PortListLinux.cpp): one entry per real serial
// device, in no particular order.
struct TSystemDevice
{
    QString DevicePath;  // /dev/ttyUSB0
    QString KernelName;  // ttyUSB0
    QString StableName;  // by-id link name, or the kernel name
    int FixedNumber = 0; // a number the system's naming gives (ttyS), else 0
    QString Description;
    QString Problem; // set when the user may not open it
};
std::vector<TSystemDevice> SystemDevices();

// Why the user may not open `devicePath` (permission denied: which group
// to join, or that only its owner may); for the log and the command line.
QString PermissionHint(const QString& devicePath);
// Empty when the user may open the device for reading and writing, else
// the reason (PermissionHint for EACCES).
QString AccessProblem(const QString& devicePath);

// The numbering rule above for a set of system devices, `reserved` being
// the numbers the extra ports take: sorted by number.
std::vector<TSerialPortInfo> AssignNumbers(std::vector<TSystemDevice> devices,
                                           const std::set<int>& reserved);

// FNV-1a 32-bit hash of the UTF-8 bytes, the base of hashed numbers.
uint32_t StableHash(const QString& name);

} // namespace PortList
