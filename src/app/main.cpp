// Entry point: a command-line command when one is named, else the main window.
#include "app/CommandLine.h"

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
    QGuiApplication app(argc, argv);
    return 0;
}
