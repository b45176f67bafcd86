#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMetaObject>
#include <QObject>
#include <QTimer>

namespace vimbo::test {

/// Runs the event loop until `busy()` turns false, or `timeoutMs` pass; whether it did.
/// Replies from the request worker wake the loop, so nothing sleeps between them.
template <typename Busy>
bool runUntilIdle(Busy busy, int timeoutMs = 30000)
{
    const QDeadlineTimer deadline(timeoutMs);
    QTimer wake;  // the deadline is looked at even when no reply comes
    wake.start(20);
    while (busy()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

/// Fires the named timer of `owner` now, through its own timeout signal, so
/// that what it drives runs as the timer would run it.
inline bool fireTimer(QObject& owner, const char* name)
{
    QTimer* timer = owner.findChild<QTimer*>(QLatin1String(name));
    return timer && QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
}

/// A polling tick of the main window now.
inline bool pollTick(QObject& window) { return fireTimer(window, "tmrVimboPollingAlarms"); }

/// One polling tick of `window`, and its cycle waited for through the event loop.
template <typename Window>
bool pollCycle(Window& window, int timeoutMs = 30000)
{
    if (!pollTick(window))
        return false;
    return runUntilIdle([&] { return window.cycleRunning(); }, timeoutMs);
}

}  // namespace vimbo::test
