#include "ChannelPlanFile.h"

#include <QIODevice>

#include <array>
#include <cstring>
#include <limits>

namespace vimbo {

namespace {

constexpr std::size_t kEntryBytes = 5;

// Buffered reads from the device, failing at its end.
class PlanReader {
public:
    explicit PlanReader(QIODevice& device) : m_device(device) {}

    bool read(std::uint8_t* out, std::size_t count)
    {
        while (count > 0) {
            if (m_position == m_filled && !refill())
                return false;
            const std::size_t take = std::min(count, m_filled - m_position);
            std::memcpy(out, m_buffer.data() + m_position, take);
            m_position += take;
            out += take;
            count -= take;
        }
        return true;
    }

private:
    bool refill()
    {
        const qint64 got = m_device.read(reinterpret_cast<char*>(m_buffer.data()), m_buffer.size());
        if (got <= 0)
            return false;
        m_filled = static_cast<std::size_t>(got);
        m_position = 0;
        return true;
    }

    QIODevice& m_device;
    std::array<std::uint8_t, 65536> m_buffer{};
    std::size_t m_filled = 0;
    std::size_t m_position = 0;
};

std::int32_t int32At(const std::uint8_t* bytes)
{
    const std::uint32_t value = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
    return static_cast<std::int32_t>(value);
}

enum class TableRead { Ok, EndOfFile, TooLong };

TableRead skipTable(PlanReader& reader)
{
    std::array<std::uint8_t, kEntryBytes> entry{};
    for (int entries = 0;; ++entries) {
        if (!reader.read(entry.data(), entry.size()))
            return TableRead::EndOfFile;
        if (entry[0] == 0xFF && entry[1] == 0xFF)
            return TableRead::Ok;
        if (entries == kMaxTableEntries)
            return TableRead::TooLong;
    }
}

ChannelPlanRead failure(const QString& error) { return {false, {}, error}; }

const QString kPastEnd = QStringLiteral("Input past end of file");
const QString kTooLong =
    QStringLiteral("A table holds more than %1 entries before its terminator").arg(kMaxTableEntries);

}  // namespace

ChannelPlanRead readChannelPlan(QIODevice& device)
{
    PlanReader reader(device);
    std::array<std::uint8_t, 3> header{};
    if (!reader.read(header.data(), header.size()))
        return failure(kPastEnd);
    const auto count = static_cast<std::int16_t>(header[0] | (header[1] << 8));
    if (count < 1)
        return failure(QStringLiteral("The channel count is %1; a plan needs at least one channel").arg(count));

    if (const TableRead plan = skipTable(reader); plan != TableRead::Ok)
        return failure(plan == TableRead::TooLong ? kTooLong : kPastEnd);

    ChannelPlanRead result;
    for (int i = 0; i < count; ++i) {
        std::array<std::uint8_t, kChannelNameBytes + 8> block{};
        if (!reader.read(block.data(), block.size()))
            return failure(kPastEnd);
        for (int table = 0; table < 2; ++table)
            if (const TableRead read = skipTable(reader); read != TableRead::Ok)
                return failure(read == TableRead::TooLong ? kTooLong : kPastEnd);
        ChannelRecord record;
        // VB-style trim: spaces only.
        QString name = QString::fromLatin1(reinterpret_cast<const char*>(block.data()), kChannelNameBytes);
        qsizetype first = 0, last = name.size();
        while (first < last && name[first] == QLatin1Char(' '))
            ++first;
        while (last > first && name[last - 1] == QLatin1Char(' '))
            --last;
        record.name = name.mid(first, last - first);
        record.videoKHz = int32At(block.data() + kChannelNameBytes);
        record.centreKHz = int32At(block.data() + kChannelNameBytes + 4);
        result.channels.push_back(std::move(record));
    }
    result.ok = true;
    return result;
}

QByteArray writeChannelPlan(const std::vector<ChannelRecord>& channels)
{
    static const char kTerminator[kEntryBytes] = {'\xFF', '\xFF', 0, 0, 0};
    QByteArray out;
    const auto count = static_cast<std::uint16_t>(channels.size());
    out.append(static_cast<char>(count & 0xFF)).append(static_cast<char>(count >> 8)).append('\0');
    out.append(kTerminator, kEntryBytes);
    for (const ChannelRecord& channel : channels) {
        QByteArray name = channel.name.toLatin1().left(kChannelNameBytes);
        name.append(QByteArray(kChannelNameBytes - name.size(), ' '));
        out.append(name);
        for (const std::int32_t value : {channel.videoKHz, channel.centreKHz})
            for (int shift = 0; shift < 32; shift += 8)
                out.append(static_cast<char>((static_cast<std::uint32_t>(value) >> shift) & 0xFF));
        out.append(kTerminator, kEntryBytes);
        out.append(kTerminator, kEntryBytes);
    }
    return out;
}

}  // namespace vimbo
