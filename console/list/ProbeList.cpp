#include "ProbeList.h"

#include "main/SettingsFile.h"
#include "SnmpClient.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QStringList>

#include <algorithm>

namespace vimbo {

namespace {

// A network's list of hundreds of probes is some tens of KiB.
constexpr qint64 kLargestFile = 4 * 1024 * 1024;
const QByteArray kSection = "[probe ";
const QString kAccepted = QStringLiteral("site, agent, port, community-read, community-write, timeout-10ms, retries");

bool isListKey(const QByteArray& key)
{
    static const QList<QByteArray> keys = {"agent", "port", "community-read", "community-write", "timeout-10ms", "retries"};
    return keys.contains(key);
}

// One section as it is read: the settings file's values, then checked whole.
struct Section {
    int line = 0;
    QString label;
    std::optional<QString> site;
    SettingsFileValues values;
};

ProbeEntry entryOf(const Section& section)
{
    ProbeEntry entry;
    entry.label = section.label;
    entry.site = section.site.value_or(QString());
    zemtra::SnmpClient client;
    defaultProbeSettings().applyTo(client);
    section.values.applyTo(client);
    entry.settings = ClientSettings::of(client);
    return entry;
}

}  // namespace

ClientSettings defaultProbeSettings()
{
    return ClientSettings::of(zemtra::SnmpClient{});
}

ProbeListRead parseProbeList(const QByteArray& content, const QString& path)
{
    ProbeListRead read;
    const auto fail = [&](int line, const QString& what) {
        read = {};
        read.ok = false;
        read.error = QStringLiteral("%1:%2: %3").arg(path).arg(line).arg(what);
        return read;
    };
    if (content.size() > kLargestFile)
        return fail(1, QStringLiteral("the file is larger than 4 MiB"));
    QStringList taken;
    std::optional<Section> open;
    // A section is checked whole when the next begins or the file ends.
    const auto close = [&]() -> std::optional<QString> {
        if (!open)
            return std::nullopt;
        if (!open->values.agent)
            return QStringLiteral("probe %1 has no agent; every probe needs agent = ADDRESS").arg(open->label);
        read.probes.push_back(entryOf(*open));
        open.reset();
        return std::nullopt;
    };
    const QList<QByteArray> lines = content.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        bool printable = true;
        const auto cleaned = iniLine(lines[i], printable);
        if (!printable)
            return fail(number, QStringLiteral("a line of the list holds printable text only"));
        if (!cleaned)
            continue;
        const QByteArray& line = *cleaned;
        if (line.startsWith('[')) {
            const int header = open ? open->line : 0;
            if (const auto wrong = close())
                return fail(header, *wrong);
            if (!line.startsWith(kSection) || !line.endsWith(']'))
                return fail(number, QStringLiteral("unknown section \"%1\"; a section is [probe LABEL]")
                                        .arg(QString::fromUtf8(line)));
            const QString label = QString::fromUtf8(line.mid(kSection.size(), line.size() - kSection.size() - 1)).trimmed();
            if (const auto wrong = labelProblem(label, taken))
                return fail(number, *wrong);
            taken << label;
            open = Section{number, label, std::nullopt, {}};
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (equals < 0)
            return fail(number, QStringLiteral("expected KEY = VALUE, with KEY one of ") + kAccepted);
        if (!open)
            return fail(number, QStringLiteral("a setting before any [probe LABEL] line"));
        const QByteArray key = line.left(equals).trimmed();
        const QByteArray value = line.mid(equals + 1).trimmed();
        if (key == "site") {
            if (open->site)
                return fail(number, QStringLiteral("site is given twice"));
            const QString site = QString::fromUtf8(value);
            if (const auto wrong = siteProblem(site))
                return fail(number, *wrong);
            open->site = site;
        } else if (!isListKey(key)) {
            return fail(number, QStringLiteral("unknown setting \"%1\"; the settings are %2")
                                    .arg(QString::fromUtf8(key), kAccepted));
        } else if (const auto wrong = takeSetting(open->values, key, value)) {
            return fail(number, *wrong);
        }
    }
    const int header = open ? open->line : 0;
    if (const auto wrong = close())
        return fail(header, *wrong);
    return read;
}

ProbeListRead readProbeList(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly)) {
        ProbeListRead read;
        read.ok = false;
        read.error = path + QStringLiteral(": cannot be read: ") + file.errorString();
        return read;
    }
    return parseProbeList(file.read(kLargestFile + 1), path);
}

std::optional<QString> probeListText(const std::vector<ProbeEntry>& probes, QByteArray& text)
{
    text = "# vimbo-console's probes: one [probe LABEL] section each.\n";
    QStringList taken;
    for (const ProbeEntry& probe : probes) {
        if (const auto wrong = labelProblem(probe.label, taken))
            return *wrong;
        taken << probe.label;
        if (const auto wrong = siteProblem(probe.site))
            return *wrong;
        const ClientSettings& s = probe.settings;
        text += "\n[probe " + probe.label.toUtf8() + "]\n";
        if (!probe.site.trimmed().isEmpty())
            text += "site = " + probe.site.trimmed().toUtf8() + "\n";
        text += "agent = " + QByteArray::fromStdString(s.agent) + "\n";
        text += "port = " + QByteArray::number(s.port) + "\n";
        text += "community-read = " + QByteArray::fromStdString(s.communityR) + "\n";
        text += "community-write = " + QByteArray::fromStdString(s.communityW) + "\n";
        text += "timeout-10ms = " + QByteArray::number(s.timeout10ms) + "\n";
        text += "retries = " + QByteArray::number(s.retries) + "\n";
    }
    // What cannot be read back is never written over a list that can.
    const ProbeListRead back = parseProbeList(text, QStringLiteral("the list to write"));
    if (!back.ok)
        return back.error;
    for (std::size_t i = 0; i < probes.size(); ++i) {
        const ClientSettings &wanted = probes[i].settings, &got = back.probes[i].settings;
        if (wanted.communityR != got.communityR || wanted.communityW != got.communityW)
            return QStringLiteral("probe %1: a community neither begins nor ends with a space").arg(probes[i].label);
    }
    return std::nullopt;
}

std::optional<QString> writeProbeList(const QString& path, const std::vector<ProbeEntry>& probes)
{
    QByteArray text;
    if (const auto wrong = probeListText(probes, text))
        return path + QStringLiteral(": not written: ") + *wrong;
    return writeSettingsFile(path, text);
}

QString defaultProbeListPath(const QProcessEnvironment& environment)
{
    const QString settings = userSettingsPath(environment);
    return QFileInfo(settings).absolutePath() + QStringLiteral("/probes.conf");
}

}  // namespace vimbo
