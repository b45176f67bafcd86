#include "SettingsFile.h"

#include "CommandLine.h"

#include "core/NumericAddress.h"
#include "ReplaceFile.h"
#include "SnmpClient.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

namespace vimbo {

namespace {

constexpr qint64 kLargestFile = 64 * 1024;
const QString kAccepted = QStringLiteral(
    "agent, port, community-read, community-write, timeout-10ms, retries, alertmanager, site, probe-label");

std::optional<long> wholeNumber(const QByteArray& text, long lowest, long highest)
{
    bool ok = false;
    const long value = text.toLong(&ok);
    if (!ok || text.startsWith('+') || (text.size() > 1 && text.startsWith('0')) || value < lowest || value > highest)
        return std::nullopt;
    return value;
}

bool isCommunity(const QByteArray& text)
{
    if (text.size() > 255)
        return false;
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E)
            return false;
    return true;
}

}  // namespace

std::optional<QString> takeSetting(SettingsFileValues& values, const QByteArray& key, const QByteArray& value)
{
    const auto twice = [&key] { return QStringLiteral("%1 is given twice").arg(QString::fromLatin1(key)); };
    constexpr long kShortMax = std::numeric_limits<std::int16_t>::max();
    if (key == "agent") {
        if (values.agent)
            return twice();
        if (!isNumericAddress(QString::fromLatin1(value)))
            return QStringLiteral("agent takes a numeric IPv4 address (such as 192.168.0.20) or IPv6 address (such as ::1)");
        values.agent = value.toStdString();
    } else if (key == "port") {
        if (values.port)
            return twice();
        const auto port = wholeNumber(value, 1, 65535);
        if (!port)
            return QStringLiteral("port takes a whole number from 1 to 65535");
        values.port = static_cast<std::uint16_t>(*port);
    } else if (key == "community-read" || key == "community-write") {
        auto& community = key == "community-read" ? values.communityR : values.communityW;
        if (community)
            return twice();
        if (!isCommunity(value))
            return QString::fromLatin1(key) + QStringLiteral(" takes up to 255 printable ASCII characters");
        community = value.toStdString();
    } else if (key == "timeout-10ms" || key == "retries") {
        auto& number = key == "retries" ? values.retries : values.timeout10ms;
        if (number)
            return twice();
        const auto whole = wholeNumber(value, 0, kShortMax);
        if (!whole)
            return QString::fromLatin1(key) + QStringLiteral(" takes a whole number from 0 to 32767");
        number = static_cast<std::int16_t>(*whole);
    } else if (key == "alertmanager") {
        if (values.alertmanager)
            return twice();
        if (!isAlertmanagerUrl(QString::fromUtf8(value)))
            return QStringLiteral("alertmanager takes an http or https URL such as http://127.0.0.1:9093");
        values.alertmanager = QString::fromUtf8(value);
    } else if (key == "site" || key == "probe-label") {
        auto& label = key == "site" ? values.site : values.probeLabel;
        if (label)
            return twice();
        if (!isAlertLabel(QString::fromUtf8(value)))
            return QString::fromLatin1(key) + QStringLiteral(" takes 1 to 128 printable characters");
        label = QString::fromUtf8(value);
    } else {
        return QStringLiteral("unknown setting \"%1\"; the settings are %2").arg(QString::fromLatin1(key), kAccepted);
    }
    return std::nullopt;
}

void SettingsFileValues::applyTo(zemtra::SnmpClient& client) const
{
    if (agent)
        client.setAgent(*agent);
    if (communityR)
        client.setCommunityR(*communityR);
    if (communityW)
        client.setCommunityW(*communityW);
    if (port)
        client.setPort(*port);
    if (timeout10ms)
        client.setTimeout(*timeout10ms);
    if (retries)
        client.setRetries(*retries);
}

void applySettings(zemtra::SnmpClient& client, const SettingsFileValues& file, const ManagerOptions& options)
{
    file.applyTo(client);
    if (options.agent)
        client.setAgent(*options.agent);
    if (options.port)
        client.setPort(*options.port);
}

std::optional<QByteArray> iniLine(QByteArray line, bool& printable)
{
    if (line.endsWith('\r'))
        line.chop(1);
    line = line.trimmed();
    printable = std::none_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 && c != '\t'; });
    if (!printable || line.isEmpty() || line.startsWith('#') || line.startsWith(';'))
        return std::nullopt;
    return line;
}

SettingsFileRead parseSettingsFile(const QByteArray& content, const QString& path)
{
    SettingsFileRead read;
    const auto fail = [&](int line, const QString& what) {
        read.values = {};
        read.error = QStringLiteral("%1:%2: %3").arg(path).arg(line).arg(what);
        return read;
    };
    if (content.size() > kLargestFile)
        return fail(1, QStringLiteral("the file is larger than 64 KiB; a settings file has six lines"));
    const QList<QByteArray> lines = content.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        bool printable = true;
        const auto cleaned = iniLine(lines[i], printable);
        if (!printable)
            return fail(number, QStringLiteral("a settings line holds printable text only"));
        if (!cleaned)
            continue;
        const QByteArray& line = *cleaned;
        if (line.startsWith('[')) {
            if (line != "[snmp]")
                return fail(number, QStringLiteral("unknown section \"%1\"; the one section is [snmp]")
                                        .arg(QString::fromLatin1(line)));
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (equals < 0)
            return fail(number, QStringLiteral("expected KEY = VALUE, with KEY one of ") + kAccepted);
        if (const auto wrong = takeSetting(read.values, line.left(equals).trimmed(), line.mid(equals + 1).trimmed()))
            return fail(number, *wrong);
    }
    return read;
}

SettingsFileRead readSettingsFile(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        return {{}, path + QStringLiteral(": cannot be read: ") + file.errorString()};
    return parseSettingsFile(file.read(kLargestFile + 1), path);
}

QByteArray settingsFileText(const zemtra::SnmpClient& client)
{
    QByteArray text = "# vimboManager's client settings; command-line options override them.\n[snmp]\n";
    text += "agent = " + QByteArray::fromStdString(client.Agent()) + "\n";
    text += "port = " + QByteArray::number(client.Port()) + "\n";
    text += "community-read = " + QByteArray::fromStdString(client.CommunityR()) + "\n";
    text += "community-write = " + QByteArray::fromStdString(client.CommunityW()) + "\n";
    text += "timeout-10ms = " + QByteArray::number(client.Timeout()) + "\n";
    text += "retries = " + QByteArray::number(client.Retries()) + "\n";
    return text;
}

QByteArray alertSettingsText(const SettingsFileValues& values)
{
    QByteArray text;
    if (values.alertmanager)
        text += "alertmanager = " + values.alertmanager->toUtf8() + "\n";
    if (values.site)
        text += "site = " + values.site->toUtf8() + "\n";
    if (values.probeLabel)
        text += "probe-label = " + values.probeLabel->toUtf8() + "\n";
    return text;
}

void applyAlertSettings(ManagerOptions& options, const SettingsFileValues& file)
{
    if (!options.alertmanager)
        options.alertmanager = file.alertmanager;
    if (options.site.isEmpty())
        options.site = file.site.value_or(QString());
    if (options.probeLabel.isEmpty())
        options.probeLabel = file.probeLabel.value_or(QString());
}

std::optional<QString> writeSettingsFile(const QString& path, const QByteArray& text)
{
    const QString folder = QFileInfo(path).absolutePath();
    const QByteArray folderName = QFile::encodeName(folder);
    QDir().mkpath(QFileInfo(folder).absolutePath());
    if (::mkdir(folderName.constData(), 0700) != 0 && errno != EEXIST)
        return folder + QStringLiteral(": cannot be made: ") + QString::fromLocal8Bit(std::strerror(errno));
    // A folder made before, under a wider umask, is tightened; a link is not followed.
    struct stat made{};
    if (::lstat(folderName.constData(), &made) != 0 || !S_ISDIR(made.st_mode))
        return folder + QStringLiteral(": is not a folder");
    if ((made.st_mode & 077) != 0 && ::chmod(folderName.constData(), made.st_mode & 0700) != 0)
        return folder + QStringLiteral(": cannot be made private: ") + QString::fromLocal8Bit(std::strerror(errno));
    if (const auto error = zemtra::replaceFile(QFile::encodeName(path).toStdString(), text.toStdString(), 0600))
        return QString::fromLocal8Bit(error->c_str());
    return std::nullopt;
}

QString userSettingsPath(const QProcessEnvironment& environment)
{
    QString base = environment.value(QStringLiteral("XDG_CONFIG_HOME"));
    // The XDG rule: an unset, empty or relative value means ~/.config.
    if (base.isEmpty() || !QFileInfo(base).isAbsolute())
        base = environment.value(QStringLiteral("HOME")) + QStringLiteral("/.config");
    return base + QStringLiteral("/vimbo/vimboManager.conf");
}

QString settingsPathToRead(const QProcessEnvironment& environment)
{
    const QString user = userSettingsPath(environment);
    return QFileInfo::exists(user) ? user : QStringLiteral("/etc/vimbo/vimboManager.conf");
}

}  // namespace vimbo
