#include "app/SignalClose.h"

#include <QSocketNotifier>
#include <QWidget>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace {

int wakePipe[2] = {-1, -1};
volatile std::sig_atomic_t windowTakesThem = 0;
constexpr int closingSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void onSignal(int)
{
    if (!windowTakesThem)
        _exit(0);
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(wakePipe[1], &byte, 1);
    errno = saved;
}

void setHandlers(void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : closingSignals)
        sigaction(signal, &action, nullptr);
}

} // namespace

void SignalClose::catchFromStart()
{
    if (wakePipe[0] < 0 && pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error("cannot set up the signal handlers: no pipe");
    setHandlers(onSignal);
    sigset_t closing;
    sigemptyset(&closing);
    for (int signal : closingSignals)
        sigaddset(&closing, signal);
    sigprocmask(SIG_UNBLOCK, &closing, nullptr);
}

void SignalClose::leaveToDefault()
{
    setHandlers(SIG_DFL);
}

SignalClose::SignalClose(QWidget& window)
{
    catchFromStart();
    notifier_ = new QSocketNotifier(wakePipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [&window] {
        char bytes[16];
        while (read(wakePipe[0], bytes, sizeof bytes) > 0) {
        }
        window.close();
    });
    windowTakesThem = 1;
}

SignalClose::~SignalClose()
{
    windowTakesThem = 0;
}
