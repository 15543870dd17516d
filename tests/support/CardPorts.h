#pragma once
// Serial ports as a test lists them: environment settings that last for a
// scope, virtual control cards as port entries, and what a card was asked.
#include <QByteArray>
#include <QString>
#include <vector>

class VirtualCard;

// Sets an environment variable for the life of the object, then restores
// what was there.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const QString& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

// Lists exactly the given ports ("COM3=/dev/pts/4:COM5=/dev/pts/6") and no
// system device while it lives; an empty list lists none.
class ListedPorts
{
public:
    explicit ListedPorts(const QString& ports);

private:
    ScopedEnv extra_;
    ScopedEnv noSystem_;
};

// The card's pseudo-terminal.
QString DevicePathOf(const VirtualCard& card);
// The card as the port list entry "COMnumber=/dev/pts/N".
QString PortEntry(int number, const VirtualCard& card);
// The command codes the card received, in order.
std::vector<int> RequestedCommands(const VirtualCard& card);
