#pragma once

#include "ResultCode.h"

#include <cstdint>
#include <span>
#include <vector>

namespace zemtra {

class SnmpClient;

inline constexpr std::uint32_t kSettingsStreamVersion = 0x00000300;

/// The version, the extent, Agent, CommunityR, CommunityW as string variants,
/// then Port, Retries and Timeout, all little-endian with no padding.
std::vector<std::uint8_t> saveSettings(const SnmpClient& client);

/// Loads a stream written by saveSettings. A newer version is refused with
/// 0x80004005 and nothing applied; a stream that ends early stops the load with
/// 0x8003001E, and one holding a variant other than a string with 0x80020005;
/// in both cases the entries read before stay applied.
ResultCode loadSettings(SnmpClient& client, std::span<const std::uint8_t> stream);

}  // namespace zemtra
