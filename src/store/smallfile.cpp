#include "store/smallfile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

SmallFile readSmallFile(const QString &path, qsizetype maxBytes)
{
    SmallFile file;
    const auto fail = [&file](const QString &why) {
        file.problem = why;
        file.bytes.clear();
        return file;
    };
    const auto systemError = [] { return QString::fromLocal8Bit(std::strerror(errno)); };
    // Without O_NONBLOCK, opening a FIFO waits for a writer that never comes.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) {
            file.missing = true;
            return file;
        }
        return fail(systemError());
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return fail(systemError());
    if (S_ISDIR(st.st_mode))
        return fail(QStringLiteral("it is a folder, not a file"));
    if (!S_ISREG(st.st_mode))
        return fail(QStringLiteral("it is not a regular file (a pipe, a socket or a device)"));
    if (st.st_size > maxBytes)
        return fail(QStringLiteral("it is %1 bytes long, more than a settings file can be").arg(qint64(st.st_size)));
    file.bytes = QByteArray(maxBytes + 1, Qt::Uninitialized);
    qsizetype filled = 0;
    while (filled < file.bytes.size()) {
        const ssize_t n = ::read(fd, file.bytes.data() + filled, size_t(file.bytes.size() - filled));
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n < 0)
            return fail(QStringLiteral("reading failed: %1").arg(systemError()));
        if (n == 0)
            break;
        filled += n;
    }
    if (filled > maxBytes)
        return fail(QStringLiteral("it is longer than a settings file can be"));
    file.bytes.truncate(filled);
    return file;
}
