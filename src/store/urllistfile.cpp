#include "store/urllistfile.h"

#include "store/narrowtext.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace UrlListFile {

namespace {

QString randomSuffix()
{
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString suffix;
    for (int i = 0; i < 6; ++i)
        suffix += QLatin1Char(letters[QRandomGenerator::global()->bounded(int(sizeof letters - 1))]);
    return suffix;
}

} // namespace

QStringList parseEntries(QByteArrayView bytes)
{
    QStringList entries;
    const char *data = bytes.data();
    const qsizetype size = bytes.size();
    qsizetype start = 0;
    while (start < size) {
        const void *cr = memchr(data + start, '\r', size_t(size - start));
        const qsizetype end = cr ? static_cast<const char *>(cr) - data : size;
        entries.append(NarrowText::decode(QByteArrayView(data + start, end - start)));
        start = end + 1;
        if (cr && start < size && data[start] == '\n')
            ++start;
    }
    if (entries.isEmpty())
        entries.append(QString());
    return entries;
}

QByteArray serializeEntries(const QStringList &entries)
{
    qsizetype total = 0;
    for (const QString &e : entries)
        total += e.size() + 2;
    QByteArray out;
    out.reserve(total);
    for (const QString &e : entries) {
        NarrowText::encodeInto(e, out);
        out += "\r\n";
    }
    return out;
}

std::optional<QByteArray> readBytes(const QString &path, QString *error)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        QByteArray bytes = file.readAll();
        if (file.error() == QFileDevice::NoError)
            return bytes;
    }
    if (error)
        *error = file.errorString().isEmpty() ? QStringLiteral("unknown error") : file.errorString();
    return std::nullopt;
}

QStringList load(const QString &path, QString *unreadable)
{
    QString error;
    const std::optional<QByteArray> bytes = readBytes(path, &error);
    if (!bytes) {
        // A file that is not there is an empty list; one that is there but cannot be read is not.
        const QFileInfo info(path);
        if (unreadable && (info.exists() || info.isSymLink()))
            *unreadable = error;
        return {QString()};
    }
    return parseEntries(*bytes);
}

std::optional<QString> editText(const QString &path, QString *)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (bytes.isEmpty())
        return QString();
    return parseEntries(bytes).join(QStringLiteral("\r\n"));
}

namespace {

/// The names of Quokka's own temporary files beside a list: ".quokka-save.<list name>." and six
/// letters or digits. Nothing else makes such names, so only these are ever removed.
QString temporaryPrefix(const QString &listName)
{
    return QStringLiteral(".quokka-save.") + listName + QLatin1Char('.');
}

bool isTemporaryName(const QString &name, const QString &prefix)
{
    if (name.size() != prefix.size() + 6 || !name.startsWith(prefix))
        return false;
    const QStringView suffix = QStringView(name).mid(prefix.size());
    return std::all_of(suffix.begin(), suffix.end(), [](QChar c) { return c.unicode() < 128 && c.isLetterOrNumber(); });
}

/// A save killed between naming its finished temporary file and renaming it over the list leaves
/// that file behind. The next save removes such files once they are a minute old, which the file
/// of a save still under way never is.
void removeStaleTemporaries(const QFileInfo &target)
{
    const QString prefix = temporaryPrefix(target.fileName());
    const QDateTime cutoff = QDateTime::currentDateTimeUtc().addSecs(-60);
    const QFileInfoList candidates = target.absoluteDir().entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo &file : candidates) {
        if (isTemporaryName(file.fileName(), prefix) && !file.isSymLink() && file.lastModified() < cutoff)
            QFile::remove(file.absoluteFilePath());
    }
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

/// The file a save writes: the list itself, or the file a symbolic link points to (which may not
/// exist yet), so that the link stays a link.
QString saveTarget(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return info.absoluteFilePath();
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.symLinkTarget() : canonical;
}

bool writeAll(int fd, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(std::min<qsizetype>(left, 1 << 20)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        data += n;
        left -= n;
    }
    return true;
}

} // namespace

SaveResult replaceFile(const QString &path, const QByteArray &bytes)
{
    const QFileInfo target(saveTarget(path));
    const QString folder = target.absolutePath();
    if (!QDir().mkpath(folder))
        return SaveResult::failure(QStringLiteral("the folder %1 could not be created").arg(folder));
    if (target.isDir())
        return SaveResult::failure(QStringLiteral("%1 is a folder").arg(target.absoluteFilePath()));
    const QByteArray targetName = QFile::encodeName(target.absoluteFilePath());
    const QByteArray folderName = QFile::encodeName(folder);

    // The new file keeps the old one's permissions; a new list gets the usual ones (umask applies).
    struct stat old {};
    const bool existed = ::stat(targetName.constData(), &old) == 0;
    const mode_t mode = existed ? (old.st_mode & 07777) : 0666;

    // Written unnamed where the file system allows, so that a kill during the write leaves nothing.
    int fd = ::open(folderName.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    const bool unnamed = fd >= 0;
    QByteArray temporary;
    const QString prefix = folder + QLatin1Char('/') + temporaryPrefix(target.fileName());
    if (!unnamed) {
        for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
            temporary = QFile::encodeName(prefix + randomSuffix());
            fd = ::open(temporary.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, mode);
            if (fd < 0 && errno != EEXIST)
                break;
        }
        if (fd < 0)
            return SaveResult::failure(systemError(errno));
    }
    const auto fail = [&](int error) {
        ::close(fd);
        if (!temporary.isEmpty())
            ::unlink(temporary.constData());
        return SaveResult::failure(systemError(error));
    };
    if (existed && ::fchmod(fd, mode) != 0 && errno != EPERM)
        return fail(errno);
    if (!writeAll(fd, bytes) || ::fsync(fd) != 0)
        return fail(errno);
    if (unnamed) {
        // Give the finished file a name beside the list, then rename it over the list.
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
        int linked = -1;
        for (int attempt = 0; attempt < 100 && linked != 0; ++attempt) {
            temporary = QFile::encodeName(prefix + randomSuffix());
            linked = ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, temporary.constData(), AT_SYMLINK_FOLLOW);
            if (linked != 0 && errno != EEXIST) {
                temporary.clear();
                return fail(errno);
            }
        }
        if (linked != 0) {
            temporary.clear();
            return fail(EEXIST);
        }
    }
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        return SaveResult::failure(systemError(error));
    }
    if (::rename(temporary.constData(), targetName.constData()) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        return SaveResult::failure(systemError(error));
    }
    removeStaleTemporaries(target);
    return {};
}

SaveResult saveEditText(const QString &path, const QString &text)
{
    QByteArray bytes = NarrowText::encode(text);
    bytes += "\r\n";
    return replaceFile(path, bytes);
}

SaveResult writeBack(const QString &path, const QStringList &entries)
{
    return replaceFile(path, serializeEntries(entries));
}

SaveResult copyFullList(const QString &source, const QString &destination)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return SaveResult::failure(in.errorString());
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return SaveResult::failure(in.errorString());
    return replaceFile(destination, bytes);
}

SaveResult keepCopy(const QString &listPath, const QByteArray &bytes, QString *keptAt)
{
    const QString copy = listPath + QStringLiteral(".before-full-list");
    if (keptAt)
        *keptAt = copy;
    return replaceFile(copy, bytes);
}

SaveResult empty(const QString &path)
{
    QFile file(path);
    if (!file.exists() && !QFileInfo(path).isSymLink())
        return {};
    if (!file.remove())
        return SaveResult::failure(file.errorString());
    return {};
}

} // namespace UrlListFile
