// vimboManager: the Vimbo probe's SNMP manager.
#include "Clock.h"
#include "ComponentServices.h"
#include "ProgramError.h"
#include "QtDialogs.h"
#include "SnmpClient.h"
#include "frmMain.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vimboManager"));

    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral(
        "Vimbo SNMP Demo Manager: watches a Vimbo probe over SNMP version 1.\n"
        "Without options it talks to the agent stored with its main window."));
    options.addHelpOption();
    const QCommandLineOption agent(QStringLiteral("agent"),
                                   QStringLiteral("Use ADDRESS as the agent instead of the stored one."),
                                   QStringLiteral("ADDRESS"));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("Use UDP port N instead of the stored one."),
                                  QStringLiteral("N"));
    options.addOption(agent);
    options.addOption(port);
    options.process(app);

    // SnmpClient1 comes from the component registered for its program
    // identifier; on a fresh machine the library beside the program registers itself.
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
    vimbo::frmMain window(dialogs, clock, std::move(*component));
    // Operator's overrides apply after the stored settings are restored.
    if (options.isSet(agent))
        window.SnmpClient1().setAgent(options.value(agent).toStdString());
    if (options.isSet(port)) {
        bool ok = false;
        const uint number = options.value(port).toUInt(&ok);
        if (!ok || number > 65535) {
            QMessageBox::critical(nullptr, window.windowTitle(), QStringLiteral("--port takes a number from 0 to 65535"));
            return 2;
        }
        window.SnmpClient1().setPort(static_cast<std::int16_t>(number));
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
    return QApplication::exec();
}
