#pragma once
// What the query and sort windows need of the record workspace: its record
// set (they replace its source), the mark of a filter in force, and the
// commands they enable or disable. The workspace window implements it.
#include "common/result.h"

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

// Shows only the rows of source in the workspace, as a search does: the
// query button marked, and append, delete and copy off until 刷新 gives the
// whole table back. On failure the workspace keeps its rows and marks.
common::Result<void> applyFilter(RecordWorkspace &workspace, const QString &source);

} // namespace query
