#include "SnmpClient.h"

#include "AgentAddress.h"
#include "ObjectId.h"
#include "PrintableText.h"
#include "SnmpWire.h"
#include "ValueMapping.h"

#include <utility>

namespace zemtra {

namespace {

// A host's default extent for a new control: two inches square.
constexpr Extent kDefaultExtent{5080, 5080};

ResultCode fromWire(wire::Status status)
{
    switch (status) {
    case wire::Status::Ok: return kOk;
    case wire::Status::SessionNotOpened: return kSessionNotOpened;
    case wire::Status::RequestFailed: return kRequestFailed;
    }
    return kRequestFailed;
}

}  // namespace

ResultCode mapValue(const wire::Value& answer, Variant& local)
{
    switch (answer.syntax) {
    case wire::kInteger:
        local.assignInteger(static_cast<std::int32_t>(answer.integer));
        return kOk;
    case wire::kCounter32:
    case wire::kGauge32:
    case wire::kTimeTicks:
        // The 32 bits of the unsigned value: above 2147483647 they read negative.
        local.assignInteger(static_cast<std::int32_t>(static_cast<std::uint32_t>(answer.integer)));
        return kOk;
    case wire::kBitString:
    case wire::kOctetString:
    case wire::kOpaque:
        local = Variant(octetStringText(answer.bytes));
        return kOk;
    case wire::kObjectId:
        local = Variant(objectIdText(answer.arcs));
        return kOk;
    case wire::kIpAddress:
        local = Variant(ipAddressText(answer.bytes));
        return kOk;
    case wire::kCounter64:
        local = Variant(counter64Text(answer.high, answer.low));
        return kOk;
    case wire::kNull:
        local.clear();
        return kOk;
    case wire::kSequence:
    case 0xB0:
        return kSequenceNotMapped;
    default:
        return kTypeNotMapped;
    }
}

SnmpClient::SnmpClient()
    : m_agent("192.168.101.248"),
      m_communityR("tavelo"),
      m_communityW("kiminar"),
      m_timeout10ms(100),
      m_retries(1),
      m_port(161),
      m_extent(kDefaultExtent)
{
}

ResultCode SnmpClient::fail(ResultCode code, std::string reason, bool timedOut, long errorStatus)
{
    m_lastFailureReason = std::move(reason);
    m_lastCallTimedOut = timedOut;
    m_lastErrorStatus = errorStatus;
    return code;
}

// The checks every request makes before anything is sent; kOk when it may go.
ResultCode SnmpClient::checkRequest(const std::string& oid) 
{
    if (!parseObjectId(oid))
        return fail(kRequestFailed, "not an object identifier: \"" + oid + "\"");
    if (m_timeout10ms < 0 || m_retries < 0)
        return fail(kRequestFailed, "a negative time-out or retry count is refused");
    return kOk;
}

ResultCode SnmpClient::get(const std::string& oid, Variant& value)
{
    fail(kOk, {});
    const auto address = parseAgentAddress(m_agent);
    if (!address)
        return fail(kBadAgentAddress, "not an agent address: \"" + m_agent + "\"");

    // From here the caller's old content belongs to this call.
    Variant local = std::exchange(value, Variant{});

    // A negative time-out or retry count would wait almost forever: refused.
    if (const ResultCode refused = checkRequest(oid); refused != kOk)
        return refused;

    const wire::Target target{*address, m_port, m_communityR,
                              m_timeout10ms * 10000L, m_retries};
    wire::Value answer;
    wire::Failure failure;
    const ResultCode sent = fromWire(wire::get(target, *parseObjectId(oid), answer, failure));
    if (sent != kOk)
        return fail(sent, std::move(failure.reason), failure.timedOut, failure.errorStatus);
    const ResultCode mapped = mapValue(answer, local);
    if (mapped != kOk)
        return fail(mapped, "the value's type " + std::to_string(answer.syntax) + " has no variant type");
    value = std::move(local);
    return mapped;
}

ResultCode SnmpClient::set(const std::string& oid, const Variant& value)
{
    fail(kOk, {});
    const auto address = parseAgentAddress(m_agent);
    if (!address)
        return fail(kBadAgentAddress, "not an agent address: \"" + m_agent + "\"");

    wire::SetValue toSend;
    if (const auto* small = value.getIf<std::int16_t>())
        toSend = std::int32_t{*small};
    else if (const auto* number = value.getIf<std::int32_t>())
        toSend = *number;
    else if (const auto* text = value.getIf<std::string>())
        toSend = *text;
    else
        return fail(kTypeNotMapped, "only 16-bit and 32-bit integers and strings can be written");

    if (const ResultCode refused = checkRequest(oid); refused != kOk)
        return refused;

    const wire::Target target{*address, m_port, m_communityW,
                              m_timeout10ms * 10000L, m_retries};
    wire::Failure failure;
    const ResultCode sent = fromWire(wire::set(target, *parseObjectId(oid), toSend, failure));
    if (sent != kOk)
        return fail(sent, std::move(failure.reason), failure.timedOut, failure.errorStatus);
    return kOk;
}

}  // namespace zemtra
