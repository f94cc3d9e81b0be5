#pragma once

#include <QString>

#include <optional>
#include <utility>

namespace paceforge {

// The outcome of an operation that can fail: success, or the text that tells the user why not.
class [[nodiscard]] Result
{
public:
    static Result success() { return Result(); }
    static Result failure(QString error) { return Result(std::move(error)); }

    bool ok() const { return !m_error; }
    explicit operator bool() const { return ok(); }
    QString error() const { return m_error.value_or(QString()); }

private:
    Result() = default;
    explicit Result(QString error) : m_error(std::move(error)) { }
    std::optional<QString> m_error;
};

// A value, or the text that tells why there is none.
template <typename T> class [[nodiscard]] Outcome
{
public:
    Outcome(T value) : m_value(std::move(value)) { }
    static Outcome failure(QString error) { return Outcome(std::nullopt, std::move(error)); }

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    const T& value() const& { return *m_value; }
    T& value() & { return *m_value; }
    T&& value() && { return std::move(*m_value); }
    const T* operator->() const { return &*m_value; }
    const QString& error() const { return m_error; }

private:
    Outcome(std::nullopt_t, QString error) : m_error(std::move(error)) { }
    std::optional<T> m_value;
    QString m_error;
};

} // namespace paceforge
