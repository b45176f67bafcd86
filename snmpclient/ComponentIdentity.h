#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zemtra {

/// A 128-bit class, interface or library identifier.
struct Guid {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::array<std::uint8_t, 8> data4{};

    /// "{DEF20709-BF02-43D8-A04F-0F2C69CABE9F}", braces optional, either case.
    static std::optional<Guid> parse(std::string_view text);
    /// Upper case, in braces.
    std::string text() const;
    bool operator==(const Guid&) const = default;
};

namespace identity {

extern const Guid kClsidSnmpClient;   // {DEF20709-BF02-43D8-A04F-0F2C69CABE9F}
extern const Guid kIidSnmpClient;     // {3C121FF1-9322-4692-9976-CE0D0318BF7E}
extern const Guid kLibidZemtraAtl;    // {69BBAF88-A30A-4371-88C8-C3437C89978C}
extern const Guid kIidUnknown;        // {00000000-0000-0000-C000-000000000046}
extern const Guid kIidDispatch;       // {00020400-0000-0000-C000-000000000046}
extern const Guid kIidClassFactory;   // {00000001-0000-0000-C000-000000000046}

inline constexpr const char* kClassName = "SnmpClient";
inline constexpr const char* kClassDescription = "SnmpClient Class";
inline constexpr const char* kProgId = "ZemtraATL.SnmpClient.1";
inline constexpr const char* kVersionIndependentProgId = "ZemtraATL.SnmpClient";
inline constexpr const char* kInterfaceName = "ISnmpClient";
inline constexpr const char* kInterfaceDescription = "ISnmpClient Interface";
inline constexpr const char* kTypeLibName = "ZEMTRAATLLib";
inline constexpr const char* kTypeLibDescription = "ZemtraATL 1.0 Type Library";
inline constexpr const char* kTypeLibVersion = "1.0";
inline constexpr std::uint32_t kTypeLibLocale = 0x0409;
inline constexpr const char* kControlName = "ZEMTRAATLLibCtl.SnmpClient";
inline constexpr const char* kLibraryFile = "ZemtraATL.DLL";
inline constexpr const char* kMiscStatus = "132497";  // 0x20591
inline constexpr const char* kModuleString = "ZemtraATL";

}  // namespace identity

/// Dispatch identifiers of ISnmpClient's members.
enum class DispId : std::int32_t {
    Agent = 1,
    CommunityW = 2,
    CommunityR = 3,
    Timeout = 4,
    Retries = 5,
    Get = 6,
    Set = 7,
    Port = 8,
};

/// A member of the interface as its type description gives it.
struct MemberInfo {
    const char* name;
    DispId id;
    bool isProperty;
    const char* description;
};

/// The interface's members in table order.
const std::array<MemberInfo, 8>& interfaceMembers();

/// The dispatch identifier of a member name, case-insensitively as automation matches names.
std::optional<DispId> dispIdOfName(std::string_view name);

}  // namespace zemtra
