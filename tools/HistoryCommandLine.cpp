#include "HistoryCommandLine.h"

#include "core/NumericAddress.h"
#include "store/HistoryExport.h"

#include <QRegularExpression>

#include <map>
#include <utility>

namespace vimbo {

namespace {

const char* const kHelp =
    "Usage: vimbo-history [--history FILE] COMMAND [options]\n"
    "Reads the alarm journal and the measure history vimboManager keeps.\n"
    "\n"
    "Commands:\n"
    "  events [--probe ADDRESS:PORT] [--since DURATION|TIME] [--until TIME] [--format csv|json]\n"
    "      The journal, newest first: time, probe, probe name, kind, slot, channel,\n"
    "      duration (seconds), acknowledged by, note, power, MER, VBER, detail.\n"
    "  export [--probe ADDRESS:PORT] --since DURATION|TIME [--until TIME] [--resolution 5s|1m] [--format csv|json]\n"
    "      The measures, oldest first, in the chart's CSV: 5-second buckets (the\n"
    "      default), or per-minute means followed by minimums and maximums. Without\n"
    "      --probe, every probe, each row led by its probe and probe name.\n"
    "  probes [--format csv|json]\n"
    "      Every probe in the store, with its first and last record and its state.\n"
    "  report [--probe ADDRESS:PORT] --since DURATION|TIME [--until TIME] [--by day|week|month]\n"
    "         [--format text|csv|json]\n"
    "      Per probe and channel and period: the watched time and the unwatched\n"
    "      gaps, availability, the time in alarm and in warning, the alarms and\n"
    "      flaps, the longest alarm.\n"
    "  backup FILE\n"
    "      A consistent copy of the store, safe while managers write it.\n"
    "\n"
    "Options:\n"
    "  --history FILE   the store (default $XDG_STATE_HOME/vimbo/history.sqlite)\n"
    "  DURATION is a number and s, m, h or d (\"2h\": the last two hours); TIME is\n"
    "  ISO 8601 (\"2026-12-08T09:30\", local time unless an offset is given).\n"
    "  -h, --help       show this help and exit\n"
    "  --version        show the version and exit\n"
    "\n"
    "Exit status: 0 done, 1 the store cannot be read or holds no such probe,\n"
    "2 usage error, 3 the output or the copy cannot be written.\n";

const QString kProbe = QStringLiteral("--probe");
const QString kSince = QStringLiteral("--since");
const QString kUntil = QStringLiteral("--until");
const QString kFormat = QStringLiteral("--format");
const QString kResolution = QStringLiteral("--resolution");
const QString kBy = QStringLiteral("--by");
const QString kHistory = QStringLiteral("--history");

struct CommandRule {
    HistoryCommand command;
    QStringList options;
    QStringList formats;  // the first is the default
};

const std::map<QString, CommandRule>& commandRules()
{
    static const std::map<QString, CommandRule> rules = {
        {QStringLiteral("events"), {HistoryCommand::Events, {kProbe, kSince, kUntil, kFormat}, {"csv", "json"}}},
        {QStringLiteral("export"),
         {HistoryCommand::Export, {kProbe, kSince, kUntil, kFormat, kResolution}, {"csv", "json"}}},
        {QStringLiteral("probes"), {HistoryCommand::Probes, {kFormat}, {"csv", "json"}}},
        {QStringLiteral("report"), {HistoryCommand::Report, {kProbe, kSince, kUntil, kFormat, kBy}, {"text", "csv", "json"}}},
        {QStringLiteral("backup"), {HistoryCommand::Backup, {}, {}}},
    };
    return rules;
}

HistoryCommandLine stop(int status, const QString& output, const QString& error = {})
{
    HistoryCommandLine result;
    result.exitStatus = status;
    result.output = output;
    result.error = error;
    return result;
}

HistoryCommandLine usage(const QString& message)
{
    return stop(kHistoryUsageError, {},
                QStringLiteral("vimbo-history: ") + message + QStringLiteral("\nTry 'vimbo-history --help'.\n"));
}

// The address as the manager takes it, in brackets when it is IPv6, then the port.
bool readProbe(const QString& text, HistoryArguments& into)
{
    static const QRegularExpression form(QStringLiteral("^(?:\\[([^\\]]+)\\]|([^:]+)):(\\d{1,5})$"));
    const auto match = form.match(text);
    if (!match.hasMatch())
        return false;
    const bool ipv6 = !match.captured(1).isEmpty();
    const QString address = ipv6 ? match.captured(1) : match.captured(2);
    const int port = match.captured(3).toInt();
    if (port < 1 || port > 65535 || !(ipv6 ? isNumericIPv6Address(address) : isNumericAddress(address)))
        return false;
    into.probeAddress = address;
    into.probePort = port;
    return true;
}

}  // namespace

HistoryCommandLine readHistoryCommandLine(const QStringList& args, std::int64_t nowMsecs, const QString& defaultStore)
{
    static const QStringList kValued = {kHistory, kProbe, kSince, kUntil, kFormat, kResolution, kBy};
    HistoryCommandLine result;
    HistoryArguments& a = result.arguments;
    a.store = defaultStore;
    QString command;
    QStringList positional;
    bool storeGiven = false;
    std::map<QString, QString> options;
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString arg = args[i];
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help"))
            return stop(0, QString::fromLatin1(kHelp));
        if (arg == QLatin1String("--version"))
            return stop(0, QStringLiteral("vimbo-history " VIMBO_VERSION "\n"));
        QString value;
        if (const qsizetype equals = arg.indexOf(QLatin1Char('=')); arg.startsWith(QLatin1String("--")) && equals > 0) {
            value = arg.mid(equals + 1);
            arg.truncate(equals);
        } else if (kValued.contains(arg)) {
            if (i + 1 == args.size())
                return usage(arg + QStringLiteral(" takes a value"));
            value = args[++i];
        }
        if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            if (!kValued.contains(arg))
                return usage(QStringLiteral("unknown option ") + arg);
            if (options.count(arg) || (arg == kHistory && storeGiven))
                return usage(arg + QStringLiteral(" is given twice"));
            if (arg == kHistory) {
                a.store = value;
                storeGiven = true;
            } else {
                options[arg] = value;
            }
        } else if (command.isEmpty()) {
            command = arg;
        } else {
            positional << arg;
        }
    }
    if (a.store.isEmpty())
        return usage(QStringLiteral("--history takes a file name"));
    if (command.isEmpty())
        return usage(QStringLiteral("a command is needed: events, export, probes, report or backup"));
    const auto rule = commandRules().find(command);
    if (rule == commandRules().end())
        return usage(QStringLiteral("unknown command ") + command + QStringLiteral(" (events, export, probes, report or backup)"));
    a.command = rule->second.command;
    for (const auto& [option, value] : options)
        if (!rule->second.options.contains(option))
            return usage(option + QStringLiteral(" does not go with ") + command);
    if (a.command == HistoryCommand::Backup) {
        if (positional.size() != 1)
            return usage(positional.isEmpty() ? QStringLiteral("backup needs the FILE to write")
                                              : QStringLiteral("unexpected argument: ") + positional[1]);
        a.backupFile = positional.front();
        if (a.backupFile.isEmpty())
            return usage(QStringLiteral("backup needs the FILE to write"));
        return result;
    }
    if (!positional.isEmpty())
        return usage(QStringLiteral("unexpected argument: ") + positional.front());

    const QStringList& formats = rule->second.formats;
    const QString format = options.count(kFormat) ? options[kFormat] : formats.front();
    if (!formats.contains(format))
        return usage(QStringLiteral("--format takes ") + QStringList(formats.begin(), formats.end() - 1).join(QStringLiteral(", ")) +
                     QStringLiteral(" or ") + formats.back() + QStringLiteral(", not \"") + format + QLatin1Char('"'));
    a.format = format == QLatin1String("json") ? HistoryFormat::Json
             : format == QLatin1String("text") ? HistoryFormat::Text : HistoryFormat::Csv;
    for (const auto& [name, value] : {std::pair{kSince, &a.sinceMsecs}, std::pair{kUntil, &a.untilMsecs}}) {
        if (!options.count(name))
            continue;
        *value = parseTimeArgument(options[name], nowMsecs);
        if (!*value)
            return usage(name + QStringLiteral(" takes a duration such as 2h or 7d, or a time such as "
                                               "2026-12-08T09:30, not \"") + options[name] + QLatin1Char('"'));
    }
    if (a.sinceMsecs && a.untilMsecs && *a.untilMsecs < *a.sinceMsecs)
        return usage(QStringLiteral("--until is before --since"));
    if (options.count(kProbe) && !readProbe(options[kProbe], a))
        return usage(QStringLiteral("--probe takes ADDRESS:PORT, such as 127.0.0.1:161 or [::1]:161"));
    if (options.count(kResolution)) {
        const QString resolution = options[kResolution];
        if (resolution != QLatin1String("5s") && resolution != QLatin1String("1m"))
            return usage(QStringLiteral("--resolution takes 5s or 1m"));
        a.minutes = resolution == QLatin1String("1m");
    }
    if (options.count(kBy)) {
        static const std::map<QString, ReportPeriod> periods = {{QStringLiteral("day"), ReportPeriod::Day},
                                                                {QStringLiteral("week"), ReportPeriod::Week},
                                                                {QStringLiteral("month"), ReportPeriod::Month}};
        const auto by = periods.find(options[kBy]);
        if (by == periods.end())
            return usage(QStringLiteral("--by takes day, week or month"));
        a.by = by->second;
    }
    // A period a day over a million days is not a report anyone reads, nor one to wait for.
    constexpr std::int64_t kLongestByPeriodMsecs = 36'600LL * 86'400'000;
    if (a.by != ReportPeriod::Whole && a.sinceMsecs && a.untilMsecs.value_or(nowMsecs) - *a.sinceMsecs > kLongestByPeriodMsecs)
        return usage(QStringLiteral("--by covers at most a hundred years"));
    if ((a.command == HistoryCommand::Export || a.command == HistoryCommand::Report) && !a.sinceMsecs)
        return usage(command + QStringLiteral(" needs --since"));
    return result;
}

}  // namespace vimbo
