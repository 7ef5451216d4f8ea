#pragma once
// A spreadsheet the program wrote, read back by another reader:
// tests/support/readsheet.py under Debian's python3 (with python3-openpyxl).
#include "support/requiredtool.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

struct SheetReadBack {
    QJsonObject json;
    QString problem;      // empty when it was read
    bool missing = false; // openpyxl is not installed
};

// whole: every sheet with its charts ({"sheets": [...]}), not only the first.
inline SheetReadBack readSheetBack(const QString &path, bool whole = false)
{
    QProcess p;
    QStringList arguments{QStringLiteral(CORVALE_SOURCE_DIR "/tests/support/readsheet.py"), path};
    if (whole)
        arguments << QStringLiteral("--workbook");
    p.start(QStringLiteral("/usr/bin/python3"), arguments);
    if (!p.waitForFinished(60000))
        return {{}, QStringLiteral("readsheet.py did not finish")};
    if (p.exitCode() == 77)
        return {{}, QStringLiteral("python3-openpyxl is not installed"), true};
    const QJsonDocument doc = QJsonDocument::fromJson(p.readAllStandardOutput());
    if (p.exitCode() != 0 || !doc.isObject())
        return {{}, QString::fromUtf8(p.readAllStandardError())};
    return {doc.object()};
}

// Declares var, the file at path as read back; without openpyxl, skips the
// test naming the install (fails it under CI=true).
#define READ_SHEET_BACK(var, path)                                   \
    QJsonObject var;                                                 \
    do {                                                             \
        const SheetReadBack readBack = readSheetBack(path);          \
        if (readBack.missing)                                        \
            CORVALE_MISSING_INSTALL("python3-openpyxl");             \
        QVERIFY2(readBack.problem.isEmpty(), qPrintable(readBack.problem)); \
        var = readBack.json;                                         \
    } while (false)
