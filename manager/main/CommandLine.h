#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <string>

namespace vimbo {

/// What the operator asked for on vimboManager's command line.
struct ManagerOptions {
    std::optional<std::string> agent;
    std::optional<std::uint16_t> port;
    bool notify = true;
    bool saveDefaults = false;
    bool recordHistory = true;
    std::optional<QString> history;  // the store's file, when not the default one
    int keepBucketDays = 7;
    int keepMinuteDays = 400;
    int flapHoldSeconds = 60;  // a new rise this soon after a clear continues the record
    std::optional<QString> alertmanager;  // an http(s) URL the journal is forwarded to
    QString site, probeLabel;             // labels of the forwarded alerts
};


/// The outcome of reading the command line: either the program goes on with
/// `options`, or it stops with `exitStatus` after printing `output` (standard
/// output) and `error` (standard error).
struct CommandLine {
    ManagerOptions options;
    std::optional<int> exitStatus;
    QString output;
    QString error;
};

inline constexpr int kUsageError = 2;

/// An Alertmanager's address as --alertmanager and the settings file take it:
/// http or https, a host, no query, fragment or user.
bool isAlertmanagerUrl(const QString& text);
/// A site or probe label: 1 to 128 printable characters.
bool isAlertLabel(const QString& text);

/// Reads vimboManager's arguments (the program name first). --help and
/// --version stop with 0; a host name, a bad address or port, an unknown
/// option or a stray argument stop with 2 and say what is accepted.
CommandLine readCommandLine(const QStringList& arguments);

}  // namespace vimbo
