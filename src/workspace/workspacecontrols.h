#pragma once
// Every control of the workspace window and every command it runs, as typed
// members: the window creates them in one place, and the parts that work on
// them (bindings, entry rules, fills, photo, commands) are handed these.
// Object names stay the control names, for tests and screenshots.
#include "common/sitesettings.h"

#include <QList>
#include <QMap>
#include <utility>

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QObject;
class QPushButton;
class QTableView;

namespace workspace {

class DataControlBar;
class JobGrid;

struct WorkspaceControls {
    // txtInfo, with its holes (10, 11, 14-20 do not exist).
    QMap<int, QLineEdit *> txtInfo;

    QGroupBox *FraBaseDate = nullptr, *Frame2 = nullptr, *Frame1 = nullptr, *FraPrice = nullptr;

    QComboBox *cboAera = nullptr, *cboMail = nullptr, *cboType = nullptr, *cboBiaoXiu = nullptr,
              *cboMessage = nullptr, *Combo10 = nullptr;
    QComboBox *Combo4 = nullptr, *Combo9 = nullptr, *Combo8 = nullptr, *cboRepairType = nullptr,
              *cboPeople = nullptr, *cboSendIn = nullptr, *cboSendOut = nullptr, *cboRepair = nullptr;
    QComboBox *Combo13 = nullptr, *cboReg = nullptr;
    QLineEdit *txtCode = nullptr, *txtTingsCode = nullptr, *sum3 = nullptr, *Timer = nullptr;

    QLabel *lblAutoNumber = nullptr, *lblNowDate = nullptr, *lblRecordNo = nullptr;
    QCheckBox *chkDisplay = nullptr;

    QPushButton *cmdAppend = nullptr, *cmdDeleted = nullptr, *cmdSerial = nullptr, *cmdFind = nullptr,
                *cmdSearch = nullptr, *cmdPrint = nullptr, *cmdRenovation = nullptr, *cmdExit = nullptr,
                *cmdCopy = nullptr;

    // The grid with its navigator and the repaired box riding beside its current row.
    JobGrid *grid = nullptr;
    QTableView *dbgrdDataBase = nullptr;
    DataControlBar *DatCustomer = nullptr;

    // The photo view, in the parts frame's place.
    QLabel *Image1 = nullptr;
    QLineEdit *txtPhoto = nullptr;
    QPushButton *cmdChangePhoto = nullptr, *Command3 = nullptr;

    QLineEdit *info(int index) const { return txtInfo.value(index); }
};

// One QAction per command, shared by its button, its menu item and its
// access key; enabling the action enables all three, and the actions are
// the one place a command is turned on or off.
struct WorkspaceCommands {
    QAction *append = nullptr, *deleteJob = nullptr, *sort = nullptr, *findNumber = nullptr,
            *search = nullptr, *print = nullptr, *refresh = nullptr, *copy = nullptr, *exit = nullptr;
    QAction *moveToServer = nullptr, *restoreBackup = nullptr;
    // 基础资料设置: staff, models, repair types, parts, message sources.
    QAction *staffSettings = nullptr, *modelSettings = nullptr, *repairTypeSettings = nullptr,
            *partSettings = nullptr, *messageSettings = nullptr;
    QAction *viewImage = nullptr, *viewTable = nullptr;
    QAction *statistics = nullptr; // 经营统计…
    QAction *helpDownload = nullptr, *companyWeb = nullptr, *about = nullptr;

    // Every action, named and captioned, owned by parent.
    static WorkspaceCommands create(QObject *parent);
    // The 基础资料设置 actions in menu order, each with the settings page it opens.
    QList<std::pair<QAction *, common::SettingsPage>> settingsPages() const;
};

// The command buttons run their actions and follow their enabled state.
void bindButtons(const WorkspaceControls &controls, const WorkspaceCommands &commands);

} // namespace workspace
