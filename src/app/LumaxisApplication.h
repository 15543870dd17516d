#pragma once
// The application object of the window: an exception that escapes an event
// handler is shown in an error box and the program keeps running.
#include <QApplication>

class TLumaxisApplication : public QApplication
{
public:
    TLumaxisApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};
