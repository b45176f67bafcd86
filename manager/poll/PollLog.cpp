#include "PollLog.h"

namespace vimbo {

Q_LOGGING_CATEGORY(pollLog, "vimbo.poll", QtWarningMsg)

}  // namespace vimbo
