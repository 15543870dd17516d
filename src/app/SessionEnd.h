#pragma once
// Turns the ways a desktop session ends a program (SIGTERM, SIGINT, SIGHUP)
// into one Qt signal on the UI thread, so the main window can close and save
// as Exit does. One instance at a time; it restores the previous signal
// handlers when destroyed.
#include <QObject>

#include <csignal>

class QSocketNotifier;

class TSessionEnd : public QObject
{
    Q_OBJECT
public:
    explicit TSessionEnd(QObject* parent = nullptr);
    ~TSessionEnd() override;

    // False when the self-pipe or the handlers could not be installed.
    bool IsWatching() const { return notifier_ != nullptr; }

Q_SIGNALS:
    // The session is ending; signalNumber is the signal that said so.
    void Ending(int signalNumber);

private:
    void ReadPipe();

    QSocketNotifier* notifier_ = nullptr;
    struct sigaction previous_[3];
    bool installed_[3] = {false, false, false};
};
