#include "DocumentLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace kelsim {

QStringList officeLockFileNames(const QString &path)
{
    const QFileInfo info(path);
    const QString lockName = QStringLiteral("~lock.") + info.fileName() + QLatin1Char('#');
    const QDir directory = info.absoluteDir();
    return {directory.filePath(QLatin1Char('.') + lockName), directory.filePath(lockName)};
}

DocumentLockCheck checkDocumentLock(const QString &path)
{
    DocumentLockCheck check;
    for (const QString &lockFile : officeLockFileNames(path)) {
        if (QFileInfo::exists(lockFile)) {
            check.state = DocumentLockState::Locked;
            return check;
        }
    }

    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == EBUSY || error == ETXTBSY) {
            check.state = DocumentLockState::Locked;
        } else {
            check.state = DocumentLockState::Unwritable;
            check.failure = failureForErrno(error);
        }
        return check;
    }

    bool locked = false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        locked = errno == EWOULDBLOCK;
    } else {
        ::flock(fd, LOCK_UN);
    }
    if (!locked) {
        // An open-file-description lock test also sees record locks held by other programs,
        // and by this one through another descriptor.
        struct flock request {};
        request.l_type = F_WRLCK;
        request.l_whence = SEEK_SET;
        request.l_start = 0;
        request.l_len = 0;
        request.l_pid = 0;
        if (::fcntl(fd, F_OFD_GETLK, &request) == 0)
            locked = request.l_type != F_UNLCK;
    }
    ::close(fd);
    if (locked)
        check.state = DocumentLockState::Locked;
    return check;
}

} // namespace kelsim
