// The report's arithmetic over a timeline driven here: a crash's gap, two
// managers at once, an outage partly unwatched, a flapping warning and alarms
// across midnight and across the gap.
#include "store/Report.h"

#include <QDateTime>

#include <gtest/gtest.h>

#include <climits>
#include <tuple>

namespace vimbo {
namespace {

const QTimeZone kZone(3600);

std::int64_t at(int day, const char* time)
{
    return QDateTime(QDate(2026, 12, day), QTime::fromString(QLatin1String(time), QStringLiteral("hh:mm:ss")), kZone)
        .toMSecsSinceEpoch();
}

constexpr std::int64_t kS = 1000;
constexpr std::int64_t kMin = 60 * kS;

TEST(Report, eachDayHasItsWatchedTimeGapsAvailabilityAndEachChannelsAlarms)
{
    Report report(at(7, "00:00:00"), at(9, "00:00:00"), ReportPeriod::Day, kZone);
    report.addWatched({at(6, "20:00:00"), at(8, "02:08:27")});  // killed at 02:08:27
    report.addWatched({at(8, "02:09:02"), at(9, "03:00:00")});  // restarted at 02:09:02
    report.addWatched({at(8, "10:00:00"), at(8, "11:00:00")});  // a second manager meanwhile
    report.addOutage({at(7, "10:00:00"), at(7, "10:05:00")});
    report.addOutage({at(8, "02:08:00"), at(8, "02:10:00")});  // 27 s before the gap, 58 s after
    report.addChannel(2, QStringLiteral("(Ch34) 578.00MHz"));
    const QString ch21 = QStringLiteral("(Ch21) 474.00MHz"), ch60 = QStringLiteral("(Ch60) 786.00MHz");
    report.addAlarm({0, ch21, false, {at(7, "23:50:00"), at(8, "00:20:00")}, 0});   // across midnight
    report.addAlarm({0, ch21, true, {at(8, "12:00:00"), at(8, "12:13:00")}, 11});   // a flapping warning
    report.addAlarm({5, ch60, false, {at(8, "02:00:00"), at(8, "02:30:00")}, 0});   // lit before and after the gap

    using Figures = std::tuple<int, std::int64_t, std::int64_t, int, std::int64_t, std::int64_t, std::int64_t, int, int, int,
                               std::int64_t>;
    // slot, watched, unwatched, gaps, answering, in alarm, in warning, alarms, warnings, flaps, longest alarm
    const Figures expected[] = {
        {0, 86400 * kS, 0, 0, 86100 * kS, 10 * kMin, 0, 1, 0, 0, 30 * kMin},
        {2, 86400 * kS, 0, 0, 86100 * kS, 0, 0, 0, 0, 0, 0},
        {5, 86400 * kS, 0, 0, 86100 * kS, 0, 0, 0, 0, 0, 0},
        {0, 86365 * kS, 35 * kS, 1, 86280 * kS, 20 * kMin, 13 * kMin, 0, 1, 11, 30 * kMin},
        {2, 86365 * kS, 35 * kS, 1, 86280 * kS, 0, 0, 0, 0, 0, 0},
        {5, 86365 * kS, 35 * kS, 1, 86280 * kS, 30 * kMin - 35 * kS, 0, 1, 0, 0, 30 * kMin},
    };
    const auto rows = report.rows();
    ASSERT_EQ(rows.size(), std::size(expected));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        const ReportRow& r = rows[i];
        EXPECT_EQ(r.period.startMsecs, at(7 + static_cast<int>(i / 3), "00:00:00"));
        EXPECT_EQ(r.period.endMsecs, at(8 + static_cast<int>(i / 3), "00:00:00"));
        EXPECT_EQ(Figures(r.slot, r.watchedMsecs, r.unwatchedMsecs, r.gaps, r.answeringMsecs, r.alarmMsecs, r.warningMsecs,
                          r.alarms, r.warnings, r.flaps, r.longestAlarmMsecs),
                  expected[i]);
    }
    EXPECT_EQ(rows[1].channel, QStringLiteral("(Ch34) 578.00MHz"));

    // A crafted store's times give bounded figures, not an overflow.
    Report crafted(at(7, "00:00:00"), at(8, "00:00:00"), ReportPeriod::Whole, kZone);
    crafted.addWatched({INT64_MIN, INT64_MAX});
    crafted.addAlarm({1, ch21, false, {INT64_MIN, INT64_MAX}, INT_MAX});
    const ReportRow row = crafted.rows().at(0);
    EXPECT_EQ(std::tuple(row.watchedMsecs, row.alarmMsecs, row.alarms), std::tuple(86400 * kS, 86400 * kS, 0));
    EXPECT_GT(row.longestAlarmMsecs, 86400 * kS);
    EXPECT_NEAR(rows[3].availability(), 86280.0 / 86365.0, 1e-12);
}

TEST(Report, periodsEndAtLocalMidnightsMondaysAndFirstsOfTheMonth)
{
    const struct {
        ReportPeriod by;
        std::int64_t since, until;
        std::vector<std::int64_t> starts;
    } cases[] = {
        {ReportPeriod::Whole, at(3, "12:00:00"), at(17, "00:00:00"), {at(3, "12:00:00")}},
        {ReportPeriod::Day, at(3, "12:00:00"), at(5, "06:00:00"), {at(3, "12:00:00"), at(4, "00:00:00"), at(5, "00:00:00")}},
        {ReportPeriod::Week, at(3, "12:00:00"), at(17, "00:00:00"), {at(3, "12:00:00"), at(7, "00:00:00"), at(14, "00:00:00")}},
        {ReportPeriod::Month,
         QDateTime(QDate(2026, 11, 20), QTime(0, 0), kZone).toMSecsSinceEpoch(),
         at(5, "00:00:00"),
         {QDateTime(QDate(2026, 11, 20), QTime(0, 0), kZone).toMSecsSinceEpoch(), at(1, "00:00:00")}},
        {ReportPeriod::Day, at(5, "00:00:00"), at(5, "00:00:00"), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.by));
        const Report report(c.since, c.until, c.by, kZone);
        std::vector<std::int64_t> starts;
        for (const ReportSpan& p : report.periods())
            starts.push_back(p.startMsecs);
        EXPECT_EQ(starts, c.starts);
        if (!report.periods().empty())
            EXPECT_EQ(report.periods().back().endMsecs, c.until);
        const auto rows = report.rows();  // nothing watched: one probe row a period, all of it a gap
        ASSERT_EQ(rows.size(), c.starts.size());
        if (!rows.empty())
            EXPECT_EQ(std::tuple(rows[0].slot, rows[0].gaps, rows[0].watchedMsecs, rows[0].availability()),
                      std::tuple(-1, 1, std::int64_t{0}, 0.0));
    }
}

}  // namespace
}  // namespace vimbo
