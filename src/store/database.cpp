#include "store/database.h"

#include "store/chineseorder.h"

#include "common/sitesettings.h"
#include "store/fields.h"
#include "store/serveraddress.h"
#include "store/serverwatch.h"
#include "store/sqlitefunctions.h"

#include <QAtomicInt>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>
#include <functional>

#include <libpq-fe.h>
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

std::function<void()> &longWaitObserver()
{
    static std::function<void()> observer;
    return observer;
}

// A URI with mode=rw makes SQLite refuse to create a missing file; the
// driver itself would always create one.
QString uriFor(const QString &path, bool mayCreate)
{
    const QByteArray encoded = QUrl::toPercentEncoding(QFileInfo(path).absoluteFilePath(), "/");
    return QStringLiteral("file:%1?mode=%2").arg(QString::fromLatin1(encoded), mayCreate ? QStringLiteral("rwc") : QStringLiteral("rw"));
}

StoreError engineError(const QString &text) { return {code::Engine, text}; }


// The password in a server location as written, even in an address that
// is no well-formed URL.
QString passwordIn(const QString &location)
{
    const PasswordSpan span = passwordSpan(location);
    return location.mid(span.from, span.size);
}

// text with the password of location taken out, as written and decoded,
// and each part of it around a raw '@', which a reader of the address may
// have taken for the server's name.
QString withoutPassword(QString text, const QString &location)
{
    const QString password = passwordIn(location);
    if (password.isEmpty())
        return text;
    QStringList secrets{password, QUrl::fromPercentEncoding(password.toUtf8())};
    for (const QString &part : password.split(u'@'))
        if (part.size() >= 3)
            secrets << part;
    for (const QString &secret : std::as_const(secrets))
        text.replace(secret, QStringLiteral("***"));
    return text;
}

bool registerFunctions(QSqlDatabase &db)
{
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return false;
    sqlite3 *h = *static_cast<sqlite3 *const *>(handle.constData());
    return h && registerJetLike(h) && registerDateTest(h) && registerChineseOrder(h);
}

// The socket of a server connection, for the watch to cut; -1 for a file.
int socketOf(const QSqlDatabase &db)
{
    const QVariant handle = db.driver()->handle();
    // Qt names the handle by libpq's struct (pg_conn*), not by its typedef.
    if (!handle.isValid()
        || (qstrcmp(handle.typeName(), "pg_conn*") != 0 && qstrcmp(handle.typeName(), "PGconn*") != 0))
        return -1;
    PGconn *connection = *static_cast<PGconn *const *>(handle.constData());
    return connection ? PQsocket(connection) : -1;
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

// Where the jobs are, as a message names it.
QString placeOf(const QString &path, Engine engine)
{
    return engine == Engine::SQLite ? QStringLiteral("数据库文件“%1”").arg(path)
                                    : QStringLiteral("数据库服务器 %1 上的数据库").arg(displayedAddress(path));
}

// The columns 客户信息 has; empty when there is no such table.
common::Result<QStringList> tableColumns(const Database &db)
{
    QSqlQuery q(db.sql());
    q.setForwardOnly(true);
    const QString sql = db.engine() == Engine::SQLite
        ? QStringLiteral("SELECT name FROM pragma_table_info('客户信息')")
        : QStringLiteral("SELECT column_name FROM information_schema.columns "
                         "WHERE table_schema = current_schema() AND table_name = '客户信息'");
    if (!db.exec(q, sql))
        return db.failure(q.lastError());
    QStringList present;
    while (db.next(q))
        present << q.value(0).toString();
    return present;
}

// The table must hold every field: a window bound to a missing one would
// show blanks and drop what was typed.
common::Result<void> checkTable(const Database &db)
{
    const common::Result<QStringList> columns = tableColumns(db);
    if (columns.failed()) {
        StoreError e = columns.error();
        e.text = QStringLiteral("无法读取%1：%2").arg(placeOf(db.path(), db.engine()), e.text);
        return e;
    }
    const QStringList &present = *columns;
    if (present.isEmpty())
        return engineError(QStringLiteral("%1中没有表“客户信息”。请检查数据库的位置是否选对了。")
                               .arg(placeOf(db.path(), db.engine())));
    QStringList missing;
    for (const FieldDef &f : fields())
        if (!present.contains(f.name, Qt::CaseInsensitive))
            missing << f.name;
    if (!missing.isEmpty())
        return engineError(QStringLiteral("%1中的表“客户信息”缺少以下字段：%2。\n"
                                          "这不是本程序的维修记录表，或者表被改动过；请检查数据库的位置。")
                               .arg(placeOf(db.path(), db.engine()), missing.join(QStringLiteral("、"))));
    return {};
}

// The statements in one transaction; the first failure undoes them all.
common::Result<void> runInTransaction(const Database &db, const QStringList &statements)
{
    return inTransaction(db, [&]() -> common::Result<void> {
        for (const QString &statement : statements) {
            QSqlQuery q(db.sql());
            if (!db.exec(q, statement))
                return db.failure(q.lastError());
        }
        return {};
    });
}

// Why a connection to the server failed: libpq says it in words, and a
// refused connection carries no SQLSTATE of its own.
QString connectionState(const QString &sqlState, const QString &text)
{
    if (!sqlState.isEmpty())
        return sqlState;
    if (text.contains(QLatin1String("password authentication failed"))
        || text.contains(QLatin1String("no password supplied")))
        return QStringLiteral("28P01");
    if (text.contains(QLatin1String("no pg_hba.conf entry"))
        || (text.contains(QLatin1String("role \"")) && text.contains(QLatin1String("does not exist"))))
        return QStringLiteral("28000");
    if (text.contains(QLatin1String("database \"")) && text.contains(QLatin1String("does not exist")))
        return QStringLiteral("3D000");
    return QStringLiteral("08001");
}

StoreError connectionRefused(const QSqlError &error, const QString &address, const QString &shown)
{
    const QString text = withoutPassword(error.databaseText().isEmpty() ? error.text() : error.databaseText(), address);
    return errorFromServer(connectionState(error.nativeErrorCode(), text), text, shown);
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
        // A server that does not answer is said within seconds, not minutes.
        db.setConnectOptions(address->connectOptions() + u';' + serverConnectOptions());
        if (db.open())
            return {};
        return connectionRefused(db.lastError(), text, address->shown());
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

QString placeOfJobs(const QString &location)
{
    return placeOf(location, isServerAddress(location) ? Engine::PostgreSQL : Engine::SQLite);
}

QString givenServer() { return qEnvironmentVariable("CORVALE_DATABASE").trimmed(); }

common::Result<QString> jobTableLocation(const QString &folder, const common::SiteSettings &settings)
{
    const QString given = givenServer();
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

void setLongWaitObserver(std::function<void()> observer) { longWaitObserver() = std::move(observer); }

// One round trip: watched on a server, timed everywhere.
class Database::RoundTrip {
public:
    explicit RoundTrip(const Database &db) : m_db(db)
    {
        m_started.start();
        if (m_db.m_watch)
            m_db.m_watch->arm(m_db.m_socket, answerLimitMs);
    }
    ~RoundTrip()
    {
        if (m_db.m_watch)
            m_db.m_cut = m_db.m_watch->disarm();
        if (m_started.elapsed() >= longWaitMs && longWaitObserver())
            longWaitObserver()();
    }
    RoundTrip(const RoundTrip &) = delete;
    RoundTrip &operator=(const RoundTrip &) = delete;

private:
    const Database &m_db;
    QElapsedTimer m_started;
};

Database::Database(QString path, QString connection, Engine engine)
    : m_path(std::move(path)), m_connection(std::move(connection)), m_engine(engine)
{
    if (m_engine == Engine::PostgreSQL) {
        m_watch = std::make_unique<ServerWatch>();
        watchConnection();
    }
}

Database::~Database() { disconnect(m_connection); }

QSqlDatabase Database::sql() const { return QSqlDatabase::database(m_connection, false); }

void Database::watchConnection() const { m_socket = socketOf(sql()); }

bool PreparedStatements::prepare(const Database &db, QSqlQuery &q, const QString &sql)
{
    if (db.prepare(q, sql))
        return true;
    failure = db.failure(q.lastError());
    return false;
}

bool Database::prepare(QSqlQuery &q, const QString &sql) const
{
    const RoundTrip trip(*this);
    return q.prepare(sql);
}

bool Database::exec(QSqlQuery &q) const
{
    const RoundTrip trip(*this);
    return q.exec();
}

bool Database::exec(QSqlQuery &q, const QString &sql) const
{
    const RoundTrip trip(*this);
    return q.exec(sql);
}

bool Database::next(QSqlQuery &q) const
{
    // Only a server sends rows as they are read.
    if (m_engine == Engine::SQLite)
        return q.next();
    const RoundTrip trip(*this);
    return q.next();
}

bool Database::begin() const
{
    const RoundTrip trip(*this);
    return sql().transaction();
}

bool Database::commit() const
{
    const RoundTrip trip(*this);
    m_committing = true;
    const bool done = sql().commit();
    m_committing = !done; // read by failure(), which a caller asks next
    return done;
}

void Database::rollback() const
{
    const RoundTrip trip(*this);
    sql().rollback();
    m_committing = false;
}

common::Result<std::unique_ptr<Database>> Database::open(const QString &path)
{
    if (isServerAddress(path)) {
        const QString connection = newConnectionName();
        if (const auto connected = connectServer(connection, path); connected.failed())
            return connected;
        std::unique_ptr<Database> db(new Database(path, connection, Engine::PostgreSQL));
        const common::Result<QStringList> columns = tableColumns(*db);
        if (columns.failed())
            return columns.error();
        // An empty database on a new server gets the table.
        if (columns->isEmpty()) {
            if (const auto made = runInTransaction(*db, serverSchemaStatements()); made.failed()) {
                StoreError e = made.error();
                e.text = QStringLiteral("无法在服务器 %1 上建立表“客户信息”：%2").arg(displayedAddress(path), e.text);
                return e;
            }
        }
        if (const auto checked = checkTable(*db); checked.failed())
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
    if (const auto checked = checkTable(*db); checked.failed())
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
    if (const auto made = runInTransaction(*db, schemaStatements()); made.failed()) {
        db.reset();
        QFile::remove(path);
        return made;
    }
    return db;
}

StoreError Database::failure(const QSqlError &error) const
{
    if (m_engine == Engine::SQLite)
        return errorFromSql(error, m_engine);
    const QString text = withoutPassword(error.databaseText().isEmpty() ? error.text() : error.databaseText(), m_path);
    // A round trip the watch cut is said as such: libpq's words for the
    // closed socket ("server closed the connection") are not what happened.
    StoreError e = m_cut ? errorFromServer(QStringLiteral("57014"), QString(), displayedAddress(m_path))
                         : errorFromServer(error.type() == QSqlError::ConnectionError && error.nativeErrorCode().isEmpty()
                                               ? QStringLiteral("08000")
                                               : error.nativeErrorCode(),
                                           text, displayedAddress(m_path));
    if (e.code == code::ServerAway || m_cut) {
        m_lost = true;
        m_loss = m_cut ? Loss::Cut : m_committing ? Loss::AtCommit : Loss::Closed;
    }
    m_committing = false;
    return e;
}

bool Database::mayRetry(const StoreError &error) const
{
    return error.code == code::ServerAway && m_lost && m_loss == Loss::Closed;
}

common::Result<void> Database::reconnectIfLost() const
{
    if (!m_lost)
        return {};
    QSqlDatabase db = sql();
    db.close();
    m_cut = false;
    if (!db.open())
        return connectionRefused(db.lastError(), m_path, displayedAddress(m_path));
    watchConnection();
    m_lost = false;
    m_loss = Loss::None;
    ++m_generation;
    return {};
}

namespace {

// A file written by an earlier version: yes/no flags and the two never-NULL
// texts get a value in every row (PRAGMA user_version 1).
common::Result<void> bringFileUpToDate(const Database &db)
{
    constexpr int currentVersion = 1;
    QSqlQuery q(db.sql());
    if (!db.exec(q, QStringLiteral("PRAGMA user_version")) || !db.next(q))
        return db.failure(q.lastError());
    if (q.value(0).toInt() >= currentVersion)
        return {};
    q.finish();
    QStringList statements;
    for (const FieldDef &f : fields()) {
        if (f.kind == FieldKind::JobNumber || !f.neverNull())
            continue;
        const QVariant none = noValue(f);
        statements << QStringLiteral("UPDATE 客户信息 SET %1 = %2 WHERE %1 IS NULL")
                          .arg(f.name, none.typeId() == QMetaType::QString ? QStringLiteral("''") : none.toString());
    }
    statements << QStringLiteral("PRAGMA user_version = %1").arg(currentVersion);
    return runInTransaction(db, statements);
}

// A server table made by an earlier version: real date and time checks
// and the photo table (serverUpgradeStatements).
common::Result<void> bringServerUpToDate(const Database &db)
{
    QSqlQuery q(db.sql());
    if (!db.exec(q, QStringLiteral("SELECT obj_description('\"%1\"'::regclass, 'pg_class')").arg(tableName()))
        || !db.next(q))
        return db.failure(q.lastError());
    if (q.value(0).toString() == serverSchemaMark())
        return {};
    q.finish();
    return runInTransaction(db, serverUpgradeStatements());
}

} // namespace

common::Result<void> bringUpToDate(Database &db)
{
    const common::Result<void> done =
        db.engine() == Engine::SQLite ? bringFileUpToDate(db) : bringServerUpToDate(db);
    if (done.failed())
        return done.error().reworded(
            QStringLiteral("%1未能更新到本版本的格式：%2").arg(placeOf(db.path(), db.engine()), done.error().text));
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
        return StoreError{code::FieldTooSmall,
                          QStringLiteral("“%1”最多只能存 %2 个字，请删短后再保存。").arg(field).arg(def ? def->maxLength : 0),
                          -1, field}
            .withDetail(engineText);
    if (kind == u"range")
        return StoreError{code::Overflow, QStringLiteral("“%1”的数超出了能存的范围（-32768 到 32767），请改正后再保存。").arg(field),
                          -1, field}
            .withDetail(engineText);
    QString expected = QStringLiteral("这个字段能存的值");
    if (def && def->kind == FieldKind::Date)
        expected = QStringLiteral("一个真实的日期，例如 2025-5-18");
    else if (def && def->kind == FieldKind::Time)
        expected = QStringLiteral("一个真实的时间，例如 09:30:00");
    else if (def && def->kind == FieldKind::Number)
        expected = QStringLiteral("一个数");
    else if (def && def->kind == FieldKind::YesNo)
        expected = QStringLiteral("是或否");
    return StoreError{code::TypeMismatch, QStringLiteral("“%1”应是%2，请改正后再保存。").arg(field, expected), -1, field}
        .withDetail(engineText);
}

} // namespace

namespace {

// The password file libpq would read (PGPASSFILE, else ~/.pgpass) when it
// exists with any access for group or others, which libpq refuses; empty otherwise.
QString passwordFileOthersCanRead()
{
    const QString file = qEnvironmentVariableIsEmpty("PGPASSFILE") ? QDir::home().filePath(QStringLiteral(".pgpass"))
                                                                   : qEnvironmentVariable("PGPASSFILE");
    const QFileInfo info(file);
    constexpr QFile::Permissions othersMay = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther
        | QFile::WriteOther | QFile::ExeOther;
    return info.isFile() && (info.permissions() & othersMay) ? file : QString();
}

} // namespace

StoreError errorFromServer(const QString &sqlState, const QString &engineText, const QString &server)
{
    const QString at = server.isEmpty() ? QString() : QStringLiteral(" %1 ").arg(server);
    const auto said = [&engineText](int code, const QString &what) {
        return StoreError{code, what}.withDetail(engineText);
    };
    // The named constraints and the unique index are the same on the server.
    static const QRegularExpression constraint(QStringLiteral("constraint \"(len|range|kind)_([^\"]+)\""));
    if (sqlState == u"23514") {
        if (const auto m = constraint.match(engineText); m.hasMatch())
            return constraintError(m.captured(1), m.captured(2), engineText);
    }
    if (sqlState == u"23505")
        return StoreError{code::DuplicateKey, QStringLiteral("这个编号已经有记录了，编号不能重复。"), -1,
                          QStringLiteral("编号")}
            .withDetail(engineText);
    if (sqlState == u"22003")
        return said(code::Overflow, QStringLiteral("数超出了能存的范围，请改正后再保存。"));
    // The server's own limits (a statement, a lock another desk holds, an
    // idle transaction), a deadlock, or a round trip cut by the desk's watch.
    if (sqlState == u"57014" || sqlState == u"55P03" || sqlState == u"25P03" || sqlState == u"40P01"
        || sqlState == u"40001")
        return said(code::Busy, QStringLiteral("数据库服务器%1忙或没有回应（也可能另一台电脑正在修改同一条记录），"
                                               "这一步在几秒内没有完成，没有做成。\n请稍候再试一次；"
                                               "如果一直如此，请检查服务器和网络。")
                                    .arg(at));
    if (sqlState == u"28P01" && engineText.contains(QLatin1String("no password supplied"))) {
        // libpq skips a password file others may read, with only a warning
        // on the terminal: the clerk sees "no password" and nothing of why.
        if (const QString file = passwordFileOthersCanRead(); !file.isEmpty())
            return said(code::Engine, QStringLiteral("数据库服务器%1要密码，而密码文件 %2 别的用户也能读，"
                                                     "所以没有用它。\n请执行 chmod 600 %2，再试一次。")
                                          .arg(at, QDir::toNativeSeparators(file)));
    }
    if (sqlState == u"28P01")
        return said(code::Engine, QStringLiteral("数据库服务器%1不接受这个用户名和密码。\n"
                                                 "请改正服务器地址中的密码（或 ~/.pgpass 中的密码）。")
                                      .arg(at));
    if (sqlState == u"28000")
        return said(code::Engine, QStringLiteral("数据库服务器%1不让这个用户从这台电脑连接：用户名不对，"
                                                 "或者服务器没有允许这台电脑（pg_hba.conf）。\n"
                                                 "请检查用户名，或请管理员在服务器上允许这台电脑。")
                                      .arg(at));
    if (sqlState == u"3D000")
        return said(code::Engine, QStringLiteral("数据库服务器%1上没有地址中写的那个数据库。\n"
                                                 "请检查服务器地址最后的数据库名。")
                                      .arg(at));
    // Connection failures (class 08), the server shutting down (57P0x), or
    // a connection gone without a word.
    if (sqlState.startsWith(QLatin1String("08")) || sqlState.startsWith(QLatin1String("57P"))
        || engineText.contains(QLatin1String("server closed the connection"))
        || engineText.contains(QLatin1String("no connection to the server"))
        || engineText.contains(QLatin1String("could not connect"))) {
        if (engineText.contains(QLatin1String("SSL")) && !engineText.contains(QLatin1String("SSL SYSCALL")))
            return said(code::ServerAway, QStringLiteral("数据库服务器%1没有建立加密连接：地址中要求了加密（sslmode），"
                                                         "而服务器没有开启 SSL，或者它的证书不能通过检查。\n"
                                                         "请管理员在服务器上开启 SSL，或检查地址中的 sslmode。")
                                              .arg(at));
        if (engineText.contains(QLatin1String("could not translate host name")))
            return said(code::ServerAway, QStringLiteral("找不到数据库服务器%1：服务器的名字或地址不对，或者这台电脑没有连上网络。\n"
                                                         "请检查网络，以及服务器地址中服务器的名字。")
                                              .arg(at));
        if (engineText.contains(QLatin1String("Connection refused")))
            return said(code::ServerAway, QStringLiteral("数据库服务器%1没有接受连接：服务器上的数据库没有开，"
                                                         "或者地址中的端口不对（通常是 5432）。\n"
                                                         "请检查服务器是否开着，以及服务器地址中的端口。")
                                              .arg(at));
        if (engineText.contains(QLatin1String("timeout expired")) || engineText.contains(QLatin1String("No route to host"))
            || engineText.contains(QLatin1String("unreachable")))
            return said(code::ServerAway, QStringLiteral("在几秒内连不上数据库服务器%1：服务器没有开，或者网络不通。\n"
                                                         "请检查网络和服务器，再试一次。")
                                              .arg(at));
        return said(code::ServerAway, QStringLiteral("与数据库服务器%1的连接断了，这一步没有做成。\n请检查网络和服务器，再试一次。")
                                          .arg(at));
    }
    return said(code::Engine, QStringLiteral("数据库服务器%1出错，这一步没有做成。请再试一次；如果一直如此，"
                                             "请把详细信息告诉维护人员。")
                                  .arg(at));
}

namespace {

// Qt hands some failures over without SQLite's code (or as a bare
// SQLITE_ERROR), a commit the disk refused among them; SQLite's own words
// for the code are in the text all the same.
int codeNamedIn(int sqliteCode, const QString &engineText)
{
    static constexpr int kSaid[] = {SQLITE_LOCKED, SQLITE_BUSY,    SQLITE_READONLY, SQLITE_IOERR, SQLITE_FULL,
                                    SQLITE_CORRUPT, SQLITE_NOTADB, SQLITE_CANTOPEN, SQLITE_PERM,  SQLITE_AUTH};
    if (std::find(std::begin(kSaid), std::end(kSaid), sqliteCode & 0xff) != std::end(kSaid))
        return sqliteCode;
    for (int known : kSaid)
        if (engineText.contains(QLatin1String(sqlite3_errstr(known))))
            return known;
    return sqliteCode;
}

} // namespace

StoreError errorFromEngine(int sqliteCode, const QString &engineText)
{
    // The named CHECK constraints carry the field and the error they stand for.
    static const QRegularExpression constraint(QStringLiteral("CHECK constraint failed: (len|range|kind)_(\\S+)"));
    if (const auto m = constraint.match(engineText); m.hasMatch())
        return constraintError(m.captured(1), m.captured(2), engineText);
    if (engineText.contains(QLatin1String("UNIQUE constraint failed")))
        return StoreError{code::DuplicateKey, QStringLiteral("这个编号已经有记录了，编号不能重复。"), -1,
                          QStringLiteral("编号")}
            .withDetail(engineText);
    const auto said = [&engineText](int code, const QString &what) {
        return StoreError{code, what}.withDetail(engineText);
    };
    switch (codeNamedIn(sqliteCode, engineText) & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return said(code::Busy, QStringLiteral("数据库文件正被另一个程序使用，暂时无法读写，这一步没有做成。\n"
                                               "请稍候再试；如果一直如此，请关闭正在使用该文件的其他程序。"));
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return said(code::ReadOnly, QStringLiteral("数据库文件不允许写入，这一步没有做成。\n"
                                                   "请检查该文件及其所在的文件夹是否允许写入（文件的权限和属性）。"));
    case SQLITE_IOERR:
        return said(code::Engine, QStringLiteral("读写数据库文件时出错（磁盘出错，或者文件被设成了不许改动），这一步没有做成。\n"
                                                 "请检查磁盘，以及该文件的权限和属性（chattr -i）后再试。"));
    case SQLITE_FULL:
        return said(code::Engine, QStringLiteral("磁盘已满，这一步没有做成。请清理出磁盘空间后再试。"));
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return said(code::Engine, QStringLiteral("数据库文件已损坏。请退出程序，从“备份”文件夹中恢复最近的备份。"));
    case SQLITE_CANTOPEN:
        return said(code::Engine, QStringLiteral("无法打开数据库文件。请检查文件是否存在、是否允许读写。"));
    default:
        return said(code::Engine, QStringLiteral("数据库出错，这一步没有做成。请再试一次；如果一直如此，"
                                                 "请把详细信息告诉维护人员。"));
    }
}

} // namespace store
