#pragma once
// Entry points of the query and sort windows for the workspace. Both talk to
// the workspace only through its record set and its buttons found by name
// (cmdSearch, cmdFind, cmdAppend, cmdDeleted, cmdCopy, cmdRenovation).
class QWidget;
namespace store { class RecordSet; }

namespace query {

// Opens the query window frmSearch modally; returns when it has been hidden
// (after a search) or unloaded (关闭).
void runSearchWindow(QWidget *workspace, store::RecordSet &set);

// Opens the sort window frmSerial modeless, loaded afresh.
void openSortWindow(QWidget *workspace, store::RecordSet &set);

} // namespace query
