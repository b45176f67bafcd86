#pragma once

#include <QDateTime>

namespace vimbo {

/// The wall clock, injected so that tests can step it.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    /// The second of the minute of now(); the slot clock asks it 200 times a second.
    virtual int secondOfMinute() const { return now().time().second(); }
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    /// Local and universal time differ by whole minutes, so the second of the
    /// minute needs no time-zone work.
    int secondOfMinute() const override;
};

/// "hh:mm.ss": 24-hour hour, the locale's time separator, minutes, a full stop, seconds.
QString formatClockTime(const QTime& time, const QLocale& locale = QLocale());

/// The separator between hours and minutes in the locale's short time format.
QString localeTimeSeparator(const QLocale& locale);

}  // namespace vimbo
