#include "common/textrules.h"

#include <QRegularExpression>
#include <cmath>

namespace common {

namespace {

// The stored form, 2003-01-05, read without a pattern: a report reads thousands.
std::optional<QDate> isoForm(const QString &text)
{
    if (text.size() != 10 || text.at(4) != u'-' || text.at(7) != u'-')
        return std::nullopt;
    const auto number = [&text](int from, int length) {
        int n = 0;
        for (int i = from; i < from + length; ++i) {
            const char16_t c = text.at(i).unicode();
            if (c < u'0' || c > u'9')
                return -1;
            n = n * 10 + (c - u'0');
        }
        return n;
    };
    const int y = number(0, 4), m = number(5, 2), d = number(8, 2);
    if (y < 0 || m < 0 || d < 0)
        return std::nullopt;
    return QDate(y, m, d);
}

} // namespace

std::optional<QDate> parseDate(const QString &text)
{
    if (const std::optional<QDate> iso = isoForm(text)) {
        if (iso->isValid() && iso->year() >= 100)
            return iso;
        return std::nullopt;
    }
    static const QRegularExpression plain(
        QStringLiteral(R"(^\s*(\d{4})\s*([-/.])\s*(\d{1,2})\s*\2\s*(\d{1,2})\s*$)"));
    static const QRegularExpression chinese(
        QStringLiteral(R"(^\s*(\d{4})\s*年\s*(\d{1,2})\s*月\s*(\d{1,2})\s*日?\s*$)"));
    int y = 0, m = 0, d = 0;
    if (auto match = plain.match(text); match.hasMatch()) {
        y = match.captured(1).toInt();
        m = match.captured(3).toInt();
        d = match.captured(4).toInt();
    } else if (auto cn = chinese.match(text); cn.hasMatch()) {
        y = cn.captured(1).toInt();
        m = cn.captured(2).toInt();
        d = cn.captured(3).toInt();
    } else {
        return std::nullopt;
    }
    if (y < 100)
        return std::nullopt;
    const QDate date(y, m, d);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

QString isoDate(const QDate &date)
{
    return date.isValid() ? date.toString(QStringLiteral("yyyy-MM-dd")) : QString();
}

QString shortDate(const QDate &date)
{
    return date.isValid() ? QStringLiteral("%1-%2-%3").arg(date.year()).arg(date.month()).arg(date.day()) : QString();
}

QString shortDateText(const QString &stored)
{
    if (const std::optional<QDate> date = parseDate(stored))
        return shortDate(*date);
    return stored;
}

QString moneyText(double amount)
{
    // Rounded to the fen first, so that -0.001 does not print as "-0.00".
    const double fen = std::round(amount * 100) / 100;
    return QString::number(fen == 0 ? 0.0 : fen, 'f', 2);
}

QString numberText(double number)
{
    QString text = moneyText(number);
    while (text.endsWith(u'0'))
        text.chop(1);
    if (text.endsWith(u'.'))
        text.chop(1);
    return text;
}

std::optional<double> parseNumber(const QString &text)
{
    static const QRegularExpression number(
        QStringLiteral(R"(^\s*[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?\s*$)"));
    if (!number.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

bool isNumeric(const QString &text) { return parseNumber(text).has_value(); }

QString plainNumber(double value)
{
    // Fifteen significant digits, what a double holds faithfully, written out.
    const QString general = QString::number(value, 'g', 15);
    const qsizetype e = general.indexOf(QLatin1Char('e'));
    if (e < 0 || !std::isfinite(value))
        return general;
    const int exponent = general.mid(e + 1).toInt();
    QString fixed = QString::number(value, 'f', qMax(0, 14 - exponent));
    if (fixed.contains(QLatin1Char('.'))) {
        while (fixed.endsWith(QLatin1Char('0')))
            fixed.chop(1);
        if (fixed.endsWith(QLatin1Char('.')))
            fixed.chop(1);
    }
    return fixed;
}

Int16Result toInt16(const QString &text)
{
    if (text.trimmed().isEmpty())
        return {0, Int16Error::Empty};
    const auto value = parseNumber(text);
    if (!value) {
        // A well-formed number too large even for a double is an overflow too.
        static const QRegularExpression huge(QStringLiteral(R"(^\s*[+-]?(\d+\.?\d*|\.\d+)[eE][+]?\d+\s*$)"));
        return {0, huge.match(text).hasMatch() ? Int16Error::Overflow : Int16Error::NotNumeric};
    }
    const double rounded = std::nearbyint(*value); // default mode: half to even
    if (rounded < -32768.0 || rounded > 32767.0)
        return {0, Int16Error::Overflow};
    return {static_cast<qint16>(rounded), Int16Error::None};
}

} // namespace common
