#pragma once
// The database file: what kind of file sits under the name, and one open
// connection to it. Every window or engine that reads the file has its own.
#include "store/storeerror.h"

#include <QSqlDatabase>
#include <QString>
#include <memory>

namespace store {

enum class FileKind {
    Missing,
    SQLite,
    Jet3,     // Access 97 and older
    Jet4,     // Access 2000-2003
    Ace,      // Access 2007 and later (.accdb format)
    Unknown,  // anything else, including an empty or damaged file
};

// Looks at the file's header only; never changes the file.
FileKind detectFileKind(const QString &path);

class Database {
public:
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    // Opens an existing SQLite file that holds 客户信息. Never creates,
    // truncates or alters the file; on failure err carries the engine's text.
    static std::unique_ptr<Database> open(const QString &path, StoreError *err);
    // Creates a new file with the schema; fails if anything exists at path.
    static std::unique_ptr<Database> create(const QString &path, StoreError *err);

    QSqlDatabase sql() const;
    QString path() const { return m_path; }

private:
    Database(QString path, QString connection);
    QString m_path;
    QString m_connection;
};

// Brings a file written by an earlier version up to what this one expects,
// once, in one transaction: yes/no flags never unset, 配件 and Photo never
// NULL. Run after the start-up snapshot; a file already up to date is not written.
StoreError bringUpToDate(Database &db);

// Maps an engine failure (constraint names, unique index, a busy, read-only,
// damaged or full file) to the codes the windows test, with a Chinese text
// saying what happened and what to do; the engine's own words follow in
// parentheses.
StoreError errorFromSql(const class QSqlError &error);
StoreError errorFromEngine(int sqliteCode, const QString &engineText);

// How long a statement waits for another program to let go of the file
// before it gives up and says so.
constexpr int busyWaitMs = 3000;

} // namespace store
