#include "HistoryCsv.h"

#include "core/Slots.h"

#include <QTimeZone>

#include <charconv>
#include <cstdlib>

namespace vimbo {

namespace {

QString number(float value)
{
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, value);
    return QString::fromLatin1(text, static_cast<qsizetype>(written.ptr - text));
}

}  // namespace

QString csvField(const QString& text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n')) &&
        !text.contains(QLatin1Char('\r')))
        return text;
    return QLatin1Char('"') + QString(text).replace(QStringLiteral("\""), QStringLiteral("\"\"")) + QLatin1Char('"');
}

QString isoTimeWithOffset(const BucketTime& time)
{
    const int offset = time.utcOffsetSeconds;
    const QDateTime local =
        QDateTime::fromMSecsSinceEpoch(time.msecsSinceEpoch, Qt::UTC).addSecs(offset);
    const int minutes = std::abs(offset) / 60;
    return local.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + QLatin1Char(offset < 0 ? '-' : '+') +
           QStringLiteral("%1:%2").arg(minutes / 60, 2, 10, QLatin1Char('0')).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString historyCsv(const MeasureHistory& history, const PerSlot<QString>& labels)
{
    static const char* const kMagnitudes[] = {"power", "MER", "VBER"};
    const QString lineEnd = QStringLiteral("\r\n");
    QStringList header{QStringLiteral("time")};
    for (const QString& label : labels)
        for (const char* magnitude : kMagnitudes)
            header << csvField(label + QLatin1Char(' ') + QLatin1String(magnitude));
    QString csv = header.join(QLatin1Char(',')) + lineEnd;

    // Closed buckets, oldest first: with a full ring every bucket but the open one.
    const int open = history.insertInd();
    const int closed = history.arrayFilled() ? MeasureHistory::kBuckets - 1 : open;
    for (int age = closed; age >= 1; --age) {
        const int bucket = (open - age + MeasureHistory::kBuckets) % MeasureHistory::kBuckets;
        const auto closedAt = history.closedAt(bucket);
        QStringList row{closedAt ? isoTimeWithOffset(*closedAt) : QString()};
        for (int c = 0; c < MeasureHistory::kChannels; ++c)
            for (int m = 0; m < MeasureHistory::kMagnitudes; ++m) {
                const auto value = history.measured(bucket, m, c);
                row << (value ? number(*value) : QString());
            }
        csv += row.join(QLatin1Char(',')) + lineEnd;
    }
    return csv;
}

}  // namespace vimbo
