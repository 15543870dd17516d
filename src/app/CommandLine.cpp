#include "app/CommandLine.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstring>

// Commands defined in the Cmd*.cpp files.
int RunDump(const QStringList& args);
int RunExport(const QStringList& args);
int RunSend(const QStringList& args);
int RunPorts(const QStringList& args);
int RunSearch(const QStringList& args);
int RunInfo(const QStringList& args);
int RunClear(const QStringList& args);
int RunClock(const QStringList& args);
int RunBrightness(const QStringList& args);
int RunSleep(const QStringList& args);
int RunRender(const QStringList& args);

namespace CommandLine {
namespace {

const Command kCommands[] = {
    {"dump", "FILE.sgn", "print the whole project as JSON", RunDump},
    {"export", "PROJECT.sgn [--panel N] --out DIR",
     "write a panel's program to DIR/led.sd for SD/USB cards", RunExport},
    {"send", "PROJECT.sgn [--panel N] [--port COMn|DEVICE]",
     "send a panel's whole program to its card", RunSend},
    {"ports", "", "list the serial ports: COM name, device path, description", RunPorts},
    {"search", "", "try every listed serial port until a control card answers", RunSearch},
    {"info", "[--port COMn|DEVICE]", "show the card's version, hardware parameters and zones",
     RunInfo},
    {"clear", "[--port COMn|DEVICE]", "erase the card's program", RunClear},
    {"clock", "[--port COMn|DEVICE]", "set the card's clock to this computer's time", RunClock},
    {"brightness", "[--port COMn|DEVICE] [LEVEL]", "read the brightness, or set it (0..15)",
     RunBrightness},
    {"sleep", "[--port COMn|DEVICE] [MODE WAKE SLEEP]",
     "read the sleep schedule, or set it (MODE auto|never, times HH:MM)", RunSleep},
    {"render", "PROJECT.sgn --panel N --item K --out DIR",
     "write a rich-text item's pages as PNG files, one pixel per LED", RunRender},
};

const Command* Find(const char* name)
{
    for (const Command& c : kCommands) {
        if (std::strcmp(c.Name, name) == 0)
            return &c;
    }
    return nullptr;
}

void PrintHelp()
{
    Out(QStringLiteral("Usage: lumaxis [COMMAND [ARGS...]]"));
    Out(QStringLiteral("Without a command, the main window opens."));
    Out(QString());
    Out(QStringLiteral("Commands:"));
    for (const Command& c : kCommands) {
        Out(QStringLiteral("  %1 %2").arg(QLatin1String(c.Name), QLatin1String(c.Usage)));
        Out(QStringLiteral("      %1").arg(QLatin1String(c.Summary)));
    }
    Out(QString());
    Out(QStringLiteral("  --help       show this text"));
    Out(QStringLiteral("  --version    show the program version"));
}

} // namespace

bool IsCommandLine(int argc, char** argv)
{
    if (argc < 2)
        return false;
    const char* first = argv[1];
    return Find(first) || std::strcmp(first, "--help") == 0 || std::strcmp(first, "-h") == 0 ||
           std::strcmp(first, "--version") == 0;
}

int Run(int argc, char** argv)
{
    const char* first = argv[1];
    if (std::strcmp(first, "--help") == 0 || std::strcmp(first, "-h") == 0) {
        PrintHelp();
        return ExitOk;
    }
    if (std::strcmp(first, "--version") == 0) {
        Out(QStringLiteral("lumaxis %1").arg(QLatin1String(LUMAXIS_VERSION)));
        return ExitOk;
    }
    const Command* command = Find(first);
    QStringList args;
    for (int i = 2; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.contains(QStringLiteral("--help"))) {
        Out(QStringLiteral("Usage: lumaxis %1 %2")
                .arg(QLatin1String(command->Name), QLatin1String(command->Usage)));
        Out(QStringLiteral("  %1").arg(QLatin1String(command->Summary)));
        return ExitOk;
    }
    return command->Run(args);
}

void Out(const QString& line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
}

void Err(const QString& line)
{
    std::fputs(line.toUtf8().constData(), stderr);
    std::fputc('\n', stderr);
}

} // namespace CommandLine
