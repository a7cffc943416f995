// The memory of what each page was: what comes back after a restart, its bounds, and a database
// that is killed while it writes, older or newer than the program, damaged or read-only.
#include "fakes/testfiles.h"
#include "fakes/tinymount.h"
#include "memory/pagememory.h"
#include "store/listpaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <unistd.h>

namespace {

// Keep in step with tests/helpers/memorywriter.cpp.
constexpr int addressesPerBatch = 500;

PageRecord check(const QString &address, const QString &title, const QString &verdict = QStringLiteral("alive"),
                 quint64 fingerprint = 0x1234)
{
    PageRecord r;
    r.address = address;
    r.kind = PageRecord::Kind::Check;
    r.seenAt = QDateTime::currentDateTimeUtc();
    r.title = title;
    r.finalAddress = address;
    r.fingerprint = title.isEmpty() ? 0 : fingerprint;
    r.verdict = verdict;
    return r;
}

PageRecord visit(const QString &address, const QString &title)
{
    PageRecord r = check(address, title, QString());
    r.kind = PageRecord::Kind::Visit;
    return r;
}

QStringList namesIn(const QString &dir)
{
    QStringList names = QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

// Writes a database with @p count checks, closes it and gives its bytes.
QByteArray makeDatabase(const QString &path, int count)
{
    {
        PageMemory memory;
        if (!memory.open(path).ok)
            return {};
        QList<PageRecord> records;
        for (int i = 0; i < count; ++i)
            records.append(check(QStringLiteral("https://example.org/%1").arg(i), QStringLiteral("Page %1").arg(i)));
        if (!memory.recordAll(records))
            return {};
    }
    return TestFiles::read(path);
}

} // namespace

class TestPageMemory : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString dbPath() const { return m_dir.filePath(QStringLiteral("page-memory.sqlite")); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY2(QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")), "Qt's SQLite driver is missing");
    }

    void init()
    {
        for (const QString &name : namesIn(m_dir.path())) {
            const QString path = m_dir.filePath(name);
            if (QFileInfo(path).isDir() && !QFileInfo(path).isSymLink())
                QDir(path).removeRecursively();
            else
                QFile::remove(path);
        }
    }

    void livesInTheDataFolder()
    {
        QCOMPARE(PageMemory::defaultPath(), ListPaths::dataFolder() + QStringLiteral("/page-memory.sqlite"));
    }

    void lastChecksComeBackAfterReopening()
    {
        {
            PageMemory memory;
            const PageMemoryOpening opening = memory.open(dbPath());
            QVERIFY2(opening.ok, qPrintable(opening.problem));
            QVERIFY(opening.problem.isEmpty());
            PageRecord old = check(QStringLiteral("a"), QStringLiteral("A before"));
            old.seenAt = QDateTime(QDate(2026, 11, 3), QTime(14, 25, 1, 250), QTimeZone::utc());
            QVERIFY(memory.record(old));
            QVERIFY(memory.record(visit(QStringLiteral("a"), QStringLiteral("A visited"))));
            PageRecord now = check(QStringLiteral("a"), QStringLiteral("For sale"), QStringLiteral("parked"),
                                   0xfedcba9876543210ULL);
            now.finalAddress = QStringLiteral("https://parking.example/?d=a");
            QVERIFY(memory.recordAll({now, check(QStringLiteral("b"), {}, QStringLiteral("dead")),
                                      visit(QStringLiteral("c"), QStringLiteral("only opened"))}));
        }
        PageMemory memory;
        QVERIFY(memory.open(dbPath()).ok);
        const QHash<QString, PageRecord> checks =
            memory.lastChecks({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d"),
                               QStringLiteral("a")});
        QCOMPARE(checks.keys().size(), 2); // c was only opened, d never seen
        const PageRecord a = checks.value(QStringLiteral("a"));
        QCOMPARE(a.title, QStringLiteral("For sale"));
        QCOMPARE(a.verdict, QStringLiteral("parked"));
        QCOMPARE(a.finalAddress, QStringLiteral("https://parking.example/?d=a"));
        QCOMPARE(a.fingerprint, 0xfedcba9876543210ULL); // all 64 bits, the top one included
        QCOMPARE(checks.value(QStringLiteral("b")).verdict, QStringLiteral("dead"));
        const QList<PageRecord> history = memory.history(QStringLiteral("a"));
        QCOMPARE(history.size(), 3);
        QCOMPARE(history.first().seenAt, QDateTime(QDate(2026, 11, 3), QTime(14, 25, 1, 250), QTimeZone::utc()));
        QCOMPARE(history.at(1).kind, PageRecord::Kind::Visit);
    }

    void lastSeenIsWhatThePersonSaw_data()
    {
        QTest::addColumn<QStringList>("steps"); // kind:title:verdict, oldest first
        QTest::addColumn<QString>("seen");      // the title lastSeen() gives, empty for none
        QTest::newRow("never seen") << QStringList{} << QString();
        QTest::newRow("a check found it alive") << QStringList{"check:Docs:alive"} << "Docs";
        QTest::newRow("opened from the list") << QStringList{"visit:Docs:"} << "Docs";
        QTest::newRow("a later parked check is not what was seen")
            << QStringList{"check:Docs:alive", "check:For sale:parked"} << "Docs";
        QTest::newRow("nor a later dead one") << QStringList{"visit:Docs:", "check::dead"} << "Docs";
        QTest::newRow("opening it again after the change") << QStringList{"check:Docs:alive", "check:Sale:parked", "visit:Sale:"}
                                                           << "Sale";
        QTest::newRow("nothing to remember") << QStringList{"check::dead", "check::failing"} << QString();
    }
    void lastSeenIsWhatThePersonSaw()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, seen);
        PageMemory memory;
        QVERIFY(memory.open(dbPath()).ok);
        for (const QString &step : steps) {
            const QStringList part = step.split(QLatin1Char(':'));
            QVERIFY(memory.record(part[0] == QLatin1String("visit") ? visit(QStringLiteral("x"), part[1])
                                                                    : check(QStringLiteral("x"), part[1], part[2])));
        }
        const std::optional<PageRecord> last = memory.lastSeen(QStringLiteral("x"));
        QCOMPARE(last.has_value(), !seen.isEmpty());
        if (last)
            QCOMPARE(last->title, seen);
    }

    void aListLongerThanOneQueryIsReadWhole()
    {
        PageMemory memory;
        QVERIFY(memory.open(dbPath()).ok);
        QList<PageRecord> records;
        QStringList asked;
        for (int i = 0; i < 1500; ++i) {
            const QString address = QStringLiteral("https://example.org/%1").arg(i);
            asked.append(address);
            if (i % 3 != 0)
                records.append(check(address, QStringLiteral("Page %1").arg(i)));
        }
        asked.append(QString()); // an empty entry of the list
        QVERIFY(memory.recordAll(records));
        // Every third checked address is then opened, and then found dead: the dead check read no page.
        QList<PageRecord> later;
        for (const PageRecord &r : std::as_const(records)) {
            if (r.address.endsWith(QLatin1Char('1'))) {
                later.append(visit(r.address, QStringLiteral("Opened ") + r.title));
                later.append(check(r.address, QString(), QStringLiteral("dead")));
            }
        }
        QVERIFY(memory.recordAll(later));

        const QHash<QString, PageRecord> found = memory.lastChecks(asked);
        QCOMPARE(found.size(), records.size());
        const QHash<QString, QList<PageRecord>> read = memory.pagesRead(asked);
        QCOMPARE(read.size(), records.size());
        for (const PageRecord &r : std::as_const(records)) {
            const bool opened = r.address.endsWith(QLatin1Char('1'));
            QCOMPARE(found.value(r.address).verdict, opened ? QStringLiteral("dead") : QStringLiteral("alive"));
            QStringList titles;
            for (const PageRecord &seen : read.value(r.address))
                titles.append(seen.title);
            const QStringList expected = opened ? QStringList{r.title, QStringLiteral("Opened ") + r.title} : QStringList{r.title};
            QCOMPARE(titles, expected);
        }
    }

    void addressesAreKeptExactly_data()
    {
        QTest::addColumn<QString>("address");
        QTest::newRow("spaces around") << QStringLiteral("  https://example.org/a b  ");
        QTest::newRow("quotes and SQL") << QStringLiteral("x'); DROP TABLE records; --");
        QTest::newRow("non-ASCII") << QStringLiteral("http://b\u00e4r.example/\u20ac/\U0001F600");
        QTest::newRow("NUL inside") << QString::fromLatin1("a\0b", 3);
        QTest::newRow("the longest remembered") << QString(PageMemory::longestAddress, QLatin1Char('a'));
    }
    void addressesAreKeptExactly()
    {
        QFETCH(QString, address);
        PageMemory memory;
        QVERIFY(memory.open(dbPath()).ok);
        QVERIFY(memory.record(check(address, QStringLiteral("T"))));
        QVERIFY(!memory.lastChecks({address.left(address.size() - 1)}).contains(address));
        QCOMPARE(memory.lastChecks({address}).value(address).address, address);
        QCOMPARE(memory.recordCount(), 1);
    }

    void tooLongTextsAreCutOrLeftOut()
    {
        PageMemory memory;
        QVERIFY(memory.open(dbPath()).ok);
        const QString huge(PageMemory::longestAddress + 1, QLatin1Char('a'));
        QVERIFY(memory.recordAll({check(huge, QStringLiteral("T")),
                                  check(QStringLiteral("t"), QString(5000, QLatin1Char('t')))}));
        QCOMPARE(memory.recordCount(), 1);
        QCOMPARE(memory.lastChecks({QStringLiteral("t")}).value(QStringLiteral("t")).title.size(), PageMemory::longestText);
    }

    void boundedPerAddressAndInAll()
    {
        PageMemoryLimits limits;
        limits.recordsPerAddress = 4;
        limits.totalRecords = 30;
        PageMemory memory;
        QVERIFY(memory.open(dbPath(), limits).ok);
        // What the person saw comes first and must outlive the later checks that found it changed.
        QVERIFY(memory.record(visit(QStringLiteral("kept"), QStringLiteral("What I saved"))));
        for (int round = 0; round < 10; ++round) {
            QList<PageRecord> records{check(QStringLiteral("kept"), QStringLiteral("Sale %1").arg(round), QStringLiteral("parked"))};
            for (int i = 0; i < 5; ++i)
                records.append(check(QStringLiteral("e%1").arg(i), QStringLiteral("round %1").arg(round)));
            QVERIFY(memory.recordAll(records));
        }
        const QList<PageRecord> kept = memory.history(QStringLiteral("kept"));
        QCOMPARE(kept.size(), 5); // the four newest and the one last seen
        QCOMPARE(kept.first().title, QStringLiteral("What I saved"));
        QCOMPARE(kept.last().title, QStringLiteral("Sale 9"));
        QCOMPARE(memory.lastSeen(QStringLiteral("kept"))->title, QStringLiteral("What I saved"));
        const QList<PageRecord> e0 = memory.history(QStringLiteral("e0"));
        QCOMPARE(e0.size(), 4);
        QCOMPARE(e0.first().title, QStringLiteral("round 6"));

        limits.recordsPerAddress = 100;
        QVERIFY(memory.open(dbPath(), limits).ok);
        QList<PageRecord> many;
        for (int i = 0; i < 100; ++i)
            many.append(check(QStringLiteral("n%1").arg(i), QStringLiteral("new")));
        QVERIFY(memory.recordAll(many));
        QCOMPARE(memory.recordCount(), 30);
        // The oldest went first: only the newest thirty remain.
        QCOMPARE(memory.history(QStringLiteral("n69")).size(), 0);
        QCOMPARE(memory.history(QStringLiteral("n70")).size(), 1);
    }

    void boundedInBytes()
    {
        PageMemoryLimits limits;
        limits.totalBytes = 1024 * 1024;
        {
            PageMemory memory;
            QVERIFY(memory.open(dbPath(), limits).ok);
            const QString longTitle(PageMemory::longestText, QLatin1Char('t'));
            for (int round = 0; round < 20; ++round) {
                QList<PageRecord> records;
                for (int i = 0; i < 200; ++i) {
                    PageRecord r = check(QStringLiteral("https://example.org/%1/%2/").arg(round).arg(i)
                                             + QString(2000, QLatin1Char('p')),
                                         longTitle);
                    records.append(r);
                }
                QVERIFY2(memory.recordAll(records), qPrintable(memory.lastProblem()));
            }
            QVERIFY(memory.recordCount() > 0);
            QVERIFY(memory.recordCount() < 20 * 200);
            // The newest records are the ones kept.
            QCOMPARE(memory.history(QStringLiteral("https://example.org/19/199/") + QString(2000, QLatin1Char('p'))).size(), 1);
        }
        // Closed, the log is folded in: the file is all there is, and it keeps to the bound (with
        // the free room that is not yet given back).
        const qint64 size = QFileInfo(dbPath()).size();
        QVERIFY2(size <= limits.totalBytes + limits.totalBytes / 8 + 64 * 1024, qPrintable(QString::number(size)));
        QVERIFY(!QFileInfo::exists(dbPath() + QStringLiteral("-wal")) || QFileInfo(dbPath() + QStringLiteral("-wal")).size() == 0);
    }

    void anOlderDatabaseIsBroughtUpToDate()
    {
        // Layout 1, as the first Quokka with a page memory wrote it.
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("older"));
            db.setDatabaseName(dbPath());
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("PRAGMA journal_mode = WAL")));
            QVERIFY(q.exec(QStringLiteral("CREATE TABLE records (id INTEGER PRIMARY KEY, address TEXT NOT NULL,"
                                          " kind INTEGER NOT NULL, seen_at INTEGER NOT NULL, title TEXT NOT NULL DEFAULT '',"
                                          " final_address TEXT NOT NULL DEFAULT '', fingerprint INTEGER NOT NULL DEFAULT 0,"
                                          " verdict TEXT NOT NULL DEFAULT '')")));
            QVERIFY(q.exec(QStringLiteral("CREATE INDEX records_by_address ON records (address, kind, id)")));
            QVERIFY(q.exec(QStringLiteral("INSERT INTO records (address, kind, seen_at, title, final_address, fingerprint,"
                                          " verdict) VALUES ('https://doc.qt.io/', 0, 1793716701000, 'Qt 6 documentation',"
                                          " 'https://doc.qt.io/qt-6/', -5, 'alive')")));
            QVERIFY(q.exec(QStringLiteral("PRAGMA user_version = 1")));
            q.finish();
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("older"));

        {
            PageMemory memory;
            const PageMemoryOpening opening = memory.open(dbPath());
            QVERIFY2(opening.ok, qPrintable(opening.problem));
            QVERIFY(opening.problem.isEmpty());
            const PageRecord kept = memory.lastChecks({QStringLiteral("https://doc.qt.io/")}).value(QStringLiteral("https://doc.qt.io/"));
            QCOMPARE(kept.title, QStringLiteral("Qt 6 documentation"));
            QCOMPARE(kept.fingerprint, quint64(-5));
            QCOMPARE(kept.seenAt.toMSecsSinceEpoch(), Q_INT64_C(1793716701000));
            QCOMPARE(kept.status, 0);
            QCOMPARE(kept.reason, QString());
            PageRecord now = check(QStringLiteral("https://doc.qt.io/"), QStringLiteral("Gone"), QStringLiteral("dead"));
            now.status = 404;
            now.reason = QStringLiteral("not found (404)");
            QVERIFY(memory.record(now));
        }
        PageMemory memory;
        QVERIFY(memory.open(dbPath()).ok);
        const PageRecord last = memory.lastChecks({QStringLiteral("https://doc.qt.io/")}).value(QStringLiteral("https://doc.qt.io/"));
        QCOMPARE(last.status, 404);
        QCOMPARE(last.reason, QStringLiteral("not found (404)"));
        QCOMPARE(memory.history(QStringLiteral("https://doc.qt.io/")).size(), 2);
        memory.close();
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("version"));
        db.setDatabaseName(dbPath());
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral("PRAGMA user_version")) && q.next());
        QCOMPARE(q.value(0).toInt(), PageMemory::schemaVersion);
        q.finish();
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("version"));
    }

    void aNewerDatabaseIsLeftAlone()
    {
        QVERIFY(!makeDatabase(dbPath(), 3).isEmpty());
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("newer"));
            db.setDatabaseName(dbPath());
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("PRAGMA user_version = %1").arg(PageMemory::schemaVersion + 1)));
            q.finish();
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("newer"));
        const QByteArray before = TestFiles::read(dbPath());
        const QStringList namesBefore = namesIn(m_dir.path());
        PageMemory memory;
        const PageMemoryOpening opening = memory.open(dbPath());
        QVERIFY(!opening.ok);
        QVERIFY(opening.problem.contains(QStringLiteral("newer Quokka")));
        QVERIFY(opening.setAsidePath.isEmpty());
        QVERIFY(!memory.record(check(QStringLiteral("a"), QStringLiteral("A"))));
        memory.close();
        QCOMPARE(TestFiles::read(dbPath()), before);
        QCOMPARE(namesIn(m_dir.path()), namesBefore);
    }

    void damagedDatabaseIsSetAsideAndStartedAfresh_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("told"); // a part of the problem the person is told
        QTest::newRow("garbage") << "garbage" << "not a database";
        QTest::newRow("cut to its header") << "header" << "damaged";
        QTest::newRow("cut in half") << "half" << "damaged";
        QTest::newRow("pages overwritten") << "pages" << "damaged";
        QTest::newRow("a folder in its place") << "folder" << "a folder is in its place";
        QTest::newRow("a broken link in its place") << "link" << "broken link";
        QTest::newRow("another program's database") << "foreign" << "some other program";
    }
    void damagedDatabaseIsSetAsideAndStartedAfresh()
    {
        QFETCH(QString, damage);
        QFETCH(QString, told);
        // The list beside it is never touched.
        const QString list = m_dir.filePath(QStringLiteral("url.dat"));
        QVERIFY(TestFiles::write(list, "https://example.org/\r\nsecond\r\n"));

        QByteArray whole = makeDatabase(dbPath(), 3000);
        QVERIFY(whole.size() > 64 * 1024);
        QByteArray damaged;
        if (damage == QLatin1String("garbage")) {
            damaged = QByteArray(40000, '\0');
            for (char &c : damaged)
                c = char(QRandomGenerator::global()->bounded(256));
        } else if (damage == QLatin1String("header")) {
            damaged = whole.left(60);
        } else if (damage == QLatin1String("half")) {
            damaged = whole.left(whole.size() / 2);
        } else if (damage == QLatin1String("pages")) {
            damaged = whole;
            for (qsizetype i = 4096; i < damaged.size(); i += 4096 * 3)
                damaged.replace(i, 600, QByteArray(600, '\xa5'));
        }
        if (damage == QLatin1String("folder")) {
            QFile::remove(dbPath());
            QVERIFY(QDir().mkpath(dbPath() + QStringLiteral("/inside")));
        } else if (damage == QLatin1String("link")) {
            QFile::remove(dbPath());
            QVERIFY(QFile::link(m_dir.filePath(QStringLiteral("nowhere")), dbPath()));
        } else if (damage == QLatin1String("foreign")) {
            QFile::remove(dbPath());
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("foreign"));
            db.setDatabaseName(dbPath());
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("CREATE TABLE moz_places (id INTEGER PRIMARY KEY, url TEXT)")));
            q.finish();
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(QStringLiteral("foreign"));
        } else {
            QVERIFY(TestFiles::write(dbPath(), damaged));
        }
        const QByteArray before = QFileInfo(dbPath()).isFile() ? TestFiles::read(dbPath()) : QByteArray();

        PageMemory memory;
        const PageMemoryOpening opening = memory.open(dbPath());
        QVERIFY2(opening.ok, qPrintable(opening.problem));
        QVERIFY2(opening.problem.contains(told), qPrintable(opening.problem));
        QVERIFY(opening.problem.contains(QStringLiteral("set aside as")));
        QVERIFY(!opening.setAsidePath.isEmpty());
        QVERIFY(opening.problem.contains(opening.setAsidePath));
        // Set aside as it was, never deleted.
        if (damage == QLatin1String("folder"))
            QVERIFY(QFileInfo(opening.setAsidePath + QStringLiteral("/inside")).isDir());
        else if (damage == QLatin1String("link"))
            QVERIFY(QFileInfo(opening.setAsidePath).isSymLink());
        else
            QCOMPARE(TestFiles::read(opening.setAsidePath), before);
        // The new one works and is empty.
        QCOMPARE(memory.recordCount(), 0);
        QVERIFY(memory.record(check(QStringLiteral("a"), QStringLiteral("A"))));
        QCOMPARE(memory.lastChecks({QStringLiteral("a")}).size(), 1);
        QCOMPARE(TestFiles::read(list), QByteArray("https://example.org/\r\nsecond\r\n"));

        // A second damage the same second gets a name of its own.
        memory.close();
        QVERIFY(TestFiles::write(dbPath(), "not a database either, and long enough to be read as one........."
                                           "..............................................................."));
        const PageMemoryOpening again = memory.open(dbPath());
        QVERIFY2(again.ok, qPrintable(again.problem));
        QVERIFY(!again.setAsidePath.isEmpty());
        QVERIFY(again.setAsidePath != opening.setAsidePath);
        QVERIFY(QFileInfo::exists(opening.setAsidePath) || QFileInfo(opening.setAsidePath).isSymLink());
    }

    void emptyFileIsNoDamage()
    {
        QVERIFY(TestFiles::write(dbPath(), QByteArray()));
        PageMemory memory;
        const PageMemoryOpening opening = memory.open(dbPath());
        QVERIFY(opening.ok);
        QVERIFY2(opening.problem.isEmpty(), qPrintable(opening.problem));
        QCOMPARE(namesIn(m_dir.path()).filter(QStringLiteral("damaged")), QStringList());
        QVERIFY(memory.record(check(QStringLiteral("a"), QStringLiteral("A"))));
    }

    void readOnlyMediumIsReadButNotWritten()
    {
        TinyMount mount;
        const QString why = mount.mount(QStringLiteral("16m"));
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
        const QString path = mount.path() + QStringLiteral("/page-memory.sqlite");
        QVERIFY(!makeDatabase(path, 10).isEmpty());
        const QByteArray before = TestFiles::read(path);
        const QStringList namesBefore = namesIn(mount.path());
        QVERIFY(mount.remountReadOnly());

        PageMemory memory;
        const PageMemoryOpening opening = memory.open(path);
        QVERIFY(!opening.ok);
        QVERIFY(opening.readable);
        QVERIFY2(opening.problem.contains(QStringLiteral("cannot be written")), qPrintable(opening.problem));
        QVERIFY(opening.setAsidePath.isEmpty());
        // What was remembered still comes back.
        QCOMPARE(memory.lastChecks({QStringLiteral("https://example.org/7")}).value(QStringLiteral("https://example.org/7")).title,
                 QStringLiteral("Page 7"));
        QVERIFY(!memory.record(check(QStringLiteral("a"), QStringLiteral("A"))));
        QVERIFY(!memory.lastProblem().isEmpty());
        memory.close();
        QCOMPARE(TestFiles::read(path), before);
        QCOMPARE(namesIn(mount.path()), namesBefore);

        // Nothing there yet, and nowhere to make it: told, and no crash.
        PageMemory none;
        const PageMemoryOpening missing = none.open(mount.path() + QStringLiteral("/other.sqlite"));
        QVERIFY(!missing.ok);
        QVERIFY(!missing.readable);
        QVERIFY(!missing.problem.isEmpty());
        QVERIFY(!none.record(check(QStringLiteral("a"), QStringLiteral("A"))));
        QVERIFY(none.lastChecks({QStringLiteral("a")}).isEmpty());
    }

    void killedWhileWritingLeavesEveryBatchWholeOrAbsent()
    {
        const QString helper = QStringLiteral(QUOKKA_HELPER_DIR "/memorywriter");
        QVERIFY2(QFileInfo(helper).isExecutable(), qPrintable(helper + QStringLiteral(" is not built")));
        QStringList addresses;
        for (int i = 0; i < addressesPerBatch; ++i)
            addresses.append(QStringLiteral("https://example.org/page/%1").arg(i));
        auto *rng = QRandomGenerator::global();
        int withRecords = 0;
        for (int round = 0; round < 40; ++round) {
            QProcess writer;
            writer.start(helper, {dbPath()});
            QVERIFY2(writer.waitForStarted(5000), "the writer did not start");
            // Some kills come while the database is made or the first batch written, most while it writes on.
            if (round % 4 != 0) {
                QVERIFY2(writer.waitForReadyRead(10000), qPrintable(QString::fromLocal8Bit(writer.readAllStandardError())));
                QCOMPARE(writer.readAllStandardOutput().trimmed(), QByteArray("ready"));
            }
            QThread::msleep(rng->bounded(120));
            writer.kill(); // SIGKILL
            QVERIFY(writer.waitForFinished(5000));
            QCOMPARE(writer.exitStatus(), QProcess::CrashExit);

            PageMemory memory;
            const PageMemoryOpening opening = memory.open(dbPath());
            QVERIFY2(opening.ok && opening.problem.isEmpty() && opening.setAsidePath.isEmpty(),
                     qPrintable(QStringLiteral("after kill %1: %2").arg(round).arg(opening.problem)));
            const QHash<QString, PageRecord> last = memory.lastChecks(addresses);
            if (last.isEmpty())
                continue;
            ++withRecords;
            QCOMPARE(last.size(), addressesPerBatch);
            // One transaction a batch: every address's last check is of the same batch.
            const QString batch = last.value(addresses.first()).title;
            for (const QString &address : std::as_const(addresses))
                QCOMPARE(last.value(address).title, batch);
            QVERIFY(memory.history(addresses.first()).size() <= PageMemoryLimits().recordsPerAddress);
        }
        QVERIFY(withRecords > 20);
    }
};

QTEST_GUILESS_MAIN(TestPageMemory)
#include "tst_pagememory.moc"
