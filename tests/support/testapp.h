#pragma once
// QTEST_MAIN with the program's own set-up: Fusion style (so back colours
// show), CJK font substitutions.
#include "common/fonts.h"

#include <QApplication>
#include <QStyleFactory>
#include <QTest>

// Waits until the desktop has given w's window the keyboard focus.
// QTest::qWaitForWindowActive counts a window as active as soon as the
// window it belongs to (its transient parent) has the focus, which a box
// opened over the workspace is from the start.
inline bool waitForFocus(QWidget *w, int timeoutMs = 5000)
{
    return QTest::qWaitFor([w] { return w->windowHandle() && QGuiApplication::focusWindow() == w->windowHandle(); },
                           timeoutMs);
}

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
