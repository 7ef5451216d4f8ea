#pragma once
// The sort window: re-orders the workspace's whole table by a primary and an
// optional secondary field. Loaded afresh at each opening; both of its
// commands unload it.
#include "query/statements.h"
#include "query/workspacebuttons.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QPushButton;

namespace store { class RecordSet; }

namespace query {

class FrmSerial : public QDialog {
    Q_OBJECT
public:
    FrmSerial(QWidget *workspace, store::RecordSet &set);

    SortKeys keys() const;

private:
    void buildControls();
    void sort();
    void unload();

    store::RecordSet &m_set;
    WorkspaceButtons m_buttons;

    QComboBox *m_primary = nullptr;
    QCheckBox *m_primaryDescending = nullptr;
    QComboBox *m_secondary = nullptr;
    QCheckBox *m_secondaryDescending = nullptr;
    QPushButton *m_sort = nullptr;
    QPushButton *m_cancel = nullptr;
};

} // namespace query
