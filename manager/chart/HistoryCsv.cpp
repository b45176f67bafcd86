#include "HistoryCsv.h"

#include "core/Clock.h"
#include "core/Slots.h"

#include <charconv>

namespace vimbo {

QString isoTimeWithOffset(const BucketTime& time) { return isoTime(time.msecsSinceEpoch, time.utcOffsetSeconds); }

QString csvNumber(float value)
{
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, value);
    return QString::fromLatin1(text, static_cast<qsizetype>(written.ptr - text));
}

QString historyCsvHeader(const PerSlot<QString>& labels, const QString& suffix)
{
    static const char* const kMagnitudes[] = {"power", "MER", "VBER"};
    QStringList header;
    for (const QString& label : labels)
        for (const char* magnitude : kMagnitudes)
            header << csvField(label + QLatin1Char(' ') + QLatin1String(magnitude) + suffix);
    return header.join(QLatin1Char(','));
}

BucketRow bucketRow(const MeasureHistory& history, int bucket)
{
    BucketRow values;
    for (int c = 0; c < MeasureHistory::kChannels; ++c)
        for (int m = 0; m < MeasureHistory::kMagnitudes; ++m)
            values[static_cast<std::size_t>(c * MeasureHistory::kMagnitudes + m)] = history.measured(bucket, m, c);
    return values;
}

QString historyCsvRow(const BucketRow& values)
{
    QStringList row;
    for (const auto& value : values)
        row << (value ? csvNumber(*value) : QString());
    return row.join(QLatin1Char(','));
}

QString historyCsv(const MeasureHistory& history, const PerSlot<QString>& labels)
{
    const QString lineEnd = QStringLiteral("\r\n");
    QString csv = QStringLiteral("time,") + historyCsvHeader(labels) + lineEnd;

    // Closed buckets, oldest first: with a full ring every bucket but the open one.
    const int open = history.insertInd();
    const int closed = history.arrayFilled() ? MeasureHistory::kBuckets - 1 : open;
    for (int age = closed; age >= 1; --age) {
        const int bucket = (open - age + MeasureHistory::kBuckets) % MeasureHistory::kBuckets;
        const auto closedAt = history.closedAt(bucket);
        csv += (closedAt ? isoTimeWithOffset(*closedAt) : QString()) + QLatin1Char(',') +
               historyCsvRow(bucketRow(history, bucket)) + lineEnd;
    }
    return csv;
}

}  // namespace vimbo
