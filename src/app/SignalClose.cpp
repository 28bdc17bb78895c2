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
constexpr int closingSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void onSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(wakePipe[1], &byte, 1);
    errno = saved;
}

} // namespace

SignalClose::SignalClose(QWidget& window)
{
    if (pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error("cannot set up the signal handlers: no pipe");
    notifier_ = new QSocketNotifier(wakePipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [&window] {
        char bytes[16];
        while (read(wakePipe[0], bytes, sizeof bytes) > 0) {
        }
        window.close();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : closingSignals)
        sigaction(signal, &action, nullptr);
}

SignalClose::~SignalClose()
{
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    for (int signal : closingSignals)
        sigaction(signal, &action, nullptr);
    close(wakePipe[0]);
    close(wakePipe[1]);
    wakePipe[0] = wakePipe[1] = -1;
}
