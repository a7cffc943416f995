#include "gallery/gallerypictures.h"

#include "copies/copyfile.h"
#include "copies/copythumbnail.h"
#include "memory/pagememory.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QSaveFile>
#include <QStandardPaths>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

/// About 400 pictures of 200 x 150: several screens of tiles, a few dozen megabytes.
constexpr int cacheBytes = 48 * 1024 * 1024;
/// After this many pictures read, the readers give the freed heap back to the system when they go idle.
constexpr int trimEvery = 64;
/// No taken picture is read larger than this.
constexpr qint64 largestTaken = 16 * 1024 * 1024;

QString nameOf(const QString &entry)
{
    return QString::fromLatin1(QCryptographicHash::hash(entry.toUtf8(), QCryptographicHash::Sha1).toHex()) + QStringLiteral(".png");
}

QByteArray readTaken(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !QFileInfo(path).isFile() || file.size() > largestTaken)
        return {};
    return file.read(largestTaken);
}

} // namespace

GalleryPictures::GalleryPictures(QString copiesFolder, QString memoryPath, QString takenFolder, QObject *parent)
    : QObject(parent)
    , m_copiesFolder(std::move(copiesFolder))
    , m_memoryPath(std::move(memoryPath))
    , m_takenFolder(std::move(takenFolder))
    , m_cache(cacheBytes)
{
    // Two readers: a thumbnail is a few milliseconds of reading and decoding, and the machine's
    // other core keeps the windows going.
    m_pool.setMaxThreadCount(2);
}

GalleryPictures::~GalleryPictures()
{
    {
        QMutexLocker locker(&m_lock);
        m_tileRequests.clear();
        m_hashRequests.clear();
    }
    m_pool.waitForDone();
}

qsizetype GalleryPictures::cacheLimit()
{
    return cacheBytes;
}

QString GalleryPictures::defaultTakenFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/quokka/pictures");
}

QString GalleryPictures::takenPath(const QString &folder, const QString &entry)
{
    return folder + QLatin1Char('/') + nameOf(entry);
}

void GalleryPictures::readSources()
{
    m_pool.start([this] {
        QHash<QString, PictureSource> sources;
        PageMemory memory;
        if (QFileInfo::exists(m_memoryPath) && memory.open(m_memoryPath).readable) {
            // Oldest first: each entry's last record is its newest copy.
            const auto copies = memory.allCopies();
            for (const CopyRecord &copy : copies.value_or(QList<CopyRecord>{})) {
                PictureSource source;
                source.kind = PictureSource::Kind::Copy;
                source.path = m_copiesFolder + QLatin1Char('/') + copy.contentHash + QLatin1String(CopyFile::suffix);
                source.takenAt = copy.takenAt;
                sources.insert(copy.address, source);
            }
            memory.close();
        }
        QHash<QString, QDateTime> taken;
        QDirIterator files(m_takenFolder, {QStringLiteral("*.png")}, QDir::Files);
        while (files.hasNext()) {
            files.next();
            taken.insert(files.fileName(), files.fileInfo().lastModified().toUTC());
        }
        QMetaObject::invokeMethod(
            this,
            [this, sources = std::move(sources), taken = std::move(taken)] {
                m_sources = sources;
                // Taken pictures are named by their entry: they are matched to entries as they are asked.
                for (auto it = taken.cbegin(); it != taken.cend(); ++it) {
                    PictureSource source;
                    source.kind = PictureSource::Kind::Taken;
                    source.path = m_takenFolder + QLatin1Char('/') + it.key();
                    source.takenAt = it.value();
                    m_sources.insert(QLatin1Char('\x01') + it.key(), source);
                }
                m_sourcesKnown = true;
                emit sourcesRead();
            },
            Qt::QueuedConnection);
    });
}

std::optional<PictureSource> GalleryPictures::source(const QString &entry) const
{
    auto name = m_takenNames.constFind(entry);
    if (name == m_takenNames.cend())
        name = m_takenNames.insert(entry, QLatin1Char('\x01') + nameOf(entry));
    const auto copy = m_sources.constFind(entry);
    const auto taken = m_sources.constFind(*name);
    if (taken != m_sources.cend() && (copy == m_sources.cend() || taken->takenAt >= copy->takenAt))
        return *taken;
    if (copy != m_sources.cend())
        return *copy;
    return std::nullopt;
}

QImage GalleryPictures::picture(const QString &entry)
{
    if (const QImage *cached = m_cache.object(entry))
        return *cached;
    if (!m_askedForTile.contains(entry)) {
        if (const auto found = source(entry)) {
            m_askedForTile.insert(entry);
            queue({entry, *found, true});
        }
    }
    return {};
}

void GalleryPictures::readHashes(const QStringList &entries)
{
    for (const QString &entry : entries) {
        if (m_hashes.contains(entry) || m_asked.contains(entry))
            continue;
        if (const auto found = source(entry))
            queue({entry, *found, false});
    }
}

int GalleryPictures::pending() const
{
    return int(m_asked.size());
}

void GalleryPictures::queue(Request request)
{
    ++m_asked[request.entry];
    QStringList dropped;
    bool startReader = false;
    {
        QMutexLocker locker(&m_lock);
        if (request.forTile) {
            m_tileRequests.push_back(std::move(request));
            while (m_tileRequests.size() > size_t(mostTileRequests)) {
                dropped.append(m_tileRequests.front().entry);
                m_tileRequests.pop_front();
            }
        } else {
            m_hashRequests.push_back(std::move(request));
        }
        if (m_readers < m_pool.maxThreadCount()) {
            ++m_readers;
            startReader = true;
        }
    }
    for (const QString &entry : std::as_const(dropped)) {
        m_askedForTile.remove(entry);
        done(entry);
    }
    if (startReader)
        m_pool.start([this] { work(); });
}

void GalleryPictures::done(const QString &entry)
{
    const auto it = m_asked.find(entry);
    if (it != m_asked.end() && --*it <= 0)
        m_asked.erase(it);
}

QImage GalleryPictures::readPicture(const PictureSource &source, PictureHash &hash)
{
    QByteArray png;
    if (source.kind == PictureSource::Kind::Copy) {
        const ThumbnailReading reading = CopyThumbnail::read(source.path);
        if (reading.ok)
            png = reading.png;
    } else {
        png = readTaken(source.path);
    }
    QImage image;
    if (!png.isEmpty())
        image.loadFromData(png, "PNG");
    hash = pictureHash(image);
    if (image.isNull())
        return image;
    // In the form the window's painter copies without converting (a PNG with a palette, grey levels or
    // straight alpha would be converted on the windows' thread each time its tile is painted); asked of
    // the picture as read, since scaling gives alpha to some opaque ones.
    const QImage::Format drawn = image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (image.width() > pictureWidth)
        image = image.scaledToWidth(pictureWidth, Qt::SmoothTransformation);
    if (image.format() != drawn)
        image = image.convertToFormat(drawn);
    return image;
}

void GalleryPictures::work()
{
    for (;;) {
        Request request;
        {
            QMutexLocker locker(&m_lock);
            if (!m_tileRequests.empty()) {
                request = std::move(m_tileRequests.back());
                m_tileRequests.pop_back();
            } else if (!m_hashRequests.empty()) {
                request = std::move(m_hashRequests.front());
                m_hashRequests.pop_front();
            } else {
                --m_readers;
                const bool trim = m_readers == 0 && m_readsSinceTrim >= trimEvery;
                if (trim)
                    m_readsSinceTrim = 0;
                locker.unlock();
#ifdef __GLIBC__
                // The pictures are decoded in the readers' own heaps (glibc keeps one per thread), and
                // what a burst of reading freed there stays with the process until it is given back.
                if (trim)
                    malloc_trim(0);
#endif
                return;
            }
            ++m_readsSinceTrim;
        }
        PictureHash hash;
        const QImage image = readPicture(request.source, hash);
        const bool ok = !image.isNull();
        QMetaObject::invokeMethod(
            this, [this, entry = request.entry, image, hash, forTile = request.forTile, ok] { arrived(entry, image, hash, forTile, ok); },
            Qt::QueuedConnection);
    }
}

void GalleryPictures::arrived(const QString &entry, const QImage &image, const PictureHash &hash, bool forTile, bool ok)
{
    done(entry);
    ++m_picturesRead;
    m_hashes.insert(entry, hash);
    if (ok)
        m_cache.insert(entry, new QImage(image), int(qMin<qsizetype>(image.sizeInBytes(), cacheBytes)));
    if (forTile) {
        // A picture evicted later is asked for again when its tile shows.
        m_askedForTile.remove(entry);
        if (ok)
            emit pictureReady(entry);
    }
    // Hashes are told a batch at a time: the grouping is worked out again for each batch.
    if (!m_hashBatchDue) {
        m_hashBatchDue = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_hashBatchDue = false;
                emit hashesRead();
            },
            Qt::QueuedConnection);
    }
}

void GalleryPictures::copyKept(const QString &entry, const QString &contentHash, const QDateTime &takenAt)
{
    PictureSource source;
    source.kind = PictureSource::Kind::Copy;
    source.path = m_copiesFolder + QLatin1Char('/') + contentHash + QLatin1String(CopyFile::suffix);
    source.takenAt = takenAt;
    m_sources.insert(entry, source);
    m_cache.remove(entry);
    m_hashes.remove(entry);
    m_askedForTile.remove(entry);
    picture(entry);
}

void GalleryPictures::keepTaken(const QString &entry, const QByteArray &png, const QDateTime &takenAt)
{
    const QString path = takenPath(m_takenFolder, entry);
    m_pool.start([this, entry, png, takenAt, path] {
        QString problem;
        if (!QDir().mkpath(m_takenFolder)) {
            problem = QStringLiteral("%1 cannot be made").arg(m_takenFolder);
        } else {
            QSaveFile file(path);
            if (!file.open(QIODevice::WriteOnly) || file.write(png) != png.size() || !file.flush() || !file.commit()) {
                problem = QStringLiteral("%1 cannot be written (%2)").arg(path, file.errorString());
                file.cancelWriting();
            }
        }
        QMetaObject::invokeMethod(
            this,
            [this, entry, path, takenAt, problem] {
                if (!problem.isEmpty()) {
                    emit keepFailed(entry, problem);
                    return;
                }
                PictureSource source;
                source.kind = PictureSource::Kind::Taken;
                source.path = path;
                source.takenAt = takenAt;
                m_sources.insert(QLatin1Char('\x01') + QFileInfo(path).fileName(), source);
                m_cache.remove(entry);
                m_hashes.remove(entry);
                m_askedForTile.remove(entry);
                picture(entry);
            },
            Qt::QueuedConnection);
    });
}
