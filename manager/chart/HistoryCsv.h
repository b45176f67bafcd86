#pragma once

#include "MeasureHistory.h"

#include <QDateTime>
#include <QString>

#include <array>

namespace vimbo {

/// The history's closed slots as CSV (RFC 4180, CR LF line ends), oldest
/// first: the slot's local time in ISO 8601 with seconds, then power, MER and
/// VBER of each probe slot. The newest closed slot is stamped `newest` and
/// each one before it 5 seconds earlier, as the chart labels its points. The
/// header names each column by the slot's label; a slot without measures has
/// empty cells. Numbers are written with "." and no grouping, whatever the
/// locale, in the shortest form that reads back as the same single value.
QString historyCsv(const MeasureHistory& history, const std::array<QString, 6>& labels, const QDateTime& newest);

/// One CSV field, quoted when it holds a comma, a quote or a line break.
QString csvField(const QString& text);

}  // namespace vimbo
