#pragma once
// 从备份恢复: the snapshots in 备份/, newest first, with when each was
// taken, how many jobs it holds, the highest job number and its size. The
// clerk picks one; the shell does the rest.
#include "store/backup.h"

#include <QDialog>
#include <optional>

class QTreeWidget;
class QPushButton;

namespace shell {

// Where a restore puts the chosen snapshot: over the data file, whose
// current state is first backed up, or into a server's empty table.
enum class RestoreInto { DataFile, EmptyServer };

class RestoreWindow : public QDialog {
    Q_OBJECT
public:
    RestoreWindow(const QStringList &snapshots, RestoreInto into, QWidget *parent = nullptr);

    // The snapshot chosen; nothing when the clerk closed the window.
    std::optional<store::SnapshotSummary> chosen() const;

    static std::optional<store::SnapshotSummary> choose(QWidget *parent, const QStringList &snapshots,
                                                        RestoreInto into);

private:
    QList<store::SnapshotSummary> m_rows;
    QTreeWidget *m_list = nullptr;
    QPushButton *m_restore = nullptr;
};

// "12.5 MB", "830 KB": a file's size as the list shows it.
QString fileSizeText(qint64 bytes);

} // namespace shell
