#pragma once

#include "store/Report.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace vimbo {

enum class HistoryCommand { Events, Export, Probes, Backup, Report };
enum class HistoryFormat { Csv, Json, Text };

/// What a vimbo-history run asked for, read and checked.
struct HistoryArguments {
    HistoryCommand command = HistoryCommand::Events;
    QString store;
    std::optional<QString> probeAddress;  // --probe, split into a numeric address and a port
    int probePort = 0;
    std::optional<std::int64_t> sinceMsecs, untilMsecs;
    HistoryFormat format = HistoryFormat::Csv;
    bool minutes = false;  // export --resolution 1m
    ReportPeriod by = ReportPeriod::Whole;
    QString backupFile;
};

/// Either the arguments to run with, or a stop: `exitStatus` after printing
/// `output` (standard output) and `error` (standard error).
struct HistoryCommandLine {
    HistoryArguments arguments;
    std::optional<int> exitStatus;
    QString output;
    QString error;
};

inline constexpr int kHistoryUsageError = 2;

/// Reads vimbo-history's arguments (without the program name). Durations
/// count back from `nowMsecs`; the store is `defaultStore` unless --history
/// names one. --help and --version stop with 0, bad usage with 2.
HistoryCommandLine readHistoryCommandLine(const QStringList& arguments, std::int64_t nowMsecs,
                                          const QString& defaultStore);

}  // namespace vimbo
