#include "store/datafolderlock.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

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
    m_heldElsewhere = false;
    m_error.clear();
    if (!QDir().mkpath(m_folder)) {
        m_error = QStringLiteral("the folder %1 could not be created").arg(m_folder);
        return false;
    }
    // Close-on-exec: programs started from here (the web engine's helpers) must not keep the lock.
    const int fd = ::open(QFile::encodeName(lockFilePath()).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    int locked;
    do
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        const int error = errno;
        ::close(fd);
        m_heldElsewhere = error == EWOULDBLOCK;
        m_error = QString::fromLocal8Bit(std::strerror(error));
        return false;
    }
    m_fd = fd;
    return true;
}
