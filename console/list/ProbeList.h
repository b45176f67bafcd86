#pragma once

#include "ProbeEntry.h"

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>

#include <optional>
#include <vector>

namespace vimbo {

/// The probes of a list file, in the file's order, or, for a file that is not
/// as accepted, no probes and one message naming the file, the line and why.
struct ProbeListRead {
    bool ok = true;
    std::vector<ProbeEntry> probes;
    QString error;
};

/// Reads a list of probes, one section each:
///   [probe kestrel-hill-1]     the label: letters, digits, '-', '_', '.'
///   site = Kestrel Hill        one line of text
///   agent = 127.0.0.1          the one key a probe must have
///   port = 16101               the others as in the settings file, and
///   community-read = ...       its defaults where left out
///   community-write = ...
///   timeout-10ms = 100
///   retries = 1
/// Blank lines and lines starting with # or ; are comments. A file that does
/// not exist is an empty list.
ProbeListRead readProbeList(const QString& path);
/// The same, from the file's bytes.
ProbeListRead parseProbeList(const QByteArray& content, const QString& path);

/// The settings a probe has for a key its section leaves out.
ClientSettings defaultProbeSettings();

/// `probes` in the form readProbeList reads; the reason when one of them
/// could not be read back (a label or site the file cannot hold).
std::optional<QString> probeListText(const std::vector<ProbeEntry>& probes, QByteArray& text);
/// Writes the list as the settings file is written: 0600 in a 0700 folder,
/// never through a link, all of it or, on failure, the old file untouched.
std::optional<QString> writeProbeList(const QString& path, const std::vector<ProbeEntry>& probes);

/// $XDG_CONFIG_HOME/vimbo/probes.conf, with ~/.config for an unset XDG_CONFIG_HOME.
QString defaultProbeListPath(const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

}  // namespace vimbo
