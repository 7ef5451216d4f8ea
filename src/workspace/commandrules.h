#pragma once
// The small rules behind the record commands and the data control's caption.
#include <QDate>
#include <QString>
#include <QVariantMap>
#include <optional>

namespace workspace {

// A move of the navigator's arrows and the page keys.
enum class Step { First, Previous, Next, Last };

// The number after `number` in 16-bit signed arithmetic; nothing past 32767.
std::optional<qint16> nextJobNumber(qint16 number);

// The number of a new shop's first job: 1 when the set covers the whole
// table and holds no row, nothing otherwise.
std::optional<qint16> firstJobNumber(int rowsInSet, const QString &recordSource);

// The data control's caption for a 0-based position; -1 (no current row) shows 0.
QString recordCaption(int absolutePosition);

// What the clerk reads when the store refused: what did not happen, then the
// store's reason, which says what to do about it, and — only where the clerk
// had typed something not yet saved — that it is still on screen.
QString storeFailureText(const QString &whatFailed, const QString &reason, bool editKept);

// What a copy of a job starts with: today's dates, no fault, finding, repair
// or part, and zero fees.
QVariantMap copyOverrides(const QDate &today);

// The record source that shows one job number.
QString singleJobSource(qint16 number);
inline QString fullSource() { return QStringLiteral("select * from 客户信息"); }

// The find criterion of the number search.
QString numberCriterion(qint16 number);

} // namespace workspace
