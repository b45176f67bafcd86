// vimbo-console: every probe of a list on one wall, or recorded with no
// window at all (--headless) for a night desk without a display.
#include "ChannelPlan.h"
#include "ConsoleCore.h"
#include "ConsoleWall.h"
#include "Headless.h"
#include "ProbeList.h"
#include "core/Clock.h"
#include "core/Notifier.h"
#include "forward/AlertForwarder.h"
#include "main/CommandLine.h"
#include "main/SettingsFile.h"
#include "store/HistoryStore.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QProcessEnvironment>
#include <QSysInfo>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <utility>

namespace {

using namespace vimbo;

void logLine(const QString& line)
{
    std::fprintf(stderr, "vimbo-console: %s\n", qPrintable(line));
}

int usage(const QString& message)
{
    logLine(message + QStringLiteral("; see vimbo-console --help"));
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    // The headless console never needs a display: which application to make
    // is decided before Qt looks for one.
    bool headless = false;
    for (int i = 1; i < argc; ++i)
        headless = headless || std::strcmp(argv[i], "--headless") == 0;
    std::unique_ptr<QCoreApplication> app = headless ? std::make_unique<QCoreApplication>(argc, argv)
                                                     : std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vimbo-console"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VIMBO_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Watches every probe of a list: one wall, one alarm list."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption probes(QStringLiteral("probes"),
                                    QStringLiteral("The probe list (default $XDG_CONFIG_HOME/vimbo/probes.conf)."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption headlessOption(QStringLiteral("headless"),
                                            QStringLiteral("Poll and record without a window until SIGTERM."));
    const QCommandLineOption alertmanager(QStringLiteral("alertmanager"),
                                          QStringLiteral("Forward the journal to this Alertmanager."), QStringLiteral("URL"));
    const QCommandLineOption history(QStringLiteral("history"),
                                     QStringLiteral("Record in FILE instead of $XDG_STATE_HOME/vimbo/history.sqlite."),
                                     QStringLiteral("FILE"));
    const QCommandLineOption noHistory(QStringLiteral("no-history"), QStringLiteral("Record nothing on disk."));
    const QCommandLineOption plan(QStringLiteral("plan"), QStringLiteral("The channel plan naming the slots' channels."),
                                  QStringLiteral("FILE"));
    const QCommandLineOption logCycles(QStringLiteral("log-cycles"),
                                       QStringLiteral("With --headless, one line per probe's complete cycle."));
    parser.addOptions({probes, headlessOption, alertmanager, history, noHistory, plan, logCycles});
    if (!parser.parse(QCoreApplication::arguments()))
        return usage(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::puts("vimbo-console " VIMBO_VERSION);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return usage(QStringLiteral("unexpected argument: ") + parser.positionalArguments().first());
    if (parser.isSet(history) && parser.isSet(noHistory))
        return usage(QStringLiteral("--history and --no-history exclude each other"));

    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString listPath = parser.isSet(probes) ? parser.value(probes) : defaultProbeListPath(environment);
    // A bad line stops the console: watching part of a list would look like watching all of it.
    const ProbeListRead list = readProbeList(listPath);
    if (!list.ok) {
        logLine(list.error);
        return 2;
    }
    if (headless && list.probes.empty()) {
        logLine(listPath + QStringLiteral(" lists no probe; add a [probe LABEL] section with agent = ADDRESS"));
        return 2;
    }

    // The Alertmanager, as vimboManager takes it: the option, else the settings file's.
    const SettingsFileRead settings = readSettingsFile(settingsPathToRead(environment));
    if (!settings.error.isEmpty())
        logLine(settings.error + QStringLiteral("; its Alertmanager is not used"));
    std::optional<QString> forwardTo = parser.isSet(alertmanager) ? std::optional(parser.value(alertmanager))
                                                                   : settings.values.alertmanager;
    if (forwardTo && !isAlertmanagerUrl(*forwardTo))
        return usage(QStringLiteral("--alertmanager takes an http or https URL such as http://127.0.0.1:9093"));

    SystemClock clock;
    ConsoleCore::Options options;
    if (!parser.isSet(noHistory))
        options.history = parser.isSet(history) ? parser.value(history) : defaultHistoryPath();
    options.listPath = listPath;
    const QString dataFolder = QCoreApplication::applicationDirPath() + QStringLiteral("/" VIMBO_DATA_DIR);
    const QString planPath = parser.isSet(plan) ? parser.value(plan) : defaultChannelPlanPath(dataFolder);
    const auto channels = loadChannelPlan(planPath);
    if (!channels)
        logLine(planPath + QStringLiteral(" is not a channel plan; slots are named by their frequency"));
    options.label = planLabeler(channels);
    ConsoleCore core(clock, list.probes, options);

    // One heartbeat for the whole console; each alert carries its probe's label and site.
    std::unique_ptr<AlertForwarder> forwarder;
    if (forwardTo) {
        forwarder = std::make_unique<AlertForwarder>(
            clock,
            AlertForwarder::Options{.url = QUrl(*forwardTo),
                                    .manager = QStringLiteral("vimbo-console@") + QSysInfo::machineHostName(),
                                    .program = QStringLiteral("vimbo-console")},
            [](const QString& message) { logLine(message); });
        core.setRecorded([&forwarder](const ProbeEntry& probe, const JournalEvent& event) {
            forwarder->eventRecorded(event, probe.site, probe.label);
        });
        forwarder->start();
    }

    if (!headless) {
        const int status = runWall(core, clock);
        core.setRecorded({});
        return status;
    }
    // Whether each probe keeps its cycle can be seen from the log alone.
    std::map<QString, std::int64_t> lastComplete;
    const bool everyCycle = parser.isSet(logCycles);
    core.setHandlers({.cycleEnded =
                          [&](const ProbeView& view, const std::vector<ProbeEvent>& events) {
                              for (const Notification& told : notificationsOf(view, events))
                                  logLine(told.title + QStringLiteral(": ") + told.text);
                              if (everyCycle && view.lastCompleteMsecs &&
                                  std::exchange(lastComplete[view.id], *view.lastCompleteMsecs) != *view.lastCompleteMsecs)
                                  logLine(view.id + QStringLiteral(": a complete cycle"));
                          },
                      .told = logLine});
    logLine(QStringLiteral("watching %1 probes of %2; %3")
                .arg(list.probes.size())
                .arg(listPath,
                     options.history ? QStringLiteral("recording to ") + *options.history : QStringLiteral("recording nothing")));
    const int status = runHeadless(*app, core, logLine);
    core.setRecorded({});
    return status;
}
