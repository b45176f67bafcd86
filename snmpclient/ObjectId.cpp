#include "ObjectId.h"

namespace zemtra {

namespace {
constexpr std::size_t kMaxArcs = 128;  // the protocol library's limit
}

std::optional<ObjectId> parseObjectId(std::string_view text)
{
    if (!text.empty() && text.front() == '.')
        text.remove_prefix(1);
    if (text.empty())
        return std::nullopt;

    ObjectId arcs;
    std::uint64_t current = 0;
    bool haveDigit = false;
    for (const char c : text) {
        if (c == '.') {
            if (!haveDigit || arcs.size() == kMaxArcs)
                return std::nullopt;
            arcs.push_back(static_cast<std::uint32_t>(current));
            current = 0;
            haveDigit = false;
        } else if (c >= '0' && c <= '9') {
            current = current * 10 + static_cast<unsigned>(c - '0');
            if (current > 0xFFFFFFFFu)
                return std::nullopt;
            haveDigit = true;
        } else {
            return std::nullopt;
        }
    }
    if (!haveDigit || arcs.size() == kMaxArcs)
        return std::nullopt;
    arcs.push_back(static_cast<std::uint32_t>(current));
    if (arcs.size() < 2)
        return std::nullopt;
    return arcs;
}

std::string objectIdText(std::span<const std::uint32_t> arcs)
{
    std::string text;
    for (std::size_t i = 0; i < arcs.size(); ++i) {
        if (i != 0)
            text += '.';
        text += std::to_string(arcs[i]);
    }
    return text;
}

}  // namespace zemtra
