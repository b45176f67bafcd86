#include "NumericAddress.h"

#include "AgentAddress.h"

namespace vimbo {

namespace {

std::optional<zemtra::AgentAddress> numericHost(const QString& text)
{
    // A text that is not plain Latin-1 would be changed by the conversion.
    const QByteArray bytes = text.toLatin1();
    if (QString::fromLatin1(bytes) != text)
        return std::nullopt;
    return zemtra::parseNumericHost(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

}  // namespace

bool isNumericIPv6Address(const QString& text)
{
    const auto host = numericHost(text);
    return host && host->ipv6;
}

bool isNumericAddress(const QString& text) { return numericHost(text).has_value(); }

}  // namespace vimbo
