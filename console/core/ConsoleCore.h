#pragma once

#include "ProbeEntry.h"
#include "ProbeView.h"
#include "poll/ProbePoller.h"
#include "store/HistoryStore.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace vimbo {

class Clock;
class HistoryRecorder;
class Journal;
class SnmpSessions;

/// Every probe of the console's list, polled with the desktop's cycle over
/// one shared transport, each recorded and journaled under its own name, so
/// the store answers for all of them. No widgets: the wall and the headless
/// console listen through the handlers.
class ConsoleCore : public QObject {
public:
    struct Options {
        std::optional<QString> history;  // the store; none: nothing recorded
        Retention retention;
        std::int64_t flapHoldMs = 60'000;
        QString listPath;                // where edits are saved; empty: not saved
        int pauseMs = 3000;              // from the end of one cycle to the start of the next
        ChannelLabeler label;            // slots' channel labels, as the desktop shows them
    };
    struct Handlers {
        /// A probe's cycle ended: its new view and what the cycle found.
        std::function<void(const ProbeView& view, const std::vector<ProbeEvent>& events)> cycleEnded;
        /// Each value a probe's cycle reads, and its cycle's end: a detail view's feed.
        std::function<void(const QString& label, const ProbeReading& reading)> reading;
        std::function<void(const QString& label, const CycleEnd& end)> ended;
        /// Probes were added, edited or removed.
        std::function<void()> listChanged;
        /// The store could not be used, and the like: told once each.
        std::function<void(const QString& message)> told;
    };

    ConsoleCore(const Clock& clock, std::vector<ProbeEntry> probes, Options options, Handlers handlers = {});
    /// Ends every probe's watch cleanly.
    ~ConsoleCore() override;

    /// The window's or the headless console's listeners, in place of those before.
    void setHandlers(Handlers handlers) { m_handlers = std::move(handlers); }
    /// Hears each event a probe's journal records, with the probe as the list names it (a forwarder).
    void setRecorded(std::function<void(const ProbeEntry& probe, const JournalEvent& event)> recorded)
    {
        m_recorded = std::move(recorded);
    }

    /// Every probe's first cycle starts.
    void start();
    /// No more cycles; every probe's watch ends cleanly, as at the console's end.
    void stop();

    std::vector<ProbeEntry> probes() const;
    const ProbeView* view(const QString& label) const;
    std::vector<ProbeView> views() const;
    /// The probe's poller, to pause it while a detail view writes; its journal and recorder.
    ProbePoller* poller(const QString& label) const;
    Journal* journal(const QString& label) const;
    HistoryRecorder* recorder(const QString& label) const;
    /// Reads the store across all probes and writes acknowledgements; none without a store.
    HistoryRecorder* store() const { return m_store.get(); }

    /// Each saves the list first; nothing changes when it cannot be saved (the reason).
    std::optional<QString> addProbe(const ProbeEntry& probe);
    std::optional<QString> editProbe(const QString& label, const ProbeEntry& probe);
    std::optional<QString> removeProbe(const QString& label);

private:
    struct Probe;

    std::unique_ptr<Probe> makeProbe(const ProbeEntry& entry);
    void cycleEnded(Probe& probe, const CycleEnd& end);
    void closeBuckets();
    void armBucketClock();
    std::optional<QString> save(const std::vector<ProbeEntry>& probes);
    std::vector<std::unique_ptr<Probe>>::const_iterator find(const QString& label) const;

    const Clock& m_clock;
    Options m_options;
    Handlers m_handlers;
    std::function<void(const ProbeEntry&, const JournalEvent&)> m_recorded;
    std::unique_ptr<SnmpSessions> m_sessions;  // outlives the probes: their transports close in it
    std::unique_ptr<HistoryRecorder> m_store;
    std::vector<std::unique_ptr<Probe>> m_probes;
    QTimer m_bucketClock;
    bool m_running = false;
};

}  // namespace vimbo
