// The settings file on arbitrary bytes: never a crash, a refusal always names
// its line, and what is accepted is written and read back to the same settings.
#include "main/SettingsFile.h"
#include "SnmpClient.h"

#include <cstdint>
#include <tuple>

namespace {

auto settingsOf(const zemtra::SnmpClient& c)
{
    return std::tuple(c.Agent(), c.Port(), c.CommunityR(), c.CommunityW(), c.Timeout(), c.Retries());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const vimbo::SettingsFileRead read = vimbo::parseSettingsFile(bytes, QStringLiteral("f.conf"));
    if (!read.error.isEmpty()) {
        if (!read.error.startsWith(QStringLiteral("f.conf:")))
            __builtin_trap();
        return 0;
    }
    zemtra::SnmpClient client;
    read.values.applyTo(client);
    const vimbo::SettingsFileRead again = vimbo::parseSettingsFile(vimbo::settingsFileText(client), QStringLiteral("f.conf"));
    zemtra::SnmpClient reread;
    again.values.applyTo(reread);
    if (!again.error.isEmpty() || settingsOf(reread) != settingsOf(client))
        __builtin_trap();
    return 0;
}
