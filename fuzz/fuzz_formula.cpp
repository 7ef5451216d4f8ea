// Any selection formula must come back as a usable SQL condition or as an
// error that points inside the text; never a crash, and never SQL that SQLite
// refuses or whose placeholders do not match the values. Any text, quoted as
// a text constant, must read back as itself.
#include "reports/formula/formula.h"
#include "store/fields.h"

#include <QDate>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <sqlite3.h>

namespace {

sqlite3 *recordTable()
{
    static sqlite3 *db = [] {
        sqlite3 *d = nullptr;
        sqlite3_open(":memory:", &d);
        for (const QString &statement : store::schemaStatements())
            sqlite3_exec(d, statement.toUtf8().constData(), nullptr, nullptr, nullptr);
        return d;
    }();
    return db;
}

void checkError(const common::Error &e, const QString &formula)
{
    if (e.ok() || e.position < 0 || e.position > formula.size() || e.text.isEmpty())
        __builtin_trap();
    if (reports::formulaMessage(e, formula).isEmpty())
        __builtin_trap();
}

void checkSql(const reports::SqlCondition &sql)
{
    const QByteArray text = ("SELECT count(*) FROM 客户信息 WHERE " + sql.where).toUtf8();
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(recordTable(), text.constData(), int(text.size()), &stmt, nullptr) != SQLITE_OK)
        __builtin_trap();
    const bool matches = sqlite3_bind_parameter_count(stmt) == sql.values.size();
    sqlite3_finalize(stmt);
    if (!matches)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString formula = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    // Any text, quoted, is one text constant that reads back as itself.
    const common::Result<reports::FormulaTree> quoted =
        reports::parseFormula(QStringLiteral("{客户信息.地区} = ") + reports::formulaText(formula));
    if (quoted.failed() || quoted->conditions.size() != 1 || quoted->conditions.first().value.text != formula)
        __builtin_trap();

    const common::Result<reports::FormulaTree> parsed = reports::parseFormula(formula);
    if (parsed.failed()) {
        checkError(parsed.error(), formula);
        return 0;
    }
    // A year's first and last day and a leap day move the quarter and
    // month-to-date bounds across their edges.
    for (const QDate today : {QDate(2003, 1, 1), QDate(2004, 2, 29), QDate(2003, 12, 31)}) {
        const common::Result<reports::SqlCondition> compiled = reports::compileFormula(*parsed, today);
        if (compiled.failed())
            checkError(compiled.error(), formula);
        else
            checkSql(*compiled);
        if (reports::describeSelection(*parsed, today).isEmpty())
            __builtin_trap();
    }
    return 0;
}
