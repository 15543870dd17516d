// Entry point: a command-line command when one is named, else the main window.
#include "app/CommandLine.h"
#include "app/LumaxisApplication.h"
#include "app/MainFrm.h"
#include "app/SessionEnd.h"
#include "app/WindowFont.h"

#include <QDir>
#include <QGuiApplication>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Without a desktop session (ssh, cron, CI) there is no XDG_RUNTIME_DIR and Qt
// warns on every command; give it the private directory it would fall back to.
void EnsureRuntimeDir()
{
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return;
    const QByteArray dir =
        QDir::tempPath().toLocal8Bit() + "/runtime-" + QByteArray::number(getuid());
    struct stat info;
    if (mkdir(dir.constData(), 0700) != 0 && stat(dir.constData(), &info) != 0)
        return;
    if (stat(dir.constData(), &info) == 0 && info.st_uid == getuid() && (info.st_mode & 0077) == 0)
        qputenv("XDG_RUNTIME_DIR", dir);
}

} // namespace

int main(int argc, char** argv)
{
    EnsureRuntimeDir();
    if (CommandLine::IsCommandLine(argc, argv)) {
        // Commands render text and pictures but never show a window.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        return CommandLine::Run(argc, argv);
    }
    TLumaxisApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Lumaxis"));
    WindowFont::Install(app);

    TMainForm form;
    TSessionEnd sessionEnd;
    QObject::connect(&sessionEnd, &TSessionEnd::Ending, &form, &TMainForm::EndSession);
    form.show();
    return app.exec();
}
