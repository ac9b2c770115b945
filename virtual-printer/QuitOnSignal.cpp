#include "QuitOnSignal.h"

#include <QCoreApplication>

#include <array>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace vprinter {

namespace {

constexpr std::array QuittingSignals = {SIGTERM, SIGINT, SIGHUP};

// A signal handler may only write: the byte wakes the event loop, which does the rest.
int wakeUp[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeUp[1], &byte, 1);
}

void handleSignals(void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : QuittingSignals)
        ::sigaction(signal, &action, nullptr);
}

} // namespace

QuitOnSignal::QuitOnSignal(QObject *parent)
    : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, wakeUp) != 0)
        return; // the signals keep ending the program at once
    m_notifier = std::make_unique<QSocketNotifier>(wakeUp[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &QuitOnSignal::quit);
    handleSignals(onSignal);
}

void QuitOnSignal::quit()
{
    m_notifier->setEnabled(false);
    handleSignals(SIG_DFL); // while the program winds down, another signal ends it
    QCoreApplication::quit();
}

} // namespace vprinter
