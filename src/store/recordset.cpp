#include "store/recordset.h"

#include "store/database.h"
#include "store/fields.h"
#include "store/jetsql.h"
#include "store/storedvalue.h"

#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>

namespace store {

namespace {

constexpr int cacheLimit = 4096;

QString columnList()
{
    QStringList names;
    for (const FieldDef &f : fields())
        names << quoted(f.name);
    return names.join(QStringLiteral(", "));
}

QString table() { return quoted(tableName()); }

int fieldIndex(const QString &name)
{
    const QVector<FieldDef> &defs = fields();
    for (int i = 0; i < defs.size(); ++i)
        if (defs.at(i).name == name)
            return i;
    return -1;
}

StoreError noCurrentRecord()
{
    return {code::NoCurrentRecord, QStringLiteral("没有当前记录 (no current record)"), -1, {}};
}

StoreError syntaxError(const JetTranslation &t)
{
    return {code::Syntax, QStringLiteral("%1（位置 %2）").arg(t.error).arg(t.errorPosition + 1)};
}

// An empty row with every field of the table, in table order.
QSqlRecord emptyRecord()
{
    static const QSqlRecord record = [] {
        QSqlRecord r;
        for (const FieldDef &f : fields()) {
            QMetaType type;
            switch (f.kind) {
            case FieldKind::JobNumber:
            case FieldKind::YesNo:
                type = QMetaType(QMetaType::Int);
                break;
            case FieldKind::Number:
                type = QMetaType(QMetaType::Double);
                break;
            default:
                type = QMetaType(QMetaType::QString);
            }
            r.append(QSqlField(f.name, type, tableName()));
        }
        return r;
    }();
    return record;
}

// Runs work inside one transaction; rolls back when it reports a failure.
template <typename Work>
common::Result<void> inTransaction(const Database &database, Work work)
{
    QSqlDatabase db = database.sql();
    if (!db.transaction())
        return database.failure(db.lastError());
    if (const common::Result<void> done = work(); done.failed()) {
        db.rollback();
        return done;
    }
    if (!db.commit()) {
        const StoreError e = database.failure(db.lastError());
        db.rollback();
        return e;
    }
    return {};
}

common::Result<void> exec(const Database &db, QSqlQuery &q)
{
    if (q.exec())
        return {};
    const StoreError e = db.failure(q.lastError());
    q.finish();
    return e;
}

} // namespace

// Statements prepared once per connection. When one cannot be prepared (a
// file that went away, a busy schema), every use says why. On the server a
// row is read with its row version (xmin), which an update must still find.
struct RecordSet::Statements {
    explicit Statements(const Database &db)
        : generation(db.generation()), fetchRow(db.sql()), insertRow(db.sql()), deleteRow(db.sql()),
          keyExists(db.sql())
    {
        const QString key = rowKey(db.engine());
        const QString version = db.engine() == Engine::PostgreSQL ? QStringLiteral(", xmin::text") : QString();
        QStringList marks;
        for (int i = 0; i < fields().size(); ++i)
            marks << QStringLiteral("?");
        fetchRow.setForwardOnly(true);
        keyExists.setForwardOnly(true);
        prepared = prepare(db, fetchRow, QStringLiteral("SELECT %1%2 FROM %3 WHERE %4 = ?").arg(columnList(), version, table(), key))
            && prepare(db, insertRow, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) RETURNING %4")
                                          .arg(table(), columnList(), marks.join(QLatin1Char(',')), key))
            && prepare(db, deleteRow, QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(table(), key))
            && prepare(db, keyExists, QStringLiteral("SELECT 1 FROM %1 WHERE %2 = ?").arg(table(), key));
    }
    bool prepare(const Database &db, QSqlQuery &q, const QString &sql)
    {
        if (q.prepare(sql))
            return true;
        failure = db.failure(q.lastError());
        return false;
    }
    int generation;
    QSqlQuery fetchRow;
    QSqlQuery insertRow;
    QSqlQuery deleteRow;
    QSqlQuery keyExists;
    bool prepared = false;
    StoreError failure;
};

RecordSet::RecordSet(Database &db, QObject *parent)
    : QObject(parent), m_statements(std::make_unique<Statements>(db)), m_db(db)
{
}

common::Result<void> RecordSet::connected()
{
    if (const auto e = m_db.reconnectIfLost(); e.failed())
        return e;
    // The statements of a lost connection went with it.
    if (m_statements->generation != m_db.generation())
        m_statements = std::make_unique<Statements>(m_db);
    return {};
}

RecordSet::~RecordSet() = default;

// ---------------------------------------------------------------- source

common::Result<void> RecordSet::load(const QString &source, QVector<qint64> *keys) const
{
    const JetTranslation t = translateJet(source, m_db.engine());
    if (!t.ok)
        return syntaxError(t);
    if (t.kind != JetTranslation::Kind::Select)
        return {code::Syntax, QStringLiteral("记录源必须是 select 语句或表名 (a record source must select rows)")};
    QSqlQuery q(m_db.sql());
    if (const auto e = select(q, t.keySql, t.params); e.failed())
        return e;
    keys->clear();
    while (q.next())
        keys->append(q.value(0).toLongLong());
    return {};
}

common::Result<void> RecordSet::select(QSqlQuery &q, const QString &sql, const QVariantList &params) const
{
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        return m_db.failure(q.lastError());
    for (const QVariant &p : params)
        q.addBindValue(p);
    if (!q.exec())
        return m_db.failure(q.lastError());
    return {};
}

common::Result<void> RecordSet::setRecordSource(const QString &source)
{
    if (const auto e = leaveRow(); e.failed())
        return e;
    if (const auto e = connected(); e.failed())
        return e;
    QVector<qint64> keys;
    if (const auto e = load(source, &keys); e.failed())
        return e;
    invalidateCache();
    if (!keys.isEmpty()) {
        common::Result<QSqlRecord> first = readKey(keys.first());
        if (first.failed())
            return first.error();
    }
    m_source = source;
    setKeys(std::move(keys));
    emit rowsReset();
    setPosition(0);
    return {};
}

common::Result<void> RecordSet::refresh() { return setRecordSource(m_source); }

void RecordSet::setKeys(QVector<qint64> keys)
{
    m_keys = std::move(keys);
    m_indexOfKey.clear();
    m_indexOfKey.reserve(m_keys.size());
    for (int i = 0; i < m_keys.size(); ++i)
        m_indexOfKey.insert(m_keys.at(i), i);
}

void RecordSet::invalidateCache() const { m_cache.clear(); }

// ---------------------------------------------------------------- position

int RecordSet::absolutePosition() const { return hasCurrent() ? m_pos : -1; }

bool RecordSet::hasCurrent() const
{
    return !m_currentDeleted && m_pos >= 0 && m_pos < recordCount();
}

common::Result<void> RecordSet::leaveRow()
{
    if (m_pending)
        return m_pending->writePendingEdits();
    return {};
}

common::Result<void> RecordSet::moveToRow(int pos)
{
    // The row is read before the move: a row that cannot be read leaves the
    // set where it was, rather than showing an empty row in its place.
    if (pos >= 0 && pos < recordCount()) {
        common::Result<QSqlRecord> row = readRow(pos);
        if (row.failed())
            return row.error();
    }
    setPosition(pos);
    return {};
}

void RecordSet::setPosition(int pos)
{
    m_pos = pos;
    m_currentDeleted = false;
    m_mode = EditMode::None;
    m_buffer = QSqlRecord();
    m_badValues.clear();
    m_changed.clear();
    emit repositioned();
}

common::Result<void> RecordSet::moveFirst()
{
    if (const auto e = leaveRow(); e.failed())
        return e;
    return moveToRow(0);
}

common::Result<void> RecordSet::moveLast()
{
    if (const auto e = leaveRow(); e.failed())
        return e;
    return moveToRow(m_keys.isEmpty() ? 0 : recordCount() - 1);
}

common::Result<void> RecordSet::moveNext()
{
    if (m_keys.isEmpty() || (eof() && !m_currentDeleted))
        return noCurrentRecord();
    if (const auto e = leaveRow(); e.failed())
        return e;
    const int target = m_currentDeleted ? m_pos : m_pos + 1;
    return moveToRow(qMin(target, recordCount()));
}

common::Result<void> RecordSet::movePrevious()
{
    if (bof())
        return noCurrentRecord();
    if (const auto e = leaveRow(); e.failed())
        return e;
    return moveToRow(qMax(m_pos - 1, -1));
}

common::Result<void> RecordSet::moveTo(int index)
{
    if (index < 0 || index >= recordCount())
        return noCurrentRecord();
    if (const auto e = leaveRow(); e.failed())
        return e;
    return moveToRow(index);
}

common::Result<void> RecordSet::findFirst(const QString &criterion)
{
    const JetTranslation t = translateJetCondition(criterion, m_db.engine());
    if (!t.ok)
        return syntaxError(t);
    if (const auto e = leaveRow(); e.failed())
        return e;
    if (const auto e = connected(); e.failed())
        return e;
    QSqlQuery q(m_db.sql());
    if (const auto e = select(q, QStringLiteral("SELECT %1 FROM %2 WHERE ").arg(rowKey(m_db.engine()), table()) + t.sql,
                              t.params);
        e.failed())
        return e;
    int best = -1;
    while (q.next()) {
        const int index = m_indexOfKey.value(q.value(0).toLongLong(), -1);
        if (index >= 0 && (best < 0 || index < best))
            best = index;
    }
    m_noMatch = best < 0;
    if (!m_noMatch)
        return moveToRow(best);
    return {};
}

// ---------------------------------------------------------------- reading

common::Result<QSqlRecord> RecordSet::readKey(qint64 key) const
{
    if (auto it = m_cache.constFind(key); it != m_cache.constEnd())
        return *it;
    if (const auto e = const_cast<RecordSet *>(this)->connected(); e.failed())
        return e;
    QSqlQuery &q = m_statements->fetchRow;
    if (!m_statements->prepared)
        return m_statements->failure;
    q.bindValue(0, key);
    if (!q.exec()) {
        const StoreError e = m_db.failure(q.lastError());
        q.finish();
        if (e.code == code::Busy)
            m_quietUntil = QDeadlineTimer(busyWaitMs);
        return e;
    }
    if (!q.next()) {
        q.finish();
        return StoreError{code::NoCurrentRecord, QStringLiteral("这条记录已被删除 (the row is gone)"), -1, {}};
    }
    QSqlRecord record = emptyRecord();
    const QVector<FieldDef> &defs = fields();
    for (int i = 0; i < defs.size(); ++i)
        record.setValue(i, fromStored(defs.at(i), q.value(i)));
    if (m_db.engine() == Engine::PostgreSQL)
        m_versions.insert(key, q.value(int(defs.size())).toString());
    q.finish(); // never hold a read lock between calls
    if (m_cache.size() >= cacheLimit)
        m_cache.clear();
    m_cache.insert(key, record);
    return record;
}

common::Result<QSqlRecord> RecordSet::readRow(int index) const
{
    const qint64 key = keyAt(index);
    if (key == kNoKey)
        return noCurrentRecord();
    return readKey(key);
}

QSqlRecord RecordSet::rowAt(int index) const
{
    const qint64 key = keyAt(index);
    if (key == kNoKey)
        return {};
    // While another program holds the file, the grid does not wait row by
    // row; what it cannot read stays blank until it is drawn again.
    if (!m_cache.contains(key) && !m_quietUntil.hasExpired())
        return {};
    common::Result<QSqlRecord> row = readKey(key);
    return row.ok() ? *row : QSqlRecord();
}

QSqlRecord RecordSet::current() const
{
    if (m_mode != EditMode::None)
        return m_buffer;
    if (!hasCurrent())
        return {};
    // Moves read their row before they happen, so it is in the cache.
    common::Result<QSqlRecord> row = readRow(m_pos);
    return row.ok() ? *row : QSqlRecord();
}

QVariant RecordSet::value(const QString &field) const
{
    return current().value(field);
}

// ---------------------------------------------------------------- editing

common::Result<void> RecordSet::addNew()
{
    if (const auto e = leaveRow(); e.failed())
        return e;
    m_buffer = emptyRecord();
    for (const FieldDef &f : fields())
        m_buffer.setValue(f.name, toStored(f, QVariant()).value);
    m_badValues.clear();
    m_changed.clear();
    m_mode = EditMode::AddNew;
    return {};
}

common::Result<void> RecordSet::edit()
{
    if (!hasCurrent())
        return noCurrentRecord();
    if (m_mode == EditMode::None) {
        // The buffer starts from the row as it was read for the screen: on a
        // server its version then is what the save must still find. A row that
        // cannot be read is a failure, never an empty row to be written back.
        common::Result<QSqlRecord> stored = readRow(m_pos);
        if (stored.failed())
            return stored.error();
        m_buffer = *stored;
        m_bufferVersion = m_versions.value(keyAt(m_pos));
        m_badValues.clear();
        m_changed.clear();
        m_mode = EditMode::Edit;
    }
    return {};
}

void RecordSet::setValue(const QString &field, const QVariant &value)
{
    const int index = fieldIndex(field);
    if (index < 0) {
        m_badValues.insert(-1, {code::Engine, QStringLiteral("客户信息中没有字段“%1”").arg(field), -1, field});
        return;
    }
    if (m_mode == EditMode::None) {
        if (const auto e = edit(); e.failed()) {
            m_badValues.insert(index, e.error());
            return;
        }
    }
    const FieldDef &f = fields().at(index);
    const StoredValue stored = toStored(f, value);
    if (stored.error.failed()) {
        m_badValues.insert(index, stored.error);
        return;
    }
    m_badValues.remove(index);
    m_changed.insert(index);
    m_buffer.setValue(index, fromStored(f, stored.value));
}

common::Result<void> RecordSet::update()
{
    if (m_mode == EditMode::None)
        return {code::Engine, QStringLiteral("没有 AddNew 或 Edit 就执行了 Update")};
    // The first refused field in the table's order, every time.
    if (!m_badValues.isEmpty())
        return m_badValues.first();
    const common::Result<void> e = m_mode == EditMode::AddNew ? insertBuffer() : updateBuffer();
    if (e.failed())
        return e;
    m_mode = EditMode::None;
    m_buffer = QSqlRecord();
    return {};
}

common::Result<void> RecordSet::insertBuffer()
{
    if (const auto e = connected(); e.failed())
        return e;
    if (!m_statements->prepared)
        return m_statements->failure;
    QSqlQuery &q = m_statements->insertRow;
    const QVector<FieldDef> &defs = fields();
    qint64 key = kNoKey;
    common::Result<void> e = inTransaction(m_db, [&]() -> common::Result<void> {
        for (int i = 0; i < defs.size(); ++i)
            q.bindValue(i, toStored(defs.at(i), m_buffer.value(i)).value);
        if (const auto err = exec(m_db, q); err.failed())
            return err;
        key = q.next() ? q.value(0).toLongLong() : kNoKey;
        q.finish();
        return {};
    });
    if (e.failed())
        return e;
    includeKey(key);
    return {};
}

common::Result<void> RecordSet::updateBuffer()
{
    // Only what was set is written: a column nobody changed keeps whatever
    // the file holds, even a value this program would not have stored.
    if (const auto e = connected(); e.failed())
        return e;
    const qint64 key = keyAt(m_pos);
    const Engine engine = m_db.engine();
    QStringList assignments;
    QVariantList values;
    const QVector<FieldDef> &defs = fields();
    for (int i : std::as_const(m_changed)) {
        assignments << quoted(defs.at(i).name) + QStringLiteral(" = ?");
        values << toStored(defs.at(i), m_buffer.value(i)).value;
    }
    if (assignments.isEmpty())
        return {};
    // On the server another desk may have saved the row since it was read:
    // the update then finds no row of the version read, and writes nothing.
    const bool checkVersion = engine == Engine::PostgreSQL && !m_bufferVersion.isEmpty();
    // Outlives the transaction: the server cannot free a statement inside
    // one a failure has ended.
    QSqlQuery q(m_db.sql());
    common::Result<void> e = inTransaction(m_db, [&]() -> common::Result<void> {
        QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?")
                          .arg(table(), assignments.join(QStringLiteral(", ")), rowKey(engine));
        if (checkVersion)
            sql += QStringLiteral(" AND xmin::text = ?");
        if (!q.prepare(sql))
            return m_db.failure(q.lastError());
        for (const QVariant &v : values)
            q.addBindValue(v);
        q.addBindValue(key);
        if (checkVersion)
            q.addBindValue(m_bufferVersion);
        if (const auto err = exec(m_db, q); err.failed())
            return err;
        if (q.numRowsAffected() == 0)
            return changedOrGone(key);
        return {};
    });
    m_cache.remove(key);
    if (e.failed())
        return e;
    // On the server the job number is the row's key: a new number moves it.
    const int jobNumber = 0; // 编号 comes first in the table
    if (engine == Engine::PostgreSQL && m_changed.count(jobNumber)) {
        const qint64 renumbered = m_buffer.value(jobNumber).toLongLong();
        m_indexOfKey.remove(key);
        m_keys[m_pos] = renumbered;
        m_indexOfKey.insert(renumbered, m_pos);
    }
    emit rowChanged(m_pos);
    return {};
}

common::Result<void> RecordSet::changedOrGone(qint64 key)
{
    m_cache.remove(key);
    common::Result<QSqlRecord> now = readKey(key);
    if (now.failed()) {
        if (now.error().code == code::NoCurrentRecord)
            return {code::NoCurrentRecord, QStringLiteral("这条记录已被另一台电脑删除，修改没有保存。")};
        return now.error();
    }
    // What the other desk left in the fields this one changed, so the clerk
    // can decide; the next save, made knowing it, goes through.
    QStringList theirs;
    const QVector<FieldDef> &defs = fields();
    for (int i : std::as_const(m_changed)) {
        const QVariant v = now->value(i);
        theirs << QStringLiteral("%1：%2").arg(defs.at(i).name, v.isNull() ? QStringLiteral("（空）") : v.toString());
    }
    m_bufferVersion = m_versions.value(key);
    return {code::ChangedElsewhere,
            QStringLiteral("此记录已被另一台电脑修改，您的修改没有保存。\n现在的内容是：\n%1\n"
                           "请核对后再保存；再次保存将以您的内容为准。")
                .arg(theirs.join(u'\n'))};
}

void RecordSet::cancelUpdate()
{
    m_mode = EditMode::None;
    m_buffer = QSqlRecord();
    m_badValues.clear();
    m_changed.clear();
}

common::Result<void> RecordSet::deleteCurrent()
{
    if (!hasCurrent())
        return noCurrentRecord();
    // What was typed into the row goes first, so the controls hold nothing
    // that would be written to a row that no longer exists.
    if (const auto e = leaveRow(); e.failed())
        return e;
    cancelUpdate();
    if (const auto e = connected(); e.failed())
        return e;
    if (!m_statements->prepared)
        return m_statements->failure;
    const qint64 key = keyAt(m_pos);
    QSqlQuery &q = m_statements->deleteRow;
    common::Result<void> e = inTransaction(m_db, [&]() -> common::Result<void> {
        q.bindValue(0, key);
        return exec(m_db, q);
    });
    if (e.failed())
        return e;
    m_cache.remove(key);
    QVector<qint64> keys = m_keys;
    keys.removeAt(m_pos);
    const int pos = m_pos;
    setKeys(std::move(keys));
    m_currentDeleted = true;
    m_pos = pos;
    emit rowsReset();
    emit repositioned();
    return {};
}

common::Result<qint16> RecordSet::appendJob(qint16 number)
{
    if (const auto e = leaveRow(); e.failed())
        return e;
    if (const auto e = connected(); e.failed())
        return e;
    // Which row, if any, holds the number now, and is it one this set shows?
    QSqlQuery q(m_db.sql());
    if (const auto e = select(q,
                              QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?")
                                  .arg(rowKey(m_db.engine()), table(), quoted(fields().first().name)),
                              {int(number)});
        e.failed())
        return e;
    const bool shown = q.next() && m_indexOfKey.contains(q.value(0).toLongLong());
    q.finish();
    if (shown)
        return StoreError{code::DuplicateKey, QStringLiteral("编号 %1 已有记录").arg(number), -1,
                          fields().first().name};
    for (int n = number; n <= 32767; ++n) {
        if (const auto e = addNew(); e.failed())
            return e;
        setValue(fields().first().name, n);
        const common::Result<void> e = update();
        if (e.ok())
            return qint16(n);
        cancelUpdate();
        if (e.error().code != code::DuplicateKey)
            return e;
    }
    return StoreError{code::DuplicateKey, QStringLiteral("编号 %1 以后已没有空号").arg(number), -1,
                      fields().first().name};
}

common::Result<void> RecordSet::execute(const QString &jetStatement)
{
    const JetTranslation t = translateJet(jetStatement, m_db.engine());
    if (!t.ok)
        return syntaxError(t);
    if (t.kind != JetTranslation::Kind::InsertCopy)
        return {code::Syntax, QStringLiteral("只能执行 INSERT 语句 (not an action statement)")};
    if (const auto e = connected(); e.failed())
        return e;
    QSqlQuery q(m_db.sql());
    return inTransaction(m_db, [&]() -> common::Result<void> {
        if (!q.prepare(t.sql))
            return m_db.failure(q.lastError());
        for (const QVariant &p : t.params)
            q.addBindValue(p);
        return exec(m_db, q);
    });
}

common::Result<void> RecordSet::copyCurrent(qint16 newNumber, const QVariantMap &overrides, qint64 *newKey)
{
    if (!hasCurrent())
        return noCurrentRecord();
    if (const auto e = leaveRow(); e.failed())
        return e;
    if (!hasCurrent())
        return noCurrentRecord();
    QStringList expressions;
    QVariantList values;
    for (auto it = overrides.constBegin(); it != overrides.constEnd(); ++it)
        if (!findField(it.key()))
            return {code::Engine, QStringLiteral("客户信息中没有字段“%1”").arg(it.key())};
    for (const FieldDef &f : fields()) {
        if (f.kind == FieldKind::JobNumber) {
            expressions << typedParameter(m_db.engine(), f);
            values << int(newNumber);
        } else if (overrides.contains(f.name)) {
            const StoredValue v = toStored(f, overrides.value(f.name));
            if (v.error.failed())
                return v.error;
            expressions << typedParameter(m_db.engine(), f);
            values << v.value;
        } else {
            expressions << quoted(f.name);
        }
    }
    if (const auto e = connected(); e.failed())
        return e;
    const qint64 source = keyAt(m_pos);
    qint64 key = kNoKey;
    QSqlQuery q(m_db.sql());
    common::Result<void> e = inTransaction(m_db, [&]() -> common::Result<void> {
        const QString k = rowKey(m_db.engine());
        if (!q.prepare(QStringLiteral("INSERT INTO %1 (%2) SELECT %3 FROM %1 WHERE %4 = ? RETURNING %4")
                           .arg(table(), columnList(), expressions.join(QStringLiteral(", ")), k)))
            return m_db.failure(q.lastError());
        for (const QVariant &v : values)
            q.addBindValue(v);
        q.addBindValue(source);
        if (const auto err = exec(m_db, q); err.failed())
            return err;
        key = q.next() ? q.value(0).toLongLong() : kNoKey;
        q.finish();
        return {};
    });
    if (e.failed())
        return e;
    includeKey(key);
    if (newKey)
        *newKey = key;
    return {};
}

void RecordSet::includeKey(qint64 key)
{
    if (m_indexOfKey.contains(key))
        return;
    QSqlQuery &q = m_statements->keyExists;
    q.bindValue(0, key);
    const bool exists = m_statements->prepared && q.exec() && q.next();
    q.finish();
    if (!exists)
        return;
    const bool wasAtEnd = m_pos >= recordCount();
    m_keys.append(key);
    m_indexOfKey.insert(key, int(m_keys.size()) - 1);
    if (wasAtEnd && !m_currentDeleted)
        m_pos = recordCount(); // no current row before: still none
    emit rowsReset();
}

} // namespace store
