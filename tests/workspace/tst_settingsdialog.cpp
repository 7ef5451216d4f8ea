// The 基础资料设置 dialog: what is typed reaches the file and the caller, a
// cancel or a failed save changes nothing.
#include "workspace/settingsdialog.h"
#include "store/serveraddress.h"
#include "support/checked.h"
#include "support/datafolder.h"
#include "support/jobtable.h"
#include "support/scriptedprompt.h"
#include "support/testapp.h"

#include <QApplication>
#include <QDoubleSpinBox>
#include <QListWidget>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

using common::SiteSettings;
using workspace::SettingsDialog;

namespace {

// Runs `act` on the dialog once its modal loop is running.
void whenOpen(const std::function<void(QWidget *)> &act)
{
    QTimer::singleShot(0, [act] {
        QWidget *dialog = QApplication::activeModalWidget();
        QVERIFY(dialog);
        act(dialog);
    });
}

template <typename T>
T *child(QWidget *dialog, const char *name)
{
    T *w = dialog->findChild<T *>(QLatin1String(name));
    if (!w)
        qWarning() << "no widget" << name;
    return w;
}

} // namespace

class TestSettingsDialog : public QObject {
    Q_OBJECT
private slots:
    void editedStaffListIsSavedAndReturned();
    void opensOnTheRequestedPageAndCancelChangesNothing();
    void presetListPageRestoresItsDefaults();
    void newShopParticularsAreHints();
    void failedSaveKeepsTheDialogOpen();
    void stationeryOffsetsPerReport();
    void linesBecomeItems();
    void keyboardFromTheFirstField();
    void serverAddressIsEditedWithoutItsPassword();
    void leavingTheServerIsAskedAndPastedLinesAreKept();
    void aServerThatAnswersIsSavedAfterOneQuestion();
};

void TestSettingsDialog::editedStaffListIsSavedAndReturned()
{
    DataFolder folder;
    const QString ini = folder.file(common::settingsFileName());
    SiteSettings settings = SiteSettings::defaults();
    settings.backupCount = 9;
    const SiteSettings before = settings;

    whenOpen([](QWidget *dialog) {
        child<QPlainTextEdit>(dialog, "txtRepairers")->setPlainText(QStringLiteral("老孙\n\n  小李  \n"));
        child<QLineEdit>(dialog, "txtName")->setText(QStringLiteral("城东家电维修部"));
        QTest::mouseClick(child<QPushButton>(dialog, "cmdSave"), Qt::LeftButton);
    });
    QVERIFY(SettingsDialog::edit(nullptr, common::SettingsPage::ServicePoint, settings, ini));

    QCOMPARE(settings.repairers, QStringList({"老孙", "小李"}));
    QCOMPARE(settings.servicePoint.name, QStringLiteral("城东家电维修部"));
    QCOMPARE(settings.broughtIn, before.broughtIn);
    QCOMPARE(settings.backupCount, 9); // values the dialog does not show are kept
    const auto loaded = SiteSettings::load(ini);
    QVERIFY(loaded.ok() && loaded->settings == settings && loaded->notes.isEmpty());
}

void TestSettingsDialog::opensOnTheRequestedPageAndCancelChangesNothing()
{
    DataFolder folder;
    const QString ini = folder.file(common::settingsFileName());
    SiteSettings settings = SiteSettings::defaults();
    int page = -1;
    QString caption;
    whenOpen([&](QWidget *dialog) {
        auto *tabs = child<QTabWidget>(dialog, "tabPages");
        page = tabs->currentIndex();
        caption = tabs->tabText(page);
        child<QPlainTextEdit>(dialog, "txtParts")->setPlainText(QStringLiteral("只有这一个"));
        QTest::mouseClick(child<QPushButton>(dialog, "cmdCancel"), Qt::LeftButton);
    });
    QVERIFY(!SettingsDialog::edit(nullptr, common::SettingsPage::Parts, settings, ini));
    QCOMPARE(caption, QStringLiteral("申请配件设置"));
    QVERIFY(settings == SiteSettings::defaults());
    QVERIFY(!QFile::exists(ini));
}

void TestSettingsDialog::presetListPageRestoresItsDefaults()
{
    DataFolder folder;
    SiteSettings settings = SiteSettings::defaults();
    settings.models = {QStringLiteral("海尔")};
    SettingsDialog dialog(settings, folder.file(common::settingsFileName()));
    dialog.showPage(common::SettingsPage::Models);
    QCOMPARE(dialog.settings().models, QStringList({"海尔"}));
    QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("txtModelsDefaults")), Qt::LeftButton);
    QCOMPARE(dialog.settings().models, SiteSettings::defaults().models);
    QCOMPARE(dialog.settings().parts, SiteSettings::defaults().parts);
}

// A clerk clicks into 电话 and types the number: the new shop's "（电话）" is
// not kept in front of it; particulars left alone keep their placeholders,
// so printing still asks for them; one the clerk empties is empty.
void TestSettingsDialog::newShopParticularsAreHints()
{
    DataFolder folder;
    SiteSettings settings = SiteSettings::defaults();
    settings.servicePoint.contact = QStringLiteral("陈明");
    SettingsDialog dialog(settings, folder.file(common::settingsFileName()));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto *phone = dialog.findChild<QLineEdit *>(QStringLiteral("txtPhone"));
    QTest::mouseClick(phone, Qt::LeftButton, {}, phone->rect().center());
    QTest::keyClicks(phone, QStringLiteral("87654321"));
    auto *contact = dialog.findChild<QLineEdit *>(QStringLiteral("txtContact"));
    contact->setFocus();
    contact->selectAll();
    QTest::keyClick(contact, Qt::Key_Delete);

    const common::ServicePoint saved = dialog.settings().servicePoint;
    QCOMPARE(saved.phone, QStringLiteral("87654321"));
    QCOMPARE(saved.fax, SiteSettings::defaults().servicePoint.fax);
    QCOMPARE(saved.contact, QString());
    QCOMPARE(common::placeholdersIn(saved, {QStringLiteral("phoneFax")}), QStringList{QStringLiteral("传真")});
}

void TestSettingsDialog::failedSaveKeepsTheDialogOpen()
{
    DataFolder folder;
    ScriptedPrompt prompt;
    SettingsDialog dialog(SiteSettings::defaults(), folder.file(QStringLiteral("missing/corvale.ini")));
    dialog.show();
    dialog.findChild<QPlainTextEdit *>(QStringLiteral("txtTakenBack"))->setPlainText(QStringLiteral("甲"));
    dialog.accept();
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(prompt.messages.size(), 1);
    QCOMPARE(prompt.messages.first().title, QStringLiteral("警告"));
    QVERIFY(prompt.messages.first().text.contains(QStringLiteral("设置没有保存")));

    // A file that is no text is replaced only when the clerk says so, and kept.
    const QString binaryIni = folder.file(common::settingsFileName());
    const QByteArray binary("\x00\x01\x02\xff corvale\x00", 14);
    {
        QFile f(binaryIni);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(binary);
    }
    SettingsDialog replacing(SiteSettings::defaults(), binaryIni);
    replacing.show();
    prompt.clear();
    prompt.answers = {common::Answer::No};
    replacing.accept();
    QVERIFY(replacing.isVisible());
    QCOMPARE(prompt.messages.size(), 1);
    QCOMPARE(prompt.messages.first().buttons, common::Buttons::YesNo);
    QVERIFY(prompt.messages.first().text.contains(QStringLiteral("corvale.ini.bak")));
    prompt.answers = {common::Answer::Yes};
    replacing.accept();
    QCOMPARE(replacing.result(), int(QDialog::Accepted));
    QFile kept(common::settingsBackupPath(binaryIni));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), binary);
    QVERIFY(SiteSettings::load(binaryIni).ok());
}

void TestSettingsDialog::stationeryOffsetsPerReport()
{
    DataFolder folder;
    SiteSettings settings = SiteSettings::defaults();
    settings.stationery.insert(QStringLiteral("修理凭单"), common::Stationery{1, 2, QPageSize::B5, {}});
    SettingsDialog dialog(settings, folder.file(common::settingsFileName()));
    dialog.showPage(common::SettingsPage::Stationery);
    QCOMPARE(dialog.currentPage(), common::SettingsPage::Stationery);
    auto *reports = dialog.findChild<QListWidget *>(QStringLiteral("lstReports"));
    auto *x = dialog.findChild<QDoubleSpinBox *>(QStringLiteral("spnOffsetX"));
    auto *y = dialog.findChild<QDoubleSpinBox *>(QStringLiteral("spnOffsetY"));
    QVERIFY(reports && x && y && dialog.findChild<QWidget *>(QStringLiteral("stationeryPreview")));

    reports->setCurrentRow(reports->row(reports->findItems(QStringLiteral("修理凭单"), Qt::MatchExactly).first()));
    QCOMPARE(x->value(), 1.0);
    QCOMPARE(y->value(), 2.0);
    y->setValue(-3.5);
    reports->setCurrentRow(reports->row(reports->findItems(QStringLiteral("小信封"), Qt::MatchExactly).first()));
    QCOMPARE(x->value(), 0.0);
    x->setValue(4);

    const SiteSettings edited = dialog.settings();
    QCOMPARE(edited.stationery.value(QStringLiteral("修理凭单")), (common::Stationery{1, -3.5, QPageSize::B5, {}}));
    QCOMPARE(edited.stationery.value(QStringLiteral("小信封")).offsetXmm, 4.0);
    QCOMPARE(edited.stationery.size(), 2); // reports left alone get no entry
}

void TestSettingsDialog::linesBecomeItems()
{
    QCOMPARE(workspace::itemsFromLines(QStringLiteral(" 甲 \r\n\n乙\n   \n丙")), QStringList({"甲", "乙", "丙"}));
    QCOMPARE(workspace::itemsFromLines(QString()), QStringList());
}

namespace {

// A server address on a port just let go: its connection is refused at once.
QString refusingServer(const QString &userInfo, const QString &database)
{
    QTcpServer nobody;
    if (!nobody.listen(QHostAddress::LocalHost))
        return {};
    const quint16 port = nobody.serverPort();
    nobody.close();
    return QStringLiteral("postgresql://%1@127.0.0.1:%2/%3").arg(userInfo).arg(port).arg(database);
}

// Clicks into the line (no select-all, as a tab would) and puts the cursor
// at its end, once its window has the focus back from any message box.
void clickToTheEnd(QLineEdit *line)
{
    QVERIFY(QTest::qWaitForWindowActive(line->window()));
    QTest::mouseClick(line, Qt::LeftButton, {}, line->rect().center());
    QVERIFY(line->hasFocus());
    QTest::keyClick(line, Qt::Key_End);
}

QString savedServer(const QString &ini)
{
    const auto loaded = SiteSettings::load(ini);
    return loaded.ok() ? loaded->settings.databaseServer : QStringLiteral("<unreadable>");
}

// A desk whose settings name a server that refuses at once.
SiteSettings onRefusingServer()
{
    SiteSettings settings = SiteSettings::defaults();
    settings.databaseServer = refusingServer(QStringLiteral("clerk:s3cret"), QStringLiteral("corvale"));
    return settings;
}

// 基础资料设置 shown on its 数据库服务器 page; false when it never showed.
bool showServerPage(SettingsDialog &dialog)
{
    dialog.showPage(common::SettingsPage::Database);
    dialog.show();
    return QTest::qWaitForWindowExposed(&dialog);
}

} // namespace

// The address is edited in the open with the password in a field of its
// own, dots until 显示: editing the address keeps the password. A change of
// server that does not connect is asked about once, saying why and what
// will happen; No keeps the file as it was.
void TestSettingsDialog::serverAddressIsEditedWithoutItsPassword()
{
    DataFolder folder;
    ScriptedPrompt prompt;
    const QString ini = folder.file(common::settingsFileName());
    const SiteSettings settings = onRefusingServer();
    QVERIFY(settings.save(ini).ok());
    SettingsDialog dialog(settings, ini);
    QVERIFY(showServerPage(dialog));
    auto *server = child<QLineEdit>(&dialog, "txtServer");
    auto *password = child<QLineEdit>(&dialog, "txtServerPassword");
    QCOMPARE(server->displayText(), QString(settings.databaseServer).remove(QStringLiteral(":s3cret")));
    QVERIFY2(!password->displayText().contains(QStringLiteral("s3cret")), qPrintable(password->displayText()));

    CHECKED(clickToTheEnd(server));
    for (int i = 0; i < int(qstrlen("corvale")); ++i)
        QTest::keyClick(server, Qt::Key_Backspace);
    QTest::keyClicks(server, QStringLiteral("shop2"));
    QTest::mouseClick(child<QPushButton>(&dialog, "cmdShowServer"), Qt::LeftButton);
    QCOMPARE(password->displayText(), QStringLiteral("s3cret"));

    prompt.answers = {common::Answer::No};
    QTest::mouseClick(child<QPushButton>(&dialog, "cmdSave"), Qt::LeftButton);
    QCOMPARE(prompt.messages.size(), 1);
    const QString asked = prompt.messages.first().text;
    QCOMPARE(prompt.messages.first().buttons, common::Buttons::YesNo);
    QVERIFY2(asked.contains(QStringLiteral("连接不上")) && asked.contains(QStringLiteral("没有接受连接"))
                 && asked.contains(QStringLiteral("另一个数据库服务器")) && asked.contains(QStringLiteral("/shop2")),
             qPrintable(asked));
    QVERIFY2(!asked.contains(QStringLiteral("s3cret")), qPrintable(asked));
    QVERIFY(dialog.isVisible());
    QCOMPARE(savedServer(ini), settings.databaseServer);

    prompt.clear();
    prompt.answers = {common::Answer::Yes};
    QTest::mouseClick(child<QPushButton>(&dialog, "cmdSave"), Qt::LeftButton);
    QCOMPARE(prompt.messages.size(), 1);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(savedServer(ini), QString(settings.databaseServer).replace(QStringLiteral("/corvale"), QStringLiteral("/shop2")));
    QVERIFY(!(QFile::permissions(ini) & (QFile::ReadGroup | QFile::ReadOther)));
}

// Emptying the line takes the desk off its server: asked once, saying that
// jobs will then be kept on this computer only; the line goes only on Yes.
// A whole line pasted with its password moves the password to its field
// and is saved as typed; a line that is no address is refused by name.
void TestSettingsDialog::leavingTheServerIsAskedAndPastedLinesAreKept()
{
    DataFolder folder;
    ScriptedPrompt prompt;
    const QString ini = folder.file(common::settingsFileName());
    const SiteSettings settings = onRefusingServer();
    QVERIFY(settings.save(ini).ok());
    SettingsDialog dialog(settings, ini);
    QVERIFY(showServerPage(dialog));
    auto *server = child<QLineEdit>(&dialog, "txtServer");
    auto *password = child<QLineEdit>(&dialog, "txtServerPassword");
    CHECKED(clickToTheEnd(server));
    QTest::keyClick(server, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(server, Qt::Key_Delete);
    prompt.answers = {common::Answer::No};
    QTest::mouseClick(child<QPushButton>(&dialog, "cmdSave"), Qt::LeftButton);
    QCOMPARE(prompt.messages.size(), 1);
    const QString asked = prompt.messages.first().text;
    QVERIFY2(asked.contains(QStringLiteral("不再使用数据库服务器")) && asked.contains(QStringLiteral("其他电脑看不到")),
             qPrintable(asked));
    QVERIFY2(!asked.contains(QStringLiteral("s3cret")), qPrintable(asked));
    QCOMPARE(savedServer(ini), settings.databaseServer);

    CHECKED(clickToTheEnd(server));
    QTest::keyClicks(server, QStringLiteral("127.0.0.1:5432"));
    prompt.clear();
    QTest::mouseClick(child<QPushButton>(&dialog, "cmdSave"), Qt::LeftButton);
    QCOMPARE(prompt.texts().size(), 1);
    QVERIFY2(prompt.texts().first().contains(QStringLiteral("不是数据库服务器地址"))
                 && prompt.texts().first().contains(QStringLiteral("开头缺少 postgresql://")),
             qPrintable(prompt.texts().first()));
    QCOMPARE(savedServer(ini), settings.databaseServer);

    // Typed whole, special characters and all; Tab leaves the address.
    const QString pasted = refusingServer(QStringLiteral("tech:p@ss word/x#1%41"), QStringLiteral("corvale"));
    CHECKED(clickToTheEnd(server));
    QTest::keyClick(server, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(server, pasted);
    QTest::keyClick(server, Qt::Key_Tab);
    QVERIFY2(!server->text().contains(QStringLiteral("word")), qPrintable(server->text()));
    QCOMPARE(password->text(), QStringLiteral("p@ss word/x#1A"));
    prompt.clear();
    prompt.answers = {common::Answer::Yes};
    QTest::mouseClick(child<QPushButton>(&dialog, "cmdSave"), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    const auto address = store::parseServerAddress(savedServer(ini));
    QVERIFY2(address.ok(), qPrintable(savedServer(ini)));
    QCOMPARE(address->user, QStringLiteral("tech"));
    QCOMPARE(address->password, QStringLiteral("p@ss word/x#1A"));
    QCOMPARE(address->host, QStringLiteral("127.0.0.1"));

    SettingsDialog leaving(SiteSettings::load(ini)->settings, ini);
    QVERIFY(showServerPage(leaving));
    server = child<QLineEdit>(&leaving, "txtServer");
    CHECKED(clickToTheEnd(server));
    QTest::keyClick(server, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(server, Qt::Key_Backspace);
    prompt.clear();
    prompt.answers = {common::Answer::Yes};
    QTest::mouseClick(child<QPushButton>(&leaving, "cmdSave"), Qt::LeftButton);
    QCOMPARE(prompt.messages.size(), 1);
    QCOMPARE(leaving.result(), int(QDialog::Accepted));
    QCOMPARE(savedServer(ini), QString());
}

// A desk put onto a server that answers: 保存 tries it and asks once,
// saying what the server holds and what happens to this desk's own jobs.
void TestSettingsDialog::aServerThatAnswersIsSavedAfterOneQuestion()
{
    if (!onServer())
        QSKIP("needs the test's own server: the @postgresql run");
    const QString address = qEnvironmentVariable("CORVALE_TEST_POSTGRES");
    DataFolder folder;
    ScriptedPrompt prompt;
    const QString ini = folder.file(common::settingsFileName());
    SettingsDialog dialog(SiteSettings::defaults(), ini);
    dialog.showPage(common::SettingsPage::Database);
    dialog.show();
    auto *server = child<QLineEdit>(&dialog, "txtServer");
    CHECKED(clickToTheEnd(server));
    QTest::keyClicks(server, address);
    prompt.answers = {common::Answer::Yes};
    QTest::mouseClick(child<QPushButton>(&dialog, "cmdSave"), Qt::LeftButton);
    QCOMPARE(prompt.messages.size(), 1);
    const QString asked = prompt.messages.first().text;
    QVERIFY2(!asked.contains(QStringLiteral("连接不上")) && asked.contains(QStringLiteral("改用数据库服务器"))
                 && asked.contains(QStringLiteral("条维修记录")) && asked.contains(QStringLiteral("不会自动搬过去")),
             qPrintable(asked));
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(savedServer(ini), address);
}

CORVALE_TEST_MAIN(TestSettingsDialog)
#include "tst_settingsdialog.moc"

// The dialog opens with the caret in its page's first field; Tab leaves a
// staff list for the next field, the list keeps no tab.
void TestSettingsDialog::keyboardFromTheFirstField()
{
    DataFolder folder;
    SettingsDialog dialog(SiteSettings::defaults(), folder.file(common::settingsFileName()));
    dialog.showPage(common::SettingsPage::Models);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto *models = dialog.findChild<QPlainTextEdit *>(QStringLiteral("txtModels"));
    QTRY_COMPARE(QApplication::focusWidget(), models);
    const QString before = models->toPlainText();
    QTest::keyClick(models, Qt::Key_Tab);
    QVERIFY(!models->hasFocus());
    QCOMPARE(models->toPlainText(), before);
}
