#pragma once

#include <QString>
#include <QTimeZone>

#include <cstdint>
#include <vector>

namespace vimbo {

/// How a report cuts its range: whole, or at local midnights, Mondays or firsts of the month.
enum class ReportPeriod { Whole, Day, Week, Month };

struct ReportSpan {
    std::int64_t startMsecs = 0;
    std::int64_t endMsecs = 0;
};

/// One alarm or warning record of the journal: its rise, its end (an active
/// one ends at the report's end) and the flaps the record absorbed.
struct ReportAlarm {
    int slot = 0;  // 0..5
    QString channel;
    bool warning = false;
    ReportSpan span;
    int flaps = 0;
};

/// One probe's figures for one period and one channel. The probe's own
/// figures (watched, unwatched, answering) are the same on each of its
/// channels' rows of the period.
struct ReportRow {
    ReportSpan period;
    int slot = -1;  // -1: a probe with no channel known
    QString channel;
    std::int64_t watchedMsecs = 0;
    std::int64_t unwatchedMsecs = 0;
    int gaps = 0;  // unwatched stretches, one straddling two periods counted in each
    std::int64_t answeringMsecs = 0;
    std::int64_t alarmMsecs = 0, warningMsecs = 0;  // watched time in alarm, in warning
    int alarms = 0, warnings = 0, flaps = 0;        // counted in the period they rose in
    std::int64_t longestAlarmMsecs = 0;             // the whole length of the longest alarm the period touches
    /// The answering share of the watched time, 0..1; nothing watched gives 0.
    double availability() const
    {
        return watchedMsecs > 0 ? static_cast<double>(answeringMsecs) / static_cast<double>(watchedMsecs) : 0.0;
    }
};

/// The arithmetic of one probe's report: fed with the periods a manager
/// watched it, the outages (the probe not answering) and the alarm and
/// warning records, it gives a row per period and channel. Overlapping
/// watches (two managers) count once; time in alarm counts only while watched.
class Report {
public:
    Report(std::int64_t sinceMsecs, std::int64_t untilMsecs, ReportPeriod by, const QTimeZone& zone);

    void addWatched(ReportSpan span);
    void addOutage(ReportSpan span);
    /// A channel gets its rows even in a period without alarms.
    void addChannel(int slot, const QString& channel);
    void addAlarm(const ReportAlarm& alarm);

    /// Periods in order, each with its channels by slot, then by label.
    std::vector<ReportRow> rows() const;
    const std::vector<ReportSpan>& periods() const { return m_periods; }

private:
    std::vector<ReportSpan> m_periods;
    std::vector<ReportSpan> m_watched, m_outages;
    std::vector<std::pair<int, QString>> m_channels;
    std::vector<ReportAlarm> m_alarms;
};

}  // namespace vimbo
