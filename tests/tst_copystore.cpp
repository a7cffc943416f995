// The kept copies of good pages: what is kept and shared, what is not kept twice or at all, the
// newest copies per entry and the budget's order, copy files that are missing, damaged or cut short,
// a kill while a copy is written, and the store's worker thread.
#include "copies/copyarchive.h"
#include "copies/copystore.h"
#include "fakes/testfiles.h"
#include "memory/pagememory.h"

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

namespace {

// A page as the engine saves it: each save draws a new boundary and writes its date, so the same
// page saved twice differs in those (@p save) and nothing else.
QByteArray savedPage(const QString &name, int save = 0, int size = 20000)
{
    const QByteArray boundary = "----MultipartBoundary--" + QByteArray::number(0x5eed + save * 7919, 36) + "----";
    const QByteArray frame = "frame-" + QByteArray::number(0xabcdef + save * 104729, 16).toUpper() + "@mhtml.blink";
    QByteArray page = "From: <Saved by Blink>\r\nSnapshot-Content-Location: https://example.org/" + name.toUtf8()
        + "\r\nSubject: " + name.toUtf8() + "\r\nDate: Thu, 10 Dec 2026 10:0" + QByteArray::number(save % 10)
        + ":00 -0000\r\nMIME-Version: 1.0\r\nContent-Type: multipart/related;\r\n\ttype=\"text/html\";\r\n\tboundary=\""
        + boundary + "\"\r\n\r\n\r\n--" + boundary + "\r\nContent-Type: text/html\r\nContent-ID: <" + frame
        + ">\r\n\r\n<html><body><h1>" + name.toUtf8() + "</h1>";
    while (page.size() < size)
        page += "<p>Words people keep pages for, again and again.</p>\r\n";
    page += "</body></html>\r\n--" + boundary + "--\r\n";
    return page;
}

CopyContent contentOf(const QString &name, int save = 0)
{
    return {savedPage(name, save), QStringLiteral("Text of %1").arg(name), QByteArray("\x89PNG thumbnail of ") + name.toUtf8()};
}

// Bytes that do not compress: their stored size is their size, whatever zstd can do.
CopyContent incompressible(const QString &name, int size)
{
    QByteArray page = "From: <Saved by Blink>\r\nSubject: " + name.toUtf8() + "\r\n\r\n";
    QRandomGenerator rng(qHash(name));
    while (page.size() < size) {
        const quint32 word = rng.generate();
        page.append(reinterpret_cast<const char *>(&word), 4);
    }
    return {page, name, {}};
}

// Keep in step with tests/helpers/copywriter.cpp.
QByteArray pageNumbered(quint32 n)
{
    QByteArray page = "From: <Saved by Blink>\r\nSubject: page " + QByteArray::number(n) + "\r\n\r\n";
    QRandomGenerator rng(n);
    while (page.size() < 2 * 1024 * 1024)
        page += QByteArray::number(rng.generate(), 16) + ' ';
    return page;
}

QString outcomeName(KeepResult::Outcome outcome)
{
    switch (outcome) {
    case KeepResult::Outcome::Kept: return QStringLiteral("kept");
    case KeepResult::Outcome::Shared: return QStringLiteral("shared");
    case KeepResult::Outcome::Unchanged: return QStringLiteral("unchanged");
    case KeepResult::Outcome::NotGood: return QStringLiteral("notgood");
    case KeepResult::Outcome::TooLarge: return QStringLiteral("toolarge");
    case KeepResult::Outcome::Failed: return QStringLiteral("failed");
    }
    return {};
}

QStringList copyFilesIn(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("*.copy")}, QDir::Files);
}

const QDateTime start = QDateTime(QDate(2026, 3, 3), QTime(14, 2), Qt::UTC);

} // namespace

class tst_CopyStore : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString folder() const { return m_dir.path() + QStringLiteral("/copies"); }
    QString memoryPath() const { return m_dir.path() + QStringLiteral("/page-memory.sqlite"); }
    // The pages a test kept, by address: what each copy must read back as.
    QHash<QString, QString> m_keptText;

private slots:
    void init();
    void keptCopyReadsBackCompressed();
    void contentNameLeavesOutWhatEachSaveWritesAnew_data();
    void contentNameLeavesOutWhatEachSaveWritesAnew();
    void keepingSequences_data();
    void keepingSequences();
    void budgetTakesOlderCopiesFirstAndGonePagesLast();
    void copiesOverBudgetFreesSharedFilesWithTheirLastRecord();
    void tooLargePagesAreRefusedWithAReason_data();
    void tooLargePagesAreRefusedWithAReason();
    void unreadableCopyFilesAreToldAndLeftAlone_data();
    void unreadableCopyFilesAreToldAndLeftAlone();
    void killedWriteLeavesOldOrNewCopy_data();
    void killedWriteLeavesOldOrNewCopy();
    void storeAnswersOnItsOwnThreadAndFinishesOnClose();
    void budgetsAreReadAsPeopleWriteThem_data();
    void budgetsAreReadAsPeopleWriteThem();
};

void tst_CopyStore::budgetsAreReadAsPeopleWriteThem_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("bytes"); // 0: refused
    const qint64 mib = 1024 * 1024;
    QTest::newRow("gigabytes") << QStringLiteral("2G") << 2048 * mib;
    QTest::newRow("megabytes") << QStringLiteral("500M") << 500 * mib;
    QTest::newRow("lower case, unit word") << QStringLiteral(" 64kib ") << qint64(64 * 1024);
    QTest::newRow("a fraction") << QStringLiteral("1.5G") << 1536 * mib;
    QTest::newRow("terabytes") << QStringLiteral("1T") << 1024 * 1024 * mib;
    QTest::newRow("plain bytes") << QStringLiteral("123456") << qint64(123456);
    QTest::newRow("bytes with B") << QStringLiteral("4096B") << qint64(4096);
    QTest::newRow("zero") << QStringLiteral("0") << qint64(0);
    QTest::newRow("negative") << QStringLiteral("-2G") << qint64(0);
    QTest::newRow("unknown unit") << QStringLiteral("2X") << qint64(0);
    QTest::newRow("words") << QStringLiteral("lots") << qint64(0);
    QTest::newRow("empty") << QString() << qint64(0);
    QTest::newRow("past any disk") << QStringLiteral("99999999999T") << qint64(0);
}

void tst_CopyStore::budgetsAreReadAsPeopleWriteThem()
{
    QFETCH(QString, text);
    QFETCH(qint64, bytes);
    const std::optional<qint64> read = byteSizeFromText(text);
    QCOMPARE(read.value_or(0), bytes);
}

void tst_CopyStore::init()
{
    QVERIFY(m_dir.isValid());
    QDir(m_dir.path()).removeRecursively();
    QVERIFY(QDir().mkpath(m_dir.path()));
}

void tst_CopyStore::keptCopyReadsBackCompressed()
{
    // A memory from before copies were kept: its records stay and its layout's version is unchanged.
    {
        PageMemory memory;
        QVERIFY(memory.open(memoryPath()).ok);
        PageRecord check;
        check.address = QStringLiteral("https://example.org/a");
        check.seenAt = start;
        check.title = QStringLiteral("A");
        check.verdict = QStringLiteral("alive");
        QVERIFY(memory.record(check));
    }
    CopyArchive archive;
    QVERIFY2(archive.open(folder(), memoryPath()), qPrintable(archive.problem()));
    const CopyContent content = contentOf(QStringLiteral("a"));
    const KeepResult result = archive.keep(QStringLiteral("https://example.org/a"), PageCondition::Good, content, start);
    QCOMPARE(outcomeName(result.outcome), QStringLiteral("kept"));
    QVERIFY(result.message.isEmpty());
    QCOMPARE(copyFilesIn(folder()), QStringList{result.contentHash + QStringLiteral(".copy")});
    // Compressed where that pays: a page of text takes a fraction of its size.
    QVERIFY2(result.storedSize < content.mhtml.size() / 4, qPrintable(QString::number(result.storedSize)));
    QCOMPARE(QFileInfo(archive.pathOf(result.contentHash)).size(), result.storedSize);

    const QList<CopyRecord> copies = archive.copiesOf(QStringLiteral("https://example.org/a"));
    QCOMPARE(copies.size(), 1);
    QCOMPARE(copies.first().takenAt, start);
    QCOMPARE(copies.first().contentHash, result.contentHash);
    QCOMPARE(copies.first().storedSize, result.storedSize);
    QCOMPARE(copies.first().pageSize, content.mhtml.size());
    QCOMPARE(copies.first().thumbnailSize, content.thumbnailPng.size());
    const CopyReading reading = archive.readNewest(QStringLiteral("https://example.org/a"));
    QVERIFY2(reading.ok, qPrintable(reading.detail));
    QCOMPARE(reading.content.mhtml, content.mhtml);
    QCOMPARE(reading.content.text, content.text);
    QCOMPARE(reading.content.thumbnailPng, content.thumbnailPng);

    PageMemory memory;
    QVERIFY(memory.open(memoryPath()).ok);
    QCOMPARE(memory.history(QStringLiteral("https://example.org/a")).size(), 1);
    QCOMPARE(memory.copiesOf(QStringLiteral("https://example.org/a")).size(), 1);
    QSqlQuery q(QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("look")));
    {
        QSqlDatabase db = QSqlDatabase::database(QStringLiteral("look"), false);
        db.setDatabaseName(memoryPath());
        QVERIFY(db.open());
        QSqlQuery version(db);
        QVERIFY(version.exec(QStringLiteral("PRAGMA user_version")) && version.next());
        QCOMPARE(version.value(0).toInt(), PageMemory::schemaVersion);
        db.close();
    }
    q = QSqlQuery();
    QSqlDatabase::removeDatabase(QStringLiteral("look"));
}

void tst_CopyStore::contentNameLeavesOutWhatEachSaveWritesAnew_data()
{
    QTest::addColumn<QString>("firstPage");
    QTest::addColumn<QString>("secondPage");
    QTest::addColumn<bool>("sameName");
    QTest::newRow("saved again") << "Riverside Dental" << "Riverside Dental" << true;
    QTest::newRow("a title that names a boundary, saved again")
        << "Sale boundary=\"everything-must-go\"" << "Sale boundary=\"everything-must-go\"" << true;
    QTest::newRow("another page") << "Riverside Dental" << "Riverside Dentist" << false;
}

void tst_CopyStore::contentNameLeavesOutWhatEachSaveWritesAnew()
{
    QFETCH(QString, firstPage);
    QFETCH(QString, secondPage);
    QFETCH(bool, sameName);
    const QByteArray first = savedPage(firstPage, 0);
    const QByteArray second = savedPage(secondPage, 1);
    QVERIFY(first != second);
    QCOMPARE(CopyArchive::contentHash(first) == CopyArchive::contentHash(second), sameName);
    QCOMPARE(CopyArchive::contentHash(first).size(), 64);
}

void tst_CopyStore::keepingSequences_data()
{
    // Steps: entry letter, page letter, and the save (a digit: the same page saved anew, with its own
    // date and boundary); a step ending in ! is a page found not good.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("outcomes");
    // Each entry's copies, newest first, by page letter.
    QTest::addColumn<QString>("copies");
    QTest::addColumn<int>("files");

    QTest::newRow("kept") << "a:p" << "kept" << "a:p" << 1;
    QTest::newRow("an unchanged page saved anew is not kept twice")
        << "a:p a:p1 a:p2" << "kept unchanged unchanged" << "a:p" << 1;
    QTest::newRow("entries showing the same page share its copy") << "a:p b:p1" << "kept shared" << "a:p b:p" << 1;
    QTest::newRow("a bad page never replaces the good copy") << "a:p a:q! a:p" << "kept notgood unchanged" << "a:p" << 1;
    QTest::newRow("a bad page is never kept") << "a:q!" << "notgood" << "" << 0;
    QTest::newRow("the newest three distinct copies") << "a:p a:q a:r a:s a:t" << "kept kept kept kept kept"
                                                      << "a:t,s,r" << 3;
    QTest::newRow("a page that comes back is the newest again, once") << "a:p a:q a:p1"
                                                                        << "kept kept shared" << "a:p,q" << 2;
    QTest::newRow("a shared file stays while another entry shows it")
        << "b:p a:p a:q a:r a:s" << "kept shared kept kept kept" << "a:s,r,q b:p" << 4;
}

void tst_CopyStore::keepingSequences()
{
    QFETCH(QString, steps);
    QFETCH(QString, outcomes);
    QFETCH(QString, copies);
    QFETCH(int, files);
    CopyArchive archive;
    QVERIFY2(archive.open(folder(), memoryPath()), qPrintable(archive.problem()));
    QStringList seen;
    QHash<QString, QString> hashOfPage;
    QSet<QString> entries;
    int step = 0;
    for (QString s : steps.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const bool bad = s.endsWith(QLatin1Char('!'));
        if (bad)
            s.chop(1);
        const QString entry = QStringLiteral("https://example.org/") + s.at(0);
        const QString page = s.mid(2, 1);
        const int save = s.size() > 3 ? s.mid(3).toInt() : 0;
        entries.insert(entry);
        const KeepResult result = archive.keep(entry, bad ? PageCondition::NotGood : PageCondition::Good,
                                               contentOf(page, save), start.addSecs(60 * ++step));
        seen.append(outcomeName(result.outcome));
        QCOMPARE(result.isKept(), result.message.isEmpty());
        if (!bad)
            hashOfPage.insert(result.contentHash, page);
    }
    QCOMPARE(seen.join(QLatin1Char(' ')), outcomes);

    QStringList kept;
    QStringList sortedEntries(entries.cbegin(), entries.cend());
    sortedEntries.sort();
    for (const QString &entry : std::as_const(sortedEntries)) {
        const QList<CopyRecord> records = archive.copiesOf(entry);
        if (records.isEmpty())
            continue;
        QStringList pages;
        for (const CopyRecord &record : records) {
            pages.append(hashOfPage.value(record.contentHash, QStringLiteral("?")));
            // Every copy still recorded reads back as its page.
            const CopyReading reading = archive.read(record);
            QVERIFY2(reading.ok, qPrintable(reading.detail));
            QCOMPARE(reading.content.text, QStringLiteral("Text of ") + pages.constLast());
        }
        kept.append(entry.right(1) + QLatin1Char(':') + pages.join(QLatin1Char(',')));
    }
    QCOMPARE(kept.join(QLatin1Char(' ')), copies);
    QCOMPARE(copyFilesIn(folder()).size(), files);
}

void tst_CopyStore::budgetTakesOlderCopiesFirstAndGonePagesLast()
{
    // Pages that do not compress, 100 KiB each; the budget holds three and a half of them.
    constexpr int pageSize = 100 * 1024;
    {
        PageMemory memory;
        QVERIFY(memory.open(memoryPath()).ok);
        PageRecord dead;
        dead.address = QStringLiteral("gone");
        dead.seenAt = start;
        dead.verdict = QStringLiteral("dead");
        dead.status = 404;
        QVERIFY(memory.record(dead));
    }
    CopyLimits limits;
    limits.budgetBytes = pageSize * 7 / 2;
    CopyArchive archive;
    QVERIFY(archive.open(folder(), memoryPath(), limits));
    int minute = 0;
    auto keep = [&](const QString &entry, const QString &page) {
        return archive.keep(entry, PageCondition::Good, incompressible(page, pageSize), start.addSecs(60 * ++minute));
    };
    auto pagesOf = [&](const QString &entry) {
        QStringList pages;
        for (const CopyRecord &record : archive.copiesOf(entry)) {
            const CopyReading reading = archive.read(record);
            pages.append(reading.ok ? reading.content.text : QStringLiteral("unreadable"));
        }
        return pages.join(QLatin1Char(','));
    };
    // The gone entry's copy is the oldest of all.
    QVERIFY(keep(QStringLiteral("gone"), QStringLiteral("g1")).isKept());
    QVERIFY(keep(QStringLiteral("a"), QStringLiteral("a1")).isKept());
    QVERIFY(keep(QStringLiteral("c"), QStringLiteral("c1")).isKept());
    QVERIFY(archive.storedBytes() <= limits.budgetBytes);
    // Over the budget: the older copy of a page that has a newer one goes first.
    QVERIFY(keep(QStringLiteral("a"), QStringLiteral("a2")).isKept());
    QCOMPARE(pagesOf(QStringLiteral("a")), QStringLiteral("a2"));
    QCOMPARE(pagesOf(QStringLiteral("c")), QStringLiteral("c1"));
    QCOMPARE(pagesOf(QStringLiteral("gone")), QStringLiteral("g1"));
    // Then the oldest last copy of an entry whose page is there; the gone entry's, older still, stays.
    QVERIFY(keep(QStringLiteral("d"), QStringLiteral("d1")).isKept());
    QCOMPARE(pagesOf(QStringLiteral("c")), QString());
    QCOMPARE(pagesOf(QStringLiteral("gone")), QStringLiteral("g1"));
    QVERIFY(keep(QStringLiteral("e"), QStringLiteral("e1")).isKept());
    QCOMPARE(pagesOf(QStringLiteral("a")), QString());
    QCOMPARE(pagesOf(QStringLiteral("gone")), QStringLiteral("g1"));
    QCOMPARE(pagesOf(QStringLiteral("d")), QStringLiteral("d1"));
    QCOMPARE(pagesOf(QStringLiteral("e")), QStringLiteral("e1"));
    QVERIFY(archive.storedBytes() <= limits.budgetBytes);
    QCOMPARE(copyFilesIn(folder()).size(), 3);
}

void tst_CopyStore::copiesOverBudgetFreesSharedFilesWithTheirLastRecord()
{
    auto record = [](qint64 id, const QString &address, const QString &hash, int minute) {
        CopyRecord r;
        r.id = id;
        r.address = address;
        r.contentHash = hash;
        r.storedSize = 100;
        r.seenAt = start.addSecs(60 * minute);
        r.takenAt = r.seenAt;
        return r;
    };
    // x is shown by a (its older copy) and by b (its only one): taking a's older record frees nothing.
    const QList<CopyRecord> all = {record(1, QStringLiteral("a"), QStringLiteral("x"), 1),
                                   record(2, QStringLiteral("b"), QStringLiteral("x"), 2),
                                   record(3, QStringLiteral("a"), QStringLiteral("y"), 3),
                                   record(4, QStringLiteral("c"), QStringLiteral("z"), 4)};
    QCOMPARE(CopyArchive::copiesOverBudget(all, {}, 300, 0), QList<qint64>());
    QCOMPARE(CopyArchive::copiesOverBudget(all, {}, 250, 0), (QList<qint64>{1, 2}));
    QCOMPARE(CopyArchive::copiesOverBudget(all, {QStringLiteral("b")}, 250, 0), (QList<qint64>{1, 3}));
    // The copy just kept is never the one to go.
    QCOMPARE(CopyArchive::copiesOverBudget(all, {QStringLiteral("b")}, 150, 3), (QList<qint64>{1, 4, 2}));
}

void tst_CopyStore::tooLargePagesAreRefusedWithAReason_data()
{
    QTest::addColumn<qint64>("largestPage");
    QTest::addColumn<qint64>("budget");
    QTest::addColumn<QString>("said");
    QTest::newRow("larger than a copy may be") << qint64(64 * 1024) << qint64(1024 * 1024)
                                               << "This page is not kept as a copy: saved, it takes 0.2 MiB, more than the 0.1 MiB a copy may take.";
    QTest::newRow("larger than all copies may be")
        << qint64(1024 * 1024) << qint64(100 * 1024)
        << "This page is not kept as a copy: it takes 0.2 MiB, more than all copies may take (0.1 MiB).";
}

void tst_CopyStore::tooLargePagesAreRefusedWithAReason()
{
    QFETCH(qint64, largestPage);
    QFETCH(qint64, budget);
    QFETCH(QString, said);
    CopyLimits limits;
    limits.largestPage = largestPage;
    limits.budgetBytes = budget;
    CopyArchive archive;
    QVERIFY(archive.open(folder(), memoryPath(), limits));
    QVERIFY(archive.keep(QStringLiteral("a"), PageCondition::Good, incompressible(QStringLiteral("small"), 10000), start).isKept());
    const KeepResult result = archive.keep(QStringLiteral("a"), PageCondition::Good,
                                           incompressible(QStringLiteral("big"), 200 * 1024), start.addSecs(60));
    QCOMPARE(outcomeName(result.outcome), QStringLiteral("toolarge"));
    QCOMPARE(result.message, said);
    // The copy there was stays the entry's copy, and nothing else was written.
    const CopyReading reading = archive.readNewest(QStringLiteral("a"));
    QVERIFY(reading.ok);
    QCOMPARE(reading.content.text, QStringLiteral("small"));
    QCOMPARE(QDir(folder()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

void tst_CopyStore::unreadableCopyFilesAreToldAndLeftAlone_data()
{
    QTest::addColumn<QString>("damage");
    QTest::newRow("removed") << "remove";
    QTest::newRow("replaced by garbage") << "garbage";
    QTest::newRow("cut short") << "cut";
    QTest::newRow("emptied") << "empty";
    QTest::newRow("one byte changed") << "flip";
    QTest::newRow("longer than written") << "append";
    QTest::newRow("a folder in its place") << "folder";
    QTest::newRow("a huge length in a header") << "length";
}

void tst_CopyStore::unreadableCopyFilesAreToldAndLeftAlone()
{
    QFETCH(QString, damage);
    CopyArchive archive;
    QVERIFY(archive.open(folder(), memoryPath()));
    const CopyContent content = contentOf(QStringLiteral("p"));
    const KeepResult result = archive.keep(QStringLiteral("a"), PageCondition::Good, content, start);
    QVERIFY(result.isKept());
    const QString path = archive.pathOf(result.contentHash);
    QByteArray bytes = TestFiles::read(path);
    const QList<CopyRecord> before = archive.copiesOf(QStringLiteral("a"));

    if (damage == QLatin1String("remove")) {
        QVERIFY(QFile::remove(path));
    } else if (damage == QLatin1String("folder")) {
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkpath(path));
    } else {
        if (damage == QLatin1String("garbage"))
            bytes = QByteArray(bytes.size(), 'x');
        else if (damage == QLatin1String("cut"))
            bytes.chop(bytes.size() / 3);
        else if (damage == QLatin1String("empty"))
            bytes.clear();
        else if (damage == QLatin1String("flip"))
            bytes[bytes.size() / 2] = char(bytes.at(bytes.size() / 2) ^ 0x20);
        else if (damage == QLatin1String("append"))
            bytes.append("more");
        else if (damage == QLatin1String("length"))
            bytes.replace(8 + 4, 8, QByteArray("\xff\xff\xff\xff\xff\xff\xff\x7f", 8));
        QVERIFY(TestFiles::write(path, bytes));
    }
    const CopyReading reading = archive.readNewest(QStringLiteral("a"));
    QVERIFY(!reading.ok);
    QCOMPARE(reading.problem, QStringLiteral("The saved copy of this page cannot be read"));
    QVERIFY(!reading.detail.isEmpty());
    QVERIFY(reading.content.mhtml.isEmpty());
    // The entry's records are as they were; reading never repairs or removes anything.
    const QList<CopyRecord> after = archive.copiesOf(QStringLiteral("a"));
    QCOMPARE(after.size(), before.size());
    QCOMPARE(after.first().contentHash, before.first().contentHash);
    QCOMPARE(after.first().seenAt, before.first().seenAt);
    // The same page seen good again writes a whole copy in place of the bad file.
    if (damage != QLatin1String("folder")) {
        QVERIFY(archive.keep(QStringLiteral("a"), PageCondition::Good, content, start.addSecs(60)).isKept());
        const CopyReading again = archive.readNewest(QStringLiteral("a"));
        QVERIFY2(again.ok, qPrintable(again.detail));
        QCOMPARE(again.content.mhtml, content.mhtml);
    }
}

void tst_CopyStore::killedWriteLeavesOldOrNewCopy_data()
{
    QTest::addColumn<QString>("mode");
    QTest::newRow("a copy file written over") << "file";
    QTest::newRow("an entry's pages kept on and on") << "keep";
}

void tst_CopyStore::killedWriteLeavesOldOrNewCopy()
{
    QFETCH(QString, mode);
    const QString helper = QStringLiteral(QUOKKA_HELPER_DIR "/copywriter");
    QVERIFY2(QFileInfo(helper).isExecutable(), qPrintable(helper + QStringLiteral(" is not built")));
    QVERIFY(QDir().mkpath(folder()));
    const QString target = folder() + QStringLiteral("/") + QString(64, QLatin1Char('e')) + QStringLiteral(".copy");
    const QStringList arguments = mode == QLatin1String("file") ? QStringList{mode, target}
                                                                : QStringList{mode, folder(), memoryPath()};
    auto *rng = QRandomGenerator::global();
    QSet<quint32> pagesSeen;
    int kills = 0;
    QElapsedTimer took;
    took.start();
    for (int round = 0; round < 40; ++round) {
        QProcess writer;
        writer.start(helper, arguments);
        QVERIFY2(writer.waitForStarted(10000), "the writer did not start");
        // A quarter of the kills come before the first copy is written, the rest while it writes on.
        if (round % 4 != 0) {
            QVERIFY2(writer.waitForReadyRead(60000), qPrintable(QString::fromLocal8Bit(writer.readAllStandardError())));
            QCOMPARE(writer.readAllStandardOutput().trimmed(), QByteArray("ready"));
        }
        QThread::msleep(rng->bounded(150));
        writer.kill(); // SIGKILL
        QVERIFY(writer.waitForFinished(10000));
        if (writer.exitStatus() != QProcess::CrashExit)
            QFAIL(qPrintable(QString::fromLocal8Bit(writer.readAllStandardError())));
        ++kills;

        if (mode == QLatin1String("file")) {
            if (!QFileInfo::exists(target))
                continue;
            const CopyReading reading = CopyFile::read(target);
            QVERIFY2(reading.ok, qPrintable(QStringLiteral("after kill %1: %2").arg(round).arg(reading.detail)));
            const quint32 n = reading.content.text.mid(5).toUInt();
            QVERIFY(n == 1 || n == 2);
            QCOMPARE(reading.content.mhtml, pageNumbered(n));
            pagesSeen.insert(n);
            continue;
        }
        // Every copy file there reads whole, and every record has its file.
        for (const QString &name : copyFilesIn(folder())) {
            const CopyReading reading = CopyFile::read(folder() + QLatin1Char('/') + name);
            QVERIFY2(reading.ok, qPrintable(QStringLiteral("after kill %1, %2: %3").arg(round).arg(name, reading.detail)));
        }
        CopyArchive archive;
        QVERIFY2(archive.open(folder(), memoryPath()), qPrintable(archive.problem()));
        const QList<CopyRecord> copies = archive.copiesOf(QStringLiteral("https://example.org/kept"));
        QVERIFY(copies.size() <= 3);
        for (const CopyRecord &record : copies) {
            const CopyReading reading = archive.read(record);
            QVERIFY2(reading.ok, qPrintable(QStringLiteral("after kill %1: %2").arg(round).arg(reading.detail)));
            const quint32 n = reading.content.text.mid(5).toUInt();
            QCOMPARE(reading.content.mhtml, pageNumbered(n));
            pagesSeen.insert(n);
        }
    }
    qInfo("%d kills in %lld ms; %lld distinct pages found whole", kills, qint64(took.elapsed()), qint64(pagesSeen.size()));
    // The kills did fall among writes of different copies.
    QVERIFY(pagesSeen.size() >= 2);
}

void tst_CopyStore::storeAnswersOnItsOwnThreadAndFinishesOnClose()
{
    QThread *const gui = QThread::currentThread();
    QString hash;
    {
        CopyStore store;
        bool opened = false;
        QList<KeepResult> results;
        QThread *answeredOn = nullptr;
        connect(&store, &CopyStore::opened, this, [&](bool ok, const QString &problem) {
            QVERIFY2(ok, qPrintable(problem));
            opened = true;
        });
        connect(&store, &CopyStore::kept, this, [&](const QString &address, const KeepResult &result) {
            QCOMPARE(address, QStringLiteral("https://example.org/a"));
            answeredOn = QThread::currentThread();
            results.append(result);
        });
        store.open(folder(), memoryPath());
        store.keep(QStringLiteral("https://example.org/a"), PageCondition::Good, contentOf(QStringLiteral("p")), start);
        store.keep(QStringLiteral("https://example.org/a"), PageCondition::NotGood, contentOf(QStringLiteral("q")),
                   start.addSecs(60));
        QTRY_COMPARE_WITH_TIMEOUT(results.size(), 2, 60000);
        QVERIFY(opened);
        QCOMPARE(answeredOn, gui);
        QCOMPARE(outcomeName(results.at(0).outcome), QStringLiteral("kept"));
        QCOMPARE(outcomeName(results.at(1).outcome), QStringLiteral("notgood"));

        CopyReading read;
        CopyRecord readRecord;
        connect(&store, &CopyStore::copyRead, this, [&](const QString &, const CopyRecord &record, const CopyReading &reading) {
            readRecord = record;
            read = reading;
        });
        store.readNewest(QStringLiteral("https://example.org/a"));
        QTRY_VERIFY_WITH_TIMEOUT(readRecord.id != 0, 60000);
        QVERIFY(read.ok);
        QCOMPARE(read.content.text, QStringLiteral("Text of p"));
        hash = readRecord.contentHash;
        // Closed straight after asking: the copy asked for is written whole before the store ends.
        store.keep(QStringLiteral("https://example.org/b"), PageCondition::Good, contentOf(QStringLiteral("r")), start);
    }
    CopyArchive archive;
    QVERIFY(archive.open(folder(), memoryPath()));
    const CopyReading b = archive.readNewest(QStringLiteral("https://example.org/b"));
    QVERIFY2(b.ok, qPrintable(b.detail));
    QCOMPARE(b.content.text, QStringLiteral("Text of r"));
    QCOMPARE(archive.copiesOf(QStringLiteral("https://example.org/a")).first().contentHash, hash);
}

QTEST_GUILESS_MAIN(tst_CopyStore)
#include "tst_copystore.moc"
