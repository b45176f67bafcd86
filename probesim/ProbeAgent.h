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

// The agent library's types, named without its headers.
struct variable_list;
struct netsnmp_agent_request_info_s;

namespace vimbo::sim {

/// The simulated probe on the protocol library's agent: one transport on the
/// listen address, the probe's subtree, and the injected faults.
class ProbeAgent {
public:
    ProbeAgent(SimOptions options, ProbeModel model, bool drift);
    ~ProbeAgent();
    ProbeAgent(const ProbeAgent&) = delete;
    ProbeAgent& operator=(const ProbeAgent&) = delete;

    /// Opens the listening transport; an error message on failure.
    std::optional<std::string> start();
    /// "udp:HOST:PORT" with the port actually bound.
    std::string boundAddress() const;
    /// Serves requests until `stop` turns non-zero.
    void run(const volatile std::sig_atomic_t& stop);

    // Entry points for the library's C callbacks.
    int checkIncoming(void* viewParameters);
    int handle(void* reginfo, void* reqinfo, void* requests);
    /// Sends one answer through the listening transport, with the send faults applied.
    int send(void* transport, const void* packet, int size, void** opaque, int* opaqueLength);

private:
    // One request's binding, by the phase the agent library is in; an error status, or 0.
    int answerGet(variable_list& binding);
    void answerGetNext(variable_list& binding);
    int checkSet(const netsnmp_agent_request_info_s& info, const variable_list& binding);
    void applySet(const variable_list& binding);
    static std::optional<SimValue> setValueOf(const variable_list& binding);

    void logRequest(const void* pdu);
    void advanceDrift();

    SimOptions m_options;
    ProbeModel m_model;
    bool m_drift;
    std::optional<ProbeModel> m_beforeSet;  // undo of the SET under way
    zemtra::CHandle<std::FILE, fclose> m_log;
    unsigned long m_requestCount = 0;
    std::chrono::steady_clock::time_point m_lastDrift;
    std::uint16_t m_boundPort = 0;
    int (*m_transportSend)(void*, const void*, int, void**, int*) = nullptr;  // the transport's own
    int m_otherSocket = -1;  // the socket answers leave from with --reply-from-other-port
    bool m_started = false;
};

}  // namespace vimbo::sim
