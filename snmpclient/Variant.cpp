#include "Variant.h"

#include <array>
#include <charconv>
#include <ostream>

namespace zemtra {

namespace {

template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

template <typename Float>
std::string shortestText(Float value)
{
    std::array<char, 64> buffer{};
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return ec == std::errc{} ? std::string(buffer.data(), end) : std::string{};
}

}  // namespace

VarType Variant::type() const
{
    return std::visit(Overloaded{
                          [](std::monostate) { return VarType::Empty; },
                          [](NullValue) { return VarType::Null; },
                          [](bool) { return VarType::Bool; },
                          [](std::uint8_t) { return VarType::Byte; },
                          [](std::int16_t) { return VarType::Int16; },
                          [](std::int32_t) { return VarType::Int32; },
                          [](float) { return VarType::Single; },
                          [](double) { return VarType::Double; },
                          [](const std::string&) { return VarType::String; },
                          [](ErrorCode) { return VarType::Error; },
                      },
                      m_value);
}

void Variant::assignInteger(std::int32_t number)
{
    if (auto* error = std::get_if<ErrorCode>(&m_value)) {
        error->code = number;
    } else if (auto* flag = std::get_if<bool>(&m_value)) {
        *flag = number != 0;
    } else {
        m_value = number;
    }
}

std::optional<std::string> Variant::toText() const
{
    return std::visit(Overloaded{
                          [](std::monostate) -> std::optional<std::string> { return std::string{}; },
                          [](NullValue) -> std::optional<std::string> { return std::nullopt; },
                          [](bool v) -> std::optional<std::string> { return v ? "True" : "False"; },
                          [](std::uint8_t v) -> std::optional<std::string> { return std::to_string(v); },
                          [](std::int16_t v) -> std::optional<std::string> { return std::to_string(v); },
                          [](std::int32_t v) -> std::optional<std::string> { return std::to_string(v); },
                          [](float v) -> std::optional<std::string> { return shortestText(v); },
                          [](double v) -> std::optional<std::string> { return shortestText(v); },
                          [](const std::string& v) -> std::optional<std::string> { return v; },
                          [](ErrorCode v) -> std::optional<std::string> {
                              return "Error " + std::to_string(v.code);
                          },
                      },
                      m_value);
}

std::ostream& operator<<(std::ostream& out, const Variant& value)
{
    out << typeName(value.type());
    if (const auto text = value.toText(); text && !text->empty())
        out << ' ' << *text;
    return out;
}

const char* typeName(VarType type)
{
    switch (type) {
    case VarType::Empty: return "Empty";
    case VarType::Null: return "Null";
    case VarType::Int16: return "Int16";
    case VarType::Int32: return "Int32";
    case VarType::Single: return "Single";
    case VarType::Double: return "Double";
    case VarType::String: return "String";
    case VarType::Error: return "Error";
    case VarType::Bool: return "Bool";
    case VarType::Byte: return "Byte";
    }
    return "Unknown";
}

}  // namespace zemtra
