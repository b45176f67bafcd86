#pragma once

#include <cstdint>

namespace zemtra {

// The component's 32-bit result codes: 0 for success, top bit set for failure.
using ResultCode = std::uint32_t;

inline constexpr ResultCode kOk = 0;
inline constexpr ResultCode kBadAgentAddress = 0x80000001;
inline constexpr ResultCode kSessionNotOpened = 0x80000002;
inline constexpr ResultCode kRequestFailed = 0x80000003;
inline constexpr ResultCode kSequenceNotMapped = 0x80000004;
inline constexpr ResultCode kTypeNotMapped = 0x80000005;

// Generic platform codes the component shares with its hosts.
inline constexpr ResultCode kFail = 0x80004005;
inline constexpr ResultCode kAccessDenied = 0x80070005;
inline constexpr ResultCode kNoResultLocation = 0x80004003;
inline constexpr ResultCode kOutOfMemory = 0x8007000E;
inline constexpr ResultCode kStreamReadFault = 0x8003001E;
inline constexpr ResultCode kTypeMismatch = 0x80020005;

constexpr bool failed(ResultCode code) { return (code & 0x80000000u) != 0; }

/// A short English meaning of a result code; "unknown result code" for others.
const char* resultCodeText(ResultCode code);

}  // namespace zemtra
