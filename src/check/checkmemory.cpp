#include "check/checkmemory.h"

#include <QCoreApplication>
#include <QDir>
#include <QPointer>
#include <QUrl>

namespace {

/// Where a check's page ended: its final address, else the address it asked for.
QString endedAt(const QString &entry, const CheckResult &result)
{
    if (!result.finalAddress.isEmpty())
        return result.finalAddress;
    return targetOfEntry(entry).url.toString();
}

bool readAPage(const PageRecord &r)
{
    return !r.title.isEmpty() || r.fingerprint != 0;
}

} // namespace

/// What one hand-over to the writing thread came to.
struct CheckMemoryOutcome {
    QList<QPair<QString, CheckNote>> changes;
    /// Why records were not written; empty when all of them were.
    QString problem;
    /// Records kept on the writing thread because another program holds the lock.
    int held = 0;
    /// Records given up (a failure that trying again would not mend).
    int lost = 0;
};

/// Lives on the writing thread: its own connection to the same database.
class CheckMemoryWriter final : public QObject {
public:
    PageMemory memory;

    /// Writes what a lock kept out before, then @p batch, in one transaction (so that the records keep
    /// their order). When a lock keeps them out again, they are kept for the next try.
    CheckMemoryOutcome write(const QList<PageRecord> &batch)
    {
        CheckMemoryOutcome outcome;
        QList<PageRecord> all = std::exchange(m_held, {});
        all += batch;
        if (all.isEmpty())
            return outcome;
        // What changed is judged against the memory before this batch is in it, read in one go.
        QStringList compared;
        for (const PageRecord &r : std::as_const(all))
            if (r.kind == PageRecord::Kind::Check && readAPage(r))
                compared.append(r.address);
        const QHash<QString, QList<PageRecord>> seen = memory.pagesRead(compared);
        QList<QPair<QString, CheckNote>> changes;
        for (const PageRecord &r : std::as_const(all)) {
            if (r.kind != PageRecord::Kind::Check || !readAPage(r))
                continue;
            const CheckNote change = CheckMemory::changeAgainst(CheckMemory::seenAmong(r.address, seen.value(r.address)),
                                                                r.address, CheckMemory::resultOf(r), r.seenAt);
            if (!change.change.isEmpty())
                changes.append({r.address, change});
        }
        if (memory.recordAll(all)) {
            outcome.changes = std::move(changes);
            return outcome;
        }
        outcome.problem = memory.lastProblem().isEmpty() ? QStringLiteral("unknown problem") : memory.lastProblem();
        if (memory.lastWriteWasLockedOut()) {
            // Told when they land, judged then against what the memory holds then.
            outcome.held = int(all.size());
            m_held = std::move(all);
        } else {
            // A change found is still true, though the memory could not keep the check.
            outcome.changes = std::move(changes);
            outcome.lost = int(all.size());
        }
        return outcome;
    }

private:
    QList<PageRecord> m_held;
};

CheckMemory::CheckMemory(QObject *parent)
    : QObject(parent)
{
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(quietMilliseconds);
    connect(&m_quiet, &QTimer::timeout, this, &CheckMemory::writeSoon);
    m_retry.setSingleShot(true);
    m_retry.setInterval(retryMilliseconds);
    connect(&m_retry, &QTimer::timeout, this, &CheckMemory::handOver);
    m_thread.setObjectName(QStringLiteral("page memory"));
}

CheckMemory::~CheckMemory()
{
    // What a lock held back has had its last try when the owner flushed just before.
    if (!m_queue.isEmpty() || (m_held > 0 && !m_heldTriedLast))
        flush();
    stopWriter();
}

void CheckMemory::stopWriter()
{
    if (!m_writer)
        return;
    QMetaObject::invokeMethod(m_writer, [this] { m_writer->memory.close(); }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
    delete m_writer;
    m_writer = nullptr;
}

PageMemoryOpening CheckMemory::open(const QString &path, const PageMemoryLimits &limits)
{
    flush();
    stopWriter();
    m_told = false;
    m_toldLock = false;
    m_held = 0;
    m_lost = 0;
    m_unwrittenReason.clear();
    const PageMemoryOpening opening = m_memory.open(path, limits);
    if (m_memory.isWritable()) {
        m_writer = new CheckMemoryWriter;
        m_writer->moveToThread(&m_thread);
        m_thread.start();
        QMetaObject::invokeMethod(m_writer, [this, path, limits] { m_writer->memory.open(path, limits); },
                                  Qt::BlockingQueuedConnection);
    }
    return opening;
}

void CheckMemory::written(const CheckMemoryOutcome &outcome)
{
    for (const auto &change : outcome.changes)
        emit changeFound(change.first, change.second);
    m_held = outcome.held;
    m_lost += outcome.lost;
    if (!outcome.problem.isEmpty())
        m_unwrittenReason = outcome.problem;
    const QString where = QDir::toNativeSeparators(m_memory.path());
    if (outcome.held > 0) {
        // Kept on the writing thread and tried again in a while, however long the lock lasts.
        if (!m_toldLock) {
            m_toldLock = true;
            emit lockedOut(QStringLiteral("Another program holds Quokka's page memory in\n%1\nlocked. What the check finds "
                                          "is kept and written when it lets go.")
                               .arg(where));
        }
        m_retry.start();
        return;
    }
    m_toldLock = false;
    if (outcome.lost > 0 && !m_told) {
        m_told = true;
        emit problem(QStringLiteral("Quokka could not write what it found to its page memory in\n%1\n\nReason: %2")
                         .arg(where, outcome.problem));
    }
}

void CheckMemory::addCheck(const QString &entry, const CheckResult &result, const QDateTime &at)
{
    // A skipped entry is no page; and a memory that cannot be written queues nothing.
    if (result.verdict == Verdict::Skipped || !m_memory.isWritable())
        return;
    m_queue.append(recordOf(entry, result, at));
    if (m_queue.size() >= batchSize)
        writeSoon();
    else if (!m_quiet.isActive())
        m_quiet.start();
}

void CheckMemory::addVisit(const QString &entry, const QString &title, const QString &finalAddress, quint64 fingerprint,
                           const QDateTime &at)
{
    if (!m_memory.isWritable() || entry.isEmpty())
        return;
    PageRecord r;
    r.address = entry;
    r.kind = PageRecord::Kind::Visit;
    r.seenAt = at;
    r.title = title;
    r.finalAddress = finalAddress;
    r.fingerprint = fingerprint;
    m_queue.append(r);
    m_quiet.start();
}

void CheckMemory::writeSoon()
{
    m_quiet.stop();
    // While a lock holds records back, the next try takes these along; until then they wait here.
    if (m_held > 0 || m_retry.isActive())
        return;
    if (!m_queue.isEmpty())
        handOver();
}

void CheckMemory::handOver()
{
    m_retry.stop();
    m_heldTriedLast = false;
    if (!m_writer) {
        m_queue.clear();
        return;
    }
    QMetaObject::invokeMethod(
        m_writer,
        [this, writer = m_writer, batch = std::exchange(m_queue, {})] {
            const CheckMemoryOutcome outcome = writer->write(batch);
            QMetaObject::invokeMethod(this, [this, outcome] { written(outcome); }, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

bool CheckMemory::flush(QDeadlineTimer lockWait)
{
    m_quiet.stop();
    m_retry.stop();
    if (!m_writer) {
        m_queue.clear();
        return true;
    }
    QList<PageRecord> batch = std::exchange(m_queue, {});
    CheckMemoryOutcome outcome;
    for (;;) {
        // Runs after every batch handed over before it, on the writing thread.
        QMetaObject::invokeMethod(m_writer, [this, &batch, &outcome] { outcome = m_writer->write(batch); },
                                  Qt::BlockingQueuedConnection);
        batch.clear();
        // Changes of earlier batches come through the event loop; those of this one now, after them.
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
        written(outcome);
        // Each try waits for the lock a while itself (SQLite's busy time-out).
        if (outcome.held == 0 || lockWait.hasExpired())
            break;
    }
    m_heldTriedLast = true;
    return outcome.held == 0 && outcome.lost == 0;
}

QList<RememberedMark> CheckMemory::rememberedIn(const PageMemory &memory, const QStringList &entries)
{
    QList<RememberedMark> found;
    const QHash<QString, PageRecord> records = memory.lastChecks(entries);
    QStringList readAPage;
    for (auto it = records.cbegin(); it != records.cend(); ++it) {
        if (!verdictFromWord(it->verdict))
            continue; // a verdict of a newer program
        found.append({it.key(), {resultOf(*it), it->seenAt}, {}});
        if (!it->title.isEmpty() || it->fingerprint)
            readAPage.append(it.key());
    }
    // What was seen at each of them before, in one query rather than one history per entry.
    const QHash<QString, QList<PageRecord>> seen = memory.pagesRead(readAPage);
    for (RememberedMark &mark : found)
        if (!mark.check.result.title.isEmpty() || mark.check.result.fingerprint)
            mark.change = changeAgainst(seenAmong(mark.entry, seen.value(mark.entry)), mark.entry, mark.check.result,
                                        mark.check.checkedAt);
    return found;
}

bool CheckMemory::rememberedLater(const QStringList &entries, QObject *context,
                                  std::function<void(const QList<RememberedMark> &)> take,
                                  std::shared_ptr<const std::atomic<bool>> dropped)
{
    if (!m_writer)
        return false;
    QMetaObject::invokeMethod(
        m_writer,
        [this, writer = m_writer, entries, context = QPointer<QObject>(context), take = std::move(take),
         dropped = std::move(dropped)] {
            if (dropped && *dropped)
                return;
            QList<RememberedMark> found = rememberedIn(writer->memory, entries);
            // Back through this object, which outlives its writing thread; the context is asked there.
            QMetaObject::invokeMethod(
                this, [context, take, found = std::move(found)] {
                    if (context)
                        take(found);
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    return true;
}

std::optional<SeenPage> CheckMemory::seenBefore(const QString &entry) const
{
    return seenIn(m_memory, entry);
}

std::optional<SeenPage> CheckMemory::seenIn(const PageMemory &memory, const QString &entry)
{
    return seenAmong(entry, memory.history(entry));
}

std::optional<SeenPage> CheckMemory::seenAmong(const QString &entry, const QList<PageRecord> &history)
{
    const PageRecord *seen = nullptr;
    for (auto it = history.crbegin(); it != history.crend() && !seen; ++it)
        if (it->kind == PageRecord::Kind::Visit && readAPage(*it))
            seen = &*it;
    for (auto it = history.cbegin(); it != history.cend() && !seen; ++it)
        if (it->kind == PageRecord::Kind::Check && it->verdict == verdictWord(Verdict::Alive) && readAPage(*it))
            seen = &*it;
    if (!seen)
        return std::nullopt;
    return SeenPage{seen->title, seen->finalAddress.isEmpty() ? targetOfEntry(entry).url.toString() : seen->finalAddress,
                    seen->fingerprint, seen->seenAt};
}

CheckNote CheckMemory::changeIn(const PageMemory &memory, const QString &entry, const CheckResult &result, const QDateTime &at)
{
    return changeAgainst(seenIn(memory, entry), entry, result, at);
}

CheckNote CheckMemory::changeAgainst(const std::optional<SeenPage> &was, const QString &entry, const CheckResult &result,
                                     const QDateTime &at)
{
    CheckNote note;
    if (!was || (was->seenAt.isValid() && at.isValid() && was->seenAt > at))
        return note; // nothing seen before, or only since
    const PageChange change = compareWithSeen(
        *was, SeenPage{result.title, endedAt(entry, result), result.fingerprint, at, standsInForAnyPage(result)});
    if (!change.changed)
        return note;
    note.change = change.text;
    note.wasTitle = was->title;
    note.wasSeen = was->seenAt;
    return note;
}

PageRecord CheckMemory::recordOf(const QString &entry, const CheckResult &result, const QDateTime &at)
{
    PageRecord r;
    r.address = entry;
    r.kind = PageRecord::Kind::Check;
    r.seenAt = at;
    r.title = result.title;
    r.finalAddress = result.finalAddress;
    r.fingerprint = result.fingerprint;
    r.verdict = verdictWord(result.verdict);
    r.status = result.status;
    r.reason = result.reason;
    return r;
}

CheckResult CheckMemory::resultOf(const PageRecord &record)
{
    CheckResult r;
    r.verdict = verdictFromWord(record.verdict).value_or(Verdict::Skipped);
    r.status = record.status;
    r.finalAddress = record.finalAddress;
    r.reason = record.reason;
    r.title = record.title;
    r.fingerprint = record.fingerprint;
    return r;
}
