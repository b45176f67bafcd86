#include "ProbeView.h"

#include "channels/channelsCollection.h"
#include "mib/DisplayFormat.h"
#include "mib/Scales.h"
#include "poll/ProbePoller.h"

#include <algorithm>

namespace vimbo {

QString frequencyLabel(std::int32_t kHz)
{
    return mib::formatMHz(kHz / 1000.0);
}

ChannelLabeler planLabeler(std::shared_ptr<const channelsCollection> plan)
{
    return [plan = std::move(plan)](std::int32_t kHz) {
        // As the desktop labels a slot: the plan's channel of that frequency, then the frequency.
        const QString frequency = mib::formatMHz(mib::mhzFromHz(kHz * 1000.0));
        const ChannelPtr channel = plan ? plan->findByFreq(kHz) : nullptr;
        return channel ? QStringLiteral("(Ch") + channel->ChName() + QStringLiteral(") ") + frequency : frequency;
    };
}

QString probeAddress(const QString& agent, int port)
{
    const QString host = agent.contains(QLatin1Char(':')) ? QLatin1Char('[') + agent + QLatin1Char(']') : agent;
    return host + QLatin1Char(':') + QString::number(port);
}

ProbeView freshView(const QString& id, const QString& site, const QString& address)
{
    ProbeView view;
    view.id = id;
    view.site = site;
    view.address = address;
    return view;
}

namespace {

LampLook aged(LampLook lamp)
{
    return lamp == LampLook::Lit ? LampLook::Stale : lamp;
}

void ageLamps(ProbeView& view)
{
    for (SlotView& slot : view.slotViews) {
        slot.alarm = aged(slot.alarm);
        slot.warning = aged(slot.warning);
    }
}

}  // namespace

ProbeView nextView(const ProbeView& previous, const CycleEnd& end, std::int64_t nowMsecs, const ChannelLabeler& label)
{
    if (end.outcome == CycleEnd::Dropped)
        return previous;
    ProbeView view = previous;
    view.state = end.state;
    if (end.outcome == CycleEnd::Complete) {
        const CycleSnapshot& snapshot = end.snapshot;
        view.reportedName = snapshot.name;
        view.lostSinceMsecs.reset();
        view.lastCompleteMsecs = nowMsecs;
        for (std::size_t s = 0; s < kSlotCount; ++s) {
            SlotView& slot = view.slotViews[s];
            slot.alarm = snapshot.flags.alarm[s] ? LampLook::Lit : LampLook::Dark;
            slot.warning = snapshot.flags.warning[s] ? LampLook::Lit : LampLook::Dark;
            const std::int32_t kHz = snapshot.slotValues[s].kHz;
            slot.channel = label ? label(kHz) : frequencyLabel(kHz);
            slot.surveyed = snapshot.slotValues[s].surveyed;
        }
        return view;
    }
    // A failed cycle: what the probe said before is old now.
    ageLamps(view);
    if (view.state == ProbeState::Lost && !(previous.state == ProbeState::Lost && previous.lostSinceMsecs))
        view.lostSinceMsecs = nowMsecs;
    if (view.state != ProbeState::Lost)
        view.lostSinceMsecs.reset();
    return view;
}

ProbeView notWatchedView(const ProbeView& previous, std::int64_t nowMsecs)
{
    ProbeView view = previous;
    if (previous.state != ProbeState::NotWatched)
        view.lostSinceMsecs = nowMsecs;
    view.state = ProbeState::NotWatched;
    ageLamps(view);
    return view;
}

QString stateText(const ProbeView& view, int utcOffsetSeconds)
{
    return probeStateText(view.state, view.lostSinceMsecs, utcOffsetSeconds);
}

QString cycleAgeText(const ProbeView& view, std::int64_t nowMsecs)
{
    if (!view.lastCompleteMsecs)
        return QStringLiteral("no complete cycle");
    // A clock stepped back reads as just now, never as a negative age.
    const std::int64_t seconds = std::max<std::int64_t>(0, (nowMsecs - *view.lastCompleteMsecs) / 1000);
    if (seconds < 120)
        return QString::number(seconds) + QStringLiteral(" s ago");
    if (seconds < 2 * 3600)
        return QString::number(seconds / 60) + QStringLiteral(" min ago");
    if (seconds < 2 * 86400)
        return QString::number(seconds / 3600) + QStringLiteral(" h ago");
    return QString::number(seconds / 86400) + QStringLiteral(" d ago");
}

QString probeWho(const ProbeView& view)
{
    return view.site.isEmpty() ? view.id : view.site + QStringLiteral(" / ") + view.id;
}

std::vector<Notification> notificationsOf(const ProbeView& after, const std::vector<ProbeEvent>& events)
{
    std::vector<Notification> told;
    const QString who = probeWho(after);
    const auto channel = [&](int slot) {
        const bool known = slot >= 0 && slot < kSlotCount;
        const QString label = known ? after.slotViews[static_cast<std::size_t>(slot)].channel : QString();
        return (label.isEmpty() ? QStringLiteral("slot %1").arg(slot + 1) : label) +
               (known && !label.isEmpty() ? QStringLiteral(" (slot %1)").arg(slot + 1) : QString());
    };
    for (const ProbeEvent& event : events) {
        switch (event.kind) {
        case ProbeEvent::AlarmRose:
            told.push_back({Notification::Critical, who, QStringLiteral("Alarm on ") + channel(event.slot)});
            break;
        case ProbeEvent::AlarmCleared:
            told.push_back({Notification::Normal, who, QStringLiteral("Alarm cleared on ") + channel(event.slot)});
            break;
        case ProbeEvent::ProbeLost:
            told.push_back({Notification::Normal, who, QStringLiteral("The probe does not answer")});
            break;
        case ProbeEvent::ProbeBack:
            told.push_back({Notification::Normal, who, QStringLiteral("The probe answers again")});
            break;
        case ProbeEvent::WarningRose:
        case ProbeEvent::WarningCleared:
            break;  // the lamps show warnings; the desktop tells only alarms
        }
    }
    return told;
}

}  // namespace vimbo
