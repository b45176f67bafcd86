#include "Report.h"

#include <QDateTime>

#include <algorithm>
#include <climits>
#include <map>
#include <tuple>

namespace vimbo {

namespace {

// Sorted, overlaps and touching spans joined, empty ones dropped.
std::vector<ReportSpan> merged(std::vector<ReportSpan> spans)
{
    std::sort(spans.begin(), spans.end(), [](const ReportSpan& a, const ReportSpan& b) { return a.startMsecs < b.startMsecs; });
    std::vector<ReportSpan> out;
    for (const ReportSpan& s : spans) {
        if (s.endMsecs <= s.startMsecs)
            continue;
        if (!out.empty() && s.startMsecs <= out.back().endMsecs)
            out.back().endMsecs = std::max(out.back().endMsecs, s.endMsecs);
        else
            out.push_back(s);
    }
    return out;
}

// Times from a store are held within the years 0000 to 9999, so that no
// difference of two of them overflows, whatever a crafted store holds.
ReportSpan sane(ReportSpan span)
{
    constexpr std::int64_t kFarMsecs = 253'402'300'800'000;
    span.startMsecs = std::clamp(span.startMsecs, -kFarMsecs, kFarMsecs);
    span.endMsecs = std::clamp(span.endMsecs, -kFarMsecs, kFarMsecs);
    return span;
}

std::int64_t overlap(const ReportSpan& a, const ReportSpan& b)
{
    return std::max<std::int64_t>(0, std::min(a.endMsecs, b.endMsecs) - std::max(a.startMsecs, b.startMsecs));
}

// How much of `span` the merged list covers.
std::int64_t covered(const std::vector<ReportSpan>& list, const ReportSpan& span)
{
    auto it = std::lower_bound(list.begin(), list.end(), span.startMsecs,
                               [](const ReportSpan& s, std::int64_t t) { return s.endMsecs <= t; });
    std::int64_t total = 0;
    for (; it != list.end() && it->startMsecs < span.endMsecs; ++it)
        total += overlap(*it, span);
    return total;
}

// The parts of `span` the merged list leaves uncovered.
std::vector<ReportSpan> uncovered(const std::vector<ReportSpan>& list, const ReportSpan& span)
{
    std::vector<ReportSpan> holes;
    std::int64_t from = span.startMsecs;
    for (const ReportSpan& s : list) {
        if (s.endMsecs <= from)
            continue;
        if (s.startMsecs >= span.endMsecs)
            break;
        if (s.startMsecs > from)
            holes.push_back({from, s.startMsecs});
        from = std::max(from, s.endMsecs);
    }
    if (from < span.endMsecs)
        holes.push_back({from, span.endMsecs});
    return holes;
}

QDateTime nextBoundary(const QDateTime& t, ReportPeriod by)
{
    const QDate day = t.date();
    switch (by) {
    case ReportPeriod::Day:
        return day.addDays(1).startOfDay(t.timeZone());
    case ReportPeriod::Week:
        return day.addDays(8 - day.dayOfWeek()).startOfDay(t.timeZone());
    case ReportPeriod::Month:
        return QDate(day.year(), day.month(), 1).addMonths(1).startOfDay(t.timeZone());
    case ReportPeriod::Whole:
        break;
    }
    return {};
}

}  // namespace

Report::Report(std::int64_t sinceMsecs, std::int64_t untilMsecs, ReportPeriod by, const QTimeZone& zone)
{
    std::int64_t start = sinceMsecs;
    while (start < untilMsecs) {
        std::int64_t end = untilMsecs;
        if (by != ReportPeriod::Whole) {
            const QDateTime next = nextBoundary(QDateTime::fromMSecsSinceEpoch(start, zone), by);
            if (next.isValid())
                end = std::min(end, std::max<std::int64_t>(start + 1, next.toMSecsSinceEpoch()));
        }
        m_periods.push_back({start, end});
        start = end;
    }
}

void Report::addWatched(ReportSpan span) { m_watched.push_back(sane(span)); }

void Report::addOutage(ReportSpan span) { m_outages.push_back(sane(span)); }

void Report::addChannel(int slot, const QString& channel)
{
    if (std::find(m_channels.begin(), m_channels.end(), std::pair{slot, channel}) == m_channels.end())
        m_channels.emplace_back(slot, channel);
}

void Report::addAlarm(const ReportAlarm& alarm)
{
    addChannel(alarm.slot, alarm.channel);
    m_alarms.push_back(alarm);
    m_alarms.back().span = sane(alarm.span);
}

std::vector<ReportRow> Report::rows() const
{
    const std::vector<ReportSpan> watched = merged(m_watched);
    // Not answering counts only while watched: the outages cut to the watches.
    std::vector<ReportSpan> silent;
    for (const ReportSpan& outage : merged(m_outages))
        for (const ReportSpan& hole : uncovered(uncovered(watched, outage), outage))
            silent.push_back(hole);
    std::vector<std::pair<int, QString>> channels = m_channels;
    std::sort(channels.begin(), channels.end());
    if (channels.empty())
        channels.emplace_back(-1, QString());

    std::vector<ReportRow> rows;
    for (const ReportSpan& period : m_periods) {
        ReportRow probe;
        probe.period = period;
        probe.watchedMsecs = covered(watched, period);
        const auto holes = uncovered(watched, period);
        probe.gaps = static_cast<int>(holes.size());
        probe.unwatchedMsecs = period.endMsecs - period.startMsecs - probe.watchedMsecs;
        probe.answeringMsecs = probe.watchedMsecs - covered(silent, period);
        std::map<std::pair<int, QString>, ReportRow> byChannel;
        for (const auto& channel : channels) {
            ReportRow row = probe;
            std::tie(row.slot, row.channel) = channel;
            byChannel.emplace(channel, row);
        }
        for (const ReportAlarm& alarm : m_alarms) {
            const std::int64_t inPeriod = overlap(alarm.span, period);
            const bool rose = alarm.span.startMsecs >= period.startMsecs && alarm.span.startMsecs < period.endMsecs;
            if (inPeriod == 0 && !rose)
                continue;
            ReportRow& row = byChannel.at({alarm.slot, alarm.channel});
            const ReportSpan clipped{std::max(alarm.span.startMsecs, period.startMsecs),
                                     std::min(alarm.span.endMsecs, period.endMsecs)};
            const std::int64_t watchedInAlarm = clipped.endMsecs > clipped.startMsecs ? covered(watched, clipped) : 0;
            if (alarm.warning) {
                row.warningMsecs += watchedInAlarm;
                row.warnings += rose ? 1 : 0;
            } else {
                row.alarmMsecs += watchedInAlarm;
                row.alarms += rose ? 1 : 0;
                row.longestAlarmMsecs = std::max(row.longestAlarmMsecs, alarm.span.endMsecs - alarm.span.startMsecs);
            }
            if (rose)  // saturated: a crafted store's counts cannot overflow
                row.flaps = static_cast<int>(std::min<std::int64_t>(INT_MAX, std::int64_t{row.flaps} + std::max(0, alarm.flaps)));
        }
        for (auto& [channel, row] : byChannel)
            rows.push_back(row);
    }
    return rows;
}

}  // namespace vimbo
