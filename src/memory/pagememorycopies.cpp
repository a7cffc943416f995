// The page memory's records of kept copies: their table and its queries, apart from the records of
// checks and visits.
#include "memory/pagememory.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

const QString copyColumns = QStringLiteral(
    "id, address, taken_at, seen_at, content_hash, stored_size, page_size, text_size, thumbnail_size");

CopyRecord copyFrom(const QSqlQuery &q)
{
    CopyRecord c;
    c.id = q.value(0).toLongLong();
    c.address = q.value(1).toString();
    c.takenAt = QDateTime::fromMSecsSinceEpoch(q.value(2).toLongLong()).toUTC();
    c.seenAt = QDateTime::fromMSecsSinceEpoch(q.value(3).toLongLong()).toUTC();
    c.contentHash = q.value(4).toString();
    c.storedSize = q.value(5).toLongLong();
    c.pageSize = q.value(6).toLongLong();
    c.textSize = q.value(7).toLongLong();
    c.thumbnailSize = q.value(8).toLongLong();
    return c;
}

QString describeError(const QSqlError &error)
{
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return text.isEmpty() ? QStringLiteral("unknown database error") : text;
}

} // namespace

bool PageMemory::prepareCopyTable() const
{
    if (!isOpen())
        return false;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    // IF NOT EXISTS: a memory made before copies were kept gets the table the first time one is.
    // The layout's version stays: an older Quokka reads the memory as before and leaves this alone.
    return q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS copies ("
                                 " id INTEGER PRIMARY KEY,"
                                 " address TEXT NOT NULL,"
                                 " taken_at INTEGER NOT NULL,"
                                 " seen_at INTEGER NOT NULL,"
                                 " content_hash TEXT NOT NULL,"
                                 " stored_size INTEGER NOT NULL DEFAULT 0,"
                                 " page_size INTEGER NOT NULL DEFAULT 0,"
                                 " text_size INTEGER NOT NULL DEFAULT 0,"
                                 " thumbnail_size INTEGER NOT NULL DEFAULT 0,"
                                 " UNIQUE (address, content_hash))"))
        && q.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS copies_by_hash ON copies (content_hash)"));
}

bool PageMemory::recordCopy(const CopyRecord &copy)
{
    if (!isWritable())
        return fail(QStringLiteral("is not open for writing"), QStringLiteral("no copy is recorded"));
    if (copy.address.size() > longestAddress || copy.contentHash.isEmpty())
        return fail(QStringLiteral("does not record this copy"), QStringLiteral("its address is too long"));
    if (!prepareCopyTable())
        return fail(QStringLiteral("cannot keep copies"), describeError(QSqlDatabase::database(m_connection, false).lastError()));
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("INSERT INTO copies (address, taken_at, seen_at, content_hash, stored_size, page_size,"
                             " text_size, thumbnail_size) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"
                             " ON CONFLICT (address, content_hash) DO UPDATE SET seen_at = excluded.seen_at"));
    q.addBindValue(copy.address);
    q.addBindValue(copy.takenAt.toMSecsSinceEpoch());
    q.addBindValue(copy.seenAt.isValid() ? copy.seenAt.toMSecsSinceEpoch() : copy.takenAt.toMSecsSinceEpoch());
    q.addBindValue(copy.contentHash);
    q.addBindValue(copy.storedSize);
    q.addBindValue(copy.pageSize);
    q.addBindValue(copy.textSize);
    q.addBindValue(copy.thumbnailSize);
    if (!q.exec())
        return fail(QStringLiteral("could not be written"), describeError(q.lastError()));
    m_problem.clear();
    return true;
}

QList<CopyRecord> PageMemory::copiesOf(const QString &address) const
{
    return selectCopies(QStringLiteral("WHERE address = ? ORDER BY seen_at DESC, id DESC"), {address}).value_or(QList<CopyRecord>{});
}

std::optional<QList<CopyRecord>> PageMemory::selectCopies(const QString &clauses, const QVariantList &values) const
{
    if (!prepareCopyTable())
        return std::nullopt;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1 FROM copies %2").arg(copyColumns, clauses));
    for (const QVariant &value : values)
        q.addBindValue(value);
    if (!q.exec())
        return std::nullopt;
    QList<CopyRecord> copies;
    while (q.next())
        copies.append(copyFrom(q));
    // A read that stopped partway is no list of copies: callers take an empty one for "none".
    if (q.lastError().isValid())
        return std::nullopt;
    return copies;
}

std::optional<QList<CopyRecord>> PageMemory::allCopies() const
{
    return selectCopies(QStringLiteral("ORDER BY seen_at, id"), {});
}

std::optional<QList<CopyRecord>> PageMemory::copiesWithContent(const QString &contentHash) const
{
    return selectCopies(QStringLiteral("WHERE content_hash = ? ORDER BY seen_at, id"), {contentHash});
}

qint64 PageMemory::copyBytes() const
{
    if (!prepareCopyTable())
        return 0;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.exec(QStringLiteral("SELECT coalesce(sum(size), 0) FROM"
                               " (SELECT max(stored_size) AS size FROM copies GROUP BY content_hash)"))
        || !q.next())
        return 0;
    return q.value(0).toLongLong();
}

bool PageMemory::forgetCopies(const QList<qint64> &ids)
{
    if (ids.isEmpty())
        return true;
    if (!isWritable())
        return fail(QStringLiteral("is not open for writing"), QStringLiteral("no copy is forgotten"));
    if (!prepareCopyTable())
        return fail(QStringLiteral("cannot keep copies"), describeError(QSqlDatabase::database(m_connection, false).lastError()));
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.transaction())
        return fail(QStringLiteral("could not be written"), describeError(db.lastError()));
    QSqlQuery q(db);
    q.prepare(QStringLiteral("DELETE FROM copies WHERE id = ?"));
    for (const qint64 id : ids) {
        q.addBindValue(id);
        if (!q.exec()) {
            const QString why = describeError(q.lastError());
            db.rollback();
            return fail(QStringLiteral("could not be written"), why);
        }
    }
    if (!db.commit()) {
        const QString why = describeError(db.lastError());
        db.rollback();
        return fail(QStringLiteral("could not be written"), why);
    }
    m_problem.clear();
    return true;
}
