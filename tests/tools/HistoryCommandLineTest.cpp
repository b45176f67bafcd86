// vimbo-history's command line as a table: what each argument list runs, or
// the status and the reason it stops with.
#include "HistoryCommandLine.h"

#include <QDateTime>

#include <gtest/gtest.h>

namespace vimbo {
namespace {

const std::int64_t kNow = QDateTime(QDate(2026, 12, 9), QTime(12, 0), QTimeZone(0)).toMSecsSinceEpoch();

TEST(HistoryCommandLine, eachArgumentListRunsACommandOrStopsWithItsStatusAndReason)
{
    struct Case {
        QStringList args;
        std::optional<int> status;
        const char* says;  // in the output or the error
    };
    const Case cases[] = {
        {{"events"}, std::nullopt, ""},
        {{"--history", "h.sqlite", "probes", "--format=json"}, std::nullopt, ""},
        {{"export", "--since", "2h", "--resolution", "1m", "--format", "json"}, std::nullopt, ""},
        {{"report", "--since", "30d", "--by", "month", "--probe", "[::1]:161"}, std::nullopt, ""},
        {{"backup", "copy.sqlite"}, std::nullopt, ""},
        {{"--help"}, 0, "backup FILE"},
        {{"events", "-h"}, 0, "report [--probe"},
        {{"--version"}, 0, "vimbo-history 1.0.0\n"},
        {{}, 2, "a command is needed: events, export, probes, report or backup"},
        {{"purge"}, 2, "unknown command purge (events, export, probes, report or backup)"},
        {{"events", "--slot", "1"}, 2, "unknown option --slot"},
        {{"events", "--resolution", "1m"}, 2, "--resolution does not go with events"},
        {{"probes", "--probe", "127.0.0.1:161"}, 2, "--probe does not go with probes"},
        {{"backup", "copy.sqlite", "--format", "json"}, 2, "--format does not go with backup"},
        {{"events", "--format", "xml"}, 2, "--format takes csv or json, not \"xml\""},
        {{"events", "--format", "text"}, 2, "--format takes csv or json, not \"text\""},
        {{"report", "--since", "1d", "--format", "xml"}, 2, "--format takes text, csv or json, not \"xml\""},
        {{"events", "--since", "yesterday"}, 2, "--since takes a duration such as 2h or 7d"},
        {{"events", "--since", "1h", "--until", "2026-12-09T10:00Z"}, 2, "--until is before --since"},
        {{"events", "--probe", "localhost:161"}, 2, "--probe takes ADDRESS:PORT"},
        {{"events", "--probe", "127.0.0.1:0"}, 2, "--probe takes ADDRESS:PORT"},
        {{"events", "--probe", "::1:161"}, 2, "--probe takes ADDRESS:PORT"},
        {{"export", "--probe", "127.0.0.1:161"}, 2, "export needs --since"},
        {{"report"}, 2, "report needs --since"},
        {{"export", "--since", "1h", "--resolution", "1h"}, 2, "--resolution takes 5s or 1m"},
        {{"report", "--since", "1d", "--by", "year"}, 2, "--by takes day, week or month"},
        {{"report", "--since", "999999999d", "--by", "day"}, 2, "--by covers at most a hundred years"},
        {{"events", "--since"}, 2, "--since takes a value"},
        {{"events", "--since", "1h", "--since", "2h"}, 2, "--since is given twice"},
        {{"--history", "a", "--history", "b", "events"}, 2, "--history is given twice"},
        {{"--history", "", "events"}, 2, "--history takes a file name"},
        {{"events", "extra"}, 2, "unexpected argument: extra"},
        {{"backup"}, 2, "backup needs the FILE to write"},
        {{"backup", "a", "b"}, 2, "unexpected argument: b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const HistoryCommandLine read = readHistoryCommandLine(c.args, kNow, QStringLiteral("default.sqlite"));
        EXPECT_EQ(read.exitStatus, c.status);
        EXPECT_NE((read.output + read.error).indexOf(QLatin1String(c.says)), -1) << (read.output + read.error).toStdString();
        if (c.status == 2)
            EXPECT_TRUE(read.error.endsWith(QStringLiteral("Try 'vimbo-history --help'.\n"))) << read.error.toStdString();
    }
}

TEST(HistoryCommandLine, theArgumentsReadAreTheOnesGiven)
{
    const HistoryArguments report =
        readHistoryCommandLine({"report", "--probe=[::1]:16162", "--since", "2026-12-01T00:00Z", "--until", "2h", "--by",
                                "week", "--format", "csv"},
                               kNow, QStringLiteral("default.sqlite"))
            .arguments;
    EXPECT_EQ(std::tuple(report.command, report.store, *report.probeAddress, report.probePort, *report.sinceMsecs,
                         *report.untilMsecs, report.by, report.format),
              std::tuple(HistoryCommand::Report, QStringLiteral("default.sqlite"), QStringLiteral("::1"), 16162,
                         QDateTime(QDate(2026, 12, 1), QTime(0, 0), QTimeZone(0)).toMSecsSinceEpoch(), kNow - 7'200'000,
                         ReportPeriod::Week, HistoryFormat::Csv));
    const HistoryArguments defaults =
        readHistoryCommandLine({"report", "--since", "1d"}, kNow, QStringLiteral("default.sqlite")).arguments;
    EXPECT_EQ(std::tuple(defaults.by, defaults.format, defaults.probeAddress, defaults.untilMsecs),
              std::tuple(ReportPeriod::Whole, HistoryFormat::Text, std::nullopt, std::nullopt));
    const HistoryArguments exported =
        readHistoryCommandLine({"export", "--since", "90s", "--resolution", "1m", "--history", "h.sqlite"}, kNow, {}).arguments;
    EXPECT_EQ(std::tuple(exported.command, exported.store, exported.minutes, exported.format, *exported.sinceMsecs),
              std::tuple(HistoryCommand::Export, QStringLiteral("h.sqlite"), true, HistoryFormat::Csv, kNow - 90'000));
    const HistoryArguments backup = readHistoryCommandLine({"backup", "--history", "h.sqlite", "copy.sqlite"}, kNow, {}).arguments;
    EXPECT_EQ(std::tuple(backup.command, backup.store, backup.backupFile),
              std::tuple(HistoryCommand::Backup, QStringLiteral("h.sqlite"), QStringLiteral("copy.sqlite")));
}

}  // namespace
}  // namespace vimbo
