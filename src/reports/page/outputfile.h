#pragma once
// Every file the reports write (PDF, Excel, CSV) is written beside its target
// under another name and renamed into place only once complete: a failure
// part way (a full disk, a painter that cannot begin) leaves the file that
// was there as it was.
#include "common/result.h"

#include <QString>
#include <QTemporaryFile>

namespace reports {

// What a file is called in messages.
enum class OutputKind { Pdf, Excel, Csv };

class OutputFile {
public:
    OutputFile(const QString &path, OutputKind kind);

    // Refuses a target marked read-only, even for a user the system would
    // let write it: the mark is the shop's way of keeping a file.
    common::Result<void> open();
    QIODevice *device() { return &m_part; }
    // The open file's descriptor, for a writer that takes no QIODevice.
    int handle() const { return m_part.handle(); }
    // The open file's name, for a writer that opens it again by name.
    QString partPath() const { return m_part.fileName(); }
    // Renames the finished file into place. Until then, and after any
    // failure, nothing is left of the attempt.
    common::Result<void> commit();
    // Drops what was written (a failure found by the caller).
    void discard() { m_part.close(); }

    QString path() const { return m_path; }
    common::Error cannotWrite(const QString &why = {}) const;
    // A write the system refused: the reason in the clerk's words, the
    // system's own (English) words as the detail.
    common::Error writeFailed(bool opened, const QString &systemWords) const;

private:
    void removeLeftovers() const;

    QString m_path;   // as given, for messages
    QString m_target; // where the file goes: a link's target, not the link
    OutputKind m_kind;
    QTemporaryFile m_part;
};

} // namespace reports
