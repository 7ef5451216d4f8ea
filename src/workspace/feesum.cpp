#include "workspace/feesum.h"

#include "common/textrules.h"

#include <cmath>

namespace workspace {

FeeSum sumCharges(const QStringList &charges)
{
    for (const QString &c : charges)
        if (c.isEmpty())
            return {FeeSum::Status::EmptyCharge, {}};
    // Counted in fen, so 150.5 adds as 150.5 and the total is exact: the
    // maker pays from the printed sum beside the printed charges.
    constexpr qint64 lowest = -32768 * 100, highest = 32767 * 100;
    qint64 fen = 0;
    for (const QString &c : charges) {
        const common::Int16Result whole = common::toInt16(c);
        if (whole.error == common::Int16Error::Overflow)
            return {FeeSum::Status::OutOfRange, {}};
        const std::optional<double> value = common::parseNumber(c);
        if (!whole.ok() || !value)
            return {FeeSum::Status::NotNumeric, {}};
        const qint64 charge = qint64(std::nearbyint(*value * 100)); // half a fen to the even neighbour
        if (charge < lowest || charge > highest)
            return {FeeSum::Status::OutOfRange, {}};
        fen += charge;
        if (fen < lowest || fen > highest)
            return {FeeSum::Status::OutOfRange, {}};
    }
    return {FeeSum::Status::Total, common::plainNumber(double(fen) / 100)};
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
