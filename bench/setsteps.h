#pragma once
// The record set's steps a clerk takes, timed alike on the file and on the
// server; only their bare counterparts differ, each in its engine's SQL.
namespace store {
class RecordSet;
}

namespace bench::steps {

// The whole table, at its last row (as the workspace opens and 刷新 does).
void wholeTableToLast(store::RecordSet &set);
// 编号查询 for job 16384.
void numberSearch(store::RecordSet &set);
// 信息查询 with three texts and a date range, at the last row found.
void threeConditionsAndDates(store::RecordSet &set);
// 排序 by 接货日期, newest first, at the last row.
void sortByReceivedNewestFirst(store::RecordSet &set);

} // namespace bench::steps
