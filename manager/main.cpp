// vimboManager: the Vimbo probe's SNMP manager.
#include "Clock.h"
#include "ComponentServices.h"
#include "Notifier.h"
#include "ProgramError.h"
#include "QtDialogs.h"
#include "SnmpClient.h"
#include "frmMain.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>

#include <arpa/inet.h>

#include <cstdio>
#include <optional>

namespace {

constexpr int kUsageError = 2;

struct Options {
    std::optional<std::string> agent;
    std::optional<std::uint16_t> port;
    bool notify = true;
};

int usageError(const QString& message)
{
    std::fprintf(stderr, "vimboManager: %s\nTry 'vimboManager --help'.\n", qPrintable(message));
    return kUsageError;
}

bool isNumericAddress(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    unsigned char buffer[16];
    return inet_pton(AF_INET, bytes.constData(), buffer) == 1 || inet_pton(AF_INET6, bytes.constData(), buffer) == 1;
}

// Reads the command line before the window system starts, so that --help and
// bad usage need no display. Returns an exit status when the program is to stop.
std::optional<int> readOptions(int argc, char** argv, Options& options)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Vimbo SNMP Demo Manager: watches a Vimbo probe over SNMP version 1.\n"
        "Without options it talks to the agent stored with its main window (127.10.10.10, port 161)."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help and exit."));
    const QCommandLineOption agent(
        QStringLiteral("agent"),
        QStringLiteral("Use ADDRESS as the agent instead of the stored one: a numeric IPv4 address such as "
                       "192.168.0.20 or an IPv6 address such as ::1."),
        QStringLiteral("ADDRESS"));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Use UDP port N (1 to 65535) instead of the stored one."),
                                  QStringLiteral("N"));
    const QCommandLineOption noNotify(QStringLiteral("no-notify"),
                                      QStringLiteral("Send no desktop notification when an alarm lamp lights."));
    parser.addOptions({help, agent, port, noNotify});
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(help)) {
        std::fputs(qPrintable(QStringLiteral("Usage: vimboManager [options]\n") + parser.applicationDescription() +
                              QStringLiteral("\n\n") +
                              parser.helpText().mid(parser.helpText().indexOf(QStringLiteral("Options:")))),
                   stdout);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("unexpected argument: ") + parser.positionalArguments().first());
    if (parser.isSet(agent)) {
        const QString address = parser.value(agent);
        if (!isNumericAddress(address))
            return usageError(QStringLiteral("--agent takes a numeric IPv4 address (such as 192.168.0.20) or IPv6 "
                                             "address (such as ::1), not \"") +
                              address + QLatin1Char('"'));
        options.agent = address.toStdString();
    }
    if (parser.isSet(port)) {
        bool ok = false;
        const uint number = parser.value(port).toUInt(&ok);
        if (!ok || number < 1 || number > 65535)
            return usageError(QStringLiteral("--port takes a number from 1 to 65535, not \"") + parser.value(port) +
                              QLatin1Char('"'));
        options.port = static_cast<std::uint16_t>(number);
    }
    options.notify = !parser.isSet(noNotify);
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (const auto status = readOptions(argc, argv, options))
        return *status;

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
    vimbo::frmMain window(dialogs, clock, std::move(*component));
    if (options.notify)
        window.setNotifier(&notifier);
    // Operator's overrides apply after the stored settings are restored.
    if (options.agent)
        window.SnmpClient1().setAgent(*options.agent);
    if (options.port)
        window.SnmpClient1().setPort(*options.port);
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
