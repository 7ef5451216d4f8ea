#include "store/database.h"

#include "common/sitesettings.h"
#include "store/fields.h"
#include "store/serveraddress.h"
#include "store/sqlitefunctions.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QRegularExpression>
#include <QUrl>

#include <functional>

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

// Adds a connection and lets open set it up and open it; a connection that
// did not open is removed again, so its name can be used anew.
common::Result<void> addConnection(const QString &driver, const QString &connection,
                                   const std::function<common::Result<void>(QSqlDatabase &)> &open)
{
    common::Result<void> opened;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(driver, connection);
        opened = open(db);
        if (opened.failed())
            db.close();
    }
    if (opened.failed())
        QSqlDatabase::removeDatabase(connection);
    return opened;
}

common::Result<void> connect(const QString &connection, const QString &path, bool mayCreate)
{
    return addConnection(QStringLiteral("QSQLITE"), connection, [&](QSqlDatabase &db) -> common::Result<void> {
        db.setDatabaseName(uriFor(path, mayCreate));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(busyWaitMs));
        if (!db.open()) {
            StoreError e = errorFromSql(db.lastError());
            e.text = QStringLiteral("无法打开数据库文件 %1：%2").arg(path, e.text);
            return e;
        }
        if (!registerFunctions(db))
            return engineError(QStringLiteral("无法在数据库连接上注册 jet_like 函数"));
        QSqlQuery pragma(db);
        // A writer may be killed at any moment: every commit reaches the disk.
        pragma.exec(QStringLiteral("PRAGMA synchronous = FULL"));
        return {};
    });
}

void disconnect(const QString &connection)
{
    {
        QSqlDatabase db = QSqlDatabase::database(connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
}

// The columns 客户信息 has; empty when there is no such table.
common::Result<QStringList> tableColumns(const QSqlDatabase &db, Engine engine)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    const QString sql = engine == Engine::SQLite
        ? QStringLiteral("SELECT name FROM pragma_table_info('客户信息')")
        : QStringLiteral("SELECT column_name FROM information_schema.columns "
                         "WHERE table_schema = current_schema() AND table_name = '客户信息'");
    if (!q.exec(sql))
        return errorFromSql(q.lastError(), engine);
    QStringList present;
    while (q.next())
        present << q.value(0).toString();
    return present;
}

// The table must hold every field: a window bound to a missing one would
// show blanks and drop what was typed.
common::Result<void> checkTable(const QSqlDatabase &db, const QString &path, Engine engine)
{
    const common::Result<QStringList> columns = tableColumns(db, engine);
    if (columns.failed()) {
        StoreError e = columns.error();
        e.text = QStringLiteral("无法读取数据库文件 %1：%2").arg(displayedAddress(path), e.text);
        return e;
    }
    const QStringList &present = *columns;
    if (present.isEmpty())
        return engineError(QStringLiteral("数据库文件 %1 中没有表“客户信息”").arg(displayedAddress(path)));
    QStringList missing;
    for (const FieldDef &f : fields())
        if (!present.contains(f.name, Qt::CaseInsensitive))
            missing << f.name;
    if (!missing.isEmpty())
        return engineError(QStringLiteral("数据库文件 %1 中的表“客户信息”缺少以下字段：%2")
                               .arg(displayedAddress(path), missing.join(QStringLiteral("、"))));
    return {};
}

// The statements in one transaction; the first failure undoes them all.
common::Result<void> runInTransaction(QSqlDatabase db, Engine engine, const QStringList &statements)
{
    if (!db.transaction())
        return errorFromSql(db.lastError(), engine);
    for (const QString &statement : statements) {
        QSqlQuery q(db);
        if (!q.exec(statement)) {
            const StoreError e = errorFromSql(q.lastError(), engine);
            db.rollback();
            return e;
        }
    }
    if (!db.commit()) {
        const StoreError e = errorFromSql(db.lastError(), engine);
        db.rollback();
        return e;
    }
    return {};
}

// A connection to the server at address; on failure removed again.
common::Result<void> connectServer(const QString &connection, const QString &text)
{
    const common::Result<ServerAddress> address = parseServerAddress(text);
    if (address.failed())
        return StoreError{code::ServerAway, address.error().text};
    return addConnection(QStringLiteral("QPSQL"), connection, [&](QSqlDatabase &db) -> common::Result<void> {
        db.setHostName(address->host);
        db.setPort(address->port);
        db.setUserName(address->user);
        db.setPassword(address->password);
        db.setDatabaseName(address->database);
        db.setConnectOptions(address->connectOptions());
        if (db.open())
            return {};
        StoreError e = errorFromServer(db.lastError().nativeErrorCode(), db.lastError().text(), address->shown());
        if (e.code != code::ServerAway)
            e.text = QStringLiteral("无法连接数据库服务器 %1：%2").arg(address->shown(), e.text);
        return e;
    });
}

} // namespace

bool isServerAddress(const QString &location) { return looksLikeServerAddress(location); }

QString displayedAddress(const QString &location)
{
    if (!looksLikeServerAddress(location))
        return location;
    const common::Result<ServerAddress> address = parseServerAddress(location);
    return address.ok() ? address->shown() : maskedAddress(location);
}

common::Result<QString> jobTableLocation(const QString &folder, const common::SiteSettings &settings)
{
    const QString given = qEnvironmentVariable("CORVALE_DATABASE").trimmed();
    const QString server = given.isEmpty() ? settings.databaseServer.trimmed() : given;
    if (server.isEmpty())
        return QDir(folder).filePath(databaseFileName());
    // A mistyped server line must never become a file of that name, where
    // the desk would work on its own without a word.
    if (const common::Result<ServerAddress> address = parseServerAddress(server); address.failed())
        return common::Error::failed(
            given.isEmpty()
                ? QStringLiteral("%1 中 [database] server 一行：\n%2\n\n请改正这一行；删去它则使用本机的数据文件。")
                      .arg(QDir(folder).filePath(common::settingsFileName()), address.error().text)
                : QStringLiteral("--database（或环境变量 CORVALE_DATABASE）给出的地址不能用：\n%1").arg(address.error().text));
    return server;
}

Database::Database(QString path, QString connection, Engine engine)
    : m_path(std::move(path)), m_connection(std::move(connection)), m_engine(engine)
{
}

Database::~Database() { disconnect(m_connection); }

QSqlDatabase Database::sql() const { return QSqlDatabase::database(m_connection, false); }

common::Result<std::unique_ptr<Database>> Database::open(const QString &path)
{
    if (isServerAddress(path)) {
        const QString connection = newConnectionName();
        if (const auto connected = connectServer(connection, path); connected.failed())
            return connected;
        std::unique_ptr<Database> db(new Database(path, connection, Engine::PostgreSQL));
        const common::Result<QStringList> columns = tableColumns(db->sql(), Engine::PostgreSQL);
        if (columns.failed())
            return columns.error();
        // An empty database on a new server gets the table.
        if (columns->isEmpty()) {
            if (const auto made = runInTransaction(db->sql(), Engine::PostgreSQL, serverSchemaStatements()); made.failed()) {
                StoreError e = made.error();
                e.text = QStringLiteral("无法在服务器 %1 上建立表“客户信息”：%2").arg(displayedAddress(path), e.text);
                return e;
            }
        }
        if (const auto checked = checkTable(db->sql(), path, Engine::PostgreSQL); checked.failed())
            return checked;
        return db;
    }
    switch (detectFileKind(path)) {
    case FileKind::Missing:
        return StoreError{code::FileNotFound, QStringLiteral("找不到数据库文件 %1").arg(path)};
    case FileKind::Jet3:
    case FileKind::Jet4:
    case FileKind::Ace:
        return engineError(QStringLiteral("%1 是 Access (Jet) 数据库文件，需要先导入").arg(path));
    default:
        break;
    }
    const QString connection = newConnectionName();
    if (const auto connected = connect(connection, path, false); connected.failed())
        return connected;
    std::unique_ptr<Database> db(new Database(path, connection, Engine::SQLite));
    if (const auto checked = checkTable(db->sql(), path, Engine::SQLite); checked.failed())
        return checked;
    return db;
}

common::Result<std::unique_ptr<Database>> Database::create(const QString &path)
{
    if (isServerAddress(path))
        return open(path);
    if (QFileInfo::exists(path))
        return engineError(QStringLiteral("%1 已经存在，不会覆盖").arg(path));
    const QString connection = newConnectionName();
    if (const auto connected = connect(connection, path, true); connected.failed())
        return connected;
    std::unique_ptr<Database> db(new Database(path, connection, Engine::SQLite));
    if (const auto made = runInTransaction(db->sql(), Engine::SQLite, schemaStatements()); made.failed()) {
        db.reset();
        QFile::remove(path);
        return made;
    }
    return db;
}

StoreError Database::failure(const QSqlError &error) const
{
    StoreError e = errorFromSql(error, m_engine);
    if (m_engine == Engine::PostgreSQL && e.code == code::ServerAway) {
        e.text = QStringLiteral("无法连接数据库服务器 %1。\n请检查网络和服务器，再试一次；尚未保存的修改仍在屏幕上。\n(%2)")
                     .arg(displayedAddress(m_path), error.text());
        m_lost = true;
    }
    return e;
}

common::Result<void> Database::reconnectIfLost() const
{
    if (!m_lost)
        return {};
    QSqlDatabase db = sql();
    db.close();
    if (!db.open()) {
        StoreError e = failure(db.lastError());
        if (e.code != code::ServerAway) {
            e.code = code::ServerAway;
            e.text = QStringLiteral("无法连接数据库服务器 %1。\n请检查网络和服务器，再试一次；尚未保存的修改仍在屏幕上。\n(%2)")
                         .arg(displayedAddress(m_path), db.lastError().text());
        }
        return e;
    }
    m_lost = false;
    ++m_generation;
    return {};
}

common::Result<void> bringUpToDate(Database &db)
{
    // A server's table is made by this version already.
    if (db.engine() == Engine::PostgreSQL)
        return {};
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

StoreError errorFromSql(const QSqlError &error, Engine engine)
{
    if (error.type() == QSqlError::NoError)
        return {};
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    if (engine == Engine::PostgreSQL)
        return errorFromServer(error.type() == QSqlError::ConnectionError && error.nativeErrorCode().isEmpty()
                                   ? QStringLiteral("08000")
                                   : error.nativeErrorCode(),
                               text, QString());
    bool numbered = false;
    const int native = error.nativeErrorCode().toInt(&numbered);
    return errorFromEngine(numbered ? native : -1, text);
}

namespace {

// A refusal by one of the named constraints: len_ → 524, range_ → 6, kind_ → 3464.
StoreError constraintError(const QString &kind, const QString &field, const QString &engineText)
{
    const FieldDef *def = findField(field);
    if (kind == u"len")
        return {code::FieldTooSmall,
                QStringLiteral("“%1”的内容太长，最多 %2 个字 (%3)").arg(field).arg(def ? def->maxLength : 0).arg(engineText),
                -1, field};
    if (kind == u"range")
        return {code::Overflow, QStringLiteral("“%1”的数值超出范围 (%2)").arg(field, engineText), -1, field};
    return {code::TypeMismatch, QStringLiteral("“%1”的值不是该字段能保存的类型 (%2)").arg(field, engineText), -1, field};
}

} // namespace

StoreError errorFromServer(const QString &sqlState, const QString &engineText, const QString &server)
{
    // The named constraints and the unique index are the same on the server.
    static const QRegularExpression constraint(QStringLiteral("constraint \"(len|range|kind)_([^\"]+)\""));
    if (sqlState == u"23514") {
        if (const auto m = constraint.match(engineText); m.hasMatch())
            return constraintError(m.captured(1), m.captured(2), engineText);
    }
    if (sqlState == u"23505")
        return {code::DuplicateKey, QStringLiteral("编号重复 (%1)").arg(engineText), -1, QStringLiteral("编号")};
    if (sqlState == u"22003")
        return {code::Overflow, QStringLiteral("数值超出范围 (%1)").arg(engineText)};
    // Connection failures (class 08), the server shutting down (57P0x), or
    // a connection gone without a word.
    if (sqlState.startsWith(QLatin1String("08")) || sqlState.startsWith(QLatin1String("57P"))
        || engineText.contains(QLatin1String("server closed the connection"))
        || engineText.contains(QLatin1String("no connection to the server"))
        || engineText.contains(QLatin1String("could not connect")))
        return {code::ServerAway,
                QStringLiteral("无法连接数据库服务器%1。请检查网络和服务器，再试一次。\n(%2)")
                    .arg(server.isEmpty() ? QString() : QStringLiteral(" ") + server, engineText)};
    if (sqlState == u"28P01" || sqlState == u"28000")
        return {code::Engine, QStringLiteral("数据库服务器拒绝了用户名或密码，请检查设置中的服务器地址。\n(%1)").arg(engineText)};
    if (sqlState == u"3D000")
        return {code::Engine, QStringLiteral("数据库服务器上没有这个数据库，请检查设置中的服务器地址。\n(%1)").arg(engineText)};
    return {code::Engine, engineText};
}

StoreError errorFromEngine(int sqliteCode, const QString &engineText)
{
    // The named CHECK constraints carry the field and the error they stand for.
    static const QRegularExpression constraint(QStringLiteral("CHECK constraint failed: (len|range|kind)_(\\S+)"));
    if (const auto m = constraint.match(engineText); m.hasMatch())
        return constraintError(m.captured(1), m.captured(2), engineText);
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
