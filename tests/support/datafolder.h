#pragma once
// A temporary data folder made the program's working folder for its lifetime,
// as the program finds 新客户信息.mdb, 报表/ and corvale.ini by bare name.
#include "common/shopcontext.h"
#include "reports/catalogue/cli.h"

#include <QTest>

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

    // The shop of this folder as the program finds it when it starts here.
    common::ShopContext shop() const;

private:
    QTemporaryDir m_dir;
    QString m_previous;
};

// The shop whose data folder is folder, as the program finds it when it
// starts there: its corvale.ini, its jobs on the test's server or in the
// folder's file. A folder that gives none fails the test.
inline common::ShopContext shopAt(const QString &folder)
{
    common::Result<common::ShopContext> shop = reports::shopInFolder(folder);
    if (shop.failed()) {
        QTest::qFail(qPrintable(QStringLiteral("the shop in %1: %2").arg(folder, shop.error().text)), __FILE__, __LINE__);
        return {folder, {}, common::SiteSettings::defaults()};
    }
    return std::move(shop).value();
}

inline common::ShopContext DataFolder::shop() const { return shopAt(path()); }
