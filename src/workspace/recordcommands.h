#pragma once
// The workspace commands that change which rows exist or which row is current.
#include "common/result.h"
#include "common/sitesettings.h"
#include "common/ui/windowslot.h"

#include <QObject>

namespace query {
class FrmSearch;
class FrmSerial;
}
namespace reports { class PrintCommand; }

namespace workspace {

class JobDesk;

class RecordCommands : public QObject {
    Q_OBJECT
public:
    explicit RecordCommands(JobDesk &desk);
    ~RecordCommands() override;

public slots:
    void rs_Append();
    void rs_Delete();
    void number_Search();
    void adv_Search();
    void rs_Refresh();
    void copy();
    void openSort();
    void print();

signals:
    // A report that would print placeholders offers the settings page for them.
    void settingsRequested(common::SettingsPage page);

private:
    void focusName();
    void reportMoveFailure(const common::Result<void> &moved);

    JobDesk &m_desk;
    reports::PrintCommand *m_print;
    // The query window lives on while hidden, so the next opening finds the
    // criteria of the last search; the sort window is loaded afresh each time.
    common::WindowSlot<query::FrmSearch> m_search;
    common::WindowSlot<query::FrmSerial> m_sort;
};

} // namespace workspace
