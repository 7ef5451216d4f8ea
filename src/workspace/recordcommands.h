#pragma once
// The workspace commands that change which rows exist or which row is current.
#include <QObject>

namespace reports { class PrintCommand; }

namespace workspace {

class frmCorvale;

class RecordCommands : public QObject {
    Q_OBJECT
public:
    explicit RecordCommands(frmCorvale &window);

public slots:
    void rs_Append();
    void rs_Delete();
    void number_Search();
    void adv_Search();
    void rs_Refresh();
    void copy();
    void openSort();
    void print();

private:
    void focusName();
    void setButtonColour(const char *name);
    void enable(const char *name);

    frmCorvale &m_window;
    reports::PrintCommand *m_print;
};

} // namespace workspace
