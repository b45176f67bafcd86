// isValidIPAddress on arbitrary text: an accepted text is always a dotted
// quad of 1..254 written plainly.
#include "ZemtraLib.h"

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
    for (int i = 0; i < 4; ++i)
        if (octets[i] == 0 || octets[i] == 255)
            __builtin_trap();
    if (bytes.front() == '0' || bytes.find(".0") != std::string::npos)
        __builtin_trap();
    return 0;
}
