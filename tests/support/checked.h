#pragma once
// A helper that checks with QVERIFY or QCOMPARE returns only from itself when
// a check fails: called through CHECKED, the test it serves stops there too.
#include <QTest>

#define CHECKED(call)                          \
    do {                                       \
        call;                                  \
        if (QTest::currentTestFailed())        \
            return;                            \
    } while (false)
