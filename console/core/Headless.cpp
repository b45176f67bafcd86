#include "Headless.h"

#include "ConsoleCore.h"
#include "TermSignals.h"
#include "core/Notifier.h"

#include <QCoreApplication>

#include <csignal>

namespace vimbo {

int runHeadless(QCoreApplication& app, ConsoleCore& core, const std::function<void(const QString&)>& log)
{
    int received = 0;
    TermSignals termSignals([&](int signal) {
        received = signal;
        app.quit();
    });
    if (!termSignals.ok()) {
        log(QStringLiteral("SIGTERM cannot be caught; not starting, so that no watch is left open"));
        return 1;
    }
    core.start();
    QCoreApplication::exec();
    const std::size_t count = core.probes().size();
    core.stop();
    log(QStringLiteral("%1: the watch of %2 probes ended")
            .arg(received == SIGINT ? QStringLiteral("SIGINT") : QStringLiteral("SIGTERM"))
            .arg(count));
    return 0;
}

}  // namespace vimbo
