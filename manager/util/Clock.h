#pragma once

#include <QDateTime>

namespace vimbo {

/// The wall clock, injected so that tests can step it.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

/// "hh:mm.ss": 24-hour hour, the locale's time separator, minutes, a full stop, seconds.
QString formatClockTime(const QTime& time, const QLocale& locale = QLocale());

/// The separator between hours and minutes in the locale's short time format.
QString localeTimeSeparator(const QLocale& locale);

}  // namespace vimbo
