#include "memory/pagememory.h"

#include "store/listfileversion.h"
#include "store/listpaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QVariant>

#include <atomic>

namespace {

// SQLite's primary result codes that Qt's driver reports as the error's native code.
constexpr int sqlitePerm = 3;
constexpr int sqliteBusy = 5;
constexpr int sqliteLocked = 6;
constexpr int sqliteReadOnly = 8;
constexpr int sqliteCorrupt = 11;
constexpr int sqliteCantOpen = 14;
constexpr int sqliteNotADatabase = 26;

// How many addresses one query names (SQLite allows 999 bound values in old builds).
constexpr int addressesPerQuery = 400;

const QString recordColumns =
    QStringLiteral("address, kind, seen_at, title, final_address, fingerprint, verdict, status, reason");

// The records that stand for what the person saw at the address bound to the ?: pages opened from
// the list, and pages a check found alive, that had something to remember.
const QString lastSeenCondition =
    QStringLiteral("address = ? AND (kind = 1 OR verdict = 'alive') AND (title <> '' OR fingerprint <> 0)");

int nativeCode(const QSqlError &error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? code : -1;
}

QString describe(const QSqlError &error)
{
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return text.isEmpty() ? QStringLiteral("unknown database error") : text;
}

bool isDamage(const QSqlError &error)
{
    const int code = nativeCode(error);
    return code == sqliteCorrupt || code == sqliteNotADatabase;
}

// Another connection holds the write lock (past the busy time-out): the same write may land later.
bool isLock(const QSqlError &error)
{
    const int code = nativeCode(error);
    return code == sqliteBusy || code == sqliteLocked;
}

bool isRefusalToWrite(const QSqlError &error)
{
    const int code = nativeCode(error);
    return code == sqliteReadOnly || code == sqliteCantOpen || code == sqlitePerm;
}

// Never NULL: a null QString binds as NULL, which the table refuses.
QString cut(const QString &text, int length)
{
    if (text.isNull())
        return QStringLiteral("");
    return text.size() > length ? text.left(length) : text;
}

PageRecord recordFrom(const QSqlQuery &q)
{
    PageRecord r;
    r.address = q.value(0).toString();
    r.kind = q.value(1).toInt() == 1 ? PageRecord::Kind::Visit : PageRecord::Kind::Check;
    r.seenAt = QDateTime::fromMSecsSinceEpoch(q.value(2).toLongLong()).toUTC();
    r.title = q.value(3).toString();
    r.finalAddress = q.value(4).toString();
    r.fingerprint = quint64(q.value(5).toLongLong());
    r.verdict = q.value(6).toString();
    r.status = q.value(7).toInt();
    r.reason = q.value(8).toString();
    return r;
}

// A name beside @p path that nothing has yet: path.damaged-20261103-142501, then .2, .3, ...
QString asideName(const QString &path)
{
    return ListFileCopies::freeDatedName(path, QStringLiteral(".damaged-"), QStringLiteral("yyyyMMdd-HHmmss"), QLatin1Char('.'));
}

} // namespace

PageMemory::PageMemory()
{
    static std::atomic<int> serial{0};
    m_connection = QStringLiteral("quokka-page-memory-%1").arg(++serial);
}

PageMemory::~PageMemory()
{
    close();
}

QString PageMemory::defaultPath()
{
    return ListPaths::dataFolder() + QStringLiteral("/page-memory.sqlite");
}

bool PageMemory::isOpen() const
{
    return QSqlDatabase::contains(m_connection) && QSqlDatabase::database(m_connection, false).isOpen();
}

bool PageMemory::isWritable() const
{
    return m_writable && isOpen();
}

void PageMemory::close()
{
    m_writable = false;
    if (!QSqlDatabase::contains(m_connection))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

bool PageMemory::fail(const QString &what, const QString &why)
{
    m_problem = QStringLiteral("The page memory %1 %2 (%3).").arg(QDir::toNativeSeparators(m_path), what, why);
    return false;
}

PageMemory::Readiness PageMemory::connect(bool readOnly, bool immutable)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000");
        if (readOnly)
            options += QStringLiteral(";QSQLITE_OPEN_READONLY");
        if (immutable) {
            // A medium that cannot be written: nothing changes the file under us, so SQLite needs no
            // lock files beside it.
            options += QStringLiteral(";QSQLITE_OPEN_URI");
            db.setDatabaseName(QUrl::fromLocalFile(QFileInfo(m_path).absoluteFilePath()).toString(QUrl::FullyEncoded)
                               + QStringLiteral("?immutable=1"));
        } else {
            db.setDatabaseName(m_path);
        }
        db.setConnectOptions(options);
        if (!db.open()) {
            const QSqlError error = db.lastError();
            return {isRefusalToWrite(error) ? Health::ReadOnly : Health::Failed, describe(error)};
        }
    }
    return prepareSchema(readOnly);
}

PageMemory::Readiness PageMemory::prepareSchema(bool readOnly)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery q(db);
    auto broken = [&](const QSqlError &error) -> Readiness {
        if (isDamage(error))
            return {Health::Damaged, describe(error)};
        if (isRefusalToWrite(error))
            return {Health::ReadOnly, describe(error)};
        if (isLock(error))
            return {Health::Failed, QStringLiteral("another program holds it locked")};
        return {Health::Failed, describe(error)};
    };
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next())
        return broken(q.lastError());
    const int version = q.value(0).toInt();
    if (version > schemaVersion)
        return {Health::Newer, QStringLiteral("its layout is version %1, this Quokka knows %2").arg(version).arg(schemaVersion)};
    if (!q.exec(QStringLiteral("PRAGMA quick_check")))
        return broken(q.lastError());
    if (q.next() && q.value(0).toString() != QLatin1String("ok"))
        return {Health::Damaged, q.value(0).toString()};
    if (!q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) || !q.next())
        return broken(q.lastError());
    const bool empty = q.value(0).toInt() == 0;
    if (version == 0 && !empty)
        return {Health::Damaged, QStringLiteral("it is some other program's database")};

    if (!readOnly) {
        // Freed pages go back to the file system when the memory is trimmed; this holds only when
        // set before the first table is made.
        if (empty && !q.exec(QStringLiteral("PRAGMA auto_vacuum = INCREMENTAL")))
            return broken(q.lastError());
        // A write-ahead log: a write killed at any moment leaves the last committed state.
        if (!q.exec(QStringLiteral("PRAGMA journal_mode = WAL")))
            return broken(q.lastError());
        if (!q.exec(QStringLiteral("PRAGMA synchronous = NORMAL"))
            || !q.exec(QStringLiteral("PRAGMA journal_size_limit = 4194304")))
            return broken(q.lastError());
        if (version == 0 && !createSchema())
            return broken(db.lastError().isValid() ? db.lastError() : q.lastError());
        if (version > 0 && version < schemaVersion && !migrate(version))
            return {Health::Failed, m_problem};
    } else if (version < schemaVersion) {
        return {Health::ReadOnly, QStringLiteral("its older layout cannot be brought up to date")};
    }
    // Whatever the version says, the table must be the one we read.
    if (!q.exec(QStringLiteral("SELECT %1 FROM records LIMIT 0").arg(recordColumns)))
        return isDamage(q.lastError()) ? broken(q.lastError())
                                       : Readiness{Health::Damaged, QStringLiteral("its table is not the page memory's")};
    return {Health::Ok, {}};
}

bool PageMemory::createSchema()
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.transaction())
        return false;
    QSqlQuery q(db);
    // id grows with every record: the latest record is the one with the largest id.
    const bool made = q.exec(QStringLiteral("CREATE TABLE records ("
                                            " id INTEGER PRIMARY KEY,"
                                            " address TEXT NOT NULL,"
                                            " kind INTEGER NOT NULL,"
                                            " seen_at INTEGER NOT NULL,"
                                            " title TEXT NOT NULL DEFAULT '',"
                                            " final_address TEXT NOT NULL DEFAULT '',"
                                            " fingerprint INTEGER NOT NULL DEFAULT 0,"
                                            " verdict TEXT NOT NULL DEFAULT '',"
                                            " status INTEGER NOT NULL DEFAULT 0,"
                                            " reason TEXT NOT NULL DEFAULT '')"))
        && q.exec(QStringLiteral("CREATE INDEX records_by_address ON records (address, kind, id)"))
        && q.exec(QStringLiteral("PRAGMA user_version = %1").arg(schemaVersion));
    if (!made) {
        db.rollback();
        return false;
    }
    return db.commit();
}

bool PageMemory::migrate(int fromVersion)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.transaction())
        return fail(QStringLiteral("cannot be brought up to date"), describe(db.lastError()));
    QSqlQuery q(db);
    bool done = true;
    // Layout 1 kept no status and no reason: the marks shown after a restart could not say why.
    if (fromVersion < 2) {
        done = q.exec(QStringLiteral("ALTER TABLE records ADD COLUMN status INTEGER NOT NULL DEFAULT 0"))
            && q.exec(QStringLiteral("ALTER TABLE records ADD COLUMN reason TEXT NOT NULL DEFAULT ''"));
    }
    done = done && q.exec(QStringLiteral("PRAGMA user_version = %1").arg(schemaVersion));
    if (!done) {
        const QString why = describe(q.lastError());
        db.rollback();
        return fail(QStringLiteral("cannot be brought up to date"), why);
    }
    if (!db.commit()) {
        const QString why = describe(db.lastError());
        db.rollback();
        return fail(QStringLiteral("cannot be brought up to date"), why);
    }
    return true;
}

bool PageMemory::setAside(const QString &why, PageMemoryOpening *opening)
{
    close();
    const QString shown = QDir::toNativeSeparators(m_path);
    const QString aside = asideName(m_path);
    if (!QFile::rename(m_path, aside)) {
        m_problem = QStringLiteral("The page memory %1 is damaged (%2) and could not be set aside; it is left as it "
                                   "is, and nothing is remembered this time.")
                        .arg(shown, why);
        return false;
    }
    // The write-ahead log belongs to the database: it goes along, so that the copy set aside stays whole.
    for (const QString &suffix : {QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        if (QFileInfo::exists(m_path + suffix))
            QFile::rename(m_path + suffix, aside + suffix);
    }
    m_problem = QStringLiteral("The page memory %1 was damaged (%2). It was set aside as %3, and a new one was started.")
                    .arg(shown, why, QDir::toNativeSeparators(aside));
    if (opening)
        opening->setAsidePath = aside;
    return true;
}

PageMemoryOpening PageMemory::open(const QString &path, const PageMemoryLimits &limits)
{
    close();
    m_path = path;
    m_limits = limits;
    m_problem.clear();
    PageMemoryOpening opening;
    const QString shown = QDir::toNativeSeparators(path);
    auto finish = [&](const QString &problem, bool readable, bool writable) {
        if (!readable)
            close();
        m_writable = writable;
        m_problem = problem;
        opening.ok = writable;
        opening.readable = readable;
        opening.problem = problem;
        return opening;
    };
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
        return finish(QStringLiteral("The page memory cannot be opened: Qt's SQLite driver is not installed "
                                     "(Debian's package libqt6sql6-sqlite)."),
                      false, false);
    }

    // What the person is told even when all ends well: that a damaged memory was set aside.
    QString told;
    const QFileInfo info(path);
    if ((info.exists() || info.isSymLink()) && !info.isFile()) {
        const QString why = info.isDir() ? QStringLiteral("a folder is in its place")
            : !info.exists()             ? QStringLiteral("it is a broken link")
                                         : QStringLiteral("it is not a file");
        if (!setAside(why, &opening))
            return finish(m_problem, false, false);
        told = m_problem;
    }
    if (!QDir().mkpath(info.absolutePath()))
        return finish(QStringLiteral("The page memory %1 cannot be made: its folder cannot be created.").arg(shown),
                      false, false);

    Readiness ready = connect(false, false);
    if (ready.health == Health::Damaged) {
        if (!setAside(ready.why, &opening))
            return finish(m_problem, false, false);
        told = m_problem;
        ready = connect(false, false);
    }
    if (ready.health == Health::ReadOnly) {
        const QString why = ready.why;
        // What was remembered can still be read, from a file or a medium that cannot be written.
        for (const bool immutable : {false, true}) {
            close();
            if (!QFileInfo(path).isFile())
                break;
            ready = connect(true, immutable);
            if (ready.health == Health::Ok)
                break;
        }
        if (ready.health != Health::Ok) {
            return finish(QStringLiteral("The page memory %1 cannot be opened (%2); nothing is remembered this time.")
                              .arg(shown, why),
                          false, false);
        }
        opening.whyReadOnly = why;
        return finish(QStringLiteral("The page memory %1 cannot be written (%2); what is seen now is not remembered.")
                          .arg(shown, why),
                      true, false);
    }
    if (ready.health == Health::Newer) {
        return finish(QStringLiteral("The page memory %1 was written by a newer Quokka (%2); it is left as it is, and "
                                     "nothing is remembered this time.")
                          .arg(shown, ready.why),
                      false, false);
    }
    if (ready.health != Health::Ok) {
        return finish(QStringLiteral("The page memory %1 cannot be opened (%2); nothing is remembered this time.")
                          .arg(shown, ready.why),
                      false, false);
    }
    return finish(told, true, true);
}

bool PageMemory::recover(const QString &why)
{
    if (!setAside(why, nullptr))
        return false;
    const QString told = m_problem;
    const Readiness ready = connect(false, false);
    if (ready.health != Health::Ok) {
        close();
        return fail(QStringLiteral("could not be started afresh"), ready.why);
    }
    m_writable = true;
    m_problem = told;
    return true;
}

bool PageMemory::record(const PageRecord &record)
{
    return recordAll({record});
}

bool PageMemory::recordAll(const QList<PageRecord> &records)
{
    m_lockedOut = false;
    if (!isWritable()) {
        if (m_problem.isEmpty())
            m_problem = QStringLiteral("The page memory is not open for writing.");
        return false;
    }
    Readiness written = write(records);
    if (written.health == Health::Damaged) {
        // Damage found while writing: the damaged file is set aside and the records go to a new one.
        if (!recover(written.why))
            return false;
        const QString told = m_problem;
        written = write(records);
        if (written.health == Health::Ok) {
            m_problem = told;
            return true;
        }
    }
    m_lockedOut = written.health == Health::Locked;
    if (written.health != Health::Ok)
        return fail(QStringLiteral("could not be written"), written.why);
    m_problem.clear();
    return true;
}

PageMemory::Readiness PageMemory::write(const QList<PageRecord> &records)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    auto broken = [&db](const QSqlError &error) -> Readiness {
        db.rollback();
        const Health health = isDamage(error)      ? Health::Damaged
            : isRefusalToWrite(error)              ? Health::ReadOnly
            : isLock(error)                        ? Health::Locked
                                                   : Health::Failed;
        return {health, health == Health::Locked ? QStringLiteral("another program holds it locked") : describe(error)};
    };
    if (!db.transaction())
        return broken(db.lastError());
    QStringList touched;
    {
        QSqlQuery insert(db);
        if (!insert.prepare(QStringLiteral("INSERT INTO records (%1) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)").arg(recordColumns)))
            return broken(insert.lastError());
        QSet<QString> seen;
        for (const PageRecord &r : records) {
            if (r.address.isEmpty() || r.address.size() > longestAddress)
                continue;
            const QDateTime when = r.seenAt.isValid() ? r.seenAt : QDateTime::currentDateTimeUtc();
            insert.bindValue(0, r.address);
            insert.bindValue(1, r.kind == PageRecord::Kind::Visit ? 1 : 0);
            insert.bindValue(2, when.toMSecsSinceEpoch());
            insert.bindValue(3, cut(r.title, longestText));
            insert.bindValue(4, cut(r.finalAddress.size() > longestAddress ? QString() : r.finalAddress, longestAddress));
            insert.bindValue(5, qint64(r.fingerprint));
            insert.bindValue(6, cut(r.verdict, 40));
            insert.bindValue(7, r.status);
            insert.bindValue(8, cut(r.reason, longestText));
            if (!insert.exec())
                return broken(insert.lastError());
            if (!seen.contains(r.address)) {
                seen.insert(r.address);
                touched.append(r.address);
            }
        }
    }
    QSqlError error;
    if (!trim(touched, &error))
        return broken(error);
    if (!db.commit())
        return broken(db.lastError());
    return {Health::Ok, {}};
}

bool PageMemory::trim(const QStringList &addresses, QSqlError *error)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery q(db);
    auto broken = [&] {
        *error = q.lastError();
        return false;
    };
    // Per address: the newest records, and always the one that says what the person last saw.
    if (!q.prepare(QStringLiteral("DELETE FROM records WHERE address = ?"
                                  " AND id NOT IN (SELECT id FROM records WHERE address = ? ORDER BY id DESC LIMIT ?)"
                                  " AND id IS NOT (SELECT id FROM records WHERE %1 ORDER BY id DESC LIMIT 1)")
                       .arg(lastSeenCondition)))
        return broken();
    for (const QString &address : addresses) {
        q.bindValue(0, address);
        q.bindValue(1, address);
        q.bindValue(2, qMax(1, m_limits.recordsPerAddress));
        q.bindValue(3, address);
        if (!q.exec())
            return broken();
    }
    auto number = [&](const QString &sql, qint64 *value) {
        if (!q.exec(sql) || !q.next())
            return false;
        *value = q.value(0).toLongLong();
        return true;
    };
    auto dropOldest = [&](qint64 count) {
        q.prepare(QStringLiteral("DELETE FROM records WHERE id IN (SELECT id FROM records ORDER BY id LIMIT ?)"));
        q.bindValue(0, count);
        return q.exec();
    };
    qint64 total = 0;
    if (!number(QStringLiteral("SELECT count(*) FROM records"), &total))
        return broken();
    if (total > m_limits.totalRecords && !dropOldest(total - qMax(0, m_limits.totalRecords)))
        return broken();
    // In bytes: the oldest quarter goes until the records fit (long titles and addresses take more room).
    for (int round = 0; round < 16; ++round) {
        qint64 pages = 0, freePages = 0, pageSize = 0;
        if (!number(QStringLiteral("PRAGMA page_count"), &pages) || !number(QStringLiteral("PRAGMA freelist_count"), &freePages)
            || !number(QStringLiteral("PRAGMA page_size"), &pageSize))
            return broken();
        if ((pages - freePages) * pageSize <= m_limits.totalBytes)
            break;
        if (!number(QStringLiteral("SELECT count(*) FROM records"), &total))
            return broken();
        if (total == 0)
            break;
        if (!dropOldest(qMax<qint64>(1, total / 4)))
            return broken();
    }
    qint64 freePages = 0, pageSize = 0;
    if (!number(QStringLiteral("PRAGMA freelist_count"), &freePages) || !number(QStringLiteral("PRAGMA page_size"), &pageSize))
        return broken();
    // Give freed room back to the file system once there is a fair amount of it. Each run of the
    // statement through Qt gives back one page (Qt steps a statement without columns once).
    if (pageSize > 0 && freePages * pageSize > m_limits.totalBytes / 8) {
        if (!q.prepare(QStringLiteral("PRAGMA incremental_vacuum")))
            return broken();
        for (qint64 page = 0; page < freePages; ++page) {
            if (!q.exec())
                return broken();
        }
    }
    return true;
}

std::optional<PageRecord> PageMemory::lastSeen(const QString &address) const
{
    if (!isOpen())
        return std::nullopt;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("SELECT %1 FROM records WHERE %2 ORDER BY id DESC LIMIT 1").arg(recordColumns, lastSeenCondition)))
        return std::nullopt;
    q.bindValue(0, address);
    if (!q.exec() || !q.next())
        return std::nullopt;
    return recordFrom(q);
}

void PageMemory::selectFor(const QStringList &addresses, const QString &sqlWithAddresses,
                           const std::function<void(PageRecord &&)> &take) const
{
    if (!isOpen())
        return;
    QStringList unique;
    {
        QSet<QString> seen;
        for (const QString &a : addresses) {
            if (!a.isEmpty() && a.size() <= longestAddress && !seen.contains(a)) {
                seen.insert(a);
                unique.append(a);
            }
        }
    }
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    for (qsizetype start = 0; start < unique.size(); start += addressesPerQuery) {
        const qsizetype count = qMin<qsizetype>(addressesPerQuery, unique.size() - start);
        const QStringList marks(count, QStringLiteral("?"));
        if (!q.prepare(sqlWithAddresses.arg(recordColumns, marks.join(QLatin1Char(',')))))
            return;
        for (qsizetype i = 0; i < count; ++i)
            q.bindValue(int(i), unique.at(start + i));
        if (!q.exec())
            return;
        while (q.next())
            take(recordFrom(q));
    }
}

QHash<QString, PageRecord> PageMemory::lastChecks(const QStringList &addresses) const
{
    QHash<QString, PageRecord> found;
    selectFor(addresses,
              QStringLiteral("SELECT %1 FROM records WHERE id IN (SELECT max(id) FROM records"
                             " WHERE kind = 0 AND address IN (%2) GROUP BY address)"),
              [&found](PageRecord &&r) { found.insert(r.address, std::move(r)); });
    return found;
}

QHash<QString, QList<PageRecord>> PageMemory::pagesRead(const QStringList &addresses) const
{
    QHash<QString, QList<PageRecord>> found;
    selectFor(addresses,
              QStringLiteral("SELECT %1 FROM records WHERE address IN (%2) AND (kind = 1 OR verdict = 'alive')"
                             " AND (title <> '' OR fingerprint <> 0) ORDER BY id"),
              [&found](PageRecord &&r) { found[r.address].append(std::move(r)); });
    return found;
}

QList<PageRecord> PageMemory::history(const QString &address) const
{
    QList<PageRecord> records;
    if (!isOpen())
        return records;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("SELECT %1 FROM records WHERE address = ? ORDER BY id").arg(recordColumns)))
        return records;
    q.bindValue(0, address);
    if (!q.exec())
        return records;
    while (q.next())
        records.append(recordFrom(q));
    return records;
}

qint64 PageMemory::recordCount() const
{
    if (!isOpen())
        return 0;
    QSqlQuery q(QSqlDatabase::database(m_connection, false));
    if (!q.exec(QStringLiteral("SELECT count(*) FROM records")) || !q.next())
        return 0;
    return q.value(0).toLongLong();
}
