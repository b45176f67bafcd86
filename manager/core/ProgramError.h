#pragma once

#include <QString>

#include <exception>
#include <string>

namespace vimbo {

/// An error the program raises to its caller: a number, the procedure that
/// raised it and a description. Thrown; every window handler and timer catches it.
class ProgramError : public std::exception {
public:
    ProgramError(int number, QString source, QString description);

    int number() const { return m_number; }
    const QString& source() const { return m_source; }
    const QString& description() const { return m_description; }
    const char* what() const noexcept override { return m_what.c_str(); }

private:
    int m_number;
    QString m_source;
    QString m_description;
    std::string m_what;
};

// The numbers the program's runtime gives these errors.
namespace errors {
inline constexpr int kInvalidArgument = 5;
inline constexpr int kOverflow = 6;
inline constexpr int kSubscriptOutOfRange = 9;
inline constexpr int kDuplicateKey = 457;
inline constexpr int kNameInUse = 727;
}  // namespace errors

ProgramError invalidArgumentError(const QString& source);
ProgramError overflowError(const QString& source);
ProgramError subscriptError(const QString& source);

}  // namespace vimbo
