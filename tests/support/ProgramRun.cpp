#include "support/ProgramRun.h"

#include "serial/PortList.h"

#include <gtest/gtest.h>

QString LumaxisProgram()
{
    return QStringLiteral(LUMAXIS_BINARY_DIR "/src/lumaxis");
}

QString VcardProgram()
{
    return QStringLiteral(LUMAXIS_BINARY_DIR "/src/lumaxis-vcard");
}

ProgramRun RunProgram(const QString& program, const QStringList& args, const QString& extraPorts,
                      int timeoutMs)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // The test's own ports only: a real line on the machine is never touched.
    env.insert(QLatin1String(PortList::NoSystemPortsVariable), QStringLiteral("1"));
    if (extraPorts.isEmpty())
        env.remove(QLatin1String(PortList::ExtraPortsVariable));
    else
        env.insert(QLatin1String(PortList::ExtraPortsVariable), extraPorts);
    p.setProcessEnvironment(env);
    p.start(program, args);
    ProgramRun r;
    if (!p.waitForFinished(timeoutMs)) {
        ADD_FAILURE() << program.toStdString() << " " << args.join(' ').toStdString()
                      << " did not finish within " << timeoutMs << " ms";
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.ExitCode = p.exitCode();
    r.Out = QString::fromUtf8(p.readAllStandardOutput());
    r.Err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

ProgramRun RunLumaxis(const QStringList& args, const QString& extraPorts)
{
    return RunProgram(LumaxisProgram(), args, extraPorts);
}

QString StartVcardProgram(QProcess& vcard, const QStringList& args)
{
    vcard.start(VcardProgram(), args);
    if (!vcard.waitForStarted() || !vcard.waitForReadyRead(5000))
        return QString();
    return QString::fromUtf8(vcard.readLine()).trimmed();
}
