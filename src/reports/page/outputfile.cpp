#include "reports/page/outputfile.h"

#include "common/regularfile.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace reports {

OutputFile::OutputFile(const QString &path, OutputKind kind) : m_path(path), m_kind(kind)
{
    const QFileInfo info(path);
    m_target = info.isSymLink() ? info.symLinkTarget() : info.absoluteFilePath();
    // Hidden, beside the target, so the rename never crosses file systems.
    const QFileInfo target(m_target);
    m_part.setFileTemplate(target.dir().filePath(QStringLiteral(".") + target.fileName() + QStringLiteral(".XXXXXX")));
}

common::Error OutputFile::cannotWrite(const QString &why) const
{
    const QString kind = m_kind == OutputKind::Pdf ? QStringLiteral("PDF")
        : m_kind == OutputKind::Excel              ? QStringLiteral("Excel")
                                                   : QStringLiteral("CSV");
    const QString file = QDir::toNativeSeparators(m_path);
    return common::Error::failed(why.isEmpty() ? QStringLiteral("无法写入 %1 文件 “%2”").arg(kind, file)
                                               : QStringLiteral("无法写入 %1 文件 “%2”：%3").arg(kind, file, why));
}

common::Error OutputFile::writeFailed(bool opened, const QString &systemWords) const
{
    common::Error failed = cannotWrite(common::writeFailureReason(QFileInfo(m_target).absolutePath(), 0, opened));
    failed.detail = systemWords;
    return failed;
}

common::Result<void> OutputFile::open()
{
    const QFileInfo target(m_target);
    if (target.isDir())
        return cannotWrite(QStringLiteral("这是一个文件夹"));
    if (target.exists() && !(target.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther)))
        return cannotWrite(QStringLiteral("文件是只读的"));
    removeLeftovers();
    if (!m_part.open())
        return writeFailed(false, m_part.errorString());
    return {};
}

// A write killed part way (a power cut, the program ended) leaves its hidden
// part beside the target. One untouched for an hour belongs to no writer
// still at work, even at another desk sharing the folder.
void OutputFile::removeLeftovers() const
{
    const QFileInfo target(m_target);
    const QDateTime stale = QDateTime::currentDateTimeUtc().addSecs(-3600);
    QDirIterator parts(target.absolutePath(), {QStringLiteral(".") + target.fileName() + QStringLiteral(".??????")},
                       QDir::Files | QDir::Hidden);
    while (parts.hasNext()) {
        const QFileInfo part(parts.next());
        if (part.lastModified().toUTC() < stale)
            QFile::remove(part.absoluteFilePath());
    }
}

// Not synced to the disk before the rename, as the PDF writer never did: a
// report is written again in a moment, and a sync costs more than drawing a form.
common::Result<void> OutputFile::commit()
{
    // The PDF writer tells of a failure by writing nothing; no file of any kind is empty.
    if (!m_part.isOpen() || m_part.size() <= 0 || !m_part.flush())
        return writeFailed(true, m_part.errorString());
    // The file keeps the permissions the one it replaces had; a new one gets
    // those of a file the shop made itself, not the private ones of a temporary.
    const QFileInfo target(m_target);
    const QFile::Permissions permissions = target.exists()
        ? target.permissions()
        : QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
    m_part.setPermissions(permissions);
    m_part.close();
    if (std::rename(QFile::encodeName(m_part.fileName()).constData(), QFile::encodeName(m_target).constData()) != 0)
        return cannotWrite(QString::fromLocal8Bit(std::strerror(errno)));
    m_part.setAutoRemove(false);
    return {};
}

} // namespace reports
