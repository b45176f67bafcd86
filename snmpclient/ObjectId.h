#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zemtra {

using ObjectId = std::vector<std::uint32_t>;

/// Dotted decimal, with or without a leading dot, 2 to 128 arcs of 32 bits;
/// nullopt for anything else (no names: nothing is looked up).
std::optional<ObjectId> parseObjectId(std::string_view text);

/// Dotted decimal without a leading dot.
std::string objectIdText(std::span<const std::uint32_t> arcs);

}  // namespace zemtra
