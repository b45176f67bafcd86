#pragma once

#include <QString>

#include <utility>
#include <variant>

namespace vimbo {

/// Why the store failed: SQLite's primary result code (SQLITE_FULL,
/// SQLITE_BUSY, SQLITE_NOTADB ...) and what failed, in words for a user.
struct StoreError {
    int code = 0;
    QString message;
};

/// What a call on the store gives: its value, or why it failed.
template <typename T>
class StoreResult {
public:
    StoreResult(T value) : m_value(std::in_place_index<0>, std::move(value)) {}
    StoreResult(StoreError error) : m_value(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return m_value.index() == 0; }
    explicit operator bool() const { return ok(); }
    /// Only when ok().
    const T& value() const& { return std::get<0>(m_value); }
    T& value() & { return std::get<0>(m_value); }
    T&& value() && { return std::get<0>(std::move(m_value)); }
    const T& operator*() const& { return value(); }
    T& operator*() & { return value(); }
    const T* operator->() const { return &value(); }
    T* operator->() { return &value(); }
    /// Only when !ok().
    const StoreError& error() const { return std::get<1>(m_value); }
    /// Whether it failed, and why, without the value.
    StoreResult<void> status() const;

private:
    std::variant<T, StoreError> m_value;
};

/// A call that gives nothing but may fail.
template <>
class StoreResult<void> {
public:
    StoreResult() = default;
    StoreResult(StoreError error) : m_error(std::move(error)), m_failed(true) {}
    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const StoreError& error() const { return m_error; }

private:
    StoreError m_error;
    bool m_failed = false;
};
using StoreStatus = StoreResult<void>;

template <typename T>
StoreResult<void> StoreResult<T>::status() const
{
    return ok() ? StoreResult<void>() : StoreResult<void>(error());
}

}  // namespace vimbo
