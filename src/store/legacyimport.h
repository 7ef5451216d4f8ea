#pragma once
// Bringing the jobs of an old Access 新客户信息.mdb into a new database: the
// mapping of old rows onto 客户信息 (pure), writing them, and the whole import
// with its backup of the original.
#include "store/storeerror.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace store {

struct Renumbering {
    QVariant oldNumber; // invalid when the old row had none
    int newNumber = 0;
};

// One value that could not be carried over as it stood.
struct Conversion {
    enum class Kind {
        Reformatted, // same value, the new form (a date typed as text → ISO)
        Cut,         // text longer than the field: kept up to the limit
        Unreadable,  // not a value of the field's kind: left empty
    };
    int jobNumber = 0;  // the row's number in the new database
    QString field;
    QString oldText;    // the old value as text
    QString newText;    // what was stored; empty for Unreadable
    Kind kind = Kind::Reformatted;
};

struct MappedJobs {
    QList<QVariantMap> rows;   // by field name, every field of 客户信息
    QStringList ignoredFields; // old columns 客户信息 does not have
    QStringList missingFields; // fields the old table lacked (given defaults)
    QList<Renumbering> renumbered;
    QList<Conversion> conversions;
};

// Maps old rows (column name → value as the Access reader gives them) onto
// 客户信息. Every row comes through: a duplicate or missing 编号 gets the next
// free number, an over-long text is cut at the field's limit, a value of the
// wrong kind is left empty; each of those is listed. Fails only when no free
// number is left.
common::Result<MappedJobs> mapLegacyJobs(const QStringList &columns, const QList<QVariantMap> &rows);

// Creates a new database at path and writes the rows in one transaction.
// On failure nothing is left at path.
common::Result<void> writeJobs(const QString &path, const QList<QVariantMap> &rows);

struct LegacyImport {
    QString backupPath;     // where the original now lies, byte for byte
    int rowsRead = 0;
    int rowsWritten = 0;
    MappedJobs jobs;        // renumbered, conversions, ignored and missing fields

    // What the user is shown after a successful import.
    QString summary() const;
};

// The name the original keeps beside the new database, e.g.
// 新客户信息.jet-备份-20261208-143000.mdb.
QString legacyBackupPath(const QString &mdbPath, const QDateTime &at);

// Reads every row of 客户信息 from the Access file at mdbPath and replaces it
// by a new database of the same name. The original is moved, unchanged, to
// legacyBackupPath(); if anything fails the original stays under its own
// name, no new file is left behind, and the error says why.
common::Result<LegacyImport> importLegacyDatabase(const QString &mdbPath);

// The part after reading: maps the old rows, builds the new database and
// swaps it in for the file at mdbPath, which is kept as the backup.
common::Result<LegacyImport> importLegacyRows(const QString &mdbPath, const QStringList &columns,
                                              const QList<QVariantMap> &rows);

} // namespace store
