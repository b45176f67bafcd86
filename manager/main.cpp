// vimboManager: the Vimbo probe's SNMP manager.
#include "core/Clock.h"
#include "platform/ComponentServices.h"
#include "platform/DesktopNotifier.h"
#include "core/ProgramError.h"
#include "platform/QtDialogs.h"
#include "SnmpClient.h"
#include "main/CommandLine.h"
#include "main/SettingsFile.h"
#include "SettingsStream.h"
#include "main/frmMain.h"
#include "main/frmMainDesign.h"
#include "forward/AlertForwarder.h"
#include "store/HistoryRecorder.h"

#include <QApplication>
#include <QMessageBox>
#include <QProcessEnvironment>

#include <cstdio>
#include <memory>
#include <optional>

namespace {

// Writes the settings the program would start with, the command line's
// agent and port applied, to the user's settings file.
int saveDefaults(const vimbo::ManagerOptions& options, const QProcessEnvironment& environment)
{
    zemtra::SnmpClient client;
    zemtra::loadSettings(client, vimbo::design::kSnmpClient1Stream);
    const QString path = vimbo::userSettingsPath(environment);
    const vimbo::SettingsFileRead current = vimbo::readSettingsFile(vimbo::settingsPathToRead(environment));
    // The operator's other settings are not lost to one bad line.
    if (!current.error.isEmpty()) {
        std::fprintf(stderr, "vimboManager: %s; nothing is saved: mend the line first\n", qPrintable(current.error));
        return 1;
    }
    vimbo::applySettings(client, current.values, options);
    if (const auto error = vimbo::writeSettingsFile(path, vimbo::settingsFileText(client) + vimbo::alertSettingsText(current.values))) {
        std::fprintf(stderr, "vimboManager: %s\n", qPrintable(*error));
        return 1;
    }
    std::printf("Saved to %s\n", qPrintable(path));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    // The command line is read before the window system starts, so that
    // --help, --version, --save-defaults and bad usage need no display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const vimbo::CommandLine commandLine = vimbo::readCommandLine(arguments);
    std::fputs(qPrintable(commandLine.output), stdout);
    std::fputs(qPrintable(commandLine.error), stderr);
    if (commandLine.exitStatus)
        return *commandLine.exitStatus;
    vimbo::ManagerOptions options = commandLine.options;
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (options.saveDefaults)
        return saveDefaults(options, environment);
    // A bad settings file is told once and the stored settings are used.
    const vimbo::SettingsFileRead settings = vimbo::readSettingsFile(vimbo::settingsPathToRead(environment));
    if (!settings.error.isEmpty())
        std::fprintf(stderr, "vimboManager: %s; the stored settings are used\n", qPrintable(settings.error));
    vimbo::applyAlertSettings(options, settings.values);
    if ((!options.site.isEmpty() || !options.probeLabel.isEmpty()) && !options.alertmanager)
        std::fprintf(stderr, "vimboManager: --site and --probe-label label what --alertmanager forwards; no Alertmanager is given\n");

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vimboManager"));

    // SnmpClient1 comes from the component registered for its program
    // identifier; the library beside the program registers itself when the
    // registration is missing or points at a library that is gone.
    const QString here = QCoreApplication::applicationDirPath();
    QString error;
    auto component = vimbo::createByProgId(
        "ZemtraATL.SnmpClient",
        {(here + QStringLiteral("/libZemtraATL.so")).toStdString(), (here + QStringLiteral("/" VIMBO_LIB_DIR "/libZemtraATL.so.1")).toStdString()},
        &error);
    if (!component) {
        QMessageBox::critical(nullptr, QStringLiteral("Vimbo SNMP Demo Manager"),
                              QStringLiteral("The SNMP client component cannot be created.\n") + error);
        return 1;
    }

    vimbo::QtDialogs dialogs;
    vimbo::SystemClock clock;
    vimbo::DesktopNotifier notifier;
    // The history is kept beside the window; a store that cannot be used is
    // told once, and the probe is polled without recording.
    QWidget* messageOwner = nullptr;
    std::unique_ptr<vimbo::HistoryRecorder> recorder;
    if (options.recordHistory)
        recorder = std::make_unique<vimbo::HistoryRecorder>(
            vimbo::HistoryRecorder::Options{.path = options.history.value_or(vimbo::defaultHistoryPath()),
                                            .retention = {options.keepBucketDays, options.keepMinuteDays},
                                            .flapHoldMs = std::int64_t{options.flapHoldSeconds} * 1000},
            clock, [&messageOwner](const QString& message) {
                auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Vimbo SNMP Demo Manager"), message,
                                            QMessageBox::Ok, messageOwner);
                box->setAttribute(Qt::WA_DeleteOnClose);
                box->setModal(false);
                box->show();
            });
    vimbo::frmMain window(dialogs, clock, std::move(*component));
    messageOwner = &window;
    window.setRecorder(recorder.get());
    if (options.notify)
        window.setNotifier(&notifier);
    vimbo::applySettings(window.SnmpClient1(), settings.values, options);
    // The journal forwarded: an unreachable Alertmanager is told once on
    // standard error and in a message that holds nothing up.
    std::unique_ptr<vimbo::AlertForwarder> forwarder;
    if (options.alertmanager) {
        forwarder = std::make_unique<vimbo::AlertForwarder>(
            clock,
            vimbo::AlertForwarder::Options{
                .url = QUrl(*options.alertmanager), .site = options.site, .probeLabel = options.probeLabel,
                .manager = vimbo::ProbeKey{QString::fromStdString(window.SnmpClient1().Agent()), window.SnmpClient1().Port(), {}}
                               .where()},
            [&window](const QString& message) {
                std::fprintf(stderr, "vimboManager: %s\n", qPrintable(message));
                if (message.endsWith(QLatin1String("answers again")))
                    return;
                auto* box = new QMessageBox(QMessageBox::Warning, window.windowTitle(), message, QMessageBox::Ok, &window);
                box->setAttribute(Qt::WA_DeleteOnClose);
                box->setModal(false);
                box->show();
            });
        window.journal().setRecorded([&forwarder](const vimbo::JournalEvent& event) { forwarder->eventRecorded(event); });
        forwarder->start();
    }
    try {
        window.frmMain_Form_Load();
    } catch (const vimbo::ProgramError& error) {
        QMessageBox::critical(nullptr, window.windowTitle(),
                              error.description() + QStringLiteral("\n(") + error.source() + QStringLiteral(", ") +
                                  QString::number(error.number()) + QLatin1Char(')'));
        return 1;
    }
    window.show();
    // A desktop launch shows no standard error, so the bad line is told in
    // the window too, without holding up the polling.
    if (!settings.error.isEmpty()) {
        auto* box = new QMessageBox(QMessageBox::Warning, window.windowTitle(),
                                    settings.error + QStringLiteral("\nNone of this file's settings are used; the stored settings are."),
                                    QMessageBox::Ok, &window);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setModal(false);
        box->show();
    }
    const int status = QApplication::exec();
    // The forwarder goes before the window: nothing the journal records as it closes reaches it.
    window.journal().setRecorded({});
    return status;
}
