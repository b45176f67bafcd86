#pragma once

// The one seam to the protocol library: nothing here names its types.

#include "AgentAddress.h"
#include "ObjectId.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// The library's decoded binding, named without its headers.
struct variable_list;

namespace zemtra::wire {

// Syntax codes of values as the protocol tags them.
inline constexpr std::uint8_t kInteger = 0x02;
inline constexpr std::uint8_t kBitString = 0x03;
inline constexpr std::uint8_t kOctetString = 0x04;
inline constexpr std::uint8_t kNull = 0x05;
inline constexpr std::uint8_t kObjectId = 0x06;
inline constexpr std::uint8_t kSequence = 0x30;
inline constexpr std::uint8_t kIpAddress = 0x40;
inline constexpr std::uint8_t kCounter32 = 0x41;
inline constexpr std::uint8_t kGauge32 = 0x42;
inline constexpr std::uint8_t kTimeTicks = 0x43;
inline constexpr std::uint8_t kOpaque = 0x44;
inline constexpr std::uint8_t kCounter64 = 0x46;

/// Where and how one request goes. Timeout and retries are already checked.
struct Target {
    AgentAddress address;
    std::uint16_t port = 161;
    std::string_view community;
    long timeoutMicroseconds = 0;
    int retries = 0;
};

/// The value of the first binding of an answer, as the wire carried it.
struct Value {
    std::uint8_t syntax = kNull;
    std::int64_t integer = 0;                // INTEGER, Counter32, Gauge32, TimeTicks
    std::uint32_t high = 0, low = 0;         // Counter64
    std::vector<std::uint8_t> bytes;         // OCTET STRING, BIT STRING, IpAddress, Opaque
    std::vector<std::uint32_t> arcs;         // OBJECT IDENTIFIER
};

/// A binding the library decoded, as the wire carried it: for a caller that
/// drives the library's sessions itself and maps values as `get` does.
Value valueOf(const variable_list& binding);

/// What `set` puts on the wire: an INTEGER or an OCTET STRING.
using SetValue = std::variant<std::int32_t, std::string>;

enum class Status { Ok, SessionNotOpened, RequestFailed };

/// Why a request failed, in the protocol library's own words.
struct Failure {
    bool timedOut = false;  // no answer within the time-out and retries
    long errorStatus = 0;   // the agent's error status, when it answered with one
    std::string reason;
};

/// One GET in its own session; fills `answer` on Ok, `failure` otherwise.
Status get(const Target& target, const ObjectId& oid, Value& answer, Failure& failure);

/// One SET in its own session; the answer's bindings are not looked at.
Status set(const Target& target, const ObjectId& oid, const SetValue& value, Failure& failure);

}  // namespace zemtra::wire
