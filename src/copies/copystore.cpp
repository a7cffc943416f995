#include "copies/copystore.h"

#include <QPointer>

CopyStore::CopyStore(QObject *parent)
    : QObject(parent)
{
    m_thread.setObjectName(QStringLiteral("quokka-copies"));
    m_worker = new QObject;
    m_worker->moveToThread(&m_thread);
    m_thread.start(QThread::LowPriority);
    // The archive is made on its thread: the page memory's connection belongs to the thread that opens it.
    CopyArchive **archive = &m_archive;
    QMetaObject::invokeMethod(m_worker, [archive] { *archive = new CopyArchive; }, Qt::QueuedConnection);
}

CopyStore::~CopyStore()
{
    CopyArchive **archive = &m_archive;
    QMetaObject::invokeMethod(m_worker, [archive] {
        delete *archive;
        *archive = nullptr;
    }, Qt::QueuedConnection);
    m_thread.quit();
    m_thread.wait();
    delete m_worker;
}

void CopyStore::onWorker(std::function<void(CopyArchive &)> work)
{
    CopyArchive **archive = &m_archive;
    QMetaObject::invokeMethod(m_worker, [archive, work = std::move(work)] { work(**archive); }, Qt::QueuedConnection);
}

void CopyStore::open(const QString &folder, const QString &memoryPath, const CopyLimits &limits)
{
    QPointer<CopyStore> self(this);
    onWorker([self, folder, memoryPath, limits](CopyArchive &archive) {
        const bool ok = archive.open(folder, memoryPath, limits);
        const QString problem = archive.problem();
        QMetaObject::invokeMethod(self, [self, ok, problem] {
            if (self)
                emit self->opened(ok, problem);
        }, Qt::QueuedConnection);
    });
}

void CopyStore::keep(const QString &address, PageCondition condition, const CopyContent &content, const QDateTime &takenAt)
{
    QPointer<CopyStore> self(this);
    onWorker([self, address, condition, content, takenAt](CopyArchive &archive) {
        const KeepResult result = archive.keep(address, condition, content, takenAt);
        QMetaObject::invokeMethod(self, [self, address, result] {
            if (self)
                emit self->kept(address, result);
        }, Qt::QueuedConnection);
    });
}

void CopyStore::readNewest(const QString &address)
{
    QPointer<CopyStore> self(this);
    onWorker([self, address](CopyArchive &archive) {
        const QList<CopyRecord> copies = archive.copiesOf(address);
        const CopyRecord record = copies.isEmpty() ? CopyRecord{} : copies.first();
        const CopyReading reading = copies.isEmpty() ? archive.readNewest(address) : archive.read(record);
        QMetaObject::invokeMethod(self, [self, address, record, reading] {
            if (self)
                emit self->copyRead(address, record, reading);
        }, Qt::QueuedConnection);
    });
}

void CopyStore::read(const CopyRecord &record)
{
    QPointer<CopyStore> self(this);
    onWorker([self, record](CopyArchive &archive) {
        const CopyReading reading = archive.read(record);
        QMetaObject::invokeMethod(self, [self, record, reading] {
            if (self)
                emit self->copyRead(record.address, record, reading);
        }, Qt::QueuedConnection);
    });
}

void CopyStore::listCopies(const QString &address)
{
    QPointer<CopyStore> self(this);
    onWorker([self, address](CopyArchive &archive) {
        const QList<CopyRecord> copies = archive.copiesOf(address);
        QMetaObject::invokeMethod(self, [self, address, copies] {
            if (self)
                emit self->copiesListed(address, copies);
        }, Qt::QueuedConnection);
    });
}
