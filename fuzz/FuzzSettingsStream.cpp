// The persisted-settings loader on arbitrary bytes: never a crash, and what
// it accepts saves and loads back to the same settings.
#include "SettingsStream.h"
#include "SnmpClient.h"

#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    zemtra::SnmpClient client;
    if (zemtra::loadSettings(client, std::span(data, size)) != zemtra::kOk)
        return 0;
    const auto saved = zemtra::saveSettings(client);
    zemtra::SnmpClient again;
    if (zemtra::loadSettings(again, saved) != zemtra::kOk || again.Agent() != client.Agent() ||
        again.CommunityR() != client.CommunityR() || again.CommunityW() != client.CommunityW() ||
        again.Port() != client.Port() || again.Retries() != client.Retries() || again.Timeout() != client.Timeout() ||
        again.extent() != client.extent() || zemtra::saveSettings(again) != saved)
        __builtin_trap();
    return 0;
}
