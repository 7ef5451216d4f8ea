#include "store/chineseorder.h"

#include <QCollator>
#include <QLocale>

#include <sqlite3.h>

namespace store {

namespace {

const QCollator &collator()
{
    // One per thread: a collator is not safe to share between threads.
    thread_local const QCollator c = [] {
        QCollator made(QLocale(QLocale::Chinese, QLocale::China));
        made.setCaseSensitivity(Qt::CaseInsensitive);
        return made;
    }();
    return c;
}

int compareUtf8(void *, int lengthA, const void *a, int lengthB, const void *b)
{
    return chineseCompare(QString::fromUtf8(static_cast<const char *>(a), lengthA),
                          QString::fromUtf8(static_cast<const char *>(b), lengthB));
}

} // namespace

int chineseCompare(const QString &a, const QString &b)
{
    return collator().compare(a, b);
}

bool registerChineseOrder(sqlite3 *handle)
{
    return sqlite3_create_collation_v2(handle, "PINYIN", SQLITE_UTF8, nullptr, compareUtf8, nullptr) == SQLITE_OK;
}

} // namespace store
