// The page memory's looks: when each entry's page was looked at, by whom, and the readable text it
// showed then (each distinct text stored once), apart from the records of checks and visits.
#include "memory/pagememory.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

const QString lookColumns = QStringLiteral("id, address, host, seen_at, kind, text_hash");

LookRecord lookFrom(const QSqlQuery &q)
{
    LookRecord l;
    l.id = q.value(0).toLongLong();
    l.address = q.value(1).toString();
    l.host = q.value(2).toString();
    l.seenAt = QDateTime::fromMSecsSinceEpoch(q.value(3).toLongLong()).toUTC();
    const int kind = q.value(4).toInt();
    l.kind = kind == 1 ? LookRecord::Kind::Play : kind == 2 ? LookRecord::Kind::Check : LookRecord::Kind::Person;
    l.textHash = q.value(5).toString();
    return l;
}

QString describeError(const QSqlError &error)
{
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return text.isEmpty() ? QStringLiteral("unknown database error") : text;
}

} // namespace

bool PageMemory::prepareLookTables() const
{
    if (!isOpen())
        return false;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    // IF NOT EXISTS: a memory made before looks were kept gets the tables the first time one is.
    // The layout's version stays, so an older Quokka opens the memory as before and leaves these alone.
    return q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS looks ("
                                 " id INTEGER PRIMARY KEY,"
                                 " address TEXT NOT NULL,"
                                 " host TEXT NOT NULL DEFAULT '',"
                                 " seen_at INTEGER NOT NULL,"
                                 " kind INTEGER NOT NULL,"
                                 " text_hash TEXT NOT NULL)"))
        && q.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS looks_by_address ON looks (address, seen_at)"))
        && q.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS looks_by_host ON looks (host, seen_at)"))
        && q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS look_texts ("
                                 " hash TEXT PRIMARY KEY,"
                                 " raw_size INTEGER NOT NULL,"
                                 " stored BLOB NOT NULL)"))
        && q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS looks_counted_again ("
                                 " address TEXT NOT NULL,"
                                 " part TEXT NOT NULL,"
                                 " PRIMARY KEY (address, part))"));
}

bool PageMemory::recordLook(const LookRecord &look, const QByteArray &storedText, qint64 rawSize)
{
    if (!isWritable())
        return fail(QStringLiteral("is not open for writing"), QStringLiteral("no look is recorded"));
    if (look.address.isEmpty() || look.address.size() > longestAddress || look.textHash.isEmpty())
        return fail(QStringLiteral("does not record this look"), QStringLiteral("its address is empty or too long"));
    if (!prepareLookTables())
        return fail(QStringLiteral("cannot keep looks"), describeError(QSqlDatabase::database(m_connection, false).lastError()));
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.transaction())
        return fail(QStringLiteral("could not be written"), describeError(db.lastError()));
    QSqlQuery q(db);
    auto rollBack = [&](const QSqlError &error) {
        const QString why = describeError(error);
        m_lockedOut = error.nativeErrorCode() == QLatin1String("5") || error.nativeErrorCode() == QLatin1String("6");
        db.rollback();
        return fail(QStringLiteral("could not be written"), why);
    };
    q.prepare(QStringLiteral("INSERT OR IGNORE INTO look_texts (hash, raw_size, stored) VALUES (?, ?, ?)"));
    q.addBindValue(look.textHash);
    q.addBindValue(rawSize);
    q.addBindValue(storedText);
    if (!q.exec())
        return rollBack(q.lastError());
    q.prepare(QStringLiteral("INSERT INTO looks (address, host, seen_at, kind, text_hash) VALUES (?, ?, ?, ?, ?)"));
    q.addBindValue(look.address);
    q.addBindValue(look.host);
    q.addBindValue(look.seenAt.toMSecsSinceEpoch());
    q.addBindValue(static_cast<int>(look.kind));
    q.addBindValue(look.textHash);
    if (!q.exec())
        return rollBack(q.lastError());
    // The entry keeps its newest looks and, whatever its age, the person's last one: what "changed
    // since you last looked" compares with.
    q.prepare(QStringLiteral("DELETE FROM looks WHERE address = ? AND id NOT IN"
                             " (SELECT id FROM looks WHERE address = ? ORDER BY seen_at DESC, id DESC LIMIT ?)"
                             " AND id IS NOT (SELECT id FROM looks WHERE address = ? AND kind = 0"
                             "                ORDER BY seen_at DESC, id DESC LIMIT 1)"));
    q.addBindValue(look.address);
    q.addBindValue(look.address);
    q.addBindValue(looksPerAddress);
    q.addBindValue(look.address);
    if (!q.exec())
        return rollBack(q.lastError());
    if (q.numRowsAffected() > 0
        && !q.exec(QStringLiteral("DELETE FROM look_texts WHERE hash NOT IN (SELECT text_hash FROM looks)")))
        return rollBack(q.lastError());
    if (!db.commit())
        return rollBack(db.lastError());
    m_lockedOut = false;
    m_problem.clear();
    return lookTextBytes() <= lookTextBudget || trimLooks();
}

bool PageMemory::trimLooks(qint64 budget)
{
    if (!isWritable() || !prepareLookTables())
        return false;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    // Looks that are no entry's last look of the person's go first, oldest first; then the rest.
    const QString personsLast = QStringLiteral(
        "(SELECT id FROM looks p WHERE p.address = l.address AND p.kind = 0 ORDER BY seen_at DESC, id DESC LIMIT 1)");
    const QStringList passes = {QStringLiteral("WHERE l.kind <> 0 OR l.id IS NOT %1").arg(personsLast), QString()};
    for (const QString &which : passes) {
        for (qint64 over = lookTextBytes() - budget; over > 0; over = lookTextBytes() - budget) {
            // The oldest looks whose texts make up what is over (a text shared with a look that stays
            // stays too: the next round takes more).
            QSqlQuery pick(db);
            pick.setForwardOnly(true);
            if (!pick.exec(QStringLiteral("SELECT l.id, length(t.stored) FROM looks l JOIN look_texts t ON t.hash = l.text_hash"
                                          " %1 ORDER BY l.seen_at, l.id").arg(which)))
                return fail(QStringLiteral("could not be read"), describeError(pick.lastError()));
            QList<qint64> ids;
            for (qint64 freed = 0; freed < over && pick.next();) {
                ids.append(pick.value(0).toLongLong());
                freed += pick.value(1).toLongLong();
            }
            pick.finish();
            if (ids.isEmpty())
                break; // none of these left: the next pass, or the budget cannot be kept
            if (!db.transaction())
                return fail(QStringLiteral("could not be written"), describeError(db.lastError()));
            QSqlQuery q(db);
            bool ok = q.prepare(QStringLiteral("DELETE FROM looks WHERE id = ?"));
            for (const qint64 id : std::as_const(ids)) {
                q.addBindValue(id);
                ok = ok && q.exec();
            }
            ok = ok && q.exec(QStringLiteral("DELETE FROM look_texts WHERE hash NOT IN (SELECT text_hash FROM looks)"));
            if (!ok || !db.commit()) {
                const QString why = describeError(ok ? db.lastError() : q.lastError());
                db.rollback();
                return fail(QStringLiteral("could not be written"), why);
            }
        }
    }
    m_problem.clear();
    return true;
}

QList<LookRecord> PageMemory::looksOf(const QString &address) const
{
    QList<LookRecord> looks;
    if (!prepareLookTables())
        return looks;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1 FROM looks WHERE address = ? ORDER BY seen_at, id").arg(lookColumns));
    q.addBindValue(address);
    if (q.exec()) {
        while (q.next())
            looks.append(lookFrom(q));
    }
    return looks;
}

QSet<QString> PageMemory::addressesWithLooks() const
{
    QSet<QString> addresses;
    if (!prepareLookTables())
        return addresses;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    if (q.exec(QStringLiteral("SELECT address FROM looks GROUP BY address HAVING COUNT(*) > 1"))) {
        while (q.next())
            addresses.insert(q.value(0).toString());
    }
    return addresses;
}

std::optional<QByteArray> PageMemory::lookText(const QString &textHash) const
{
    if (!prepareLookTables())
        return std::nullopt;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT stored FROM look_texts WHERE hash = ?"));
    q.addBindValue(textHash);
    if (!q.exec() || !q.next())
        return std::nullopt;
    return q.value(0).toByteArray();
}

QList<LookRecord> PageMemory::latestLooksOnHost(const QString &host, const QString &exceptAddress, int limit) const
{
    QList<LookRecord> looks;
    if (host.isEmpty() || !prepareLookTables())
        return looks;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1 FROM looks l WHERE host = ? AND address <> ? AND id ="
                             " (SELECT id FROM looks m WHERE m.address = l.address ORDER BY seen_at DESC, id DESC LIMIT 1)"
                             " ORDER BY seen_at DESC LIMIT ?")
                  .arg(lookColumns));
    q.addBindValue(host);
    q.addBindValue(exceptAddress);
    q.addBindValue(limit);
    if (q.exec()) {
        while (q.next())
            looks.append(lookFrom(q));
    }
    return looks;
}

QStringList PageMemory::partsCountedAgain(const QString &address) const
{
    QStringList parts;
    if (!prepareLookTables())
        return parts;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT part FROM looks_counted_again WHERE address = ? ORDER BY part"));
    q.addBindValue(address);
    if (q.exec()) {
        while (q.next())
            parts.append(q.value(0).toString());
    }
    return parts;
}

bool PageMemory::countPartAgain(const QString &address, const QString &part)
{
    if (!isWritable())
        return fail(QStringLiteral("is not open for writing"), QStringLiteral("the part is not counted again"));
    if (address.size() > longestAddress || part.isEmpty())
        return fail(QStringLiteral("does not record this part"), QStringLiteral("its address is too long"));
    if (!prepareLookTables())
        return fail(QStringLiteral("cannot keep looks"), describeError(QSqlDatabase::database(m_connection, false).lastError()));
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.prepare(QStringLiteral("INSERT OR IGNORE INTO looks_counted_again (address, part) VALUES (?, ?)"));
    q.addBindValue(address);
    q.addBindValue(part);
    if (!q.exec())
        return fail(QStringLiteral("could not be written"), describeError(q.lastError()));
    m_problem.clear();
    return true;
}

qint64 PageMemory::lookTextBytes() const
{
    if (!prepareLookTables())
        return 0;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.exec(QStringLiteral("SELECT coalesce(sum(length(stored)), 0) FROM look_texts")) || !q.next())
        return 0;
    return q.value(0).toLongLong();
}

qint64 PageMemory::lookTextCount() const
{
    if (!prepareLookTables())
        return 0;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.exec(QStringLiteral("SELECT count(*) FROM look_texts")) || !q.next())
        return 0;
    return q.value(0).toLongLong();
}
