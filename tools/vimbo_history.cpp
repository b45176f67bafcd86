// vimbo-history: the alarm journal and the measure history that vimboManager
// records, for scripts and reports.
#include "chart/HistoryCsv.h"
#include "core/NumericAddress.h"
#include "store/HistoryExport.h"
#include "store/HistoryStore.h"

#include <QDateTime>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringList>

#include <cstdio>
#include <map>
#include <optional>

namespace {

constexpr int kUsage = 2;
constexpr int kUnreadable = 1;

const char* const kHelp =
    "Usage: vimbo-history [--history FILE] COMMAND [options]\n"
    "Reads the alarm journal and the measure history vimboManager keeps.\n"
    "\n"
    "Commands:\n"
    "  events [--probe ADDRESS:PORT] [--since DURATION|TIME] [--until TIME] [--format csv|json]\n"
    "      The journal, newest first: time, probe, probe name, kind, slot, channel,\n"
    "      duration (seconds), acknowledged by, note, power, MER, VBER, detail.\n"
    "  export [--probe ADDRESS:PORT] --since DURATION|TIME [--until TIME] [--resolution 5s|1m] [--format csv|json]\n"
    "      One probe's measures, oldest first, in the chart's CSV: 5-second buckets\n"
    "      (the default), or per-minute means followed by minimums and maximums.\n"
    "  probes [--format csv|json]\n"
    "      Every probe in the store, with its first and last record and its state.\n"
    "\n"
    "Options:\n"
    "  --history FILE   the store (default $XDG_STATE_HOME/vimbo/history.sqlite)\n"
    "  DURATION is a number and s, m, h or d (\"2h\": the last two hours); TIME is\n"
    "  ISO 8601 (\"2026-12-08T09:30\", local time unless an offset is given).\n"
    "  -h, --help       show this help and exit\n"
    "  --version        show the version and exit\n"
    "\n"
    "Exit status: 0 done, 1 the store cannot be read, 2 usage error.\n";

int usage(const QString& message)
{
    std::fprintf(stderr, "vimbo-history: %s\nTry 'vimbo-history --help'.\n", qPrintable(message));
    return kUsage;
}

std::optional<vimbo::ProbeKey> parseProbe(const QString& text)
{
    // The address as the manager takes it, in brackets when it is IPv6, then the port.
    static const QRegularExpression form(QStringLiteral("^(?:\\[([^\\]]+)\\]|([^:]+)):(\\d{1,5})$"));
    const auto match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const bool ipv6 = !match.captured(1).isEmpty();
    const QString address = ipv6 ? match.captured(1) : match.captured(2);
    const int port = match.captured(3).toInt();
    if (port < 1 || port > 65535 || !(ipv6 ? vimbo::isNumericIPv6Address(address) : vimbo::isNumericAddress(address)))
        return std::nullopt;
    return vimbo::ProbeKey{address, port, {}};
}

vimbo::BucketTime localTime(std::int64_t msecs)
{
    return {msecs, QDateTime::fromMSecsSinceEpoch(msecs).offsetFromUtc()};
}

void print(const QString& text) { std::fputs(text.toUtf8().constData(), stdout); }

}  // namespace

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    QString path = vimbo::defaultHistoryPath();
    QString command;
    std::map<QString, QString> options;
    static const QStringList kValued = {QStringLiteral("--history"), QStringLiteral("--probe"),
                                        QStringLiteral("--since"),   QStringLiteral("--until"),
                                        QStringLiteral("--format"),  QStringLiteral("--resolution")};
    for (int i = 0; i < args.size(); ++i) {
        QString arg = args[i];
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (arg == QLatin1String("--version")) {
            std::puts("vimbo-history " VIMBO_VERSION);
            return 0;
        }
        QString value;
        if (const qsizetype equals = arg.indexOf(QLatin1Char('=')); arg.startsWith(QLatin1String("--")) && equals > 0) {
            value = arg.mid(equals + 1);
            arg.truncate(equals);
        } else if (kValued.contains(arg)) {
            if (i + 1 == args.size())
                return usage(arg + QStringLiteral(" takes a value"));
            value = args[++i];
        }
        if (arg.startsWith(QLatin1Char('-'))) {
            if (!kValued.contains(arg))
                return usage(QStringLiteral("unknown option ") + arg);
            if (arg == QLatin1String("--history"))
                path = value;
            else
                options[arg] = value;
        } else if (command.isEmpty()) {
            command = arg;
        } else {
            return usage(QStringLiteral("unexpected argument: ") + arg);
        }
    }
    if (command.isEmpty())
        return usage(QStringLiteral("a command is needed: events, export or probes"));
    static const std::map<QString, QStringList> kAllowed = {
        {QStringLiteral("events"), {QStringLiteral("--probe"), QStringLiteral("--since"), QStringLiteral("--until"), QStringLiteral("--format")}},
        {QStringLiteral("export"), {QStringLiteral("--probe"), QStringLiteral("--since"), QStringLiteral("--until"), QStringLiteral("--format"), QStringLiteral("--resolution")}},
        {QStringLiteral("probes"), {QStringLiteral("--format")}},
    };
    const auto allowed = kAllowed.find(command);
    if (allowed == kAllowed.end())
        return usage(QStringLiteral("unknown command ") + command + QStringLiteral(" (events, export or probes)"));
    for (const auto& [option, value] : options)
        if (!allowed->second.contains(option))
            return usage(option + QStringLiteral(" does not go with ") + command);

    const QString format = options.count(QStringLiteral("--format")) ? options[QStringLiteral("--format")] : QStringLiteral("csv");
    if (format != QLatin1String("csv") && format != QLatin1String("json"))
        return usage(QStringLiteral("--format takes csv or json, not \"") + format + QLatin1Char('"'));
    const bool json = format == QLatin1String("json");
    const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
    std::optional<std::int64_t> since, until;
    for (const auto& [name, value] : {std::pair{QStringLiteral("--since"), &since}, std::pair{QStringLiteral("--until"), &until}}) {
        if (!options.count(name))
            continue;
        *value = vimbo::parseTimeArgument(options[name], now);
        if (!*value)
            return usage(name + QStringLiteral(" takes a duration such as 2h or 7d, or a time such as "
                                               "2026-12-08T09:30, not \"") + options[name] + QLatin1Char('"'));
    }
    std::optional<vimbo::ProbeKey> probe;
    if (options.count(QStringLiteral("--probe"))) {
        probe = parseProbe(options[QStringLiteral("--probe")]);
        if (!probe)
            return usage(QStringLiteral("--probe takes ADDRESS:PORT, such as 127.0.0.1:161 or [::1]:161"));
    }
    const QString resolution =
        options.count(QStringLiteral("--resolution")) ? options[QStringLiteral("--resolution")] : QStringLiteral("5s");
    if (resolution != QLatin1String("5s") && resolution != QLatin1String("1m"))
        return usage(QStringLiteral("--resolution takes 5s or 1m"));
    if (command == QLatin1String("export") && !since)
        return usage(QStringLiteral("export needs --since"));

    try {
        const vimbo::HistoryStore store(path, vimbo::HistoryStore::Mode::ReadOnly);
        if (command == QLatin1String("events")) {
            vimbo::EventFilter filter;
            filter.probe = probe;
            filter.sinceMsecs = since;
            filter.untilMsecs = until;
            const auto events = store.events(filter);
            print(json ? vimbo::eventsJson(events) : vimbo::eventsCsv(events));
        } else if (command == QLatin1String("export")) {
            if (!probe) {
                // One probe is exported at a time: the one there is, or the one asked for.
                std::vector<vimbo::ProbeKey> where;
                for (const auto& summary : store.probes())
                    if (std::none_of(where.begin(), where.end(), [&](const auto& p) {
                            return p.address == summary.probe.address && p.port == summary.probe.port;
                        }))
                        where.push_back({summary.probe.address, summary.probe.port, {}});
                if (where.size() != 1)
                    return usage(where.empty() ? QStringLiteral("the store holds no probe")
                                               : QStringLiteral("the store holds several probes: choose one with --probe "
                                                                "(see vimbo-history probes)"));
                probe = where.front();
            }
            const auto labels = store.labels(*probe);
            const std::int64_t to = until.value_or(now);
            const bool minutes = resolution == QLatin1String("1m");
            if (json && minutes) {
                print(vimbo::minutesJson(labels, store.minutes(*probe, *since, to)));
            } else if (json) {
                print(vimbo::bucketsJson(labels, store.buckets(*probe, *since, to)));
            } else {
                // Written as read, a few hundred kilobytes at a time: a year at one minute is 300 MB.
                std::string csv = (minutes ? vimbo::minutesCsvHeader(labels) : vimbo::bucketsCsvHeader(labels)).toStdString();
                const auto flush = [&csv](std::size_t above) {
                    if (csv.size() > above) {
                        std::fwrite(csv.data(), 1, csv.size(), stdout);
                        csv.clear();
                    }
                };
                if (minutes)
                    store.eachMinute(*probe, *since, to, [&](const vimbo::StoredMinute& m) {
                        vimbo::appendMinuteCsv(csv, m);
                        flush(1 << 18);
                    });
                else
                    store.eachBucket(*probe, *since, to, [&](const vimbo::StoredBucket& b) {
                        vimbo::appendBucketCsv(csv, b);
                        flush(1 << 18);
                    });
                flush(0);
            }
        } else {
            const auto probes = store.probes();
            const auto time = [](const std::optional<vimbo::BucketTime>& t) {
                return t ? vimbo::isoTimeWithOffset(localTime(t->msecsSinceEpoch)) : QString();
            };
            if (json) {
                QJsonArray array;
                for (const auto& p : probes)
                    array.append(QJsonObject{{QStringLiteral("probe"), p.probe.where()},
                                             {QStringLiteral("probe_name"), p.probe.name},
                                             {QStringLiteral("first"), p.first ? QJsonValue(time(p.first)) : QJsonValue()},
                                             {QStringLiteral("last"), p.last ? QJsonValue(time(p.last)) : QJsonValue()},
                                             {QStringLiteral("state"), p.state}});
                print(QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented)));
            } else {
                QString csv = QStringLiteral("probe,probe name,first,last,state\r\n");
                for (const auto& p : probes)
                    csv += QStringList{vimbo::csvField(p.probe.where()), vimbo::csvField(p.probe.name), time(p.first),
                                       time(p.last), p.state}
                               .join(QLatin1Char(',')) +
                           QStringLiteral("\r\n");
                print(csv);
            }
        }
    } catch (const vimbo::sql::Error& error) {
        std::fprintf(stderr, "vimbo-history: %s: %s\n", qPrintable(path), qPrintable(vimbo::describeStoreError(error)));
        return kUnreadable;
    }
    return 0;
}
