#pragma once
// The workspace's grid of jobs: the table of the record set, the data
// control's navigator below it, and the repaired box riding beside the
// current row. It shows; the workspace decides what a click or an arrow does.
#include "workspace/commandrules.h"

#include <QWidget>

class QCheckBox;
class QTableView;

namespace store {
class RecordSet;
class RecordSetModel;
}

namespace workspace {

class DataControlBar;

class JobGrid : public QWidget {
    Q_OBJECT
public:
    JobGrid(store::RecordSet &set, QWidget *parent = nullptr);
    ~JobGrid() override;

    QTableView *table() const { return m_table; }
    DataControlBar *navigator() const { return m_navigator; }
    QCheckBox *repairedBox() const { return m_repaired; }

    // The form's grid: 1965 twips of rows and the navigator's 375 below.
    QSize sizeHint() const override;

    // The set's current row becomes the grid's, and the caption says where it is.
    void followCurrentRow();

signals:
    // The clerk chose another row in the table.
    void rowChosen(int row);
    // One of the navigator's arrows.
    void stepRequested(workspace::Step step);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void placeRepairedBox();

    store::RecordSet &m_set;
    store::RecordSetModel *m_model;
    QTableView *m_table;
    DataControlBar *m_navigator;
    QCheckBox *m_repaired;
};

} // namespace workspace
