#include "ProbeAgent.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
#include <net-snmp/agent/net-snmp-agent-includes.h>
#include <net-snmp/agent/agent_callbacks.h>

#include <arpa/inet.h>
#include <sys/socket.h>

#include <algorithm>
#include <thread>
#include <unistd.h>

#include "ObjectId.h"

namespace vimbo::sim {

namespace {

constexpr const char* kAppName = "vimboProbeSim";

// The transport's send hook carries no argument of ours; a process has one agent.
ProbeAgent* g_sendingAgent = nullptr;

int sendHook(netsnmp_transport* transport, const void* packet, int size, void** opaque, int* opaqueLength)
{
    return g_sendingAgent->send(transport, packet, size, opaque, opaqueLength);
}

int checkIncomingCallback(int, int, void* serverArg, void* clientArg)
{
    return static_cast<ProbeAgent*>(clientArg)->checkIncoming(serverArg);
}

int handlerCallback(netsnmp_mib_handler* handler, netsnmp_handler_registration* reginfo,
                    netsnmp_agent_request_info* reqinfo, netsnmp_request_info* requests)
{
    return static_cast<ProbeAgent*>(handler->myvoid)->handle(reginfo, reqinfo, requests);
}

const char* pduName(int command)
{
    switch (command) {
    case SNMP_MSG_GET: return "GET";
    case SNMP_MSG_GETNEXT: return "GETNEXT";
    case SNMP_MSG_SET: return "SET";
    case SNMP_MSG_GETBULK: return "GETBULK";
    default: return "PDU";
    }
}

std::string printable(const u_char* bytes, size_t length)
{
    std::string text;
    for (size_t i = 0; i < length; ++i) {
        const u_char c = bytes[i];
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            text += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            text += escaped;
        }
    }
    return text;
}

Arcs arcsOf(const oid* name, size_t length) { return Arcs(name, name + length); }

std::string bindingText(const netsnmp_variable_list& binding)
{
    std::string text = "." + zemtra::objectIdText(arcsOf(binding.name, binding.name_length));
    switch (binding.type) {
    case ASN_NULL: return text + " NULL";
    case ASN_INTEGER: return text + " INTEGER " + std::to_string(*binding.val.integer);
    case ASN_OCTET_STR: return text + " STRING " + printable(binding.val.string, binding.val_len);
    default: {
        char type[16];
        std::snprintf(type, sizeof type, " TYPE(0x%02X)", binding.type);
        return text + type;
    }
    }
}

std::vector<oid> instanceOid(const ObjectKey& key)
{
    std::vector<oid> name(probeRoot().begin(), probeRoot().end());
    name.push_back(key.group);
    name.push_back(key.item);
    name.push_back(0);
    return name;
}

void setValue(netsnmp_variable_list* binding, const SimValue& value)
{
    if (const auto* number = std::get_if<std::int32_t>(&value)) {
        const long wide = *number;
        snmp_set_var_typed_value(binding, ASN_INTEGER, &wide, sizeof wide);
    } else {
        const auto& text = std::get<std::string>(value);
        snmp_set_var_typed_value(binding, ASN_OCTET_STR, text.data(), text.size());
    }
}

void setWrongType(netsnmp_variable_list* binding, const WrongTypeAnswer& answer)
{
    if (const auto* number = std::get_if<std::int64_t>(&answer.value)) {
        const long wide = static_cast<long>(*number);
        snmp_set_var_typed_value(binding, answer.syntax, &wide, sizeof wide);
    } else if (const auto* bytes = std::get_if<std::vector<std::uint8_t>>(&answer.value)) {
        snmp_set_var_typed_value(binding, answer.syntax, bytes->data(), bytes->size());
    } else if (const auto* arcs = std::get_if<Arcs>(&answer.value)) {
        const std::vector<oid> name(arcs->begin(), arcs->end());
        snmp_set_var_typed_value(binding, answer.syntax, name.data(), name.size() * sizeof(oid));
    } else if (const auto* number = std::get_if<float>(&answer.value)) {
        snmp_set_var_typed_value(binding, answer.syntax, number, sizeof *number);
    } else {
        snmp_set_var_typed_value(binding, ASN_NULL, nullptr, 0);
    }
}

}  // namespace

Socket::~Socket()
{
    if (m_fd >= 0)
        close(m_fd);
}

ProbeAgent::ProbeAgent(SimOptions options, ProbeState state, bool drift)
    : m_options(std::move(options)), m_state(std::move(state)), m_drift(drift)
{
}

ProbeAgent::~ProbeAgent()
{
    if (g_sendingAgent == this)
        g_sendingAgent = nullptr;
    if (!m_started)
        return;
    // The library frees callback arguments it still holds at shutdown.
    snmp_unregister_callback(SNMP_CALLBACK_APPLICATION, SNMPD_CALLBACK_ACM_CHECK_INITIAL, checkIncomingCallback, this,
                             1);
    snmp_shutdown(kAppName);
}

std::optional<std::string> ProbeAgent::start()
{
    if (m_options.logFile) {
        m_log.reset(std::fopen(m_options.logFile->c_str(), "a"));
        if (!m_log)
            return "cannot open the request log " + *m_options.logFile;
    }

    // No system configuration, no persistent state, no MIB files: the
    // simulator must not depend on or change anything of the machine.
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_READ_CONFIGS, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_LOAD, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_SAVE, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_PERSIST_STATE, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_APPLICATION_ID, NETSNMP_DS_AGENT_ROLE, 0);  // master
    netsnmp_ds_set_boolean(NETSNMP_DS_APPLICATION_ID, NETSNMP_DS_AGENT_AGENTX_MASTER, 0);
    netsnmp_ds_set_boolean(NETSNMP_DS_APPLICATION_ID, NETSNMP_DS_AGENT_NO_ROOT_ACCESS, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_APPLICATION_ID, NETSNMP_DS_AGENT_DONT_LOG_TCPWRAPPERS_CONNECTS, 1);
    // Errors only: the library's advice about access control is not ours.
    netsnmp_register_loghandler(NETSNMP_LOGHANDLER_STDERR, LOG_ERR);

    init_agent(kAppName);
    init_snmp(kAppName);
    m_started = true;

    // Runs after the library's own access control, which knows no community
    // here and would refuse everything: this check decides instead.
    netsnmp_register_callback(SNMP_CALLBACK_APPLICATION, SNMPD_CALLBACK_ACM_CHECK_INITIAL, checkIncomingCallback, this,
                              NETSNMP_CALLBACK_LOWEST_PRIORITY);

    netsnmp_mib_handler* handler = netsnmp_create_handler("vimboProbe", handlerCallback);
    handler->myvoid = this;
    const std::vector<oid> root(probeRoot().begin(), probeRoot().end());
    netsnmp_handler_registration* registration =
        netsnmp_handler_registration_create("vimboProbe", handler, root.data(), root.size(), HANDLER_CAN_RWRITE);
    if (netsnmp_register_handler(registration) != MIB_REGISTERED_OK)
        return "cannot register the probe's objects";

    m_probes.reserve(m_options.probes);  // probeOf() keeps pointers into it
    for (unsigned number = 1; number <= m_options.probes; ++number)
        if (auto error = listen(number))
            return error;
    return std::nullopt;
}

namespace {

std::uint16_t boundPortOf(int sock, sockaddr_storage& bound, socklen_t& length)
{
    length = sizeof bound;
    if (getsockname(sock, reinterpret_cast<sockaddr*>(&bound), &length) != 0)
        return 0;
    return ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                             : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
}

}  // namespace

// Probe `number` (from 1) on its port: a transport of the agent, or for a
// silent probe a bound socket nobody reads, so that its requests meet no
// refusal either and simply go unanswered.
std::optional<std::string> ProbeAgent::listen(unsigned number)
{
    const auto port = static_cast<std::uint16_t>(m_options.listenPort == 0 ? 0 : m_options.listenPort + number - 1);
    const std::string endpoint = m_options.listenIpv6 ? "udp6:[" + m_options.listenHost + "]:" + std::to_string(port)
                                                      : "udp:" + m_options.listenHost + ":" + std::to_string(port);
    sockaddr_storage bound{};
    socklen_t boundLength = 0;
    Probe probe;
    if (m_options.silentProbes.count(number)) {
        Socket sock(socket(m_options.listenIpv6 ? AF_INET6 : AF_INET, SOCK_DGRAM, 0));
        sockaddr_storage address{};
        socklen_t length = 0;
        if (m_options.listenIpv6) {
            auto& in6 = reinterpret_cast<sockaddr_in6&>(address);
            in6.sin6_family = AF_INET6;
            in6.sin6_port = htons(port);
            inet_pton(AF_INET6, m_options.listenHost.c_str(), &in6.sin6_addr);
            length = sizeof in6;
        } else {
            auto& in4 = reinterpret_cast<sockaddr_in&>(address);
            in4.sin_family = AF_INET;
            in4.sin_port = htons(port);
            inet_pton(AF_INET, m_options.listenHost.c_str(), &in4.sin_addr);
            length = sizeof in4;
        }
        if (sock.fd() < 0 || bind(sock.fd(), reinterpret_cast<sockaddr*>(&address), length) != 0)
            return "cannot listen on " + endpoint;
        probe.port = boundPortOf(sock.fd(), bound, boundLength);
        m_silentSockets.push_back(std::move(sock));
        m_probes.push_back(std::move(probe));
        return std::nullopt;
    }

    netsnmp_transport* transport = netsnmp_transport_open_server("snmp", endpoint.c_str());
    if (!transport)
        return "cannot listen on " + endpoint;
    probe.port = boundPortOf(transport->sock, bound, boundLength);
    if (m_options.replyFromOtherPort || m_options.duplicateReplies) {
        if (m_options.replyFromOtherPort && !m_otherSocket) {
            // Bound beside the listening socket, on a port of its own.
            m_otherSocket.emplace(socket(bound.ss_family, SOCK_DGRAM, 0));
            sockaddr_storage other = bound;
            if (bound.ss_family == AF_INET6)
                reinterpret_cast<sockaddr_in6*>(&other)->sin6_port = 0;
            else
                reinterpret_cast<sockaddr_in*>(&other)->sin_port = 0;
            if (m_otherSocket->fd() < 0 || bind(m_otherSocket->fd(), reinterpret_cast<sockaddr*>(&other), boundLength) != 0)
                return "cannot open the socket answers leave from";
        }
        g_sendingAgent = this;
        m_transportSend = reinterpret_cast<int (*)(void*, const void*, int, void**, int*)>(transport->f_send);
        transport->f_send = sendHook;
    }
    if (netsnmp_register_agent_nsap(transport) == 0) {
        netsnmp_transport_free(transport);
        return "cannot serve on " + endpoint;
    }
    ProbeState state = m_state;
    state.name = probeName(m_state.name, m_options.probes, probe.port);
    if (const auto flags = m_options.probeFlags.find(number); flags != m_options.probeFlags.end())
        state.alarmFlagsOverride = flags->second;
    probe.model.emplace(std::move(state), m_options.seed + number - 1);
    probe.lastDrift = std::chrono::steady_clock::now();
    probe.transport = transport;
    m_probes.push_back(std::move(probe));
    return std::nullopt;
}

int ProbeAgent::send(void* transport, const void* packet, int size, void** opaque, int* opaqueLength)
{
    int sent = size;
    if (m_options.replyFromOtherPort) {
        const auto* pair = opaque && *opaque ? static_cast<const netsnmp_indexed_addr_pair*>(*opaque) : nullptr;
        if (!pair)
            return -1;
        const socklen_t length = pair->remote_addr.sa.sa_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
        sent = static_cast<int>(
            sendto(m_otherSocket->fd(), packet, static_cast<size_t>(size), 0, &pair->remote_addr.sa, length));
    } else {
        sent = m_transportSend(transport, packet, size, opaque, opaqueLength);
    }
    if (m_options.duplicateReplies && sent == size)
        m_transportSend(transport, packet, size, opaque, opaqueLength);
    return sent;
}

std::vector<std::string> ProbeAgent::boundAddresses() const
{
    std::vector<std::string> addresses;
    for (const Probe& probe : m_probes)
        addresses.push_back(m_options.listenIpv6 ? "udp6:[" + m_options.listenHost + "]:" + std::to_string(probe.port)
                                                 : "udp:" + m_options.listenHost + ":" + std::to_string(probe.port));
    return addresses;
}

ProbeAgent::Probe* ProbeAgent::probeOf(netsnmp_session* session)
{
    if (const auto known = m_probeBySession.find(session); known != m_probeBySession.end())
        return &m_probes[known->second];
    const netsnmp_transport* transport = snmp_sess_transport(snmp_sess_pointer(session));
    for (std::size_t i = 0; i < m_probes.size(); ++i) {
        if (transport && m_probes[i].transport == transport) {
            m_probeBySession.emplace(session, i);
            return &m_probes[i];
        }
    }
    return nullptr;
}

void ProbeAgent::run(const volatile std::sig_atomic_t& stop)
{
    while (!stop)
        agent_check_and_process(1);
}

void ProbeAgent::logRequest(const void* rawPdu)
{
    if (!m_log)
        return;
    const auto* pdu = static_cast<const netsnmp_pdu*>(rawPdu);
    std::string line = pduName(pdu->command);
    line += ' ' + printable(pdu->community, pdu->community_len);
    for (const netsnmp_variable_list* binding = pdu->variables; binding; binding = binding->next_variable)
        line += ' ' + bindingText(*binding);
    std::fprintf(m_log.get(), "%s\n", line.c_str());
    std::fflush(m_log.get());
}

void ProbeAgent::advanceDrift(Probe& probe)
{
    if (!m_drift || !probe.model)
        return;
    const auto now = std::chrono::steady_clock::now();
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now - probe.lastDrift).count();
    for (long long i = 0; i < std::min<long long>(seconds, 3600); ++i)
        probe.model->driftStep();
    probe.lastDrift += std::chrono::seconds(seconds);
}

int ProbeAgent::checkIncoming(void* raw)
{
    auto* view = static_cast<view_parameters*>(raw);
    netsnmp_pdu* pdu = view->pdu;
    logRequest(pdu);
    ++m_requestCount;

    const std::string community(reinterpret_cast<const char*>(pdu->community), pdu->community_len);
    const bool known = community == m_options.communityR || community == m_options.communityW;
    const bool dropped = m_options.silent || (m_options.dropEvery != 0 && m_requestCount % m_options.dropEvery == 0);
    // A version 1 probe ignores other versions and unknown communities.
    if (pdu->version != SNMP_VERSION_1 || !known || dropped) {
        view->errorcode = VACM_NOACCESS;
        return SNMP_ERR_NOERROR;
    }
    view->errorcode = 0;
    pdu->flags |= UCD_MSG_FLAG_ALWAYS_IN_VIEW;  // every object is in view for a known community
    if (m_options.delayMs != 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(m_options.delayMs));
    return SNMP_ERR_NOERROR;
}

int ProbeAgent::handle(void*, void* rawInfo, void* rawRequests)
{
    auto* info = static_cast<netsnmp_agent_request_info*>(rawInfo);
    Probe* probe = info->asp ? probeOf(info->asp->session) : nullptr;
    if (!probe || !probe->model)
        return SNMP_ERR_GENERR;
    if (info->mode == MODE_GET || info->mode == MODE_GETNEXT || info->mode == MODE_SET_RESERVE1)
        advanceDrift(*probe);
    ProbeModel& model = *probe->model;
    for (auto* request = static_cast<netsnmp_request_info*>(rawRequests); request; request = request->next) {
        if (request->processed)
            continue;
        // 0 when the binding is answered; an error status for the request otherwise.
        int status = 0;
        switch (info->mode) {
        case MODE_GET: status = answerGet(model, *request->requestvb); break;
        case MODE_GETNEXT: answerGetNext(model, *request->requestvb); break;
        case MODE_SET_RESERVE1: status = checkSet(model, *info, *request->requestvb); break;
        case MODE_SET_ACTION: applySet(*probe, *request->requestvb); break;
        case MODE_SET_UNDO:
            if (m_beforeSet)
                m_beforeSet->first->model = std::move(m_beforeSet->second);
            m_beforeSet.reset();
            break;
        case MODE_SET_COMMIT:
        case MODE_SET_FREE: m_beforeSet.reset(); break;
        default: break;
        }
        if (status != 0)
            netsnmp_set_request_error(info, request, status);
    }
    return SNMP_ERR_NOERROR;
}

int ProbeAgent::answerGet(ProbeModel& model, netsnmp_variable_list& binding)
{
    const Arcs arcs = arcsOf(binding.name, binding.name_length);
    if (const auto error = m_options.errorOids.find(arcs); error != m_options.errorOids.end())
        return error->second;
    if (const auto wrong = m_options.wrongTypes.find(arcs); wrong != m_options.wrongTypes.end()) {
        setWrongType(&binding, wrong->second);
        return 0;
    }
    if (const auto big = m_options.oversize.find(arcs); big != m_options.oversize.end()) {
        std::string text(big->second, ' ');
        for (std::size_t i = 0; i < text.size(); ++i)
            text[i] = static_cast<char>('A' + i % 26);
        setValue(&binding, text);
        return 0;
    }
    const auto address = probeAddressOf(arcs);
    const auto value = address && address->instance ? model.read(address->key) : std::nullopt;
    if (!value)
        return SNMP_NOSUCHINSTANCE;
    setValue(&binding, *value);
    if (std::find(m_options.longNames.begin(), m_options.longNames.end(), arcs) != m_options.longNames.end()) {
        std::vector<oid> name(binding.name, binding.name + binding.name_length);
        name.resize(MAX_OID_LEN, 7);  // 128 sub-identifiers
        snmp_set_var_objid(&binding, name.data(), name.size());
    }
    return 0;
}

void ProbeAgent::answerGetNext(const ProbeModel& model, netsnmp_variable_list& binding)
{
    for (const ObjectKey& key : model.objects()) {
        const auto name = instanceOid(key);
        if (snmp_oid_compare(name.data(), name.size(), binding.name, binding.name_length) > 0) {
            snmp_set_var_objid(&binding, name.data(), name.size());
            setValue(&binding, *model.read(key));
            return;
        }
    }
}

std::optional<SimValue> ProbeAgent::setValueOf(const netsnmp_variable_list& binding)
{
    if (binding.type == ASN_INTEGER)
        return static_cast<std::int32_t>(*binding.val.integer);
    if (binding.type == ASN_OCTET_STR)
        return std::string(reinterpret_cast<const char*>(binding.val.string), binding.val_len);
    return std::nullopt;
}

int ProbeAgent::checkSet(const ProbeModel& model, const netsnmp_agent_request_info& info,
                         const netsnmp_variable_list& binding)
{
    const std::string community(reinterpret_cast<const char*>(info.asp->pdu->community), info.asp->pdu->community_len);
    if (community != m_options.communityW)
        return SNMP_ERR_NOACCESS;
    const Arcs arcs = arcsOf(binding.name, binding.name_length);
    if (const auto error = m_options.errorOids.find(arcs); error != m_options.errorOids.end())
        return error->second;
    // Writes address the object itself; its ".0" instance is not writable.
    const auto address = probeAddressOf(arcs);
    if (!address || address->instance)
        return SNMP_ERR_NOTWRITABLE;
    const auto value = setValueOf(binding);
    if (!value)
        return SNMP_ERR_BADVALUE;
    switch (model.checkWrite(address->key, *value)) {
    case WriteStatus::Ok: return 0;
    case WriteStatus::NotWritable: return SNMP_ERR_NOTWRITABLE;
    case WriteStatus::WrongType:
    case WriteStatus::WrongValue: return SNMP_ERR_BADVALUE;
    }
    return SNMP_ERR_BADVALUE;
}

void ProbeAgent::applySet(Probe& probe, const netsnmp_variable_list& binding)
{
    // Only bindings the first phase accepted get here.
    const auto address = probeAddressOf(arcsOf(binding.name, binding.name_length));
    const auto value = setValueOf(binding);
    if (!address || !value)
        return;
    m_beforeSet.emplace(&probe, *probe.model);
    probe.model->write(address->key, *value);
}

}  // namespace vimbo::sim
