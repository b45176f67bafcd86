#include "SimOptions.h"

#include "ObjectId.h"
#include "WholeNumber.h"

#include <arpa/inet.h>

#include <charconv>
#include <fstream>
#include <sstream>

namespace vimbo::sim {

namespace {

std::optional<std::vector<std::uint8_t>> parseHex(std::string_view text)
{
    if (text.size() % 2 != 0)
        return std::nullopt;
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        std::uint8_t byte = 0;
        const auto [end, ec] = std::from_chars(text.data() + i, text.data() + i + 2, byte, 16);
        if (ec != std::errc{} || end != text.data() + i + 2)
            return std::nullopt;
        bytes.push_back(byte);
    }
    return bytes;
}

std::optional<WrongTypeAnswer> parseWrongType(const std::string& type, const std::optional<std::string>& value)
{
    WrongTypeAnswer answer;
    auto integer = [&](std::uint8_t syntax, std::int64_t fallback) -> std::optional<WrongTypeAnswer> {
        answer.syntax = syntax;
        const auto number = value ? zemtra::parseWholeNumber<std::int64_t>(*value) : std::optional<std::int64_t>(fallback);
        if (!number)
            return std::nullopt;
        answer.value = *number;
        return answer;
    };
    auto bytes = [&](std::uint8_t syntax, const char* fallback) -> std::optional<WrongTypeAnswer> {
        answer.syntax = syntax;
        const auto parsed = parseHex(value ? *value : fallback);
        if (!parsed)
            return std::nullopt;
        answer.value = *parsed;
        return answer;
    };
    if (type == "integer")
        return integer(0x02, 0);
    if (type == "counter32")
        return integer(0x41, 0);
    if (type == "gauge32")
        return integer(0x42, 0);
    if (type == "timeticks")
        return integer(0x43, 0);
    if (type == "uinteger32")
        return integer(0x47, 7);
    if (type == "octets")
        return bytes(0x04, "00FF10");
    if (type == "bits")
        return bytes(0x03, "A0");
    if (type == "opaque")
        return bytes(0x44, "010203");
    if (type == "null") {
        answer.syntax = 0x05;
        return answer;
    }
    if (type == "string") {
        answer.syntax = 0x04;
        const std::string text = value.value_or("text");
        answer.value = std::vector<std::uint8_t>(text.begin(), text.end());
        return answer;
    }
    if (type == "oid") {
        const auto arcs = zemtra::parseObjectId(value.value_or("1.3.6.1.4.1.32473"));
        if (!arcs)
            return std::nullopt;
        answer.syntax = 0x06;
        answer.value = *arcs;
        return answer;
    }
    if (type == "ipaddress") {
        in_addr address{};
        if (inet_pton(AF_INET, value.value_or("127.0.0.1").c_str(), &address) != 1)
            return std::nullopt;
        const auto* raw = reinterpret_cast<const std::uint8_t*>(&address);
        answer.syntax = 0x40;
        answer.value = std::vector<std::uint8_t>(raw, raw + 4);
        return answer;
    }
    if (type == "opaque-float") {
        answer.syntax = 0x78;
        try {
            answer.value = std::stof(value.value_or("1.5"));
        } catch (...) {
            return std::nullopt;
        }
        return answer;
    }
    return std::nullopt;
}

std::optional<Arcs> underProbeRoot(const std::string& text)
{
    auto arcs = zemtra::parseObjectId(text);
    if (!arcs || !probeAddressOf(*arcs))
        return std::nullopt;
    return arcs;
}

bool parseListen(const std::string& text, SimOptions& options)
{
    std::string host = text;
    std::optional<std::string> port;
    if (!text.empty() && text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string::npos)
            return false;
        host = text.substr(1, close - 1);
        if (close + 1 < text.size()) {
            if (text[close + 1] != ':')
                return false;
            port = text.substr(close + 2);
        }
        options.listenIpv6 = true;
    } else if (const auto colon = text.rfind(':'); colon != std::string::npos) {
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
    }
    if (port) {
        const auto number = zemtra::parseWholeNumber<std::uint16_t>(*port);
        if (!number)
            return false;
        options.listenPort = *number;
    }
    in6_addr scratch{};
    if (inet_pton(options.listenIpv6 ? AF_INET6 : AF_INET, host.c_str(), &scratch) != 1)
        return false;
    options.listenHost = host;
    return true;
}

bool isHexText(const std::string& text)
{
    return !text.empty() && text.size() <= 8 &&
           text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
}

// The per-probe options name probes by number, which only holds once the
// count is known: they are checked after every option has been read.
std::optional<std::string> resolveProbes(SimOptions& options, const std::optional<std::string>& portRange,
                                         const std::optional<std::string>& silent,
                                         const std::vector<std::string>& flags)
{
    if (portRange) {
        const auto dash = portRange->find('-');
        const auto first = zemtra::parseWholeNumber<std::uint16_t>(portRange->substr(0, dash));
        const auto last = dash == std::string::npos ? std::nullopt
                                                    : zemtra::parseWholeNumber<std::uint16_t>(portRange->substr(dash + 1));
        if (!first || !last || *first == 0 || *last < *first || *last - *first + 1u > kMaxProbes)
            return "bad --ports, expected FIRST-LAST (up to " + std::to_string(kMaxProbes) + " ports): " + *portRange;
        const unsigned count = *last - *first + 1u;
        if (options.probes != 1 && options.probes != count)
            return "--probes " + std::to_string(options.probes) + " disagrees with --ports " + *portRange;
        options.listenPort = *first;
        options.probes = count;
    }
    if (options.listenPort != 0 && options.listenPort + options.probes - 1u > 65535u)
        return "the ports of " + std::to_string(options.probes) + " probes from " +
               std::to_string(options.listenPort) + " pass 65535";
    if (silent) {
        const auto numbers = parseProbeNumbers(*silent, options.probes);
        if (!numbers)
            return "bad --silent-probes (numbers 1.." + std::to_string(options.probes) + " as 2,5-7): " + *silent;
        options.silentProbes = *numbers;
    }
    for (const std::string& flag : flags) {
        const auto equals = flag.find('=');
        const auto number = zemtra::parseWholeNumber<unsigned>(flag.substr(0, equals));
        const std::string text = equals == std::string::npos ? std::string() : flag.substr(equals + 1);
        if (!number || *number < 1 || *number > options.probes || !isHexText(text))
            return "bad --probe-flags (PROBE=HEX, probe 1.." + std::to_string(options.probes) + "): " + flag;
        options.probeFlags[*number] = text;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::set<unsigned>> parseProbeNumbers(const std::string& text, unsigned count)
{
    std::set<unsigned> numbers;
    std::size_t start = 0;
    while (start <= text.size()) {
        const auto comma = text.find(',', start);
        const std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const auto dash = item.find('-');
        const auto first = zemtra::parseWholeNumber<unsigned>(item.substr(0, dash));
        const auto last = dash == std::string::npos ? first : zemtra::parseWholeNumber<unsigned>(item.substr(dash + 1));
        if (!first || !last || *first < 1 || *last < *first || *last > count)
            return std::nullopt;
        for (unsigned n = *first; n <= *last; ++n)
            numbers.insert(n);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return numbers;
}

std::string probeName(const std::string& baseName, unsigned count, std::uint16_t port)
{
    return count == 1 ? baseName : baseName + "-" + std::to_string(port);
}

const Arcs& probeRoot()
{
    static const Arcs root{1, 3, 6, 1, 4, 1, 32473, 2, 2};
    return root;
}

std::optional<ProbeAddress> probeAddressOf(const Arcs& arcs)
{
    const Arcs& root = probeRoot();
    if (arcs.size() < root.size() + 2 || arcs.size() > root.size() + 3)
        return std::nullopt;
    if (!std::equal(root.begin(), root.end(), arcs.begin()))
        return std::nullopt;
    ProbeAddress address{{arcs[root.size()], arcs[root.size() + 1]}, false};
    if (arcs.size() == root.size() + 3) {
        if (arcs.back() != 0)
            return std::nullopt;
        address.instance = true;
    }
    return address;
}

bool isLoopbackHost(const std::string& host, bool ipv6)
{
    if (ipv6) {
        in6_addr address{};
        return inet_pton(AF_INET6, host.c_str(), &address) == 1 && IN6_IS_ADDR_LOOPBACK(&address);
    }
    in_addr address{};
    return inet_pton(AF_INET, host.c_str(), &address) == 1 && (ntohl(address.s_addr) >> 24) == 127;
}

std::string simUsage()
{
    return "Usage: vimboProbeSim [options]\n"
           "A simulated TV-signal monitoring probe: an SNMP version 1 agent on loopback.\n"
           "  --listen HOST:PORT        where to listen (default 127.0.0.1:16161; [::1]:PORT for IPv6;\n"
           "                            port 0 picks a free one); prints \"listening on udp:HOST:PORT\"\n"
           "  --force-non-loopback      allow an address outside 127.0.0.0/8 and ::1\n"
           "  --community-r TEXT        read community (default tavelo)\n"
           "  --community-w TEXT        write community (default kiminar)\n"
           "  --static FILE             no drift; values from FILE (lines \"OID VALUE\")\n"
           "  --seed N                  seed of the drift (default 1)\n"
           "  --log-requests FILE       one line per request: PDU COMMUNITY OID TYPE [VALUE]\n"
           "  --silent                  never answer\n"
           "  --drop-every N            leave every Nth request unanswered\n"
           "  --delay-ms MS             delay every answer\n"
           "  --error-oid OID[=STATUS]  answer OID with an error status (default 5, genErr)\n"
           "  --wrong-type OID=TYPE[:VALUE]\n"
           "                            answer OID with a value of TYPE: integer, counter32, gauge32,\n"
           "                            timeticks, uinteger32, oid, ipaddress, null, opaque (hex),\n"
           "                            opaque-float, octets (hex), bits (hex), string\n"
           "  --oversize OID=BYTES      answer OID with an octet string of BYTES bytes (up to 65000)\n"
           "  --long-name OID           answer OID under an identifier of 128 sub-identifiers\n"
           "  --reply-from-other-port   send every answer from another UDP port\n"
           "  --duplicate-replies       send every answer twice\n"
           "Many probes in one process (one line \"listening on ...\" per probe, in order):\n"
           "  --probes N                N probes on consecutive ports from the --listen port\n"
           "                            (port 0: each on a free port); each reports its name\n"
           "                            followed by \"-PORT\" (up to 500 probes)\n"
           "  --ports FIRST-LAST        one probe on each port of the range on the --listen host\n"
           "  --silent-probes LIST      probes that never answer, by number from 1: 2,5-7\n"
           "  --probe-flags N=HEX       probe N reports the alarm flags HEX (0100: slot 1's alarm)\n";
}

ParsedOptions parseSimOptions(const std::vector<std::string>& args)
{
    SimOptions options;
    std::optional<std::string> portRange, silentProbes;
    std::vector<std::string> probeFlags;
    auto fail = [](std::string message) { return ParsedOptions{std::nullopt, std::move(message), true}; };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h")
            return ParsedOptions{std::nullopt, simUsage(), false};
        if (arg == "--version")
            return ParsedOptions{std::nullopt, "vimboProbeSim " VIMBO_VERSION "\n", false};
        if (arg == "--force-non-loopback") {
            options.forceNonLoopback = true;
            continue;
        }
        if (arg == "--silent") {
            options.silent = true;
            continue;
        }
        if (arg == "--reply-from-other-port" || arg == "--duplicate-replies") {
            (arg == "--duplicate-replies" ? options.duplicateReplies : options.replyFromOtherPort) = true;
            continue;
        }
        if (i + 1 >= args.size())
            return fail("missing value after " + arg);
        const std::string& value = args[++i];
        if (arg == "--listen") {
            options.listenIpv6 = false;
            if (!parseListen(value, options))
                return fail("bad --listen address: " + value);
        } else if (arg == "--community-r") {
            options.communityR = value;
        } else if (arg == "--community-w") {
            options.communityW = value;
        } else if (arg == "--static") {
            options.staticFile = value;
        } else if (arg == "--log-requests") {
            options.logFile = value;
        } else if (arg == "--probes") {
            const auto number = zemtra::parseWholeNumber<unsigned>(value);
            if (!number || *number < 1 || *number > kMaxProbes)
                return fail("bad --probes (1.." + std::to_string(kMaxProbes) + "): " + value);
            options.probes = *number;
        } else if (arg == "--ports") {
            portRange = value;
        } else if (arg == "--silent-probes") {
            silentProbes = value;
        } else if (arg == "--probe-flags") {
            probeFlags.push_back(value);
        } else if (arg == "--seed" || arg == "--drop-every" || arg == "--delay-ms") {
            const auto number = zemtra::parseWholeNumber<std::uint32_t>(value);
            if (!number)
                return fail("bad number for " + arg + ": " + value);
            (arg == "--seed" ? options.seed : arg == "--drop-every" ? options.dropEvery : options.delayMs) = *number;
        } else if (arg == "--error-oid") {
            const auto equals = value.find('=');
            const auto arcs = underProbeRoot(value.substr(0, equals));
            const auto status = equals == std::string::npos ? std::optional<int>(5)
                                                            : zemtra::parseWholeNumber<int>(value.substr(equals + 1));
            if (!arcs || !status || *status < 1 || *status > 18)
                return fail("bad --error-oid (OID under the probe's root, status 1..18): " + value);
            options.errorOids[*arcs] = *status;
        } else if (arg == "--wrong-type") {
            const auto equals = value.find('=');
            if (equals == std::string::npos)
                return fail("bad --wrong-type, expected OID=TYPE[:VALUE]: " + value);
            const auto arcs = underProbeRoot(value.substr(0, equals));
            const std::string typeAndValue = value.substr(equals + 1);
            const auto colon = typeAndValue.find(':');
            const auto answer = parseWrongType(
                typeAndValue.substr(0, colon),
                colon == std::string::npos ? std::nullopt : std::optional<std::string>(typeAndValue.substr(colon + 1)));
            if (!arcs || !answer)
                return fail("bad --wrong-type: " + value);
            options.wrongTypes[*arcs] = *answer;
        } else if (arg == "--oversize") {
            const auto equals = value.find('=');
            const auto arcs = underProbeRoot(value.substr(0, equals));
            std::optional<std::uint32_t> bytes;
            if (equals != std::string::npos)
                bytes = zemtra::parseWholeNumber<std::uint32_t>(value.substr(equals + 1));
            if (!arcs || !bytes || *bytes > 65000)
                return fail("bad --oversize, expected OID=BYTES (up to 65000): " + value);
            options.oversize[*arcs] = *bytes;
        } else if (arg == "--long-name") {
            const auto arcs = underProbeRoot(value);
            if (!arcs)
                return fail("bad --long-name (OID under the probe's root): " + value);
            options.longNames.push_back(*arcs);
        } else {
            return fail("unknown option: " + arg);
        }
    }
    if (const auto error = resolveProbes(options, portRange, silentProbes, probeFlags))
        return fail(*error);
    if (!options.forceNonLoopback && !isLoopbackHost(options.listenHost, options.listenIpv6))
        return fail("refusing to listen outside loopback (" + options.listenHost +
                    "); use --force-non-loopback to insist");
    return ParsedOptions{options, {}, false};
}

std::optional<std::string> loadStaticState(const std::string& path, ProbeState& state)
{
    std::ifstream file(path);
    if (!file)
        return "cannot open " + path;
    std::string line;
    int lineNumber = 0;
    while (std::getline(file, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const auto start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#')
            continue;
        const auto space = line.find_first_of(" \t", start);
        const std::string oidText = line.substr(start, space == std::string::npos ? std::string::npos : space - start);
        std::string value;
        if (space != std::string::npos) {
            const auto valueStart = line.find_first_not_of(" \t", space);
            if (valueStart != std::string::npos)
                value = line.substr(valueStart);
        }
        const auto where = path + ":" + std::to_string(lineNumber) + ": ";
        const auto arcs = zemtra::parseObjectId(oidText);
        const auto address = arcs ? probeAddressOf(*arcs) : std::nullopt;
        if (!address || !address->instance)
            return where + "not an instance of the probe's objects: " + oidText;
        const ObjectKey key = address->key;
        if (key.group == 1) {
            std::string* texts[] = {&state.name, &state.ipn, &state.version};
            if (key.item >= 1 && key.item <= 3)
                *texts[key.item - 1] = value;
            else if (key.item == 4)
                state.alarmFlagsOverride = value;
            else
                return where + "no such object";
            continue;
        }
        const auto number = zemtra::parseWholeNumber<std::int32_t>(value);
        if (!number)
            return where + "not a 32-bit integer: " + value;
        if (key.group == 2 && key.item >= 1 && key.item <= 4) {
            std::int32_t* targets[] = {&state.merAlarm, &state.merWarning, &state.vberAlarm, &state.vberWarning};
            *targets[key.item - 1] = *number;
        } else if (key.group >= 3 && key.group <= 8 && key.item >= 1 && key.item <= 7) {
            SlotState& slot = state.slots[key.group - 3];
            switch (key.item) {
            case 1: slot.surveyed = *number == 1; break;
            case 2: slot.frequencyHz = *number; break;
            case 3: slot.power100 = *number; break;
            case 4: slot.mer100 = *number; break;
            case 5: slot.vber1e7 = *number; break;
            case 6: slot.powerAlarm = *number; break;
            case 7: slot.powerWarning = *number; break;
            }
        } else {
            return where + "no such object";
        }
    }
    return std::nullopt;
}

}  // namespace vimbo::sim
