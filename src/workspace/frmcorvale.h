#pragma once
// The record workspace: the program's main window, a data-entry form over
// 客户信息 with its grid, command buttons, status line and menus.
#include "common/shopcontext.h"
#include "common/ui/windowslot.h"
#include "store/storeerror.h"
#include "workspace/commandrules.h"
#include "workspace/jobdesk.h"
#include "workspace/workspacecontrols.h"

#include <QMainWindow>
#include <memory>
#include <optional>

class QWindow;

namespace common { class TypingGuard; }
namespace statistics { class StatisticsWindow; }
namespace store {
class Database;
class JobWriter;
class RecordSet;
}

namespace workspace {

class AboutWindow;
class Binder;
class EntryRuleFilter;
class LookupFills;
class PhotoView;
class RecordCommands;

class frmCorvale : public QMainWindow, public JobDesk {
    Q_OBJECT
public:
    // shop must outlive the window; its settings fill the lists.
    frmCorvale(store::Database &db, const common::ShopContext &shop, QWidget *parent = nullptr);
    ~frmCorvale() override;

    store::RecordSet &recordSet() override { return *m_set; }
    store::JobWriter &jobWriter() override { return *m_writer; }
    Binder &binder() override { return *m_binder; }
    const WorkspaceControls &controls() const override { return m_controls; }
    const WorkspaceCommands &commands() const override { return m_commands; }
    const common::ShopContext &shop() const override { return m_shop; }
    QLineEdit *txtInfo(int index) const { return m_controls.info(index); }

    // query::RecordWorkspace
    void markFilter() override;
    query::FilterCommands filterCommands() override;
    QWidget *workspaceWindow() override { return this; }

    // JobDesk
    qint16 txtNewID() const override { return m_txtNewID; }
    void setTxtNewID(qint16 id) override { m_txtNewID = id; }
    std::optional<qint16> currentJobNumber() const override;
    bool saveNow() override;
    // With the field's text selected, so what the clerk types replaces it.
    void reportStoreFailure(const common::Error &err,
                            const QString &whatFailed = QStringLiteral("记录未能保存或移动")) override;

    // The one way to step through the set, for the navigator's arrows and
    // the page keys: the move, then back onto the first or the last row past
    // either end. A refusal is reported; false when the row was not left.
    bool step(Step step);
    void pageDown() override;
    void pageUp() override;

    // What the window does on its first showing and each time the clerk
    // comes back to it from another of the program's windows.
    void activate();

public slots:
    // The shop's settings changed: the lists follow.
    void applySettings();

signals:
    // A 基础资料设置 item: 0 staff, 1 models, 2 repair types, 3 parts, 4 message sources.
    void settingsRequested(common::SettingsPage page);
    // 高级功能 → the shop's jobs from the data folder's file onto its server.
    void moveToServerRequested();
    // 高级功能 → a snapshot of 备份/ in the job table's place.
    void restoreRequested();
    // The window has closed; the program ends.
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void connectCommands();
    void buildMenus();
    void bindFields();
    void guardTyping();
    void onRepositioned();
    void onRowChosen(int row);
    // With no current job the fields take no input, and the status bar says
    // how to get one: nothing typed there can be lost.
    void showWhetherFieldsTakeInput();
    // 已经修否 reads the row's 已修否 (a row without one leaves it as it was).
    void showRepaired();
    QList<QWidget *> inputFields() const;
    void onFocusWindowChanged(QWindow *window);
    void openHelp(const QString &address);
    void showAbout();

    std::unique_ptr<store::RecordSet> m_set;
    std::unique_ptr<store::JobWriter> m_writer;
    const common::ShopContext &m_shop;
    WorkspaceCommands m_commands;
    WorkspaceControls m_controls;
    Binder *m_binder = nullptr;
    RecordCommands *m_recordCommands = nullptr;
    EntryRuleFilter *m_rules = nullptr;
    LookupFills *m_fills = nullptr;
    PhotoView *m_photo = nullptr;
    common::TypingGuard *m_typing = nullptr;
    common::WindowSlot<AboutWindow> m_about;
    common::WindowSlot<statistics::StatisticsWindow> m_statistics;
    qint16 m_txtNewID = 0;
    bool m_closing = false;
    bool m_shownOnce = false;
    // The focus last went to one of the program's own windows, so the next
    // time the workspace gets it back is a return to it.
    bool m_backFromProgramWindow = false;
};

} // namespace workspace
