#include "TermSignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vimbo {

namespace {

// The one piece of state a signal handler may reach: the pipe's write end.
volatile std::sig_atomic_t g_writeEnd = -1;
int g_readEnd = -1;
struct sigaction g_termBefore{}, g_intBefore{};

void onSignal(int signal)
{
    const unsigned char number = static_cast<unsigned char>(signal);
    if (g_writeEnd >= 0)
        [[maybe_unused]] const auto written = ::write(g_writeEnd, &number, 1);
}

}  // namespace

TermSignals::TermSignals(std::function<void(int)> received) : m_received(std::move(received))
{
    int ends[2];
    if (g_writeEnd >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends) != 0)
        return;
    g_readEnd = ends[0];
    g_writeEnd = ends[1];
    struct sigaction action{};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    if (::sigaction(SIGTERM, &action, &g_termBefore) != 0 || ::sigaction(SIGINT, &action, &g_intBefore) != 0)
        return;
    m_notifier = new QSocketNotifier(g_readEnd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        unsigned char number = 0;
        while (::read(g_readEnd, &number, 1) == 1)
            if (m_received)
                m_received(number);
    });
    m_ok = true;
}

TermSignals::~TermSignals()
{
    if (g_readEnd < 0)
        return;
    ::sigaction(SIGTERM, &g_termBefore, nullptr);
    ::sigaction(SIGINT, &g_intBefore, nullptr);
    delete m_notifier;
    const int writeEnd = g_writeEnd;
    g_writeEnd = -1;
    ::close(writeEnd);
    ::close(g_readEnd);
    g_readEnd = -1;
}

}  // namespace vimbo
