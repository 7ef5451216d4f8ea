#include "reports/datasource.h"

#include "store/database.h"
#include "store/fields.h"
#include "store/rowreader.h"

#include <QDir>

namespace reports {

DataSource::DataSource(QString databasePath) : m_databasePath(std::move(databasePath)) {}
DataSource::~DataSource() = default;

QString DataSource::defaultDatabasePath() { return QString(); }

void DataSource::setDatabasePath(const QString &path)
{
    m_db.reset();
    m_databasePath = path;
}

common::Result<void> DataSource::connect()
{
    // Where the program works (the file in the working folder or the shop's
    // server), or the file named; a relative name follows the working folder,
    // so reconnect when it moved.
    const QString path = m_databasePath.isEmpty()            ? store::jobTableLocation(QDir::currentPath())
                         : store::isServerAddress(m_databasePath) ? m_databasePath
                                                                  : QDir::current().absoluteFilePath(m_databasePath);
    if (m_db && m_db->path() == path)
        return {};
    m_db.reset();
    common::Result<std::unique_ptr<store::Database>> db = store::Database::open(path);
    if (db.failed())
        return db.error();
    m_db = std::move(*db);
    return {};
}

common::Result<QVector<Row>> DataSource::rows()
{
    if (const auto e = connect(); e.failed())
        return e;
    const QStringList names = store::fieldNames();
    QVector<store::FieldValues> read;
    if (m_job) {
        common::Result<std::optional<store::FieldValues>> one = store::readJob(*m_db, *m_job, names);
        if (one.failed())
            return one.error();
        if (*one)
            read << **one;
    } else {
        common::Result<QVector<store::FieldValues>> all = store::readRows(*m_db, {names, {}, {}, {}});
        if (all.failed())
            return all.error();
        read = std::move(*all);
    }
    QVector<Row> result;
    result.reserve(read.size());
    for (const store::FieldValues &values : read) {
        Row row;
        for (int i = 0; i < names.size(); ++i)
            row.insert(names.at(i), values.at(i));
        result.append(std::move(row));
    }
    return result;
}

} // namespace reports
