// The page memory as a check uses it: each finished entry is written in batches, off the check's
// way; the last check of each entry is read back; a page that is no longer what the person saw is
// found. QtCore only (quokka-check uses it as the windows do).
#pragma once

#include "check/checkresults.h"
#include "check/verdict.h"
#include "memory/pagememory.h"
#include "memory/pagesigns.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

/// A check remembered from an earlier run.
struct RememberedCheck {
    CheckResult result;
    QDateTime checkedAt;
};

/// An entry's last check remembered, and whether the page it read is no longer what was seen there.
struct RememberedMark {
    QString entry;
    RememberedCheck check;
    CheckNote change;
};

class CheckMemoryWriter;
struct CheckMemoryOutcome;

/// Writing, and finding what changed, runs on a thread of its own with its own connection to the
/// database, so that a check hands its results over and goes on at once.
class CheckMemory final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CheckMemory)
public:
    /// Records queued for this long without another, or this many, are written.
    static constexpr int quietMilliseconds = 250;
    static constexpr int batchSize = 1000;
    /// Records that another program's lock kept out are tried again this long after the last try
    /// (each try itself waits for the lock a while, on the writing thread).
    static constexpr int retryMilliseconds = 1000;

    explicit CheckMemory(QObject *parent = nullptr);
    ~CheckMemory() override;

    /// Opens the database (the data folder's page-memory.sqlite by default). What went wrong, or
    /// where a damaged file was set aside, is in the answer; the memory then stays closed or empty.
    PageMemoryOpening open(const QString &path = PageMemory::defaultPath(), const PageMemoryLimits &limits = {});
    bool isOpen() const { return m_memory.isOpen(); }
    PageMemory &memory() { return m_memory; }

    /// Queues @p entry's finished check, written with the next batch.
    void addCheck(const QString &entry, const CheckResult &result, const QDateTime &at = QDateTime::currentDateTimeUtc());
    /// Queues a page the person opened from the list.
    void addVisit(const QString &entry, const QString &title, const QString &finalAddress, quint64 fingerprint,
                  const QDateTime &at = QDateTime::currentDateTimeUtc());
    /// Writes what is queued and waits until all of it is written (before that, finds which checked
    /// pages changed). Records that another program's lock keeps out are tried again until
    /// @p lockWait has passed (by default one try). False when what it wrote did not all land:
    /// unwritten() says how much and why; problem() has told a failure other than a lock, once.
    bool flush(QDeadlineTimer lockWait = QDeadlineTimer(0));
    /// Hands what is queued to the writing thread without waiting.
    void writeSoon();
    int queued() const { return int(m_queue.size()); }
    /// Records that wait for another program's lock to end (kept, and tried again every little while).
    int held() const { return m_held; }
    /// Records that did not reach the memory, held ones included.
    int unwritten() const { return m_lost + m_held; }
    /// Why the last records did not reach the memory (the lock, or what the database said).
    QString unwrittenReason() const { return m_unwrittenReason; }

    /// The last check of each of @p entries that the memory holds, with what changed since: a few
    /// queries for every few hundred entries.
    QList<RememberedMark> remembered(const QStringList &entries) const { return rememberedIn(m_memory, entries); }
    static QList<RememberedMark> rememberedIn(const PageMemory &memory, const QStringList &entries);
    /// remembered() read on the writing thread, after what was handed to it before, so that the
    /// caller's thread goes on meanwhile; @p take gets the answer on @p context's thread (never once
    /// @p context is gone). Once @p dropped is set, what is still to be read is not (the program is
    /// ending: its last writes need not wait for marks nobody will see). False, and nothing read, when
    /// the memory has no writing thread (it cannot be written): ask remembered() instead.
    bool rememberedLater(const QStringList &entries, QObject *context,
                         std::function<void(const QList<RememberedMark> &)> take,
                         std::shared_ptr<const std::atomic<bool>> dropped = {});
    /// What the person last saw at @p entry: the last page opened from the list, else the first
    /// check that read a page there.
    std::optional<SeenPage> seenBefore(const QString &entry) const;
    /// seenBefore() in @p memory, and what changed at @p entry since then for a check of @p result.
    static std::optional<SeenPage> seenIn(const PageMemory &memory, const QString &entry);
    static CheckNote changeIn(const PageMemory &memory, const QString &entry, const CheckResult &result, const QDateTime &at);
    /// seenIn() and changeIn() over records already read: @p history is the entry's records, oldest
    /// first (all of them, or those PageMemory::pagesRead() gives).
    static std::optional<SeenPage> seenAmong(const QString &entry, const QList<PageRecord> &history);
    static CheckNote changeAgainst(const std::optional<SeenPage> &was, const QString &entry, const CheckResult &result,
                                   const QDateTime &at);

    static PageRecord recordOf(const QString &entry, const CheckResult &result, const QDateTime &at);
    static CheckResult resultOf(const PageRecord &record);

signals:
    /// A checked page is not what the person saw (found when its batch is written).
    void changeFound(const QString &entry, const CheckNote &change);
    /// Writing failed; told once, with the reason.
    void problem(const QString &text);
    /// Another program holds the memory locked: what is found is held and written once it lets go.
    /// Told once each time a lock begins to hold records back.
    void lockedOut(const QString &text);

private:
    void written(const CheckMemoryOutcome &outcome);
    /// Hands what is queued (possibly nothing, to try what is held again) to the writing thread.
    void handOver();
    void stopWriter();

    PageMemory m_memory;
    QList<PageRecord> m_queue;
    QTimer m_quiet;
    QTimer m_retry;
    QThread m_thread;
    CheckMemoryWriter *m_writer = nullptr;
    bool m_told = false;
    bool m_toldLock = false;
    /// The last try of what a lock holds back was a flush (nothing handed over since).
    bool m_heldTriedLast = false;
    int m_held = 0;
    int m_lost = 0;
    QString m_unwrittenReason;
};
