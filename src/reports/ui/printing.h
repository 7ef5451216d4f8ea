#pragma once
// The workspace's print command and the report panel behind it.
#include <QtGlobal>
#include <optional>

class QWidget;

namespace reports {

// Points the report data source at job `currentJob` when there is one
// ("Select * from 客户信息 where 编号=" + number), then shows the report panel
// PaiZi modeless (one instance). Without a current job the source is kept.
void printCommand(std::optional<qint16> currentJob, QWidget *workspace);

} // namespace reports
