#pragma once

#include "core/PollTransport.h"
#include "core/Slots.h"
#include "poll/ProbePoller.h"
#include "store/HistoryStore.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace vimbo {

class Clock;
class HistoryRecorder;

/// Turns what the poller finds into the journal: alarm and warning rises and
/// clears by slot with the cycle's values, the probe lost, back or never
/// answering, a change of agent, and the outcome of a configuration write.
/// It also knows the probe's state for the window. Without a recorder it
/// keeps the state and records nothing.
class Journal {
public:
    Journal(const Clock& clock, HistoryRecorder* recorder = nullptr);

    HistoryRecorder* recorder() const { return m_recorder; }
    void setRecorder(HistoryRecorder* recorder) { m_recorder = recorder; }

    /// The manager starts watching this probe. What an earlier run (or this
    /// one, before an agent change) left open there is decided at the first
    /// complete cycle: still lit, it goes on; gone, it ends at its last sighting.
    void started(const ClientSettings& settings);
    /// `labels`: each slot's channel label as shown at the cycle's end.
    void cycleEnded(const CycleEnd& end, const PerSlot<QString>& labels);
    /// The next cycle polls another agent or port.
    void agentChanged(const ClientSettings& settings);
    /// A write of the surveillance configuration ended.
    void saveEnded(bool complete, std::size_t written, std::size_t total);
    void acknowledge(std::int64_t eventId, const QString& note);

    const ProbeKey& probe() const { return m_probe; }
    /// As the poller decided it at the last cycle's end.
    ProbeState state() const { return m_state; }
    /// "answering", "lost since 11:57", "never answered", "waiting for the first answer" (probeStateText).
    QString stateText() const;

    /// Called after each event is handed to the recorder.
    void setChanged(std::function<void()> changed) { m_changed = std::move(changed); }
    /// Hears each event as it is recorded (an alert forwarder).
    void setRecorded(std::function<void(const JournalEvent&)> recorded) { m_recorded = std::move(recorded); }

    /// The operator, as the system names them.
    static QString userName();

private:
    void record(JournalEvent event);
    BucketTime now() const;

    const Clock& m_clock;
    HistoryRecorder* m_recorder;
    ProbeKey m_probe;
    ProbeKey m_outageProbe;  // the probe as it was when the outage began
    bool m_resumePending = false;  // until the first complete cycle on this probe
    ProbeState m_state = ProbeState::Waiting;
    QDateTime m_lostSince;
    std::function<void()> m_changed;
    std::function<void(const JournalEvent&)> m_recorded;
    QObject m_context;  // answers from the store come here, and are dropped with the journal
};

}  // namespace vimbo
