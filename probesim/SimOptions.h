#pragma once

#include "ProbeModel.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <variant>
#include <vector>

namespace vimbo::sim {

using Arcs = std::vector<std::uint32_t>;

/// An answer of a type the probe would never send, for one identifier.
struct WrongTypeAnswer {
    std::uint8_t syntax = 0x05;  // the protocol's tag of the value
    std::variant<std::monostate, std::int64_t, std::vector<std::uint8_t>, Arcs, float> value;
};

struct SimOptions {
    std::string listenHost = "127.0.0.1";
    std::uint16_t listenPort = 16161;
    bool listenIpv6 = false;
    bool forceNonLoopback = false;
    std::string communityR = "tavelo";
    std::string communityW = "kiminar";
    std::optional<std::string> staticFile;
    std::uint32_t seed = 1;
    std::optional<std::string> logFile;
    bool silent = false;
    unsigned dropEvery = 0;
    unsigned delayMs = 0;
    std::map<Arcs, int> errorOids;  // identifier -> error status
    std::map<Arcs, WrongTypeAnswer> wrongTypes;
    std::map<Arcs, std::uint32_t> oversize;  // identifier -> bytes of the string it answers with
    std::vector<Arcs> longNames;             // answered under a 128-arc identifier
    bool replyFromOtherPort = false;         // answers leave from another socket
    bool duplicateReplies = false;           // every answer is sent twice
    // Many probes in one process: one port each, consecutive from the listen
    // port (or each a free one when it is 0), numbered from 1.
    unsigned probes = 1;
    std::set<unsigned> silentProbes;                // bound, but never answer
    std::map<unsigned, std::string> probeFlags;     // probe -> fixed alarm flags text
};

/// The most probes one process serves: each holds a socket.
inline constexpr unsigned kMaxProbes = 500;

struct ParsedOptions {
    std::optional<SimOptions> options;  // nullopt: print `message` and stop
    std::string message;
    bool isError = false;
};

ParsedOptions parseSimOptions(const std::vector<std::string>& args);

std::string simUsage();

/// Probe numbers as "3", "2,5-7": each within 1..count, nullopt otherwise.
std::optional<std::set<unsigned>> parseProbeNumbers(const std::string& text, unsigned count);

/// The name a probe reports on `port` when `count` probes are served: the
/// base name alone for a single probe, else with the port ("VIMBO-SIM-16101").
std::string probeName(const std::string& baseName, unsigned count, std::uint16_t port);

/// True for 127.0.0.0/8 and ::1.
bool isLoopbackHost(const std::string& host, bool ipv6);

/// Reads "OID VALUE" lines (instance identifiers, "#" comments) over `state`.
/// Returns an error message naming the line, or nothing.
std::optional<std::string> loadStaticState(const std::string& path, ProbeState& state);

/// The probe's subtree as arcs.
const Arcs& probeRoot();

/// The object addressed by `arcs` below the probe's root, and whether a ".0" follows.
struct ProbeAddress {
    ObjectKey key;
    bool instance = false;
};
std::optional<ProbeAddress> probeAddressOf(const Arcs& arcs);

}  // namespace vimbo::sim
