#include "play/playsettings.h"

#include "store/urllistfile.h"

#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

QString PlaySettings::filePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/quokka/play.conf");
}

PlaySettings PlaySettings::load(const QString &path, QString *problem)
{
    const auto fail = [problem](const QString &why) {
        if (problem)
            *problem = why;
        return PlaySettings();
    };
    // Without O_NONBLOCK, opening a FIFO waits for a writer that never comes.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return {}; // never chosen yet (or a link to nothing): the defaults, nothing to say
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    if (S_ISDIR(st.st_mode))
        return fail(QStringLiteral("it is a folder, not a file"));
    if (!S_ISREG(st.st_mode))
        return fail(QStringLiteral("it is not a regular file (a pipe, a socket or a device)"));
    if (st.st_size > maxFileBytes)
        return fail(QStringLiteral("it is %1 bytes long, more than a settings file can be").arg(qint64(st.st_size)));
    // A file that grows while it is read is cut at the limit, and then refused as too big.
    QByteArray bytes(maxFileBytes + 1, Qt::Uninitialized);
    qsizetype filled = 0;
    while (filled < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + filled, size_t(bytes.size() - filled));
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n < 0)
            return fail(QStringLiteral("reading failed: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
        if (n == 0)
            break;
        filled += n;
    }
    if (filled > maxFileBytes)
        return fail(QStringLiteral("it is longer than a settings file can be"));
    bytes.truncate(filled);
    return parse(bytes);
}

PlaySettings PlaySettings::parse(const QByteArray &text)
{
    PlaySettings settings;
    for (const QByteArray &rawLine : text.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        const int equals = line.indexOf('=');
        if (line.startsWith('#') || equals <= 0)
            continue;
        const QByteArray key = line.left(equals).trimmed();
        const QByteArray value = line.mid(equals + 1).trimmed();
        if (key == "delay") {
            bool ok = false;
            const int seconds = value.toInt(&ok);
            if (ok && seconds >= minDelaySeconds && seconds <= maxDelaySeconds)
                settings.delaySeconds = seconds;
        } else if (key == "pageTimeout") {
            bool ok = false;
            const int seconds = value.toInt(&ok);
            if (ok && seconds >= 1 && seconds <= 600)
                settings.pageTimeoutSeconds = seconds;
        } else if (key == "atEnd") {
            if (value == "loop")
                settings.loop = true;
            else if (value == "stop")
                settings.loop = false;
        }
    }
    return settings;
}

QByteArray PlaySettings::serialize() const
{
    return "# Quokka: playing the list\n"
           "delay=" + QByteArray::number(delaySeconds) + "\n"
           "atEnd=" + (loop ? QByteArray("loop") : QByteArray("stop")) + "\n"
           "pageTimeout=" + QByteArray::number(pageTimeoutSeconds) + "\n";
}

bool PlaySettings::save(const QString &path, QString *reason) const
{
    const SaveResult saved = UrlListFile::replaceFile(path, serialize());
    if (!saved && reason)
        *reason = saved.reason;
    return bool(saved);
}
