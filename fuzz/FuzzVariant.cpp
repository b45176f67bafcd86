// The variant's conversions on values made from arbitrary bytes: no crash,
// integers survive text and back, and the integer rule keeps its types.
#include "Variant.h"

#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>

namespace {

template <typename T>
T take(const std::uint8_t*& data, std::size_t& size)
{
    T value{};
    const std::size_t n = std::min(size, sizeof(T));
    std::memcpy(&value, data, n);
    data += n;
    size -= n;
    return value;
}

zemtra::Variant makeVariant(const std::uint8_t*& data, std::size_t& size)
{
    switch (size == 0 ? 0 : take<std::uint8_t>(data, size) % 10) {
    case 0: return zemtra::Variant();
    case 1: return zemtra::Variant::null();
    case 2: return zemtra::Variant(take<std::uint8_t>(data, size) != 0);
    case 3: return zemtra::Variant(take<std::uint8_t>(data, size));
    case 4: return zemtra::Variant(take<std::int16_t>(data, size));
    case 5: return zemtra::Variant(take<std::int32_t>(data, size));
    case 6: return zemtra::Variant(take<float>(data, size));
    case 7: return zemtra::Variant(take<double>(data, size));
    case 8: return zemtra::Variant(zemtra::ErrorCode{take<std::int32_t>(data, size)});
    default: {
        std::string text(reinterpret_cast<const char*>(data), size);
        data += size;
        size = 0;
        return zemtra::Variant(std::move(text));
    }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    zemtra::Variant value = makeVariant(data, size);
    const auto text = value.toText();
    const auto number = value.toNumber();
    std::ostringstream shown;
    shown << value;
    if (value.type() == zemtra::VarType::Null && (text || number))
        __builtin_trap();
    if (const auto* whole = value.getIf<std::int32_t>()) {
        // An integer's text reads back as the same number.
        if (!text || zemtra::Variant(*text).toNumber() != static_cast<double>(*whole))
            __builtin_trap();
    }
    const zemtra::VarType before = value.type();
    value.assignInteger(static_cast<std::int32_t>(size));
    const bool keeps = before == zemtra::VarType::Int32 || before == zemtra::VarType::Error || before == zemtra::VarType::Bool;
    if (value.type() != (keeps ? before : zemtra::VarType::Int32))
        __builtin_trap();
    return 0;
}
