// The record commands, the fills, the fee total and the photo view, driven
// through the window's buttons and lists and checked in the file.
#include "support/testapp.h"
#include "workspace/workspacefixture.h"

#include "common/ui/widgets.h"
#include "workspace/photoview.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

class TestRecordCommands : public QObject {
    Q_OBJECT
private:
    static void click(const WorkspaceFixture &f, const char *button)
    {
        QTest::mouseClick(f.get<QPushButton>(QString::fromLatin1(button)), Qt::LeftButton);
        QApplication::processEvents();
    }
    static void goTo(const WorkspaceFixture &f, int number)
    {
        QVERIFY(f.set().findFirst(QStringLiteral("编号 =%1").arg(number)).ok());
        QVERIFY(!f.set().noMatch());
    }

private slots:
    void appendMakesTheNextJobWithDefaults()
    {
        WorkspaceFixture f(makeJobs(1, 17));
        WorkspaceFixture::type(f.info(1), QStringLiteral("新地址"));
        click(f, "cmdAppend");
        QVERIFY(f.prompt.messages.isEmpty());
        QCOMPARE(f.count(), 18);
        QCOMPARE(f.stored(17, QStringLiteral("地址")).toString(), QStringLiteral("新地址"));
        QCOMPARE(f.set().absolutePosition(), 17);
        QCOMPARE(f.get<QLabel>(QStringLiteral("lblAutoNumber"))->text(), QStringLiteral("18"));
        QVERIFY(f.info(0)->hasFocus());
        QCOMPARE(f.info(12)->text(), QStringLiteral("2024-05-20"));
        // A new job is not repaired (否) from the start, never unset: the
        // unrepaired list (已修否 = No) finds it at once.
        QCOMPARE(f.stored(18, QStringLiteral("quote(已修否)")).toString(), QStringLiteral("0"));
        QCOMPARE(f.combo(QStringLiteral("cboRepair"))->currentText(), QStringLiteral("否"));
        // The defaults reach the file when the row is left.
        f.window->close();
        QCOMPARE(f.stored(18, QStringLiteral("保修期")).toString(), QStringLiteral("六个月"));
        QCOMPARE(f.stored(18, QStringLiteral("接货日期")).toString(), QStringLiteral("2024-05-20"));
        QCOMPARE(f.stored(18, QStringLiteral("发货日期")).toString(), QStringLiteral("2024-05-20"));
        QCOMPARE(f.stored(18, QStringLiteral("开票时间")).toString(), QStringLiteral("09:30:15"));
        QCOMPARE(f.stored(18, QStringLiteral("是否申请")).toString(), QStringLiteral("否"));
    }

    void appendRefusesATakenOrImpossibleNumber()
    {
        {
            WorkspaceFixture f(makeJobs(1, 20));
            goTo(f, 17);
            f.window->findChild<QAction *>(QStringLiteral("append"))->trigger();
            QCOMPARE(f.prompt.texts(), QStringList{QStringLiteral("禁止编号重复！")});
            QCOMPARE(f.prompt.messages.first().title, QStringLiteral("警告"));
            QCOMPARE(f.prompt.messages.first().icon, common::Icon::Critical);
            QCOMPARE(f.count(), 20);
            QCOMPARE(f.set().absolutePosition(), 19);
        }
        {
            // No number after 32767: said, and nothing added.
            WorkspaceFixture f({makeJob(1), makeJob(32767)});
            click(f, "cmdAppend");
            QCOMPARE(f.prompt.texts(), QStringList{QStringLiteral("编号已到最大值 32767，不能再添加记录。")});
            QCOMPARE(f.count(), 2);
        }
        {
            // A new shop's empty table takes its first job as number 1.
            WorkspaceFixture f({});
            click(f, "cmdAppend");
            QVERIFY(f.prompt.messages.isEmpty());
            QCOMPARE(f.count(), 1);
            QCOMPARE(f.set().value(QStringLiteral("编号")).toInt(), 1);
            QCOMPARE(f.window->findChild<QComboBox *>(QStringLiteral("cboBiaoXiu"))->currentText(),
                     QStringLiteral("六个月"));
        }
        {
            // An empty filtered set says nothing about the numbers in use.
            WorkspaceFixture f({makeJob(1)});
            QVERIFY(f.set().setRecordSource(QStringLiteral("select * from 客户信息 where 编号=99")).ok());
            click(f, "cmdAppend");
            QCOMPARE(f.count(), 1);
        }
    }

    void deleteAsksThenRemoves()
    {
        WorkspaceFixture f(makeJobs(1, 5));
        f.prompt.answers << common::Answer::No;
        click(f, "cmdDeleted");
        QCOMPARE(f.prompt.texts(), QStringList{QStringLiteral("真的要删除吗？")});
        QCOMPARE(f.prompt.messages.first().buttons, common::Buttons::YesNo);
        QCOMPARE(f.prompt.messages.first().icon, common::Icon::Question);
        QCOMPARE(f.count(), 5);

        goTo(f, 3);
        WorkspaceFixture::type(f.info(0), QStringLiteral("将被删除"));
        click(f, "cmdDeleted");
        QCOMPARE(f.count(), 4);
        QCOMPARE(f.count(QStringLiteral("where 编号=3")), 0);
        QCOMPARE(f.get<QLabel>(QStringLiteral("lblAutoNumber"))->text(), QStringLiteral("2"));
        QCOMPARE(f.stored(2, QStringLiteral("客户姓名")), makeJob(2).value(QStringLiteral("客户姓名")));

        // The first row deleted: no current row until the user moves.
        QVERIFY(f.set().moveFirst().ok());
        click(f, "cmdDeleted");
        QCOMPARE(f.count(QStringLiteral("where 编号=1")), 0);
        QCOMPARE(f.set().absolutePosition(), -1);
        QVERIFY(f.info(0)->text().isEmpty());
    }

    void numberSearch()
    {
        WorkspaceFixture f(makeJobs(1, 20));
        f.prompt.inputAnswers << QStringLiteral("7");
        click(f, "cmdFind");
        QCOMPARE(f.prompt.inputsAsked, QStringList{QStringLiteral("请输入编号:")});
        QCOMPARE(f.set().absolutePosition(), 6);

        f.prompt.inputAnswers << QStringLiteral("99");
        click(f, "cmdFind");
        QCOMPARE(f.prompt.texts(), QStringList{QStringLiteral("没找到!")});
        QCOMPARE(f.prompt.messages.first().title, QStringLiteral("提示"));
        QCOMPARE(f.prompt.messages.first().icon, common::Icon::None);
        QCOMPARE(f.set().absolutePosition(), 6);

        f.prompt.clear();
        f.prompt.inputAnswers << QStringLiteral("40000");
        f.window->findChild<QAction *>(QStringLiteral("findNumber"))->trigger();
        QCOMPARE(f.prompt.texts(), QStringList{QStringLiteral("数字溢出！请重新输入。")});
        QCOMPARE(f.prompt.messages.first().icon, common::Icon::Critical);
        QCOMPARE(f.prompt.messages.first().title, QStringLiteral("警告"));

        f.prompt.clear();
        f.prompt.inputAnswers << std::nullopt << QStringLiteral("abc") << QString();
        for (int i = 0; i < 3; ++i)
            click(f, "cmdFind");
        QVERIFY(f.prompt.messages.isEmpty());
        QCOMPARE(f.set().absolutePosition(), 6);
    }

    void refreshUndoesTheQueryMarks()
    {
        WorkspaceFixture f(makeJobs(1, 10));
        QVERIFY(f.set().setRecordSource(QStringLiteral("select * from 客户信息 where 编号<>0 and 编号 < 4")).ok());
        common::setBackColor(f.get(QStringLiteral("cmdSearch")), QColor(255, 0, 0));
        common::setBackColor(f.get(QStringLiteral("cmdFind")), QColor(255, 0, 0));
        const query::FilterCommands commands = f.window->filterCommands();
        for (QAction *c : {commands.append, commands.deleteJob, commands.copy})
            c->setEnabled(false);
        for (const char *b : {"cmdAppend", "cmdDeleted", "cmdCopy"})
            QVERIFY(!f.get(QString::fromLatin1(b))->isEnabled());
        QVERIFY(!f.window->commands().copy->isEnabled()); // the 高级功能 item with its button
        QCOMPARE(f.set().recordCount(), 3);

        click(f, "cmdRenovation");
        QCOMPARE(f.set().recordCount(), 10);
        QCOMPARE(f.set().absolutePosition(), 9);
        QCOMPARE(f.window->txtNewID(), qint16(10));
        QCOMPARE(common::backColor(f.get(QStringLiteral("cmdSearch"))), common::buttonColor());
        QCOMPARE(common::backColor(f.get(QStringLiteral("cmdFind"))), common::buttonColor());
        for (const char *b : {"cmdAppend", "cmdDeleted", "cmdCopy"})
            QVERIFY(f.get(QString::fromLatin1(b))->isEnabled());
        QVERIFY(f.window->commands().copy->isEnabled());
    }

    void querySearchFinishesWithItsAfterSteps()
    {
        WorkspaceFixture f(makeJobs(1, 3));
        common::setBackColor(f.get(QStringLiteral("cmdFind")), QColor(255, 0, 0));
        f.window->filterCommands().refresh->setEnabled(false);
        bool sawQueryWindow = false;
        // The query window is modal: close it as soon as it is up.
        QTimer::singleShot(0, [&sawQueryWindow] {
            if (QWidget *modal = QApplication::activeModalWidget()) {
                sawQueryWindow = modal->objectName() == QLatin1String("frmSearch");
                modal->close();
            }
        });
        click(f, "cmdSearch");
        QVERIFY(sawQueryWindow);
        QCOMPARE(common::backColor(f.get(QStringLiteral("cmdFind"))), common::buttonColor());
        QVERIFY(f.get(QStringLiteral("cmdRenovation"))->isEnabled());
    }

    void refreshReportsATooLongValue()
    {
        WorkspaceFixture f(makeJobs(1, 3));
        QVERIFY(f.set().setRecordSource(QStringLiteral("select * from 客户信息 where 编号<>0 and 编号 < 3")).ok());
        QVERIFY(f.set().moveLast().ok());
        const QVariant before = f.stored(2, QStringLiteral("地址"));
        WorkspaceFixture::type(f.info(1), QString(120, QChar(u'路')));
        f.window->findChild<QAction *>(QStringLiteral("Refresh"))->trigger();
        QCOMPARE(f.prompt.texts(), QStringList{QStringLiteral("字段太小而不能接受输入的数据，请重新输入！")});
        QCOMPARE(f.prompt.messages.first().icon, common::Icon::Critical);
        QCOMPARE(f.stored(2, QStringLiteral("地址")), before);
        QCOMPARE(f.set().recordCount(), 2);
        QCOMPARE(f.window->txtNewID(), qint16(2));
    }

    void copyMakesANumberedCopyAtOnce()
    {
        WorkspaceFixture f(makeJobs(1, 10));
        goTo(f, 5);
        click(f, "cmdCopy");
        QCOMPARE(f.prompt.texts(), (QStringList{QStringLiteral("真的要复制吗？"), QStringLiteral("操作成功,请刷新!")}));
        QCOMPARE(f.prompt.messages.at(0).icon, common::Icon::Question);
        QCOMPARE(f.prompt.messages.at(1).title, QStringLiteral("Corvale V3.0"));
        // In the file at once, with its own number: no moment with two rows numbered 5.
        QCOMPARE(f.count(), 11);
        QCOMPARE(f.count(QStringLiteral("where 编号=5")), 1);
        QCOMPARE(f.stored(11, QStringLiteral("客户姓名")), f.stored(5, QStringLiteral("客户姓名")));
        QCOMPARE(f.stored(11, QStringLiteral("接货日期")).toString(), QStringLiteral("2024-05-20"));
        QCOMPARE(f.stored(11, QStringLiteral("发货日期")).toString(), QStringLiteral("2024-05-20"));
        for (const char *field : {"故障修理", "检修结果", "修理内容", "配件"})
            QVERIFY(f.stored(11, QString::fromUtf8(field)).toString().isEmpty());
        for (const char *field : {"上门费", "维修费", "车补", "差旅费", "搬运费", "合计"})
            QCOMPARE(f.stored(11, QString::fromUtf8(field)).toInt(), 0);
        QCOMPARE(f.set().recordCount(), 2);
        QCOMPARE(f.set().absolutePosition(), 1);
        QCOMPARE(f.get<QLabel>(QStringLiteral("lblAutoNumber"))->text(), QStringLiteral("11"));
        QCOMPARE(f.info(22)->text(), QStringLiteral("0"));

        f.prompt.clear();
        f.prompt.answers << common::Answer::No;
        f.window->findChild<QAction *>(QStringLiteral("CopyRecord"))->trigger();
        QCOMPARE(f.count(), 11);
    }

    void copyRefusesATakenOrImpossibleNumber()
    {
        {
            QList<QVariantMap> jobs = makeJobs(1, 9);
            jobs << makeJob(11) << makeJob(10); // the last row is 10; 11 is taken
            WorkspaceFixture f(jobs);
            click(f, "cmdCopy");
            QCOMPARE(f.prompt.texts(), (QStringList{QStringLiteral("真的要复制吗？"), QStringLiteral("禁止编号重复！")}));
            QCOMPARE(f.prompt.messages.at(1).icon, common::Icon::Critical);
            QCOMPARE(f.count(), 11);
        }
        {
            // Said before the question is asked, not after it.
            WorkspaceFixture f({makeJob(1), makeJob(32767)});
            click(f, "cmdCopy");
            // Said before the question, not after it.
            QCOMPARE(f.prompt.texts(), QStringList{QStringLiteral("编号已到最大值 32767，不能再添加记录。")});
            QCOMPARE(f.count(), 2);
        }
    }

    void picksFillTheirFields()
    {
        WorkspaceFixture f(makeJobs(1, 2));
        f.pick(QStringLiteral("cboAera"), QStringLiteral("江东"));
        QCOMPARE(f.combo(QStringLiteral("cboMail"))->currentText(), QStringLiteral("315040"));

        WorkspaceFixture::type(f.combo(QStringLiteral("cboType")), QStringLiteral("新飞BCD-182"));
        f.pick(QStringLiteral("Combo13"), QStringLiteral("压缩机"));
        QCOMPARE(f.get<QLineEdit>(QStringLiteral("txtTingsCode"))->text(), QStringLiteral("501"));
        f.pick(QStringLiteral("Combo9"), QStringLiteral("内堵"));
        QCOMPARE(f.combo(QStringLiteral("Combo8"))->currentText(), QStringLiteral("换过滤器修复"));
        QCOMPARE(f.get<QLineEdit>(QStringLiteral("txtCode"))->text(), QStringLiteral("419-01"));

        // Another brand (or a blank before 新飞): codes stay as they were.
        WorkspaceFixture::type(f.combo(QStringLiteral("cboType")), QStringLiteral(" 新飞BCD-182"));
        f.pick(QStringLiteral("Combo13"), QStringLiteral("冷凝器"));
        QCOMPARE(f.get<QLineEdit>(QStringLiteral("txtTingsCode"))->text(), QStringLiteral("501"));
        f.pick(QStringLiteral("Combo9"), QStringLiteral("温控坏"));
        QCOMPARE(f.combo(QStringLiteral("Combo8"))->currentText(), QStringLiteral("修理温控修复"));
        QCOMPARE(f.get<QLineEdit>(QStringLiteral("txtCode"))->text(), QStringLiteral("419-01"));

        f.info(26)->setText(QStringLiteral("15"));
        f.pick(QStringLiteral("cboRepairType"), QStringLiteral("小修"));
        QCOMPARE(f.info(26)->text(), QStringLiteral("15"));
        f.pick(QStringLiteral("cboRepairType"), QStringLiteral("中修2"));
        QCOMPARE(f.info(26)->text(), QStringLiteral("30"));

        // Typing fills nothing.
        WorkspaceFixture::type(f.combo(QStringLiteral("cboAera")), QStringLiteral("海曙"));
        QCOMPARE(f.combo(QStringLiteral("cboMail"))->currentText(), QStringLiteral("315040"));
        WorkspaceFixture::type(f.combo(QStringLiteral("Combo9")), QStringLiteral("漏水"));
        QCOMPARE(f.combo(QStringLiteral("Combo8"))->currentText(), QStringLiteral("修理温控修复"));

        // The fills are saved with the row.
        f.window->close();
        QCOMPARE(f.stored(2, QStringLiteral("邮编")).toString(), QStringLiteral("315040"));
        QCOMPARE(f.stored(2, QStringLiteral("代码")).toString(), QStringLiteral("419-01"));
        QCOMPARE(f.stored(2, QStringLiteral("搬运费")).toInt(), 30);
    }

    // Page Up/Page Down in a box moves between jobs, as from a text field:
    // the box's value, its fills and the repaired flag stay as they were.
    void pageKeysInABoxMoveBetweenJobs()
    {
        WorkspaceFixture f(makeJobs(1, 3));
        const QVariant district2 = f.stored(2, QStringLiteral("地区")), postcode2 = f.stored(2, QStringLiteral("邮编"));
        const QVariant repaired2 = f.stored(2, QStringLiteral("已修否"));
        QVERIFY(f.set().moveTo(1).ok());
        for (const char *box : {"cboAera", "cboPeople", "cboType"}) {
            QComboBox *c = f.combo(QString::fromLatin1(box));
            c->setFocus();
            QTest::keyClick(c, Qt::Key_PageDown);
            QCOMPARE(f.set().absolutePosition(), 2);
            QTest::keyClick(f.combo(QString::fromLatin1(box)), Qt::Key_PageUp);
            QCOMPARE(f.set().absolutePosition(), 1);
        }
        f.window->close();
        QCOMPARE(f.stored(2, QStringLiteral("地区")), district2);
        QCOMPARE(f.stored(2, QStringLiteral("邮编")), postcode2);
        QCOMPARE(f.stored(2, QStringLiteral("已修否")), repaired2);
    }

    void repairedFlagIsSavedAtOnce()
    {
        WorkspaceFixture f(makeJobs(1, 2)); // job 2 is not repaired
        QCOMPARE(f.stored(2, QStringLiteral("已修否")).toInt(), 0);
        f.pick(QStringLiteral("cboPeople"), f.combo(QStringLiteral("cboPeople"))->itemText(2));
        QCOMPARE(f.stored(2, QStringLiteral("已修否")).toInt(), -1);
        QCOMPARE(f.stored(2, QStringLiteral("修理人员")).toString(), f.combo(QStringLiteral("cboPeople"))->itemText(2));
        QVERIFY(f.get<QCheckBox>(QStringLiteral("chkDisplay"))->isChecked());
        // 已经修否 says so at once, not only once the job is left.
        QCOMPARE(f.combo(QStringLiteral("cboRepair"))->currentText(), QStringLiteral("是"));

        f.pick(QStringLiteral("cboRepair"), QStringLiteral("否"));
        QCOMPARE(f.stored(2, QStringLiteral("已修否")).toInt(), 0);
        f.pick(QStringLiteral("cboRepair"), QStringLiteral("是"));
        QCOMPARE(f.stored(2, QStringLiteral("已修否")).toInt(), -1);

        QTest::mouseClick(f.get<QCheckBox>(QStringLiteral("chkDisplay")), Qt::LeftButton);
        QCOMPARE(f.stored(2, QStringLiteral("已修否")).toInt(), 0);
        QCOMPARE(f.combo(QStringLiteral("cboRepair"))->currentText(), QStringLiteral("否"));
    }

    void feeTotalOnClickEnterOrSpace()
    {
        WorkspaceFixture f(makeJobs(1, 1));
        QLineEdit *sum = f.get<QLineEdit>(QStringLiteral("sum3"));
        const QStringList charges = {"20", "0", "0", "0", "30"};
        for (int i = 0; i < 5; ++i)
            f.info(22 + i)->setText(charges.at(i));
        f.info(21)->setText(QStringLiteral("15"));
        f.info(26)->setFocus();
        QTest::keyClick(f.info(26), Qt::Key_Tab);
        QCOMPARE(sum->text(), QStringLiteral("55.5")); // Tab does not add up
        QVERIFY(sum->hasFocus());
        QTest::keyClick(sum, Qt::Key_Return);
        QCOMPARE(sum->text(), QStringLiteral("50"));
        f.info(23)->setText(QStringLiteral("5"));
        QTest::keyClick(sum, Qt::Key_Space);
        QCOMPARE(sum->text(), QStringLiteral("55")); // added up, and no blank typed into it
        f.info(23)->setText(QStringLiteral("0"));
        QTest::mouseClick(sum, Qt::LeftButton);
        QCOMPARE(sum->text(), QStringLiteral("50"));

        f.info(22)->setText(QStringLiteral("12.5"));
        f.info(23)->setText(QStringLiteral("-10"));
        QTest::mouseClick(sum, Qt::LeftButton);
        QCOMPARE(sum->text(), QStringLiteral("32.5")); // to the fen, as the charges print

        f.info(24)->clear();
        QTest::mouseClick(sum, Qt::LeftButton);
        QCOMPARE(sum->text(), QStringLiteral("32.5"));
        QVERIFY(f.prompt.messages.isEmpty());

        f.info(22)->setText(QStringLiteral("30000"));
        f.info(23)->setText(QStringLiteral("2767"));
        f.info(24)->setText(QStringLiteral("1"));
        QTest::mouseClick(sum, Qt::LeftButton);
        QCOMPARE(sum->text(), QStringLiteral("32.5"));
        QCOMPARE(f.prompt.messages.size(), 1);
        QCOMPARE(f.prompt.messages.first().title, QStringLiteral("警告"));
        f.info(24)->setText(QStringLiteral("0"));
        f.info(26)->setText(QStringLiteral("0"));
        QTest::mouseClick(sum, Qt::LeftButton);
        QCOMPARE(sum->text(), QStringLiteral("32767"));
        f.window->close();
        QCOMPARE(f.stored(1, QStringLiteral("合计")).toInt(), 32767);
    }

    void photoView()
    {
        WorkspaceFixture f({makeJob(1, {{QStringLiteral("Photo"), QStringLiteral("/old/1.jpg")}}),
                            makeJob(2, {{QStringLiteral("Photo"), QStringLiteral("/old/2.jpg")}})});
        auto *viewImage = f.window->findChild<QAction *>(QStringLiteral("ViewImage"));
        viewImage->trigger();
        QVERIFY(viewImage->isChecked());
        QVERIFY(!f.window->findChild<QAction *>(QStringLiteral("ViewTable"))->isChecked());
        QVERIFY(f.get(QStringLiteral("Image1"))->isVisible());
        QVERIFY(f.get(QStringLiteral("txtPhoto"))->isVisible());
        QVERIFY(!f.get(QStringLiteral("Frame1"))->isVisible());

        // No part, no dialog.
        f.combo(QStringLiteral("Combo13"))->setEditText(QString());
        click(f, "cmdChangePhoto");
        QVERIFY(f.prompt.filesAsked.isEmpty());

        // Cancelled: the old path stays.
        f.combo(QStringLiteral("Combo13"))->setEditText(QStringLiteral("门体"));
        click(f, "cmdChangePhoto");
        QCOMPARE(f.prompt.filesAsked, QStringList{QStringLiteral("*.jpg (*.jpg)")});
        QCOMPARE(f.get<QLineEdit>(QStringLiteral("txtPhoto"))->text(), QStringLiteral("/old/2.jpg"));

        // Not a picture: refused, nothing written.
        const QString bad = f.folder.file(QStringLiteral("bad.jpg"));
        { QFile file(bad); QVERIFY(file.open(QIODevice::WriteOnly)); file.write("not a picture"); }
        f.prompt.fileAnswers << bad;
        click(f, "cmdChangePhoto");
        QCOMPARE(f.prompt.messages.size(), 1);
        QCOMPARE(f.prompt.messages.first().title, QStringLiteral("警告"));
        QCOMPARE(f.get<QLineEdit>(QStringLiteral("txtPhoto"))->text(), QStringLiteral("/old/2.jpg"));

        const QString good = f.folder.file(QStringLiteral("门体.jpg"));
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(Qt::red);
        QVERIFY(picture.save(good, "JPG"));
        f.prompt.fileAnswers << good;
        click(f, "cmdChangePhoto");
        QCOMPARE(f.get<QLineEdit>(QStringLiteral("txtPhoto"))->text(), good);
        auto *image = f.get<QLabel>(QStringLiteral("Image1"));
        QVERIFY(!image->pixmap().isNull());

        // Moving on saves the path; the picture stays while the path follows the row.
        QVERIFY(f.set().moveFirst().ok());
        QCOMPARE(f.stored(2, QStringLiteral("Photo")).toString(), good);
        QCOMPARE(f.get<QLineEdit>(QStringLiteral("txtPhoto"))->text(), QStringLiteral("/old/1.jpg"));
        QVERIFY(!image->pixmap().isNull());

        click(f, "Command3");
        QCOMPARE(f.stored(1, QStringLiteral("Photo")).toString(), QString());
        QVERIFY(!image->pixmap().isNull());

        f.window->findChild<QAction *>(QStringLiteral("ViewTable"))->trigger();
        QVERIFY(!image->isVisible());
        QVERIFY(!f.get(QStringLiteral("cmdChangePhoto"))->isVisible());
        QVERIFY(f.get(QStringLiteral("Frame1"))->isVisible());
        viewImage->trigger();
        QVERIFY(image->isVisible());
        QVERIFY(!image->pixmap().isNull());
    }

    void clearPhotoWithoutARowDoesNothing()
    {
        WorkspaceFixture f({});
        f.window->findChild<QAction *>(QStringLiteral("ViewImage"))->trigger();
        click(f, "Command3");
        QVERIFY(f.prompt.messages.isEmpty());
        QCOMPARE(f.count(), 0);
    }
};

CORVALE_TEST_MAIN(TestRecordCommands)
#include "tst_recordcommands.moc"
