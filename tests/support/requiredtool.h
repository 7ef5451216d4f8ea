#pragma once
// A tool the test command installs (scripts/install-deps.sh) is required: a
// case without it is skipped only with a reason that names the install, and
// fails outright on the build server (CI=true), where a skip would pass
// unseen.
#include <QStandardPaths>
#include <QTest>

#define CORVALE_MISSING_INSTALL(what)                                                               \
    do {                                                                                            \
        const QByteArray reason = QByteArray(what) + " is missing: run scripts/install-deps.sh";    \
        if (qEnvironmentVariable("CI") == QLatin1String("true"))                                    \
            QFAIL(reason.constData());                                                              \
        QSKIP(reason.constData());                                                                  \
    } while (false)

// Skips (or fails under CI=true) the current case when program is not on the PATH.
#define REQUIRE_PROGRAM(program, package)                                                           \
    do {                                                                                            \
        if (QStandardPaths::findExecutable(QStringLiteral(program)).isEmpty())                      \
            CORVALE_MISSING_INSTALL(program " (Debian package " package ")");                       \
    } while (false)
