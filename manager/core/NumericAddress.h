#pragma once

#include <QString>

namespace vimbo {

/// A numeric IPv6 address as inet_pton reads it ("::1", "fe80::1"): no zone,
/// brackets, prefix or port, which the client component would not take.
bool isNumericIPv6Address(const QString& text);

/// A numeric IPv4 address ("192.168.0.20", as inet_pton reads it) or IPv6 one; never a host name.
bool isNumericAddress(const QString& text);

}  // namespace vimbo
