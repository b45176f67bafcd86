#include "channelsCollection.h"

#include "core/ProgramError.h"

#include <limits>

namespace vimbo {

namespace {
QString memberName(const char* member) { return QStringLiteral("channelsCollection.") + QLatin1String(member); }
}  // namespace

ChannelPtr channelsCollection::Add(const QString& ChName, std::int32_t FreqVideoKHz, std::int32_t FreqCenterKHz,
                                   const QString& sKey)
{
    auto channel = std::make_shared<clsChannel>();
    channel->setFreqVideoKHz(FreqVideoKHz);
    channel->setFreqCenterKHz(FreqCenterKHz);
    channel->setChName(ChName);
    if (m_entries.size() > static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max()))
        throw overflowError(memberName("Add"));
    channel->setChInd(static_cast<std::int16_t>(m_entries.size()));
    if (!sKey.isEmpty()) {
        if (m_keys.contains(sKey))
            throw ProgramError(errors::kDuplicateKey, memberName("Add"),
                               QStringLiteral("This key is already associated with an element of this collection"));
        m_keys.insert(sKey, channel.get());
    }
    m_entries.push_back({channel, sKey});
    return channel;
}

ChannelPtr channelsCollection::findByFreq(std::int32_t frequencyKHz) const
{
    for (const Entry& entry : m_entries)
        if (entry.channel->FreqCenterKHz() == frequencyKHz || entry.channel->FreqVideoKHz() == frequencyKHz)
            return entry.channel;
    return nullptr;
}

ChannelPtr channelsCollection::findByName(const QString& ChName) const
{
    for (const Entry& entry : m_entries)
        if (entry.channel->ChName() == ChName)
            return entry.channel;
    return nullptr;
}

std::size_t channelsCollection::positionIndex(int position, const char* member) const
{
    if (position < 1 || static_cast<std::size_t>(position) > m_entries.size())
        throw invalidArgumentError(memberName(member));
    return static_cast<std::size_t>(position - 1);
}

std::size_t channelsCollection::keyIndex(const QString& key, const char* member) const
{
    const clsChannel* wanted = m_keys.value(key, nullptr);
    if (wanted)
        for (std::size_t i = 0; i < m_entries.size(); ++i)
            if (m_entries[i].channel.get() == wanted)
                return i;
    throw invalidArgumentError(memberName(member));
}

ChannelPtr channelsCollection::Item(int position) const { return m_entries[positionIndex(position, "Item")].channel; }

ChannelPtr channelsCollection::Item(const QString& key) const { return m_entries[keyIndex(key, "Item")].channel; }

void channelsCollection::Remove(int position) { removeAt(positionIndex(position, "Remove")); }

void channelsCollection::Remove(const QString& key) { removeAt(keyIndex(key, "Remove")); }

void channelsCollection::removeAt(std::size_t index)
{
    if (!m_entries[index].key.isEmpty())
        m_keys.remove(m_entries[index].key);
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(index));
}

}  // namespace vimbo
