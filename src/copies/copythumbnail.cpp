#include "copies/copythumbnail.h"

#include "copies/copyfile.h"

#include <QCryptographicHash>
#include <QFile>

#include <zstd.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The layout CopyFile writes: the magic, then per part a header (kind, encoding, two zero bytes,
// stored and raw length as 64-bit little-endian, SHA-256 of the raw bytes) and its stored bytes.
constexpr char magic[8] = {'Q', 'K', 'C', 'O', 'P', 'Y', '\x01', '\n'};
constexpr int headerSize = 4 + 8 + 8 + 32;
constexpr char kinds[3] = {'M', 'T', 'P'};
/// A thumbnail 320 pixels wide is tens of kilobytes; anything claiming far more is damaged.
constexpr quint64 largestThumbnail = 16 * 1024 * 1024;

quint64 number(const char *bytes)
{
    quint64 value = 0;
    for (int i = 7; i >= 0; --i)
        value = (value << 8) | quint8(bytes[i]);
    return value;
}

ThumbnailReading failed(const QString &why)
{
    ThumbnailReading reading;
    reading.problem = why;
    return reading;
}

bool readExactly(int fd, char *into, qint64 size, qint64 at)
{
    qint64 got = 0;
    while (got < size) {
        const ssize_t n = ::pread(fd, into + got, size_t(size - got), off_t(at + got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        got += n;
    }
    return true;
}

class FileCloser {
public:
    explicit FileCloser(int fd) : m_fd(fd) {}
    ~FileCloser() { ::close(m_fd); }
    FileCloser(const FileCloser &) = delete;
    FileCloser &operator=(const FileCloser &) = delete;

private:
    int m_fd;
};

} // namespace

namespace CopyThumbnail {

ThumbnailReading read(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return failed(errno == ENOENT ? QStringLiteral("it is missing") : QString::fromLocal8Bit(std::strerror(errno)));
    const FileCloser closer(fd);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return failed(QStringLiteral("it is not a file"));
    const qint64 size = info.st_size;
    char head[sizeof magic];
    if (!readExactly(fd, head, sizeof magic, 0) || std::memcmp(head, magic, sizeof magic) != 0)
        return failed(QStringLiteral("it is not a copy file"));
    qint64 at = sizeof magic;
    for (int i = 0; i < 3; ++i) {
        char header[headerSize];
        if (!readExactly(fd, header, headerSize, at))
            return failed(QStringLiteral("it is cut short"));
        const char encoding = header[1];
        if (header[0] != kinds[i] || (encoding != 0 && encoding != 1) || header[2] != 0 || header[3] != 0)
            return failed(QStringLiteral("its part %1 is damaged").arg(i + 1));
        const quint64 storedLength = number(header + 4);
        const quint64 rawLength = number(header + 12);
        at += headerSize;
        if (storedLength > quint64(CopyFile::largestPart) || rawLength > quint64(CopyFile::largestPart))
            return failed(QStringLiteral("its part %1 is damaged").arg(i + 1));
        if (quint64(size - at) < storedLength)
            return failed(QStringLiteral("it is cut short"));
        if (i < 2) {
            at += qint64(storedLength);
            continue;
        }
        if (rawLength > largestThumbnail || storedLength > largestThumbnail)
            return failed(QStringLiteral("its thumbnail is damaged"));
        if (at + qint64(storedLength) != size)
            return failed(QStringLiteral("it holds more than a copy"));
        QByteArray stored(qsizetype(storedLength), Qt::Uninitialized);
        if (!readExactly(fd, stored.data(), stored.size(), at))
            return failed(QStringLiteral("it is cut short"));
        QByteArray raw;
        if (encoding == 0) {
            if (storedLength != rawLength)
                return failed(QStringLiteral("its thumbnail is damaged"));
            raw = stored;
        } else {
            if (ZSTD_getFrameContentSize(stored.constData(), size_t(stored.size())) != rawLength)
                return failed(QStringLiteral("its thumbnail is damaged"));
            raw.resize(qsizetype(rawLength));
            const size_t made = ZSTD_decompress(raw.data(), size_t(raw.size()), stored.constData(), size_t(stored.size()));
            if (ZSTD_isError(made) || made != rawLength)
                return failed(QStringLiteral("its thumbnail is damaged"));
        }
        if (QCryptographicHash::hash(raw, QCryptographicHash::Sha256) != QByteArray(header + 20, 32))
            return failed(QStringLiteral("its thumbnail is damaged"));
        ThumbnailReading reading;
        reading.ok = true;
        reading.png = raw;
        return reading;
    }
    return failed(QStringLiteral("it is cut short"));
}

} // namespace CopyThumbnail
