#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zemtra {

/// A numeric UDP agent address: IPv4 dotted quad or IPv6 text, without port.
struct AgentAddress {
    bool ipv6 = false;
    std::string host;  // numeric, without brackets
};

/// A numeric IPv4 or IPv6 host alone, as inet_pton reads it: no port,
/// brackets, zone or name, and never a text with a NUL.
std::optional<AgentAddress> parseNumericHost(std::string_view text);

/// Parses "A.B.C.D", "A.B.C.D:P", "A.B.C.D/P", "ADDR6", "[ADDR6]", "[ADDR6]:P",
/// "[ADDR6]/P" or "ADDR6/P". Host names are refused (nullopt), so parsing never
/// waits on a name lookup; the port suffix is checked and then ignored.
std::optional<AgentAddress> parseAgentAddress(std::string_view text);

/// The transport peer name for the library: "udp:A.B.C.D:P" or "udp6:[ADDR6]:P".
std::string peerName(const AgentAddress& address, std::uint16_t port);

}  // namespace zemtra
