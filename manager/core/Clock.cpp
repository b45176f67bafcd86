#include "Clock.h"

#include <QLocale>

#include <algorithm>
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

namespace vimbo {

namespace {

void appendDigits(std::string& text, unsigned n, int digits)
{
    char buffer[4];
    for (int i = digits - 1; i >= 0; --i, n /= 10)
        buffer[i] = static_cast<char>('0' + n % 10);
    text.append(buffer, static_cast<std::size_t>(digits));
}

}  // namespace

void appendIsoTime(std::string& text, std::int64_t msecsSinceEpoch, int utcOffsetSeconds)
{
    using namespace std::chrono;
    constexpr std::int64_t kMaxOffsetSeconds = 18 * 3600;
    constexpr std::int64_t kFirstMs = -62'167'219'200'000;  // 0000-01-01T00:00:00
    constexpr std::int64_t kLastMs = 253'402'300'799'999;   // 9999-12-31T23:59:59.999
    const std::int64_t offsetMinutes =
        std::clamp<std::int64_t>(utcOffsetSeconds, -kMaxOffsetSeconds, kMaxOffsetSeconds) / 60;
    // Clamped before the offset is added, so that the sum cannot overflow.
    const std::int64_t localMs =
        std::clamp(std::clamp(msecsSinceEpoch, kFirstMs, kLastMs) + offsetMinutes * 60'000, kFirstMs, kLastMs);
    const sys_time<milliseconds> local{milliseconds(localMs)};
    const sys_days day = floor<days>(local);
    const year_month_day date{day};
    const hh_mm_ss<seconds> clock{floor<seconds>(local - day)};
    appendDigits(text, static_cast<unsigned>(static_cast<int>(date.year())), 4);
    text += '-';
    appendDigits(text, static_cast<unsigned>(date.month()), 2);
    text += '-';
    appendDigits(text, static_cast<unsigned>(date.day()), 2);
    text += 'T';
    appendDigits(text, static_cast<unsigned>(clock.hours().count()), 2);
    text += ':';
    appendDigits(text, static_cast<unsigned>(clock.minutes().count()), 2);
    text += ':';
    appendDigits(text, static_cast<unsigned>(clock.seconds().count()), 2);
    text += offsetMinutes < 0 ? '-' : '+';
    const auto absMinutes = static_cast<unsigned>(offsetMinutes < 0 ? -offsetMinutes : offsetMinutes);
    appendDigits(text, absMinutes / 60, 2);
    text += ':';
    appendDigits(text, absMinutes % 60, 2);
}

QString isoTime(std::int64_t msecsSinceEpoch, int utcOffsetSeconds)
{
    std::string text;
    appendIsoTime(text, msecsSinceEpoch, utcOffsetSeconds);
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace vimbo
