#include "browser/zoommemory.h"

#include "store/listpaths.h"

#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

const QList<double> &ZoomMemory::levels()
{
    static const QList<double> all{0.25, 0.33, 0.5, 0.67, 0.75, 0.8, 0.9, 1.0, 1.1, 1.25,
                                   1.5, 1.75, 2.0, 2.5, 3.0, 4.0, 5.0};
    return all;
}

double ZoomMemory::stepped(double factor, int steps)
{
    const QList<double> &all = levels();
    // The nearest level at or past the present zoom, then the steps from there.
    qsizetype at = 0;
    if (steps > 0) {
        at = all.size() - 1;
        for (qsizetype i = 0; i < all.size(); ++i)
            if (all[i] > factor + 0.001) {
                at = i - 1 + steps;
                break;
            }
    } else {
        at = 0;
        for (qsizetype i = all.size() - 1; i >= 0; --i)
            if (all[i] < factor - 0.001) {
                at = i + 1 + steps;
                break;
            }
    }
    return all[qBound<qsizetype>(0, at, all.size() - 1)];
}

QString ZoomMemory::filePath()
{
    return ListPaths::dataFolder() + QStringLiteral("/zoom.conf");
}

ZoomMemory ZoomMemory::load(const QString &path, QString *problem)
{
    const auto fail = [problem](const QString &why) {
        if (problem)
            *problem = why;
        return ZoomMemory();
    };
    // Without O_NONBLOCK, opening a FIFO waits for a writer that never comes.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return {};
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    if (!S_ISREG(st.st_mode))
        return fail(QStringLiteral("it is not a regular file"));
    if (st.st_size > maxFileBytes)
        return fail(QStringLiteral("it is %1 bytes long, more than a settings file can be").arg(qint64(st.st_size)));
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

ZoomMemory ZoomMemory::parse(const QByteArray &text)
{
    ZoomMemory memory;
    for (const QByteArray &rawLine : text.split('\n')) {
        const QList<QByteArray> fields = rawLine.simplified().split(' ');
        if (fields.size() != 2 || fields[0].startsWith('#'))
            continue;
        bool ok = false;
        const double factor = fields[1].toDouble(&ok);
        if (!ok || !std::isfinite(factor) || factor < 0.25 || factor > 5.0)
            continue;
        memory.setZoom(QString::fromUtf8(fields[0]), factor);
    }
    return memory;
}

QByteArray ZoomMemory::serialize() const
{
    QByteArray text;
    for (const auto &[host, factor] : m_zooms)
        text += host.toUtf8() + ' ' + QByteArray::number(factor) + '\n';
    return text;
}

bool ZoomMemory::save(const QString &path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(serialize());
    return file.commit();
}

double ZoomMemory::zoomFor(const QString &host) const
{
    const QString key = host.toLower();
    for (const auto &[h, factor] : m_zooms)
        if (h == key)
            return factor;
    return 1.0;
}

void ZoomMemory::setZoom(const QString &host, double factor)
{
    const QString key = host.toLower();
    // A host is one word of letters, digits, dots, dashes, colons (IPv6) and brackets: nothing that
    // would break the file's lines.
    if (key.isEmpty() || key.size() > 253 || key.contains(QLatin1Char(' ')) || key.contains(QLatin1Char('\n'))
        || key.contains(QLatin1Char('\r')) || key.contains(QLatin1Char('\t')) || key.startsWith(QLatin1Char('#')))
        return;
    m_zooms.removeIf([&key](const QPair<QString, double> &z) { return z.first == key; });
    if (std::abs(factor - 1.0) < 0.001)
        return;
    m_zooms.append({key, qBound(0.25, factor, 5.0)});
    while (m_zooms.size() > maxHosts)
        m_zooms.removeFirst();
}
