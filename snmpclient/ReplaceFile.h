#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

namespace zemtra {

/// Puts `content` under `path` whole or not at all: written to a fresh
/// temporary file in the same folder (created exclusively, so no link
/// planted there is followed), given `mode` whatever the umask, synced, then
/// renamed over `path`. A link at `path` itself is refused. Nothing is
/// left behind on failure. The reason, naming the file, when it fails.
std::optional<std::string> replaceFile(const std::string& path, std::string_view content, mode_t mode);

}  // namespace zemtra
