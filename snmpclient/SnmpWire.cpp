// The only file that includes the protocol library's headers.
#include "SnmpWire.h"

#include "CHandle.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <bit>
#include <cstring>
#include <memory>
#include <mutex>
#include <span>

namespace zemtra::wire {

namespace {

using PduPtr = CHandle<netsnmp_pdu, snmp_free_pdu>;
using SessionPtr = CHandle<void, snmp_sess_close>;

// init_snmp() would change the C locale, read system configuration and load
// MIBs; the client needs none of that, only a quiet library.
void startLibraryOnce()
{
    static std::once_flag once;
    std::call_once(once, [] {
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_READ_CONFIGS, 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_LOAD, 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_SAVE, 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_PERSIST_STATE, 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_LOAD_HOST_FILES, 1);
        netsnmp_register_loghandler(NETSNMP_LOGHANDLER_NONE, LOG_DEBUG);
    });
}

SessionPtr openSession(const Target& target)
{
    startLibraryOnce();
    netsnmp_session settings;
    snmp_sess_init(&settings);
    std::string peer = peerName(target.address, target.port);
    settings.peername = peer.data();
    settings.version = SNMP_VERSION_1;
    settings.local_port = 0;
    // The library copies the community. A length of 0 asks for its configured
    // default, and with no configuration read that default is empty too.
    std::string community(target.community);
    settings.community = reinterpret_cast<u_char*>(community.data());
    settings.community_len = community.size();
    settings.timeout = target.timeoutMicroseconds;
    settings.retries = target.retries;
    return SessionPtr(snmp_sess_open(&settings));
}

std::vector<oid> toLibraryOid(const ObjectId& arcs) { return std::vector<oid>(arcs.begin(), arcs.end()); }

void appendBigEndian(std::vector<std::uint8_t>& out, std::uint64_t value, std::size_t count)
{
    for (std::size_t i = count; i-- > 0;)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// The library decodes floats and 64-bit numbers wrapped in an Opaque into
// types of its own; put back the Opaque's content bytes (tag 9F xx, length,
// value) so the caller sees the Opaque the agent sent.
std::vector<std::uint8_t> opaqueContent(std::uint8_t innerTag, std::span<const std::uint8_t> value)
{
    std::vector<std::uint8_t> out(3 + value.size());
    out[0] = 0x9F;
    out[1] = innerTag;
    out[2] = static_cast<std::uint8_t>(value.size());
    std::copy(value.begin(), value.end(), out.begin() + 3);
    return out;
}

std::vector<std::uint8_t> minimalInteger(std::uint64_t bits, bool isSigned)
{
    std::vector<std::uint8_t> bytes;
    appendBigEndian(bytes, bits, 8);
    std::size_t skip = 0;
    while (skip + 1 < bytes.size()) {
        const bool redundantZero = bytes[skip] == 0x00 && (bytes[skip + 1] & 0x80) == 0;
        const bool redundantOnes = isSigned && bytes[skip] == 0xFF && (bytes[skip + 1] & 0x80) != 0;
        if (!redundantZero && !redundantOnes)
            break;
        ++skip;
    }
    bytes.erase(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(skip));
    if (!isSigned && (bytes.front() & 0x80) != 0)
        bytes.insert(bytes.begin(), 0x00);
    return bytes;
}

}  // namespace

Value valueOf(const netsnmp_variable_list& binding)
{
    Value value;
    value.syntax = binding.type;
    switch (binding.type) {
    case ASN_INTEGER:
    case ASN_COUNTER:
    case ASN_GAUGE:
    case ASN_TIMETICKS:
        value.integer = binding.val.integer ? *binding.val.integer : 0;
        break;
    case ASN_OCTET_STR:
    case ASN_BIT_STR:
    case ASN_IPADDRESS:
    case ASN_OPAQUE:
        if (binding.val.string)
            value.bytes.assign(binding.val.string, binding.val.string + binding.val_len);
        break;
    case ASN_OBJECT_ID:
        if (binding.val.objid)
            value.arcs.assign(binding.val.objid, binding.val.objid + binding.val_len / sizeof(oid));
        break;
    case ASN_COUNTER64:
        if (binding.val.counter64) {
            value.high = static_cast<std::uint32_t>(binding.val.counter64->high);
            value.low = static_cast<std::uint32_t>(binding.val.counter64->low);
        }
        break;
#ifdef NETSNMP_WITH_OPAQUE_SPECIAL_TYPES
    case ASN_OPAQUE_FLOAT: {
        std::vector<std::uint8_t> bits;
        appendBigEndian(bits, std::bit_cast<std::uint32_t>(binding.val.floatVal ? *binding.val.floatVal : 0.0f), 4);
        value.syntax = kOpaque;
        value.bytes = opaqueContent(ASN_OPAQUE_FLOAT, bits);
        break;
    }
    case ASN_OPAQUE_DOUBLE: {
        std::vector<std::uint8_t> bits;
        appendBigEndian(bits, std::bit_cast<std::uint64_t>(binding.val.doubleVal ? *binding.val.doubleVal : 0.0), 8);
        value.syntax = kOpaque;
        value.bytes = opaqueContent(ASN_OPAQUE_DOUBLE, bits);
        break;
    }
    case ASN_OPAQUE_COUNTER64:
    case ASN_OPAQUE_U64:
    case ASN_OPAQUE_I64: {
        std::uint64_t bits = 0;
        if (binding.val.counter64)
            bits = (static_cast<std::uint64_t>(binding.val.counter64->high & 0xFFFFFFFFu) << 32) |
                   (binding.val.counter64->low & 0xFFFFFFFFu);
        value.syntax = kOpaque;
        value.bytes = opaqueContent(binding.type, minimalInteger(bits, binding.type == ASN_OPAQUE_I64));
        break;
    }
#endif
    default:
        break;
    }
    return value;
}

namespace {

std::string sessionError(void* session)
{
    int libraryError = 0, systemError = 0;
    char* text = nullptr;
    snmp_sess_error(session, &libraryError, &systemError, &text);
    std::string reason = text ? text : "unknown error";
    SNMP_FREE(text);
    return reason;
}

// Sends one request; the library owns `request` from here on, also on failure.
Status exchange(const Target& target, PduPtr request, PduPtr& response, Failure& failure)
{
    SessionPtr session = openSession(target);
    if (!session) {
        // A session that never opened keeps its reason in the library's global error.
        const char* text = snmp_api_errstring(snmp_errno);
        failure.reason = std::string("cannot open a session to ") + peerName(target.address, target.port) + ": " +
                         (text ? text : "unknown error");
        return Status::SessionNotOpened;
    }
    netsnmp_pdu* answer = nullptr;
    const int status = snmp_sess_synch_response(session.get(), request.release(), &answer);
    response.reset(answer);
    if (status == STAT_TIMEOUT) {
        failure.timedOut = true;
        failure.reason = "no answer from " + peerName(target.address, target.port) + " (" +
                         std::to_string(target.retries + 1) + " tries of " +
                         std::to_string(target.timeoutMicroseconds / 1000) + " ms)";
        return Status::RequestFailed;
    }
    if (status != STAT_SUCCESS || !response) {
        failure.reason = sessionError(session.get());
        return Status::RequestFailed;
    }
    if (response->errstat != SNMP_ERR_NOERROR) {
        failure.errorStatus = response->errstat;
        failure.reason = std::string("the agent answered error status ") + std::to_string(response->errstat) + " " +
                         snmp_errstring(static_cast<int>(response->errstat)) + " at binding " +
                         std::to_string(response->errindex);
        return Status::RequestFailed;
    }
    return Status::Ok;
}

}  // namespace

Status get(const Target& target, const ObjectId& arcs, Value& answer, Failure& failure)
{
    PduPtr request(snmp_pdu_create(SNMP_MSG_GET));
    const auto name = toLibraryOid(arcs);
    if (!request || !snmp_add_null_var(request.get(), name.data(), name.size())) {
        failure.reason = "cannot build the request";
        return Status::RequestFailed;
    }
    PduPtr response;
    const Status status = exchange(target, std::move(request), response, failure);
    if (status != Status::Ok)
        return status;
    if (!response->variables) {
        failure.reason = "the answer holds no value";
        return Status::RequestFailed;
    }
    answer = valueOf(*response->variables);
    return Status::Ok;
}

Status set(const Target& target, const ObjectId& arcs, const SetValue& value, Failure& failure)
{
    PduPtr request(snmp_pdu_create(SNMP_MSG_SET));
    if (!request) {
        failure.reason = "cannot build the request";
        return Status::RequestFailed;
    }
    const auto name = toLibraryOid(arcs);
    netsnmp_variable_list* added = nullptr;
    if (const auto* number = std::get_if<std::int32_t>(&value)) {
        const long wide = *number;
        added = snmp_pdu_add_variable(request.get(), name.data(), name.size(), ASN_INTEGER, &wide, sizeof wide);
    } else {
        const auto& text = std::get<std::string>(value);
        static const char kNothing = 0;
        added = snmp_pdu_add_variable(request.get(), name.data(), name.size(), ASN_OCTET_STR,
                                      text.empty() ? &kNothing : text.data(), text.size());
    }
    if (!added) {
        failure.reason = "cannot build the request";
        return Status::RequestFailed;
    }
    PduPtr response;
    return exchange(target, std::move(request), response, failure);
}

}  // namespace zemtra::wire
