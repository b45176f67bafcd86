#pragma once

#include <QString>

#include <optional>

namespace vimbo {

/// Readies the store's path before SQLite opens it: a symbolic link there is
/// refused; for writing, the folder is made 0700 and the file made (or
/// tightened to) 0600, since it holds the acknowledging users' names and notes.
/// Gives why it cannot be used, or nothing.
std::optional<QString> prepareStoreFile(const QString& path, bool forWriting);

/// The write-ahead log and the shared-memory file, once SQLite made them, are
/// held to 0600 as the store is.
void tightenStoreCompanions(const QString& path);

}  // namespace vimbo
