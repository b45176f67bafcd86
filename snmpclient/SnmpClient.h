#pragma once

#include "ResultCode.h"
#include "Variant.h"

#include <cstdint>
#include <string>

namespace zemtra {

/// The control's extent in HIMETRIC units (0.01 mm), kept for the host.
struct Extent {
    std::uint32_t cx = 0;
    std::uint32_t cy = 0;
    bool operator==(const Extent&) const = default;
};

/// Reads or writes one variable of an SNMP version 1 agent per call. Every
/// call builds and releases its own session from the six settings, so a
/// changed setting takes effect with the next call.
class SnmpClient {
public:
    SnmpClient();

    const std::string& Agent() const { return m_agent; }
    void setAgent(std::string agent) { m_agent = std::move(agent); }
    const std::string& CommunityR() const { return m_communityR; }
    void setCommunityR(std::string community) { m_communityR = std::move(community); }
    const std::string& CommunityW() const { return m_communityW; }
    void setCommunityW(std::string community) { m_communityW = std::move(community); }
    /// Wait for each transmission, in units of 10 ms.
    std::int16_t Timeout() const { return m_timeout10ms; }
    void setTimeout(std::int16_t timeout10ms) { m_timeout10ms = timeout10ms; }
    std::int16_t Retries() const { return m_retries; }
    void setRetries(std::int16_t retries) { m_retries = retries; }
    /// The agent's UDP port, 0..65535.
    std::uint16_t Port() const { return m_port; }
    void setPort(std::uint16_t port) { m_port = port; }

    Extent extent() const { return m_extent; }
    void setExtent(Extent extent) { m_extent = extent; }

    /// Reads `oid` into `value`. Fails with 0x80000001 (value untouched) for a
    /// bad agent address; with 0x80000002..0x80000005 (value left empty) when
    /// the session, the request or the value mapping fails.
    ResultCode get(const std::string& oid, Variant& value);

    /// Writes a 16-bit or 32-bit integer or a string to `oid`; `value` is never
    /// changed. Fails with 0x80000001 for a bad agent address, 0x80000005 for
    /// any other variant type (nothing sent), 0x80000002 or 0x80000003 when the
    /// session or the request fails, an error status from the agent included.
    ResultCode set(const std::string& oid, const Variant& value);

    /// Why the last failed `get` or `set` failed, for a person: the protocol
    /// library's own reason where it had one. Empty after a success.
    const std::string& lastFailureReason() const { return m_lastFailureReason; }
    /// True when the last call failed because no answer came in time.
    bool lastCallTimedOut() const { return m_lastCallTimedOut; }
    /// The error status the agent answered the last call with; 0 when it did not.
    long lastErrorStatus() const { return m_lastErrorStatus; }

private:
    ResultCode fail(ResultCode code, std::string reason, bool timedOut = false, long errorStatus = 0);
    ResultCode checkRequest(const std::string& oid);

    std::string m_lastFailureReason;
    bool m_lastCallTimedOut = false;
    long m_lastErrorStatus = 0;
    std::string m_agent;
    std::string m_communityR;
    std::string m_communityW;
    std::int16_t m_timeout10ms;
    std::int16_t m_retries;
    std::uint16_t m_port;
    Extent m_extent;
};

}  // namespace zemtra
