// vimbo-history: the alarm journal and the measure history that vimboManager
// records, for scripts and reports. main() reads the command line and runs
// one function per command.
#include "HistoryCommandLine.h"

#include "chart/HistoryCsv.h"
#include "core/Clock.h"
#include "store/HistoryExport.h"
#include "store/HistoryStore.h"
#include "store/Report.h"
#include "store/StoreBackup.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <optional>
#include <string>

namespace vimbo {
namespace {

constexpr int kDone = 0;
constexpr int kUnreadable = 1;  // the store cannot be read, or it holds no such probe
constexpr int kCannotWrite = 3;

void tell(const QString& message) { std::fprintf(stderr, "vimbo-history: %s\n", message.toLocal8Bit().constData()); }

/// Standard output, written in large pieces; a failure (a full disk, a closed
/// pipe) is remembered and told at the end, as coreutils does.
class Output {
public:
    void write(std::string_view text)
    {
        m_pending.append(text);
        if (m_pending.size() > (1u << 18))
            flush();
    }
    void write(const QString& text) { write(std::string_view(text.toUtf8().toStdString())); }
    void write(const char* text) { write(std::string_view(text)); }
    std::string& buffer() { return m_pending; }
    void flushIfLarge()
    {
        if (m_pending.size() > (1u << 18))
            flush();
    }
    /// Everything written out; otherwise the reason is told and false returned.
    bool finish()
    {
        flush();
        if (std::fflush(stdout) != 0 && m_error == 0)
            m_error = errno;
        if (std::ferror(stdout) && m_error == 0)
            m_error = EIO;
        if (m_error != 0)
            tell(QStringLiteral("cannot write the output: ") + QString::fromLocal8Bit(std::strerror(m_error)));
        return m_error == 0;
    }

private:
    void flush()
    {
        if (m_error == 0 && !m_pending.empty() && std::fwrite(m_pending.data(), 1, m_pending.size(), stdout) != m_pending.size())
            m_error = errno != 0 ? errno : EIO;
        m_pending.clear();
    }
    std::string m_pending;
    int m_error = 0;
};

// The store's answers; the first failure is kept, ends the command as
// unreadable, and what follows it reads as empty.
class StoreReads {
public:
    template <typename T>
    T operator()(StoreResult<T> result)
    {
        if (result)
            return std::move(result).value();
        keep(result.error());
        return T{};
    }
    void operator()(const StoreStatus& status)
    {
        if (!status)
            keep(status.error());
    }
    const std::optional<StoreError>& failure() const { return m_failure; }

private:
    void keep(const StoreError& error)
    {
        if (!m_failure)
            m_failure = error;
    }
    std::optional<StoreError> m_failure;
};

std::optional<ProbeKey> askedProbe(const HistoryArguments& a)
{
    if (!a.probeAddress)
        return std::nullopt;
    return ProbeKey{*a.probeAddress, a.probePort, {}};
}

bool holds(const std::vector<ProbeSummary>& probes, const ProbeKey& probe)
{
    return std::any_of(probes.begin(), probes.end(), [&](const ProbeSummary& p) {
        return p.probe.address == probe.address && p.probe.port == probe.port;
    });
}

// The probes a command covers: the one asked for, under every name it reported, or every one the store holds.
std::optional<std::vector<ProbeKey>> probesOf(const HistoryStore& store, StoreReads& read, const HistoryArguments& a, bool byName)
{
    const auto all = read(store.probes());
    if (const auto asked = askedProbe(a)) {
        if (!holds(all, *asked)) {
            tell(QStringLiteral("the store holds no probe at ") + asked->where() +
                 QStringLiteral(" (see vimbo-history probes)"));
            return std::nullopt;
        }
        return std::vector<ProbeKey>{*asked};
    }
    std::vector<ProbeKey> keys;
    for (const ProbeSummary& p : all) {
        const ProbeKey key = byName ? p.probe : ProbeKey{p.probe.address, p.probe.port, {}};
        if (std::find(keys.begin(), keys.end(), key) == keys.end())
            keys.push_back(key);
    }
    return keys;
}

int runEvents(const HistoryStore& store, StoreReads& read, const HistoryArguments& a, Output& out)
{
    if (a.probeAddress && !probesOf(store, read, a, false))
        return kUnreadable;
    EventFilter filter;
    filter.probe = askedProbe(a);
    filter.sinceMsecs = a.sinceMsecs;
    filter.untilMsecs = a.untilMsecs;
    const auto events = read(store.events(filter));
    out.write(a.format == HistoryFormat::Json ? eventsJson(events) : eventsCsv(events));
    return kDone;
}

int runExport(const HistoryStore& store, StoreReads& read, const HistoryArguments& a, std::int64_t now, Output& out)
{
    const auto probes = probesOf(store, read, a, true);
    if (!probes)
        return kUnreadable;
    const bool every = !a.probeAddress;
    const bool json = a.format == HistoryFormat::Json;
    PerSlot<QString> slotNames;
    for (int s = 0; s < kSlotCount; ++s)
        slotNames[static_cast<std::size_t>(s)] = QStringLiteral("Slot %1").arg(s + 1);
    const std::int64_t until = a.untilMsecs.value_or(now);
    if (!json) {
        // Every probe's rows under one header: the slots by number, each row naming its probe.
        const PerSlot<QString> labels = every ? slotNames : read(store.labels(probes->front()));
        out.write(a.minutes ? minutesCsvHeader(labels, every) : bucketsCsvHeader(labels, every));
    } else {
        out.write("[");
    }
    bool first = true;
    for (const ProbeKey& probe : *probes) {
        const std::string probeFields = every ? probeCsvFields(probe) : std::string();
        const JsonRowParts parts = jsonRowParts(read(store.labels(probe)), every ? &probe : nullptr);
        const auto row = [&](const auto& write) {
            if (json) {
                out.buffer() += first ? "\n" : ",\n";
                first = false;
            }
            write(out.buffer());
            out.flushIfLarge();
        };
        if (a.minutes)
            read(store.eachMinute(probe, *a.sinceMsecs, until, [&](const StoredMinute& m) {
                row([&](std::string& text) { json ? appendMinuteJson(text, parts, m) : appendMinuteCsv(text, m, probeFields); });
            }));
        else
            read(store.eachBucket(probe, *a.sinceMsecs, until, [&](const StoredBucket& b) {
                row([&](std::string& text) { json ? appendBucketJson(text, parts, b) : appendBucketCsv(text, b, probeFields); });
            }));
    }
    if (json)
        out.write("\n]\n");
    return kDone;
}

int runProbes(const HistoryStore& store, StoreReads& read, const HistoryArguments& a, Output& out)
{
    const auto probes = read(store.probes());
    const auto time = [](const std::optional<BucketTime>& t) {
        return t ? isoTime(t->msecsSinceEpoch, QDateTime::fromMSecsSinceEpoch(t->msecsSinceEpoch).offsetFromUtc()) : QString();
    };
    if (a.format == HistoryFormat::Json) {
        QJsonArray array;
        for (const auto& p : probes)
            array.append(QJsonObject{{QStringLiteral("probe"), p.probe.where()},
                                     {QStringLiteral("probe_name"), p.probe.name},
                                     {QStringLiteral("first"), p.first ? QJsonValue(time(p.first)) : QJsonValue()},
                                     {QStringLiteral("last"), p.last ? QJsonValue(time(p.last)) : QJsonValue()},
                                     {QStringLiteral("state"), p.state}});
        out.write(QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented)));
        return kDone;
    }
    QString csv = QStringLiteral("probe,probe name,first,last,state\r\n");
    for (const auto& p : probes)
        csv += QStringList{csvField(p.probe.where()), csvField(p.probe.name), time(p.first), time(p.last), csvField(p.state)}
                   .join(QLatin1Char(',')) +
               QStringLiteral("\r\n");
    out.write(csv);
    return kDone;
}

int runBackup(const HistoryArguments& a)
{
    if (const auto error = backupStore(a.store, a.backupFile)) {
        tell(*error);
        return kCannotWrite;
    }
    return kDone;
}

// ---- report --------------------------------------------------------------------

// The journal's rises and their ends, as spans: alarms and warnings per slot, outages of the probe.
void feedReport(Report& report, const std::vector<JournalEvent>& newestFirst, std::int64_t until)
{
    struct Open {
        std::int64_t since;
        QString channel;
        int flaps;  // kept on the record's rise
    };
    std::map<std::pair<int, bool>, Open> rises;  // by slot and warning
    std::optional<std::int64_t> outage;
    for (auto e = newestFirst.rbegin(); e != newestFirst.rend(); ++e) {
        const std::int64_t t = e->time.msecsSinceEpoch;
        const bool warning = opens(e->kind) == Episode::Warning || ends(e->kind) == Episode::Warning;
        const Episode begun = opens(e->kind), ended = ends(e->kind);
        if (begun == Episode::Alarm || begun == Episode::Warning) {
            rises[{e->slot, warning}] = {t, e->channel, e->flaps};
        } else if (ended == Episode::Alarm || ended == Episode::Warning) {
            const auto rise = rises.find({e->slot, warning});
            if (rise == rises.end())
                continue;
            report.addAlarm({e->slot, rise->second.channel, warning, {rise->second.since, t}, rise->second.flaps});
            rises.erase(rise);
        } else if (begun == Episode::Outage) {
            outage = outage.value_or(t);
        } else if (ended == Episode::Outage && outage) {
            report.addOutage({*outage, t});
            outage.reset();
        }
    }
    for (const auto& [key, rise] : rises)
        report.addAlarm({key.first, rise.channel, key.second, {rise.since, until}, rise.flaps});
    if (outage)
        report.addOutage({*outage, until});
}

// Where a manager recorded the probe, for a store from before managers kept
// their watches: it closes a bucket every 5 s whether or not the probe
// answers, so each bucket stands for the 5 s before it closed, and each minute
// (older than the buckets kept) for its minute.
std::vector<ReportSpan> recordedSpans(const HistoryStore& store, StoreReads& read, const ProbeKey& probe, std::int64_t since, std::int64_t until)
{
    constexpr std::int64_t kBucketMsecs = 5000, kMinuteMsecs = 60'000;
    std::vector<ReportSpan> spans;
    const auto add = [&spans](std::int64_t start, std::int64_t end) {
        if (!spans.empty() && start <= spans.back().endMsecs)
            spans.back().endMsecs = std::max(spans.back().endMsecs, end);
        else
            spans.push_back({start, end});
    };
    std::vector<ReportSpan> buckets;
    read(store.eachBucket(probe, since, until + kBucketMsecs, [&](const StoredBucket& b) {
        if (!buckets.empty() && b.time.msecsSinceEpoch - kBucketMsecs <= buckets.back().endMsecs)
            buckets.back().endMsecs = std::max(buckets.back().endMsecs, b.time.msecsSinceEpoch);
        else
            buckets.push_back({b.time.msecsSinceEpoch - kBucketMsecs, b.time.msecsSinceEpoch});
    }));
    const std::int64_t minutesUntil = buckets.empty() ? until : buckets.front().startMsecs;
    if (minutesUntil > since - kMinuteMsecs)
        read(store.eachMinute(probe, since - kMinuteMsecs, minutesUntil, [&](const StoredMinute& m) {
            add(m.time.msecsSinceEpoch, m.time.msecsSinceEpoch + kMinuteMsecs);
        }));
    for (const ReportSpan& b : buckets)
        add(b.startMsecs, b.endMsecs);
    return spans;
}

// When managers watched the probe. A watch that ended without a close (a
// crash) ends at its last heartbeat, up to a minute before; the buckets the
// manager recorded after it carry it to its last sign of life. Before the
// first watch the store knows of, the recorded buckets and minutes tell.
std::vector<ReportSpan> watchedSpans(const HistoryStore& store, StoreReads& read, const ProbeKey& probe, std::int64_t since,
                                     std::int64_t until)
{
    constexpr std::int64_t kHeartbeatMsecs = 65'000;  // a minute, and a bucket's length
    const auto ever = read(store.watchedPeriods(probe.address, probe.port, std::numeric_limits<std::int64_t>::min() / 2, until));
    const std::int64_t firstWatch = ever.empty() ? until : ever.front().startMsecs;
    std::vector<ReportSpan> spans;
    if (firstWatch > since)
        for (const ReportSpan& s : recordedSpans(store, read, probe, since, firstWatch))
            spans.push_back({s.startMsecs, std::min(s.endMsecs, firstWatch)});
    const auto periods = read(store.watchedPeriods(probe.address, probe.port, since, until));
    for (std::size_t i = 0; i < periods.size(); ++i) {
        const WatchedPeriod& p = periods[i];
        std::int64_t end = p.ongoing ? until : p.endMsecs;
        // Up to the next watch's start: the buckets after it are the next manager's.
        const std::int64_t bound = std::min({until, end + kHeartbeatMsecs,
                                             i + 1 < periods.size() ? periods[i + 1].startMsecs - 1 : until});
        if (!p.ongoing && bound > end)
            read(store.eachBucket(probe, end, bound,
                                  [&](const StoredBucket& b) { end = std::max(end, b.time.msecsSinceEpoch); }));
        spans.push_back({p.startMsecs, end});
    }
    return spans;
}

QString percent(const ReportRow& r)
{
    return r.watchedMsecs > 0 ? QString::number(r.availability() * 100.0, 'f', 2) : QString();
}

QString localTime(std::int64_t msecs, const char* format)
{
    return QDateTime::fromMSecsSinceEpoch(msecs).toString(QLatin1String(format));
}

// Columns padded to their widest cell; numbers to the right.
QString textTable(const std::vector<QStringList>& rows, const QString& rightAligned)
{
    std::vector<qsizetype> widths;
    for (const QStringList& row : rows)
        for (qsizetype c = 0; c < row.size(); ++c) {
            if (static_cast<std::size_t>(c) >= widths.size())
                widths.push_back(0);
            widths[static_cast<std::size_t>(c)] = std::max(widths[static_cast<std::size_t>(c)], row[c].size());
        }
    QString text;
    for (const QStringList& row : rows) {
        QStringList cells;
        for (qsizetype c = 0; c < row.size(); ++c) {
            const auto width = widths[static_cast<std::size_t>(c)];
            cells << (rightAligned[c] == QLatin1Char('r') ? row[c].rightJustified(width) : row[c].leftJustified(width));
        }
        text += cells.join(QStringLiteral("  ")).trimmed() + QLatin1Char('\n');
    }
    return text;
}

using ProbeReports = std::vector<std::pair<ProbeKey, std::vector<ReportRow>>>;

std::int64_t seconds(std::int64_t msecs) { return msecs / 1000; }

// A time with the offset the local clock had then.
BucketTime localTimeAt(std::int64_t msecs) { return {msecs, QDateTime::fromMSecsSinceEpoch(msecs).offsetFromUtc()}; }

QString reportJson(const ProbeReports& reports)
{
    QJsonArray array;
    for (const auto& [probe, rows] : reports)
        for (const ReportRow& r : rows)
            array.append(QJsonObject{
                {QStringLiteral("from"), isoTimeWithOffset(localTimeAt(r.period.startMsecs))},
                {QStringLiteral("to"), isoTimeWithOffset(localTimeAt(r.period.endMsecs))},
                {QStringLiteral("probe"), probe.where()},
                {QStringLiteral("probe_name"), probe.name},
                {QStringLiteral("slot"), r.slot >= 0 ? QJsonValue(r.slot + 1) : QJsonValue()},
                {QStringLiteral("channel"), r.channel.isEmpty() ? QJsonValue() : QJsonValue(r.channel)},
                {QStringLiteral("watched_s"), static_cast<double>(seconds(r.watchedMsecs))},
                {QStringLiteral("unwatched_s"), static_cast<double>(seconds(r.unwatchedMsecs))},
                {QStringLiteral("gaps"), r.gaps},
                {QStringLiteral("availability"), r.watchedMsecs > 0 ? QJsonValue(r.availability()) : QJsonValue()},
                {QStringLiteral("alarm_s"), static_cast<double>(seconds(r.alarmMsecs))},
                {QStringLiteral("warning_s"), static_cast<double>(seconds(r.warningMsecs))},
                {QStringLiteral("alarms"), r.alarms},
                {QStringLiteral("warnings"), r.warnings},
                {QStringLiteral("flaps"), r.flaps},
                {QStringLiteral("longest_alarm_s"), static_cast<double>(seconds(r.longestAlarmMsecs))}});
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented));
}

std::string reportCsv(const ProbeReports& reports)
{
    std::string csv = "from,to,probe,probe name,slot,channel,watched (s),unwatched (s),gaps,availability (%),"
                      "in alarm (s),in warning (s),alarms,warnings,flaps,longest alarm (s)\r\n";
    for (const auto& [probe, rows] : reports)
        for (const ReportRow& r : rows) {
            appendIsoTime(csv, localTimeAt(r.period.startMsecs));
            csv += ',';
            appendIsoTime(csv, localTimeAt(r.period.endMsecs));
            csv += probeCsvFields(probe);
            csv += QStringList{r.slot >= 0 ? QString::number(r.slot + 1) : QString(), csvField(r.channel),
                               QString::number(seconds(r.watchedMsecs)), QString::number(seconds(r.unwatchedMsecs)),
                               QString::number(r.gaps), percent(r),
                               QString::number(seconds(r.alarmMsecs)), QString::number(seconds(r.warningMsecs)),
                               QString::number(r.alarms), QString::number(r.warnings), QString::number(r.flaps),
                               QString::number(seconds(r.longestAlarmMsecs))}
                       .join(QLatin1Char(','))
                       .prepend(QLatin1Char(','))
                       .toStdString();
            csv += "\r\n";
        }
    return csv;
}

QString reportText(const ProbeReports& reports, ReportPeriod by)
{
    const char* const format = by == ReportPeriod::Whole ? "yyyy-MM-dd HH:mm" : "yyyy-MM-dd";
    std::vector<QStringList> table{{QStringLiteral("from"), QStringLiteral("probe"), QStringLiteral("watched"),
                                    QStringLiteral("gaps"), QStringLiteral("unwatched"), QStringLiteral("available"),
                                    QStringLiteral("slot"), QStringLiteral("channel"), QStringLiteral("in alarm"),
                                    QStringLiteral("in warning"), QStringLiteral("alarms"), QStringLiteral("warnings"),
                                    QStringLiteral("flaps"), QStringLiteral("longest alarm")}};
    for (const auto& [probe, rows] : reports) {
        const ReportRow* previous = nullptr;
        for (const ReportRow& r : rows) {
            // The probe's own figures once per period, on its first channel's line.
            const bool first = !previous || previous->period.startMsecs != r.period.startMsecs;
            previous = &r;
            const QString name = probe.name.isEmpty() ? probe.where() : probe.name + QLatin1Char(' ') + probe.where();
            table.push_back({first ? localTime(r.period.startMsecs, format) : QString(), first ? name : QString(),
                             first ? durationText(r.watchedMsecs) : QString(), first ? QString::number(r.gaps) : QString(),
                             first ? durationText(r.unwatchedMsecs) : QString(),
                             first ? (r.watchedMsecs > 0 ? percent(r) + QStringLiteral(" %") : QStringLiteral("-")) : QString(),
                             r.slot >= 0 ? QString::number(r.slot + 1) : QStringLiteral("-"),
                             r.channel.isEmpty() ? QStringLiteral("-") : r.channel, durationText(r.alarmMsecs),
                             durationText(r.warningMsecs), QString::number(r.alarms), QString::number(r.warnings),
                             QString::number(r.flaps), r.longestAlarmMsecs ? durationText(r.longestAlarmMsecs) : QStringLiteral("-")});
        }
    }
    return textTable(table, QStringLiteral("llrrrrrlrrrrrr"));
}

int runReport(const HistoryStore& store, StoreReads& read, const HistoryArguments& a, std::int64_t now, Output& out)
{
    const auto probes = probesOf(store, read, a, false);
    if (!probes)
        return kUnreadable;
    const std::int64_t since = *a.sinceMsecs;
    const std::int64_t until = a.untilMsecs.value_or(now);
    ProbeReports reports;
    for (const ProbeKey& where : *probes) {
        Report report(since, until, a.by, QTimeZone::systemTimeZone());
        // The journal from well before the start: an alarm that rose earlier still counts its time.
        EventFilter filter;
        filter.probe = where;
        filter.untilMsecs = until;
        feedReport(report, read(store.events(filter)), until);
        for (const ReportSpan& span : watchedSpans(store, read, where, since, until))
            report.addWatched(span);
        const PerSlot<QString> labels = read(store.labels(where));
        for (int s = 0; s < kSlotCount; ++s)
            if (!labels[static_cast<std::size_t>(s)].startsWith(QLatin1String("Slot ")))
                report.addChannel(s, labels[static_cast<std::size_t>(s)]);
        reports.emplace_back(ProbeKey{where.address, where.port, read(store.lastName(where.address, where.port))}, report.rows());
    }
    if (a.format == HistoryFormat::Json)
        out.write(reportJson(reports));
    else if (a.format == HistoryFormat::Csv)
        out.write(reportCsv(reports));
    else
        out.write(reportText(reports, a.by));
    return kDone;
}

int run(const HistoryArguments& a, std::int64_t now)
{
    if (a.command == HistoryCommand::Backup)
        return runBackup(a);
    Output out;
    int status = kDone;
    StoreReads read;
    if (const auto opened = HistoryStore::open(a.store, HistoryStore::Mode::ReadOnly); !opened) {
        read(StoreStatus(opened.error()));
    } else {
        const HistoryStore& store = **opened;
        switch (a.command) {
        case HistoryCommand::Events:
            status = runEvents(store, read, a, out);
            break;
        case HistoryCommand::Export:
            status = runExport(store, read, a, now, out);
            break;
        case HistoryCommand::Probes:
            status = runProbes(store, read, a, out);
            break;
        case HistoryCommand::Report:
            status = runReport(store, read, a, now, out);
            break;
        case HistoryCommand::Backup:
            break;
        }
    }
    if (read.failure()) {
        tell(a.store + QStringLiteral(": ") + read.failure()->message);
        status = kUnreadable;
    }
    if (!out.finish() && status == kDone)
        return kCannotWrite;
    return status;
}

}  // namespace
}  // namespace vimbo

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const vimbo::HistoryCommandLine read =
        vimbo::readHistoryCommandLine(args, QDateTime::currentMSecsSinceEpoch(), vimbo::defaultHistoryPath());
    if (read.exitStatus) {
        std::fputs(read.error.toLocal8Bit().constData(), stderr);
        std::fputs(read.output.toLocal8Bit().constData(), stdout);
        if (std::fflush(stdout) != 0 && *read.exitStatus == 0) {
            std::fprintf(stderr, "vimbo-history: cannot write the output: %s\n", std::strerror(errno));
            return 3;
        }
        return *read.exitStatus;
    }
    return vimbo::run(read.arguments, QDateTime::currentMSecsSinceEpoch());
}
