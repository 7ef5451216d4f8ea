#pragma once
// The record workspace: the program's main window, a data-entry form over
// 客户信息 with its grid, command buttons, status line and menus.
#include "common/sitesettings.h"
#include "store/storeerror.h"

#include <QMainWindow>
#include <QPointer>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QAction;
class QWindow;

namespace store {
class Database;
class RecordSet;
class RecordSetModel;
}

namespace workspace {

class Binder;
class DataControlBar;
class EntryRuleFilter;
class LookupFills;
class PhotoView;
class RecordCommands;

class frmCorvale : public QMainWindow {
    Q_OBJECT
public:
    frmCorvale(store::Database &db, const common::SiteSettings &settings, QWidget *parent = nullptr);
    ~frmCorvale() override;

    store::RecordSet &recordSet() { return *m_set; }
    Binder &binder() { return *m_binder; }
    QLineEdit *txtInfo(int index) const;

    // 编号 of the last row, taken on activation and by refresh.
    qint16 txtNewID() const { return m_txtNewID; }
    void setTxtNewID(qint16 id) { m_txtNewID = id; }
    // 编号 of the current row, when there is one.
    std::optional<qint16> currentJobNumber() const;

    // Writes what was typed now; a failure is told to the user. True when saved.
    bool saveNow();
    // Tells the user why the row could not be saved or left.
    void reportStoreFailure(const store::StoreError &err);

    // Page Down / Page Up of the fields: move, focus 客户姓名, stay inside the set.
    void pageDown();
    void pageUp();

    // What the window does each time it becomes the program's active window.
    void activate();

public slots:
    void applySettings(const common::SiteSettings &settings);

signals:
    // A 基础资料设置 item: 0 staff, 1 models, 2 repair types, 3 parts, 4 message sources.
    void settingsRequested(int page);
    // The window has closed; the program ends.
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildStatusLine(QWidget *client);
    void buildFrames(QWidget *client);
    void buildButtons(QWidget *client);
    void buildGrid(QWidget *client);
    void buildMenus();
    void bindFields();
    void connectCommands();
    void onRepositioned();
    void onGridRowChanged();
    void onFocusWindowChanged(QWindow *window);
    void moveGuarded(store::StoreError (store::RecordSet::*move)());
    void openHelp(const QString &address);

    std::unique_ptr<store::RecordSet> m_set;
    common::SiteSettings m_settings;
    Binder *m_binder = nullptr;
    RecordCommands *m_commands = nullptr;
    EntryRuleFilter *m_rules = nullptr;
    LookupFills *m_fills = nullptr;
    PhotoView *m_photo = nullptr;
    store::RecordSetModel *m_model = nullptr;
    QTableView *m_grid = nullptr;
    DataControlBar *m_dataControl = nullptr;
    QCheckBox *m_chkDisplay = nullptr;
    QComboBox *m_cboRepair = nullptr;
    QLabel *m_lblRecordNo = nullptr;
    QPointer<QWidget> m_lastActiveWindow;
    qint16 m_txtNewID = 0;
    bool m_closing = false;
    bool m_shownOnce = false;
};

} // namespace workspace
