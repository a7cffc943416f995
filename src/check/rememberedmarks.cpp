#include "check/rememberedmarks.h"

#include "check/checkmemory.h"
#include "check/checkresults.h"

#include <QElapsedTimer>

namespace {

/// Entries looked up together (the memory asks for a few hundred addresses at a time anyway).
constexpr qsizetype entriesPerLookup = 400;
/// How long one slice may hold the event loop where the lookups run on its thread.
constexpr qint64 sliceMilliseconds = 8;

} // namespace

RememberedMarks::RememberedMarks(CheckResults &results, CheckMemory &memory, QObject *parent)
    : QObject(parent)
    , m_results(results)
    , m_memory(memory)
    , m_dropped(std::make_shared<std::atomic<bool>>(false))
{
    m_slice.setSingleShot(true);
    m_slice.setInterval(0);
    connect(&m_slice, &QTimer::timeout, this, &RememberedMarks::restoreSlice);
}

RememberedMarks::~RememberedMarks()
{
    dropWaiting();
}

void RememberedMarks::dropWaiting()
{
    *m_dropped = true;
    m_dropped = std::make_shared<std::atomic<bool>>(false);
    m_reading = 0;
    m_waiting.clear();
    m_slice.stop();
}

void RememberedMarks::restore(const QStringList &entries)
{
    if (entries.isEmpty() || !m_memory.isOpen())
        return;
    if (entries.size() <= restoredAtOnce && !busy()) {
        for (qsizetype at = 0; at < entries.size(); at += entriesPerLookup)
            take(m_memory.remembered(unmarkedOf(entries.mid(at, entriesPerLookup))));
        emit finished();
        return;
    }
    // Many: read on the memory's own thread, a few hundred at a time, each taken when it comes.
    for (qsizetype at = 0; at < entries.size(); at += entriesPerLookup) {
        const QStringList some = unmarkedOf(entries.mid(at, entriesPerLookup));
        if (some.isEmpty())
            continue;
        ++m_reading;
        const auto dropped = m_dropped;
        if (!m_memory.rememberedLater(
                some, this,
                [this, dropped](const QList<RememberedMark> &found) {
                    if (*dropped)
                        return;
                    --m_reading;
                    take(found);
                    if (!busy())
                        emit finished();
                },
                dropped)) {
            --m_reading;
            m_waiting.append(some);
        }
    }
    if (!m_waiting.isEmpty() && !m_slice.isActive())
        m_slice.start();
    if (!busy())
        emit finished();
}

QStringList RememberedMarks::unmarkedOf(const QStringList &entries) const
{
    QStringList unmarked;
    for (const QString &entry : entries)
        if (!m_results.hasResult(entry))
            unmarked.append(entry);
    return unmarked;
}

void RememberedMarks::restoreSlice()
{
    // The memory can only be read here (it cannot be written, so it has no thread of its own).
    QElapsedTimer slice;
    slice.start();
    while (!m_waiting.isEmpty() && slice.elapsed() < sliceMilliseconds)
        take(m_memory.remembered(unmarkedOf(m_waiting.takeFirst())));
    if (!m_waiting.isEmpty())
        m_slice.start();
    else if (!busy())
        emit finished();
}

void RememberedMarks::take(const QList<RememberedMark> &found)
{
    for (const RememberedMark &mark : found) {
        // A result found since the lookup began is newer than the memory's.
        if (m_results.hasResult(mark.entry))
            continue;
        m_results.restore(mark.entry, mark.check.result, mark.check.checkedAt);
        if (!mark.change.change.isEmpty())
            m_results.setChange(mark.entry, mark.change);
    }
}
