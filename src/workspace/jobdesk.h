#pragma once
// What the workspace's helpers — the photo view, the lookup fills, the entry
// rules and the record commands — may use of the window they serve: its
// record set and writer, the binder, the controls and commands, and the few
// moves of the window itself. They see no more of frmCorvale than this.
#include "common/shopcontext.h"
#include "query/recordworkspace.h"
#include "workspace/workspacecontrols.h"

#include <QString>
#include <optional>

namespace common { struct Error; }
namespace store { class JobWriter; }

namespace workspace {

class Binder;

class JobDesk : public query::RecordWorkspace {
public:
    virtual store::JobWriter &jobWriter() = 0;
    virtual Binder &binder() = 0;
    virtual const WorkspaceControls &controls() const = 0;
    virtual const WorkspaceCommands &commands() const = 0;
    virtual const common::ShopContext &shop() const = 0;

    // 编号 of the current row, when there is one.
    virtual std::optional<qint16> currentJobNumber() const = 0;
    // 编号 of the last row, taken on activation and by refresh.
    virtual qint16 txtNewID() const = 0;
    virtual void setTxtNewID(qint16 id) = 0;

    // Writes what was typed now; a failure is told to the user. True when saved.
    virtual bool saveNow() = 0;
    // Tells the user, once, why the row could not be saved, read or left,
    // and puts the focus in the field at fault. whatFailed names what did
    // not happen ("没有添加新记录").
    virtual void reportStoreFailure(const common::Error &err,
                                    const QString &whatFailed = QStringLiteral("记录未能保存或移动")) = 0;
    // Page Down / Page Up of the fields: a step, and the focus in 客户姓名.
    virtual void pageDown() = 0;
    virtual void pageUp() = 0;
};

} // namespace workspace
