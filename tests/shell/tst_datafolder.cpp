// The data folder: what the arguments say, which folder wins, and what a
// folder must be before the program works in it.
#include "shell/datafolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using shell::FolderSource;

class TestDataFolder : public QObject {
    Q_OBJECT
private slots:
    void argumentsRead_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("fromMenu");
        QTest::addColumn<QString>("errorMentions"); // empty: no error

        QTest::newRow("none") << QStringList{} << "" << false << "";
        QTest::newRow("menu") << QStringList{"--from-menu"} << "" << true << "";
        QTest::newRow("data then menu") << QStringList{"--data", "店里", "--from-menu"} << "店里" << true << "";
        QTest::newRow("data=") << QStringList{"--data=/srv/店里"} << "/srv/店里" << false << "";
        QTest::newRow("data last, no folder") << QStringList{"--from-menu", "--data"} << "" << true << "--data";
        QTest::newRow("data= empty") << QStringList{"--data="} << "" << false << "--data";
        QTest::newRow("data twice") << QStringList{"--data", "a", "--data=b"} << "a" << false << "--data";
        QTest::newRow("unknown") << QStringList{"--dta", "a"} << "" << false << "--dta";
    }

    void argumentsRead()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, folder);
        QFETCH(bool, fromMenu);
        QFETCH(QString, errorMentions);
        const shell::LaunchOptions options = shell::parseLaunchArguments(arguments);
        QCOMPARE(options.dataFolder, folder);
        QCOMPARE(options.fromMenu, fromMenu);
        if (errorMentions.isEmpty())
            QCOMPARE(options.error, QString());
        else
            QVERIFY2(options.error.contains(errorMentions), qPrintable(options.error));
    }

    void folderDecided_data()
    {
        QTest::addColumn<QString>("data");
        QTest::addColumn<bool>("fromMenu");
        QTest::addColumn<QString>("remembered");
        QTest::addColumn<FolderSource>("source");
        QTest::addColumn<QString>("folder");

        QTest::newRow("terminal") << "" << false << "" << FolderSource::WorkingFolder << "/srv/shop";
        QTest::newRow("terminal ignores the menu's folder")
            << "" << false << "/srv/other" << FolderSource::WorkingFolder << "/srv/shop";
        QTest::newRow("relative data from the working folder")
            << "数据/../店里" << false << "" << FolderSource::Argument << "/srv/shop/店里";
        QTest::newRow("data from home") << "~/店里" << false << "" << FolderSource::Argument << "/home/wang/店里";
        QTest::newRow("data beats the remembered folder")
            << "/mnt/usb" << true << "/srv/other" << FolderSource::Argument << "/mnt/usb";
        QTest::newRow("menu, remembered") << "" << true << "/srv/other" << FolderSource::Remembered << "/srv/other";
        QTest::newRow("menu, first time") << "" << true << "" << FolderSource::Ask << "/home/wang/Corvale";
    }

    void folderDecided()
    {
        QFETCH(QString, data);
        QFETCH(bool, fromMenu);
        QFETCH(QString, remembered);
        QFETCH(FolderSource, source);
        QFETCH(QString, folder);
        shell::LaunchOptions options;
        options.dataFolder = data;
        options.fromMenu = fromMenu;
        const shell::FolderDecision decision =
            shell::decideDataFolder(options, QStringLiteral("/srv/shop"), remembered, QStringLiteral("/home/wang"));
        QCOMPARE(decision.source, source);
        QCOMPARE(decision.folder, folder);
    }

    void folderPrepared()
    {
        QTemporaryDir scratch;
        QVERIFY(scratch.isValid());

        // Missing folders are made, however deep, and nothing is left in them.
        const QString nested = scratch.filePath(QStringLiteral("维修/数据/2026"));
        QCOMPARE(shell::prepareDataFolder(nested), QString());
        QVERIFY(QFileInfo(nested).isDir());
        QVERIFY(QDir(nested).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));

        // A file where the folder should be, or on its way, is refused by name.
        const QString file = scratch.filePath(QStringLiteral("新客户信息.mdb"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        for (const QString &folder : {file, file + QStringLiteral("/报表")}) {
            const QString problem = shell::prepareDataFolder(folder);
            QVERIFY2(problem.contains(folder), qPrintable(problem));
        }
    }
};

QTEST_GUILESS_MAIN(TestDataFolder)
#include "tst_datafolder.moc"
