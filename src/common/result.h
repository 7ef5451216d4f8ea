#pragma once
// Failures are values, and no caller may drop one. An operation that can
// fail returns a Result<T> (the value or the Error) or a Result<void> (nothing
// or the Error). Both, and Error itself, read the same way: ok() / failed().
//
//     if (const auto saved = save(); saved.failed())
//         show(saved.error().text);
//     common::Result<Rows> rows = read();
//     if (rows.failed())
//         return rows.error();
#include <QString>

#include <utility>
#include <variant>

namespace common {

struct Error {
    // A failure that has no number of its own (the store has its codes).
    static constexpr int Failed = -1;

    Error() = default;
    Error(int code, QString text, int position = -1, QString field = {})
        : code(code), text(std::move(text)), position(position), field(std::move(field))
    {
    }

    int code = 0;       // 0: no failure
    QString text;       // what happened and what to do, in words the clerk reads
    int position = -1;  // where in a text (a formula, a statement) it lies; -1 for none
    QString field;      // the field of 客户信息 the failure concerns, when one does
    // The engine's own words (SQLite's or the server's message, a check's
    // listing), for whoever supports the shop: shown folded away, never in
    // the text itself, so no message grows taller than the screen.
    QString detail;

    static Error failed(QString text, int position = -1) { return {Failed, std::move(text), position}; }
    // The same failure in other words: what a caller says around it.
    Error reworded(QString newText) const
    {
        Error e = *this;
        e.text = std::move(newText);
        return e;
    }
    // The text and the detail together, where nothing folds (a terminal, a
    // label, a tooltip).
    QString wholeText() const { return detail.isEmpty() ? text : text + QStringLiteral("\n") + detail; }
    Error withDetail(QString engineWords) const
    {
        Error e = *this;
        e.detail = std::move(engineWords).trimmed();
        return e;
    }

    bool ok() const { return code == 0; }
    bool failed() const { return code != 0; }
};

template <typename T>
class Result;

// An operation that gives nothing back but may fail. An empty Error is
// success, so a failure passed along from below needs no test first.
template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error) : m_error(std::move(error)) {}
    Result(int code, QString text, int position = -1, QString field = {})
        : m_error(code, std::move(text), position, std::move(field))
    {
    }

    bool ok() const { return m_error.ok(); }
    bool failed() const { return m_error.failed(); }
    const Error &error() const { return m_error; }

private:
    Error m_error;
};

template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : m_value(std::move(value)) {}
    // A Result<T> is either its value or a real failure: an empty Error here
    // is a fault of the caller, who meant to return a value.
    Result(Error error) : m_value(std::move(error)) { Q_ASSERT(std::get<Error>(m_value).failed()); }
    // A failure from below, passed up as it is.
    Result(const Result<void> &failure) : Result(failure.error()) {}

    bool ok() const { return std::holds_alternative<T>(m_value); }
    bool failed() const { return !ok(); }

    const T &value() const & { return std::get<T>(m_value); }
    T &value() & { return std::get<T>(m_value); }
    T &&value() && { return std::get<T>(std::move(m_value)); }
    const T &operator*() const & { return value(); }
    T &operator*() & { return value(); }
    const T *operator->() const { return &value(); }
    T *operator->() { return &value(); }

    // The failure; an empty Error when there is a value.
    Error error() const { return ok() ? Error{} : std::get<Error>(m_value); }

private:
    std::variant<T, Error> m_value;
};

} // namespace common
