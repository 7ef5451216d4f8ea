// A writer for the crash-safety test: does one kind of work over and over and
// says on stdout what has completed, until it is killed.
//   helper_crashwriter saves  FOLDER   new jobs through the record set
//   helper_crashwriter import FOLDER   a legacy import over a stand-in original,
//                                      begun when a line arrives on stdin
//   helper_crashwriter backup FOLDER   a change, then a start-up snapshot
#include "store/backup.h"
#include "store/database.h"
#include "store/fields.h"
#include "store/legacyimport.h"
#include "store/recordset.h"

#include <QCoreApplication>
#include <QDir>
#include <QSqlQuery>
#include <QVariant>
#include <cstdio>

namespace {

QString repeated(const QString &piece, int times)
{
    QString s;
    for (int i = 0; i < times; ++i)
        s += piece;
    return s;
}

int saves(const QString &dbPath)
{
    auto dbOpened = store::Database::open(dbPath);
    if (dbOpened.failed())
        return 2;
    auto db = std::move(dbOpened).value();
    store::RecordSet set(*db);
    if (set.setRecordSource(QStringLiteral("客户信息")).failed())
        return 2;
    QSqlQuery max(db->sql());
    max.exec(QStringLiteral("SELECT coalesce(max(编号), 0) FROM 客户信息"));
    max.next();
    for (int n = max.value(0).toInt() + 1; n <= 32767; ++n) {
        if (set.addNew().failed())
            return 2;
        set.setValue(QStringLiteral("编号"), n);
        set.setValue(QStringLiteral("客户姓名"), QStringLiteral("客户%1").arg(n));
        set.setValue(QStringLiteral("地址"), repeated(QString::number(n), 8));
        set.setValue(QStringLiteral("备注"), QStringLiteral("备注%1").arg(n));
        if (set.update().failed())
            return 3;
        std::printf("saved %d\n", n);
        std::fflush(stdout);
    }
    return 0;
}

int import(const QString &dbPath)
{
    QList<QVariantMap> rows;
    for (int n = 1; n <= 3000; ++n)
        rows << QVariantMap{{QStringLiteral("编号"), n},
                            {QStringLiteral("客户姓名"), QStringLiteral("客户%1").arg(n)},
                            {QStringLiteral("地址"), repeated(QString::number(n), 8)}};
    // The test may kill the writer here, before any work, for a round that
    // certainly ends before the swap.
    std::printf("ready\n");
    std::fflush(stdout);
    char go[8];
    if (!std::fgets(go, sizeof go, stdin))
        return 4;
    const auto result = store::importLegacyRows(dbPath, {QStringLiteral("编号"), QStringLiteral("客户姓名"), QStringLiteral("地址")}, rows);
    std::printf(result.ok() ? "imported\n" : "failed\n");
    std::fflush(stdout);
    return result.ok() ? 0 : 3;
}

int backups(const QString &dbPath)
{
    for (int round = 0;; ++round) {
        {
            auto dbOpened = store::Database::open(dbPath);
            if (dbOpened.failed())
                return 2;
            auto db = std::move(dbOpened).value();
            QSqlQuery q(db->sql());
            q.exec(QStringLiteral("UPDATE 客户信息 SET 备注 = '%1'").arg(round));
        }
        if (!store::backupOnStart(dbPath, 5).ok())
            return 3;
        std::printf("backup %d\n", round);
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 1;
    const QString mode = QString::fromLocal8Bit(argv[1]);
    const QString dbPath = QDir(QString::fromLocal8Bit(argv[2])).filePath(store::databaseFileName());
    if (mode == QLatin1String("saves"))
        return saves(dbPath);
    if (mode == QLatin1String("import"))
        return import(dbPath);
    if (mode == QLatin1String("backup"))
        return backups(dbPath);
    return 1;
}
