#include "Variant.h"

#include <array>
#include <charconv>
#include <cmath>
#include <string_view>
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

std::optional<double> parseDecimal(std::string_view text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return std::nullopt;
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    // Decimal only: from_chars also reads "inf" and "nan", which no probe sends as a number.
    if (ec != std::errc{} || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
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

std::optional<double> Variant::toNumber() const
{
    return std::visit(Overloaded{
                          [](std::monostate) -> std::optional<double> { return 0.0; },
                          [](NullValue) -> std::optional<double> { return std::nullopt; },
                          [](bool v) -> std::optional<double> { return v ? -1.0 : 0.0; },
                          [](std::uint8_t v) -> std::optional<double> { return v; },
                          [](std::int16_t v) -> std::optional<double> { return v; },
                          [](std::int32_t v) -> std::optional<double> { return v; },
                          [](float v) -> std::optional<double> { return v; },
                          [](double v) -> std::optional<double> { return v; },
                          [](const std::string& v) -> std::optional<double> { return parseDecimal(v); },
                          [](ErrorCode) -> std::optional<double> { return std::nullopt; },
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
