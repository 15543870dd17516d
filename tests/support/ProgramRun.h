#pragma once
// Runs the built programs (lumaxis, lumaxis-vcard) as a user would, for the
// tests that check what they print and how they exit.
#include <QProcess>
#include <QString>
#include <QStringList>

// What a program run printed and how it exited; ExitCode stays -1 when it
// did not finish in time.
struct ProgramRun
{
    int ExitCode = -1;
    QString Out;
    QString Err;
};

QString LumaxisProgram();
QString VcardProgram();

// Runs program with args on the offscreen platform, with no system serial
// device listed (and the ports of extraPorts, "COM3=/dev/pts/4:...", when
// given), and waits for it to end; a program still running after timeoutMs
// is killed and the test fails.
ProgramRun RunProgram(const QString& program, const QStringList& args,
                      const QString& extraPorts = QString(), int timeoutMs = 60000);
ProgramRun RunLumaxis(const QStringList& args, const QString& extraPorts = QString());

// Starts the lumaxis-vcard program with args in vcard and returns the
// device path it prints first; empty when it did not start or print one.
QString StartVcardProgram(QProcess& vcard, const QStringList& args = {});
