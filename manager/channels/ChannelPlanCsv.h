#pragma once

#include "ChannelPlanFile.h"

#include <QByteArray>

#include <vector>

namespace vimbo {

/// The header line a plan's CSV form starts with.
inline constexpr const char* kChannelPlanCsvHeader = "name,videoKHz,centreKHz";

struct ChannelPlanCsvRead {
    std::vector<ChannelRecord> channels;  // in file order, up to the first bad line
    int badLine = 0;                      // 1-based; 0 when every line was good
};

/// Reads UTF-8 lines NAME,VIDEO_KHZ,CENTRE_KHZ (LF or CR LF; a leading byte
/// order mark allowed). Blank lines, lines starting with # and the header are
/// skipped. A name is 1 to 8 Latin-1 characters, spaces around it removed;
/// the frequencies are 32-bit whole numbers.
ChannelPlanCsvRead readChannelPlanCsv(const QByteArray& bytes);

}  // namespace vimbo
