#include "store/storedvalue.h"

#include "common/textrules.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>
#include <cmath>

namespace store {

namespace {

bool isEmptyValue(const QVariant &v)
{
    return v.isNull() || !v.isValid()
        || (v.typeId() == QMetaType::QString && v.toString().trimmed().isEmpty());
}

bool isNumberType(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

StoredValue mismatch(const FieldDef &f, const QVariant &given, const QString &what)
{
    return {QVariant(), {code::TypeMismatch,
                         QStringLiteral("“%1”不是有效的%2（字段 %3）").arg(given.toString(), what, f.name), -1, f.name}};
}

QVariant wholeIfIntegral(double d)
{
    if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 9.0e15)
        return QVariant(qlonglong(d));
    return QVariant(d);
}

StoredValue number(const FieldDef &f, const QVariant &given)
{
    if (isNumberType(given)) {
        if (given.typeId() == QMetaType::Double || given.typeId() == QMetaType::Float)
            return {wholeIfIntegral(given.toDouble()), {}};
        return {QVariant(given.toLongLong()), {}};
    }
    const auto parsed = common::parseNumber(given.toString());
    if (!parsed)
        return mismatch(f, given, QStringLiteral("数字"));
    return {wholeIfIntegral(*parsed), {}};
}

StoredValue jobNumber(const FieldDef &f, const QVariant &given)
{
    double d = 0;
    if (isNumberType(given)) {
        d = given.toDouble();
    } else {
        const auto parsed = common::parseNumber(given.toString());
        if (!parsed)
            return mismatch(f, given, QStringLiteral("编号"));
        d = *parsed;
    }
    const double rounded = std::nearbyint(d);
    if (rounded < -32768.0 || rounded > 32767.0)
        return {QVariant(), {code::Overflow, QStringLiteral("编号 %1 溢出（-32768 到 32767）").arg(given.toString()), -1, f.name}};
    return {QVariant(qlonglong(rounded)), {}};
}

StoredValue yesNo(const FieldDef &f, const QVariant &given)
{
    if (isNumberType(given))
        return {QVariant(given.toDouble() != 0 ? -1 : 0), {}};
    const QString t = given.toString().trimmed().toLower();
    static const QStringList yes = {QStringLiteral("是"), QStringLiteral("yes"), QStringLiteral("true"),
                                    QStringLiteral("-1"), QStringLiteral("1"), QStringLiteral("on")};
    static const QStringList no = {QStringLiteral("否"), QStringLiteral("no"), QStringLiteral("false"),
                                   QStringLiteral("0"), QStringLiteral("off")};
    if (yes.contains(t))
        return {QVariant(-1), {}};
    if (no.contains(t))
        return {QVariant(0), {}};
    return mismatch(f, given, QStringLiteral("是/否值"));
}

StoredValue timeOfDay(const FieldDef &f, const QVariant &given)
{
    if (given.typeId() == QMetaType::QTime && given.toTime().isValid())
        return {given.toTime().toString(QStringLiteral("HH:mm:ss")), {}};
    if (given.typeId() == QMetaType::QDateTime && given.toDateTime().isValid())
        return {given.toDateTime().time().toString(QStringLiteral("HH:mm:ss")), {}};
    static const QRegularExpression hms(QStringLiteral(R"(^\s*(\d{1,2}):(\d{1,2})(?::(\d{1,2}))?\s*$)"));
    const auto m = hms.match(given.toString());
    if (m.hasMatch()) {
        const QTime t(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        if (t.isValid())
            return {t.toString(QStringLiteral("HH:mm:ss")), {}};
    }
    return mismatch(f, given, QStringLiteral("时间"));
}

std::optional<QDate> dateOf(const QVariant &given)
{
    if (given.typeId() == QMetaType::QDate)
        return given.toDate().isValid() ? std::optional(given.toDate()) : std::nullopt;
    if (given.typeId() == QMetaType::QDateTime)
        return given.toDateTime().isValid() ? std::optional(given.toDateTime().date()) : std::nullopt;
    return common::parseDate(given.toString());
}

} // namespace

StoredValue toStored(const FieldDef &field, const QVariant &given)
{
    const bool empty = isEmptyValue(given);
    switch (field.kind) {
    case FieldKind::Text:
        if (empty)
            return {noValue(field), {}};
        return {given.toString(), {}};
    case FieldKind::PurchaseDate:
        if (empty)
            return {};
        if (const auto d = dateOf(given))
            return {common::isoDate(*d), {}};
        return {given.toString(), {}};
    case FieldKind::Date:
        if (empty)
            return {};
        if (const auto d = dateOf(given))
            return {common::isoDate(*d), {}};
        return mismatch(field, given, QStringLiteral("日期"));
    case FieldKind::Number:
        return empty ? StoredValue{} : number(field, given);
    case FieldKind::JobNumber:
        return empty ? StoredValue{} : jobNumber(field, given);
    case FieldKind::YesNo:
        return empty ? StoredValue{noValue(field), {}} : yesNo(field, given);
    case FieldKind::Time:
        return empty ? StoredValue{} : timeOfDay(field, given);
    }
    return {given, {}};
}

QVariant fromStored(const FieldDef &field, const QVariant &stored)
{
    if (stored.isNull())
        return field.kind == FieldKind::YesNo ? noValue(field) : stored;
    switch (field.kind) {
    case FieldKind::JobNumber:
    case FieldKind::YesNo:
        return stored.toInt();
    case FieldKind::Number: {
        // Text a file from elsewhere put in a number column reads as that text,
        // as the forms print it, not as a made-up 0.
        if (stored.typeId() == QMetaType::QByteArray)
            return QString::fromUtf8(stored.toByteArray());
        if (stored.typeId() == QMetaType::QString && !common::isNumeric(stored.toString()))
            return stored;
        if (stored.typeId() == QMetaType::Double) {
            const QVariant whole = wholeIfIntegral(stored.toDouble());
            if (whole.typeId() == QMetaType::LongLong && std::fabs(whole.toDouble()) <= 2147483647.0)
                return whole.toInt();
            return whole;
        }
        const qlonglong v = stored.toLongLong();
        if (v >= INT_MIN && v <= INT_MAX)
            return int(v);
        return v;
    }
    default:
        return stored;
    }
}

} // namespace store
