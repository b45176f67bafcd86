// vimboManager's logic without a window: the command line and the settings
// file.
#include "main/CommandLine.h"
#include "store/HistoryStore.h"
#include "main/SettingsFile.h"
#include "SnmpClient.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vimbo;

TEST(ManagerOptions, eachCommandLineGoesOnOrStopsWithItsStatusAndReason)
{
    struct Case {
        QStringList args;
        std::optional<int> status;
        const char* says;  // in the output or the error
    };
    const Case cases[] = {
        {{}, std::nullopt, ""},
        {{"--agent", "::1", "--port", "16161", "--no-notify"}, std::nullopt, ""},
        {{"--agent", "10.0.0.1"}, std::nullopt, ""},
        {{"--save-defaults", "--agent", "127.0.0.1"}, std::nullopt, ""},
        {{"--help"}, 0, "--save-defaults"},
        {{"--version"}, 0, "vimboManager 1.0.0\n"},
        {{"--agent", "localhost"}, 2, "--agent takes a numeric IPv4 address"},
        {{"--agent", "::1%lo"}, 2, "--agent takes a numeric IPv4 address"},
        {{"--agent"}, 2, "Missing value after '--agent'"},
        {{"--port", "0"}, 2, "--port takes a number from 1 to 65535, not \"0\""},
        {{"--port", "65536"}, 2, "--port takes a number from 1 to 65535"},
        {{"--port", "-1"}, 2, "--port takes a number from 1 to 65535"},
        {{"--colour", "red"}, 2, "Unknown option 'colour'"},
        {{"probe1"}, 2, "unexpected argument: probe1"},
        {{"--keep-5s", "0"}, 2, "--keep-5s takes a number of days from 1 to 36500, not \"0\""},
        {{"--keep-1m", "forever"}, 2, "--keep-1m takes a number of days"},
        {{"--keep-5s", "30", "--keep-1m", "20"}, 2, "--keep-5s cannot be longer than --keep-1m"},
        {{"--history", ""}, 2, "--history takes a file name"},
        {{"--flap-hold", "3601"}, 2, "--flap-hold takes a number of seconds from 0 to 3600, not \"3601\""},
        {{"--flap-hold", "-1"}, 2, "--flap-hold takes a number of seconds from 0 to 3600"},
        {{"--flap-hold", "1m"}, 2, "--flap-hold takes a number of seconds from 0 to 3600, not \"1m\""},
        {{"--flap-hold"}, 2, "Missing value after '--flap-hold'"},
        {{"--help"}, 0, "--flap-hold <SECONDS>"},
        {{"--no-history", "--history", "h.sqlite"}, 2, "--history and --no-history do not go together"},
        {{"--alertmanager", "http://127.0.0.1:9093", "--site", "Hilltop", "--probe-label", "Tower A"}, std::nullopt, ""},
        {{"--alertmanager", "https://[::1]:9093/am/"}, std::nullopt, ""},
        {{"--alertmanager", "ftp://127.0.0.1/"}, 2, "--alertmanager takes an http or https URL such as http://127.0.0.1:9093, not \"ftp://127.0.0.1/\""},
        {{"--alertmanager", "127.0.0.1:9093"}, 2, "--alertmanager takes an http or https URL"},
        {{"--alertmanager", "http://"}, 2, "--alertmanager takes an http or https URL"},
        {{"--alertmanager", "http://u:p@127.0.0.1:9093"}, 2, "--alertmanager takes an http or https URL"},
        {{"--alertmanager"}, 2, "Missing value after '--alertmanager'"},
        {{"--alertmanager", "http://127.0.0.1:9093", "--probe-label", ""}, 2, "--probe-label takes 1 to 128 printable characters"},
        {{"--alertmanager", "http://127.0.0.1:9093", "--site", "a\nb"}, 2, "--site takes 1 to 128 printable characters"},
        {{"--help"}, 0, "--alertmanager <URL>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const CommandLine read = readCommandLine(QStringList{"vimboManager"} + c.args);
        EXPECT_EQ(read.exitStatus, c.status);
        EXPECT_NE((read.output + read.error).indexOf(QLatin1String(c.says)), -1) << (read.output + read.error).toStdString();
        if (c.status == 2) {
            EXPECT_TRUE(read.error.endsWith(QStringLiteral("Try 'vimboManager --help'.\n")));
        }
    }
    const ManagerOptions all =
        readCommandLine({"vimboManager", "--agent", "::1", "--port", "16161", "--no-notify", "--save-defaults"}).options;
    EXPECT_EQ(std::tuple(*all.agent, *all.port, all.notify, all.saveDefaults), std::tuple("::1", 16161, false, true));
    const ManagerOptions kept =
        readCommandLine({"vimboManager", "--history", "/tmp/h.sqlite", "--keep-5s", "2", "--keep-1m", "30"}).options;
    EXPECT_EQ(std::tuple(*kept.history, kept.keepBucketDays, kept.keepMinuteDays), std::tuple("/tmp/h.sqlite", 2, 30));
    EXPECT_EQ(std::tuple(all.recordHistory, all.history, all.keepBucketDays, all.keepMinuteDays),
              std::tuple(true, std::nullopt, 7, 400));
    EXPECT_FALSE(readCommandLine({"vimboManager", "--no-history"}).options.recordHistory);
    EXPECT_EQ(all.flapHoldSeconds, 60);
    const ManagerOptions forwarded = readCommandLine(
        {"vimboManager", "--alertmanager", "http://127.0.0.1:9093", "--site", "Hilltop", "--probe-label", "Tower A"}).options;
    EXPECT_EQ(std::tuple(forwarded.alertmanager, forwarded.site, forwarded.probeLabel),
              std::tuple(std::optional<QString>("http://127.0.0.1:9093"), "Hilltop", "Tower A"));
    EXPECT_FALSE(readCommandLine({"vimboManager"}).options.alertmanager);
    EXPECT_EQ(readCommandLine({"vimboManager", "--flap-hold", "0"}).options.flapHoldSeconds, 0);
    EXPECT_EQ(readCommandLine({"vimboManager", "--flap-hold", "3600"}).options.flapHoldSeconds, 3600);
}

TEST(ManagerSettingsFile, aGoodFileSetsWhatItGivesAndABadOneNamesItsLineAndWhatIsAccepted)
{
    const SettingsFileRead good = parseSettingsFile("# the transmitter at Kestrel Hill\r\n[snmp]\r\n"
                                                    "agent = ::1\nport=16161\n  ; a comment\n"
                                                    "community-read = public read\ncommunity-write=w\n"
                                                    "timeout-10ms = 300\nretries = 2\n",
                                                    QStringLiteral("a.conf"));
    EXPECT_EQ(good.error, QString());
    zemtra::SnmpClient client;
    good.values.applyTo(client);
    EXPECT_EQ(std::tuple(client.Agent(), client.Port(), client.CommunityR(), client.CommunityW(), client.Timeout(),
                         client.Retries()),
              std::tuple("::1", 16161, "public read", "w", 300, 2));

    // The forwarding keys, the options over them; --save-defaults keeps them.
    const SettingsFileValues alerts =
        parseSettingsFile("[snmp]\nalertmanager = https://[::1]:9093/am\nsite = Hilltop\n", QStringLiteral("a.conf")).values;
    ManagerOptions forwarded = readCommandLine({"vimboManager", "--site", "Valley", "--probe-label", "Tower A"}).options;
    applyAlertSettings(forwarded, alerts);
    EXPECT_EQ(std::tuple(forwarded.alertmanager, forwarded.site, forwarded.probeLabel),
              std::tuple(std::optional<QString>("https://[::1]:9093/am"), "Valley", "Tower A"));
    EXPECT_EQ(parseSettingsFile(settingsFileText(client) + alertSettingsText(alerts), QStringLiteral("a.conf")).values.site,
              std::optional<QString>("Hilltop"));

    // What the file leaves out stays as stored; the options come last.
    zemtra::SnmpClient partly;
    const SettingsFileValues portAndRetries = parseSettingsFile("port = 1161\nretries=3\n", QStringLiteral("a.conf")).values;
    applySettings(partly, portAndRetries, {});
    EXPECT_EQ(std::tuple(partly.Agent(), partly.Port(), partly.Retries()), std::tuple("192.168.101.248", 1161, 3));
    applySettings(partly, portAndRetries, readCommandLine({"vimboManager", "--agent", "127.0.0.2", "--port", "2161"}).options);
    EXPECT_EQ(std::tuple(partly.Agent(), partly.Port(), partly.Retries()), std::tuple("127.0.0.2", 2161, 3));

    const std::pair<QByteArray, const char*> bad[] = {
        {"agent = probe.example\n", "a.conf:1: agent takes a numeric IPv4 address (such as 192.168.0.20) or IPv6"},
        {"[snmp]\nport = 0\n", "a.conf:2: port takes a whole number from 1 to 65535"},
        {"port = 016161\n", "a.conf:1: port takes a whole number from 1 to 65535"},
        {"\n\ntimeout-10ms = -5\n", "a.conf:3: timeout-10ms takes a whole number from 0 to 32767"},
        {"retries = 40000\n", "a.conf:1: retries takes a whole number from 0 to 32767"},
        {"community-read = caf\xc3\xa9\n", "a.conf:1: community-read takes up to 255 printable ASCII characters"},
        {"agent = ::1\nagent = 127.0.0.1\n", "a.conf:2: agent is given twice"},
        {"colour = red\n", "a.conf:1: unknown setting \"colour\"; the settings are agent, port, community-read, "
                           "community-write, timeout-10ms, retries, alertmanager, site, probe-label"},
        {"alertmanager = 127.0.0.1:9093\n", "a.conf:1: alertmanager takes an http or https URL such as http://127.0.0.1:9093"},
        {"site = A\nsite = B\n", "a.conf:2: site is given twice"},
        {"probe-label = \n", "a.conf:1: probe-label takes 1 to 128 printable characters"},
        {"[display]\n", "a.conf:1: unknown section \"[display]\"; the one section is [snmp]"},
        {"agent 127.0.0.1\n", "a.conf:1: expected KEY = VALUE, with KEY one of agent, port"},
        {QByteArray("port = 1\0\n", 10), "a.conf:1: a settings line holds printable text only"},
        {QByteArray(70000, '#'), "a.conf:1: the file is larger than 64 KiB"},
    };
    for (const auto& [content, says] : bad) {
        SCOPED_TRACE(says);
        const SettingsFileRead read = parseSettingsFile(content, QStringLiteral("a.conf"));
        EXPECT_TRUE(read.error.startsWith(QLatin1String(says))) << read.error.toStdString();
        zemtra::SnmpClient untouched;  // nothing of a bad file is applied
        read.values.applyTo(untouched);
        EXPECT_EQ(std::tuple(untouched.Agent(), untouched.Port()), std::tuple("192.168.101.248", 161));
    }
}

namespace {

mode_t modeOf(const QString& path)
{
    struct stat status{};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? (status.st_mode & 07777) : 0;
}

}  // namespace

TEST(ManagerSettingsFile, theFileHoldingTheWriteCommunityIsItsOwnersOnlyAndNeverWrittenThroughALink)
{
    QTemporaryDir home;
    const QString folder = home.filePath(QStringLiteral("config/vimbo"));
    const QString path = folder + QStringLiteral("/vimboManager.conf");
    const mode_t before = ::umask(022);
    const auto made = writeSettingsFile(path, "[snmp]\ncommunity-write = kiminar\n");
    EXPECT_FALSE(made) << made->toStdString();
    EXPECT_EQ(modeOf(path), 0600u);
    EXPECT_EQ(modeOf(folder), 0700u);

    // Made wider by hand, or by an older version: tightened at the next save.
    ::chmod(QFile::encodeName(path).constData(), 0644);
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    EXPECT_FALSE(writeSettingsFile(path, "[snmp]\n"));
    ::umask(before);
    EXPECT_EQ(modeOf(path), 0600u);
    EXPECT_EQ(modeOf(folder), 0700u);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{QStringLiteral("vimboManager.conf")});

    // A link planted at the file is refused by name; what it points at is not touched.
    const QString target = home.filePath(QStringLiteral("target"));
    QFile(target).open(QIODevice::WriteOnly);
    QFile::remove(path);
    ASSERT_TRUE(QFile::link(target, path));
    const auto refused = writeSettingsFile(path, "[snmp]\n");
    ASSERT_TRUE(refused);
    EXPECT_TRUE(refused->startsWith(path + QStringLiteral(": is a symbolic link"))) << refused->toStdString();
    EXPECT_EQ(QFileInfo(target).size(), 0);
}

TEST(ManagerSettingsFile, theUsersFileComesFromXdgConfigHomeElseTheSystemsIsRead)
{
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("HOME"), QStringLiteral("/home/op"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), QStringLiteral("relative/dir"));  // not absolute: ignored
    EXPECT_EQ(userSettingsPath(environment).toStdString(), "/home/op/.config/vimbo/vimboManager.conf");
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), QStringLiteral("/nonexistent-vimbo"));
    EXPECT_EQ(userSettingsPath(environment).toStdString(), "/nonexistent-vimbo/vimbo/vimboManager.conf");
    EXPECT_EQ(settingsPathToRead(environment).toStdString(), "/etc/vimbo/vimboManager.conf");  // no user file
}

TEST(ManagerOptions, theHistoryIsKeptInXdgStateHomeElseInTheHomesLocalState)
{
    const QByteArray before = qgetenv("XDG_STATE_HOME");
    qputenv("XDG_STATE_HOME", "/srv/state");
    EXPECT_EQ(defaultHistoryPath(), QStringLiteral("/srv/state/vimbo/history.sqlite"));
    qputenv("XDG_STATE_HOME", "relative/state");  // not absolute: ignored
    EXPECT_EQ(defaultHistoryPath(), QDir::homePath() + QStringLiteral("/.local/state/vimbo/history.sqlite"));
    qputenv("XDG_STATE_HOME", before);
}
