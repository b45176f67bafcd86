#include "HistoryCsv.h"

#include <charconv>

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

QString historyCsv(const MeasureHistory& history, const std::array<QString, 6>& labels, const QDateTime& newest)
{
    static const char* const kMagnitudes[] = {"power", "MER", "VBER"};
    const QString lineEnd = QStringLiteral("\r\n");
    QStringList header{QStringLiteral("time")};
    for (const QString& label : labels)
        for (const char* magnitude : kMagnitudes)
            header << csvField(label + QLatin1Char(' ') + QLatin1String(magnitude));
    QString csv = header.join(QLatin1Char(',')) + lineEnd;

    // Closed slots, oldest first: with a full ring every slot but the open one.
    const int open = history.insertInd();
    const int closed = history.arrayFilled() ? MeasureHistory::kSlots - 1 : open;
    for (int age = closed; age >= 1; --age) {
        const int slot = (open - age + MeasureHistory::kSlots) % MeasureHistory::kSlots;
        QStringList row{newest.addSecs(-5 * (age - 1)).toString(Qt::ISODate)};
        const bool measured = history.count(slot) != 0.0f;
        for (int c = 0; c < MeasureHistory::kChannels; ++c)
            for (int m = 0; m < MeasureHistory::kMagnitudes; ++m)
                row << (measured ? number(history.value(slot, m, c)) : QString());
        csv += row.join(QLatin1Char(',')) + lineEnd;
    }
    return csv;
}

}  // namespace vimbo
