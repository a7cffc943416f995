#include "check/checkmemory.h"

#include <QCoreApplication>
#include <QDir>
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

/// Lives on the writing thread: its own connection to the same database.
class CheckMemoryWriter final : public QObject {
public:
    struct Outcome {
        QList<QPair<QString, CheckNote>> changes;
        QString problem;
    };
    PageMemory memory;

    Outcome write(const QList<PageRecord> &batch)
    {
        Outcome outcome;
        // What changed is judged against the memory before this batch is in it, read in one go.
        QStringList compared;
        for (const PageRecord &r : batch)
            if (r.kind == PageRecord::Kind::Check && readAPage(r))
                compared.append(r.address);
        const QHash<QString, QList<PageRecord>> seen = memory.pagesRead(compared);
        for (const PageRecord &r : batch) {
            if (r.kind != PageRecord::Kind::Check || !readAPage(r))
                continue;
            const CheckNote change = CheckMemory::changeAgainst(CheckMemory::seenAmong(r.address, seen.value(r.address)),
                                                                r.address, CheckMemory::resultOf(r), r.seenAt);
            if (!change.change.isEmpty())
                outcome.changes.append({r.address, change});
        }
        if (!memory.recordAll(batch))
            outcome.problem = memory.lastProblem().isEmpty() ? QStringLiteral("unknown problem") : memory.lastProblem();
        return outcome;
    }
};

CheckMemory::CheckMemory(QObject *parent)
    : QObject(parent)
{
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(quietMilliseconds);
    connect(&m_quiet, &QTimer::timeout, this, &CheckMemory::writeSoon);
    m_thread.setObjectName(QStringLiteral("page memory"));
}

CheckMemory::~CheckMemory()
{
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

void CheckMemory::written(const QList<QPair<QString, CheckNote>> &changes, const QString &why)
{
    for (const auto &change : changes)
        emit changeFound(change.first, change.second);
    if (!why.isEmpty() && !m_told) {
        m_told = true;
        emit problem(QStringLiteral("Quokka could not write what it found to its page memory in\n%1\n\nReason: %2")
                         .arg(QDir::toNativeSeparators(m_memory.path()), why));
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
    if (m_queue.isEmpty() || !m_writer)
        return;
    QMetaObject::invokeMethod(
        m_writer,
        [this, writer = m_writer, batch = std::exchange(m_queue, {})] {
            const CheckMemoryWriter::Outcome outcome = writer->write(batch);
            QMetaObject::invokeMethod(this, [this, outcome] { written(outcome.changes, outcome.problem); }, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

bool CheckMemory::flush()
{
    m_quiet.stop();
    if (!m_writer) {
        m_queue.clear();
        return true;
    }
    CheckMemoryWriter::Outcome outcome;
    const QList<PageRecord> batch = std::exchange(m_queue, {});
    // Runs after every batch handed over before it, on the writing thread.
    QMetaObject::invokeMethod(m_writer, [this, &batch, &outcome] { outcome = m_writer->write(batch); },
                              Qt::BlockingQueuedConnection);
    // Changes of earlier batches come through the event loop; those of this one now, after them.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    written(outcome.changes, outcome.problem);
    return outcome.problem.isEmpty();
}

QHash<QString, RememberedCheck> CheckMemory::lastChecks(const QStringList &entries) const
{
    QHash<QString, RememberedCheck> found;
    const QHash<QString, PageRecord> records = m_memory.lastChecks(entries);
    for (auto it = records.cbegin(); it != records.cend(); ++it) {
        if (!verdictFromWord(it->verdict))
            continue; // a verdict of a newer program
        found.insert(it.key(), {resultOf(*it), it->seenAt});
    }
    return found;
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

CheckNote CheckMemory::changeOf(const QString &entry, const CheckResult &result, const QDateTime &at) const
{
    return changeIn(m_memory, entry, result, at);
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
