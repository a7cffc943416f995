// Gives entries the marks of their last check remembered in the page memory, a slice at a time.
#pragma once

#include <QList>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <atomic>
#include <memory>

class CheckMemory;
class CheckResults;
struct RememberedMark;

/// Entries that come into a list (it is opened, replaced, or grows by an import) get the verdict of
/// their last check from the memory, and whether their page is no longer what was seen. A few
/// thousand are looked up at once, before restore() returns; more are read on the memory's own
/// thread (a few hundred addresses take SQLite tens of milliseconds on a busy machine) and taken as
/// they come, so that adding 100,000 entries never holds the windows up. A memory without a thread
/// of its own (read-only) is read in slices of a few milliseconds in the event loop. An entry that got
/// a result meanwhile (a check running) keeps it.
class RememberedMarks final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RememberedMarks)
public:
    /// Entries up to this many are looked up at once, before restore() returns (unless others are
    /// still being looked up: they come in the order given).
    static constexpr int restoredAtOnce = 2000;

    RememberedMarks(CheckResults &results, CheckMemory &memory, QObject *parent = nullptr);
    ~RememberedMarks() override;

    /// Gives those of @p entries that have no result the one remembered for them.
    void restore(const QStringList &entries);
    /// Entries are waiting to be looked up.
    bool busy() const { return m_reading > 0 || !m_waiting.isEmpty(); }
    /// Looks up nothing more of what is waiting (the program is ending).
    void dropWaiting();

signals:
    /// Every entry given so far has been looked up.
    void finished();

private:
    QStringList unmarkedOf(const QStringList &entries) const;
    void restoreSlice();
    void take(const QList<RememberedMark> &found);

    CheckResults &m_results;
    CheckMemory &m_memory;
    /// Lookups on the memory's thread not answered yet, and the flag that drops them.
    int m_reading = 0;
    std::shared_ptr<std::atomic<bool>> m_dropped;
    /// Entries to look up here, a few hundred at a time.
    QList<QStringList> m_waiting;
    QTimer m_slice;
};
