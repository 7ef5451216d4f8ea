#include "workspace/feesum.h"

#include "common/textrules.h"

namespace workspace {

FeeSum sumCharges(const QStringList &charges)
{
    for (const QString &c : charges)
        if (c.isEmpty())
            return {FeeSum::Status::EmptyCharge, {}};
    int total = 0;
    for (const QString &c : charges) {
        const common::Int16Result v = common::toInt16(c);
        if (v.error == common::Int16Error::Overflow)
            return {FeeSum::Status::OutOfRange, {}};
        if (!v.ok())
            return {FeeSum::Status::NotNumeric, {}};
        total += v.value;
        if (total < -32768 || total > 32767)
            return {FeeSum::Status::OutOfRange, {}};
    }
    return {FeeSum::Status::Total, QString::number(total)};
}

QString feeSumRefusal(FeeSum::Status status)
{
    switch (status) {
    case FeeSum::Status::NotNumeric:
        return QStringLiteral("费用中有非数字的内容，无法求和！合计未改动。");
    case FeeSum::Status::OutOfRange:
        return QStringLiteral("费用或合计超出-32768至32767的范围，无法求和！合计未改动。");
    case FeeSum::Status::Total:
    case FeeSum::Status::EmptyCharge: break;
    }
    return QString();
}

} // namespace workspace
