#include "workspace/settingsdialog.h"

#include "common/ui/programwindow.h"
#include "common/ui/busycursor.h"
#include "common/ui/prompt.h"
#include "common/ui/screenfit.h"
#include "store/database.h"
#include "store/jobcopy.h"
#include "store/serveraddress.h"
#include "reports/forms/formlayout.h"
#include "reports/ui/stationerypreview.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QPushButton>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace workspace {

QStringList itemsFromLines(const QString &text)
{
    QStringList items;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const QString item = line.trimmed();
        if (!item.isEmpty())
            items << item;
    }
    return items;
}

namespace {

// The editor's name: "txt" and the key, e.g. txtRepairers, txtStationCode.
QString editorName(const common::Setting &setting)
{
    return QStringLiteral("txt") + setting.key.left(1).toUpper() + setting.key.mid(1);
}

// A page taller than a small screen's dialog scrolls instead of pushing
// 保存 and 取消 off the screen.
QWidget *scrolled(QWidget *page)
{
    auto *scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(page);
    return scroll;
}

} // namespace

SettingsDialog::SettingsDialog(const common::SiteSettings &settings, QString iniPath, QWidget *parent)
    : QDialog(parent), m_settings(settings), m_iniPath(std::move(iniPath)), m_stationery(settings.stationery)
{
    setObjectName(QStringLiteral("frmSettings"));
    setWindowTitle(QStringLiteral("基础资料设置"));
    common::markProgramWindow(this);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("tabPages"));
    const auto add = [this](common::SettingsPage page, QWidget *widget, const QString &label) {
        m_tabs->addTab(widget, label);
        m_pages.insert(page, widget);
    };
    add(common::SettingsPage::ServicePoint, scrolled(staffPage()), QStringLiteral("员工设置"));
    const QHash<common::SettingId, common::SettingsPage> listPages = {
        {common::SettingId::Models, common::SettingsPage::Models},
        {common::SettingId::RepairTypes, common::SettingsPage::RepairTypes},
        {common::SettingId::Parts, common::SettingsPage::Parts},
        {common::SettingId::MessageSources, common::SettingsPage::MessageSources}};
    for (const common::Setting *list : common::settingsOf(common::SettingGroup::Lists))
        add(listPages.value(list->id), listPage(*list), list->label);
    add(common::SettingsPage::Stationery, scrolled(stationeryPage()), QStringLiteral("票据位置"));
    add(common::SettingsPage::Database, scrolled(databasePage()), QStringLiteral("数据库服务器"));

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Save)->setText(QStringLiteral("保存(&S)"));
    buttons->button(QDialogButtonBox::Save)->setObjectName(QStringLiteral("cmdSave"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &SettingsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SettingsDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(buttons);
    common::fitOnScreen(this, {720, 640});
}

QPlainTextEdit *SettingsDialog::listEditor(const common::Setting &list)
{
    auto *edit = new QPlainTextEdit;
    edit->setObjectName(editorName(list));
    // One name a line: Tab goes on to the next field instead of typing a tab.
    edit->setTabChangesFocus(true);
    edit->setPlainText(list.valueIn(m_settings).toStringList().join(QLatin1Char('\n')));
    m_lists.append({&list, edit});
    return edit;
}

QLineEdit *SettingsDialog::textEditor(const common::Setting &text, QWidget *parent)
{
    const QString value = text.valueIn(m_settings).toString();
    auto *edit = new QLineEdit(parent);
    // A new shop's "（电话）" is a hint: typed after, it would print as
    // "（电话）87654321" on every form.
    if (text.isParticular() && value == text.fallback.toString())
        edit->setPlaceholderText(value);
    else
        edit->setText(value);
    edit->setObjectName(editorName(text));
    m_texts.append({&text, edit});
    return edit;
}

QWidget *SettingsDialog::staffPage()
{
    auto *page = new QWidget;
    auto *lists = new QHBoxLayout;
    for (const common::Setting *list : common::settingsOf(common::SettingGroup::Staff)) {
        auto *box = new QGroupBox(list->label);
        auto *boxLayout = new QVBoxLayout(box);
        boxLayout->addWidget(listEditor(*list));
        lists->addWidget(box);
    }
    auto *station = new QGroupBox(QStringLiteral("维修站资料"));
    auto *form = new QFormLayout(station);
    for (const common::Setting *particular : common::settingsOf(common::SettingGroup::ServicePoint))
        form->addRow(particular->label, textEditor(*particular));
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(QStringLiteral("每行一个名字：")));
    layout->addLayout(lists, 1);
    layout->addWidget(station);
    return page;
}

QWidget *SettingsDialog::listPage(const common::Setting &list)
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(QStringLiteral("%1：每行一项，按此顺序出现在下拉列表中。").arg(list.label)));
    QPlainTextEdit *edit = listEditor(list);
    layout->addWidget(edit, 1);
    auto *restore = new QPushButton(QStringLiteral("恢复默认(&D)"));
    restore->setObjectName(edit->objectName() + QStringLiteral("Defaults"));
    connect(restore, &QPushButton::clicked, edit,
            [edit, &list] { edit->setPlainText(list.fallback.toStringList().join(QLatin1Char('\n'))); });
    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(restore);
    layout->addLayout(row);
    return page;
}

QWidget *SettingsDialog::stationeryPage()
{
    auto *page = new QWidget;
    m_reports = new QListWidget;
    m_reports->setObjectName(QStringLiteral("lstReports"));
    m_reports->addItems(reports::dataReportNames());
    m_reports->setMaximumWidth(120);
    const auto spin = [this](const char *name, const common::Setting &offset) {
        auto *box = new QDoubleSpinBox;
        box->setObjectName(QLatin1String(name));
        box->setRange(offset.low, offset.high); // as far as the settings file accepts
        box->setDecimals(2); // as the calibration sheet prints them: 12.25 stays 12.25
        box->setSingleStep(0.5);
        box->setSuffix(QStringLiteral(" mm"));
        connect(box, &QDoubleSpinBox::valueChanged, this, &SettingsDialog::stationeryEdited);
        return box;
    };
    const common::Setting &offsetX = common::setting(common::SettingId::OffsetX);
    const common::Setting &offsetY = common::setting(common::SettingId::OffsetY);
    m_offsetX = spin("spnOffsetX", offsetX);
    m_offsetY = spin("spnOffsetY", offsetY);
    m_preview = new reports::StationeryPreview;

    auto *form = new QFormLayout;
    form->addRow(offsetX.label, m_offsetX);
    form->addRow(offsetY.label, m_offsetY);
    auto *hint = new QLabel(QStringLiteral(
        "在报表打印窗口打开该报表，按“校准页”打印到票据上。量出左上角十字线离票据上表格左上角"
        "差多少毫米，填在这里：正数向右、向下，负数向左、向上。"));
    hint->setWordWrap(true);
    auto *right = new QVBoxLayout;
    right->addLayout(form);
    right->addWidget(hint);
    right->addWidget(m_preview, 1);
    auto *layout = new QHBoxLayout(page);
    layout->addWidget(m_reports);
    layout->addLayout(right, 1);

    connect(m_reports, &QListWidget::currentTextChanged, this, &SettingsDialog::showStationeryOf);
    m_reports->setCurrentRow(0);
    return page;
}

void SettingsDialog::showStationeryOf(const QString &report)
{
    const common::Stationery st = m_stationery.value(report);
    const QSignalBlocker blockX(m_offsetX), blockY(m_offsetY);
    m_offsetX->setValue(st.offsetXmm);
    m_offsetY->setValue(st.offsetYmm);
    m_preview->setReport(report);
    m_preview->setStationery(st);
}

void SettingsDialog::stationeryEdited()
{
    const QString report = m_reports->currentItem() ? m_reports->currentItem()->text() : QString();
    if (report.isEmpty())
        return;
    // Only a report the shop touched gets a section of its own in the file.
    common::Stationery &st = m_stationery[report];
    st.offsetXmm = m_offsetX->value();
    st.offsetYmm = m_offsetY->value();
    m_preview->setStationery(st);
}

void SettingsDialog::showPage(common::SettingsPage page)
{
    m_tabs->setCurrentWidget(m_pages.value(page));
    if (isVisible())
        focusFirstField();
}

void SettingsDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    focusFirstField();
}

void SettingsDialog::focusFirstField()
{
    // The page's own scroll area is no field.
    QWidget *page = m_tabs->currentWidget();
    for (QWidget *w = page->nextInFocusChain(); w != page; w = w->nextInFocusChain())
        if (page->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(page)
            && !qobject_cast<QScrollArea *>(w)) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
}

common::SettingsPage SettingsDialog::currentPage() const { return m_pages.key(m_tabs->currentWidget()); }

common::SiteSettings SettingsDialog::settings() const
{
    common::SiteSettings s = m_settings;
    for (const auto &[setting, edit] : m_lists)
        setting->setIn(s, itemsFromLines(edit->toPlainText()));
    for (const auto &[setting, edit] : m_texts) {
        // A hint left alone keeps its value; one the clerk cleared is empty.
        if (edit->text().isEmpty() && !edit->isModified())
            continue;
        setting->setIn(s, edit->text().trimmed());
    }
    s.databaseServer = serverLine();
    s.stationery = m_stationery;
    s.overdueDays = m_overdueDays->value();
    return s;
}

QWidget *SettingsDialog::databasePage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("pageDatabase"));
    auto *hint = new QLabel(QStringLiteral(
        "几台电脑共用维修记录时，把记录放在维修站的 PostgreSQL 数据库服务器上。\n"
        "地址的写法：postgresql://用户名@服务器:5432/数据库名，密码填在下一行"
        "（不填则从 ~/.pgpass 或 PGPASSWORD 取得）。\n"
        "留空则使用数据文件夹中的数据库文件。修改在下次启动本程序时生效。"),
                            page);
    hint->setWordWrap(true);
    // The password has a field of its own, dots until 显示 is pressed, so
    // the address can be edited in the open and a screenshot shows no
    // password.
    const store::SplitServerLine split = store::splitServerLine(m_settings.databaseServer);
    m_shownServer = split.line;
    m_shownPassword = QUrl::fromPercentEncoding(split.password.toUtf8());
    m_server = textEditor(common::setting(common::SettingId::DatabaseServer), page);
    m_server->setText(m_shownServer);
    m_server->setPlaceholderText(QStringLiteral("postgresql://用户名@服务器:5432/数据库名"));
    connect(m_server, &QLineEdit::editingFinished, this, &SettingsDialog::takePasswordOutOfAddress);
    m_serverPassword = new QLineEdit(m_shownPassword, page);
    m_serverPassword->setObjectName(QStringLiteral("txtServerPassword"));
    m_serverPassword->setEchoMode(QLineEdit::Password);
    auto *reveal = new QPushButton(QStringLiteral("显示"), page);
    reveal->setObjectName(QStringLiteral("cmdShowServer"));
    reveal->setCheckable(true);
    connect(reveal, &QPushButton::toggled, m_serverPassword, [this, reveal](bool shown) {
        m_serverPassword->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
        reveal->setText(shown ? QStringLiteral("隐藏") : QStringLiteral("显示"));
    });
    auto *test = new QPushButton(QStringLiteral("测试连接"), page);
    test->setObjectName(QStringLiteral("cmdTestConnection"));
    connect(test, &QPushButton::clicked, this, &SettingsDialog::testConnection);
    auto *addressRow = new QHBoxLayout;
    addressRow->addWidget(m_server, 1);
    addressRow->addWidget(test);
    auto *passwordRow = new QHBoxLayout;
    passwordRow->addWidget(m_serverPassword, 1);
    passwordRow->addWidget(reveal);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("地址"), addressRow);
    form->addRow(QStringLiteral("密码"), passwordRow);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(hint);
    layout->addLayout(form);
    layout->addWidget(backupCopyBox());
    layout->addWidget(statisticsBox());
    layout->addStretch(1);
    return page;
}

void SettingsDialog::takePasswordOutOfAddress()
{
    // Only a password before an "@": one whose server is still to be typed
    // stays where the clerk sees the line is unfinished.
    const store::SplitServerLine split = store::splitServerLine(m_server->text());
    if (split.password.isEmpty() || !split.line.contains(u'@') || !store::isServerAddress(split.line))
        return;
    m_server->setText(split.line);
    m_serverPassword->setText(QUrl::fromPercentEncoding(split.password.toUtf8()));
}

QString SettingsDialog::serverLine() const
{
    const QString line = m_server->text().trimmed();
    const QString password = m_serverPassword->text();
    if (line == m_shownServer && password == m_shownPassword)
        return m_settings.databaseServer.trimmed();
    if (line.isEmpty())
        return {};
    // A whole line pasted with its password: that password is the one meant.
    if (!store::splitServerLine(line).password.isEmpty())
        return store::encodedServerAddress(line);
    // Typed as it is: @, spaces or Chinese are written %XX on saving.
    return store::encodedServerAddress(store::joinServerLine(line, password));
}

QWidget *SettingsDialog::statisticsBox()
{
    auto *box = new QGroupBox(QStringLiteral("经营统计"));
    const common::Setting &days = common::setting(common::SettingId::OverdueDays);
    m_overdueDays = new QSpinBox;
    m_overdueDays->setObjectName(QStringLiteral("spnOverdueDays"));
    m_overdueDays->setRange(days.low, days.high);
    m_overdueDays->setValue(m_settings.overdueDays);
    m_overdueDays->setSuffix(QStringLiteral(" 天"));
    auto *label = new QLabel(QStringLiteral("接货后超过这些天仍未修好的记录算作超期(&D)："));
    label->setBuddy(m_overdueDays);
    auto *row = new QHBoxLayout(box);
    row->addWidget(label);
    row->addWidget(m_overdueDays);
    row->addStretch(1);
    return box;
}

QWidget *SettingsDialog::backupCopyBox()
{
    auto *box = new QGroupBox(QStringLiteral("备份副本文件夹"));
    auto *hint = new QLabel(QStringLiteral(
        "每次启动时的备份另外复制一份到这里，例如 U 盘或别的电脑上的共享文件夹，保留的个数相同。"
        "留空则只备份到数据文件夹的“备份”中。"));
    hint->setWordWrap(true);
    m_backupCopyFolder = textEditor(common::setting(common::SettingId::BackupCopyFolder));
    auto *choose = new QPushButton(QStringLiteral("选择…"));
    choose->setObjectName(QStringLiteral("cmdChooseBackupCopyFolder"));
    connect(choose, &QPushButton::clicked, this, [this] {
        const QString folder = common::askFolder(QStringLiteral("备份副本文件夹"), m_backupCopyFolder->text());
        if (!folder.isEmpty())
            m_backupCopyFolder->setText(QDir::toNativeSeparators(folder));
    });
    auto *row = new QHBoxLayout;
    row->addWidget(m_backupCopyFolder, 1);
    row->addWidget(choose);
    auto *layout = new QVBoxLayout(box);
    layout->addWidget(hint);
    layout->addLayout(row);
    return box;
}

void SettingsDialog::testConnection()
{
    QString text;
    {
        const common::BusyCursor busy;
        text = connectionTestText(settings().databaseServer);
    }
    common::say(text, QStringLiteral("测试连接"), common::Icon::Information);
}

QString replaceNonTextQuestion(const QString &iniPath, const QString &why)
{
    return QStringLiteral("现有的设置文件 %1 无法读取：%2。\n\n用现在的设置替换它吗？原文件会保留为 %3。")
        .arg(QDir::toNativeSeparators(iniPath), why, QFileInfo(common::settingsBackupPath(iniPath)).fileName());
}

QString settingsNotSavedText(const QString &iniPath, const common::Error &why)
{
    // Only a write that failed leaves the folder and the disk to look at;
    // anything else already says what stands in the way.
    if (why.code != common::settingsCode::NotSaved)
        return QStringLiteral("设置没有保存：%1。").arg(why.text);
    return QStringLiteral("设置没有保存：%1。\n请检查数据文件夹 %2 能否写入、磁盘是否已满，然后再按“保存”。")
        .arg(why.text, QDir::toNativeSeparators(QFileInfo(iniPath).absolutePath()));
}

common::Result<int> serverJobs(const QString &address)
{
    const common::Result<std::unique_ptr<store::Database>> db = store::Database::open(address);
    if (db.failed())
        return db.error();
    const common::Result<int> jobs = store::jobCount(**db);
    if (jobs.failed())
        return common::Error::failed(QStringLiteral("连接成功，但读不到维修记录：%1").arg(jobs.error().text))
            .withDetail(jobs.error().detail);
    return jobs;
}

QString connectionTestText(const QString &address)
{
    if (address.isEmpty())
        return QStringLiteral("没有填写服务器地址：使用数据文件夹中的数据库文件。");
    if (const auto parsed = store::parseServerAddress(address); parsed.failed())
        return parsed.error().text;
    const common::Result<int> jobs = serverJobs(address);
    if (jobs.failed())
        return QStringLiteral("连接失败：\n%1").arg(jobs.error().wholeText());
    return QStringLiteral("连接成功：服务器 %1 上有 %2 条维修记录。").arg(store::displayedAddress(address)).arg(*jobs);
}

namespace {

// Host, port and database: what makes another server, whoever logs in.
QString serverIdentity(const QString &line)
{
    const auto address = store::parseServerAddress(line);
    if (address.failed())
        return store::maskedAddress(line);
    return QStringLiteral("%1:%2/%3").arg(address->host.toLower()).arg(address->port).arg(address->database);
}

} // namespace

QString serverChangeText(const QString &before, const QString &after, std::optional<int> jobs)
{
    const QString from = before.trimmed(), to = after.trimmed();
    const QString held = jobs ? QStringLiteral("（上面现有 %1 条维修记录）").arg(*jobs) : QString();
    if (from.isEmpty() && to.isEmpty())
        return {};
    if (to.isEmpty())
        return QStringLiteral("保存后，下次启动时这台电脑不再使用数据库服务器 %1，"
                              "改用数据文件夹中的数据文件（没有时新建一个空的）。\n"
                              "之后在这台电脑上登记的维修记录只保存在这台电脑上，其他电脑看不到；"
                              "服务器上的记录仍留在服务器上，这台电脑也看不到。")
            .arg(store::displayedAddress(from));
    if (from.isEmpty())
        return QStringLiteral("保存后，下次启动时这台电脑改用数据库服务器 %1%2，与其他电脑共用维修记录。\n"
                              "本机数据文件中的记录不会自动搬过去：要搬时，重新启动后用"
                              "“高级功能 → 把本机数据移到服务器…”。")
            .arg(store::displayedAddress(to), held);
    if (serverIdentity(from) == serverIdentity(to))
        return {};
    return QStringLiteral("保存后，下次启动时这台电脑改用另一个数据库服务器 %1%2（现在用的是 %3）。\n"
                          "原服务器上的记录不会带过去，这台电脑将只看到新服务器上的记录。")
        .arg(store::displayedAddress(to), held, store::displayedAddress(from));
}

bool SettingsDialog::serverChangeAgreed(const QString &before, const QString &after)
{
    if (after.trimmed() == before.trimmed())
        return true;
    // A line that does not connect is not kept without a word; the test
    // the 测试连接 button runs.
    std::optional<int> jobs;
    QString failure;
    if (!after.isEmpty()) {
        const common::BusyCursor busy;
        const common::Result<int> found = serverJobs(after);
        if (found.ok())
            jobs = *found;
        else
            failure = found.error().wholeText();
    }
    const QString change = serverChangeText(before, after, jobs);
    QString question;
    if (!failure.isEmpty())
        question = QStringLiteral("连接不上数据库服务器 %1：\n%2\n\n%3仍然保存这个地址吗？"
                                  "如果到时仍连接不上，下次启动时本程序将无法打开维修记录。")
                       .arg(store::displayedAddress(after), failure, change.isEmpty() ? QString() : change + QStringLiteral("\n\n"));
    else if (!change.isEmpty())
        question = change + QStringLiteral("\n\n确定这样保存吗？");
    if (question.isEmpty())
        return true;
    if (common::say(question, QStringLiteral("数据库服务器"), common::Icon::Question, common::Buttons::YesNo)
        == common::Answer::Yes)
        return true;
    showPage(common::SettingsPage::Database);
    m_server->setFocus();
    return false;
}

void SettingsDialog::accept()
{
    const common::SiteSettings s = settings();
    // A server line the next start would refuse is said now, while the clerk
    // still has it in front of them.
    if (!s.databaseServer.isEmpty()) {
        if (const auto address = store::parseServerAddress(s.databaseServer); address.failed()) {
            showPage(common::SettingsPage::Database);
            m_server->setFocus();
            common::say(address.error(), QStringLiteral("警告"), common::Icon::Warning);
            return;
        }
    }
    if (!serverChangeAgreed(m_settings.databaseServer, s.databaseServer))
        return;
    common::Result<void> saved = s.save(m_iniPath);
    if (saved.failed() && saved.error().code == common::settingsCode::NotText) {
        if (common::say(replaceNonTextQuestion(m_iniPath, saved.error().text), QStringLiteral("警告"),
                        common::Icon::Question, common::Buttons::YesNo) != common::Answer::Yes)
            return;
        saved = s.save(m_iniPath, common::ReplaceNonText::Yes);
    }
    if (saved.failed()) {
        common::say(settingsNotSavedText(m_iniPath, saved.error()), QStringLiteral("警告"),
                    common::Icon::Warning, common::Buttons::Ok, saved.error().detail);
        return;
    }
    m_settings = s;
    QDialog::accept();
}

bool SettingsDialog::edit(QWidget *parent, common::SettingsPage page, common::SiteSettings &settings,
                          const QString &iniPath)
{
    SettingsDialog dialog(settings, iniPath, parent);
    dialog.showPage(page);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    settings = dialog.m_settings;
    return true;
}

} // namespace workspace
