#include "ProbeList.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace vimbo;

namespace {

mode_t modeOf(const QString& path)
{
    struct stat status{};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? (status.st_mode & 07777) : 0;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

ProbeEntry probe(const char* label, const char* site, const char* agent, std::uint16_t port)
{
    ProbeEntry entry{QString::fromUtf8(label), QString::fromUtf8(site), defaultProbeSettings()};
    entry.settings.agent = agent;
    entry.settings.port = port;
    return entry;
}

}  // namespace

TEST(ProbeList, readsEachSectionWithTheSettingsFilesDefaultsForWhatItLeavesOut)
{
    const ProbeListRead read = parseProbeList(
        "# the headend\n"
        "[probe kestrel-hill-1]\n"
        "site = Kestrel Hill\n"
        "agent = 127.0.0.1\n"
        "port = 16101\n"
        "community-read = north\n"
        "community-write = south\n"
        "timeout-10ms = 50\r\n"
        "retries = 3\n"
        "\n"
        "; only the agent\n"
        "[probe Tower.B]\n"
        "  agent = ::1  \n",
        QStringLiteral("probes.conf"));
    ASSERT_TRUE(read.ok) << read.error.toStdString();
    ASSERT_EQ(read.probes.size(), 2u);
    const ProbeEntry& first = read.probes[0];
    EXPECT_EQ(first.label, QStringLiteral("kestrel-hill-1"));
    EXPECT_EQ(first.site, QStringLiteral("Kestrel Hill"));
    EXPECT_EQ(first.settings.agent, "127.0.0.1");
    EXPECT_EQ(first.settings.port, 16101);
    EXPECT_EQ(first.settings.communityR, "north");
    EXPECT_EQ(first.settings.communityW, "south");
    EXPECT_EQ(first.settings.timeout10ms, 50);
    EXPECT_EQ(first.settings.retries, 3);

    const ProbeEntry& second = read.probes[1];
    EXPECT_EQ(second.label, QStringLiteral("Tower.B"));
    EXPECT_TRUE(second.site.isEmpty());
    EXPECT_EQ(second.settings.agent, "::1");
    // The component's own defaults, as a settings file that leaves them out.
    EXPECT_EQ(second.settings.port, 161);
    EXPECT_EQ(second.settings.communityR, "tavelo");
    EXPECT_EQ(second.settings.communityW, "kiminar");
    EXPECT_EQ(second.settings.timeout10ms, 100);
    EXPECT_EQ(second.settings.retries, 1);
}

TEST(ProbeList, aBadLineIsToldWithItsLineAndReasonAndNothingOfTheFileIsKept)
{
    struct Case {
        const char* content;
        int line;
        const char* reason;
    };
    const Case cases[] = {
        {"agent = 127.0.0.1\n", 1, "before any [probe LABEL]"},
        {"[probe a]\nagent = 127.0.0.1\n[snmp]\n", 3, "unknown section \"[snmp]\""},
        {"[probe a]\nagent = 127.0.0.1\n[probe a b]\nagent = ::1\n", 3, "only letters, digits"},
        {"[probe ]\n", 1, "needs a label"},
        {"[probe a]\nagent = 127.0.0.1\n\n[probe A]\nagent = ::1\n", 4, "Another probe of the list is labelled A"},
        {"[probe a]\nsite = x\n\n[probe b]\nagent = ::1\n", 1, "probe a has no agent"},
        {"[probe a]\nagent = ::1\n[probe b]\n", 3, "probe b has no agent"},
        {"[probe a]\nagent = probe.example\n", 2, "numeric IPv4"},
        {"[probe a]\nagent = ::1\nport = 0\n", 3, "port takes a whole number from 1 to 65535"},
        {"[probe a]\nagent = ::1\nport = 161\nport = 162\n", 4, "port is given twice"},
        {"[probe a]\nagent = ::1\nsite = x\nsite = y\n", 4, "site is given twice"},
        {"[probe a]\nagent = ::1\ntimeout-10ms = 40000\n", 3, "from 0 to 32767"},
        {"[probe a]\nagent = ::1\nretries = -1\n", 3, "retries takes"},
        {"[probe a]\nagent = ::1\ncommunity-read = caf\xc3\xa9\n", 3, "printable ASCII"},
        {"[probe a]\nagent = ::1\nalertmanager = http://127.0.0.1:9093\n", 3, "unknown setting \"alertmanager\""},
        {"[probe a]\nagent = ::1\nsite\n", 3, "expected KEY = VALUE"},
        {"[probe a]\nagent = ::1\nsite = one\x01two\n", 3, "printable text only"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content);
        const ProbeListRead read = parseProbeList(c.content, QStringLiteral("/x/probes.conf"));
        EXPECT_FALSE(read.ok);
        EXPECT_TRUE(read.probes.empty());  // never a list half applied
        const QString prefix = QStringLiteral("/x/probes.conf:%1: ").arg(c.line);
        EXPECT_TRUE(read.error.startsWith(prefix)) << read.error.toStdString();
        EXPECT_TRUE(read.error.contains(QString::fromUtf8(c.reason))) << read.error.toStdString();
    }
}

TEST(ProbeList, isWrittenPrivatelyReadBackAlikeAndAMissingFileIsAnEmptyList)
{
    QTemporaryDir home;
    const QString folder = home.filePath(QStringLiteral("config/vimbo"));
    const QString path = folder + QStringLiteral("/probes.conf");
    const ProbeListRead missing = readProbeList(path);
    EXPECT_TRUE(missing.ok);
    EXPECT_TRUE(missing.probes.empty());

    std::vector<ProbeEntry> probes = {probe("kestrel-hill-1", "Kestrel Hill", "127.0.0.1", 16101),
                                      probe("tower_b", "", "::1", 16102)};
    probes[1].settings.communityW = "se#cret;=x";
    probes[1].settings.timeout10ms = 0;
    const mode_t before = ::umask(022);
    const auto written = writeProbeList(path, probes);
    ::umask(before);
    ASSERT_FALSE(written) << written->toStdString();
    EXPECT_EQ(modeOf(path), 0600u);
    EXPECT_EQ(modeOf(folder), 0700u);

    const ProbeListRead back = readProbeList(path);
    ASSERT_TRUE(back.ok) << back.error.toStdString();
    ASSERT_EQ(back.probes.size(), 2u);
    for (std::size_t i = 0; i < probes.size(); ++i) {
        EXPECT_EQ(back.probes[i].label, probes[i].label);
        EXPECT_EQ(back.probes[i].site, probes[i].site);
        const ClientSettings &a = back.probes[i].settings, &b = probes[i].settings;
        EXPECT_EQ(a.agent, b.agent);
        EXPECT_EQ(a.port, b.port);
        EXPECT_EQ(a.communityR, b.communityR);
        EXPECT_EQ(a.communityW, b.communityW);
        EXPECT_EQ(a.timeout10ms, b.timeout10ms);
        EXPECT_EQ(a.retries, b.retries);
    }

    // Made wider by hand: tightened at the next save.
    ::chmod(QFile::encodeName(path).constData(), 0644);
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    EXPECT_FALSE(writeProbeList(path, probes));
    EXPECT_EQ(modeOf(path), 0600u);
    EXPECT_EQ(modeOf(folder), 0700u);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{QStringLiteral("probes.conf")});
}

TEST(ProbeList, aListThatCouldNotBeReadBackNeverReplacesTheFile)
{
    QTemporaryDir home;
    const QString path = home.filePath(QStringLiteral("vimbo/probes.conf"));
    const std::vector<ProbeEntry> good = {probe("a", "Site A", "127.0.0.1", 16101)};
    ASSERT_FALSE(writeProbeList(path, good));
    const QByteArray kept = fileBytes(path);

    struct Case {
        std::vector<ProbeEntry> probes;
        const char* reason;
    };
    std::vector<Case> cases = {
        {{probe("a", "", "::1", 1), probe("A", "", "::1", 2)}, "labelled A"},
        {{probe("a", "line\nbreak", "::1", 1)}, "one line of text"},
        {{probe("a b", "", "::1", 1)}, "only letters"},
        {{probe("a", "", "not-an-address", 1)}, "numeric IPv4"},
        {{probe("a", "", "::1", 0)}, "port takes"},
    };
    cases.push_back({{probe("a", "", "::1", 1)}, "neither begins nor ends with a space"});
    cases.back().probes[0].settings.communityR = " padded";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        const auto refused = writeProbeList(path, c.probes);
        ASSERT_TRUE(refused);
        EXPECT_TRUE(refused->contains(QString::fromUtf8(c.reason))) << refused->toStdString();
        EXPECT_EQ(fileBytes(path), kept);
    }
}

TEST(ProbeList, isNeverWrittenThroughALinkAtTheFileOrItsFolder)
{
    QTemporaryDir home;
    const std::vector<ProbeEntry> probes = {probe("a", "", "127.0.0.1", 16101)};
    const QString target = home.filePath(QStringLiteral("target"));
    {
        QFile file(target);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("untouched");
    }
    ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("vimbo")));
    const QString path = home.filePath(QStringLiteral("vimbo/probes.conf"));
    ASSERT_TRUE(QFile::link(target, path));
    const auto refused = writeProbeList(path, probes);
    ASSERT_TRUE(refused);
    EXPECT_TRUE(refused->contains(QStringLiteral("symbolic link"))) << refused->toStdString();
    EXPECT_EQ(fileBytes(target), QByteArray("untouched"));

    // A folder that is a link to somewhere else.
    const QString elsewhere = home.filePath(QStringLiteral("elsewhere"));
    ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("elsewhere")));
    ASSERT_TRUE(QFile::link(elsewhere, home.filePath(QStringLiteral("linked"))));
    EXPECT_TRUE(writeProbeList(home.filePath(QStringLiteral("linked/probes.conf")), probes));
    EXPECT_TRUE(QDir(elsewhere).isEmpty());
}

TEST(ProbeList, theDefaultListLivesBesideTheSettingsFile)
{
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("HOME"), QStringLiteral("/home/op"));
    EXPECT_EQ(defaultProbeListPath(environment).toStdString(), "/home/op/.config/vimbo/probes.conf");
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), QStringLiteral("/cfg"));
    EXPECT_EQ(defaultProbeListPath(environment).toStdString(), "/cfg/vimbo/probes.conf");
}
