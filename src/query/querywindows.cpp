#include "query/querywindows.h"

#include "common/ui/busycursor.h"
#include "query/frmsearch.h"
#include "query/frmserial.h"

#include <QPointer>

namespace query {

namespace {

// The query window lives on while hidden, so the next opening finds the
// criteria of the last search.
QPointer<FrmSearch> &searchWindow()
{
    static QPointer<FrmSearch> window;
    return window;
}

} // namespace

void runSearchWindow(QWidget *workspace, store::RecordSet &set)
{
    QPointer<FrmSearch> &window = searchWindow();
    if (window && !window->belongsTo(workspace, &set))
        delete window;
    if (!window) {
        common::BusyCursor busy;
        window = new FrmSearch(workspace, set);
    }
    window->exec();
    if (window && window->isUnloaded())
        delete window;
}

void openSortWindow(QWidget *workspace, store::RecordSet &set)
{
    common::BusyCursor busy;
    auto *window = new FrmSerial(workspace, set);
    window->show();
}

} // namespace query
