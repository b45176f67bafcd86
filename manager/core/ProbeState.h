#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace vimbo {

/// Where a probe stands, for every view: the poller decides it from its
/// cycles, the store from what managers recorded.
enum class ProbeState {
    Waiting,        // no cycle has ended yet
    Answering,      // the last cycle completed
    Lost,           // it answered once, and the last cycle failed
    NeverAnswered,  // no cycle on it has completed
    NotWatched,     // no manager polls it now (the store's view)
};

/// "waiting for the first answer", "answering", "lost since 11:57", "never
/// answered", "not watched since 02:08": the one table of the words. `since`
/// (msecs since the epoch, shown at `utcOffsetSeconds`) goes with Lost and
/// NotWatched; without it they read "lost" and "not watched".
QString probeStateText(ProbeState state, std::optional<std::int64_t> sinceMsecs = std::nullopt,
                       int utcOffsetSeconds = 0);
/// The cycles fail: lost, or never answered.
inline bool isUnanswered(ProbeState state) { return state == ProbeState::Lost || state == ProbeState::NeverAnswered; }

}  // namespace vimbo
