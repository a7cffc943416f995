#include "store/urllistfile.h"

#include "store/narrowtext.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSet>
#include <QRandomGenerator>

#include <algorithm>
#include <utility>
#include <cerrno>
#include <cstring>

#include <climits>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
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

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

/// Closes a descriptor when it goes out of scope.
class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Q_DISABLE_COPY_MOVE(FileDescriptor)
    /// Closes it now; false with errno set when closing failed.
    bool close()
    {
        const int fd = std::exchange(m_fd, -1);
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

} // namespace

LineEnds lineEndsOf(QByteArrayView bytes)
{
    if (bytes.isEmpty() || memchr(bytes.data(), '\r', size_t(bytes.size())))
        return LineEnds::CrLf;
    return LineEnds::Lf;
}

QStringList parseEntries(QByteArrayView bytes)
{
    const bool crLf = lineEndsOf(bytes) == LineEnds::CrLf;
    const char lineEnd = crLf ? '\r' : '\n';
    QStringList entries;
    const char *data = bytes.data();
    const qsizetype size = bytes.size();
    qsizetype start = 0;
    while (start < size) {
        const void *found = memchr(data + start, lineEnd, size_t(size - start));
        const qsizetype end = found ? static_cast<const char *>(found) - data : size;
        entries.append(NarrowText::decode(QByteArrayView(data + start, end - start)));
        start = end + 1;
        // CR LF is one line end; the LF of a lone LF stays in its entry.
        if (crLf && found && start < size && data[start] == '\n')
            ++start;
    }
    if (entries.isEmpty())
        entries.append(QString());
    return entries;
}

LineEnds usableLineEnds(const QStringList &entries, LineEnds wanted)
{
    if (wanted == LineEnds::CrLf)
        return wanted;
    // With LF line ends an LF inside an entry would end it, and a CR anywhere would make the file
    // one with CR LF line ends.
    const bool breaks = std::any_of(entries.begin(), entries.end(), [](const QString &e) {
        return e.contains(QLatin1Char('\n')) || e.contains(QLatin1Char('\r'));
    });
    return breaks ? LineEnds::CrLf : LineEnds::Lf;
}

QByteArray serializeEntries(const QStringList &entries, LineEnds ends)
{
    const bool lf = usableLineEnds(entries, ends) == LineEnds::Lf;
    qsizetype total = 0;
    for (const QString &e : entries)
        total += e.size() + 2;
    QByteArray out;
    out.reserve(total);
    for (const QString &e : entries) {
        NarrowText::encodeInto(e, out);
        out += lf ? "\n" : "\r\n";
    }
    return out;
}

namespace {

/// The lists with LF line ends that this program emptied (Destroy List, a write-back of no
/// entries): an empty file has no line ends of its own, and the next save keeps the LF ones.
struct EmptiedLfLists {
    QMutex mutex;
    QSet<QString> paths;
};

EmptiedLfLists &emptiedLfLists()
{
    static EmptiedLfLists lists;
    return lists;
}

QString listKey(const QString &path)
{
    return QFileInfo(path).absoluteFilePath();
}

/// Notes what a successful save of @p bytes, in line ends @p ends, left at @p path.
void noteSaved(const QString &path, const QByteArray &bytes, LineEnds ends)
{
    EmptiedLfLists &lists = emptiedLfLists();
    const QMutexLocker locker(&lists.mutex);
    if (bytes.isEmpty() && ends == LineEnds::Lf)
        lists.paths.insert(listKey(path));
    else
        lists.paths.remove(listKey(path));
}

} // namespace

std::optional<QByteArray> readBytes(const QString &path, QString *error)
{
    const auto fail = [error](const QString &why) -> std::optional<QByteArray> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    // Without O_NONBLOCK, opening a FIFO waits for a writer that never comes.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return fail(systemError(errno));
    const FileDescriptor guard(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return fail(systemError(errno));
    if (S_ISDIR(st.st_mode))
        return fail(QStringLiteral("it is a folder, not a file"));
    // A pipe, a socket or a device (/dev/zero never ends) is no list.
    if (!S_ISREG(st.st_mode))
        return fail(QStringLiteral("it is not a regular file (a pipe, a socket or a device)"));
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags != -1)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);

    // Read to the end, every failed read being a failure: QFile::readAll() hands back the bytes
    // before a failing read as if they were the whole file.
    QByteArray bytes;
    qsizetype filled = 0;
    bytes.resize(qsizetype(std::min<qint64>(st.st_size, qint64(1) << 30)) + 1);
    for (;;) {
        if (filled == bytes.size())
            bytes.resize(bytes.size() + std::max<qsizetype>(bytes.size(), 64 * 1024));
        const ssize_t n = ::read(fd, bytes.data() + filled, size_t(bytes.size() - filled));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fail(QStringLiteral("reading failed after %1 bytes: %2").arg(filled).arg(systemError(errno)));
        if (n == 0)
            break;
        filled += n;
    }
    bytes.truncate(filled);
    return bytes;
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

std::optional<QString> editText(const QString &path, QString *error)
{
    const std::optional<QByteArray> bytes = readBytes(path, error);
    if (!bytes)
        return std::nullopt;
    if (bytes->isEmpty())
        return QString();
    return parseEntries(*bytes).join(QStringLiteral("\r\n"));
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

/// The file a save writes: the list itself or, for a symbolic link, the end of its chain of links
/// (which may not exist yet), so that every link stays a link.
QString saveTarget(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return info.absoluteFilePath();
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty())
        return canonical;
    // The chain ends in a file not made yet: follow it link by link, as the kernel would.
    QString current = info.absoluteFilePath();
    for (int hop = 0; hop < 40; ++hop) {
        char buffer[PATH_MAX];
        const ssize_t n = ::readlink(QFile::encodeName(current).constData(), buffer, sizeof buffer);
        if (n < 0 || n == ssize_t(sizeof buffer))
            return current;
        const QString next = QFile::decodeName(QByteArray(buffer, n));
        current = next.startsWith(QLatin1Char('/')) ? next : QFileInfo(current).absolutePath() + QLatin1Char('/') + next;
    }
    return current;
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

/// Errors of carrying over an owner or an attribute that mean "not allowed here" or "not
/// supported here": the save goes on without it, as a copy by the user would.
bool isRefusal(int error)
{
    return error == EPERM || error == EACCES || error == ENOTSUP || error == EOPNOTSUPP;
}

/// Gives the new file @p fd what the old file @p oldName had besides its bytes: owner and group
/// where allowed, extended attributes (the ACL among them) and permissions. False with errno set
/// when something that could be carried over failed for another reason.
bool keepMetadata(int fd, const QByteArray &oldName, const struct stat &old)
{
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
        if (!isRefusal(errno))
            return false;
        // Not root: the group may still be one the user belongs to.
        if (::fchown(fd, uid_t(-1), old.st_gid) != 0 && !isRefusal(errno))
            return false;
    }
    ssize_t size = ::listxattr(oldName.constData(), nullptr, 0);
    if (size < 0 && !isRefusal(errno))
        return false;
    if (size > 0) {
        QByteArray names(size, '\0');
        size = ::listxattr(oldName.constData(), names.data(), size_t(names.size()));
        if (size < 0)
            return isRefusal(errno) || errno == ERANGE; // changed meanwhile: keep what we have
        for (const QByteArray &name : names.left(size).split('\0')) {
            if (name.isEmpty())
                continue;
            const ssize_t valueSize = ::getxattr(oldName.constData(), name.constData(), nullptr, 0);
            if (valueSize < 0)
                continue; // removed meanwhile, or not ours to read
            QByteArray value(valueSize, '\0');
            const ssize_t got = ::getxattr(oldName.constData(), name.constData(), value.data(), size_t(value.size()));
            if (got < 0)
                continue;
            if (::fsetxattr(fd, name.constData(), value.constData(), size_t(got), 0) != 0 && !isRefusal(errno))
                return false;
        }
    }
    // Last, as a change of owner clears the set-user-ID and set-group-ID bits.
    return ::fchmod(fd, old.st_mode & 07777) == 0 || isRefusal(errno);
}

/// Where a new file goes: its folder, the hidden prefix of its temporary names, and the old
/// file's metadata when there is one.
struct NewFile {
    QString folder;
    QString temporaryPrefix;
    QByteArray oldName;
    std::optional<struct stat> old;
    /// The permissions of a file that replaces none (the umask applies).
    mode_t newMode = 0666;
};

/// Fills @p fd with @p bytes and the old file's metadata, and syncs it. False with errno set.
bool fill(int fd, const NewFile &file, const QByteArray &bytes)
{
    if (!writeAll(fd, bytes))
        return false;
    if (file.old && !keepMetadata(fd, file.oldName, *file.old))
        return false;
    return ::fsync(fd) == 0;
}

/// Writes @p bytes into a finished, synced file beside the target under a new hidden temporary
/// name, and returns that name; an empty name with the reason in @p error on failure.
QByteArray writeTemporary(const NewFile &file, const QByteArray &bytes, int *error)
{
    // An old file's permissions are given by fill(); until then the file is the user's alone.
    const mode_t mode = file.old ? 0600 : file.newMode;
    // Written unnamed where the file system allows, so that a kill during the write leaves nothing.
    const int unnamed = ::open(QFile::encodeName(file.folder).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (unnamed >= 0) {
        FileDescriptor guard(unnamed);
        if (!fill(unnamed, file, bytes)) {
            *error = errno;
            return {};
        }
        // Give the finished file a name beside the target. Without /proc (a chroot, a small
        // container) this fails, and the named way below is taken instead.
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(unnamed);
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QByteArray name = QFile::encodeName(file.temporaryPrefix + randomSuffix());
            if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) == 0) {
                if (!guard.close()) {
                    *error = errno;
                    ::unlink(name.constData());
                    return {};
                }
                return name;
            }
            if (errno != EEXIST)
                break;
        }
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray name = QFile::encodeName(file.temporaryPrefix + randomSuffix());
        const int fd = ::open(name.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, mode);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0) {
            *error = errno;
            return {};
        }
        FileDescriptor guard(fd);
        if (!fill(fd, file, bytes) || !guard.close()) {
            *error = errno;
            ::unlink(name.constData());
            return {};
        }
        return name;
    }
    *error = EEXIST;
    return {};
}

/// Makes a rename in @p folder durable: until the folder is synced, a power cut may undo it.
bool syncFolder(const QString &folder, int *error)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        *error = errno;
        return false;
    }
    FileDescriptor guard(fd);
    // Some file systems cannot sync a folder (EINVAL): they give no more than the rename.
    if (::fsync(fd) != 0 && errno != EINVAL) {
        *error = errno;
        return false;
    }
    return true;
}

/// Where a save of @p target goes, or the reason it must not be replaced.
std::optional<NewFile> prepare(const QFileInfo &target, QString *why)
{
    NewFile file;
    file.folder = target.absolutePath();
    if (!QDir().mkpath(file.folder)) {
        *why = QStringLiteral("the folder %1 could not be created").arg(file.folder);
        return std::nullopt;
    }
    file.temporaryPrefix = file.folder + QLatin1Char('/') + temporaryPrefix(target.fileName());
    file.oldName = QFile::encodeName(target.absoluteFilePath());
    struct stat old {};
    if (::stat(file.oldName.constData(), &old) != 0)
        return file;
    if (S_ISDIR(old.st_mode)) {
        *why = QStringLiteral("%1 is a folder").arg(target.absoluteFilePath());
        return std::nullopt;
    }
    if (!S_ISREG(old.st_mode)) {
        *why = QStringLiteral("%1 is not a regular file (a pipe, a socket or a device)").arg(target.absoluteFilePath());
        return std::nullopt;
    }
    // A write-protected file says "do not change me". The owner's bits decide, not access(),
    // which lets root write anything.
    if (!(old.st_mode & S_IWUSR)) {
        *why = QStringLiteral("the file %1 is read-only (write-protected)").arg(target.absoluteFilePath());
        return std::nullopt;
    }
    file.old = old;
    return file;
}

} // namespace

SaveResult replaceFile(const QString &path, const QByteArray &bytes)
{
    const QFileInfo target(saveTarget(path));
    QString why;
    const std::optional<NewFile> file = prepare(target, &why);
    if (!file)
        return SaveResult::failure(why);
    int error = 0;
    const QByteArray temporary = writeTemporary(*file, bytes, &error);
    if (temporary.isEmpty())
        return SaveResult::failure(systemError(error));
    if (::rename(temporary.constData(), file->oldName.constData()) != 0) {
        error = errno;
        ::unlink(temporary.constData());
        return SaveResult::failure(systemError(error));
    }
    if (!syncFolder(file->folder, &error))
        return SaveResult::failure(QStringLiteral("the new list is in place, but its folder could not be synced to disk: ")
                                   + systemError(error));
    removeStaleTemporaries(target);
    return {};
}

namespace {

/// The line ends of the regular file at @p path, read only as far as its first CR; nothing for an
/// empty, missing or unreadable file.
std::optional<LineEnds> lineEndsOfFile(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    const FileDescriptor guard(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    char buffer[64 * 1024];
    bool any = false;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        any = true;
        if (memchr(buffer, '\r', size_t(n)))
            return LineEnds::CrLf;
    }
    if (!any)
        return std::nullopt;
    return LineEnds::Lf;
}

} // namespace

LineEnds lineEndsToKeep(const QString &path)
{
    if (const std::optional<LineEnds> ends = lineEndsOfFile(path))
        return *ends;
    EmptiedLfLists &lists = emptiedLfLists();
    const QMutexLocker locker(&lists.mutex);
    return lists.paths.contains(listKey(path)) ? LineEnds::Lf : LineEnds::CrLf;
}

SaveResult saveEditText(const QString &path, const QString &text)
{
    const LineEnds ends = lineEndsToKeep(path);
    QByteArray bytes;
    if (ends == LineEnds::Lf) {
        // The text box's line breaks are CR LF; a lone LF or CR in a line is kept by CR LF alone.
        const QStringList lines = text.split(QStringLiteral("\r\n"));
        if (usableLineEnds(lines, LineEnds::Lf) == LineEnds::Lf)
            bytes = serializeEntries(lines, LineEnds::Lf);
    }
    if (bytes.isEmpty()) {
        bytes = NarrowText::encode(text);
        bytes += "\r\n";
    }
    const SaveResult saved = replaceFile(path, bytes);
    if (saved)
        noteSaved(path, bytes, ends);
    return saved;
}

SaveResult writeBack(const QString &path, const QStringList &entries)
{
    const LineEnds ends = lineEndsToKeep(path);
    const QByteArray bytes = serializeEntries(entries, ends);
    const SaveResult saved = replaceFile(path, bytes);
    if (saved)
        noteSaved(path, bytes, ends);
    return saved;
}

SaveResult copyFullList(const QString &source, const QString &destination)
{
    QString error;
    const std::optional<QByteArray> bytes = readBytes(source, &error);
    if (!bytes)
        return SaveResult::failure(QStringLiteral("%1 could not be read: %2").arg(source, error));
    return replaceFile(destination, *bytes);
}

SaveResult empty(const QString &path)
{
    const LineEnds ends = lineEndsToKeep(path);
    const SaveResult emptied = replaceFile(path, QByteArray());
    if (emptied)
        noteSaved(path, QByteArray(), ends);
    return emptied;
}

SaveResult keepCopy(const QString &listPath, const QByteArray &bytes, QString *keptAt)
{
    const QString base = QFileInfo(listPath).absoluteFilePath() + QStringLiteral(".before-full-list");
    const QFileInfo first(base);
    // A new file that takes nothing over from another, readable by the user alone like the list's
    // own folder.
    NewFile file;
    file.folder = first.absolutePath();
    if (!QDir().mkpath(file.folder))
        return SaveResult::failure(QStringLiteral("the folder %1 could not be created").arg(file.folder));
    file.temporaryPrefix = file.folder + QLatin1Char('/') + temporaryPrefix(first.fileName());
    file.newMode = 0600;
    QByteArray temporary;
    for (int number = 1; number < 100000; ++number) {
        const QString name = number == 1 ? base : base + QLatin1Char('.') + QString::number(number);
        const QByteArray encodedName = QFile::encodeName(name);
        struct stat st {};
        if (::lstat(encodedName.constData(), &st) == 0) {
            // The same list kept before needs no second copy.
            if (S_ISREG(st.st_mode) && readBytes(name) == bytes) {
                if (!temporary.isEmpty())
                    ::unlink(temporary.constData());
                if (keptAt)
                    *keptAt = name;
                return {};
            }
            continue;
        }
        int error = 0;
        if (temporary.isEmpty()) {
            temporary = writeTemporary(file, bytes, &error);
            if (temporary.isEmpty())
                return SaveResult::failure(systemError(error));
        }
        // A link, unlike a rename, never writes over a file that appeared meanwhile.
        if (::link(temporary.constData(), encodedName.constData()) != 0) {
            if (errno == EEXIST)
                continue;
            error = errno;
            ::unlink(temporary.constData());
            return SaveResult::failure(systemError(error));
        }
        ::unlink(temporary.constData());
        removeStaleTemporaries(first);
        if (!syncFolder(file.folder, &error))
            return SaveResult::failure(systemError(error));
        if (keptAt)
            *keptAt = name;
        return {};
    }
    if (!temporary.isEmpty())
        ::unlink(temporary.constData());
    return SaveResult::failure(QStringLiteral("there are too many copies beside %1").arg(listPath));
}

} // namespace UrlListFile
