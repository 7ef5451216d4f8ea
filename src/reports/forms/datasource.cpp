#include "reports/forms/datasource.h"

#include "store/database.h"
#include "store/fields.h"
#include "store/rowreader.h"

namespace reports {

DataSource::DataSource(QString jobTable) : m_jobTable(std::move(jobTable)) {}
DataSource::~DataSource() = default;

common::Result<void> DataSource::connect()
{
    if (m_db)
        return {};
    common::Result<std::unique_ptr<store::Database>> db = store::Database::open(m_jobTable);
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
