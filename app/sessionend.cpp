#include "sessionend.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace vosk {
namespace {

int pipeEnds[2] = {-1, -1};
constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT, SIGQUIT};

extern "C" void onSessionSignal(int signal)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t n = ::write(pipeEnds[1], &byte, 1);
    errno = saved;
}

} // namespace

void ignoreFileSizeSignal() { std::signal(SIGXFSZ, SIG_IGN); }

SessionEnd::SessionEnd(std::function<void(int)> onSignal, QObject *parent) : QObject(parent), onSignal_(std::move(onSignal))
{
    if (pipeEnds[0] < 0 && ::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    notifier_ = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SessionEnd::readSignals);
    struct sigaction sa {};
    sa.sa_handler = onSessionSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int s : kSignals)
        ::sigaction(s, &sa, nullptr);
}

SessionEnd::~SessionEnd()
{
    for (int s : kSignals)
        std::signal(s, SIG_DFL);
}

void SessionEnd::readSignals()
{
    unsigned char byte = 0;
    int last = 0;
    while (::read(pipeEnds[0], &byte, 1) == 1)
        last = byte;
    // Several signals in a row end the program once.
    if (last && onSignal_) {
        auto call = std::move(onSignal_);
        onSignal_ = nullptr;
        call(last);
    }
}

} // namespace vosk
