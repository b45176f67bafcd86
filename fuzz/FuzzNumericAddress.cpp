// isNumericAddress on arbitrary text: what the windows accept, the client
// accepts as the same host, and a NUL never passes.
#include "AgentAddress.h"
#include "core/NumericAddress.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const bool ipv6 = vimbo::isNumericIPv6Address(text);
    if (!vimbo::isNumericAddress(text)) {
        if (ipv6)
            __builtin_trap();
        return 0;
    }
    const std::string bytes = text.toStdString();
    if (bytes.find('\0') != std::string::npos)
        __builtin_trap();
    const auto address = zemtra::parseAgentAddress(bytes);
    if (!address || address->host != bytes || address->ipv6 != ipv6)
        __builtin_trap();
    return 0;
}
