// The service that records each look at the list's pages and tells what changed since the person
// last looked: a ChangeArchive on a thread of its own, so that compressing, diffing and the page
// memory never hold up the windows. No widgets.
#pragma once

#include "changes/changearchive.h"

#include <QObject>
#include <QAtomicInteger>
#include <QThread>

#include <functional>

/// Records looks and answers on its worker thread; every answer comes back as a signal on the
/// thread that made the store, in the order the requests were made.
class ChangeStore final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ChangeStore)
public:
    explicit ChangeStore(QObject *parent = nullptr);
    /// Finishes the requests made so far, then stops.
    ~ChangeStore() override;

    /// Opens the page memory at @p memoryPath; opened() tells the outcome.
    void open(const QString &memoryPath = PageMemory::defaultPath());
    /// Records that @p kind looked at @p address's page and saw @p text; lookRecorded() tells, and
    /// changeAnswered() then says what changed since the person last looked.
    void recordLook(const QString &address, LookRecord::Kind kind, const QString &text,
                    const QDateTime &seenAt = QDateTime::currentDateTimeUtc());
    /// What changed at each of @p addresses since the person last looked: a changeAnswered() each.
    void askChanges(const QStringList &addresses);
    /// Compares @p address's looks @p olderId and @p newerId (0: the newest; both 0: the newest with
    /// the person's last look before it); compared() brings it with both texts.
    void compare(const QString &address, qint64 olderId, qint64 newerId = 0);
    /// Lists @p address's looks, oldest first; looksListed() brings them.
    void listLooks(const QString &address);
    /// Counts @p part of @p address's page again; changeAnswered() then brings the new count.
    void countPartAgain(const QString &address, const QString &part);

signals:
    void opened(bool ok, const QString &problem);
    void lookRecorded(const QString &address, const LookRecorded &recorded);
    void changeAnswered(const ChangeAnswer &answer);
    /// The comparison asked with compare(), and the two texts compared.
    void compared(const ChangeAnswer &answer, const QString &olderText, const QString &newerText);
    void looksListed(const QString &address, const QList<LookRecord> &looks);

private:
    void onWorker(std::function<void(ChangeArchive &)> work);
    template <class F> void answer(F &&emitter);

    QThread m_thread;
    QObject *m_worker = nullptr;
    ChangeArchive *m_archive = nullptr;
    QAtomicInteger<bool> m_closing = false; // the owner ends: what is left of a long request goes
};
