#pragma once

#include "CHandle.h"

#include "ProbeModel.h"
#include "SimOptions.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

// The agent library's types, named without its headers.
struct variable_list;
struct netsnmp_agent_request_info_s;
struct snmp_session;

namespace vimbo::sim {

/// A socket closed when it goes.
class Socket {
public:
    explicit Socket(int fd = -1) : m_fd(fd) {}
    ~Socket();
    Socket(Socket&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    Socket& operator=(Socket&&) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

/// The simulated probes on the protocol library's agent: one transport per
/// probe on the listen host, the probes' subtree, and the injected faults.
/// Each probe has a model of its own, chosen by the transport a request came in on.
class ProbeAgent {
public:
    /// Every probe starts from `state`, named after its port when there are several.
    ProbeAgent(SimOptions options, ProbeState state, bool drift);
    ~ProbeAgent();
    ProbeAgent(const ProbeAgent&) = delete;
    ProbeAgent& operator=(const ProbeAgent&) = delete;

    /// Opens the listening transport; an error message on failure.
    std::optional<std::string> start();
    /// "udp:HOST:PORT" with the port actually bound, one per probe in order.
    std::vector<std::string> boundAddresses() const;
    /// Serves requests until `stop` turns non-zero.
    void run(const volatile std::sig_atomic_t& stop);

    // Entry points for the library's C callbacks.
    int checkIncoming(void* viewParameters);
    int handle(void* reginfo, void* reqinfo, void* requests);
    /// Sends one answer through the listening transport, with the send faults applied.
    int send(void* transport, const void* packet, int size, void** opaque, int* opaqueLength);

private:
    struct Probe {
        std::uint16_t port = 0;
        std::optional<ProbeModel> model;  // none for a silent probe
        std::chrono::steady_clock::time_point lastDrift;
        const void* transport = nullptr;  // the library's, which requests to it come in on
    };

    std::optional<std::string> listen(unsigned number);
    std::optional<std::string> hookSends(const void* transport, int sock);
    Probe* probeOf(snmp_session* session);

    // One request's binding, by the phase the agent library is in; an error status, or 0.
    int answerGet(ProbeModel& model, variable_list& binding);
    void answerGetNext(const ProbeModel& model, variable_list& binding);
    int checkSet(const ProbeModel& model, const netsnmp_agent_request_info_s& info, const variable_list& binding);
    void applySet(Probe& probe, const variable_list& binding);
    static std::optional<SimValue> setValueOf(const variable_list& binding);

    void logRequest(const void* pdu);
    void advanceDrift(Probe& probe);

    SimOptions m_options;
    ProbeState m_state;
    bool m_drift;
    std::vector<Probe> m_probes;
    std::vector<Socket> m_silentSockets;
    std::unordered_map<snmp_session*, std::size_t> m_probeBySession;
    std::optional<std::pair<Probe*, ProbeModel>> m_beforeSet;  // undo of the SET under way
    zemtra::CHandle<std::FILE, fclose> m_log;
    unsigned long m_requestCount = 0;
    int (*m_transportSend)(void*, const void*, int, void**, int*) = nullptr;  // the transport's own
    std::optional<Socket> m_otherSocket;  // the socket answers leave from with --reply-from-other-port
    bool m_started = false;
};

}  // namespace vimbo::sim
