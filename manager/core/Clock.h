#pragma once

#include <QDateTime>

#include <cstdint>
#include <string>

namespace vimbo {

/// The wall clock, injected so that tests can step it.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    /// The millisecond of the minute of now() (0..59999): the bucket clock asks it at every tick.
    virtual int msecOfMinute() const
    {
        const QTime time = now().time();
        return time.second() * 1000 + time.msec();
    }
    int secondOfMinute() const { return msecOfMinute() / 1000; }
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    /// Local and universal time differ by whole minutes, so the millisecond of
    /// the minute needs no time-zone work.
    int msecOfMinute() const override;
};

/// "hh:mm.ss": 24-hour hour, the locale's time separator, minutes, a full stop, seconds.
QString formatClockTime(const QTime& time, const QLocale& locale = QLocale());

/// "2026-12-06T14:05:37+01:00": the wall time at `msecsSinceEpoch` under the
/// offset `utcOffsetSeconds`, to the second, then that offset ("+00:00" for
/// UTC). Every CSV, JSON and chart export writes its times with it. Hostile
/// stored values still give a well-formed time: the offset is cut to whole
/// minutes within ±18:00 and the time held within the years 0000 to 9999.
void appendIsoTime(std::string& text, std::int64_t msecsSinceEpoch, int utcOffsetSeconds);
QString isoTime(std::int64_t msecsSinceEpoch, int utcOffsetSeconds);

/// The separator between hours and minutes in the locale's short time format.
QString localeTimeSeparator(const QLocale& locale);

}  // namespace vimbo
