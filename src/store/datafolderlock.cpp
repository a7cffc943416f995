#include "store/datafolderlock.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString userName(uid_t uid)
{
    const passwd *entry = ::getpwuid(uid);
    if (entry && entry->pw_name && *entry->pw_name)
        return QString::fromLocal8Bit(entry->pw_name);
    return QStringLiteral("number %1").arg(uid);
}

/// Errors of flock() that mean the file system keeps no locks at all (some network file systems).
bool isNoLockingHere(int error)
{
    return error == ENOLCK || error == EINVAL || error == ENOTSUP || error == EOPNOTSUPP || error == ENOSYS;
}

} // namespace

DataFolderLock::DataFolderLock(const QString &folder)
    : m_folder(folder)
{
}

DataFolderLock::~DataFolderLock()
{
    // Closing lets the lock go. The file stays: removing it would let a third program lock a new
    // file while a second still waits on the old one.
    if (m_fd >= 0)
        ::close(m_fd);
}

QString DataFolderLock::lockFilePath() const
{
    return m_folder + QStringLiteral("/quokka.lock");
}

bool DataFolderLock::tryLock()
{
    if (m_fd >= 0)
        return true;
    m_refusal = Refusal::None;
    m_otherOwner = false;
    m_ownerName.clear();
    m_error.clear();
    const auto refuse = [this](Refusal why, const QString &text) {
        m_refusal = why;
        m_error = text;
        return false;
    };
    if (!QDir().mkpath(m_folder))
        return refuse(Refusal::CannotBeMade, QStringLiteral("the folder %1 could not be created").arg(m_folder));

    const QByteArray name = QFile::encodeName(lockFilePath());
    // Never through a link (O_NOFOLLOW), never waiting on a pipe (O_NONBLOCK), and close-on-exec:
    // programs started from here (the web engine's helpers) must not keep the lock.
    const int flags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
    int fd = ::open(name.constData(), O_RDWR | O_CREAT | flags, 0600);
    int openError = fd < 0 ? errno : 0;
    // flock() needs no write access: a lock file on a read-only mount, or one another user made
    // readable, can still be locked through a descriptor opened for reading.
    if (fd < 0 && (openError == EROFS || openError == EACCES || openError == EPERM)) {
        fd = ::open(name.constData(), O_RDONLY | flags);
        if (fd >= 0)
            openError = 0;
    }
    struct stat st {};
    if (fd < 0) {
        if (openError == ELOOP)
            return refuse(Refusal::NotTakeable,
                          QStringLiteral("its lock file %1 is a symbolic link, which Quokka never follows").arg(lockFilePath()));
        if (::lstat(name.constData(), &st) != 0) {
            // No file there, and none can be made: a lock cannot be had here, nor held by anyone.
            return refuse(Refusal::CannotBeMade, systemError(openError));
        }
        if (S_ISLNK(st.st_mode))
            return refuse(Refusal::NotTakeable,
                          QStringLiteral("its lock file %1 is a symbolic link, which Quokka never follows").arg(lockFilePath()));
        // A lock file that is there but may not be opened (another user's, 0600) is that user's.
        m_otherOwner = st.st_uid != ::geteuid();
        m_ownerName = userName(st.st_uid);
        return refuse(Refusal::NotTakeable, m_otherOwner
                          ? QStringLiteral("its lock file %1 belongs to the user %2 and cannot be opened (%3)")
                                .arg(lockFilePath(), m_ownerName, systemError(openError))
                          : QStringLiteral("its lock file %1 cannot be opened (%2)").arg(lockFilePath(), systemError(openError)));
    }
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        return refuse(Refusal::NotTakeable, systemError(error));
    }
    m_otherOwner = st.st_uid != ::geteuid();
    m_ownerName = userName(st.st_uid);
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return refuse(Refusal::NotTakeable,
                      QStringLiteral("its lock file %1 is not a regular file").arg(lockFilePath()));
    }
    int locked;
    do
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK)
            return refuse(Refusal::HeldByProgram, systemError(error));
        if (isNoLockingHere(error))
            return refuse(Refusal::CannotBeMade, systemError(error));
        return refuse(Refusal::NotTakeable, systemError(error));
    }
    m_fd = fd;
    return true;
}
