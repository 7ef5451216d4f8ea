#pragma once
// A temporary data folder made the program's working folder for its lifetime,
// as the program finds 新客户信息.mdb, 报表/ and corvale.ini by bare name.
#include <QDir>
#include <QTemporaryDir>

class DataFolder {
public:
    DataFolder() : m_previous(QDir::currentPath()) { QDir::setCurrent(m_dir.path()); }
    ~DataFolder() { QDir::setCurrent(m_previous); }
    DataFolder(const DataFolder &) = delete;
    DataFolder &operator=(const DataFolder &) = delete;

    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    QString m_previous;
};
