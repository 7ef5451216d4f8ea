// Hostile input typed wherever a clerk types: the workspace fields, the fee
// total, the number search, the photo path, the query and the sort window.
// Every case ends with a clear message or a defined result, the window keeps
// working, and the file read through a connection of its own holds exactly
// what was committed.
#include "support/testapp.h"
#include "workspace/workspacefixture.h"

#include "query/frmsearch.h"
#include "query/frmserial.h"
#include "store/database.h"
#include "workspace/binder.h"
#include "workspace/photoview.h"

#include <QAction>
#include <QBuffer>
#include <QCheckBox>
#include <QImageWriter>
#include <QLabel>
#include <QPushButton>
#include <QSqlRecord>
#include <QtEndian>
#include <sys/stat.h>

namespace {

using Table = QList<QVariantMap>;

const QString kTooLong = QStringLiteral("字段太小而不能接受输入的数据，请重新输入！");
const QString kNotSaved = QStringLiteral("记录未能保存或移动：\n");
const QString kBadDate = QStringLiteral("日期格式输入有误！");
const QString kNotNumber = QStringLiteral("请输入数字！");

// Every row of the file, in job-number order, read through its own connection.
Table snapshot(const QString &folder)
{
    const QString name = QUuid::createUuid().toString();
    Table rows;
    {
        QSqlDatabase c = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        c.setDatabaseName(QDir(folder).filePath(store::databaseFileName()));
        c.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (c.open()) {
            QSqlQuery q(c);
            q.exec(QStringLiteral("select * from 客户信息 order by 编号"));
            while (q.next()) {
                QVariantMap row;
                const QSqlRecord r = q.record();
                for (int i = 0; i < r.count(); ++i)
                    row.insert(r.fieldName(i), r.value(i));
                rows << row;
            }
        }
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}

// The first difference between two tables, for a readable failure.
QString difference(const Table &actual, const Table &expected)
{
    if (actual.size() != expected.size())
        return QStringLiteral("%1 rows, expected %2").arg(actual.size()).arg(expected.size());
    for (int i = 0; i < actual.size(); ++i)
        for (auto it = expected.at(i).constBegin(); it != expected.at(i).constEnd(); ++it)
            if (actual.at(i).value(it.key()) != it.value())
                return QStringLiteral("row %1 %2: %3, expected %4")
                    .arg(i).arg(it.key(), actual.at(i).value(it.key()).toString(), it.value().toString());
    return QString();
}

#define COMPARE_TABLE(actual, expected)                                   \
    do {                                                                  \
        const QString d = difference(actual, expected);                   \
        QVERIFY2(d.isEmpty(), qPrintable(d));                             \
    } while (false)

QWidget *control(const WorkspaceFixture &f, const QString &name)
{
    QWidget *w = f.window->findChild<QWidget *>(name);
    if (!w)
        qFatal("no control %s", qPrintable(name));
    return w;
}

QString shownText(QWidget *w)
{
    if (auto *c = qobject_cast<QComboBox *>(w))
        return c->currentText();
    return static_cast<QLineEdit *>(w)->text();
}

// The field a workspace control is bound to.
QString boundField(const QString &control)
{
    static const QHash<QString, QString> fields = {
        {"txtInfo_0", "客户姓名"}, {"txtInfo_1", "地址"}, {"txtInfo_2", "宅电"}, {"txtInfo_3", "购店"},
        {"txtInfo_4", "移动电话"}, {"txtInfo_5", "购买日期"}, {"txtInfo_6", "发票号码"},
        {"txtInfo_7", "出厂日期"}, {"txtInfo_8", "产品编号"}, {"txtInfo_9", "到货日期"},
        {"txtInfo_12", "接货日期"}, {"txtInfo_13", "发货日期"}, {"txtInfo_21", "里程数"},
        {"txtInfo_22", "上门费"}, {"txtInfo_23", "维修费"}, {"txtInfo_24", "车补"},
        {"txtInfo_25", "差旅费"}, {"txtInfo_26", "搬运费"}, {"sum3", "合计"},
        {"cboAera", "地区"}, {"cboMail", "邮编"}, {"cboType", "型号"}, {"cboBiaoXiu", "保修期"},
        {"cboMessage", "信息来源"}, {"Combo10", "备注"}, {"Combo4", "故障修理"}, {"Combo9", "检修结果"},
        {"Combo8", "修理内容"}, {"txtCode", "代码"}, {"cboRepairType", "维修类别"},
        {"cboPeople", "修理人员"}, {"cboSendIn", "运来者1"}, {"cboSendOut", "运去者1"},
        {"Combo13", "配件"}, {"txtTingsCode", "物料代码"}, {"cboReg", "是否申请"}, {"txtPhoto", "Photo"},
    };
    return fields.value(control);
}

// Leaves the row the way the keyboard does: Page Up from 客户姓名 writes the
// row being left first.
void pageUp(const WorkspaceFixture &f)
{
    QTest::keyClick(f.info(0), Qt::Key_PageUp);
    QApplication::processEvents();
}

bool anyStartsWith(const QStringList &texts, const QString &start)
{
    for (const QString &t : texts)
        if (t.startsWith(start))
            return true;
    return false;
}

quint32 pngCrc(const QByteArray &bytes)
{
    quint32 crc = 0xffffffffu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xffffffffu;
}

// A PNG whose header promises width × height one-bit pixels, all black, in
// a few kilobytes: big to decode, small to keep.
QByteArray hugePng(quint32 width, quint32 height)
{
    const auto chunk = [](const char *type, const QByteArray &data) {
        QByteArray out(4, '\0');
        qToBigEndian<quint32>(quint32(data.size()), out.data());
        const QByteArray body = QByteArray(type, 4) + data;
        out += body;
        QByteArray crc(4, '\0');
        qToBigEndian<quint32>(pngCrc(body), crc.data());
        return out + crc;
    };
    QByteArray header(13, '\0');
    qToBigEndian<quint32>(width, header.data());
    qToBigEndian<quint32>(height, header.data() + 4);
    header[8] = 1;  // bit depth
    header[9] = 0;  // greyscale
    const QByteArray raw(qsizetype(height) * (1 + (width + 7) / 8), '\0');
    // qCompress is a zlib stream behind a four-byte length.
    const QByteArray packed = qCompress(raw, 9).mid(4);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + chunk("IDAT", packed)
           + chunk("IEND", QByteArray());
}

} // namespace

class TestBadInput : public QObject {
    Q_OBJECT

private slots:
    // Over-long text in every text field: the 524 message, nothing of the row
    // stored, the typed text kept on screen; a text that fits is then saved.
    void overLongText_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("limit");
        for (const char *name : {"txtInfo_0", "txtInfo_2", "txtInfo_3", "txtInfo_4", "txtInfo_5", "txtInfo_6",
                                 "txtInfo_8", "cboAera", "cboMail", "cboType", "cboBiaoXiu", "cboMessage",
                                 "txtCode", "cboRepairType", "cboPeople", "cboSendIn", "cboSendOut", "Combo13",
                                 "txtTingsCode", "cboReg"})
            QTest::newRow(name) << QString::fromLatin1(name) << 50;
        QTest::newRow("txtInfo_1") << QStringLiteral("txtInfo_1") << 100;
        for (const char *name : {"Combo10", "Combo4", "Combo9", "Combo8", "txtPhoto"})
            QTest::newRow(name) << QString::fromLatin1(name) << 255;
    }
    void overLongText()
    {
        QFETCH(QString, name);
        QFETCH(int, limit);
        WorkspaceFixture f(makeJobs(1, 3));
        const Table before = snapshot(f.folder.path());
        QWidget *w = control(f, name);
        const QString tooLong = QString(limit, QChar(u'长')) + QLatin1Char('x');
        WorkspaceFixture::type(w, tooLong);
        f.prompt.clear();

        f.window->findChild<QAction *>(QStringLiteral("Refresh"))->trigger();
        QCOMPARE(f.prompt.texts(), QStringList{kTooLong});
        COMPARE_TABLE(snapshot(f.folder.path()), before);
        QCOMPARE(shownText(w), tooLong);

        f.prompt.clear();
        pageUp(f);
        QCOMPARE(f.prompt.texts().count(kTooLong), 1);
        COMPARE_TABLE(snapshot(f.folder.path()), before);
        QCOMPARE(f.set().absolutePosition(), 2);

        // Closing would lose it: the clerk is asked, and 否 keeps the window and the text.
        f.prompt.clear();
        f.prompt.answers << common::Answer::No;
        QVERIFY(!f.window->close());
        QCOMPARE(f.prompt.messages.size(), 1);
        QVERIFY(f.prompt.texts().first().endsWith(QStringLiteral("放弃修改并退出吗？")));
        QCOMPARE(f.prompt.messages.first().buttons, common::Buttons::YesNo);
        QCOMPARE(shownText(w), tooLong);
        COMPARE_TABLE(snapshot(f.folder.path()), before);

        const QString fits = QString(limit, QChar(u'短'));
        WorkspaceFixture::type(w, fits);
        f.prompt.clear();
        QVERIFY(f.window->close());
        QVERIFY(!f.prompt.texts().contains(kTooLong));
        Table expected = before;
        expected[2][boundField(name)] = fits;
        COMPARE_TABLE(snapshot(f.folder.path()), expected);
    }

    // An engine's listing of a hundred lines (a damaged file's check) and a
    // long text of the program's own: the box stays within a small screen,
    // everything past its lines one click away behind 显示详细信息.
    void longFailureStaysOnASmallScreen()
    {
        WorkspaceFixture f(makeJobs(1, 1));
        QStringList listing, ownLines;
        for (int i = 1; i <= 100; ++i)
            listing << QStringLiteral("*** in database main ***\nPage %1: btreeInitPage() returns error code 11").arg(i);
        for (int i = 1; i <= 60; ++i)
            ownLines << QStringLiteral("编号 %1：照片没有找到").arg(i);
        f.prompt.clear();
        common::say(common::Error::failed(ownLines.join(u'\n')).withDetail(listing.join(u'\n')), QStringLiteral("警告"),
                    common::Icon::Warning);
        QCOMPARE(f.prompt.boxHeights.size(), 1);
        QVERIFY2(f.prompt.boxHeights.first() <= 768, qPrintable(QString::number(f.prompt.boxHeights.first())));
        const common::Message &m = f.prompt.messages.first();
        const common::FoldedText folded = common::foldedText(m.text, m.detail);
        QCOMPARE(folded.text.count(u'\n') + 1, common::shownLines);
        QVERIFY(folded.detail.contains(ownLines.last()));
        QVERIFY(folded.detail.endsWith(listing.last()));
    }

    // Quotes, wildcards, brackets, backslashes and line breaks are text like any
    // other: stored exactly as the field shows them.
    void punctuationIsStoredLiterally_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        const QStringList texts = {QStringLiteral("O'Neil \"老王\""), QStringLiteral("100% *?# [!a-z] [编号]"),
                                   QStringLiteral("C:\\照片\\1.jpg\\"), QStringLiteral("两行\n文字\r\n"),
                                   QStringLiteral("'); delete from 客户信息; --")};
        for (const char *name : {"txtInfo_0", "txtInfo_5", "Combo10", "cboAera", "txtPhoto"})
            for (int i = 0; i < texts.size(); ++i)
                QTest::addRow("%s %d", name, i) << QString::fromLatin1(name) << texts.at(i);
    }
    void punctuationIsStoredLiterally()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        WorkspaceFixture f(makeJobs(1, 3));
        const Table before = snapshot(f.folder.path());
        QWidget *w = control(f, name);
        WorkspaceFixture::type(w, text);
        const QString shown = shownText(w);
        QVERIFY(!shown.isEmpty());
        f.prompt.clear();
        pageUp(f);
        QVERIFY2(!anyStartsWith(f.prompt.texts(), kNotSaved), qPrintable(f.prompt.texts().join(u'|')));
        Table expected = before;
        expected[2][boundField(name)] = shown;
        COMPARE_TABLE(snapshot(f.folder.path()), expected);
        QCOMPARE(f.set().absolutePosition(), 1);
    }

    // Impossible and extreme dates in every date field: refused when left,
    // refused by the store when the row is left anyway (row intact), or stored.
    void dates_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("purchase"); // txtInfo(5) beforehand; "超保" turns the checks off
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("refusedOnLeave");
        QTest::addColumn<QString>("stored"); // null: the store refuses, the row stays
        const QString refused;
        for (int i : {7, 9, 12, 13}) {
            QTest::addRow("%d 2003-2-30", i) << i << QString() << "2003-2-30" << true << refused;
            QTest::addRow("%d 0000-1-1", i) << i << QString() << "0000-1-1" << true << refused;
            QTest::addRow("%d 9999-12-31", i) << i << QString() << "9999-12-31" << false << "9999-12-31";
            QTest::addRow("%d 超保", i) << i << QString() << "超保" << true << refused;
            QTest::addRow("%d 2003-2-30 under 超保", i) << i << "超保" << "2003-2-30" << false << refused;
            QTest::addRow("%d 2004-2-29", i) << i << QString() << "2004/2/29" << false << "2004-02-29";
        }
        // 购买日期 is text that may hold a date: warned, then kept as typed.
        QTest::newRow("5 2003-2-30") << 5 << QString() << "2003-2-30" << true << "2003-2-30";
        QTest::newRow("5 0000-1-1") << 5 << QString() << "0000-1-1" << true << "0000-1-1";
        QTest::newRow("5 9999-12-31") << 5 << QString() << "9999-12-31" << false << "9999-12-31";
        QTest::newRow("5 超保") << 5 << QString() << "超保" << false << "超保";
    }
    void dates()
    {
        QFETCH(int, index);
        QFETCH(QString, purchase);
        QFETCH(QString, text);
        QFETCH(bool, refusedOnLeave);
        QFETCH(QString, stored);
        WorkspaceFixture f(makeJobs(1, 3));
        if (!purchase.isEmpty()) {
            WorkspaceFixture::type(f.info(5), purchase);
            pageUp(f);
            QVERIFY(f.set().moveLast().ok());
        }
        const Table before = snapshot(f.folder.path());
        f.prompt.clear();
        WorkspaceFixture::type(f.info(index), text);
        WorkspaceFixture::leaveTo(f.info(index == 0 ? 1 : 0));
        QCOMPARE(f.prompt.texts(), refusedOnLeave ? QStringList{kBadDate} : QStringList{});
        if (refusedOnLeave)
            QVERIFY(f.info(index)->hasFocus());
        QCOMPARE(f.info(index)->text(), text);

        f.prompt.clear();
        pageUp(f);
        const QString field = boundField(QStringLiteral("txtInfo_%1").arg(index));
        Table expected = before;
        if (stored.isNull()) {
            QVERIFY2(anyStartsWith(f.prompt.texts(), kNotSaved + QStringLiteral("“") + text),
                     qPrintable(f.prompt.texts().join(u'|')));
            // Said once; the focus waits in the date with it selected.
            f.settle();
            QCOMPARE(f.prompt.messages.size(), 1);
            QVERIFY(f.info(index)->hasFocus());
            QCOMPARE(f.info(index)->selectedText(), text);
            QCOMPARE(f.set().absolutePosition(), 2);
            COMPARE_TABLE(snapshot(f.folder.path()), before);
            // Corrected, the row is saved and left.
            WorkspaceFixture::type(f.info(index), QStringLiteral("2004-2-29"));
            f.prompt.clear();
            pageUp(f);
            QVERIFY(!anyStartsWith(f.prompt.texts(), kNotSaved));
            expected[2][field] = QStringLiteral("2004-02-29");
        } else {
            QVERIFY(!anyStartsWith(f.prompt.texts(), kNotSaved));
            expected[2][field] = stored;
        }
        QCOMPARE(f.set().absolutePosition(), 1);
        COMPARE_TABLE(snapshot(f.folder.path()), expected);
    }

    // Numbers that overflow, a negative zero, one past the 16-bit range and
    // full-width digits in the mileage, the five charges and the total.
    void numbers_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("refusedOnLeave");
        QTest::addColumn<QVariant>("stored"); // invalid: the store refuses, the row stays
        for (const char *name : {"txtInfo_21", "txtInfo_22", "txtInfo_23", "txtInfo_24", "txtInfo_25",
                                 "txtInfo_26", "sum3"}) {
            // The total has no leave rule: only the store judges it.
            const bool checked = QLatin1String(name) != QLatin1String("sum3");
            QTest::addRow("%s 1e309", name) << name << "1e309" << checked << QVariant();
            QTest::addRow("%s -0", name) << name << "-0" << false << QVariant(0);
            QTest::addRow("%s 32768", name) << name << "32768" << false << QVariant(32768);
            QTest::addRow("%s full-width", name) << name << "１２" << checked << QVariant();
            QTest::addRow("%s 12元", name) << name << "12元" << checked << QVariant();
            QTest::addRow("%s 1e308", name) << name << "1e308" << false << QVariant(1e308);
        }
    }
    void numbers()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(bool, refusedOnLeave);
        QFETCH(QVariant, stored);
        WorkspaceFixture f(makeJobs(1, 3));
        const Table before = snapshot(f.folder.path());
        auto *field = static_cast<QLineEdit *>(control(f, name));
        f.prompt.clear();
        WorkspaceFixture::type(field, text);
        WorkspaceFixture::leaveTo(f.info(0));
        QCOMPARE(f.prompt.texts(), refusedOnLeave ? QStringList{kNotNumber} : QStringList{});
        QCOMPARE(field->text(), text);

        f.prompt.clear();
        pageUp(f);
        Table expected = before;
        if (!stored.isValid()) {
            QVERIFY2(anyStartsWith(f.prompt.texts(), kNotSaved), qPrintable(f.prompt.texts().join(u'|')));
            f.settle();
            QCOMPARE(f.prompt.messages.size(), 1);
            QVERIFY(field->hasFocus());
            QCOMPARE(field->selectedText(), text);
            COMPARE_TABLE(snapshot(f.folder.path()), before);
            WorkspaceFixture::type(field, QStringLiteral("12"));
            f.prompt.clear();
            pageUp(f);
            stored = 12;
        }
        QVERIFY(!anyStartsWith(f.prompt.texts(), kNotSaved));
        QCOMPARE(f.set().absolutePosition(), 1);
        const QVariant actual = snapshot(f.folder.path()).at(2).value(boundField(name));
        QCOMPARE(actual.toDouble(), stored.toDouble());
        expected[2].remove(boundField(name));
        COMPARE_TABLE(snapshot(f.folder.path()), expected);
    }

    // The click on the total with hostile charges: refused with a message and
    // the total untouched, or the exact 16-bit sum.
    void feeTotal_data()
    {
        QTest::addColumn<QString>("charge");
        QTest::addColumn<QString>("total");   // empty: refused
        QTest::newRow("1e309") << "1e309" << QString();
        QTest::newRow("-0") << "-0" << "10";
        QTest::newRow("32768") << "32768" << QString();
        QTest::newRow("-32769") << "-32769" << QString();
        QTest::newRow("full-width") << "１２" << QString();
        QTest::newRow("32767 - 10 + 10") << "32757" << "32767";
    }
    void feeTotal()
    {
        QFETCH(QString, charge);
        QFETCH(QString, total);
        WorkspaceFixture f(makeJobs(1, 1));
        auto *sum = f.get<QLineEdit>(QStringLiteral("sum3"));
        for (int i : {23, 24, 25})
            f.info(i)->setText(QStringLiteral("0"));
        f.info(26)->setText(QStringLiteral("10"));
        f.info(22)->setText(charge);
        const QString old = sum->text();
        QTest::mouseClick(sum, Qt::LeftButton);
        if (total.isEmpty()) {
            QCOMPARE(f.prompt.messages.size(), 1);
            QCOMPARE(f.prompt.messages.first().title, QStringLiteral("警告"));
            QCOMPARE(sum->text(), old);
        } else {
            QVERIFY(f.prompt.messages.isEmpty());
            QCOMPARE(sum->text(), total);
        }
    }

    // The number search: overflow, no match, or silence for what is no number.
    void numberSearch_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("position");
        QTest::newRow("1e309") << "1e309" << "数字溢出！请重新输入。" << 4;
        QTest::newRow("-0") << "-0" << "没找到!" << 4;
        QTest::newRow("32768") << "32768" << "数字溢出！请重新输入。" << 4;
        QTest::newRow("-32769") << "-32769" << "数字溢出！请重新输入。" << 4;
        QTest::newRow("full-width") << "１２" << QString() << 4;
        QTest::newRow("quote") << "2'" << QString() << 4;
        QTest::newRow("wildcard") << "*" << QString() << 4;
        QTest::newRow("bracket") << "[2]" << QString() << 4;
        QTest::newRow("statement") << "2 or 1=1" << QString() << 4;
        QTest::newRow("line break") << "2\n3" << QString() << 4;
        QTest::newRow(" 2.5 ") << " 2.5 " << QString() << 1;
    }
    void numberSearch()
    {
        QFETCH(QString, answer);
        QFETCH(QString, message);
        QFETCH(int, position);
        WorkspaceFixture f(makeJobs(1, 5));
        const Table before = snapshot(f.folder.path());
        f.prompt.inputAnswers << answer;
        QTest::mouseClick(f.get<QPushButton>(QStringLiteral("cmdFind")), Qt::LeftButton);
        QCOMPARE(f.prompt.texts(), message.isEmpty() ? QStringList{} : QStringList{message});
        QCOMPARE(f.set().absolutePosition(), position);
        QCOMPARE(f.set().recordCount(), 5);
        COMPARE_TABLE(snapshot(f.folder.path()), before);
    }

    // A photo path that is a folder, not a picture, or a picture too big to
    // hold: refused with a message, the old path kept, the row untouched.
    void photoPaths_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("folder") << "folder";
        QTest::newRow("pipe") << "pipe"; // reading one waits for a writer that never comes
        QTest::newRow("text file") << "text";
        QTest::newRow("missing") << "missing";
        QTest::newRow("truncated jpeg") << "truncated";
        QTest::newRow("header only 20000x20000") << "header";
        QTest::newRow("huge png") << "huge";
        QTest::newRow("camera-size jpeg") << "camera";
    }
    void photoPaths()
    {
        QFETCH(QString, kind);
        WorkspaceFixture f({makeJob(1, {{QStringLiteral("Photo"), QStringLiteral("/old/1.jpg")},
                                        {QStringLiteral("配件"), QStringLiteral("门体")}})});
        const Table before = snapshot(f.folder.path());
        QString path = f.folder.file(QStringLiteral("照片.jpg"));
        if (kind == QLatin1String("folder")) {
            QVERIFY(QDir(f.folder.path()).mkdir(QStringLiteral("照片.jpg")));
        } else if (kind == QLatin1String("pipe")) {
            QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        } else if (kind != QLatin1String("missing")) {
            QByteArray bytes;
            if (kind == QLatin1String("text")) {
                bytes = "not a picture\n";
            } else if (kind == QLatin1String("truncated")) {
                QImage small(64, 64, QImage::Format_RGB32);
                small.fill(Qt::blue);
                QBuffer buffer(&bytes);
                buffer.open(QIODevice::WriteOnly);
                QVERIFY(small.save(&buffer, "JPG"));
                bytes.truncate(bytes.size() / 3);
            } else if (kind == QLatin1String("camera")) {
                // 6000 × 6000 in colour decodes past Qt's 128 MB allocation limit at full size.
                QImage photo(6000, 6000, QImage::Format_RGB888);
                photo.fill(QColor(200, 120, 40));
                QBuffer buffer(&bytes);
                buffer.open(QIODevice::WriteOnly);
                QVERIFY(photo.save(&buffer, "JPG", 30));
            } else if (kind == QLatin1String("header")) {
                bytes = hugePng(20000, 20000).left(33); // signature and IHDR only
            } else {
                bytes = hugePng(20000, 20000);
            }
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        }
        f.window->findChild<QAction *>(QStringLiteral("ViewImage"))->trigger();
        auto *image = f.get<QLabel>(QStringLiteral("Image1"));
        f.prompt.fileAnswers << path;
        QTest::mouseClick(f.get<QPushButton>(QStringLiteral("cmdChangePhoto")), Qt::LeftButton);
        if (kind == QLatin1String("camera"))
            QVERIFY2(f.prompt.messages.isEmpty(), "a large camera photo must be accepted");
        if (kind == QLatin1String("huge") || kind == QLatin1String("camera")) {
            // A picture that decodes is shown, scaled down to fit; the path is kept.
            if (f.prompt.messages.isEmpty()) {
                QCOMPARE(f.get<QLineEdit>(QStringLiteral("txtPhoto"))->text(), path);
                QVERIFY(!image->pixmap().isNull());
                QVERIFY(image->pixmap().width() <= image->width());
                QVERIFY(f.window->close());
                Table expected = before;
                expected[0][QStringLiteral("Photo")] = path;
                COMPARE_TABLE(snapshot(f.folder.path()), expected);
                return;
            }
        }
        QCOMPARE(f.prompt.messages.size(), 1);
        QCOMPARE(f.prompt.messages.first().title, QStringLiteral("警告"));
        QVERIFY(f.prompt.texts().first().endsWith(path));
        QCOMPARE(f.get<QLineEdit>(QStringLiteral("txtPhoto"))->text(), QStringLiteral("/old/1.jpg"));
        QVERIFY(image->pixmap().isNull());
        QVERIFY(f.window->close());
        COMPARE_TABLE(snapshot(f.folder.path()), before);
    }

    // Hostile values and field names in the query window, over the real
    // workspace: found, nothing found, or the engine's message with the
    // previous rows kept. The file never changes.
    void queryWindow_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("startDate");
        QTest::addColumn<int>("found");   // -1: refused with a message, the old set stays
        QTest::newRow("apostrophe") << "客户姓名" << "O'Neil" << QString() << 1;
        QTest::newRow("lone apostrophe") << "客户姓名" << "'" << QString() << 1;
        QTest::newRow("percent is literal") << "客户姓名" << "100%" << QString() << 1;
        QTest::newRow("percent alone") << "客户姓名" << "%" << QString() << 1;
        QTest::newRow("underscore is literal") << "客户姓名" << "a_b" << QString() << 1;
        QTest::newRow("asterisk matches all") << "客户姓名" << "*" << QString() << 6;
        QTest::newRow("question mark") << "客户姓名" << "?" << QString() << 6;
        QTest::newRow("bracket list") << "地址" << "[路街]" << QString() << 6;
        QTest::newRow("unclosed bracket matches nothing") << "客户姓名" << "[" << QString() << 0;
        QTest::newRow("backslash") << "地址" << "C:\\" << QString() << 1;
        QTest::newRow("double quote") << "客户姓名" << "\"" << QString() << 1;
        QTest::newRow("line break is sought") << "客户姓名" << "王\n" << QString() << 0;
        QTest::newRow("statement in value") << "客户姓名" << "' or 1=1 or 客户姓名 Like '" << QString() << 0;
        QTest::newRow("no such field") << "客户姓名'" << "王" << QString() << -1;
        QTest::newRow("bracketed field") << "[客户姓名]" << "王" << QString() << -1;
        QTest::newRow("statement as field") << "编号; delete from 客户信息 --" << "1" << QString() << -1;
        QTest::newRow("field emptied") << "" << "王" << QString() << -1;
        QTest::newRow("9999-12-31") << "客户姓名" << "王" << "9999-12-31" << 0;
    }
    void queryWindow()
    {
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, startDate);
        QFETCH(int, found);
        QList<QVariantMap> jobs = makeJobs(1, 2);
        jobs << makeJob(3, {{QStringLiteral("客户姓名"), QStringLiteral("O'Neil \"老王\"")}})
             << makeJob(4, {{QStringLiteral("客户姓名"), QStringLiteral("100%满意")}})
             << makeJob(5, {{QStringLiteral("客户姓名"), QStringLiteral("a_b")}, {QStringLiteral("地址"), QStringLiteral("C:\\路")}})
             << makeJob(6, {{QStringLiteral("客户姓名"), QStringLiteral("aXb")}});
        WorkspaceFixture f(jobs);
        const Table before = snapshot(f.folder.path());
        query::FrmSearch w(*f.window);
        w.show();
        QVERIFY(waitForFocus(&w));
        auto *fieldBox = w.findChild<QComboBox *>(QStringLiteral("Combo1"));
        fieldBox->setFocus();
        fieldBox->clearEditText();
        WorkspaceFixture::type(fieldBox, field);
        auto *valueBox = w.findChild<QLineEdit *>(QStringLiteral("txtList1"));
        WorkspaceFixture::type(valueBox, value);
        if (!startDate.isEmpty())
            w.findChild<QComboBox *>(QStringLiteral("txtStartDate"))->setEditText(startDate);
        f.prompt.clear();
        QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("cmdSearch")), Qt::LeftButton);
        QApplication::processEvents();
        if (found < 0) {
            QCOMPARE(f.prompt.messages.size(), 1);
            QVERIFY2(f.prompt.messages.first().icon == common::Icon::Warning, qPrintable(f.prompt.texts().join(u'|')));
            QVERIFY(!f.prompt.texts().first().isEmpty());
            QCOMPARE(f.set().recordCount(), 6);
            QVERIFY(w.isVisible());
        } else if (found == 0) {
            QCOMPARE(f.prompt.texts(), QStringList{QStringLiteral("对不起，没有您需要的记录！请重新输入。")});
            QCOMPARE(f.set().recordCount(), 0);
        } else {
            QVERIFY2(f.prompt.messages.isEmpty(), qPrintable(f.prompt.texts().join(u'|')));
            QCOMPARE(f.set().recordCount(), found);
        }
        w.close();
        QVERIFY(f.window->close());
        COMPARE_TABLE(snapshot(f.folder.path()), before);
    }

    // Bad text in the query window's date boxes is caught when the box is left.
    void queryDates_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("2003-2-30") << "2003-2-30";
        QTest::newRow("0000-1-1") << "0000-1-1";
        QTest::newRow("超保") << "超保";
        QTest::newRow("quote") << "2003-1-1#' or 1=1";
    }
    void queryDates()
    {
        QFETCH(QString, text);
        WorkspaceFixture f(makeJobs(1, 3));
        const Table before = snapshot(f.folder.path());
        query::FrmSearch w(*f.window);
        w.show();
        QVERIFY(waitForFocus(&w));
        for (const char *name : {"txtStartDate", "txtEndDate"}) {
            auto *box = w.findChild<QComboBox *>(QString::fromLatin1(name));
            f.prompt.clear();
            WorkspaceFixture::type(box, text);
            WorkspaceFixture::leaveTo(w.findChild<QLineEdit *>(QStringLiteral("txtList2")));
            QCOMPARE(f.prompt.texts(), QStringList{QStringLiteral("日期输入有误！")});
            // Wide enough for its title beside the title bar's icon and three buttons.
            const QFontMetrics title(QApplication::font());
            QVERIFY(f.prompt.boxWidths.last()
                    >= title.horizontalAdvance(f.prompt.messages.last().title) + 4 * title.height());
            QVERIFY(box->hasFocus());
            box->setEditText(QString());
        }
        QCOMPARE(f.set().recordCount(), 3);
        w.close();
        QVERIFY(f.window->close());
        COMPARE_TABLE(snapshot(f.folder.path()), before);
    }

    // Hostile sort keys: sorted, or the engine's message with the old order
    // kept. The file never changes.
    void sortKeys_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QList<int>>("order"); // empty: refused with a message
        QTest::newRow("apostrophe") << "客户姓名'" << QList<int>{};
        QTest::newRow("percent") << "%" << QList<int>{};
        QTest::newRow("asterisk") << "*" << QList<int>{};
        QTest::newRow("open bracket") << "[编号" << QList<int>{};
        QTest::newRow("backslash") << "编号\\" << QList<int>{};
        QTest::newRow("line break is a blank") << "编号\ndesc" << QList<int>{3, 2, 1};
        QTest::newRow("statement") << "编号; delete from 客户信息" << QList<int>{};
        QTest::newRow("subquery") << "(select 1)" << QList<int>{};
        QTest::newRow("number") << "1" << QList<int>{};
        QTest::newRow("desc typed") << "编号 desc" << QList<int>{3, 2, 1};
        QTest::newRow("no such field") << "姓名" << QList<int>{};
        // Once took the program down with a message box too wide to be shown.
        QTest::newRow("3000 characters") << QString(3000, QLatin1Char('k')) << QList<int>{};
    }
    void sortKeys()
    {
        QFETCH(QString, key);
        QFETCH(QList<int>, order);
        WorkspaceFixture f(makeJobs(1, 3));
        const Table before = snapshot(f.folder.path());
        QVERIFY(f.set().setRecordSource(QStringLiteral("select * from 客户信息 order by 编号")).ok());
        auto *w = new query::FrmSerial(*f.window);
        w->setAttribute(Qt::WA_DeleteOnClose, false);
        w->show();
        QApplication::processEvents();
        auto *keyBox = w->findChild<QComboBox *>(QStringLiteral("Combo1"));
        WorkspaceFixture::type(keyBox, key);
        w->findChild<QComboBox *>(QStringLiteral("Combo2"))->setEditText(QString());
        f.prompt.clear();
        QTest::mouseClick(w->findChild<QPushButton *>(QStringLiteral("cmdSerial")), Qt::LeftButton);
        QApplication::processEvents();
        QList<int> numbers;
        for (int i = 0; i < f.set().recordCount(); ++i)
            numbers << f.set().rowAt(i).value(QStringLiteral("编号")).toInt();
        if (order.isEmpty()) {
            QCOMPARE(f.prompt.messages.size(), 1);
            QCOMPARE(f.prompt.messages.first().title, QStringLiteral("排序窗口"));
            QCOMPARE(numbers, (QList<int>{1, 2, 3}));
        } else {
            QVERIFY2(f.prompt.messages.isEmpty(), qPrintable(f.prompt.texts().join(u'|')));
            QCOMPARE(numbers, order);
        }
        // An over-long key is refused before the sort: the window stays to take a field name.
        QCOMPARE(w->isVisible(), key.size() > query::kLongestKey);
        delete w;
        QVERIFY(f.window->close());
        COMPARE_TABLE(snapshot(f.folder.path()), before);
    }

    // Another program holds the file (BEGIN EXCLUSIVE): a move waits a
    // moment, says so in words the clerk reads, keeps what was typed and the
    // row; once the file is free the move saves the edited field and nothing
    // else, not even a value of the wrong kind this program would not store.
    void anotherProgramHoldsTheFile()
    {
        WorkspaceFixture f(makeJobs(1, 3));
        const QString path = f.folder.file(store::databaseFileName());
        {
            QSqlDatabase c = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
            c.setDatabaseName(path);
            QVERIFY(c.open());
            QSqlQuery q(c);
            QVERIFY(q.exec(QStringLiteral("PRAGMA ignore_check_constraints = ON")));
            QVERIFY(q.exec(QStringLiteral("UPDATE 客户信息 SET 上门费 = '12元' WHERE 编号 = 2")));
        }
        QVERIFY(f.set().refresh().ok());
        QVERIFY(f.set().moveTo(1).ok());
        Table expected = snapshot(f.folder.path());
        QCOMPARE(expected.at(1).value(QStringLiteral("上门费")).toString(), QStringLiteral("12元"));

        QSqlDatabase other = QSqlDatabase::database(QStringLiteral("other"));
        QSqlQuery hold(other);
        QVERIFY(hold.exec(QStringLiteral("BEGIN EXCLUSIVE")));
        WorkspaceFixture::type(f.info(0), QStringLiteral("改名"));
        f.prompt.clear();
        pageUp(f);
        f.settle();
        QCOMPARE(f.prompt.messages.size(), 1);
        QVERIFY2(f.prompt.texts().first().contains(QStringLiteral("正被另一个程序使用")),
                 qPrintable(f.prompt.texts().first()));
        QCOMPARE(f.set().absolutePosition(), 1);
        QCOMPARE(f.info(0)->text(), QStringLiteral("改名"));
        QVERIFY(f.info(0)->hasFocus());
        // A delete refused the same way loses nothing of what was typed either.
        f.prompt.clear();
        f.prompt.answers << common::Answer::Yes;
        f.window->findChild<QAction *>(QStringLiteral("delete"))->trigger();
        f.settle();
        QCOMPARE(f.prompt.messages.size(), 2);
        QVERIFY2(f.prompt.texts().last().contains(QStringLiteral("记录没有删除")), qPrintable(f.prompt.texts().last()));
        QCOMPARE(f.info(0)->text(), QStringLiteral("改名"));

        QVERIFY(hold.exec(QStringLiteral("ROLLBACK")));
        hold.finish();
        f.prompt.clear();
        pageUp(f);
        QVERIFY2(f.prompt.messages.isEmpty(), qPrintable(f.prompt.texts().join(u'|')));
        QCOMPARE(f.set().absolutePosition(), 0);
        expected[1].insert(QStringLiteral("客户姓名"), QStringLiteral("改名"));
        COMPARE_TABLE(snapshot(f.folder.path()), expected);
        other = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
    }

    // A data folder the program may not write: every command that would write
    // says so, nothing reports success, and the file stays as it was.
    void readOnlyDataFolder()
    {
        DataFolder folder;
        FixedClock clock{QDateTime(QDate(2024, 5, 20), QTime(9, 30, 15))};
        ScriptedPrompt prompt;
        createJobTable(folder.path(), {makeJob(1), makeJob(2),
                                       makeJob(3, {{QStringLiteral("Photo"), QStringLiteral("/old/3.jpg")}})})
            .reset();
        const Table before = snapshot(folder.path());
        const QString file = folder.file(store::databaseFileName());
        QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
        QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        const bool permissionsHold = !QFile(folder.file(QStringLiteral("probe"))).open(QIODevice::WriteOnly);
        auto dbOpened = store::Database::open(file);
        QVERIFY2(dbOpened.ok(), qPrintable(dbOpened.error().text));
        auto db = std::move(dbOpened).value();
        if (!permissionsHold) {
            // Run as root the permissions stop nothing: the connection itself
            // is made read-only, which the engine reports the same way.
            QSqlQuery q(db->sql());
            QVERIFY(q.exec(QStringLiteral("PRAGMA query_only = 1")));
        }
        {
            const common::ShopContext shop = folder.shop();
            workspace::frmCorvale window(*db, shop);
            window.show();
            window.activateWindow();
            QApplication::processEvents();
            const auto click = [&window](const char *name) {
                QTest::mouseClick(window.findChild<QPushButton *>(QString::fromLatin1(name)), Qt::LeftButton);
                QApplication::processEvents();
            };

            WorkspaceFixture::type(window.txtInfo(0), QStringLiteral("改不了"));
            prompt.clear();
            QTest::keyClick(window.txtInfo(0), Qt::Key_PageUp);
            QApplication::processEvents();
            QVERIFY2(anyStartsWith(prompt.texts(), kNotSaved), qPrintable(prompt.texts().join(u'|')));
            // What was typed is said to be kept only where something was typed.
            QVERIFY(prompt.texts().last().endsWith(QStringLiteral("尚未保存的修改仍在屏幕上。")));
            QCOMPARE(window.recordSet().absolutePosition(), 2);
            WorkspaceFixture::type(window.txtInfo(0), window.recordSet().value(QStringLiteral("客户姓名")).toString());
            window.binder().discardPendingEdits();

            prompt.clear();
            click("cmdAppend");
            // What did not happen, and what to look at.
            QVERIFY2(anyStartsWith(prompt.texts(), QStringLiteral("没有添加新记录：\n")), qPrintable(prompt.texts().join(u'|')));
            QVERIFY2(prompt.texts().last().contains(QStringLiteral("请检查该文件及其所在的文件夹是否允许写入")), qPrintable(prompt.texts().last()));
            QVERIFY(!prompt.texts().last().contains(QStringLiteral("尚未保存")));

            prompt.clear();
            prompt.answers << common::Answer::Yes;
            click("cmdDeleted");
            QVERIFY2(anyStartsWith(prompt.texts().mid(1), QStringLiteral("记录没有删除：\n")), qPrintable(prompt.texts().join(u'|')));

            prompt.clear();
            prompt.answers << common::Answer::Yes;
            click("cmdCopy");
            QVERIFY(!prompt.texts().contains(QStringLiteral("操作成功,请刷新!")));
            QVERIFY2(anyStartsWith(prompt.texts().mid(1), QStringLiteral("记录没有复制：\n")), qPrintable(prompt.texts().join(u'|')));

            window.findChild<QAction *>(QStringLiteral("ViewImage"))->trigger();
            prompt.clear();
            QVERIFY(window.recordSet().moveLast().ok());
            click("Command3");
            QVERIFY2(anyStartsWith(prompt.texts(), kNotSaved), qPrintable(prompt.texts().join(u'|')));
            window.binder().discardPendingEdits();

            // Reading still works.
            prompt.clear();
            click("cmdRenovation");
            QVERIFY(prompt.messages.isEmpty());
            QCOMPARE(window.recordSet().recordCount(), 3);
            window.binder().discardPendingEdits();
        }
        db.reset();
        QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        COMPARE_TABLE(snapshot(folder.path()), before);
    }
};

CORVALE_TEST_MAIN(TestBadInput)
#include "tst_badinput.moc"
