#include "copies/copyfile.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <zstd.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The file: the magic, then the three parts (page, text, thumbnail) in that order, each a header
// and its stored bytes. A header: kind, encoding, two bytes kept zero, the stored length and the
// raw length (64-bit, little-endian) and the SHA-256 of the raw bytes.
constexpr char magic[8] = {'Q', 'K', 'C', 'O', 'P', 'Y', '\x01', '\n'};
constexpr int headerSize = 4 + 8 + 8 + 32;
constexpr char kinds[3] = {'M', 'T', 'P'};
enum Encoding : char { Raw = 0, Zstd = 1 };
// zstd's level 3 is its default: fast enough for a worker thread, and an MHTML page shrinks to a
// third or less. A part is kept compressed only when that saves a tenth of it at least.
constexpr int compressionLevel = 3;

void putNumber(QByteArray *out, quint64 value)
{
    for (int i = 0; i < 8; ++i)
        out->append(char((value >> (8 * i)) & 0xff));
}

quint64 number(const char *bytes)
{
    quint64 value = 0;
    for (int i = 7; i >= 0; --i)
        value = (value << 8) | quint8(bytes[i]);
    return value;
}

QByteArray sha256(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

void appendPart(QByteArray *out, char kind, const QByteArray &raw)
{
    QByteArray stored;
    char encoding = Raw;
    if (!raw.isEmpty()) {
        stored.resize(qsizetype(ZSTD_compressBound(size_t(raw.size()))));
        const size_t made = ZSTD_compress(stored.data(), size_t(stored.size()), raw.constData(), size_t(raw.size()),
                                          compressionLevel);
        if (!ZSTD_isError(made) && made <= size_t(raw.size()) - size_t(raw.size()) / 10) {
            stored.resize(qsizetype(made));
            encoding = Zstd;
        }
    }
    if (encoding == Raw)
        stored = raw;
    out->append(kind);
    out->append(encoding);
    out->append('\0');
    out->append('\0');
    putNumber(out, quint64(stored.size()));
    putNumber(out, quint64(raw.size()));
    out->append(sha256(raw));
    out->append(stored);
}

CopyReading unreadable(const QString &why)
{
    CopyReading reading;
    reading.problem = CopyFile::unreadableMessage();
    reading.detail = why;
    return reading;
}

bool writeAll(int fd, const QByteArray &bytes)
{
    const char *at = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, at, size_t(qMin<qint64>(left, 1 << 20)));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = ENOSPC;
            return false;
        }
        at += written;
        left -= written;
    }
    return true;
}

QString reasonOf(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

namespace CopyFile {

QString unreadableMessage()
{
    return QStringLiteral("The saved copy of this page cannot be read");
}

QByteArray encode(const CopyContent &content)
{
    QByteArray out(magic, sizeof magic);
    appendPart(&out, kinds[0], content.mhtml);
    appendPart(&out, kinds[1], content.text.toUtf8());
    appendPart(&out, kinds[2], content.thumbnailPng);
    return out;
}

CopyReading decode(const QByteArray &bytes)
{
    if (bytes.size() < qsizetype(sizeof magic) || std::memcmp(bytes.constData(), magic, sizeof magic) != 0)
        return unreadable(QStringLiteral("it is not a copy file"));
    qint64 at = sizeof magic;
    QByteArray parts[3];
    for (int i = 0; i < 3; ++i) {
        if (bytes.size() - at < headerSize)
            return unreadable(QStringLiteral("it is cut short"));
        const char *header = bytes.constData() + at;
        if (header[0] != kinds[i] || (header[1] != Raw && header[1] != Zstd) || header[2] != 0 || header[3] != 0)
            return unreadable(QStringLiteral("its part %1 is damaged").arg(i + 1));
        const quint64 storedLength = number(header + 4);
        const quint64 rawLength = number(header + 12);
        const QByteArray hash(header + 20, 32);
        at += headerSize;
        if (rawLength > quint64(largestPart) || storedLength > quint64(largestPart))
            return unreadable(QStringLiteral("its part %1 is damaged").arg(i + 1));
        if (quint64(bytes.size() - at) < storedLength)
            return unreadable(QStringLiteral("it is cut short"));
        const char *stored = bytes.constData() + at;
        QByteArray raw;
        if (header[1] == Raw) {
            if (storedLength != rawLength)
                return unreadable(QStringLiteral("its part %1 is damaged").arg(i + 1));
            raw = QByteArray(stored, qsizetype(storedLength));
        } else {
            const unsigned long long frameSize = ZSTD_getFrameContentSize(stored, size_t(storedLength));
            if (frameSize != rawLength)
                return unreadable(QStringLiteral("its part %1 is damaged").arg(i + 1));
            raw.resize(qsizetype(rawLength));
            const size_t made = ZSTD_decompress(raw.data(), size_t(raw.size()), stored, size_t(storedLength));
            if (ZSTD_isError(made) || made != rawLength)
                return unreadable(QStringLiteral("its part %1 is damaged").arg(i + 1));
        }
        if (sha256(raw) != hash)
            return unreadable(QStringLiteral("its part %1 is damaged").arg(i + 1));
        parts[i] = raw;
        at += qint64(storedLength);
    }
    if (at != bytes.size())
        return unreadable(QStringLiteral("it holds more than a copy"));
    CopyReading reading;
    reading.ok = true;
    reading.content.mhtml = parts[0];
    reading.content.text = QString::fromUtf8(parts[1]);
    reading.content.thumbnailPng = parts[2];
    return reading;
}

CopyWriting write(const QString &path, const CopyContent &content)
{
    return writeBytes(path, encode(content));
}

CopyWriting writeBytes(const QString &path, const QByteArray &bytes)
{
    CopyWriting writing;
    const QFileInfo target(path);
    const QString folder = target.absolutePath();
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = QFile::encodeName(folder + QLatin1Char('/') + QLatin1String(temporaryPrefix)
                                      + QString::number(QRandomGenerator::global()->generate64(), 36));
        fd = ::open(temporary.constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        writing.problem = QStringLiteral("%1 cannot be written (%2)").arg(path, reasonOf(errno));
        return writing;
    }
    const bool filled = writeAll(fd, bytes) && ::fsync(fd) == 0;
    int error = errno;
    const bool closed = ::close(fd) == 0;
    if (filled && !closed)
        error = errno;
    if (!filled || !closed) {
        ::unlink(temporary.constData());
        writing.problem = QStringLiteral("%1 cannot be written (%2)").arg(path, reasonOf(error));
        return writing;
    }
    if (::rename(temporary.constData(), QFile::encodeName(path).constData()) != 0) {
        error = errno;
        ::unlink(temporary.constData());
        writing.problem = QStringLiteral("%1 cannot be written (%2)").arg(path, reasonOf(error));
        return writing;
    }
    // Until the folder is synced, a power cut may undo the rename. Some file systems cannot sync a
    // folder (EINVAL): they give no more than the rename.
    const int folderFd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        const bool synced = ::fsync(folderFd) == 0 || errno == EINVAL;
        error = errno;
        ::close(folderFd);
        if (!synced) {
            writing.problem = QStringLiteral("%1 cannot be written (%2)").arg(path, reasonOf(error));
            return writing;
        }
    }
    writing.ok = true;
    writing.storedSize = bytes.size();
    return writing;
}

CopyReading read(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return unreadable(errno == ENOENT ? QStringLiteral("it is missing") : reasonOf(errno));
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return unreadable(QStringLiteral("it is not a file"));
    }
    if (info.st_size > 3 * largestPart + 256) {
        ::close(fd);
        return unreadable(QStringLiteral("it is larger than any copy"));
    }
    QByteArray bytes;
    bytes.resize(qsizetype(info.st_size));
    qint64 got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            return unreadable(reasonOf(error));
        }
        if (n == 0)
            break;
        got += n;
    }
    ::close(fd);
    bytes.resize(qsizetype(got));
    return decode(bytes);
}

} // namespace CopyFile
