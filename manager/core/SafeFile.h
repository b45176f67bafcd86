#pragma once

#include <QString>

#include <functional>
#include <optional>

class QIODevice;

namespace vimbo {

/// Writes a file through a temporary file in the same folder that is renamed
/// into place only when everything was written, so a failure (a read-only
/// folder, a full disk) never leaves a half-written file under `path`.
/// `write` returns false when it could not write. The reason on failure.
std::optional<QString> writeFileSafely(const QString& path, const std::function<bool(QIODevice&)>& write);

}  // namespace vimbo
