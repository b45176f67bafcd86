// The manager's command line on arbitrary arguments (split at NUL bytes):
// never a crash; it either stops with a status or goes on with an agent it
// can use and a port a request can go to.
#include "main/CommandLine.h"
#include "core/NumericAddress.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QStringList arguments{QStringLiteral("vimboManager")};
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const QByteArray& argument : bytes.split('\0'))
        arguments << QString::fromUtf8(argument);
    const vimbo::CommandLine read = vimbo::readCommandLine(arguments);
    if (read.exitStatus) {
        if (*read.exitStatus == vimbo::kUsageError &&
            !read.error.endsWith(QStringLiteral("Try 'vimboManager --help'.\n")))
            __builtin_trap();
        if (*read.exitStatus != 0 && *read.exitStatus != vimbo::kUsageError)
            __builtin_trap();
        return 0;
    }
    if (!read.error.isEmpty())
        __builtin_trap();
    if (read.options.agent && !vimbo::isNumericAddress(QString::fromStdString(*read.options.agent)))
        __builtin_trap();
    if (read.options.port && *read.options.port == 0)
        __builtin_trap();
    return 0;
}
