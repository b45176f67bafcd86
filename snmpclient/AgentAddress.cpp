#include "AgentAddress.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>

namespace zemtra {

namespace {

bool isPortText(std::string_view text)
{
    if (text.empty() || text.size() > 5)
        return false;
    if (!std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); }))
        return false;
    return std::stoul(std::string(text)) <= 65535;
}

bool isIpv4(std::string_view text)
{
    in_addr out{};
    return inet_pton(AF_INET, std::string(text).c_str(), &out) == 1;
}

bool isIpv6(std::string_view text)
{
    in6_addr out{};
    return inet_pton(AF_INET6, std::string(text).c_str(), &out) == 1;
}

}  // namespace

std::optional<AgentAddress> parseNumericHost(std::string_view text)
{
    // inet_pton would stop at a NUL and pass "127.0.0.1\0evil" as 127.0.0.1.
    if (text.find('\0') != std::string_view::npos)
        return std::nullopt;
    if (isIpv4(text))
        return AgentAddress{false, std::string(text)};
    if (isIpv6(text))
        return AgentAddress{true, std::string(text)};
    return std::nullopt;
}

std::optional<AgentAddress> parseAgentAddress(std::string_view text)
{
    // The checks below hand C strings on, which would end at a NUL.
    if (text.empty() || text.find('\0') != std::string_view::npos)
        return std::nullopt;

    if (text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        const auto host = text.substr(1, close - 1);
        const auto rest = text.substr(close + 1);
        if (!rest.empty() && !((rest.front() == ':' || rest.front() == '/') && isPortText(rest.substr(1))))
            return std::nullopt;
        if (!isIpv6(host))
            return std::nullopt;
        return AgentAddress{true, std::string(host)};
    }

    if (auto host = parseNumericHost(text))
        return host;

    // A port suffix: "/P" after either family, ":P" only after IPv4 (IPv6 uses colons).
    const auto slash = text.rfind('/');
    if (slash != std::string_view::npos && isPortText(text.substr(slash + 1))) {
        const auto host = text.substr(0, slash);
        if (isIpv4(host))
            return AgentAddress{false, std::string(host)};
        if (isIpv6(host))
            return AgentAddress{true, std::string(host)};
        return std::nullopt;
    }
    const auto colon = text.rfind(':');
    if (colon != std::string_view::npos && isPortText(text.substr(colon + 1)) && isIpv4(text.substr(0, colon)))
        return AgentAddress{false, std::string(text.substr(0, colon))};
    return std::nullopt;
}

std::string peerName(const AgentAddress& address, std::uint16_t port)
{
    if (address.ipv6)
        return "udp6:[" + address.host + "]:" + std::to_string(port);
    return "udp:" + address.host + ":" + std::to_string(port);
}

}  // namespace zemtra
