#include "common/regularfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace common {

namespace {

QString kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("文件夹");
    if (S_ISFIFO(mode))
        return QStringLiteral("管道");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("设备");
    return S_ISREG(mode) ? QString() : QStringLiteral("特殊文件");
}

QString shown(const QString &path) { return QDir::toNativeSeparators(path); }

} // namespace

QString notRegularKind(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) == 0)
        return kindOf(st.st_mode);
    struct stat link {};
    if (::lstat(name.constData(), &link) == 0 && S_ISLNK(link.st_mode))
        return QStringLiteral("指向不存在的文件的链接");
    return {};
}

QString linkOutOfFolder(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return {};
    const QString target = info.symLinkTarget();
    const QString folder = info.absoluteDir().canonicalPath();
    const QString targetFolder = QFileInfo(target).absoluteDir().canonicalPath();
    return !folder.isEmpty() && targetFolder == folder ? QString() : target;
}

Result<void> refuseLinkOutOfFolder(const QString &path)
{
    const QString target = linkOutOfFolder(path);
    if (target.isEmpty())
        return {};
    return Error::failed(QStringLiteral("“%1”是指向“%2”的链接，通向数据文件夹以外；本程序不通过这样的链接写入，没有写入。"
                                        "请把它换成普通的文件或文件夹。")
                             .arg(shown(path), QDir::toNativeSeparators(target)));
}

Result<void> openRegularFile(QFile &file)
{
    const QString path = file.fileName();
    // Opened without waiting, then looked at: what is checked is what was opened.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (const QString kind = notRegularKind(path); !kind.isEmpty())
            return Error::failed(QStringLiteral("“%1”是%2，不是普通文件，没有读取。").arg(shown(path), kind));
        return Error::failed(QStringLiteral("无法读取“%1”。").arg(shown(path)))
            .withDetail(QString::fromLocal8Bit(std::strerror(error)));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return Error::failed(
            QStringLiteral("“%1”是%2，不是普通文件，没有读取。").arg(shown(path), kindOf(st.st_mode)));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return Error::failed(QStringLiteral("无法读取“%1”。").arg(shown(path))).withDetail(file.errorString());
    }
    return {};
}

QString writeFailureReason(const QString &folder, qint64 needed, bool opened)
{
    const QStorageInfo volume(folder);
    if (volume.isValid() && volume.isReadOnly())
        return QStringLiteral("它所在的磁盘是只读的（U 盘的写保护开关打开了？）");
    if (volume.isValid() && volume.bytesAvailable() >= 0 && volume.bytesAvailable() < needed)
        return QStringLiteral("磁盘空间不够（还剩 %1 MB，需要 %2 MB）")
            .arg(volume.bytesAvailable() / (1024 * 1024))
            .arg((needed + 1024 * 1024 - 1) / (1024 * 1024));
    if (!opened)
        return QStringLiteral("不能在其中建立文件（没有写入的权限？）");
    return QStringLiteral("写到一半出错了（磁盘已满、U 盘被拔出，或网络断开？）");
}

} // namespace common
