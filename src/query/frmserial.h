#pragma once
// The sort window: re-orders the workspace's whole table by a primary and an
// optional secondary field. Loaded afresh at each opening; both of its
// commands unload it.
#include "common/ui/windowslot.h"
#include "query/recordworkspace.h"
#include "query/statements.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QPushButton;

namespace store { class RecordSet; }

namespace query {

class FrmSerial : public QDialog {
    Q_OBJECT
public:
    explicit FrmSerial(RecordWorkspace &workspace);

    SortKeys keys() const;

private:
    void buildControls();
    void sort();
    void unload();

    RecordWorkspace &m_workspace;

    QComboBox *m_primary = nullptr;
    QCheckBox *m_primaryDescending = nullptr;
    QComboBox *m_secondary = nullptr;
    QCheckBox *m_secondaryDescending = nullptr;
    QPushButton *m_sort = nullptr;
    QPushButton *m_cancel = nullptr;
};

// Opens the sort window modeless, loaded afresh in slot (a window still
// open is unloaded first), and returns it.
FrmSerial *openSortWindow(common::WindowSlot<FrmSerial> &slot, RecordWorkspace &workspace);

} // namespace query
