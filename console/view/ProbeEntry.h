#pragma once

#include "core/PollTransport.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace vimbo {

/// One probe of the list as the operator enters it: its label (the list's
/// section name), its site and its SNMP settings.
struct ProbeEntry {
    QString label, site;
    ClientSettings settings;
};

/// Why `label` cannot name a probe of a list whose other labels are `taken`:
/// empty, over 64 characters, a character other than letters, digits, '-',
/// '_' and '.', or another probe's. Nothing when it can.
std::optional<QString> labelProblem(const QString& label, const QStringList& taken);
/// Why `site` cannot be written on one line of the list: over 100 characters,
/// or a control character. Nothing when it can.
std::optional<QString> siteProblem(const QString& site);

}  // namespace vimbo
