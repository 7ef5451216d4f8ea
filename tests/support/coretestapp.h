#pragma once
// QTEST_MAIN for tests of the libraries without widgets (store, report
// engine): a GUI application for fonts and painting, never a window.
#include "common/fonts.h"

#include <QGuiApplication>
#include <QTest>

#define CORVALE_CORE_TEST_MAIN(TestObject)                              \
    int main(int argc, char *argv[])                                    \
    {                                                                   \
        QGuiApplication app(argc, argv);                                \
        common::installFontSubstitutions();                             \
        TestObject tc;                                                  \
        QTEST_SET_MAIN_SOURCE_PATH                                      \
        return QTest::qExec(&tc, argc, argv);                           \
    }
