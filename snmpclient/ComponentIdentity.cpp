#include "ComponentIdentity.h"

#include <cctype>
#include <cstdio>

namespace zemtra {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

}  // namespace

std::optional<Guid> Guid::parse(std::string_view text)
{
    if (text.size() == 38 && text.front() == '{' && text.back() == '}')
        text = text.substr(1, 36);
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-')
        return std::nullopt;
    std::array<std::uint8_t, 16> bytes{};
    std::size_t at = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i == 8 || i == 13 || i == 18 || i == 23)
            continue;
        const int high = hexValue(text[i]);
        const int low = hexValue(text[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes[at++] = static_cast<std::uint8_t>(high * 16 + low);
        ++i;
    }
    Guid guid;
    guid.data1 = (static_cast<std::uint32_t>(bytes[0]) << 24) | (bytes[1] << 16) | (bytes[2] << 8) | bytes[3];
    guid.data2 = static_cast<std::uint16_t>((bytes[4] << 8) | bytes[5]);
    guid.data3 = static_cast<std::uint16_t>((bytes[6] << 8) | bytes[7]);
    for (std::size_t i = 0; i < 8; ++i)
        guid.data4[i] = bytes[8 + i];
    return guid;
}

std::string Guid::text() const
{
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", data1, data2, data3,
                  data4[0], data4[1], data4[2], data4[3], data4[4], data4[5], data4[6], data4[7]);
    return buffer;
}

namespace identity {
const Guid kClsidSnmpClient = *Guid::parse("{DEF20709-BF02-43D8-A04F-0F2C69CABE9F}");
const Guid kIidSnmpClient = *Guid::parse("{3C121FF1-9322-4692-9976-CE0D0318BF7E}");
const Guid kLibidZemtraAtl = *Guid::parse("{69BBAF88-A30A-4371-88C8-C3437C89978C}");
const Guid kIidUnknown = *Guid::parse("{00000000-0000-0000-C000-000000000046}");
const Guid kIidDispatch = *Guid::parse("{00020400-0000-0000-C000-000000000046}");
const Guid kIidClassFactory = *Guid::parse("{00000001-0000-0000-C000-000000000046}");
}  // namespace identity

const std::array<MemberInfo, 8>& interfaceMembers()
{
    static const std::array<MemberInfo, 8> members{{
        {"Agent", DispId::Agent, true, "property Agent"},
        {"CommunityW", DispId::CommunityW, true, "property CommunityW"},
        {"CommunityR", DispId::CommunityR, true, "property CommunityR"},
        {"Timeout", DispId::Timeout, true, "property Timeout(10ms)"},
        {"Retries", DispId::Retries, true, "property Retries"},
        {"get", DispId::Get, false, "method get OID"},
        {"set", DispId::Set, false, "method set"},
        {"Port", DispId::Port, true, "property Port"},
    }};
    return members;
}

std::optional<DispId> dispIdOfName(std::string_view name)
{
    for (const MemberInfo& member : interfaceMembers()) {
        const std::string_view candidate(member.name);
        if (candidate.size() != name.size())
            continue;
        bool same = true;
        for (std::size_t i = 0; i < name.size() && same; ++i)
            same = std::tolower(static_cast<unsigned char>(candidate[i])) ==
                   std::tolower(static_cast<unsigned char>(name[i]));
        if (same)
            return member.id;
    }
    return std::nullopt;
}

}  // namespace zemtra
