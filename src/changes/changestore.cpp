#include "changes/changestore.h"

#include <QPointer>

ChangeStore::ChangeStore(QObject *parent)
    : QObject(parent)
{
    m_thread.setObjectName(QStringLiteral("quokka-changes"));
    m_worker = new QObject;
    m_worker->moveToThread(&m_thread);
    m_thread.start(QThread::LowPriority);
    // Made on its thread: the page memory's connection belongs to the thread that opens it.
    ChangeArchive **archive = &m_archive;
    QMetaObject::invokeMethod(m_worker, [archive] { *archive = new ChangeArchive; }, Qt::QueuedConnection);
}

ChangeStore::~ChangeStore()
{
    m_closing.storeRelaxed(true);
    ChangeArchive **archive = &m_archive;
    QMetaObject::invokeMethod(m_worker, [archive] {
        delete *archive;
        *archive = nullptr;
    }, Qt::QueuedConnection);
    m_thread.quit();
    m_thread.wait();
    delete m_worker;
}

void ChangeStore::onWorker(std::function<void(ChangeArchive &)> work)
{
    ChangeArchive **archive = &m_archive;
    QMetaObject::invokeMethod(m_worker, [archive, work = std::move(work)] { work(**archive); }, Qt::QueuedConnection);
}

template <class F> void ChangeStore::answer(F &&emitter)
{
    // Runs on the worker; the signal goes out on the store's own thread, unless the store is gone.
    QPointer<ChangeStore> self(this);
    QMetaObject::invokeMethod(this, [self, emitter = std::forward<F>(emitter)] {
        if (self)
            emitter(self.data());
    }, Qt::QueuedConnection);
}

void ChangeStore::open(const QString &memoryPath)
{
    onWorker([this, memoryPath](ChangeArchive &archive) {
        const bool ok = archive.open(memoryPath);
        const QString problem = archive.problem();
        answer([ok, problem](ChangeStore *self) { emit self->opened(ok, problem); });
    });
}

void ChangeStore::recordLook(const QString &address, LookRecord::Kind kind, const QString &text, const QDateTime &seenAt)
{
    onWorker([this, address, kind, text, seenAt](ChangeArchive &archive) {
        const LookRecorded recorded = archive.recordLook(address, kind, text, seenAt);
        const ChangeAnswer change = recorded.ok ? archive.changedSinceLastLook(address) : ChangeAnswer{address, {}, {}, 0, {}, recorded.problem};
        answer([address, recorded, change](ChangeStore *self) {
            emit self->lookRecorded(address, recorded);
            emit self->changeAnswered(change);
        });
    });
}

void ChangeStore::askChanges(const QStringList &addresses)
{
    onWorker([this, addresses](ChangeArchive &archive) {
        // A list of a million entries of which a few were looked at twice: only those are compared,
        // and the owner's end is not held up by the rest.
        const QSet<QString> looked = archive.memory().addressesWithLooks();
        for (const QString &address : addresses) {
            if (!looked.contains(address))
                continue;
            if (m_closing.loadRelaxed())
                return;
            ChangeAnswer change = archive.changedSinceLastLook(address);
            change.report.lines.clear(); // the count is what a mark needs; the diff stays here
            answer([change](ChangeStore *self) { emit self->changeAnswered(change); });
        }
    });
}

void ChangeStore::compare(const QString &address, qint64 olderId, qint64 newerId)
{
    onWorker([this, address, olderId, newerId](ChangeArchive &archive) {
        ChangeAnswer change;
        if (olderId == 0 && newerId == 0) {
            change = archive.changedSinceLastLook(address, true);
        } else {
            qint64 newest = newerId;
            if (newest == 0) {
                const QList<LookRecord> looks = archive.looksOf(address);
                newest = looks.isEmpty() ? 0 : looks.last().id;
            }
            change = archive.compare(address, olderId, newest);
        }
        const QString older = change.comparedWith ? archive.textOf(*change.comparedWith).value_or(QString()) : QString();
        const QString newer = change.now ? archive.textOf(*change.now).value_or(QString()) : QString();
        answer([change, older, newer](ChangeStore *self) { emit self->compared(change, older, newer); });
    });
}

void ChangeStore::listLooks(const QString &address)
{
    onWorker([this, address](ChangeArchive &archive) {
        const QList<LookRecord> looks = archive.looksOf(address);
        answer([address, looks](ChangeStore *self) { emit self->looksListed(address, looks); });
    });
}

void ChangeStore::countPartAgain(const QString &address, const QString &part)
{
    onWorker([this, address, part](ChangeArchive &archive) {
        archive.countPartAgain(address, part);
        ChangeAnswer change = archive.changedSinceLastLook(address);
        answer([change](ChangeStore *self) { emit self->changeAnswered(change); });
    });
}
