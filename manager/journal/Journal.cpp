#include "Journal.h"

#include "core/Clock.h"
#include "store/HistoryRecorder.h"

#include <QLocale>

#include <pwd.h>
#include <unistd.h>

namespace vimbo {

Journal::Journal(const Clock& clock, HistoryRecorder* recorder) : m_clock(clock), m_recorder(recorder) {}

BucketTime Journal::now() const
{
    const QDateTime time = m_clock.now();
    return {time.toMSecsSinceEpoch(), time.offsetFromUtc()};
}

QString Journal::userName()
{
    // The account, not a variable anyone can set; the variable when the account has no entry.
    if (const passwd* entry = getpwuid(geteuid()); entry && entry->pw_name)
        return QString::fromLocal8Bit(entry->pw_name);
    return qEnvironmentVariable("USER");
}

void Journal::started(const ClientSettings& settings)
{
    m_probe = {QString::fromStdString(settings.agent), settings.port, {}};
    m_state = ProbeState::Waiting;
    m_resumePending = true;
    if (!m_recorder)
        return;
    // What an earlier run left open is decided at the first complete cycle, when the lamps are known.
    m_recorder->watch(m_probe.address, m_probe.port);
    // Until it answers, an outage belongs to the name it last reported here.
    const ProbeKey asked = m_probe;
    m_recorder->query<QString>([asked](const HistoryStore& store) { return store.lastName(asked.address, asked.port); },
                               &m_context, [this, asked](const QString& name) {
                                   if (m_probe.name.isEmpty() && m_probe.address == asked.address &&
                                       m_probe.port == asked.port)
                                       m_probe.name = name;
                               });
}

void Journal::cycleEnded(const CycleEnd& end, const PerSlot<QString>& labels)
{
    if (end.outcome == CycleEnd::Dropped)
        return;
    const bool complete = end.outcome == CycleEnd::Complete;
    if (complete && std::exchange(m_resumePending, false) && m_recorder) {
        // The first complete cycle tells every lit lamp as a rise.
        Sighting lit;
        lit.outage = isUnanswered(m_state);
        for (const ProbeEvent& e : end.events)
            if (e.slot >= 0 && e.slot < kSlotCount) {
                if (e.kind == ProbeEvent::AlarmRose)
                    lit.alarm[static_cast<std::size_t>(e.slot)] = true;
                else if (e.kind == ProbeEvent::WarningRose)
                    lit.warning[static_cast<std::size_t>(e.slot)] = true;
            }
        m_recorder->resume(lit);
    }
    if (complete)
        m_probe.name = end.snapshot.name;
    m_state = end.state;
    for (const ProbeEvent& e : end.events) {
        JournalEvent event;
        switch (e.kind) {
        case ProbeEvent::AlarmRose: event.kind = EventKind::AlarmRose; break;
        case ProbeEvent::AlarmCleared: event.kind = EventKind::AlarmCleared; break;
        case ProbeEvent::WarningRose: event.kind = EventKind::WarningRose; break;
        case ProbeEvent::WarningCleared: event.kind = EventKind::WarningCleared; break;
        case ProbeEvent::ProbeLost:
            event.kind = end.state == ProbeState::NeverAnswered ? EventKind::NeverAnswered : EventKind::ProbeLost;
            m_lostSince = m_clock.now();
            m_outageProbe = m_probe;
            break;
        case ProbeEvent::ProbeBack:
            event.kind = EventKind::ProbeBack;
            // Under the name the outage began with, which a probe that never answered did not have.
            event.probe = m_outageProbe;
            break;
        }
        if (e.slot >= 0 && e.slot < kSlotCount) {
            const auto s = static_cast<std::size_t>(e.slot);
            event.slot = e.slot;
            event.channel = labels[s];
            // An unsurveyed slot measures nothing: its zeros are no values.
            if (const CycleSnapshot::Slot& values = end.snapshot.slotValues[s]; complete && values.surveyed) {
                event.power = values.power;
                event.mer = values.mer;
                event.vber = values.vber;
            }
        }
        record(event);
    }
}

void Journal::agentChanged(const ClientSettings& settings)
{
    const ProbeKey next{QString::fromStdString(settings.agent), settings.port, {}};
    JournalEvent event;
    event.kind = EventKind::AgentChanged;
    event.detail = QStringLiteral("to ") + next.where();
    record(event);
    // What is open on the old probe stays open: coming back, it goes on or ends at its last sighting.
    started(settings);
}

void Journal::saveEnded(bool complete, std::size_t written, std::size_t total)
{
    JournalEvent event;
    event.kind = EventKind::Save;
    event.detail = complete ? QStringLiteral("written: %1 values").arg(total)
                            : QStringLiteral("stopped after %1 of %2 values").arg(written).arg(total);
    record(event);
}

void Journal::acknowledge(std::int64_t eventId, const QString& note)
{
    if (!m_recorder)
        return;
    m_recorder->acknowledge(eventId, userName(), note, now());
    if (m_changed)
        m_changed();
}

QString Journal::stateText() const
{
    return probeStateText(m_state, m_lostSince.toMSecsSinceEpoch(), m_lostSince.offsetFromUtc());
}

void Journal::record(JournalEvent event)
{
    if (event.probe.address.isEmpty())
        event.probe = m_probe;
    event.time = now();
    if (m_recorder)
        m_recorder->recordEvent(event);
    if (m_recorded)
        m_recorded(event);
    if (m_changed)
        m_changed();
}

}  // namespace vimbo
