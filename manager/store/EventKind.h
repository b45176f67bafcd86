#pragma once

#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

namespace vimbo {

/// The kinds of journal events. Their texts are in stored files and printed
/// by the tools; only the table in EventKind.cpp knows them.
enum class EventKind {
    AlarmRose,
    AlarmCleared,
    AlarmUnknownEnd,
    WarningRose,
    WarningCleared,
    WarningUnknownEnd,
    ProbeLost,
    NeverAnswered,
    ProbeBack,
    OutageUnknownEnd,
    AgentChanged,
    Save,
};

/// What a rise or an outage keeps open until an end closes it.
enum class Episode { None, Alarm, Warning, Outage };

/// "alarm rose", "probe back" ...: as stored and printed.
QString eventKindText(EventKind kind);
/// The kind a stored text names; none for a text no version of the program wrote.
std::optional<EventKind> eventKindFromText(QStringView text);
/// Every kind, in the table's order.
const std::vector<EventKind>& allEventKinds();

/// The episode a kind begins (a rise, an outage), or None.
Episode opens(EventKind kind);
/// The episode a kind ends (a clear, a return, an unknown end), or None.
Episode ends(EventKind kind);
/// The kinds that begin `episode`.
std::vector<EventKind> openingsOf(Episode episode);
/// What ends `episode` when nobody saw it end.
EventKind unknownEndOf(Episode episode);
/// The end is a guess at an unknown time: it carries no duration.
bool isUnknownEnd(EventKind kind);

}  // namespace vimbo
