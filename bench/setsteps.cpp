#include "setsteps.h"

#include "bench.h"

#include "store/recordset.h"

namespace bench::steps {

namespace {

void toLast(store::RecordSet &set, const QString &source)
{
    check(set.setRecordSource(source));
    check(set.moveLast());
    (void)set.current();
}

} // namespace

void wholeTableToLast(store::RecordSet &set)
{
    toLast(set, QStringLiteral("select * from 客户信息"));
}

void numberSearch(store::RecordSet &set)
{
    check(set.findFirst(QStringLiteral("编号 =16384")));
    if (set.noMatch())
        throw std::runtime_error("number search found nothing");
    (void)set.current();
}

void threeConditionsAndDates(store::RecordSet &set)
{
    toLast(set, QStringLiteral("select * from 客户信息 where 编号<>0 and 接货日期 >= #2010-1-1# and 接货日期 <= #2020-12-31#"
                               " and 客户姓名 Like '*王*' and 地址 Like '*路*' and 型号 Like '*新飞*'"));
}

void sortByReceivedNewestFirst(store::RecordSet &set)
{
    toLast(set, QStringLiteral("select * from 客户信息 order by 接货日期 desc"));
}

} // namespace bench::steps
