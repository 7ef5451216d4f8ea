#pragma once
// What happens while the clerk types in the txtInfo fields and leaves them.
#include "store/fields.h"

#include <QString>
#include <QVector>
#include <optional>

namespace workspace {

// The txtInfo array, with its holes (10, 11, 14-20 do not exist).
const QVector<int> &txtInfoIndices();
bool txtInfoExists(int index);
// The field each element is bound to.
QString txtInfoField(int index);

// Enter moves to the next element, when there is one.
std::optional<int> enterTarget(int index);

enum class LeaveOutcome {
    Accept,       // nothing to do
    FillZero,     // an empty number field becomes "0"
    RefuseDate,   // "日期格式输入有误！", focus back
    RefuseNumber, // "请输入数字！", focus back
};

// The check when a field's box loses focus, by the field's kind: dates (the
// purchase date included) and numbers are checked, text never. purchaseDate
// is 购买日期's text, whose exact "超保" turns every date check off.
LeaveOutcome leaveOutcome(const store::FieldDef &field, const QString &text, const QString &purchaseDate);
QString refusalText(LeaveOutcome outcome);

// An exchange or a certificate needs the shop where the appliance was bought.
bool needsShop(const QString &repairContent, const QString &shop);
inline QString shopMissingText() { return QStringLiteral("请填写购店！"); }

} // namespace workspace
