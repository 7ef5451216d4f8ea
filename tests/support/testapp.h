#pragma once
// QTEST_MAIN with the program's own set-up: Fusion style (so back colours
// show), CJK font substitutions.
#include "common/fonts.h"

#include <QApplication>
#include <QStyleFactory>
#include <QTest>

#define CORVALE_TEST_MAIN(TestObject)                                   \
    int main(int argc, char *argv[])                                    \
    {                                                                   \
        QApplication app(argc, argv);                                   \
        QApplication::setStyle(QStyleFactory::create("Fusion"));        \
        common::installFontSubstitutions();                             \
        TestObject tc;                                                  \
        QTEST_SET_MAIN_SOURCE_PATH                                      \
        return QTest::qExec(&tc, argc, argv);                           \
    }
