#include "app/SignalExit.h"

#include <QObject>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace zovt::signalexit {

namespace {

int g_pipe[2] = {-1, -1};
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

extern "C" void onSignal(int sig)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(sig);
    // Nothing else is safe here; a full pipe already holds a signal to act on.
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

// A logout sends SIGTERM and SIGHUP together, and a shutdown repeats its
// SIGTERM: those must not cut the closing path short (its end texts take a
// few seconds). Only an operator's second Ctrl+C ends at once.
void afterTheFirst()
{
    std::signal(SIGTERM, SIG_IGN);
    std::signal(SIGHUP, SIG_IGN);
    std::signal(SIGINT, SIG_DFL);
}

} // namespace

bool install()
{
    if (g_pipe[0] >= 0)
        return true;
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : kSignals)
        ::sigaction(sig, &sa, nullptr);
    return true;
}

void watch(QObject *context, std::function<void(int signal)> end)
{
    if (g_pipe[0] < 0)
        return;
    auto *notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [notifier, end = std::move(end)] {
        unsigned char byte = 0;
        if (::read(g_pipe[0], &byte, 1) != 1)
            return;
        notifier->setEnabled(false);
        afterTheFirst();
        end(byte);
    });
}

} // namespace zovt::signalexit
