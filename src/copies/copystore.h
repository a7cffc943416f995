// The service that keeps the last good copy of the list's pages: a CopyArchive on a thread of its
// own, so that compressing and writing a copy never holds up the windows. No widgets.
#pragma once

#include "copies/copyarchive.h"

#include <QObject>
#include <QThread>

/// Keeps and reads copies on its worker thread; every answer comes back as a signal on the thread
/// that made the store. Requests are done in the order they were made.
class CopyStore final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CopyStore)
public:
    explicit CopyStore(QObject *parent = nullptr);
    /// Finishes the requests made so far (a copy being written is never left half done), then stops.
    ~CopyStore() override;

    /// Opens the copies in @p folder with their records in the page memory at @p memoryPath;
    /// opened() tells the outcome.
    void open(const QString &folder = CopyArchive::defaultFolder(), const QString &memoryPath = PageMemory::defaultPath(),
              const CopyLimits &limits = {});
    /// Keeps @p content as @p address's copy when @p condition is Good; kept() tells what became of it.
    void keep(const QString &address, PageCondition condition, const CopyContent &content,
              const QDateTime &takenAt = QDateTime::currentDateTimeUtc());
    /// Reads @p address's newest copy back; copyRead() brings it.
    void readNewest(const QString &address);
    /// Reads the copy @p record names back; copyRead() brings it.
    void read(const CopyRecord &record);
    /// Lists @p address's copies, newest first; copiesListed() brings them.
    void listCopies(const QString &address);

signals:
    void opened(bool ok, const QString &problem);
    void kept(const QString &address, const KeepResult &result);
    /// @p record is the copy read (id 0 when the entry has none).
    void copyRead(const QString &address, const CopyRecord &record, const CopyReading &reading);
    void copiesListed(const QString &address, const QList<CopyRecord> &copies);

private:
    /// Runs @p work on the worker thread, after the requests before it.
    void onWorker(std::function<void(CopyArchive &)> work);

    QThread m_thread;
    QObject *m_worker = nullptr;
    CopyArchive *m_archive = nullptr;
};
