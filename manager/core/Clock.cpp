#include "Clock.h"

#include <QLocale>

#include <chrono>

namespace vimbo {

int SystemClock::msecOfMinute() const
{
    const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count() % 60000);
}

QString localeTimeSeparator(const QLocale& locale)
{
    const QString format = locale.timeFormat(QLocale::ShortFormat);
    const qsizetype hours = format.indexOf(QLatin1Char('h'), 0, Qt::CaseInsensitive);
    if (hours < 0)
        return QStringLiteral(":");
    qsizetype i = hours;
    while (i < format.size() && format[i].toLower() == QLatin1Char('h'))
        ++i;
    qsizetype end = i;
    while (end < format.size() && format[end].toLower() != QLatin1Char('m') && format[end] != QLatin1Char('\''))
        ++end;
    const QString separator = format.mid(i, end - i);
    return separator.isEmpty() ? QStringLiteral(":") : separator;
}

QString formatClockTime(const QTime& time, const QLocale& locale)
{
    const auto two = [](int n) { return QString::number(n).rightJustified(2, QLatin1Char('0')); };
    return two(time.hour()) + localeTimeSeparator(locale) + two(time.minute()) + QLatin1Char('.') + two(time.second());
}

}  // namespace vimbo
