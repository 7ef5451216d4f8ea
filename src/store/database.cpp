#include "store/database.h"

#include "store/fields.h"
#include "store/sqlitefunctions.h"

#include <QAtomicInt>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QRegularExpression>
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
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(busyWaitMs));
        if (!db.open()) {
            *err = errorFromSql(db.lastError());
            err->text = QStringLiteral("无法打开数据库文件 %1：%2").arg(path, err->text);
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
    if (!q.exec(QStringLiteral("SELECT name FROM pragma_table_info('客户信息')"))) {
        StoreError e = errorFromSql(q.lastError());
        e.text = QStringLiteral("无法读取数据库文件 %1：%2").arg(path, e.text);
        return e;
    }
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
    bool numbered = false;
    const int native = error.nativeErrorCode().toInt(&numbered);
    return errorFromEngine(numbered ? native : -1, text);
}

StoreError errorFromEngine(int sqliteCode, const QString &engineText)
{
    // The named CHECK constraints carry the field and the error they stand for.
    static const QRegularExpression constraint(QStringLiteral("CHECK constraint failed: (len|range|kind)_(\\S+)"));
    if (const auto m = constraint.match(engineText); m.hasMatch()) {
        const QString field = m.captured(2);
        const FieldDef *def = findField(field);
        if (m.captured(1) == u"len")
            return {code::FieldTooSmall,
                    QStringLiteral("“%1”的内容太长，最多 %2 个字 (%3)").arg(field).arg(def ? def->maxLength : 0).arg(engineText),
                    -1, field};
        if (m.captured(1) == u"range")
            return {code::Overflow, QStringLiteral("“%1”的数值超出范围 (%2)").arg(field, engineText), -1, field};
        return {code::TypeMismatch, QStringLiteral("“%1”的值不是该字段能保存的类型 (%2)").arg(field, engineText), -1,
                field};
    }
    if (engineText.contains(QLatin1String("UNIQUE constraint failed")))
        return {code::DuplicateKey, QStringLiteral("编号重复 (%1)").arg(engineText), -1, QStringLiteral("编号")};
    const auto said = [&engineText](int code, const QString &what) {
        return StoreError{code, QStringLiteral("%1\n(%2)").arg(what, engineText), -1, {}};
    };
    switch (sqliteCode & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return said(code::Busy, QStringLiteral("数据库文件正被另一个程序使用，暂时无法读写。请稍候再试；"
                                               "如果一直如此，请关闭正在使用该文件的其他程序。"));
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return said(code::ReadOnly, QStringLiteral("数据库文件是只读的，无法保存修改。"
                                                   "请检查该文件及其所在的文件夹是否允许写入。"));
    case SQLITE_IOERR:
        return said(code::Engine, QStringLiteral("读写数据库文件时发生磁盘错误。请检查磁盘或网络驱动器后再试。"));
    case SQLITE_FULL:
        return said(code::Engine, QStringLiteral("磁盘已满，无法保存修改。请清理出磁盘空间后再试。"));
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return said(code::Engine, QStringLiteral("数据库文件已损坏。请退出程序，从“备份”文件夹中恢复最近的备份。"));
    case SQLITE_CANTOPEN:
        return said(code::Engine, QStringLiteral("无法打开数据库文件。请检查文件是否存在、是否允许读写。"));
    default:
        return {code::Engine, engineText, -1, {}};
    }
}

} // namespace store
