#include "store/listfileversion.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace {

QByteArray contentHash(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

struct FileStat {
    bool exists = false;
    struct stat st {};
};

/// stat() of the file a path leads to; a missing file, a broken link and a missing folder are "not there".
FileStat statOf(const QString &path)
{
    FileStat s;
    s.exists = ::stat(QFile::encodeName(path).constData(), &s.st) == 0;
    if (!s.exists && errno != ENOENT && errno != ENOTDIR)
        s.exists = true; // there, but not even its details can be read (a link loop, no search permission)
    return s;
}

qint64 nanoseconds(const timespec &t)
{
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

qint64 wallClockNs()
{
    timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return nanoseconds(now);
}

/// How much older than a read a file's times must be to vouch for what was read. A file system
/// keeps its times in steps (a second on ext2 and ext3 with small inodes, two on FAT, a clock tick
/// on ext4 as Debian 12's kernel has it) and stamps them from a clock that may lag this one, so a
/// change just after the read can leave the times exactly as they were read.
constexpr qint64 timeStepMarginNs = qint64(3) * 1000000000;

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

ListFileVersion::Read ListFileVersion::read(const QString &path)
{
    Read result;
    result.version.m_known = true;
    // Taken before the read: whatever changes the file after this point changes its times or its
    // identity too, so a later match of all of them means the bytes read are still the file's;
    // unless the times are as recent as the read, when a change may fall in the same time step.
    const qint64 readAt = wallClockNs();
    const FileStat before = statOf(path);
    QString error;
    result.bytes = UrlListFile::readBytes(path, &error);
    if (!result.bytes) {
        const QFileInfo info(path);
        result.version.m_existed = info.exists() || info.isSymLink();
        if (result.version.m_existed)
            result.unreadable = error;
        return result;
    }
    ListFileVersion &v = result.version;
    v.m_existed = true;
    v.m_size = result.bytes->size();
    v.m_hash = contentHash(*result.bytes);
    const bool timesOlderThanRead = nanoseconds(before.st.st_mtim) < readAt - timeStepMarginNs
        && nanoseconds(before.st.st_ctim) < readAt - timeStepMarginNs;
    if (before.exists && S_ISREG(before.st.st_mode) && qint64(before.st.st_size) == v.m_size && timesOlderThanRead) {
        v.m_hasStat = true;
        v.m_device = before.st.st_dev;
        v.m_inode = before.st.st_ino;
        v.m_modifiedNs = nanoseconds(before.st.st_mtim);
        v.m_changedNs = nanoseconds(before.st.st_ctim);
    }
    return result;
}

ListFileVersion ListFileVersion::written(const QByteArray &bytes)
{
    ListFileVersion v;
    v.m_known = true;
    v.m_existed = true;
    v.m_size = bytes.size();
    v.m_hash = contentHash(bytes);
    return v;
}

ListFileVersion::Check ListFileVersion::compareWith(const QString &path) const
{
    using State = Check::State;
    Check check;
    if (!m_known)
        return check;
    // A missing file or a link to nothing: a save writes over nothing (through the link, as ever).
    const FileStat now = statOf(path);
    if (!now.exists) {
        check.state = State::Gone;
        return check;
    }
    // The change time cannot be set back by any program, so identity, size and both times all
    // unchanged, times that were older than the read by more than a time step, mean the content
    // is unchanged too, without reading it again. Otherwise the content itself is compared.
    if (m_existed && m_hasStat && now.exists && now.st.st_dev == m_device && now.st.st_ino == m_inode
        && qint64(now.st.st_size) == m_size && nanoseconds(now.st.st_mtim) == m_modifiedNs
        && nanoseconds(now.st.st_ctim) == m_changedNs)
        return check;
    QString error;
    const std::optional<QByteArray> bytes = UrlListFile::readBytes(path, &error);
    if (!bytes) {
        check.state = State::Unreadable;
        check.reason = error;
        return check;
    }
    // An empty file holds nothing to lose (Destroy List empties the list rather than deleting it).
    if (bytes->isEmpty()) {
        check.state = State::Gone;
        return check;
    }
    // Written again with the same bytes (a touch, a save without changes) is the same version.
    if (m_existed && bytes->size() == m_size && contentHash(*bytes) == m_hash)
        return check;
    check.state = State::Changed;
    check.otherBytes = *bytes;
    return check;
}

namespace ListFileCopies {

QString freeDatedName(const QString &path, const QString &infix, const QString &timeFormat, QChar separator)
{
    const QString base = path + infix + QDateTime::currentDateTime().toString(timeFormat);
    QString candidate = base;
    for (int n = 2; QFileInfo::exists(candidate) || QFileInfo(candidate).isSymLink(); ++n)
        candidate = base + separator + QString::number(n);
    return candidate;
}

QString otherVersionPath(const QString &path)
{
    return freeDatedName(path, QStringLiteral(".other-version-"), QStringLiteral("yyyy-MM-dd-HHmmss"), QLatin1Char('-'));
}

SaveResult keep(const QString &copyPath, const QByteArray &bytes)
{
    const QByteArray name = QFile::encodeName(copyPath);
    // O_EXCL: a file that appeared under this name meanwhile is never replaced.
    const int fd = ::open(name.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0)
        return SaveResult::failure(systemError(errno));
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = n == 0 ? ENOSPC : errno;
            ::close(fd);
            ::unlink(name.constData());
            return SaveResult::failure(systemError(error));
        }
        data += n;
        left -= n;
    }
    const int synced = ::fsync(fd) == 0 ? 0 : errno;
    const int closed = ::close(fd) == 0 ? 0 : errno;
    if (synced || closed) {
        const int error = synced ? synced : closed;
        ::unlink(name.constData());
        return SaveResult::failure(systemError(error));
    }
    // The copy's name must reach the disk before the list it was saved from is written over.
    const QByteArray folder = QFile::encodeName(QFileInfo(copyPath).absolutePath());
    const int dirFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return {};
}

} // namespace ListFileCopies
