#include "store/database.h"

#include "store/fields.h"
#include "store/sqlitefunctions.h"

#include <QAtomicInt>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

#include <sqlite3.h>

namespace store {

FileKind detectFileKind(const QString &path)
{
    QFileInfo info(path);
    if (!info.exists())
        return FileKind::Missing;
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return FileKind::Unknown;
    const QByteArray head = file.read(32);
    if (head.startsWith(QByteArray("SQLite format 3\0", 16)))
        return FileKind::SQLite;
    if (head.size() > 0x14 && head.mid(4, 15) == "Standard Jet DB") {
        const char version = head.at(0x14);
        return version == 0 ? FileKind::Jet3 : version == 1 ? FileKind::Jet4 : FileKind::Ace;
    }
    if (head.size() >= 19 && head.mid(4, 15) == "Standard ACE DB")
        return FileKind::Ace;
    return FileKind::Unknown;
}

namespace {

QString newConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("corvale-store-%1").arg(counter.fetchAndAddRelaxed(1));
}

// A URI with mode=rw makes SQLite refuse to create a missing file; the
// driver itself would always create one.
QString uriFor(const QString &path, bool mayCreate)
{
    const QByteArray encoded = QUrl::toPercentEncoding(QFileInfo(path).absoluteFilePath(), "/");
    return QStringLiteral("file:%1?mode=%2").arg(QString::fromLatin1(encoded), mayCreate ? QStringLiteral("rwc") : QStringLiteral("rw"));
}

StoreError engineError(const QString &text) { return {code::Engine, text}; }

bool registerFunctions(QSqlDatabase &db)
{
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return false;
    sqlite3 *h = *static_cast<sqlite3 *const *>(handle.constData());
    return h && registerJetLike(h);
}

// Opens the connection; on failure removes it again and fills err.
bool connect(const QString &connection, const QString &path, bool mayCreate, StoreError *err)
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(uriFor(path, mayCreate));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
        if (!db.open()) {
            *err = engineError(QStringLiteral("无法打开数据库文件 %1：%2").arg(path, db.lastError().text()));
        } else if (!registerFunctions(db)) {
            *err = engineError(QStringLiteral("无法在数据库连接上注册 jet_like 函数"));
        } else {
            QSqlQuery pragma(db);
            // A writer may be killed at any moment: every commit reaches the disk.
            pragma.exec(QStringLiteral("PRAGMA synchronous = FULL"));
            ok = true;
        }
        if (!ok)
            db.close();
    }
    if (!ok)
        QSqlDatabase::removeDatabase(connection);
    return ok;
}

void disconnect(const QString &connection)
{
    {
        QSqlDatabase db = QSqlDatabase::database(connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
}

// The table must hold every field: a window bound to a missing one would
// show blanks and drop what was typed.
StoreError checkTable(const QSqlDatabase &db, const QString &path)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT name FROM pragma_table_info('客户信息')")))
        return engineError(QStringLiteral("无法读取数据库文件 %1：%2").arg(path, q.lastError().databaseText()));
    QStringList present;
    while (q.next())
        present << q.value(0).toString();
    if (present.isEmpty())
        return engineError(QStringLiteral("数据库文件 %1 中没有表“客户信息”").arg(path));
    QStringList missing;
    for (const FieldDef &f : fields())
        if (!present.contains(f.name, Qt::CaseInsensitive))
            missing << f.name;
    if (!missing.isEmpty())
        return engineError(QStringLiteral("数据库文件 %1 中的表“客户信息”缺少以下字段：%2")
                               .arg(path, missing.join(QStringLiteral("、"))));
    return {};
}

} // namespace

Database::Database(QString path, QString connection)
    : m_path(std::move(path)), m_connection(std::move(connection))
{
}

Database::~Database() { disconnect(m_connection); }

QSqlDatabase Database::sql() const { return QSqlDatabase::database(m_connection, false); }

std::unique_ptr<Database> Database::open(const QString &path, StoreError *err)
{
    StoreError local;
    StoreError &e = err ? *err : local;
    e = {};
    switch (detectFileKind(path)) {
    case FileKind::Missing:
        e = {code::FileNotFound, QStringLiteral("找不到数据库文件 %1").arg(path)};
        return nullptr;
    case FileKind::Jet3:
    case FileKind::Jet4:
    case FileKind::Ace:
        e = engineError(QStringLiteral("%1 是 Access (Jet) 数据库文件，需要先导入").arg(path));
        return nullptr;
    default:
        break;
    }
    const QString connection = newConnectionName();
    if (!connect(connection, path, false, &e))
        return nullptr;
    std::unique_ptr<Database> db(new Database(path, connection));
    e = checkTable(db->sql(), path);
    if (e)
        return nullptr;
    return db;
}

std::unique_ptr<Database> Database::create(const QString &path, StoreError *err)
{
    StoreError local;
    StoreError &e = err ? *err : local;
    e = {};
    if (QFileInfo::exists(path)) {
        e = engineError(QStringLiteral("%1 已经存在，不会覆盖").arg(path));
        return nullptr;
    }
    const QString connection = newConnectionName();
    if (!connect(connection, path, true, &e))
        return nullptr;
    std::unique_ptr<Database> db(new Database(path, connection));
    QSqlDatabase sql = db->sql();
    bool ok = sql.transaction();
    for (const QString &statement : schemaStatements()) {
        if (!ok)
            break;
        QSqlQuery q(sql);
        ok = q.exec(statement);
        if (!ok)
            e = errorFromSql(q.lastError());
    }
    if (ok && !sql.commit()) {
        ok = false;
        e = errorFromSql(sql.lastError());
    }
    if (!ok) {
        if (!e)
            e = errorFromSql(sql.lastError());
        sql.rollback();
        db.reset();
        QFile::remove(path);
        return nullptr;
    }
    return db;
}

StoreError bringUpToDate(Database &db)
{
    // 1: yes/no flags and the two never-NULL texts hold a value in every row.
    constexpr int currentVersion = 1;
    QSqlDatabase sql = db.sql();
    QSqlQuery q(sql);
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next())
        return errorFromSql(q.lastError());
    if (q.value(0).toInt() >= currentVersion)
        return {};
    q.finish();
    if (!sql.transaction())
        return errorFromSql(sql.lastError());
    for (const FieldDef &f : fields()) {
        if (f.kind == FieldKind::JobNumber || !f.neverNull())
            continue;
        QSqlQuery fill(sql);
        fill.prepare(QStringLiteral("UPDATE 客户信息 SET %1 = ? WHERE %1 IS NULL").arg(f.name));
        fill.addBindValue(noValue(f));
        if (!fill.exec()) {
            const StoreError e = errorFromSql(fill.lastError());
            sql.rollback();
            return e;
        }
    }
    if (!q.exec(QStringLiteral("PRAGMA user_version = %1").arg(currentVersion)) || !sql.commit()) {
        const StoreError e = errorFromSql(q.lastError().isValid() ? q.lastError() : sql.lastError());
        sql.rollback();
        return e;
    }
    return {};
}

StoreError errorFromSql(const QSqlError &error)
{
    if (error.type() == QSqlError::NoError)
        return {};
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    if (text.contains(QLatin1String("UNIQUE constraint failed")))
        return {code::DuplicateKey, text};
    if (text.contains(QLatin1String("CHECK constraint failed: len_")))
        return {code::FieldTooSmall, text};
    if (text.contains(QLatin1String("CHECK constraint failed: range_")))
        return {code::Overflow, text};
    if (text.contains(QLatin1String("CHECK constraint failed: kind_")))
        return {code::TypeMismatch, text};
    return {code::Engine, text};
}

} // namespace store
