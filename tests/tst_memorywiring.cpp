// The page memory wired into the windows: opened by the window owner, fed by every check, giving the
// marks of the last check back after a restart, and telling when a page is not what the person saw.
#include "app/windows.h"
#include "browser/listbrowser.h"
#include "check/checkmemory.h"
#include "check/checkreport.h"
#include "check/checkresults.h"
#include "check/rememberedmarks.h"
#include "copies/copyarchive.h"
#include "fakes/fakeplatform.h"
#include "fakes/testfiles.h"
#include "fakes/tinymount.h"
#include "fakes/windowsworld.h"
#include "lists/listviewwindow.h"
#include "memory/pagefingerprint.h"
#include "memory/pagememory.h"
#include "store/listpaths.h"
#include "ui/listbox.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSignalSpy>
#include <QtTest>

namespace {

QString mark(ListBox *list, int row, int role)
{
    return list->model()->index(row, 0).data(role).toString();
}

CheckResult aliveResult(const QString &title, const QString &finalAddress, quint64 fingerprint)
{
    CheckResult r;
    r.verdict = Verdict::Alive;
    r.status = 200;
    r.reason = QStringLiteral("answers 200");
    r.title = title;
    r.finalAddress = finalAddress;
    r.fingerprint = fingerprint;
    return r;
}

CheckResult deadResult()
{
    CheckResult r;
    r.verdict = Verdict::Dead;
    r.status = 404;
    r.reason = QStringLiteral("not found (404)");
    return r;
}

const QString qtText = QStringLiteral("Qt is a cross-platform application development framework for desktop, embedded and mobile. "
                                      "Supported platforms include Linux, OS X, Windows, VxWorks, QNX, Android and iOS.");
const QString saleText = QStringLiteral("This domain may be for sale. Buy this domain today from a trusted broker, "
                                        "safe payment and quick transfer of ownership, make an offer now.");

PageRecord visitOf(const QString &address, const QString &title, const QString &finalAddress, quint64 fingerprint,
                   const QDateTime &at)
{
    PageRecord r;
    r.address = address;
    r.kind = PageRecord::Kind::Visit;
    r.seenAt = at;
    r.title = title;
    r.finalAddress = finalAddress;
    r.fingerprint = fingerprint;
    return r;
}

/// A second connection to the memory, as a sqlite3 shell or a backup makes one: it holds the write
/// lock from begin() until release().
class LockHolder {
public:
    explicit LockHolder(const QString &path)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.open();
    }
    ~LockHolder()
    {
        release();
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
    }
    bool begin() { return QSqlQuery(QSqlDatabase::database(name)).exec(QStringLiteral("BEGIN IMMEDIATE")); }
    void release() { QSqlQuery(QSqlDatabase::database(name)).exec(QStringLiteral("COMMIT")); }

private:
    const QString name = QStringLiteral("lock holder");
};

} // namespace

class TestMemoryWiring : public QObject {
    Q_OBJECT
private:
    WindowsWorld world;
    QString memoryPath() const { return ListPaths::dataFolder() + QStringLiteral("/page-memory.sqlite"); }
    /// Ends the program and starts it again on the same data folder.
    void restart()
    {
        world.windows.reset();
        world.platform = std::make_unique<FakePlatform>();
        world.windows = std::make_unique<Windows>(*world.platform);
    }

private slots:
    void init() { world.start(); }
    void cleanup() { world.stop(); }

    void memoryIsOpenedInTheDataFolder()
    {
        QVERIFY(world.windows->checkMemory().isOpen());
        QCOMPARE(world.windows->checkMemory().memory().path(), memoryPath());
        QVERIFY(QFileInfo::exists(memoryPath()));
        world.windows->listBrowser();
        QVERIFY2(world.platform->boxes.shown.isEmpty(), qPrintable(world.platform->boxes.shown.value(0).text));
    }

    void badMemoryIsToldOnceAndTheListIsLeftAlone_data()
    {
        QTest::addColumn<QString>("memory");
        QTest::addColumn<QString>("said");
        QTest::newRow("damaged") << "damaged" << QStringLiteral("was damaged. It was set aside as");
        QTest::newRow("newer") << "newer" << QStringLiteral("cannot keep its page memory");
        // Read, so said as read: the marks of earlier checks come back.
        QTest::newRow("read-only medium") << "read-only" << QStringLiteral("can read its page memory in");
    }
    void badMemoryIsToldOnceAndTheListIsLeftAlone()
    {
        QFETCH(QString, memory);
        QFETCH(QString, said);
        const bool damaged = memory == u"damaged";
        world.windows.reset();
        TinyMount medium;
        // The program lets go of the memory before its medium goes.
        const auto closeFirst = qScopeGuard([this] { world.windows.reset(); });
        const QByteArray list = "http://a.example/\r\nhttp://b.example/\r\n";
        if (memory == u"read-only") {
            if (const QString why = medium.mount(QStringLiteral("16m")); !why.isEmpty())
                QSKIP(qPrintable(why));
        }
        QVERIFY(TestFiles::writeList(list));
        if (damaged) {
            // Garbage standing alone: a write-ahead log left beside it (the copy store's connection of the
            // windows before may close after the test's own) would give SQLite its first page back.
            for (const QString &suffix : {QStringLiteral("-wal"), QStringLiteral("-shm")})
                QFile::remove(memoryPath() + suffix);
            QVERIFY(TestFiles::write(memoryPath(), QByteArray(8192, 'x')));
        }
        else if (memory == u"read-only") {
            // The memory on a medium that cannot be written (the list stays where it can be).
            const QString there = medium.path() + QStringLiteral("/page-memory.sqlite");
            {
                PageMemory made;
                QVERIFY(made.open(there).ok);
                QVERIFY(made.record(CheckMemory::recordOf(QStringLiteral("http://b.example/"), deadResult(),
                                                          QDateTime::currentDateTimeUtc())));
                QVERIFY(made.record(CheckMemory::recordOf(QStringLiteral("http://c.example/"), deadResult(),
                                                          QDateTime::currentDateTimeUtc())));
            }
            QVERIFY(medium.remountReadOnly());
            for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
                QFile::remove(memoryPath() + suffix);
            QVERIFY(QFile::link(there, memoryPath()));
        } else {
            // A newer Quokka's memory: read by neither, written by neither.
            {
                QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("newer"));
                db.setDatabaseName(memoryPath());
                QVERIFY(db.open());
                QSqlQuery q(db);
                QVERIFY(q.exec(QStringLiteral("PRAGMA user_version = %1").arg(PageMemory::schemaVersion + 1)));
                q.finish();
                db.close();
            }
            QSqlDatabase::removeDatabase(QStringLiteral("newer"));
        }
        world.windows = std::make_unique<Windows>(*world.platform);
        ListBrowser *browser = world.windows->listBrowser();
        QCOMPARE(world.platform->boxes.shown.size(), 1);
        QVERIFY2(world.platform->boxes.shown.first().text.contains(said),
                 qPrintable(world.platform->boxes.shown.first().text));
        QVERIFY(world.platform->boxes.shown.first().text.contains(QStringLiteral("Your list is not affected")));
        QCOMPARE(browser->m_addressList->entries(), QStringList({QStringLiteral("http://a.example/"), QStringLiteral("http://b.example/")}));
        if (memory == u"read-only") {
            QVERIFY(!world.platform->boxes.shown.first().text.contains(QStringLiteral("cannot keep")));
            QCOMPARE(mark(browser->m_addressList, 1, Qt::ToolTipRole), QStringLiteral("dead: not found (404); checked just now"));
            // Many added entries are read in slices here, the memory having no writing thread.
            QStringList many(RememberedMarks::restoredAtOnce + 500, QStringLiteral("http://filler.example/"));
            many << QStringLiteral("http://c.example/");
            browser->m_addressList->addEntries(many);
            QTRY_COMPARE(mark(browser->m_addressList, 2 + RememberedMarks::restoredAtOnce + 500, Qt::ToolTipRole),
                         QStringLiteral("dead: not found (404); checked just now"));
            browser->m_addressList->undo();
        }
        // A check goes on without the memory it cannot write, and says nothing more.
        world.windows->checkResults().set(QStringLiteral("http://a.example/"), deadResult());
        QVERIFY(world.windows->checkMemory().flush());
        world.windows->listViewWindow();
        QCOMPARE(world.platform->boxes.shown.size(), 1);
        QCOMPARE(TestFiles::listBytes(), list);
        if (damaged) {
            QVERIFY(world.windows->checkMemory().memory().isWritable());
            const QStringList asides = QDir(ListPaths::dataFolder()).entryList({QStringLiteral("page-memory*")}, QDir::Files);
            QVERIFY2(asides.size() >= 2, qPrintable(asides.join(QLatin1Char(' '))));
        }
    }

    void everyResultIsRecordedInBatches()
    {
        CheckMemory &memory = world.windows->checkMemory();
        CheckResults &results = world.windows->checkResults();
        const quint64 fp = pageFingerprint(QStringLiteral("Qt 6"), qtText);
        results.set(QStringLiteral("doc.qt.io"), aliveResult(QStringLiteral("Qt 6"), QStringLiteral("https://doc.qt.io/qt-6/"), fp));
        results.set(QStringLiteral("http://gone.example/"), deadResult());
        CheckResult skipped;
        skipped.reason = QStringLiteral("not a web address");
        results.set(QStringLiteral("mailto:a@b"), skipped);
        // Nothing is written while results come in; a quiet moment writes them all at once.
        QCOMPARE(memory.queued(), 2);
        QCOMPARE(memory.memory().recordCount(), 0);
        QTRY_COMPARE(memory.memory().recordCount(), 2);
        QCOMPARE(memory.queued(), 0);
        const QList<PageRecord> doc = memory.memory().history(QStringLiteral("doc.qt.io"));
        QCOMPARE(doc.size(), 1);
        QCOMPARE(doc.first().kind, PageRecord::Kind::Check);
        QCOMPARE(doc.first().verdict, QStringLiteral("alive"));
        QCOMPARE(doc.first().status, 200);
        QCOMPARE(doc.first().reason, QStringLiteral("answers 200"));
        QCOMPARE(doc.first().title, QStringLiteral("Qt 6"));
        QCOMPARE(doc.first().finalAddress, QStringLiteral("https://doc.qt.io/qt-6/"));
        QCOMPARE(doc.first().fingerprint, fp);
        // A full batch is written at once, without waiting.
        for (int i = 0; i < CheckMemory::batchSize; ++i)
            results.set(QStringLiteral("http://h%1.example/").arg(i), deadResult());
        QCOMPARE(memory.queued(), 0);
        QTRY_COMPARE(memory.memory().recordCount(), 2 + CheckMemory::batchSize);
    }

    void marksComeBackAfterARestart()
    {
        QVERIFY(TestFiles::writeList("http://gone.example/\r\nhttp://new.example/\r\nhttp://old.example/\r\n"));
        world.windows->checkResults().set(QStringLiteral("http://gone.example/"), deadResult());
        world.windows->checkResults().set(QStringLiteral("http://not-in-list.example/"), deadResult());
        {
            PageMemory direct;
            QVERIFY(direct.open(memoryPath()).ok);
            PageRecord old = CheckMemory::recordOf(QStringLiteral("http://old.example/"), deadResult(),
                                                   QDateTime::currentDateTimeUtc().addDays(-3).addSecs(-60));
            QVERIFY(direct.record(old));
        }
        restart(); // ending writes what is queued
        ListBrowser *browser = world.windows->listBrowser();
        ListBox *list = browser->m_addressList;
        QCOMPARE(mark(list, 0, Qt::ToolTipRole), QStringLiteral("dead: not found (404); checked just now"));
        QCOMPARE(mark(list, 1, Qt::ToolTipRole), QString());
        QCOMPARE(mark(list, 2, Qt::ToolTipRole), QStringLiteral("dead: not found (404); checked 3 days ago"));
        QCOMPARE(mark(list, 2, Qt::AccessibleDescriptionRole), mark(list, 2, Qt::ToolTipRole));
        QVERIFY(!world.windows->checkResults().resultFor(QStringLiteral("http://not-in-list.example/")));
        // The List view shows them too.
        ListBox *view = world.windows->listViewWindow()->m_addressList;
        QCOMPARE(mark(view, 2, Qt::ToolTipRole), QStringLiteral("dead: not found (404); checked 3 days ago"));
        // A reloaded list keeps the marks of what it still holds, and gets those of what it gains.
        list->replaceEntries({QStringLiteral("http://old.example/"), QStringLiteral("http://not-in-list.example/")}, 0);
        QCOMPARE(mark(list, 0, Qt::ToolTipRole), QStringLiteral("dead: not found (404); checked 3 days ago"));
        QCOMPARE(mark(list, 1, Qt::ToolTipRole), QStringLiteral("dead: not found (404); checked just now"));
        // What was restored is not written again as a new check.
        QCOMPARE(world.windows->checkMemory().queued(), 0);
        QCOMPARE(world.windows->checkMemory().memory().history(QStringLiteral("http://old.example/")).size(), 1);
    }

    void marksComeBackOnAddedEntries_data()
    {
        QTest::addColumn<int>("fillers");
        QTest::newRow("a few, at once") << 0;
        QTest::newRow("thousands, read on the memory's thread") << RememberedMarks::restoredAtOnce + 500;
    }
    void marksComeBackOnAddedEntries()
    {
        QFETCH(int, fillers);
        const QString old = QStringLiteral("http://old.example/");
        const QString fresh = QStringLiteral("http://fresh.example/");
        const QString changed = QStringLiteral("https://doc.qt.io/qt-6/");
        const QDateTime then = QDateTime::currentDateTimeUtc().addDays(-3).addSecs(-60);
        PageMemory &memory = world.windows->checkMemory().memory();
        QVERIFY(memory.record(CheckMemory::recordOf(old, deadResult(), then)));
        QVERIFY(memory.record(CheckMemory::recordOf(fresh, aliveResult(QStringLiteral("Fresh"), fresh, 5), then)));
        const quint64 qtFp = pageFingerprint(QStringLiteral("Qt 6 documentation"), qtText);
        QVERIFY(memory.record(visitOf(changed, QStringLiteral("Qt 6 documentation"), changed, qtFp, then.addDays(-1))));
        QVERIFY(memory.record(CheckMemory::recordOf(
            changed, aliveResult(QStringLiteral("This domain may be for sale"), QStringLiteral("http://parking.example/lander"),
                                 pageFingerprint(QStringLiteral("This domain may be for sale"), saleText)),
            then)));
        QVERIFY(TestFiles::writeList("http://first.example/\r\n"));
        ListBox *list = world.windows->listBrowser()->m_addressList;
        list->setCurrentRow(0);
        QStringList added;
        for (int i = 0; i < fillers; ++i)
            added << QStringLiteral("http://filler%1.example/").arg(i);
        added << old << fresh << changed;
        list->addEntries(added);
        // A check's result that comes while the memory is read is newer than what the memory holds.
        world.windows->checkResults().set(fresh, deadResult());
        const int oldRow = fillers + 1;
        QTRY_VERIFY2(mark(list, oldRow + 2, Qt::ToolTipRole)
                         .startsWith(QStringLiteral("alive: answers 200; checked 3 days ago; not what you saved: was 'Qt 6 "
                                                    "documentation'")),
                     qPrintable(mark(list, oldRow + 2, Qt::ToolTipRole)));
        QCOMPARE(mark(list, oldRow, Qt::ToolTipRole), QStringLiteral("dead: not found (404); checked 3 days ago"));
        QCOMPARE(mark(list, oldRow + 1, Qt::ToolTipRole), QStringLiteral("dead: not found (404)"));
        if (fillers)
            QCOMPARE(mark(list, 1, Qt::ToolTipRole), QString());
        // The selection stays where it was, and one undo takes the whole addition back.
        QCOMPARE(list->currentRow(), 0);
        QCOMPARE(list->count(), 1 + fillers + 3);
        QVERIFY(list->undo());
        QCOMPARE(list->entries(), QStringList{QStringLiteral("http://first.example/")});
        QCOMPARE(list->currentRow(), 0);
        QVERIFY(!list->canUndo());
    }

    void notWhatYouSaved_data()
    {
        QTest::addColumn<bool>("visited");
        QTest::addColumn<QString>("nowTitle");
        QTest::addColumn<QString>("nowFinal");
        QTest::addColumn<QString>("nowText");
        QTest::addColumn<bool>("changed");
        const QString saleTitle = QStringLiteral("This domain may be for sale");
        const QString parking = QStringLiteral("http://parking.example/lander");
        QTest::newRow("all changed, since a visit") << true << saleTitle << parking << saleText << true;
        QTest::newRow("all changed, since the first check") << false << saleTitle << parking << saleText << true;
        QTest::newRow("same host") << true << saleTitle << QStringLiteral("https://doc.qt.io/sale") << saleText << false;
        QTest::newRow("same title") << true << QStringLiteral("Qt 6 documentation") << parking << saleText << false;
        QTest::newRow("same text") << true << saleTitle << parking << qtText << false;
        QTest::newRow("no page read") << true << QString() << parking << QString() << false;
    }
    void notWhatYouSaved()
    {
        QFETCH(bool, visited);
        QFETCH(QString, nowTitle);
        QFETCH(QString, nowFinal);
        QFETCH(QString, nowText);
        QFETCH(bool, changed);
        const QString entry = QStringLiteral("https://doc.qt.io/qt-6/");
        const QString wasTitle = QStringLiteral("Qt 6 documentation");
        const quint64 wasFp = pageFingerprint(wasTitle, qtText);
        const QDateTime then(QDate(2026, 11, 3), QTime(12, 0), Qt::UTC);
        QVERIFY(TestFiles::writeList(entry.toUtf8() + "\r\n"));
        CheckMemory &memory = world.windows->checkMemory();
        if (visited) {
            QVERIFY(memory.memory().record(visitOf(entry, wasTitle, entry, wasFp, then)));
        } else {
            QVERIFY(memory.memory().record(CheckMemory::recordOf(entry, aliveResult(wasTitle, QString(), wasFp), then)));
            // A later check that saw another page is not what the person saved.
            QVERIFY(memory.memory().record(CheckMemory::recordOf(
                entry, aliveResult(QStringLiteral("Other"), QStringLiteral("http://other.example/"), 99), then.addDays(1))));
        }
        ListBox *list = world.windows->listBrowser()->m_addressList;
        // The same text under another title: its fingerprint is taken as the one seen.
        const quint64 nowFp = nowText.isEmpty() ? 0 : nowText == qtText ? wasFp : pageFingerprint(nowTitle, nowText);
        world.windows->checkResults().set(entry, aliveResult(nowTitle, nowFinal, nowFp));
        QVERIFY(memory.flush());
        const QString said = QStringLiteral("alive: answers 200; not what you saved: was 'Qt 6 documentation', 2026-11-03; "
                                            "now 'This domain may be for sale'");
        QCOMPARE(mark(list, 0, Qt::ToolTipRole), changed ? said : QStringLiteral("alive: answers 200"));
        const CheckNote note = world.windows->checkResults().noteFor(entry);
        QCOMPARE(note.wasTitle, changed ? wasTitle : QString());
        QCOMPARE(note.wasSeen, changed ? then : QDateTime());
        // After a restart the change is still told, with the date of the check.
        restart();
        list = world.windows->listBrowser()->m_addressList;
        const QString again = mark(list, 0, Qt::ToolTipRole);
        QCOMPARE(again.contains(QStringLiteral("not what you saved")), changed);
        QVERIFY(again.contains(QStringLiteral("checked just now")));
    }

    void reportSaysWhatAPageWas()
    {
        ReportRow row;
        row.line = 3;
        row.address = QStringLiteral("https://doc.qt.io/qt-6/");
        row.result = aliveResult(QStringLiteral("=HYPERLINK(\"http://evil.example\")"), QStringLiteral("http://parking.example/"), 7);
        row.wasTitle = QStringLiteral("Qt 6 documentation, the index");
        row.wasSeen = QDateTime(QDate(2026, 11, 3), QTime(12, 0), Qt::UTC);
        const QByteArray csv = CheckReport::document({row}, CheckReport::Format::Csv);
        QVERIFY(csv.startsWith("line,address,verdict,status,final,browser,reason,ms,was_title,was_seen,now_title,saved_title,"
                               "last_good_copy\r\n"));
        // A title a page chose is never a formula in a spreadsheet.
        QVERIFY2(csv.endsWith(",\"Qt 6 documentation, the index\",2026-11-03T12:00:00Z,\"'=HYPERLINK(\"\"http://evil.example\"\")\",,\r\n"),
                 csv.constData());
        const QJsonObject o = QJsonDocument::fromJson(CheckReport::jsonLine(row)).object();
        QCOMPARE(o.value(QStringLiteral("was_title")).toString(), row.wasTitle);
        QCOMPARE(o.value(QStringLiteral("was_seen")).toString(), QStringLiteral("2026-11-03T12:00:00Z"));
        QCOMPARE(o.value(QStringLiteral("now_title")).toString(), row.result.title);
        // Nothing known of what it was: nulls, and empty cells.
        row.wasTitle.clear();
        row.wasSeen = {};
        row.result.title.clear();
        const QJsonObject none = QJsonDocument::fromJson(CheckReport::jsonLine(row)).object();
        for (const char *key : {"was_title", "was_seen", "now_title", "saved_title", "last_good_copy"})
            QVERIFY2(none.value(QLatin1String(key)).isNull(), key);
        QVERIFY(CheckReport::csvLine(row).endsWith(",,,,,\r\n"));
    }

    void quokkaCheckSharesTheMemory()
    {
        world.windows.reset(); // the program is not running
        QTemporaryDir files;
        QVERIFY(TestFiles::write(files.filePath(QStringLiteral("here.html")), "<title>Here</title>"));
        const QString here = QUrl::fromLocalFile(files.filePath(QStringLiteral("here.html"))).toString();
        const QString gone = QUrl::fromLocalFile(files.filePath(QStringLiteral("gone.html"))).toString();
        QVERIFY(TestFiles::write(files.filePath(QStringLiteral("list.dat")), (here + "\r\n" + gone + "\r\n").toUtf8()));
        auto runCheck = [&](const QStringList &extra) {
            QProcess tool;
            tool.start(QStringLiteral(QUOKKA_CHECK_PROGRAM),
                       QStringList{QStringLiteral("--no-browser"), QStringLiteral("--format"), QStringLiteral("json")} + extra
                           + QStringList{files.filePath(QStringLiteral("list.dat"))});
            if (!tool.waitForFinished(120000))
                tool.kill();
            return tool.exitCode();
        };
        QCOMPARE(runCheck({}), 2); // one dead
        // The window's memory holds what the tool found, and the next start shows it.
        world.windows = std::make_unique<Windows>(*world.platform);
        QCOMPARE(world.windows->checkMemory().memory().history(here).size(), 1);
        QCOMPARE(world.windows->checkMemory().memory().history(gone).first().verdict, QStringLiteral("dead"));
        world.windows.reset();
        QCOMPARE(runCheck({QStringLiteral("--no-memory")}), 2);
        world.windows = std::make_unique<Windows>(*world.platform);
        QCOMPARE(world.windows->checkMemory().memory().history(here).size(), 1);
        QCOMPARE(world.windows->checkMemory().memory().recordCount(), 2);
    }

    void quokkaCheckTellsTheLastGoodCopy()
    {
        world.windows.reset(); // the program is not running
        QTemporaryDir files;
        QVERIFY(TestFiles::write(files.filePath(QStringLiteral("kept.html")), "<title>Kept</title>"));
        QVERIFY(TestFiles::write(files.filePath(QStringLiteral("lost.html")), "<title>Lost</title>"));
        QVERIFY(TestFiles::write(files.filePath(QStringLiteral("never.html")), "<title>Never</title>"));
        const QString kept = QUrl::fromLocalFile(files.filePath(QStringLiteral("kept.html"))).toString();
        const QString lost = QUrl::fromLocalFile(files.filePath(QStringLiteral("lost.html"))).toString();
        const QString never = QUrl::fromLocalFile(files.filePath(QStringLiteral("never.html"))).toString();
        QVERIFY(TestFiles::write(files.filePath(QStringLiteral("list.dat")), (kept + "\n" + lost + "\n" + never + "\n").toUtf8()));
        const QDateTime firstTaken(QDate(2026, 3, 3), QTime(14, 2), Qt::UTC);
        const QDateTime newerTaken(QDate(2026, 6, 1), QTime(9, 30), Qt::UTC);
        {
            CopyArchive archive;
            QVERIFY2(archive.open(), qPrintable(archive.problem()));
            auto page = [](const char *title) {
                return CopyContent{QByteArray("MIME-Version: 1.0\r\n\r\n<title>") + title + "</title>", QString::fromLatin1(title), {}};
            };
            QVERIFY(archive.keep(kept, PageCondition::Good, page("Kept"), firstTaken).isKept());
            QVERIFY(archive.keep(kept, PageCondition::Good, page("Kept again"), newerTaken).isKept());
            const KeepResult gone = archive.keep(lost, PageCondition::Good, page("Lost"), firstTaken);
            QVERIFY(gone.isKept());
            // A copy whose file went (removed by hand, a disk cleaner) is no copy to speak of.
            QVERIFY(QFile::remove(archive.pathOf(gone.contentHash)));
        }
        for (const QString &format : {QStringLiteral("json"), QStringLiteral("csv")}) {
            QProcess tool;
            tool.start(QStringLiteral(QUOKKA_CHECK_PROGRAM),
                       {QStringLiteral("--no-browser"), QStringLiteral("--format"), format, files.filePath(QStringLiteral("list.dat"))});
            QVERIFY(tool.waitForFinished(120000));
            QCOMPARE(tool.exitCode(), 0);
            const QList<QByteArray> lines = tool.readAllStandardOutput().split('\n');
            QVERIFY2(lines.size() >= 4, qPrintable(format));
            if (format == u"json") {
                QCOMPARE(QJsonDocument::fromJson(lines.at(0)).object().value(QStringLiteral("last_good_copy")).toString(),
                         QStringLiteral("2026-06-01T09:30:00Z"));
                QVERIFY(QJsonDocument::fromJson(lines.at(1)).object().value(QStringLiteral("last_good_copy")).isNull());
                QVERIFY(QJsonDocument::fromJson(lines.at(2)).object().value(QStringLiteral("last_good_copy")).isNull());
            } else {
                QVERIFY2(lines.at(0).endsWith(",last_good_copy\r"), lines.at(0).constData());
                QVERIFY2(lines.at(1).endsWith(",2026-06-01T09:30:00Z\r"), lines.at(1).constData());
                QVERIFY2(lines.at(2).endsWith(",\r") && !lines.at(2).endsWith("Z\r"), lines.at(2).constData());
                QVERIFY2(lines.at(3).endsWith(",\r") && !lines.at(3).endsWith("Z\r"), lines.at(3).constData());
            }
        }
    }

    void checksWaitForAnotherProgramsLock()
    {
        CheckMemory &memory = world.windows->checkMemory();
        CheckResults &results = world.windows->checkResults();
        QSignalSpy lockedOut(&memory, &CheckMemory::lockedOut);
        LockHolder shell(memoryPath());
        QVERIFY(shell.begin());
        results.set(QStringLiteral("http://a.example/"), deadResult());
        results.set(QStringLiteral("http://b.example/"), deadResult());
        // The write waits for the lock, gives up after SQLite's busy time-out and keeps the records.
        QTRY_VERIFY_WITH_TIMEOUT(memory.held() == 2, 60000);
        QCOMPARE(lockedOut.size(), 1);
        QCOMPARE(memory.unwritten(), 2);
        // What comes in meanwhile waits with them.
        results.set(QStringLiteral("http://c.example/"), deadResult());
        shell.release();
        QTRY_COMPARE_WITH_TIMEOUT(memory.memory().recordCount(), 3, 60000);
        QTRY_COMPARE(memory.unwritten(), 0);
        QCOMPARE(memory.memory().history(QStringLiteral("http://a.example/")).value(0).verdict, QStringLiteral("dead"));
        QCOMPARE(lockedOut.size(), 1);
        QVERIFY2(world.platform->boxes.shown.isEmpty(), qPrintable(world.platform->boxes.shown.value(0).text));
    }

    void quokkaCheckSaysWhatBecameOfTheMemory_data()
    {
        QTest::addColumn<QString>("memory");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<int>("recorded");
        QTest::addColumn<QString>("said");
        QTest::addColumn<QString>("notSaid");
        QTest::newRow("locked, let go during the wait") << "released" << 2 << 2
                                                        << "locked. What the check finds is kept and written when it lets go."
                                                        << "was not written";
        QTest::newRow("locked for good") << "locked" << 1 << 0 << "was not written: another program still held it locked 0 s after the check ended; "
                                            "2 of this check's results are not remembered."
                                         << "cannot be used";
        QTest::newRow("read-only medium") << "read-only" << 2 << 0
                                          << "is read but cannot be written (*); pages are compared with what it holds, "
                                             "and this check is not remembered."
                                          << "cannot be used";
    }
    void quokkaCheckSaysWhatBecameOfTheMemory()
    {
        QFETCH(QString, memory);
        QFETCH(int, exitCode);
        QFETCH(int, recorded);
        QFETCH(QString, said);
        QFETCH(QString, notSaid);
        world.windows.reset(); // the program is not running; the memory it made stays
        QTemporaryDir files;
        QVERIFY(TestFiles::write(files.filePath(QStringLiteral("here.html")), "<title>Here</title>"));
        const QString here = QUrl::fromLocalFile(files.filePath(QStringLiteral("here.html"))).toString();
        const QString gone = QUrl::fromLocalFile(files.filePath(QStringLiteral("gone.html"))).toString();
        QVERIFY(TestFiles::write(files.filePath(QStringLiteral("list.dat")), (here + "\r\n" + gone + "\r\n").toUtf8()));

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        QString path = memoryPath();
        TinyMount medium;
        if (memory == u"read-only") {
            if (const QString why = medium.mount(QStringLiteral("16m")); !why.isEmpty())
                QSKIP(qPrintable(why));
            environment.insert(QStringLiteral("XDG_DATA_HOME"), medium.path());
            path = medium.path() + QStringLiteral("/quokka/page-memory.sqlite");
            {
                PageMemory made;
                QVERIFY(made.open(path).ok);
            }
            QVERIFY(medium.remountReadOnly());
        }
        std::optional<LockHolder> shell;
        if (memory != u"read-only") {
            shell.emplace(path);
            QVERIFY(shell->begin());
        }
        QProcess tool;
        tool.setProcessEnvironment(environment);
        QString errors;
        connect(&tool, &QProcess::readyReadStandardError, this, [&] { errors += QString::fromUtf8(tool.readAllStandardError()); });
        tool.start(QStringLiteral(QUOKKA_CHECK_PROGRAM),
                   {QStringLiteral("--no-browser"), QStringLiteral("--format"), QStringLiteral("json"), QStringLiteral("--memory-wait"),
                    memory == u"locked" ? QStringLiteral("0") : QStringLiteral("60"), files.filePath(QStringLiteral("list.dat"))});
        QVERIFY(tool.waitForStarted());
        if (memory == u"released") {
            // The other program lets go once the check has said it waits for it.
            QTRY_VERIFY_WITH_TIMEOUT(errors.contains(QStringLiteral("locked")), 120000);
            shell->release();
        }
        QTRY_VERIFY_WITH_TIMEOUT(tool.state() == QProcess::NotRunning, 120000);
        errors += QString::fromUtf8(tool.readAllStandardError());
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        // The reason is SQLite's own words, which differ between its versions.
        QVERIFY2(errors.contains(QRegularExpression(QRegularExpression::wildcardToRegularExpression(
                     said, QRegularExpression::UnanchoredWildcardConversion))),
                 qPrintable(errors));
        QVERIFY2(!errors.contains(notSaid), qPrintable(errors));
        QCOMPARE(tool.exitCode(), exitCode);
        shell.reset();
        PageMemory after;
        after.open(path);
        QCOMPARE(after.recordCount(), recorded);
    }

    void aPageOpenedFromTheListIsRemembered()
    {
        QVERIFY(TestFiles::writeList("http://a.example/\r\n"));
        ListBrowser *browser = world.windows->listBrowser();
        QVERIFY(!world.platform->browsers.isEmpty());
        FakeWebBrowser *view = world.platform->browsers.last();
        QVERIFY(view);
        view->visibleText = qtText;
        browser->m_addressList->setCurrentRow(0);
        view->setBusy(true);
        view->setPageTitle(QStringLiteral("Qt 6 documentation"));
        view->setPageUrl(QStringLiteral("https://doc.qt.io/qt-6/"));
        view->setBusy(false);
        CheckMemory &memory = world.windows->checkMemory();
        QVERIFY(memory.flush());
        const QList<PageRecord> seen = memory.memory().history(QStringLiteral("http://a.example/"));
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen.first().kind, PageRecord::Kind::Visit);
        QCOMPARE(seen.first().title, QStringLiteral("Qt 6 documentation"));
        QCOMPARE(seen.first().finalAddress, QStringLiteral("https://doc.qt.io/qt-6/"));
        QCOMPARE(seen.first().fingerprint, pageFingerprint(QStringLiteral("Qt 6 documentation"), qtText));
        // A load that the person did not start from the list is not a visit of the entry.
        view->setBusy(true);
        view->setBusy(false);
        QVERIFY(memory.flush());
        QCOMPARE(memory.memory().history(QStringLiteral("http://a.example/")).size(), 1);
    }

    void checkedAgo_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("said");
        QTest::newRow("in the future") << qint64(-3600) << QStringLiteral("checked just now");
        QTest::newRow("seconds") << qint64(59) << QStringLiteral("checked just now");
        QTest::newRow("a minute") << qint64(60) << QStringLiteral("checked 1 minute ago");
        QTest::newRow("minutes") << qint64(59 * 60 + 59) << QStringLiteral("checked 59 minutes ago");
        QTest::newRow("an hour") << qint64(3600) << QStringLiteral("checked 1 hour ago");
        QTest::newRow("a day") << qint64(86400 + 5) << QStringLiteral("checked 1 day ago");
        QTest::newRow("days") << qint64(3 * 86400) << QStringLiteral("checked 3 days ago");
    }
    void checkedAgo()
    {
        QFETCH(qint64, seconds);
        QFETCH(QString, said);
        const QDateTime now(QDate(2026, 12, 9), QTime(12, 0), Qt::UTC);
        QCOMPARE(::checkedAgo(now.addSecs(-seconds), now), said);
    }
};

QTEST_MAIN(TestMemoryWiring)
#include "tst_memorywiring.moc"
