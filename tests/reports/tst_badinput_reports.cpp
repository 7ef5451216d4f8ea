// Hostile text in the report panel's boxes and damaged report definition
// files: a preview, a PDF, or the engine's message; the panel stays usable
// and the job table is never touched.
#include "support/datafolder.h"
#include "support/fixedclock.h"
#include "support/jobtable.h"
#include "support/scriptedprompt.h"
#include "support/testapp.h"

#include "reports/catalogue/catalogue.h"
#include "reports/ui/enginepreview.h"
#include "reports/ui/paizi.h"
#include "reports/ui/printing.h"
#include "reports/catalogue/pdf.h"
#include "reports/ui/reportwindow.h"
#include "store/fields.h"

#include <QComboBox>
#include <QCryptographicHash>
#include <QLineEdit>
#include <QtTest>

using reports::PaiZi;

namespace {

QByteArray fileDigest(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

QList<QWidget *> previews()
{
    QList<QWidget *> out;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qobject_cast<reports::EnginePreview *>(w) && w->isVisible())
            out << w;
    return out;
}

void closePreviews()
{
    for (QWidget *w : previews()) {
        w->close();
        w->deleteLater();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class TestBadInputReports : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_folder = std::make_unique<DataFolder>();
        m_prompt = std::make_unique<ScriptedPrompt>();
        m_workspace = std::make_unique<QWidget>();
        m_shop = m_folder->shop();
        m_print = new reports::PrintCommand(m_workspace.get(), m_shop);
        QList<QVariantMap> jobs = makeJobs(1, 20);
        jobs << makeJob(21, {{QStringLiteral("地区"), QStringLiteral("江北'")},
                             {QStringLiteral("购店"), QStringLiteral("100%*[")},
                             {QStringLiteral("修理人员"), QStringLiteral("王\\")},
                             {QStringLiteral("型号"), QStringLiteral("佳利BD-100")},
                             {QStringLiteral("到货日期"), QStringLiteral("2003-08-01")}});
        createJobTable(m_folder->path(), jobs).reset();
        m_digest = fileDigest(m_folder->file(store::databaseFileName()));
        QVERIFY(!m_digest.isEmpty());
    }
    void cleanup()
    {
        closePreviews();
        m_workspace.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        // Reports read through their own connection and never write.
        QCOMPARE(fileDigest(m_folder->file(store::databaseFileName())), m_digest);
        m_prompt.reset();
        m_folder.reset();
    }

    // The panel's boxes, typed into and then run by a click on the caption.
    void panelBoxes_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("preview"); // false: the engine's message instead
        const struct { const char *box, *caption; } places[] = {
            {"Aera", "Label74"}, {"Text1", "Label32"}, {"cboShop", "Label76"}, {"txtPeiJianDate", "Label101"}};
        for (const auto &p : places) {
            const bool date = QLatin1String(p.box) == QLatin1String("txtPeiJianDate");
            // Looked for as written in the text boxes; no date at all in the date box.
            QTest::addRow("%s quote", p.box) << p.box << p.caption << "江北'" << !date;
            QTest::addRow("%s injected", p.box) << p.box << p.caption << "x' or '1'='1" << !date;
            QTest::addRow("%s percent", p.box) << p.box << p.caption << "100%" << !date;
            QTest::addRow("%s asterisk", p.box) << p.box << p.caption << "*" << !date;
            QTest::addRow("%s bracket", p.box) << p.box << p.caption << "[" << !date;
            QTest::addRow("%s backslash", p.box) << p.box << p.caption << "王\\" << !date;
            QTest::addRow("%s brace", p.box) << p.box << p.caption << "}{客户信息.编号}" << !date;
            QTest::addRow("%s long", p.box) << p.box << p.caption << QString(5000, QChar(u'长')) << !date;
        }
        QTest::newRow("parts date 2003,2,30") << "txtPeiJianDate" << "Label101" << "2003,2,30" << false;
        QTest::newRow("parts date 0,1,1") << "txtPeiJianDate" << "Label101" << "0,1,1" << false;
        QTest::newRow("parts date 9999,12,31") << "txtPeiJianDate" << "Label101" << "9999,12,31" << true;
        QTest::newRow("parts date 超保") << "txtPeiJianDate" << "Label101" << "超保" << false;
        QTest::newRow("parts date 2003-7-22") << "txtPeiJianDate" << "Label101" << "2003-7-22" << true;
        QTest::newRow("parts date 1e309") << "txtPeiJianDate" << "Label101" << "1e309,1,1" << false;
        QTest::newRow("parts date 32768") << "txtPeiJianDate" << "Label101" << "2003,32768,1" << false;
        QTest::newRow("parts date full-width") << "txtPeiJianDate" << "Label101" << "２００３,7,22" << false;
        QTest::newRow("parts date -0") << "txtPeiJianDate" << "Label101" << "2003,-0,22" << false;
    }
    void panelBoxes()
    {
        QFETCH(QString, box);
        QFETCH(QString, caption);
        QFETCH(QString, text);
        QFETCH(bool, preview);
        FixedClock clock{QDateTime(QDate(2003, 8, 15), QTime(10, 0))};
        PaiZi *panel = showPanel();
        QVERIFY(QTest::qWaitForWindowExposed(panel));
        panel->selectBrand(3); // the parts ledger's caption lives in 佳利冷柜
        QWidget *field = panel->findChild<QWidget *>(box);
        QVERIFY(field);
        QLineEdit *edit = qobject_cast<QLineEdit *>(field);
        if (auto *combo = qobject_cast<QComboBox *>(field))
            edit = combo->lineEdit();
        QVERIFY(edit);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, text, Qt::NoModifier);
        QCOMPARE(edit->text(), text);
        auto *label = panel->findChild<QLabel *>(caption);
        QVERIFY(label && label->isVisible());
        QTest::mouseClick(label, Qt::LeftButton);
        QApplication::processEvents();
        if (preview) {
            QVERIFY2(m_prompt->messages.isEmpty(), qPrintable(m_prompt->texts().join(u'|')));
            QCOMPARE(previews().size(), 1);
        } else {
            QCOMPARE(m_prompt->messages.size(), 1);
            QCOMPARE(m_prompt->messages.first().icon, common::Icon::Warning);
            QVERIFY(!m_prompt->texts().first().isEmpty());
            QVERIFY(previews().isEmpty());
        }
        // The panel is still there and still runs a plain report.
        QCOMPARE(m_print->panel(), panel);
        QVERIFY(panel->isVisible());
        closePreviews();
        m_prompt->clear();
        QTest::mouseClick(panel->findChild<QLabel *>(QStringLiteral("Label59")), Qt::LeftButton);
        QVERIFY2(m_prompt->messages.isEmpty(), qPrintable(m_prompt->texts().join(u'|')));
        QCOMPARE(previews().size(), 1);
    }

    // Damaged definition files under 报表: the missing one is written again
    // from the built-in default; the others are refused with a message, no
    // PDF is left behind, and the shop's file is never replaced.
    void definitionFiles_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("message"); // empty: the report renders
        QTest::newRow("missing") << "missing" << QString();
        QTest::newRow("folder in its place") << "folder" << "无法读取报表文件";
        // What a full disk leaves: written anew from the stock definition.
        QTest::newRow("empty") << "empty" << QString();
        QTest::newRow("not JSON") << "garbage" << "删除这个文件";
        QTest::newRow("binary") << "binary" << "已损坏";
        QTest::newRow("unknown field") << "field" << "有误";
        QTest::newRow("报表 is a file") << "file" << "是一个文件，不是文件夹";
    }
    void definitionFiles()
    {
        QFETCH(QString, damage);
        QFETCH(QString, message);
        const reports::ReportRequest request{QStringLiteral("报表\\商场报表.RPT"),
                                             QStringLiteral("{客户信息.购店} StartsWith '二百'"), 1};
        const QString pdf = m_folder->file(QStringLiteral("out.pdf"));
        // The first run writes the defaults.
        const common::Result<void> first = reports::renderRequest(request, m_folder->shop(), pdf);
        QVERIFY2(first.ok(), qPrintable(first.error().text));
        QVERIFY(QFile::remove(pdf));

        QDir dir(m_folder->path());
        const QString definition = m_folder->file(QStringLiteral("报表/商场报表.RPT"));
        const auto write = [&definition](const QByteArray &bytes) {
            QFile f(definition);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(bytes);
        };
        if (damage == QLatin1String("missing")) {
            QVERIFY(QFile::remove(definition));
        } else if (damage == QLatin1String("folder")) {
            QVERIFY(QFile::remove(definition));
            QVERIFY(dir.mkpath(QStringLiteral("报表/商场报表.RPT")));
        } else if (damage == QLatin1String("empty")) {
            write(QByteArray());
        } else if (damage == QLatin1String("garbage")) {
            write("title = '商场' \"\\[*%\n");
        } else if (damage == QLatin1String("binary")) {
            write(QByteArray("\x00\xff\xfe{\"columns\":", 14) + QByteArray(4096, '\xff'));
        } else if (damage == QLatin1String("field")) {
            write("{\"title\": \"商场\", \"columns\": [{\"field\": \"编号'; drop table 客户信息\"}]}");
        } else if (damage == QLatin1String("file")) {
            QVERIFY(QDir(m_folder->file(QStringLiteral("报表"))).removeRecursively());
            QFile f(m_folder->file(QStringLiteral("报表")));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("not a folder");
        }
        const QByteArray before = fileDigest(definition);

        const common::Result<void> error = reports::renderRequest(request, m_folder->shop(), pdf);
        if (message.isEmpty()) {
            QVERIFY2(error.ok(), qPrintable(error.error().text));
            QVERIFY(QFileInfo(pdf).size() > 0);
            QVERIFY(QFileInfo(definition).isFile());
        } else {
            QVERIFY2(error.error().text.contains(message), qPrintable(error.error().text));
            QVERIFY(!QFile::exists(pdf));
            QCOMPARE(fileDigest(definition), before);
        }

        // Through the panel the same failure is a message, and the panel stays.
        PaiZi *panel = showPanel();
        QVERIFY(QTest::qWaitForWindowExposed(panel));
        m_prompt->clear();
        QTest::mouseClick(panel->findChild<QLabel *>(QStringLiteral("Label76")), Qt::LeftButton);
        QApplication::processEvents();
        QCOMPARE(m_prompt->messages.size(), message.isEmpty() ? 0 : 1);
        QCOMPARE(previews().size(), message.isEmpty() ? 1 : 0);
        QCOMPARE(m_print->panel(), panel);
    }

private:
    PaiZi *showPanel()
    {
        m_print->run(std::nullopt);
        return m_print->panel();
    }

    std::unique_ptr<DataFolder> m_folder;
    std::unique_ptr<ScriptedPrompt> m_prompt;
    std::unique_ptr<QWidget> m_workspace;
    common::ShopContext m_shop;
    reports::PrintCommand *m_print = nullptr;
    QByteArray m_digest;
};

CORVALE_TEST_MAIN(TestBadInputReports)
#include "tst_badinput_reports.moc"
