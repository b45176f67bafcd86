#pragma once

#include "core/Clock.h"

namespace vimbo::test {

/// A wall clock that stands still until a test moves it.
class FakeClock final : public Clock {
public:
    explicit FakeClock(QDateTime start = QDateTime(QDate(2026, 12, 6), QTime(14, 5, 33))) : m_now(std::move(start)) {}
    QDateTime now() const override { return m_now; }
    void set(const QDateTime& time) { m_now = time; }
    void setSecond(int second) { m_now.setTime(QTime(m_now.time().hour(), m_now.time().minute(), second)); }
    void advance(int seconds) { m_now = m_now.addSecs(seconds); }

private:
    QDateTime m_now;
};

}  // namespace vimbo::test
