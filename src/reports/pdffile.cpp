#include "reports/pdffile.h"

#include <QDir>
#include <QFileInfo>

namespace reports {

PdfFile::PdfFile(const QString &path) : m_path(path), m_file(path)
{
    // A target reached through a link is written where the link points.
    m_file.setDirectWriteFallback(false);
}

common::Error PdfFile::cannotWrite(const QString &why) const
{
    const QString file = QDir::toNativeSeparators(m_path);
    return common::Error::failed(why.isEmpty() ? QStringLiteral("无法写入 PDF 文件 “%1”").arg(file)
                                               : QStringLiteral("无法写入 PDF 文件 “%1”：%2").arg(file, why));
}

common::Error PdfFile::open()
{
    const QFileInfo target(m_path);
    if (target.exists() && !(target.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther)))
        return cannotWrite(QStringLiteral("文件是只读的"));
    if (target.isDir())
        return cannotWrite(QStringLiteral("这是一个文件夹"));
    if (!m_file.open(QIODevice::WriteOnly))
        return cannotWrite(m_file.errorString());
    return {};
}

common::Error PdfFile::commit()
{
    if (m_file.size() <= 0) {
        m_file.cancelWriting();
        m_file.commit();
        return cannotWrite();
    }
    if (!m_file.commit())
        return cannotWrite(m_file.errorString());
    return {};
}

} // namespace reports
