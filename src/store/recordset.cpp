#include "store/recordset.h"

#include "store/database.h"
#include "store/fields.h"
#include "store/jetsql.h"
#include "store/storedvalue.h"

#include <QSet>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>

namespace store {

namespace {

constexpr int cacheLimit = 4096;


QString table() { return quoted(tableName()); }

StoreError noCurrentRecord()
{
    return {code::NoCurrentRecord, QStringLiteral("没有当前记录，请先移到一条记录上。"), -1, {}};
}

StoreError syntaxError(const common::Error &e)
{
    return {code::Syntax, QStringLiteral("%1（位置 %2）").arg(e.text).arg(e.position + 1), e.position};
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

} // namespace

// The row read prepared once per connection. When it cannot be prepared (a
// file that went away, a busy schema), every use says why. On the server a
// row is read with its row version (xmin), which a write must still find.
struct RecordSet::Statements : PreparedStatements {
    explicit Statements(const Database &db) : PreparedStatements(db), fetchRow(db.sql()), keyExists(db.sql())
    {
        const QString key = rowKey(db.engine());
        const QString version = db.engine() == Engine::PostgreSQL ? QStringLiteral(", xmin::text") : QString();
        fetchRow.setForwardOnly(true);
        keyExists.setForwardOnly(true);
        prepared = prepare(db, fetchRow, QStringLiteral("SELECT %1%2 FROM %3 WHERE %4 = ?").arg(allColumns(), version, table(), key))
            && prepare(db, keyExists, QStringLiteral("SELECT 1 FROM %1 WHERE %2 = ?").arg(table(), key));
    }
    QSqlQuery fetchRow;
    QSqlQuery keyExists;
};

RecordSet::RecordSet(Database &db, QObject *parent)
    : QObject(parent), m_statements(std::make_unique<Statements>(db)), m_db(db)
{
}

RecordSet::~RecordSet() = default;

common::Result<void> RecordSet::connected() const
{
    if (const auto e = m_db.reconnectIfLost(); e.failed())
        return e;
    // The statements of a lost connection went with it.
    if (m_statements->generation != m_db.generation())
        m_statements = std::make_unique<Statements>(m_db);
    if (!m_statements->prepared)
        return m_statements->failure;
    return {};
}

// ---------------------------------------------------------------- source

common::Result<QVector<qint64>> RecordSet::selectKeys(const QString &sql, const QVariantList &params) const
{
    return retried(m_db, [&]() -> common::Result<QVector<qint64>> {
        QSqlQuery q(m_db.sql());
        q.setForwardOnly(true);
        if (!m_db.prepare(q, sql))
            return m_db.failure(q.lastError());
        for (const QVariant &p : params)
            q.addBindValue(p);
        if (!m_db.exec(q))
            return m_db.failure(q.lastError());
        QVector<qint64> keys;
        while (m_db.next(q))
            keys.append(q.value(0).toLongLong());
        if (q.lastError().isValid())
            return m_db.failure(q.lastError());
        return keys;
    });
}

common::Result<QVector<qint64>> RecordSet::load(const QString &source) const
{
    const common::Result<JetTranslation> t = translateJet(source, m_db.engine());
    if (t.failed())
        return syntaxError(t.error());
    if (t->kind != JetTranslation::Kind::Select)
        return StoreError{code::Syntax, QStringLiteral("记录源必须是 select 语句或表名。")};
    return selectKeys(t->keySql, t->params);
}

common::Result<void> RecordSet::setRecordSource(const QString &source)
{
    if (const auto e = leaveRow(); e.failed())
        return e;
    common::Result<QVector<qint64>> keys = load(source);
    if (keys.failed())
        return keys.error();
    m_cache.clear();
    if (!keys->isEmpty()) {
        common::Result<QSqlRecord> first = readKey(keys->first());
        if (first.failed())
            return first.error();
    }
    m_source = source;
    setKeys(std::move(keys).value());
    emit rowsReset();
    setPosition(0);
    return {};
}

common::Result<void> RecordSet::refresh() { return setRecordSource(m_source); }

void RecordSet::setKeys(QVector<qint64> keys)
{
    m_keys = std::move(keys);
    m_currentDeleted = false;
}

void RecordSet::removeKeyAt(int index)
{
    m_cache.remove(m_keys.at(index));
    m_keys.removeAt(index);
    if (m_pos > index)
        --m_pos;
}

int RecordSet::indexOfKey(qint64 key) const { return int(m_keys.indexOf(key)); }

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

common::Result<void> RecordSet::moveToRow(int pos, int step)
{
    // The row is read before the move: a row that cannot be read leaves the
    // set where it was, rather than showing an empty row in its place.
    bool removed = false;
    while (pos >= 0 && pos < recordCount()) {
        const qint64 key = m_keys.at(pos);
        // What another desk saved since the row was cached shows.
        if (m_db.engine() == Engine::PostgreSQL)
            m_cache.remove(key);
        const common::Result<QSqlRecord> row = readKey(key);
        if (row.ok())
            break;
        if (row.error().code != code::RecordDeleted)
            return row.error();
        // Deleted elsewhere: it leaves the set, and the move goes on past it.
        const bool wasCurrent = pos == m_pos;
        removeKeyAt(pos);
        if (wasCurrent)
            m_currentDeleted = true;
        removed = true;
        if (step < 0)
            --pos;
    }
    if (removed)
        emit rowsReset();
    setPosition(qBound(-1, pos, recordCount()));
    return {};
}

void RecordSet::setPosition(int pos)
{
    m_pos = pos;
    m_currentDeleted = false;
    cancelUpdate();
    m_shownVersion = m_versions.value(keyAt(pos));
    m_overwriteKey = kNoKey;
    emit repositioned();
}

common::Result<void> RecordSet::moveFirst()
{
    if (const auto e = leaveRow(); e.failed())
        return e;
    return moveToRow(0, 1);
}

common::Result<void> RecordSet::moveLast()
{
    if (const auto e = leaveRow(); e.failed())
        return e;
    return moveToRow(m_keys.isEmpty() ? 0 : recordCount() - 1, -1);
}

common::Result<void> RecordSet::moveNext()
{
    if (m_keys.isEmpty() || (eof() && !m_currentDeleted))
        return noCurrentRecord();
    if (const auto e = leaveRow(); e.failed())
        return e;
    const int target = m_currentDeleted ? m_pos : m_pos + 1;
    return moveToRow(qMin(target, recordCount()), 1);
}

common::Result<void> RecordSet::movePrevious()
{
    if (bof())
        return noCurrentRecord();
    if (const auto e = leaveRow(); e.failed())
        return e;
    return moveToRow(qMax(m_pos - 1, -1), -1);
}

common::Result<void> RecordSet::moveTo(int index)
{
    if (index < 0 || index >= recordCount())
        return noCurrentRecord();
    if (const auto e = leaveRow(); e.failed())
        return e;
    return moveToRow(index, 1);
}

common::Result<void> RecordSet::findFirst(const QString &criterion)
{
    const common::Result<JetTranslation> t = translateJetCondition(criterion, m_db.engine());
    if (t.failed())
        return syntaxError(t.error());
    if (const auto e = leaveRow(); e.failed())
        return e;
    const common::Result<QVector<qint64>> matching =
        selectKeys(QStringLiteral("SELECT %1 FROM %2 WHERE ").arg(rowKey(m_db.engine()), table()) + t->sql, t->params);
    if (matching.failed())
        return matching.error();
    // The first in the set's order. A find by number matches one row, which
    // a plain scan of the keys finds faster than a hash lookup per row.
    int best = -1;
    if (matching->size() <= 16) {
        for (const qint64 key : *matching)
            if (const int i = int(m_keys.indexOf(key)); i >= 0 && (best < 0 || i < best))
                best = i;
    } else {
        const QSet<qint64> wanted(matching->cbegin(), matching->cend());
        for (int i = 0; i < recordCount() && best < 0; ++i)
            if (wanted.contains(m_keys.at(i)))
                best = i;
    }
    m_noMatch = best < 0;
    if (!m_noMatch)
        return moveToRow(best, 1);
    return {};
}

// ---------------------------------------------------------------- reading

common::Result<QSqlRecord> RecordSet::readKey(qint64 key) const
{
    if (auto it = m_cache.constFind(key); it != m_cache.constEnd())
        return *it;
    return retried(m_db, [&]() -> common::Result<QSqlRecord> {
        if (const auto e = connected(); e.failed())
            return e;
        QSqlQuery &q = m_statements->fetchRow;
        q.bindValue(0, key);
        if (!m_db.exec(q)) {
            const StoreError e = m_db.failure(q.lastError());
            q.finish();
            if (e.code == code::Busy)
                m_quietUntil = QDeadlineTimer(busyWaitMs);
            return e;
        }
        if (!m_db.next(q)) {
            const QSqlError error = q.lastError();
            q.finish();
            if (error.isValid())
                return m_db.failure(error);
            return StoreError{code::RecordDeleted, QStringLiteral("这条记录已经被删除了（也许是另一台电脑删除的）。"), -1, {}};
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
    });
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

// ---------------------------------------------------------------- the edit buffer

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
        // The buffer starts from the row as it was read; a row that cannot
        // be read is a failure, never an empty row to be written back.
        common::Result<QSqlRecord> stored = readRow(m_pos);
        if (stored.failed()) {
            if (stored.error().code == code::RecordDeleted) {
                currentRemoved(true);
                return StoreError{code::RecordDeleted, QStringLiteral("这条记录已被另一台电脑删除，修改没有保存。")};
            }
            return stored.error();
        }
        m_buffer = *stored;
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
        m_badValues.insert(-1, {code::Engine,
                                QStringLiteral("表“客户信息”中没有名为“%1”的字段，这个值没有保存。").arg(field), -1, field});
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

void RecordSet::cancelUpdate()
{
    m_mode = EditMode::None;
    m_buffer = QSqlRecord();
    m_badValues.clear();
    m_changed.clear();
}

// ---------------------------------------------------------------- told by the writer

void RecordSet::includeKey(qint64 key)
{
    if (indexOfKey(key) >= 0)
        return;
    if (connected().failed())
        return;
    QSqlQuery &q = m_statements->keyExists;
    q.bindValue(0, key);
    const bool exists = m_db.exec(q) && m_db.next(q);
    q.finish();
    if (!exists)
        return;
    const bool wasAtEnd = m_pos >= recordCount();
    m_keys.append(key);
    if (wasAtEnd && !m_currentDeleted)
        m_pos = recordCount(); // no current row before: still none
    emit rowsReset();
}

void RecordSet::rowWritten(qint64 key, const QString &version)
{
    m_cache.remove(key);
    m_overwriteKey = kNoKey;
    if (!version.isEmpty()) {
        m_versions.insert(key, version);
        if (key == keyAt(m_pos))
            m_shownVersion = version;
    }
    if (const int index = indexOfKey(key); index >= 0)
        emit rowChanged(index);
}

void RecordSet::rowRenumbered(qint64 from, qint64 to)
{
    const int index = indexOfKey(from);
    if (index < 0)
        return;
    m_keys[index] = to;
    m_cache.remove(from);
    m_versions.insert(to, m_versions.take(from));
}

void RecordSet::currentRemoved(bool byAnotherDesk)
{
    if (m_pos < 0 || m_pos >= recordCount())
        return;
    const int pos = m_pos;
    removeKeyAt(pos);
    m_pos = pos;
    m_currentDeleted = true;
    emit rowsReset();
    // What the clerk typed into a row another desk deleted stays on screen
    // until the next move or refresh leaves it.
    if (!byAnotherDesk) {
        cancelUpdate();
        emit repositioned();
    }
}

} // namespace store
