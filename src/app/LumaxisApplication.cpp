#include "app/LumaxisApplication.h"

#include <QMessageBox>

#include <cstdio>
#include <exception>

TLumaxisApplication::TLumaxisApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TLumaxisApplication::notify(QObject* receiver, QEvent* event)
{
    // Qt cannot carry an exception through its event loop, so it is caught
    // here, at the edge of the handler that raised it.
    QString what;
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        what = QString::fromLocal8Bit(e.what());
    } catch (...) {
    }
    std::fprintf(stderr, "lumaxis: unhandled exception: %s\n", what.toLocal8Bit().constData());
    QMessageBox::critical(nullptr, applicationName(), what);
    return false;
}
