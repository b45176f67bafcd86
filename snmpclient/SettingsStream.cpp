#include "SettingsStream.h"

#include "SnmpClient.h"
#include "Utf16.h"

#include <optional>
#include <string>

namespace zemtra {

namespace {

constexpr std::uint16_t kStringVariant = 8;
constexpr std::uint16_t kEmptyVariant = 0;

void putLittleEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void putString(std::vector<std::uint8_t>& out, const std::string& text)
{
    const std::u16string wide = utf8ToUtf16(text);
    putLittleEndian(out, kStringVariant, 2);
    putLittleEndian(out, static_cast<std::uint32_t>((wide.size() + 1) * 2), 4);
    for (const char16_t unit : wide)
        putLittleEndian(out, unit, 2);
    putLittleEndian(out, 0, 2);
}

// Reads from the front of the stream; every read checks what is left first,
// so a hostile count never allocates more than the stream holds.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    std::optional<std::uint32_t> number(std::size_t size)
    {
        if (m_bytes.size() < size)
            return std::nullopt;
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < size; ++i)
            value |= static_cast<std::uint32_t>(m_bytes[i]) << (8 * i);
        m_bytes = m_bytes.subspan(size);
        return value;
    }

    std::optional<std::span<const std::uint8_t>> bytes(std::size_t size)
    {
        if (m_bytes.size() < size)
            return std::nullopt;
        auto taken = m_bytes.first(size);
        m_bytes = m_bytes.subspan(size);
        return taken;
    }

private:
    std::span<const std::uint8_t> m_bytes;
};

struct StringRead {
    ResultCode result = kOk;
    std::string text;
};

StringRead readString(Reader& reader)
{
    const auto type = reader.number(2);
    if (!type)
        return {kStreamReadFault, {}};
    if (*type == kEmptyVariant)
        return {};
    if (*type != kStringVariant)
        return {kTypeMismatch, {}};
    const auto count = reader.number(4);
    if (!count)
        return {kStreamReadFault, {}};
    if (*count == 0)
        return {};
    if (*count < 2)
        return {kStreamReadFault, {}};
    const auto payload = reader.bytes(*count);
    if (!payload)
        return {kStreamReadFault, {}};
    // The count includes the terminator; the text also ends at an inner zero.
    std::u16string wide;
    const std::size_t characterBytes = payload->size() - 2;
    for (std::size_t i = 0; i + 2 <= characterBytes; i += 2) {
        const char16_t unit = static_cast<char16_t>((*payload)[i] | ((*payload)[i + 1] << 8));
        if (unit == 0)
            break;
        wide += unit;
    }
    return {kOk, utf16ToUtf8(wide)};
}

}  // namespace

std::vector<std::uint8_t> saveSettings(const SnmpClient& client)
{
    std::vector<std::uint8_t> out;
    putLittleEndian(out, kSettingsStreamVersion, 4);
    putLittleEndian(out, client.extent().cx, 4);
    putLittleEndian(out, client.extent().cy, 4);
    putString(out, client.Agent());
    putString(out, client.CommunityR());
    putString(out, client.CommunityW());
    putLittleEndian(out, client.Port(), 2);
    putLittleEndian(out, static_cast<std::uint16_t>(client.Retries()), 2);
    putLittleEndian(out, static_cast<std::uint16_t>(client.Timeout()), 2);
    return out;
}

ResultCode loadSettings(SnmpClient& client, std::span<const std::uint8_t> stream)
{
    Reader reader(stream);
    const auto version = reader.number(4);
    if (!version)
        return kStreamReadFault;
    if (*version > kSettingsStreamVersion)
        return kFail;

    const auto cx = reader.number(4);
    if (!cx)
        return kStreamReadFault;
    client.setExtent({*cx, client.extent().cy});
    const auto cy = reader.number(4);
    if (!cy)
        return kStreamReadFault;
    client.setExtent({*cx, *cy});

    using Setter = void (SnmpClient::*)(std::string);
    for (const Setter setter : {&SnmpClient::setAgent, &SnmpClient::setCommunityR, &SnmpClient::setCommunityW}) {
        StringRead read = readString(reader);
        if (read.result != kOk)
            return read.result;
        (client.*setter)(std::move(read.text));
    }

    // The port's two bytes are unsigned: ports above 32767 are real ports.
    const auto port = reader.number(2);
    if (!port)
        return kStreamReadFault;
    client.setPort(static_cast<std::uint16_t>(*port));
    using NumberSetter = void (SnmpClient::*)(std::int16_t);
    for (const NumberSetter setter : {&SnmpClient::setRetries, &SnmpClient::setTimeout}) {
        const auto number = reader.number(2);
        if (!number)
            return kStreamReadFault;
        (client.*setter)(static_cast<std::int16_t>(*number));
    }
    return kOk;
}

}  // namespace zemtra
