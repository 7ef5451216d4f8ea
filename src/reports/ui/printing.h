#pragma once
// The workspace's print command and the report panel behind it.
#include "common/ui/windowslot.h"

#include <QObject>
#include <QtGlobal>
#include <optional>

class QWidget;

namespace reports {

class PaiZi;

// Owned by the workspace window for its lifetime: the report panel PaiZi
// (one instance) and the report data source it prints from.
class PrintCommand : public QObject {
    Q_OBJECT
public:
    explicit PrintCommand(QWidget *workspace);
    ~PrintCommand() override;

    // Points the report data source at job `currentJob` when there is one
    // ("Select * from 客户信息 where 编号=" + number), then shows the report
    // panel modeless. Without a current job the source is kept.
    void run(std::optional<qint16> currentJob);

    // The panel while it is open; nullptr otherwise.
    PaiZi *panel() const;

private:
    QWidget *m_workspace;
};

} // namespace reports
