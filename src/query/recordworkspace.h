#pragma once
// What the query and sort windows need of the record workspace: its record
// set (they replace its source), the mark of a filter in force, and the
// commands they enable or disable. The workspace window implements it.
class QAction;
class QWidget;
namespace store { class RecordSet; }

namespace query {

// The workspace's commands a search or a sort turns on and off; their
// buttons and menu items follow.
struct FilterCommands {
    QAction *append = nullptr;
    QAction *deleteJob = nullptr;
    QAction *copy = nullptr;
    QAction *refresh = nullptr;
};

class RecordWorkspace {
public:
    virtual ~RecordWorkspace() = default;
    virtual store::RecordSet &recordSet() = 0;
    // The query button shows red while a filter selects the rows.
    virtual void markFilter() = 0;
    virtual FilterCommands filterCommands() = 0;
    // The window the query and sort windows belong to.
    virtual QWidget *workspaceWindow() = 0;
};

} // namespace query
