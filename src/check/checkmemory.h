// The page memory as a check uses it: each finished entry is written in batches, off the check's
// way; the last check of each entry is read back; a page that is no longer what the person saw is
// found. QtCore only (quokka-check uses it as the windows do).
#pragma once

#include "check/checkresults.h"
#include "check/verdict.h"
#include "memory/pagememory.h"
#include "memory/pagesigns.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QThread>
#include <QTimer>

#include <optional>

/// A check remembered from an earlier run.
struct RememberedCheck {
    CheckResult result;
    QDateTime checkedAt;
};

class CheckMemoryWriter;

/// Writing, and finding what changed, runs on a thread of its own with its own connection to the
/// database, so that a check hands its results over and goes on at once.
class CheckMemory final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CheckMemory)
public:
    /// Records queued for this long without another, or this many, are written.
    static constexpr int quietMilliseconds = 250;
    static constexpr int batchSize = 1000;

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
    /// pages changed). False when it could not be written; problem() tells why, once.
    bool flush();
    /// Hands what is queued to the writing thread without waiting.
    void writeSoon();
    int queued() const { return int(m_queue.size()); }

    /// The last check of each of @p entries that the memory holds, by entry.
    QHash<QString, RememberedCheck> lastChecks(const QStringList &entries) const;
    /// What the person last saw at @p entry: the last page opened from the list, else the first
    /// check that read a page there.
    std::optional<SeenPage> seenBefore(const QString &entry) const;
    /// Whether the page @p result read at @p entry is not what was seen there before.
    CheckNote changeOf(const QString &entry, const CheckResult &result, const QDateTime &at) const;

    /// seenBefore() and changeOf() in @p memory.
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

private:
    void written(const QList<QPair<QString, CheckNote>> &changes, const QString &why);
    void stopWriter();

    PageMemory m_memory;
    QList<PageRecord> m_queue;
    QTimer m_quiet;
    QThread m_thread;
    CheckMemoryWriter *m_writer = nullptr;
    bool m_told = false;
};
