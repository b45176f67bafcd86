#include "ConsoleCore.h"

#include "OpenBucket.h"
#include "ProbeList.h"
#include "SnmpSessions.h"
#include "core/Clock.h"
#include "journal/Journal.h"
#include "store/HistoryRecorder.h"

#include <QStringList>

#include <algorithm>

namespace vimbo {

// One probe's whole watch: declared so that the poller goes first, then the
// journal, then the recorder (whose close ends the watch), then the transport.
struct ConsoleCore::Probe {
    ProbeEntry entry;
    ProbeView view;
    std::unique_ptr<SessionTransport> transport;
    std::unique_ptr<HistoryRecorder> recorder;
    std::unique_ptr<Journal> journal;
    std::unique_ptr<ProbePoller> poller;
    OpenBucket bucket;
    PerSlot<QString> labels;  // each slot's channel label at the last complete cycle
};

ConsoleCore::ConsoleCore(const Clock& clock, std::vector<ProbeEntry> probes, Options options, Handlers handlers)
    : m_clock(clock), m_options(std::move(options)), m_handlers(std::move(handlers)),
      m_sessions(std::make_unique<SnmpSessions>())
{
    if (m_options.history)
        m_store = std::make_unique<HistoryRecorder>(
            HistoryRecorder::Options{.path = *m_options.history, .retention = m_options.retention,
                                     .flapHoldMs = m_options.flapHoldMs},
            m_clock, [this](const QString& message) {
                if (m_handlers.told)
                    m_handlers.told(message);
            });
    for (const ProbeEntry& entry : probes)
        m_probes.push_back(makeProbe(entry));
    m_bucketClock.setSingleShot(true);
    connect(&m_bucketClock, &QTimer::timeout, this, [this] {
        closeBuckets();
        armBucketClock();
    });
}

ConsoleCore::~ConsoleCore() { stop(); }

std::unique_ptr<ConsoleCore::Probe> ConsoleCore::makeProbe(const ProbeEntry& entry)
{
    auto probe = std::make_unique<Probe>();
    probe->entry = entry;
    probe->view = freshView(entry.label, entry.site,
                            probeAddress(QString::fromStdString(entry.settings.agent), entry.settings.port));
    probe->transport = std::make_unique<SessionTransport>(*m_sessions, entry.settings);
    // One recorder per probe: a recorder watches one probe at a time. Only
    // the first tells of a store it cannot use, so twelve probes tell it once.
    if (m_options.history)
        probe->recorder = std::make_unique<HistoryRecorder>(
            HistoryRecorder::Options{.path = *m_options.history, .retention = m_options.retention,
                                     .flapHoldMs = m_options.flapHoldMs},
            m_clock, [](const QString&) {});
    probe->journal = std::make_unique<Journal>(m_clock, probe->recorder.get());
    Probe* raw = probe.get();
    probe->journal->setRecorded([this, raw](const JournalEvent& event) {
        if (m_recorded)
            m_recorded(raw->entry, event);
    });
    probe->poller = std::make_unique<ProbePoller>(
        *probe->transport,
        ProbePoller::Handlers{[this, raw](const ProbeReading& reading) {
                                  if (m_handlers.reading)
                                      m_handlers.reading(raw->entry.label, reading);
                                  return true;
                              },
                              [this, raw](const CycleEnd& end) { cycleEnded(*raw, end); },
                              [raw] { raw->journal->agentChanged(raw->transport->currentSettings()); }});
    return probe;
}

void ConsoleCore::start()
{
    if (m_running)
        return;
    m_running = true;
    for (auto& probe : m_probes) {
        probe->journal->started(probe->entry.settings);
        probe->poller->tick();
    }
    armBucketClock();
}

void ConsoleCore::stop()
{
    m_running = false;
    m_bucketClock.stop();
    // The measures of the open bucket are kept, as the desktop keeps them at its close.
    closeBuckets();
    m_probes.clear();
}

void ConsoleCore::cycleEnded(Probe& probe, const CycleEnd& end)
{
    if (end.outcome == CycleEnd::Complete) {
        probe.bucket.add(end.snapshot);
        for (std::size_t s = 0; s < kSlotCount; ++s)
            probe.labels[s] = m_options.label ? m_options.label(end.snapshot.slotValues[s].kHz)
                                              : frequencyLabel(end.snapshot.slotValues[s].kHz);
    }
    probe.view = nextView(probe.view, end, m_clock.now().toMSecsSinceEpoch(), m_options.label);
    probe.journal->cycleEnded(end, probe.labels);
    // Copies: a handler may remove the probe.
    const QString label = probe.entry.label;
    const ProbeView view = probe.view;
    if (m_handlers.ended)
        m_handlers.ended(label, end);
    if (m_handlers.cycleEnded)
        m_handlers.cycleEnded(view, end.events);
    // The handlers may have removed the probe; its poller's timer goes with it.
    if (!m_running || std::none_of(m_probes.begin(), m_probes.end(), [&](const auto& p) { return p.get() == &probe; }))
        return;
    ProbePoller* poller = probe.poller.get();
    QTimer::singleShot(m_options.pauseMs, poller, [poller] { poller->tick(); });
}

void ConsoleCore::armBucketClock()
{
    if (m_running)
        m_bucketClock.start(MeasureHistory::msecToNextClockChange(m_clock.msecOfMinute()) + 1);
}

void ConsoleCore::closeBuckets()
{
    const QDateTime now = m_clock.now();
    const BucketTime closedAt{now.toMSecsSinceEpoch(), now.offsetFromUtc()};
    for (auto& probe : m_probes)
        if (probe->recorder)
            if (auto closed = probe->bucket.close())
                probe->recorder->recordBucket(closed->first, closedAt, closed->second, probe->labels);
}

std::vector<ProbeEntry> ConsoleCore::probes() const
{
    std::vector<ProbeEntry> entries;
    for (const auto& probe : m_probes)
        entries.push_back(probe->entry);
    return entries;
}

std::vector<std::unique_ptr<ConsoleCore::Probe>>::const_iterator ConsoleCore::find(const QString& label) const
{
    return std::find_if(m_probes.begin(), m_probes.end(), [&](const auto& p) { return p->entry.label == label; });
}

const ProbeView* ConsoleCore::view(const QString& label) const
{
    const auto it = find(label);
    return it == m_probes.end() ? nullptr : &(*it)->view;
}

std::vector<ProbeView> ConsoleCore::views() const
{
    std::vector<ProbeView> all;
    for (const auto& probe : m_probes)
        all.push_back(probe->view);
    return all;
}

ProbePoller* ConsoleCore::poller(const QString& label) const
{
    const auto it = find(label);
    return it == m_probes.end() ? nullptr : (*it)->poller.get();
}

Journal* ConsoleCore::journal(const QString& label) const
{
    const auto it = find(label);
    return it == m_probes.end() ? nullptr : (*it)->journal.get();
}

HistoryRecorder* ConsoleCore::recorder(const QString& label) const
{
    const auto it = find(label);
    return it == m_probes.end() ? nullptr : (*it)->recorder.get();
}

std::optional<QString> ConsoleCore::save(const std::vector<ProbeEntry>& probes)
{
    if (m_options.listPath.isEmpty())
        return std::nullopt;
    return writeProbeList(m_options.listPath, probes);
}

std::optional<QString> ConsoleCore::addProbe(const ProbeEntry& probe)
{
    std::vector<ProbeEntry> next = probes();
    QStringList taken;
    for (const ProbeEntry& entry : next)
        taken << entry.label;
    if (const auto wrong = labelProblem(probe.label, taken))
        return wrong;
    next.push_back(probe);
    if (const auto wrong = save(next))
        return wrong;
    m_probes.push_back(makeProbe(probe));
    if (m_running) {
        m_probes.back()->journal->started(probe.settings);
        m_probes.back()->poller->tick();
    }
    if (m_handlers.listChanged)
        m_handlers.listChanged();
    return std::nullopt;
}

std::optional<QString> ConsoleCore::editProbe(const QString& label, const ProbeEntry& probe)
{
    const auto it = find(label);
    if (it == m_probes.end())
        return QStringLiteral("No probe of the list is labelled ") + label + QLatin1Char('.');
    std::vector<ProbeEntry> next = probes();
    QStringList taken;
    for (const ProbeEntry& entry : next)
        if (entry.label != label)
            taken << entry.label;
    if (const auto wrong = labelProblem(probe.label, taken))
        return wrong;
    next[static_cast<std::size_t>(it - m_probes.begin())] = probe;
    if (const auto wrong = save(next))
        return wrong;
    Probe& changed = **it;
    changed.entry = probe;
    changed.view.id = probe.label;
    changed.view.site = probe.site;
    changed.view.address = probeAddress(QString::fromStdString(probe.settings.agent), probe.settings.port);
    // The next cycle takes the settings; another agent or port is journaled as a change of probe.
    changed.transport->setSettings(probe.settings);
    if (m_handlers.listChanged)
        m_handlers.listChanged();
    return std::nullopt;
}

std::optional<QString> ConsoleCore::removeProbe(const QString& label)
{
    const auto it = find(label);
    if (it == m_probes.end())
        return QStringLiteral("No probe of the list is labelled ") + label + QLatin1Char('.');
    std::vector<ProbeEntry> next = probes();
    next.erase(next.begin() + (it - m_probes.begin()));
    if (const auto wrong = save(next))
        return wrong;
    // Its open bucket is kept, and its watch ends as the recorder closes.
    if (auto closed = (*it)->bucket.close(); closed && (*it)->recorder) {
        const QDateTime now = m_clock.now();
        (*it)->recorder->recordBucket(closed->first, {now.toMSecsSinceEpoch(), now.offsetFromUtc()}, closed->second,
                                      (*it)->labels);
    }
    m_probes.erase(it);
    if (m_handlers.listChanged)
        m_handlers.listChanged();
    return std::nullopt;
}

}  // namespace vimbo
