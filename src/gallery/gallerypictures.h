// The gallery's pictures: each entry's newest picture (its last good copy's thumbnail, or one Take
// Pictures took), read off the GUI thread when a tile asks for it, and kept in a bounded cache.
#pragma once

#include "gallery/picturehash.h"

#include <QCache>
#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QMutex>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QThreadPool>

#include <deque>

/// Where an entry's picture comes from.
struct PictureSource {
    enum class Kind { Copy, Taken };
    Kind kind = Kind::Copy;
    /// The copy file, or the picture file.
    QString path;
    /// When the picture was taken.
    QDateTime takenAt;
};

/// Pictures by entry text. Sources are read once (readSources()) from the page memory's copy records
/// and the folder of taken pictures; pictures and their hashes are read on worker threads, newest
/// request first (the tiles on screen now), and each arrival is told by pictureReady().
class GalleryPictures final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(GalleryPictures)
public:
    /// Pictures shown in the gallery are scaled to this width (the thumbnails are 320 pixels wide).
    static constexpr int pictureWidth = 200;

    GalleryPictures(QString copiesFolder, QString memoryPath, QString takenFolder, QObject *parent = nullptr);
    /// Waits for the reads under way; the requests not started are dropped.
    ~GalleryPictures() override;

    /// $XDG_CACHE_HOME/quokka/pictures: the pictures Take Pictures took, one PNG per entry.
    static QString defaultTakenFolder();
    /// The file a taken picture of @p entry is kept in, within @p folder.
    static QString takenPath(const QString &folder, const QString &entry);

    /// Reads, on a worker thread, where each entry's newest picture is; sourcesRead() when done.
    void readSources();
    bool sourcesKnown() const { return m_sourcesKnown; }
    /// The newest picture's source of @p entry, if it has one.
    std::optional<PictureSource> source(const QString &entry) const;

    /// The picture of @p entry when it is in the cache; otherwise a null image, and the picture is
    /// read (when the entry has one) and told by pictureReady().
    QImage picture(const QString &entry);
    /// The hash of @p entry's picture, when it has been read (invalid otherwise).
    PictureHash hash(const QString &entry) const { return m_hashes.value(entry); }
    bool hasHash(const QString &entry) const { return m_hashes.contains(entry); }
    /// Reads the pictures of @p entries that have one and no hash yet, for their hashes; hashesRead()
    /// tells each batch. Pictures asked for by picture() go first.
    void readHashes(const QStringList &entries);
    /// How many reads are waiting or under way.
    int pending() const;
    /// How many pictures have been read since the gallery opened (a picture read again counts again).
    int picturesRead() const { return m_picturesRead; }
    /// At most this many tiles' pictures wait to be read: when the tiles scroll by faster than their
    /// pictures are read, the oldest requests (of tiles long gone off screen) are dropped, and asked
    /// again should their tiles show again.
    static constexpr int mostTileRequests = 64;
    /// The bytes the cache holds, and the most it holds.
    qsizetype cachedBytes() const { return m_cache.totalCost(); }
    static qsizetype cacheLimit();

    /// A copy of @p entry named @p contentHash was just kept (by a check or a visit): its thumbnail is
    /// the entry's newest picture unless a newer one was taken.
    void copyKept(const QString &entry, const QString &contentHash, const QDateTime &takenAt);
    /// Keeps @p png as @p entry's picture taken at @p takenAt (in the taken folder, on a worker
    /// thread); pictureReady() when it is written and can be shown.
    void keepTaken(const QString &entry, const QByteArray &png, const QDateTime &takenAt);

signals:
    void sourcesRead();
    void pictureReady(const QString &entry);
    /// Hashes of some entries are known now (several at a time).
    void hashesRead();
    /// A taken picture could not be written.
    void keepFailed(const QString &entry, const QString &problem);

private:
    struct Request {
        QString entry;
        PictureSource source;
        bool forTile = true;
    };
    void queue(Request request);
    /// A reader's loop: takes requests until none is left.
    void work();
    /// One request for @p entry is over (read or dropped).
    void done(const QString &entry);
    static QImage readPicture(const PictureSource &source, PictureHash &hash);
    void arrived(const QString &entry, const QImage &image, const PictureHash &hash, bool forTile, bool ok);

    QString m_copiesFolder;
    QString m_memoryPath;
    QString m_takenFolder;
    QHash<QString, PictureSource> m_sources;
    bool m_sourcesKnown = false;
    QCache<QString, QImage> m_cache;
    QHash<QString, PictureHash> m_hashes;
    /// Entries queued or being read, for pictures or for hashes.
    QHash<QString, int> m_asked;
    QSet<QString> m_askedForTile;
    bool m_hashBatchDue = false;
    int m_picturesRead = 0;

    /// Each entry's name in the taken folder (a SHA-1 worked out once: tiles ask for it as they paint).
    mutable QHash<QString, QString> m_takenNames;

    mutable QMutex m_lock;
    /// Readers at work (at most the pool's two): one reader takes every request queued while it runs,
    /// so the pool's own queue never grows with the requests.
    int m_readers = 0;
    /// Pictures read since the heap was last given back to the system.
    int m_readsSinceTrim = 0;
    /// Newest last: a tile's request is taken before a hash's, and the latest tile first.
    std::deque<Request> m_tileRequests;
    std::deque<Request> m_hashRequests;
    QThreadPool m_pool;
};
