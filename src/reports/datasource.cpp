#include "reports/datasource.h"

#include "store/database.h"
#include "store/fields.h"
#include "store/jetsql.h"

#include <QDir>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace reports {

DataSource::DataSource() : m_databasePath(store::databaseFileName()) {}
DataSource::~DataSource() = default;

DataSource &DataSource::instance()
{
    static DataSource source;
    return source;
}

QString DataSource::jobText(qint16 job)
{
    return QStringLiteral("Select * from 客户信息 where 编号=") + QString::number(job);
}

void DataSource::setDatabasePath(const QString &path)
{
    close();
    m_db.reset();
    m_databasePath = path;
}

bool DataSource::setCommandText(const QString &text)
{
    if (m_open)
        return false;
    m_commandText = text;
    return true;
}

bool DataSource::connect(store::StoreError *err)
{
    // A relative name follows the working folder, so reconnect when it moved.
    const QString path = QDir::current().absoluteFilePath(m_databasePath);
    if (m_db && m_db->path() == path)
        return true;
    store::StoreError e;
    m_db = store::Database::open(path, &e);
    if (!m_db && err)
        *err = e.ok() ? store::StoreError{store::code::FileNotFound, path} : e;
    return m_db != nullptr;
}

bool DataSource::open(store::StoreError *err)
{
    if (m_open)
        return true;
    if (!connect(err))
        return false;
    store::StoreError e;
    query(&e);
    if (e) {
        if (err)
            *err = e;
        return false;
    }
    m_open = true;
    return true;
}

void DataSource::close()
{
    m_open = false;
}

bool DataSource::selectJob(qint16 job, store::StoreError *err)
{
    close();
    setCommandText(jobText(job));
    return open(err);
}

QVector<Row> DataSource::rows(store::StoreError *err)
{
    if (!open(err))
        return {};
    return query(err);
}

QVector<Row> DataSource::query(store::StoreError *err) const
{
    QVector<Row> result;
    const store::JetTranslation t = store::translateJet(m_commandText);
    if (!t.ok) {
        if (err)
            *err = {store::code::Syntax, t.error};
        return result;
    }
    QSqlQuery q(m_db->sql());
    q.setForwardOnly(true);
    q.prepare(t.sql);
    for (const QVariant &p : t.params)
        q.addBindValue(p);
    if (!q.exec()) {
        if (err)
            *err = store::errorFromSql(q.lastError());
        return result;
    }
    while (q.next()) {
        const QSqlRecord rec = q.record();
        Row row;
        for (int i = 0; i < rec.count(); ++i)
            row.insert(rec.fieldName(i), rec.value(i));
        result.append(row);
    }
    return result;
}

} // namespace reports
