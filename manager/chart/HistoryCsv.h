#pragma once

#include "core/CsvText.h"
#include "core/Slots.h"

#include "MeasureHistory.h"

#include <QDateTime>
#include <QString>

#include <array>
#include <optional>

namespace vimbo {

/// The history's closed buckets as CSV (RFC 4180, CR LF line ends), oldest
/// first: the time the bucket closed, in ISO 8601 with seconds and the UTC
/// offset of the clock then, then power, MER and VBER of each probe slot. The
/// header names each column by the slot's label; a bucket without measures has
/// empty cells. Numbers are written with "." and no grouping, whatever the
/// locale, in the shortest form that reads back as the same single value.
QString historyCsv(const MeasureHistory& history, const PerSlot<QString>& labels);

/// One bucket's power, MER and VBER of each slot, in the order of the columns.
using BucketRow = std::array<std::optional<float>, kSlotCount * 3>;
/// A closed bucket's averages in the order of the columns; nullopt where it had no measures.
BucketRow bucketRow(const MeasureHistory& history, int bucket);
/// The columns after "time": "<label> power<suffix>", "<label> MER<suffix>" ... for each slot.
QString historyCsvHeader(const PerSlot<QString>& labels, const QString& suffix = {});
/// The fields after the time, empty where there is no value.
QString historyCsvRow(const BucketRow& values);
/// A number as the export writes it: ".", no grouping, the shortest form that reads back the same.
QString csvNumber(float value);

/// "2026-12-06T14:05:37+01:00": the local time of `time` and its offset, "+00:00" for UTC too.
QString isoTimeWithOffset(const BucketTime& time);

}  // namespace vimbo
