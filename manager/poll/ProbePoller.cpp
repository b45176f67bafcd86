#include "ProbePoller.h"

#include "PollLog.h"
#include "mib/Scales.h"

#include <cstdio>
#include <utility>

namespace vimbo {

ProbePoller::ProbePoller(PollTransport& transport, Handlers handlers)
    : m_transport(transport), m_handlers(std::move(handlers))
{
}

bool ProbePoller::tick()
{
    if (busy())
        return false;
    m_running = true;
    m_next = 0;
    // One probe a cycle: settings saved meanwhile apply from the next.
    const ClientSettings settings = m_transport.currentSettings();
    const bool changed = m_cycledBefore && (settings.agent != m_snapshot.settings.agent ||
                                            settings.port != m_snapshot.settings.port);
    m_snapshot = CycleSnapshot{};
    m_snapshot.settings = settings;
    m_cycledBefore = true;
    if (changed) {
        // The old probe's lamps and state say nothing of the new one: its lit
        // lamps are rises, and a first failure is a probe that never answered.
        m_alarmLit = m_warningLit = m_alarmRose = m_alarmCleared = m_warningRose = m_warningCleared = {};
        m_probeState = ProbeState::Waiting;
        if (m_handlers.probeChanged)
            m_handlers.probeChanged();
    }
    requestNext();
    return true;
}

void ProbePoller::requestNext()
{
    m_transport.get(readPlan()[m_next].oid, m_snapshot.settings, this, [this](const SnmpReply& reply) { take(reply); });
}

void ProbePoller::take(const SnmpReply& reply)
{
    // A write began since the cycle did: what it read no longer holds together.
    if (m_writing)
        return end(CycleEnd::Dropped);
    ProbeReading reading;
    if (const auto failure = read(reply, reading))
        return end(CycleEnd::Failed, *failure);
    keep(reading);
    if (m_handlers.reading && !m_handlers.reading(reading))
        return end(CycleEnd::Failed, "the value cannot be shown");
    if (++m_next < readPlan().size())
        return requestNext();
    end(CycleEnd::Complete);
}

// The failures the cycle expects: a failed request, a value that is no
// number or text, a frequency out of range.
std::optional<std::string> ProbePoller::read(const SnmpReply& reply, ProbeReading& reading)
{
    if (!reply.ok()) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08X", reply.code);
        return std::string("result ") + code + " " + reply.reason;
    }
    const ReadStep& step = readPlan()[m_next];
    reading.step = m_next;
    reading.item = step.item;
    reading.slot = step.slot;
    const auto text = reply.value.toText();
    const auto number = reply.value.toNumber();
    switch (step.item) {
    case ProbeItem::Name:
    case ProbeItem::Ipn:
    case ProbeItem::Version:
    case ProbeItem::AlarmFlags:
    case ProbeItem::MerAlarm:
    case ProbeItem::MerWarning:
    case ProbeItem::PowerAlarm:
    case ProbeItem::PowerWarning:
        if (!text)
            return "the value has no text";  // null
        reading.text = QString::fromStdString(*text);
        if (step.item == ProbeItem::AlarmFlags)
            reading.flags = mib::readAlarmFlags(*text);
        return std::nullopt;
    default:
        break;
    }
    if (!number)
        return "the value is no number";
    switch (step.item) {
    case ProbeItem::VberAlarm:
    case ProbeItem::VberWarning:
    case ProbeItem::Vber:
        reading.value = mib::vberFromRaw(*number);
        break;
    case ProbeItem::Power:
    case ProbeItem::Mer:
        reading.value = mib::hundredthsFromRaw(*number);
        break;
    case ProbeItem::Surveyed:
        reading.surveyed = *number == 1.0;
        break;
    case ProbeItem::Frequency: {
        const auto kHz = mib::kHzFromHz(*number);
        if (!kHz)
            return "the frequency is out of range";
        reading.value = *number;
        reading.kHz = *kHz;
        break;
    }
    default:
        break;
    }
    return std::nullopt;
}

void ProbePoller::keep(const ProbeReading& reading)
{
    CycleSnapshot& snapshot = m_snapshot;
    const auto s = static_cast<std::size_t>(reading.slot);
    switch (reading.item) {
    case ProbeItem::Name: snapshot.name = reading.text; break;
    case ProbeItem::Ipn: snapshot.ipn = reading.text; break;
    case ProbeItem::Version: snapshot.version = reading.text; break;
    case ProbeItem::AlarmFlags: {
        snapshot.flags = reading.flags;
        // Before the first read every lamp counts as off, so the first cycle tells every lit one.
        for (std::size_t i = 0; i < kSlotCount; ++i) {
            m_alarmRose[i] = m_alarmRose[i] || (!m_alarmLit[i] && reading.flags.alarm[i]);
            m_alarmCleared[i] = m_alarmCleared[i] || (m_alarmLit[i] && !reading.flags.alarm[i]);
            m_warningRose[i] = m_warningRose[i] || (!m_warningLit[i] && reading.flags.warning[i]);
            m_warningCleared[i] = m_warningCleared[i] || (m_warningLit[i] && !reading.flags.warning[i]);
        }
        m_alarmLit = reading.flags.alarm;
        m_warningLit = reading.flags.warning;
        break;
    }
    case ProbeItem::MerAlarm: snapshot.merAlarm = reading.text; break;
    case ProbeItem::MerWarning: snapshot.merWarning = reading.text; break;
    case ProbeItem::VberAlarm: snapshot.vberAlarm = reading.value; break;
    case ProbeItem::VberWarning: snapshot.vberWarning = reading.value; break;
    case ProbeItem::Surveyed: snapshot.slotValues[s].surveyed = reading.surveyed; break;
    case ProbeItem::Frequency: snapshot.slotValues[s].kHz = reading.kHz; break;
    case ProbeItem::Power: snapshot.slotValues[s].power = reading.value; break;
    case ProbeItem::Mer: snapshot.slotValues[s].mer = reading.value; break;
    case ProbeItem::Vber: snapshot.slotValues[s].vber = reading.value; break;
    case ProbeItem::PowerAlarm: snapshot.slotValues[s].powerAlarm = reading.text; break;
    case ProbeItem::PowerWarning: snapshot.slotValues[s].powerWarning = reading.text; break;
    }
}

void ProbePoller::end(CycleEnd::Outcome outcome, std::string reason)
{
    m_running = false;
    CycleEnd ended;
    ended.outcome = outcome;
    // No events, no change of state for a dropped cycle: it never happened.
    if (outcome != CycleEnd::Dropped) {
        const bool complete = outcome == CycleEnd::Complete;
        m_snapshot.complete = complete;
        m_snapshot.failedAt = complete ? readPlan().size() : m_next;
        m_snapshot.reason = std::move(reason);
        if (!complete)
            qCDebug(pollLog, "poll failed at %s: %s", readPlan()[m_next].oid.c_str(), m_snapshot.reason.c_str());
        for (std::size_t s = 0; s < kSlotCount; ++s) {
            const int slot = static_cast<int>(s);
            if (std::exchange(m_alarmRose[s], false))
                ended.events.push_back({ProbeEvent::AlarmRose, slot});
            if (std::exchange(m_alarmCleared[s], false))
                ended.events.push_back({ProbeEvent::AlarmCleared, slot});
            if (std::exchange(m_warningRose[s], false))
                ended.events.push_back({ProbeEvent::WarningRose, slot});
            if (std::exchange(m_warningCleared[s], false))
                ended.events.push_back({ProbeEvent::WarningCleared, slot});
        }
        // Lost at start-up too (a probe that never answered); back only after it was lost.
        const ProbeState before = m_probeState;
        m_probeState = complete                                                              ? ProbeState::Answering
                       : before == ProbeState::Answering || before == ProbeState::Lost ? ProbeState::Lost
                                                                                        : ProbeState::NeverAnswered;
        if (isUnanswered(m_probeState) && !isUnanswered(before))
            ended.events.push_back({ProbeEvent::ProbeLost});
        if (m_probeState == ProbeState::Answering && isUnanswered(before))
            ended.events.push_back({ProbeEvent::ProbeBack});
    }
    ended.snapshot = m_snapshot;
    ended.state = m_probeState;
    if (m_handlers.ended)
        m_handlers.ended(ended);
}

}  // namespace vimbo
