#pragma once
// The command-line commands of lumaxis ("lumaxis dump FILE", ...). Each
// command lives in its own Cmd*.cpp and is listed in CommandLine.cpp.
#include <QStringList>

namespace CommandLine {

// Exit codes shared by every command.
constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;   // the card did not acknowledge or could not be reached
constexpr int ExitBadInput = 2; // wrong arguments, or a file that cannot be read

struct Command
{
    const char* Name;
    const char* Usage;                   // arguments after the name
    const char* Summary;                 // one line for --help
    int (*Run)(const QStringList& args); // args after the command name
};

// True when argv names a command-line command or --help / --version, so
// that main starts no window.
bool IsCommandLine(int argc, char** argv);
// Runs it and returns the exit code.
int Run(int argc, char** argv);

// Helpers for commands: print to stdout / stderr as UTF-8 lines.
void Out(const QString& line);
void Err(const QString& line);

} // namespace CommandLine
