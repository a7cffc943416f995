// What each address of the list was when it was last checked or opened: an embedded SQLite
// database in the data folder (QtCore and Qt SQL only, no widgets).
#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <optional>

class QSqlError;

/// One look at an address: a check, or the person opening it from the list.
struct PageRecord {
    enum class Kind { Check = 0, Visit = 1 };
    /// The list entry's text, exactly (the key the marks follow).
    QString address;
    Kind kind = Kind::Check;
    /// When it was seen (kept to the millisecond, in UTC).
    QDateTime seenAt;
    QString title;
    /// Where the page ended after redirects (empty: where it was asked for).
    QString finalAddress;
    /// The page's fingerprint (pageFingerprint()); 0 when there was no page to take one of.
    quint64 fingerprint = 0;
    /// The checker's verdict word ("alive", "dead", ...); empty for a visit.
    QString verdict;
    /// The last HTTP status seen, 0 when none.
    int status = 0;
    /// The verdict's reason, one line a person understands (what a mark tells on hover).
    QString reason;
};

/// One kept copy of an entry's good page (src/copies keeps the file; the memory keeps this record).
struct CopyRecord {
    qint64 id = 0;
    /// The list entry's text, exactly.
    QString address;
    /// When this content was first kept for the entry, and when it was last seen unchanged (UTC).
    QDateTime takenAt;
    QDateTime seenAt;
    /// The content's name: the hash the copy file is named by (shared by entries showing the same page).
    QString contentHash;
    /// Bytes the copy file takes on disk, and the sizes of its parts as taken.
    qint64 storedSize = 0;
    qint64 pageSize = 0;
    qint64 textSize = 0;
    qint64 thumbnailSize = 0;
};

/// One look at an entry's page whose readable text was kept (the text itself is stored once, by hash).
struct LookRecord {
    /// Who looked: the person opening the entry from the list, Play showing it, or a check.
    enum class Kind { Person = 0, Play = 1, Check = 2 };
    qint64 id = 0;
    /// The list entry's text, exactly.
    QString address;
    /// The host of the page (lower case), to find the host's other pages.
    QString host;
    /// When the look was (UTC, to the millisecond).
    QDateTime seenAt;
    Kind kind = Kind::Person;
    /// The SHA-256 of the text as UTF-8, hex: the name the text is stored by.
    QString textHash;
};

/// The outcome of opening the memory, told to the person when it is not plain success.
struct PageMemoryOpening {
    /// True when the memory can be read and written.
    bool ok = false;
    /// True when it can at least be read (a read-only file or folder).
    bool readable = false;
    /// What went wrong, with the path; empty when nothing did.
    QString problem;
    /// Why it cannot be written, in a few words (what SQLite said), when it can only be read.
    QString whyReadOnly;
    /// Where a damaged database was set aside, when it was.
    QString setAsidePath;
};

/// The bounds that keep the database small. The defaults hold a 10,000-entry list checked every
/// day for a couple of weeks.
struct PageMemoryLimits {
    /// Records kept per address; the oldest go first (the one the person last saw is kept).
    int recordsPerAddress = 16;
    /// Records kept in all; the oldest go first.
    int totalRecords = 200000;
    /// Bytes the records may take on disk; the oldest go first until they fit.
    qint64 totalBytes = 64 * 1024 * 1024;
};

/// The memory of what each page was. Every write is one transaction in a write-ahead log, so a
/// kill at any moment leaves the database as it was before or after that write, never damaged.
/// A database that is damaged anyway is set aside beside itself (renamed, never deleted) and an
/// empty one takes its place. Not thread-safe: use one object per thread (processes may share
/// the file; SQLite locks it).
class PageMemory final {
    Q_DISABLE_COPY_MOVE(PageMemory)
public:
    /// The schema this program writes; older databases are migrated when opened.
    static constexpr int schemaVersion = 2;
    /// Longer texts are cut to this many characters (titles and reasons).
    static constexpr int longestText = 1000;
    /// Addresses longer than this are not remembered (they would make the database huge).
    static constexpr int longestAddress = 8192;

    PageMemory();
    ~PageMemory();

    /// The database in the data folder: $XDG_DATA_HOME/quokka/page-memory.sqlite.
    static QString defaultPath();

    /// Opens (or creates) the database at @p path, migrating an older one. A damaged database is
    /// set aside and started afresh; a newer one, or one that cannot be written, is left alone.
    PageMemoryOpening open(const QString &path = defaultPath(), const PageMemoryLimits &limits = {});
    void close();
    bool isOpen() const;
    bool isWritable() const;
    QString path() const { return m_path; }
    /// Why the last operation failed; empty after success.
    QString lastProblem() const { return m_problem; }
    /// Whether the last write failed only because another connection (a sqlite3 shell, a backup, another
    /// Quokka) held the database locked for longer than the wait SQLite is given: trying again later may land.
    bool lastWriteWasLockedOut() const { return m_lockedOut; }

    /// Records @p record; false (with lastProblem()) when it could not be written.
    bool record(const PageRecord &record);
    /// Records all of @p records in one transaction, then trims the database to its bounds.
    bool recordAll(const QList<PageRecord> &records);

    /// The last thing the person saw at @p address: the latest page opened from the list or found
    /// alive by a check that had a title or a fingerprint.
    std::optional<PageRecord> lastSeen(const QString &address) const;
    /// The last check of each of @p addresses that has been checked, by address.
    QHash<QString, PageRecord> lastChecks(const QStringList &addresses) const;
    /// The records that read a page (visits, and checks that found it alive) of each of @p addresses
    /// that has one, oldest first, by address: one query per few hundred addresses.
    QHash<QString, QList<PageRecord>> pagesRead(const QStringList &addresses) const;
    /// Every record of @p address, oldest first.
    QList<PageRecord> history(const QString &address) const;
    /// How many records are kept in all.
    qint64 recordCount() const;

    // Kept copies (a table of their own, made on first use, in old memories too).
    /// Records that @p copy was taken, or, when the entry has a copy of that content already, that
    /// it was seen again at copy.seenAt. False (with lastProblem()) when it could not be written.
    bool recordCopy(const CopyRecord &copy);
    /// The copies of @p address, newest first (by when each was last seen).
    QList<CopyRecord> copiesOf(const QString &address) const;
    /// Every copy record, oldest first; nothing when they cannot be read (never taken for "none").
    std::optional<QList<CopyRecord>> allCopies() const;
    /// The records of the copy named @p contentHash, whichever entries they are of; nothing when
    /// they cannot be read.
    std::optional<QList<CopyRecord>> copiesWithContent(const QString &contentHash) const;
    /// The bytes the distinct copy files take, by their records.
    qint64 copyBytes() const;
    /// Forgets the copy records @p ids in one transaction.
    bool forgetCopies(const QList<qint64> &ids);

    // Looks and their texts (tables of their own, made on first use, in old memories too).
    /// Most looks kept per entry; the oldest go first, but never the person's last one.
    static constexpr int looksPerAddress = 12;
    /// Bytes the stored look texts may take in all; past it the oldest looks go first (the person's
    /// last look of an entry only when nothing else is left).
    static constexpr qint64 lookTextBudget = 256 * 1024 * 1024;
    /// Records @p look and, when no text of that hash is stored yet, @p storedText (compressed by
    /// the caller) of @p rawSize bytes, in one transaction; then trims the entry's looks.
    bool recordLook(const LookRecord &look, const QByteArray &storedText, qint64 rawSize);
    /// Forgets the oldest looks until their texts take at most @p budget bytes; false when it could not.
    bool trimLooks(qint64 budget = lookTextBudget);
    /// The looks of @p address, oldest first.
    QList<LookRecord> looksOf(const QString &address) const;
    /// The entries with at least two looks: the only ones whose page can have changed since a look.
    QSet<QString> addressesWithLooks() const;
    /// The stored (compressed) text named @p textHash; nothing when it is not there or cannot be read.
    std::optional<QByteArray> lookText(const QString &textHash) const;
    /// The newest look of each other entry on @p host (at most @p limit entries, newest first).
    QList<LookRecord> latestLooksOnHost(const QString &host, const QString &exceptAddress, int limit = 12) const;
    /// Parts of @p address's page learned as noise that the person asked to count again.
    QStringList partsCountedAgain(const QString &address) const;
    /// Counts the part named @p part of @p address's page again from now on.
    bool countPartAgain(const QString &address, const QString &part);
    /// The bytes the stored look texts take, and how many there are.
    qint64 lookTextBytes() const;
    qint64 lookTextCount() const;

private:
    enum class Health { Ok, Damaged, ReadOnly, Newer, Locked, Failed };
    struct Readiness {
        Health health = Health::Failed;
        QString why;
    };
    Readiness connect(bool readOnly, bool immutable);
    Readiness prepareSchema(bool readOnly);
    bool createSchema();
    bool migrate(int fromVersion);
    Readiness write(const QList<PageRecord> &records);
    bool trim(const QStringList &addresses, QSqlError *error);
    bool recover(const QString &why);
    bool setAside(const QString &why, PageMemoryOpening *opening);
    bool fail(const QString &what, const QString &why);
    /// Runs @p sqlWithAddresses (%1: the record's columns, %2: the addresses' placeholders) for each
    /// few hundred distinct addresses of @p addresses, handing each row to @p take.
    void selectFor(const QStringList &addresses, const QString &sqlWithAddresses,
                   const std::function<void(PageRecord &&)> &take) const;

    bool prepareCopyTable() const;
    /// The copy records that @p clauses (SQL after FROM copies: WHERE with a ? for each of @p values,
    /// ORDER BY) select; nothing when they cannot be read.
    std::optional<QList<CopyRecord>> selectCopies(const QString &clauses, const QVariantList &values) const;
    bool prepareLookTables() const;

    QString m_connection;
    QString m_path;
    QString m_problem;
    PageMemoryLimits m_limits;
    bool m_writable = false;
    bool m_lockedOut = false;
};
