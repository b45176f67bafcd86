#pragma once

#include "clsChannel.h"

#include <QHash>
#include <QString>

#include <memory>
#include <vector>

namespace vimbo {

using ChannelPtr = std::shared_ptr<clsChannel>;

/// The channels of a plan in insertion order; positions count from 1, and an
/// element may carry a unique text key. Channels handed out are shared.
class channelsCollection {
public:
    /// Appends a channel with ChInd = Count before it. Raises a duplicate-key
    /// error for a key in use and an overflow error past 32767 channels.
    ChannelPtr Add(const QString& ChName, std::int32_t FreqVideoKHz, std::int32_t FreqCenterKHz,
                   const QString& sKey = {});

    /// The first channel whose centre or video frequency equals frequencyKHz, or nullptr.
    ChannelPtr findByFreq(std::int32_t frequencyKHz) const;
    /// The first channel whose name equals ChName exactly, or nullptr.
    ChannelPtr findByName(const QString& ChName) const;

    /// By position (1..Count) or key; an invalid-argument error for anything else.
    ChannelPtr Item(int position) const;
    ChannelPtr Item(const QString& key) const;
    std::int32_t Count() const { return static_cast<std::int32_t>(m_entries.size()); }
    /// Removes by position or key; later elements move up one position.
    void Remove(int position);
    void Remove(const QString& key);

    // Enumeration in collection order: for (const ChannelPtr& channel : collection).
    struct Entry {
        ChannelPtr channel;
        QString key;
    };
    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = ChannelPtr;
        using difference_type = std::ptrdiff_t;
        using pointer = const ChannelPtr*;
        using reference = const ChannelPtr&;

        explicit const_iterator(std::vector<Entry>::const_iterator at) : m_at(at) {}
        const ChannelPtr& operator*() const { return m_at->channel; }
        const ChannelPtr* operator->() const { return &m_at->channel; }
        const_iterator& operator++()
        {
            ++m_at;
            return *this;
        }
        const_iterator operator++(int)
        {
            auto before = *this;
            ++m_at;
            return before;
        }
        bool operator==(const const_iterator&) const = default;

    private:
        std::vector<Entry>::const_iterator m_at;
    };
    const_iterator begin() const { return const_iterator(m_entries.begin()); }
    const_iterator end() const { return const_iterator(m_entries.end()); }

private:
    std::size_t positionIndex(int position, const char* member) const;
    std::size_t keyIndex(const QString& key, const char* member) const;
    void removeAt(std::size_t index);

    std::vector<Entry> m_entries;
    QHash<QString, clsChannel*> m_keys;
};

}  // namespace vimbo
