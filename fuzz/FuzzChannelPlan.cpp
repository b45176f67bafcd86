// The channel-plan reader on arbitrary bytes: it must never crash, and a plan
// it accepts must survive being written and read again.
#include "channels/ChannelPlanFile.h"
#include "channels/channelsCollection.h"

#include <QBuffer>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const vimbo::ChannelPlanRead read = vimbo::readChannelPlan(buffer);
    if (!read.ok)
        return 0;

    vimbo::channelsCollection collection;
    for (const vimbo::ChannelRecord& record : read.channels)
        collection.Add(record.name, record.videoKHz, record.centreKHz);
    if (collection.Count() != static_cast<std::int32_t>(read.channels.size()))
        __builtin_trap();
    for (const vimbo::ChannelRecord& record : read.channels)
        if (!collection.findByFreq(record.centreKHz) || !collection.findByName(record.name))
            __builtin_trap();

    QByteArray again = vimbo::writeChannelPlan(read.channels);
    QBuffer rewritten(&again);
    rewritten.open(QIODevice::ReadOnly);
    const vimbo::ChannelPlanRead reread = vimbo::readChannelPlan(rewritten);
    if (!reread.ok || reread.channels != read.channels)
        __builtin_trap();
    return 0;
}
