#include "workspace/entryrules.h"

#include "common/textrules.h"

#include <QHash>

namespace workspace {

const QVector<int> &txtInfoIndices()
{
    static const QVector<int> indices = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 13,
                                         21, 22, 23, 24, 25, 26};
    return indices;
}

bool txtInfoExists(int index) { return txtInfoIndices().contains(index); }

QString txtInfoField(int index)
{
    static const QHash<int, QString> fields = {
        {0, QStringLiteral("客户姓名")}, {1, QStringLiteral("地址")},
        {2, QStringLiteral("宅电")},     {3, QStringLiteral("购店")},
        {4, QStringLiteral("移动电话")}, {5, QStringLiteral("购买日期")},
        {6, QStringLiteral("发票号码")}, {7, QStringLiteral("出厂日期")},
        {8, QStringLiteral("产品编号")}, {9, QStringLiteral("到货日期")},
        {12, QStringLiteral("接货日期")}, {13, QStringLiteral("发货日期")},
        {21, QStringLiteral("里程数")},  {22, QStringLiteral("上门费")},
        {23, QStringLiteral("维修费")},  {24, QStringLiteral("车补")},
        {25, QStringLiteral("差旅费")},  {26, QStringLiteral("搬运费")},
    };
    return fields.value(index);
}

std::optional<int> enterTarget(int index)
{
    if (txtInfoExists(index) && txtInfoExists(index + 1))
        return index + 1;
    return std::nullopt;
}

LeaveOutcome leaveOutcome(const store::FieldDef &field, const QString &text, const QString &purchaseDate)
{
    switch (field.kind) {
    case store::FieldKind::Date:
    case store::FieldKind::PurchaseDate:
        if (purchaseDate == QStringLiteral("超保") || text.isEmpty())
            return LeaveOutcome::Accept;
        return common::parseDate(text) ? LeaveOutcome::Accept : LeaveOutcome::RefuseDate;
    case store::FieldKind::Number:
        if (text.isEmpty())
            return LeaveOutcome::FillZero;
        return common::isNumeric(text) ? LeaveOutcome::Accept : LeaveOutcome::RefuseNumber;
    default:
        return LeaveOutcome::Accept;
    }
}

QString refusalText(LeaveOutcome outcome)
{
    switch (outcome) {
    case LeaveOutcome::RefuseDate: return QStringLiteral("日期格式输入有误！");
    case LeaveOutcome::RefuseNumber: return QStringLiteral("请输入数字！");
    case LeaveOutcome::Accept:
    case LeaveOutcome::FillZero: break;
    }
    return QString();
}

bool needsShop(const QString &repairContent, const QString &shop)
{
    return (repairContent == QStringLiteral("同意换机") || repairContent == QStringLiteral("出具证明"))
           && shop.isEmpty();
}

} // namespace workspace
