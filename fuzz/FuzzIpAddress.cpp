// isValidIPAddress on arbitrary text: an accepted text is always a dotted
// quad written plainly, its end fields 1..254.
#include "widgets/ZemtraLib.h"

#include <arpa/inet.h>

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    if (!ZemtraLib::isValidIPAddress(QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()))))
        return 0;
    in_addr address{};
    if (inet_pton(AF_INET, bytes.c_str(), &address) != 1 || bytes.size() != std::char_traits<char>::length(bytes.c_str()))
        __builtin_trap();
    const auto* octets = reinterpret_cast<const std::uint8_t*>(&address);
    for (const int end : {0, 3})
        if (octets[end] == 0 || octets[end] == 255)
            __builtin_trap();
    // Written plainly: the text is exactly what the address prints as.
    char plain[INET_ADDRSTRLEN];
    if (!inet_ntop(AF_INET, &address, plain, sizeof plain) || bytes != plain)
        __builtin_trap();
    return 0;
}
