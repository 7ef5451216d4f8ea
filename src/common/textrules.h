#pragma once
// What counts as a date and as a number where the user types one.
#include <QDate>
#include <QString>
#include <optional>

namespace common {

// Year-month-day with "-", "/" or "." between, or "2003年1月5日"; blanks around
// are allowed. Nothing for anything else, including impossible days.
std::optional<QDate> parseDate(const QString &text);

// The one text form dates take on screen, in the store and in SQL: 2003-01-05.
QString isoDate(const QDate &date);
// The short date form a Chinese desktop shows: year, month and day without
// leading zeros ("2025-5-18").
QString shortDate(const QDate &date);
// A stored date ("2025-05-18", or any form parseDate reads) in the short
// form; other text (a purchase date of "超保") as it is.
QString shortDateText(const QString &stored);

// A fee as money: two decimals, never an exponent ("0.30", "99999.99").
QString moneyText(double amount);
// Any other number: up to two decimals, no trailing zeros, never an exponent ("16", "126.5").
QString numberText(double number);

// A plain signed decimal, optionally with an exponent, blanks around allowed;
// the value must be finite.
bool isNumeric(const QString &text);
std::optional<double> parseNumber(const QString &text);

// A number as a clerk writes it: whole, without an exponent or trailing
// zeros (12, 12.5, -0.0001, 123456789012).
QString plainNumber(double value);

enum class Int16Error { None, Empty, NotNumeric, Overflow };
struct Int16Result {
    qint16 value = 0;
    Int16Error error = Int16Error::None;
    bool ok() const { return error == Int16Error::None; }
};
// A number rounded to the nearest whole, an exact half to the even neighbour,
// as a 16-bit signed integer.
Int16Result toInt16(const QString &text);

} // namespace common
