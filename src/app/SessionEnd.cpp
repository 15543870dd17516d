#include "app/SessionEnd.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The handler may only do async-signal-safe work: it writes the signal
// number into the pipe and the UI thread reads it from there.
int pipeFds[2] = {-1, -1};

const int kSignals[3] = {SIGTERM, SIGINT, SIGHUP};

void OnSignal(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // A full pipe already holds a pending notice; losing this one is fine.
    [[maybe_unused]] ssize_t n = ::write(pipeFds[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

TSessionEnd::TSessionEnd(QObject* parent) : QObject(parent)
{
    if (pipeFds[0] >= 0) {
        std::fprintf(stderr, "lumaxis: session end is already watched\n");
        return;
    }
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, pipeFds) != 0) {
        std::fprintf(stderr, "lumaxis: cannot watch for session end: %s\n", std::strerror(errno));
        pipeFds[0] = pipeFds[1] = -1;
        return;
    }
    for (int i = 0; i < 3; ++i) {
        struct sigaction action;
        std::memset(&action, 0, sizeof action);
        action.sa_handler = OnSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        installed_[i] = ::sigaction(kSignals[i], &action, &previous_[i]) == 0;
    }
    notifier_ = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TSessionEnd::ReadPipe);
}

TSessionEnd::~TSessionEnd()
{
    if (!notifier_)
        return;
    for (int i = 0; i < 3; ++i) {
        if (installed_[i])
            ::sigaction(kSignals[i], &previous_[i], nullptr);
    }
    delete notifier_;
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    pipeFds[0] = pipeFds[1] = -1;
}

void TSessionEnd::ReadPipe()
{
    unsigned char bytes[16];
    const ssize_t n = ::read(pipeFds[0], bytes, sizeof bytes);
    // Several signals in a row end the session once.
    if (n > 0)
        Q_EMIT Ending(bytes[0]);
}
