#pragma once
// The fuzzy query window: narrows the workspace's record set to the jobs that
// match up to three "field contains text" conditions, a range of receiving
// dates and the repaired flag.
#include "common/ui/windowslot.h"
#include "query/recordworkspace.h"
#include "query/statements.h"
#include "store/storeerror.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace store { class RecordSet; }

namespace query {

class FrmSearch : public QDialog {
    Q_OBJECT
public:
    explicit FrmSearch(RecordWorkspace &workspace);

    // The window's texts and flags as the statement takes them.
    QueryCriteria criteria() const;
    // Set by 关闭 or the window's close box: the next opening starts afresh.
    bool isUnloaded() const { return m_unloaded; }

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void arrangeTabOrder();
    void activate();
    void search();
    common::Result<void> applyQuery();
    void unload();
    void updateSearchButton();
    bool checkDate(QComboBox *box);

    RecordWorkspace &m_workspace;
    bool m_unloaded = false;
    bool m_checkingDate = false;

    QGroupBox *m_frame = nullptr;
    QComboBox *m_startDate = nullptr;
    QComboBox *m_endDate = nullptr;
    std::array<QComboBox *, 3> m_fields{};
    std::array<QLineEdit *, 3> m_values{};
    QCheckBox *m_repaired = nullptr;
    QRadioButton *m_repairedYes = nullptr;
    QRadioButton *m_repairedNo = nullptr;
    QPushButton *m_search = nullptr;
    QPushButton *m_cancel = nullptr;
};

// Opens the query window held in slot, made on first use, modally; returns
// when it has been hidden (after a search: the next opening finds the same
// criteria) or unloaded (关闭: the slot is emptied, the next opening starts afresh).
void runSearchWindow(common::WindowSlot<FrmSearch> &slot, RecordWorkspace &workspace);

} // namespace query
