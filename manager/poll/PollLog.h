#pragma once

#include <QLoggingCategory>

namespace vimbo {

/// The polling cycle's diagnostics, quiet by default:
/// QT_LOGGING_RULES="vimbo.poll.debug=true" shows each failed cycle.
Q_DECLARE_LOGGING_CATEGORY(pollLog)

}  // namespace vimbo
