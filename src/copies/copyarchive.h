// The kept copies of the list's good pages: the copy files in the data folder and their records in
// the page memory, kept within a number per entry and a budget. Synchronous; CopyStore runs it on a
// thread of its own.
#pragma once

#include "copies/copyfile.h"
#include "memory/pagememory.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <optional>

/// What the caller found the page to be. Only a good page (alive, and none of a soft 404, parked,
/// a sign-in wall, a bot check, an error page or not what the person saved) is ever kept.
enum class PageCondition { Good, NotGood };

/// How much is kept.
struct CopyLimits {
    /// The newest distinct copies kept per entry.
    int copiesPerEntry = 3;
    /// Bytes all copy files may take together.
    qint64 budgetBytes = qint64(2) * 1024 * 1024 * 1024;
    /// A page that saves larger than this is not kept.
    qint64 largestPage = qint64(50) * 1024 * 1024;
};

/// A size as a person writes it: a number of bytes, or with K, M, G or T after it (powers of 1024,
/// "2G", "500M", "1.5G", "64KiB"); nothing for anything else, zero and sizes past 2^62 included.
std::optional<qint64> byteSizeFromText(const QString &text);

/// What became of a page given to keep().
struct KeepResult {
    enum class Outcome {
        /// A new copy file was written and recorded.
        Kept,
        /// The same page is kept already (for another entry, or an older copy of this one): recorded
        /// for this entry as its newest, no file written.
        Shared,
        /// The entry's newest copy is this very page: nothing new kept, its time seen brought up.
        Unchanged,
        /// The page is not good: nothing kept, the copies there are stay.
        NotGood,
        /// The page saves larger than a copy may be (or than the whole budget): not kept.
        TooLarge,
        /// It could not be written; message says why, the copies there are stay.
        Failed,
    };
    Outcome outcome = Outcome::Failed;
    QString contentHash;
    /// Bytes the copy file takes (0 when none was kept).
    qint64 storedSize = 0;
    /// What the person is told when the page was not kept; empty when it was.
    QString message;

    bool isKept() const { return outcome == Outcome::Kept || outcome == Outcome::Shared || outcome == Outcome::Unchanged; }
};

/// The copy folder and the records. Not thread-safe: one object per thread (it opens the page
/// memory on the thread that calls open()).
class CopyArchive final {
    Q_DISABLE_COPY_MOVE(CopyArchive)
public:
    CopyArchive();
    ~CopyArchive();

    /// $XDG_DATA_HOME/quokka/copies, beside the page memory.
    static QString defaultFolder();
    /// The name of a page's content: the SHA-256 of its MHTML, hex, with what the engine writes anew
    /// on every save (the date, the part boundary, the frames' ids) left out, so that a page saved
    /// twice unchanged has one name.
    static QString contentHash(const QByteArray &mhtml);

    /// Opens the folder (made when missing) and the page memory at @p memoryPath; tidies what a killed
    /// write left. False with problem() when either cannot be used.
    bool open(const QString &folder = defaultFolder(), const QString &memoryPath = PageMemory::defaultPath(),
              const CopyLimits &limits = {});
    bool isOpen() const { return m_open; }
    QString folder() const { return m_folder; }
    QString problem() const { return m_problem; }
    const CopyLimits &limits() const { return m_limits; }
    void setLimits(const CopyLimits &limits) { m_limits = limits; }

    /// Keeps @p content as the copy of @p address taken at @p takenAt, when @p condition is Good;
    /// then keeps the entry's newest copies and the budget.
    KeepResult keep(const QString &address, PageCondition condition, const CopyContent &content,
                    const QDateTime &takenAt = QDateTime::currentDateTimeUtc());
    /// The copies of @p address, newest first.
    QList<CopyRecord> copiesOf(const QString &address) const;
    /// The newest copy of @p address read back; a missing or damaged file is told, never repaired by
    /// touching the entry or its records.
    CopyReading readNewest(const QString &address) const;
    /// The copy @p record names, read back.
    CopyReading read(const CopyRecord &record) const;
    /// The path of the file holding the copy named @p contentHash.
    QString pathOf(const QString &contentHash) const;
    /// Bytes the recorded copy files take.
    qint64 storedBytes() const;

    /// When each of @p addresses had its last good copy taken, from the records in @p memory (opened
    /// on the calling thread) whose file is there in @p folder; an entry without one is left out.
    static QHash<QString, QDateTime> lastGoodCopies(const PageMemory &memory, const QStringList &addresses,
                                                    const QString &folder = defaultFolder());

    /// Which records go to bring the copies within @p budget, in order: older copies of entries
    /// that have newer ones (oldest first), then the newest copies of entries whose live page is
    /// there, then the last good copies of entries in @p goneAddresses. A file shared by several
    /// records is freed when its last record goes. @p keepId is never chosen.
    static QList<qint64> copiesOverBudget(const QList<CopyRecord> &all, const QSet<QString> &goneAddresses,
                                          qint64 budget, qint64 keepId = 0);

private:
    void trimEntry(const QString &address);
    void keepBudget(const QString &justKept);
    void removeUnusedFiles(const QSet<QString> &hashes);
    void tidy();

    PageMemory m_memory;
    QString m_folder;
    QString m_problem;
    CopyLimits m_limits;
    bool m_open = false;
};
