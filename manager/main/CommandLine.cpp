#include "CommandLine.h"

#include "core/NumericAddress.h"

#include <QCommandLineParser>
#include <QUrl>

#include <algorithm>

#include <utility>


namespace vimbo {

namespace {

CommandLine usageError(const QString& message)
{
    CommandLine result;
    result.exitStatus = kUsageError;
    result.error = QStringLiteral("vimboManager: ") + message + QStringLiteral("\nTry 'vimboManager --help'.\n");
    return result;
}

}  // namespace

bool isAlertmanagerUrl(const QString& text)
{
    const QUrl url(text, QUrl::StrictMode);
    return url.isValid() && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")) &&
           !url.host().isEmpty() && !url.hasQuery() && !url.hasFragment() && url.userInfo().isEmpty();
}

bool isAlertLabel(const QString& text)
{
    // A label value an operator reads on a phone: printable, one line, short.
    return !text.isEmpty() && text.size() <= 128 && std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.isPrint(); });
}

CommandLine readCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Vimbo SNMP Demo Manager: watches a Vimbo probe over SNMP version 1.\n"
        "Without options it talks to the agent stored with its main window (127.10.10.10, port 161), "
        "or to the one of its settings file."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help and exit."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Show the version and exit."));
    const QCommandLineOption agent(
        QStringLiteral("agent"),
        QStringLiteral("Use ADDRESS as the agent instead of the stored one: a numeric IPv4 address such as "
                       "192.168.0.20 or an IPv6 address such as ::1."),
        QStringLiteral("ADDRESS"));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Use UDP port N (1 to 65535) instead of the stored one."),
                                  QStringLiteral("N"));
    const QCommandLineOption noNotify(QStringLiteral("no-notify"),
                                      QStringLiteral("Send no desktop notification (alarms, a probe lost or back)."));
    const QCommandLineOption saveDefaults(
        QStringLiteral("save-defaults"),
        QStringLiteral("Write the client settings, with --agent and --port applied, to the user's settings file "
                       "($XDG_CONFIG_HOME/vimbo/vimboManager.conf) and exit."));
    const QCommandLineOption history(
        QStringLiteral("history"),
        QStringLiteral("Record the alarm history and the 5-second buckets in FILE instead of "
                       "$XDG_STATE_HOME/vimbo/history.sqlite (~/.local/state/vimbo/history.sqlite)."),
        QStringLiteral("FILE"));
    const QCommandLineOption keep5s(QStringLiteral("keep-5s"),
                                    QStringLiteral("Keep the 5-second buckets for DAYS days (default 7)."),
                                    QStringLiteral("DAYS"));
    const QCommandLineOption keep1m(
        QStringLiteral("keep-1m"),
        QStringLiteral("Keep the per-minute minimum, mean and maximum, and the journal, for DAYS days (default 400)."),
        QStringLiteral("DAYS"));
    const QCommandLineOption flapHold(
        QStringLiteral("flap-hold"),
        QStringLiteral("Journal a new rise of the same alarm or warning on a slot within SECONDS seconds of its clear "
                       "as a flap of the same record (0 to 3600, default 60)."),
        QStringLiteral("SECONDS"));
    const QCommandLineOption noHistory(QStringLiteral("no-history"),
                                       QStringLiteral("Record no alarm history and no buckets on disk."));
    const QCommandLineOption alertmanager(
        QStringLiteral("alertmanager"),
        QStringLiteral("Forward the alarms, warnings and a lost probe to the Alertmanager at URL (http or https), "
                       "with a heartbeat alert while the manager runs."),
        QStringLiteral("URL"));
    const QCommandLineOption site(QStringLiteral("site"),
                                  QStringLiteral("Label the forwarded alerts with the probe's site NAME."),
                                  QStringLiteral("NAME"));
    const QCommandLineOption probeLabel(QStringLiteral("probe-label"),
                                        QStringLiteral("Label the forwarded alerts with the probe's LABEL."),
                                        QStringLiteral("LABEL"));
    parser.addOptions({help, version, agent, port, noNotify, saveDefaults, history, noHistory, keep5s, keep1m, flapHold,
                       alertmanager, site, probeLabel});
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    CommandLine result;
    if (parser.isSet(help)) {
        result.exitStatus = 0;
        result.output = QStringLiteral("Usage: vimboManager [options]\n") + parser.applicationDescription() +
                        QStringLiteral("\n\n") + parser.helpText().mid(parser.helpText().indexOf(QStringLiteral("Options:")));
        return result;
    }
    if (parser.isSet(version)) {
        result.exitStatus = 0;
        result.output = QStringLiteral("vimboManager " VIMBO_VERSION "\n");
        return result;
    }
    if (!parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("unexpected argument: ") + parser.positionalArguments().first());
    if (parser.isSet(agent)) {
        const QString address = parser.value(agent);
        if (!isNumericAddress(address))
            return usageError(QStringLiteral("--agent takes a numeric IPv4 address (such as 192.168.0.20) or IPv6 "
                                             "address (such as ::1), not \"") +
                              address + QLatin1Char('"'));
        result.options.agent = address.toStdString();
    }
    if (parser.isSet(port)) {
        bool ok = false;
        const uint number = parser.value(port).toUInt(&ok);
        if (!ok || number < 1 || number > 65535)
            return usageError(QStringLiteral("--port takes a number from 1 to 65535, not \"") + parser.value(port) +
                              QLatin1Char('"'));
        result.options.port = static_cast<std::uint16_t>(number);
    }
    if (parser.isSet(history) && parser.isSet(noHistory))
        return usageError(QStringLiteral("--history and --no-history do not go together"));
    result.options.recordHistory = !parser.isSet(noHistory);
    if (parser.isSet(history)) {
        if (parser.value(history).isEmpty())
            return usageError(QStringLiteral("--history takes a file name"));
        result.options.history = parser.value(history);
    }
    for (const auto& [option, days] : {std::pair{&keep5s, &result.options.keepBucketDays},
                                       std::pair{&keep1m, &result.options.keepMinuteDays}}) {
        if (!parser.isSet(*option))
            continue;
        bool ok = false;
        const uint number = parser.value(*option).toUInt(&ok);
        if (!ok || number < 1 || number > 36500)
            return usageError(QStringLiteral("--") + option->names().front() +
                              QStringLiteral(" takes a number of days from 1 to 36500, not \"") +
                              parser.value(*option) + QLatin1Char('"'));
        *days = static_cast<int>(number);
    }
    if (parser.isSet(flapHold)) {
        bool ok = false;
        const uint seconds = parser.value(flapHold).toUInt(&ok);
        if (!ok || seconds > 3600)
            return usageError(QStringLiteral("--flap-hold takes a number of seconds from 0 to 3600, not \"") +
                              parser.value(flapHold) + QLatin1Char('"'));
        result.options.flapHoldSeconds = static_cast<int>(seconds);
    }
    if (parser.isSet(alertmanager)) {
        const QString text = parser.value(alertmanager);
        if (!isAlertmanagerUrl(text))
            return usageError(QStringLiteral("--alertmanager takes an http or https URL such as http://127.0.0.1:9093, "
                                             "not \"") +
                              text + QLatin1Char('"'));
        result.options.alertmanager = text;
    }
    for (const auto& [option, value] : {std::pair{&site, &result.options.site},
                                        std::pair{&probeLabel, &result.options.probeLabel}}) {
        if (!parser.isSet(*option))
            continue;
        *value = parser.value(*option);
        if (!isAlertLabel(*value))
            return usageError(QStringLiteral("--") + option->names().front() +
                              QStringLiteral(" takes 1 to 128 printable characters"));
    }
    if (result.options.keepBucketDays > result.options.keepMinuteDays)
        return usageError(QStringLiteral("--keep-5s cannot be longer than --keep-1m"));
    result.options.notify = !parser.isSet(noNotify);
    result.options.saveDefaults = parser.isSet(saveDefaults);
    return result;
}

}  // namespace vimbo
