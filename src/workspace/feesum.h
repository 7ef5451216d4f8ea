#pragma once
// The total of the five charges, as the click on 合计 computes it.
#include <QString>
#include <QStringList>

namespace workspace {

struct FeeSum {
    enum class Status {
        Total,       // text holds the total
        EmptyCharge, // a charge is empty: nothing happens
        NotNumeric,  // a charge is not a number: refused with a message
        OutOfRange,  // a charge or the running total leaves -32768..32767
    };
    Status status = Status::Total;
    QString text;
};

// charges: 上门费, 维修费, 车补, 差旅费, 搬运费 in that order. Each is taken to the
// fen (half a fen to the even neighbour) and added exactly; a charge or the
// running total outside -32768..32767 is refused.
FeeSum sumCharges(const QStringList &charges);

// The words of a refused sum, for the message box titled "警告".
QString feeSumRefusal(FeeSum::Status status);

} // namespace workspace
