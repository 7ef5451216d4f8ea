#pragma once
// The workspace's print command and the report panel behind it.
#include "common/shopcontext.h"
#include "common/ui/windowslot.h"
#include "reports/forms/datasource.h"

#include <QObject>
#include <QtGlobal>
#include <optional>

class QWidget;

namespace reports {

class PaiZi;

// Owned by the workspace window for its lifetime: the report panel PaiZi
// (one instance, the workspace's child) and the data source the data reports
// print from.
class PrintCommand : public QObject {
    Q_OBJECT
public:
    // shop must outlive the command: its settings are read as they are when
    // a report opens.
    PrintCommand(QWidget *workspace, const common::ShopContext &shop);
    ~PrintCommand() override;

    // Points the data source at job `currentJob` when there is one, then
    // shows the report panel modeless, centred over the workspace when it
    // opens. Without a current job the source is kept.
    void run(std::optional<qint16> currentJob);

    // The panel while it is open; nullptr otherwise.
    PaiZi *panel() const;
    DataSource &source() { return m_source; }

signals:
    // The clerk asked to fill in the settings on page (common::settingsPage).
    void settingsRequested(common::SettingsPage page);

private:
    // Once a run: reports print placeholders where the service point's
    // particulars belong; offers to open the settings where they are filled in.
    void pointOutPlaceholders(const QStringList &captions);

    QWidget *m_workspace;
    const common::ShopContext &m_shop;
    DataSource m_source;
    common::WindowSlot<PaiZi> m_panel;
    bool m_placeholdersPointedOut = false;
};

} // namespace reports
