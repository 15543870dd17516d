// Entry point: a command-line command when one is named, else the main window.
#include "app/CommandLine.h"
#include "app/LumaxisApplication.h"
#include "app/MainFrm.h"
#include "app/SessionEnd.h"
#include "app/WindowFont.h"

#include <QGuiApplication>

int main(int argc, char** argv)
{
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
