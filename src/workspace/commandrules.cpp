#include "workspace/commandrules.h"

#include "common/textrules.h"
#include "store/storeerror.h"

namespace workspace {

std::optional<qint16> nextJobNumber(qint16 number)
{
    if (number == 32767)
        return std::nullopt;
    return qint16(number + 1);
}

std::optional<qint16> firstJobNumber(int rowsInSet, const QString &recordSource)
{
    // Only a set over the whole table proves the table empty; a filtered
    // set without rows says nothing about the numbers in use.
    if (rowsInSet != 0 || recordSource.contains(QLatin1String("where"), Qt::CaseInsensitive))
        return std::nullopt;
    return qint16(1);
}

QString storeFailureText(const QString &whatFailed, const QString &reason, bool editKept)
{
    const QString text = whatFailed + QStringLiteral("：\n") + reason;
    return editKept ? text + QStringLiteral("\n尚未保存的修改仍在屏幕上。") : text;
}

QString recordCaption(int absolutePosition)
{
    return QString(27, QLatin1Char(' ')) + QStringLiteral("第  ")
           + QString::number(absolutePosition < 0 ? 0 : absolutePosition + 1)
           + QStringLiteral("  条记录");
}

QVariantMap copyOverrides(const QDate &today)
{
    const QString date = common::isoDate(today);
    QVariantMap m;
    m.insert(QStringLiteral("接货日期"), date);
    m.insert(QStringLiteral("发货日期"), date);
    for (const char *field : {"故障修理", "检修结果", "修理内容", "配件"})
        m.insert(QString::fromUtf8(field), QString());
    for (const char *field : {"上门费", "维修费", "车补", "差旅费", "搬运费", "合计"})
        m.insert(QString::fromUtf8(field), QStringLiteral("0"));
    return m;
}

QString singleJobSource(qint16 number)
{
    return QStringLiteral("select * from 客户信息 where 编号=") + QString::number(number);
}

QString numberCriterion(qint16 number)
{
    return QStringLiteral("编号 =") + QString::number(number);
}

} // namespace workspace
