#include "NumericAddress.h"

#include <arpa/inet.h>

namespace vimbo {

namespace {

bool readsAs(int family, const QString& text)
{
    // A text that is not plain Latin-1 would be changed by the conversion.
    // inet_pton would stop at a NUL and pass "127.0.0.1\0evil" as 127.0.0.1.
    if (text.contains(QChar(u'\0')))
        return false;
    const QByteArray bytes = text.toLatin1();
    unsigned char address[16];
    return QString::fromLatin1(bytes) == text && inet_pton(family, bytes.constData(), address) == 1;
}

}  // namespace

bool isNumericIPv6Address(const QString& text) { return readsAs(AF_INET6, text); }

bool isNumericAddress(const QString& text) { return readsAs(AF_INET, text) || readsAs(AF_INET6, text); }

}  // namespace vimbo
