#pragma once
// The workspace's form: every control created, named and placed in one
// place. The status line, the four field frames and the command column keep
// the places the form gives them in twips; the grid below takes whatever
// height the window has beyond them.
#include "workspace/workspacecontrols.h"

class QWidget;

namespace common { struct SiteSettings; }

namespace workspace {

// Builds the form into client, around the grid made beforehand, and sets the
// order Tab walks it in.
WorkspaceControls buildWorkspaceForm(QWidget *client, JobGrid *grid, const common::SiteSettings &settings);

} // namespace workspace
