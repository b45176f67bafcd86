#pragma once

#include <QProcessEnvironment>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>

namespace zemtra {
class SnmpClient;
}

namespace vimbo {

/// The client settings a settings file gives; a setting it leaves out stays
/// as it was.
struct SettingsFileValues {
    std::optional<std::string> agent, communityR, communityW;
    std::optional<std::uint16_t> port;
    std::optional<std::int16_t> timeout10ms, retries;
    std::optional<QString> alertmanager, site, probeLabel;  // what the journal is forwarded to, and its labels

    void applyTo(zemtra::SnmpClient& client) const;
};

struct ManagerOptions;

/// The one order of the client's settings: the stored ones it holds, then
/// the settings file's, then the operator's options.
void applySettings(zemtra::SnmpClient& client, const SettingsFileValues& file, const ManagerOptions& options);

/// The settings or, for a file that is not as accepted, one message naming
/// the file, the line and what is accepted.
struct SettingsFileRead {
    SettingsFileValues values;
    QString error;
};

/// One line of a small INI file as it is read: its line end and the spaces
/// round it taken off; nothing for a blank or comment line (# or ;), and
/// `printable` false when it holds a control character other than a tab.
std::optional<QByteArray> iniLine(QByteArray line, bool& printable);

/// Stores one KEY = VALUE of the settings below into `values`; what is wrong
/// with it otherwise (an unknown key, a value out of range, a key given twice).
std::optional<QString> takeSetting(SettingsFileValues& values, const QByteArray& key, const QByteArray& value);

/// Reads a small INI file:
///   [snmp]
///   agent = 127.0.0.1          numeric IPv4 or IPv6
///   port = 16161               1..65535
///   community-read = tavelo    up to 255 printable characters
///   community-write = kiminar
///   timeout-10ms = 100         0..32767, in units of 10 ms
///   retries = 1                0..32767
///   alertmanager = http://127.0.0.1:9093   http or https (--alertmanager)
///   site = Hilltop             1..128 printable characters (--site)
///   probe-label = Tower A      the same (--probe-label)
/// Blank lines and lines starting with # or ; are comments. A file that does
/// not exist gives no settings and no error.
SettingsFileRead readSettingsFile(const QString& path);
/// The same, from the file's bytes.
SettingsFileRead parseSettingsFile(const QByteArray& content, const QString& path);

/// The six settings of `client` in the form readSettingsFile reads.
QByteArray settingsFileText(const zemtra::SnmpClient& client);
/// The forwarding settings of `values`, as lines to follow settingsFileText's.
QByteArray alertSettingsText(const SettingsFileValues& values);
/// Where the journal is forwarded and its labels: the options over the file's.
void applyAlertSettings(ManagerOptions& options, const SettingsFileValues& file);

/// Writes `text` as the settings file `path`: readable by its owner only
/// (0600, in a 0700 folder, whatever the umask), since it holds the write
/// community; never through a link planted at `path`. The reason, naming
/// the file or folder, when it cannot.
std::optional<QString> writeSettingsFile(const QString& path, const QByteArray& text);

/// $XDG_CONFIG_HOME/vimbo/vimboManager.conf, with ~/.config for an unset XDG_CONFIG_HOME.
QString userSettingsPath(const QProcessEnvironment& environment);
/// The user's file when it exists, else the system's /etc/vimbo/vimboManager.conf.
QString settingsPathToRead(const QProcessEnvironment& environment);

}  // namespace vimbo
