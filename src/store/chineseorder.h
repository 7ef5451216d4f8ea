#pragma once
// Chinese text in the order a Chinese reader expects: by pinyin (安, 李, 王,
// 张), Latin letters without regard to case, as the shop's old program
// sorted on a Chinese system. The file's connections get it as the SQLite
// collation PINYIN; the server orders by its ICU collation "zh-x-icu", the
// same rules from the same library.
#include <QString>

struct sqlite3;

namespace store {

// < 0, 0 or > 0 as a comes before, with or after b.
int chineseCompare(const QString &a, const QString &b);

bool registerChineseOrder(sqlite3 *handle);

} // namespace store
