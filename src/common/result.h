#pragma once
// Failures are values, and no caller may drop one: an operation that can fail
// returns an Error (empty when it worked), one that also gives a value returns
// a Result<T> (the value or the Error). Both are [[nodiscard]].
//
//     if (common::Error e = save())      // true when it failed
//         show(e.text);
//     common::Result<Rows> rows = read();
//     if (!rows)                         // false when it failed
//         return rows.error();
#include <QString>

#include <utility>
#include <variant>

namespace common {

struct [[nodiscard]] Error {
    // A failure that has no number of its own (the store has its codes).
    static constexpr int Failed = -1;

    Error() = default;
    Error(int code, QString text, int position = -1, QString field = {})
        : code(code), text(std::move(text)), position(position), field(std::move(field))
    {
    }

    int code = 0;       // 0: no failure
    QString text;       // what happened, in words the clerk reads
    int position = -1;  // where in a text (a formula, a statement) it lies; -1 for none
    QString field;      // the field of 客户信息 the failure concerns, when one does

    static Error failed(QString text, int position = -1) { return {Failed, std::move(text), position}; }

    bool ok() const { return code == 0; }
    explicit operator bool() const { return code != 0; }
};

template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(Error error) : m_value(std::move(error)) { Q_ASSERT(!std::get<Error>(m_value).ok()); }

    bool ok() const { return std::holds_alternative<T>(m_value); }
    explicit operator bool() const { return ok(); }

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
