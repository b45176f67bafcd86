#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

class QIODevice;

namespace vimbo {

/// A table of a plan file holds at most this many entries before its terminator.
inline constexpr int kMaxTableEntries = 32723;
inline constexpr int kChannelNameBytes = 8;

struct ChannelRecord {
    QString name;  // spaces around it removed
    std::int32_t videoKHz = 0;
    std::int32_t centreKHz = 0;
    bool operator==(const ChannelRecord&) const = default;
};

struct ChannelPlanRead {
    bool ok = false;
    std::vector<ChannelRecord> channels;  // in file order, only when ok
    QString error;                        // what went wrong, when not ok
};

/// Reads a plan file: a 3-byte header with the count N (16-bit, at least 1),
/// the plan table, then N blocks of an 8-byte name, two 32-bit frequencies and
/// two tables. Tables are runs of 5-byte entries ending with the first entry
/// whose first two bytes are FF FF. Everything little-endian, no padding.
/// Reads as it goes, so a hostile count costs no more than the data present.
ChannelPlanRead readChannelPlan(QIODevice& device);

/// A plan file of `channels` with empty tables (just their terminators).
/// Names are written as Latin-1, padded with spaces to 8 bytes.
QByteArray writeChannelPlan(const std::vector<ChannelRecord>& channels);

}  // namespace vimbo
