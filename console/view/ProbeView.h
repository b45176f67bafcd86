#pragma once

#include "core/Notifier.h"
#include "core/ProbeState.h"
#include "core/Slots.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace vimbo {

struct CycleEnd;
struct ProbeEvent;

/// A lamp as a tile shows it: stale is a lamp that was lit at the probe's
/// last answer and has not been read again since.
enum class LampLook { Dark, Lit, Stale };

struct SlotView {
    LampLook alarm = LampLook::Dark;
    LampLook warning = LampLook::Dark;
    QString channel;  // "(Ch21) 474.00", or the frequency alone, as the desktop shows it
    bool surveyed = false;
    bool operator==(const SlotView&) const = default;
};

/// What the console knows of one probe of its list, for the wall and its
/// filters: plain values, no widgets.
struct ProbeView {
    QString id;       // the list's section name, shown as the label
    QString site;
    QString address;  // "agent:port", an IPv6 agent in brackets
    QString reportedName;  // as the probe gave it at its last complete cycle: plain text from the network
    ProbeState state = ProbeState::Waiting;
    std::optional<std::int64_t> lostSinceMsecs;  // the end of the first failed cycle after an answer
    PerSlot<SlotView> slotViews{};
    std::optional<std::int64_t> lastCompleteMsecs;  // the end of the last complete cycle
    bool operator==(const ProbeView&) const = default;
};

/// The channel label of a slot's frequency (whole kHz), as the desktop shows
/// it with its channel plan. Without one, the frequency alone in MHz.
using ChannelLabeler = std::function<QString(std::int32_t kHz)>;
QString frequencyLabel(std::int32_t kHz);
class channelsCollection;
/// "(Ch21) 474.00MHz" for a frequency of the plan, the frequency alone otherwise.
ChannelLabeler planLabeler(std::shared_ptr<const channelsCollection> plan);

/// "agent:port", an IPv6 agent in brackets.
QString probeAddress(const QString& agent, int port);

/// A probe's view before its first cycle: nothing lit, waiting.
ProbeView freshView(const QString& id, const QString& site, const QString& address);

/// The view after a poller's cycle ended at `nowMsecs`. A complete cycle shows
/// what it read; a failed one leaves what was read before as stale; a dropped
/// one changes nothing. Nothing is lit before the probe's first answer.
ProbeView nextView(const ProbeView& previous, const CycleEnd& end, std::int64_t nowMsecs,
                   const ChannelLabeler& label = {});

/// No manager polls the probe any more, from `nowMsecs`: its lamps go stale.
ProbeView notWatchedView(const ProbeView& previous, std::int64_t nowMsecs);

/// The probe's state as words: "answering", "lost since 11:57", ...
QString stateText(const ProbeView& view, int utcOffsetSeconds);

/// The age of the last complete cycle at `nowMsecs`: "2 s ago", "5 min ago",
/// "3 h ago", "4 d ago"; "no complete cycle" before the first.
QString cycleAgeText(const ProbeView& view, std::int64_t nowMsecs);

/// "Kestrel Hill / kestrel-hill-1": the probe as a person knows it, first in
/// every notification and page.
QString probeWho(const ProbeView& view);

/// What the operator is told of a cycle's events, once each: an alarm that
/// rises or clears on a slot's channel, the probe lost or back. `after` is the
/// view the cycle left, whose channel labels are this cycle's.
std::vector<Notification> notificationsOf(const ProbeView& after, const std::vector<ProbeEvent>& events);

}  // namespace vimbo
