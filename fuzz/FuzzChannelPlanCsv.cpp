// vimbo-canplan's CSV input on arbitrary bytes: never a crash, and every
// channel it accepts survives the plan file it is written to.
#include "channels/ChannelPlanCsv.h"
#include "channels/ChannelPlanFile.h"

#include <QBuffer>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const vimbo::ChannelPlanCsvRead read = vimbo::readChannelPlanCsv(bytes);
    if (read.channels.empty() || read.channels.size() > 32767)
        return 0;
    QByteArray plan = vimbo::writeChannelPlan(read.channels);
    QBuffer buffer(&plan);
    buffer.open(QIODevice::ReadOnly);
    const vimbo::ChannelPlanRead reread = vimbo::readChannelPlan(buffer);
    if (!reread.ok || reread.channels != read.channels)
        __builtin_trap();
    return 0;
}
