#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <variant>

namespace zemtra {

// The automation type numbers, so a host that speaks them can map one to one.
enum class VarType : std::uint16_t {
    Empty = 0,
    Null = 1,
    Int16 = 2,
    Int32 = 3,
    Single = 4,
    Double = 5,
    String = 8,
    Error = 10,
    Bool = 11,
    Byte = 17,
};

/// An error-code value (the automation error type); not a failure of any call.
struct ErrorCode {
    std::int32_t code = 0;
    bool operator==(const ErrorCode&) const = default;
};

struct NullValue {
    bool operator==(const NullValue&) const = default;
};

/// The automation variant as a tagged value. Strings are UTF-8.
class Variant {
public:
    Variant() = default;
    explicit Variant(bool v) : m_value(v) {}
    explicit Variant(std::uint8_t v) : m_value(v) {}
    explicit Variant(std::int16_t v) : m_value(v) {}
    explicit Variant(std::int32_t v) : m_value(v) {}
    explicit Variant(float v) : m_value(v) {}
    explicit Variant(double v) : m_value(v) {}
    explicit Variant(std::string v) : m_value(std::move(v)) {}
    explicit Variant(const char* v) : m_value(std::string(v)) {}
    explicit Variant(ErrorCode v) : m_value(v) {}
    explicit Variant(NullValue v) : m_value(v) {}

    static Variant null() { return Variant(NullValue{}); }

    VarType type() const;
    bool isEmpty() const { return type() == VarType::Empty; }

    /// The held value when it has exactly type T, else nullptr.
    template <typename T>
    const T* getIf() const { return std::get_if<T>(&m_value); }

    void clear() { m_value = std::monostate{}; }

    /// Stores an integer read from the wire by the rule of `get`: a 32-bit
    /// integer or an error code keeps its type, a boolean becomes the truth
    /// of the number, anything else becomes a 32-bit integer.
    void assignInteger(std::int32_t number);

    /// The value as text, the way a host's string conversion shows it;
    /// nullopt for null, which has no text.
    std::optional<std::string> toText() const;

    /// The value as a number: numbers as they are, true as -1 and false as 0,
    /// empty as 0, a string holding a decimal number (spaces around it allowed,
    /// "." as decimal point, exponent accepted) as that number; nullopt for
    /// null, error codes and any other text.
    std::optional<double> toNumber() const;

    bool operator==(const Variant&) const = default;

private:
    std::variant<std::monostate, NullValue, bool, std::uint8_t, std::int16_t, std::int32_t,
                 float, double, std::string, ErrorCode>
        m_value;
};

/// "TYPE" or "TYPE value", for logs and test output.
std::ostream& operator<<(std::ostream& out, const Variant& value);

/// "Empty", "Null", "Bool", "Byte", "Int16", "Int32", "Single", "Double", "String" or "Error".
const char* typeName(VarType type);

}  // namespace zemtra
