#pragma once

#include <QString>

#include <functional>

class QCoreApplication;

namespace vimbo {

class ConsoleCore;

/// Polls and records the core's probes with no window until SIGTERM or
/// SIGINT, then ends every watch cleanly. Each probe's rises, clears, losses
/// and returns go to `log` one line each, as the wall would tell them.
/// The exit status: 0 after a signal, 1 when the signals cannot be caught.
int runHeadless(QCoreApplication& app, ConsoleCore& core, const std::function<void(const QString&)>& log);

}  // namespace vimbo
