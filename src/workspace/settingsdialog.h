#pragma once
// The 基础资料设置 dialog: staff lists and the service point's particulars on
// one page, each preset list of the workspace's combos on a page of its own,
// and where each data report lands on the shop's stationery. Saving writes
// the settings file; the caller hands the result on.
#include "common/sitesettings.h"

#include <QDialog>
#include <QHash>
#include <QMap>
#include <QVector>

#include <optional>

class QDoubleSpinBox;
class QLineEdit;
class QSpinBox;
class QListWidget;
class QPlainTextEdit;
class QTabWidget;

namespace reports { class StationeryPreview; }

namespace workspace {

class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    SettingsDialog(const common::SiteSettings &settings, QString iniPath, QWidget *parent = nullptr);

    void showPage(common::SettingsPage page);
    common::SettingsPage currentPage() const;
    // The settings as the dialog's fields now stand.
    common::SiteSettings settings() const;

    // Runs the dialog on page; on a successful save settings holds the new
    // values and the answer is true. Cancel leaves both file and settings.
    // A settings file that is no text is replaced only when the clerk says so.
    static bool edit(QWidget *parent, common::SettingsPage page, common::SiteSettings &settings,
                     const QString &iniPath);

public slots:
    // Saves, and closes only when the file was written.
    void accept() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    // The caret in the page's first field, so the clerk can type at once.
    void focusFirstField();
    QWidget *staffPage();
    QWidget *listPage(const common::Setting &list);
    QPlainTextEdit *listEditor(const common::Setting &list);
    QLineEdit *textEditor(const common::Setting &text, QWidget *parent = nullptr);
    QWidget *stationeryPage();
    QWidget *databasePage();
    QWidget *backupCopyBox();
    QWidget *statisticsBox();
    void testConnection();
    // The server line the page's address and password make.
    QString serverLine() const;
    // Moves a password typed or pasted into the address to its own field.
    void takePasswordOutOfAddress();
    // Asks before a server line change is saved, when there is anything to
    // ask; false: the clerk kept the dialog open.
    bool serverChangeAgreed(const QString &before, const QString &after);
    void showStationeryOf(const QString &report);
    void stationeryEdited();

    common::SiteSettings m_settings;
    QString m_iniPath;
    QHash<common::SettingsPage, QWidget *> m_pages; // each page's tab
    QTabWidget *m_tabs = nullptr;
    // Each editor with the setting it shows, in the order they were made.
    QVector<std::pair<const common::Setting *, QPlainTextEdit *>> m_lists;
    QVector<std::pair<const common::Setting *, QLineEdit *>> m_texts;
    QMap<QString, common::Stationery> m_stationery;
    QListWidget *m_reports = nullptr;
    QDoubleSpinBox *m_offsetX = nullptr;
    QDoubleSpinBox *m_offsetY = nullptr;
    reports::StationeryPreview *m_preview = nullptr;
    QLineEdit *m_server = nullptr;         // the address without its password
    QLineEdit *m_serverPassword = nullptr;
    // As the page first showed them: the line untouched is saved as the file had it.
    QString m_shownServer;
    QString m_shownPassword;
    QLineEdit *m_backupCopyFolder = nullptr;
    QSpinBox *m_overdueDays = nullptr;
};

// What the connection test says of a server address: that it works, how many
// jobs it holds, or why not. An empty address is the file in the data folder.
QString connectionTestText(const QString &address);
// How many jobs the server at address holds, or why it cannot be used.
common::Result<int> serverJobs(const QString &address);

// What saving the server line after in place of before does to this desk,
// said before it is saved; empty when it stays on the same place (the
// password, user or options changed at most). jobs: what the new server
// holds, when known.
QString serverChangeText(const QString &before, const QString &after, std::optional<int> jobs = std::nullopt);

// The question before a settings file that is no text is replaced, and the
// word when the settings could not be saved; why is the file's own failure.
QString replaceNonTextQuestion(const QString &iniPath, const QString &why);
QString settingsNotSavedText(const QString &iniPath, const common::Error &why);

// One name per line, blanks around a name and empty lines dropped.
QStringList itemsFromLines(const QString &text);

} // namespace workspace
