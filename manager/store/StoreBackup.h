#pragma once

#include <QString>

#include <optional>

namespace vimbo {

/// A consistent copy of the store at `storePath` in `copyPath`, taken with
/// SQLite's online backup in one read, so managers go on writing meanwhile.
/// The copy is one file (no -wal beside it), written to a fresh temporary
/// file in the same folder (created exclusively, 0600), synced and renamed
/// over `copyPath`; a link at `copyPath` is refused, and nothing is left
/// behind on failure. The reason, naming the file, when it fails.
std::optional<QString> backupStore(const QString& storePath, const QString& copyPath);

}  // namespace vimbo
