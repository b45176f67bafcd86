#include "ProgramError.h"

namespace vimbo {

ProgramError::ProgramError(int number, QString source, QString description)
    : m_number(number), m_source(std::move(source)), m_description(std::move(description)),
      m_what((m_source + QStringLiteral(": ") + m_description + QStringLiteral(" (") + QString::number(m_number) +
              QLatin1Char(')'))
                 .toStdString())
{
}

ProgramError invalidArgumentError(const QString& source)
{
    return {errors::kInvalidArgument, source, QStringLiteral("Invalid procedure call or argument")};
}

ProgramError overflowError(const QString& source) { return {errors::kOverflow, source, QStringLiteral("Overflow")}; }

ProgramError subscriptError(const QString& source)
{
    return {errors::kSubscriptOutOfRange, source, QStringLiteral("Subscript out of range")};
}

}  // namespace vimbo
