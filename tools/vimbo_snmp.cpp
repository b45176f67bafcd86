// vimbo-snmp: one SNMP version 1 get or set through the SnmpClient component.

#include "AgentAddress.h"
#include "ObjectId.h"
#include "SnmpClient.h"
#include "WholeNumber.h"

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace {

// A script tells why from the status alone: retrying helps only the first.
constexpr int kExitNoAnswer = 1;
constexpr int kExitUsage = 2;
constexpr int kExitAgentError = 3;
constexpr int kExitValueUnusable = 4;

const char* const kUsage =
    "Usage: vimbo-snmp --agent ADDRESS [--port P] [--community-r C] [--community-w C]\n"
    "                  [--timeout T10MS] [--retries N] [--verbose] get OID\n"
    "       vimbo-snmp --agent ADDRESS [options] set OID int16:N|int32:N|string:TEXT\n"
    "       vimbo-snmp --help | --version\n"
    "Reads or writes one variable of an SNMP version 1 agent. get prints \"TYPE VALUE\".\n"
    "ADDRESS is a numeric IPv4 or IPv6 address. The time-out is in units of 10 ms.\n"
    "There is no default agent: --agent is required.\n"
    "On a failure the result code and its meaning go to standard error; --verbose adds the\n"
    "SNMP library's own reason. Exit status: 1 no answer (or nothing could be sent),\n"
    "2 bad usage, 3 the agent answered with an error status, 4 the value could not be used.\n";

int usageError(const std::string& message)
{
    std::cerr << "vimbo-snmp: " << message << "\n" << kUsage;
    return kExitUsage;
}

// The value to write, or what is wrong with `text`.
std::variant<zemtra::Variant, std::string> parseSetValue(const std::string& text)
{
    const std::string expected = "the value must be int16:N, int32:N or string:TEXT: " + text;
    const auto colon = text.find(':');
    if (colon == std::string::npos)
        return expected;
    const std::string type = text.substr(0, colon);
    const std::string value = text.substr(colon + 1);
    if (type == "string")
        return zemtra::Variant(value);
    if (type == "int16") {
        if (const auto number = zemtra::parseWholeNumber<std::int16_t>(value))
            return zemtra::Variant(*number);
        if (zemtra::parseWholeNumber<std::int64_t>(value))
            return "an int16 value is a whole number from -32768 to 32767: " + value;
        return "an int16 value is a whole number: " + value;
    }
    if (type == "int32") {
        if (const auto number = zemtra::parseWholeNumber<std::int32_t>(value))
            return zemtra::Variant(*number);
        if (zemtra::parseWholeNumber<std::int64_t>(value))
            return "an int32 value is a whole number from -2147483648 to 2147483647: " + value;
        return "an int32 value is a whole number: " + value;
    }
    return expected;
}

int report(zemtra::ResultCode code, const zemtra::SnmpClient& client, bool verbose)
{
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", code);
    std::cerr << "vimbo-snmp: " << hex << ": " << zemtra::resultCodeText(code) << "\n";
    if (verbose && !client.lastFailureReason().empty())
        std::cerr << "vimbo-snmp: " << client.lastFailureReason() << "\n";
    if (code == zemtra::kSequenceNotMapped || code == zemtra::kTypeNotMapped)
        return kExitValueUnusable;
    return client.lastErrorStatus() != 0 ? kExitAgentError : kExitNoAnswer;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    zemtra::SnmpClient client;
    bool haveAgent = false;
    bool verbose = false;
    std::size_t i = 0;
    for (; i < args.size() && args[i].starts_with("--"); ++i) {
        const std::string& option = args[i];
        if (option == "--help") {
            std::cout << kUsage;
            return 0;
        }
        if (option == "--version") {
            std::cout << "vimbo-snmp " VIMBO_VERSION "\n";
            return 0;
        }
        if (option == "--verbose") {
            verbose = true;
            continue;
        }
        if (i + 1 >= args.size())
            return usageError("missing value after " + option);
        const std::string& value = args[++i];
        if (option == "--agent") {
            if (!zemtra::parseNumericHost(value))
                return usageError("--agent takes a numeric IPv4 or IPv6 address: " + value);
            client.setAgent(value);
            haveAgent = true;
        } else if (option == "--community-r") {
            client.setCommunityR(value);
        } else if (option == "--community-w") {
            client.setCommunityW(value);
        } else if (option == "--port") {
            // Port 0 would be a request to nowhere.
            const auto port = zemtra::parseWholeNumber<std::uint16_t>(value);
            if (!port || *port == 0)
                return usageError("the port must be a number from 1 to 65535: " + value);
            client.setPort(*port);
        } else if (option == "--timeout" || option == "--retries") {
            const auto number = zemtra::parseWholeNumber<std::int16_t>(value);
            if (!number || *number < 0)
                return usageError(option + " must be a number from 0 to 32767: " + value);
            option == "--timeout" ? client.setTimeout(*number) : client.setRetries(*number);
        } else {
            return usageError("unknown option " + option);
        }
    }
    if (!haveAgent)
        return usageError("--agent is required");

    const std::vector<std::string> command(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
    if (command.size() >= 2 && (command[0] == "get" || command[0] == "set") && !zemtra::parseObjectId(command[1]))
        return usageError("not a numeric object identifier: " + command[1]);
    if (command.size() == 2 && command[0] == "get") {
        zemtra::Variant value;
        const zemtra::ResultCode code = client.get(command[1], value);
        if (zemtra::failed(code))
            return report(code, client, verbose);
        std::cout << value << '\n';
        return 0;
    }
    if (command.size() == 3 && command[0] == "set") {
        const auto value = parseSetValue(command[2]);
        if (const auto* wrong = std::get_if<std::string>(&value))
            return usageError(*wrong);
        const zemtra::ResultCode code = client.set(command[1], std::get<zemtra::Variant>(value));
        return zemtra::failed(code) ? report(code, client, verbose) : 0;
    }
    return usageError("expected get OID or set OID VALUE");
}
