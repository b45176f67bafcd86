#include "EventKind.h"

#include <algorithm>
#include <array>

namespace vimbo {

namespace {

struct KindRow {
    EventKind kind;
    const char* text;
    Episode opens;
    Episode ends;
    bool unknownEnd;
};

// The one table of the kinds: the words, and what each begins and ends.
constexpr std::array<KindRow, 12> kKinds{{
    {EventKind::AlarmRose, "alarm rose", Episode::Alarm, Episode::None, false},
    {EventKind::AlarmCleared, "alarm cleared", Episode::None, Episode::Alarm, false},
    {EventKind::AlarmUnknownEnd, "alarm unknown end", Episode::None, Episode::Alarm, true},
    {EventKind::WarningRose, "warning rose", Episode::Warning, Episode::None, false},
    {EventKind::WarningCleared, "warning cleared", Episode::None, Episode::Warning, false},
    {EventKind::WarningUnknownEnd, "warning unknown end", Episode::None, Episode::Warning, true},
    {EventKind::ProbeLost, "probe lost", Episode::Outage, Episode::None, false},
    {EventKind::NeverAnswered, "never answered", Episode::Outage, Episode::None, false},
    {EventKind::ProbeBack, "probe back", Episode::None, Episode::Outage, false},
    {EventKind::OutageUnknownEnd, "outage unknown end", Episode::None, Episode::Outage, true},
    {EventKind::AgentChanged, "agent changed", Episode::None, Episode::None, false},
    {EventKind::Save, "save", Episode::None, Episode::None, false},
}};

const KindRow& row(EventKind kind)
{
    return *std::find_if(kKinds.begin(), kKinds.end(), [kind](const KindRow& r) { return r.kind == kind; });
}

}  // namespace

QString eventKindText(EventKind kind) { return QString::fromLatin1(row(kind).text); }

std::optional<EventKind> eventKindFromText(QStringView text)
{
    for (const KindRow& r : kKinds)
        if (text == QLatin1StringView(r.text))
            return r.kind;
    return std::nullopt;
}

const std::vector<EventKind>& allEventKinds()
{
    static const std::vector<EventKind> all = [] {
        std::vector<EventKind> kinds;
        for (const KindRow& r : kKinds)
            kinds.push_back(r.kind);
        return kinds;
    }();
    return all;
}

Episode opens(EventKind kind) { return row(kind).opens; }
Episode ends(EventKind kind) { return row(kind).ends; }
bool isUnknownEnd(EventKind kind) { return row(kind).unknownEnd; }

std::vector<EventKind> openingsOf(Episode episode)
{
    std::vector<EventKind> kinds;
    if (episode != Episode::None)
        for (const KindRow& r : kKinds)
            if (r.opens == episode)
                kinds.push_back(r.kind);
    return kinds;
}

EventKind unknownEndOf(Episode episode)
{
    for (const KindRow& r : kKinds)
        if (r.ends == episode && r.unknownEnd)
            return r.kind;
    return EventKind::OutageUnknownEnd;
}

}  // namespace vimbo
