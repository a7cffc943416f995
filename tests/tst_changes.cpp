// What changed since the last look: the line diff and its unified form (applied by patch(1)), the
// noise rules over real page kinds and five looks each (every true change found, no false change),
// what is noise from the first comparison on (tokens, visit counters, teasers),
// the host's shared lines, "Count this part again", texts stored once and compressed, the looks kept
// per entry, and the service's worker thread.
#include "changes/changearchive.h"
#include "changes/changestore.h"
#include "fakes/changingpages.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(LookRecord::Kind)

namespace {

QDateTime at(int hour, int minute = 0, int day = 10)
{
    return QDateTime(QDate(2026, 12, day), QTime(hour, minute), Qt::UTC);
}

QStringList changedTexts(const ChangeReport &report)
{
    QStringList out;
    for (const DiffLine &l : report.lines)
        if (l.kind != DiffLine::Kind::Same && l.noisePart.isEmpty())
            out << (l.kind == DiffLine::Kind::Added ? QStringLiteral("+") : QStringLiteral("-")) + l.text;
    return out;
}

} // namespace

class TestChanges : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_memoryPath = m_dir.filePath(QStringLiteral("memory-%1.sqlite").arg(++m_count));
    }

    void diffAppliesWithPatch_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        const QStringList base = {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l", "m"};
        QTest::newRow("one line changed") << base << QStringList{"a", "b", "c", "d", "E", "f", "g", "h", "i", "j", "k", "l", "m"};
        QTest::newRow("added at the top") << base << (QStringList{"new"} + base);
        QTest::newRow("removed at the end") << base << base.mid(0, 11);
        QTest::newRow("two places far apart") << base << QStringList{"A", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l", "M", "n"};
        QTest::newRow("all new") << QStringList{"x", "y"} << QStringList{"p", "q", "r"};
        QTest::newRow("from nothing") << QStringList{} << QStringList{"first"};
    }
    void diffAppliesWithPatch()
    {
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        ChangeInput input;
        input.compared.lines = before;
        input.now.lines = after;
        const ChangeReport report = compareLooks(input);
        QVERIFY(report.changedLines > 0);
        const QString diff = unifiedDiff(report, QStringLiteral("page (before)"), QStringLiteral("page (now)"));
        QVERIFY(diff.startsWith(QStringLiteral("--- page (before)\n+++ page (now)\n@@ ")));
        // patch(1) reads the diff as any other: applied to the text before, it gives the text now.
        const QString file = m_dir.filePath(QStringLiteral("page.txt"));
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(before.isEmpty() ? QByteArray() : (before.join('\n') + '\n').toUtf8());
        out.close();
        QProcess patch;
        patch.start(QStringLiteral("patch"), {QStringLiteral("-s"), QStringLiteral("-f"), file});
        QVERIFY(patch.waitForStarted());
        patch.write(diff.toUtf8());
        patch.closeWriteChannel();
        QVERIFY(patch.waitForFinished(30000));
        QVERIFY2(patch.exitCode() == 0, qPrintable(patch.readAllStandardOutput() + patch.readAllStandardError() + diff));
        QFile in(file);
        QVERIFY(in.open(QIODevice::ReadOnly));
        QCOMPARE(readableLines(QString::fromUtf8(in.readAll())), after);
    }

    void clockMoves_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QDateTime>("beforeAt");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QDateTime>("afterAt");
        QTest::addColumn<bool>("moves");
        QTest::newRow("clock turned") << "Updated 09:58" << at(10) << "Updated 13:28" << at(13, 30) << true;
        QTest::newRow("12-hour clock") << "Last refreshed 9:58 am" << at(10) << "Last refreshed 1:28 pm" << at(13, 30) << true;
        QTest::newRow("a departure moved") << "Next train to Bern: 14:05" << at(10) << "Next train to Bern: 14:35" << at(13, 30) << false;
        QTest::newRow("date with the day") << "Today is Thursday, 10 December 2026" << at(10) << "Today is Friday, 11 December 2026" << at(9, 0, 11) << true;
        QTest::newRow("date a week off") << "Offer ends 10 December 2026" << at(10) << "Offer ends 17 December 2026" << at(9, 0, 11) << false;
        QTest::newRow("ISO time stamp") << "Generated 2026-12-10T10:00:00Z" << at(10) << "Generated 2026-12-10T12:00:05Z" << at(12) << true;
        QTest::newRow("story ages") << "posted 3 hours ago" << at(10) << "posted 5 hours ago" << at(12) << true;
        QTest::newRow("story aged wrong") << "posted 3 hours ago" << at(10) << "posted 9 hours ago" << at(11) << false;
        QTest::newRow("a price is no clock") << "Price: €19.99" << at(10) << "Price: €17.49" << at(12) << false;
        QTest::newRow("other words too") << "Updated 09:58 by Ann" << at(10) << "Updated 13:28 by Bob" << at(13, 30) << false;
        QTest::newRow("the same line") << "Updated 09:58" << at(10) << "Updated 09:58" << at(13, 30) << false;
    }
    void clockMoves()
    {
        QFETCH(QString, before);
        QFETCH(QDateTime, beforeAt);
        QFETCH(QString, after);
        QFETCH(QDateTime, afterAt);
        QFETCH(bool, moves);
        QCOMPARE(movesWithClock(before, beforeAt, after, afterAt), moves);
    }

    void lineShapes_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("sameShape");
        QTest::newRow("counter") << "You are visitor number 12345" << "You are visitor number 12391" << true;
        QTest::newRow("token") << "Session id: 8f3a9c0d11e24b5f9a7c6d5e4f3a2b1c" << "Session id: 0b1c2d3e4f5a6b7c8d9e0f1a2b3c4d5e" << true;
        QTest::newRow("words") << "Dues are paid in January" << "Dues are paid in March" << false;
        QTest::newRow("a long word is no token") << "internationalisation matters" << "internationalization matters" << false;
    }
    void lineShapes()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, sameShape);
        QCOMPARE(lineShape(a) == lineShape(b), sameShape);
    }

    // The first comparison of a page, with nothing learned yet: what a person never reads (a random
    // token, a visit counter rising, teasers taking turns) is noise, what they read (a price, a
    // departure, a paragraph, a count of something else, a counter that fell) is a change.
    void firstComparisonNoise_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QString>("noisePart"); // the kind of part the change is put in; "" : it counts
        const QStringList top = {"Club", "Members' corner"}, end = {"Webmaster: ann@club.example"};
        auto page = [&](const QStringList &middle) { return top + middle + end; };
        QTest::newRow("hex session id") << page({"Session id: 8f3a9c0d11e24b5f9a7c6d5e4f3a2b1c"})
                                        << page({"Session id: 0b1c2d3e4f5a6b7c8d9e0f1a2b3c4d5e"}) << "token:";
        QTest::newRow("UUID") << page({"Request 3f2c8a1e-9b7d-4e21-a0c3-5d6e7f8a9b0c served"})
                              << page({"Request 7a1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d served"}) << "token:";
        QTest::newRow("base64 with padding") << page({"csrf: dGhpcyBpcyBub3QgYSB3b3Jk=="}) << page({"csrf: Q2hhbmdlZCBhdCBldmVyeSBsb29r=="}) << "token:";
        QTest::newRow("base64, letters alone") << page({"nonce ujzPdeIgxLdGncfBAepfJB"}) << page({"nonce dKhoOOLdKLzdocJisAjIhK"}) << "token:";
        QTest::newRow("a code name is no token") << page({"Build: release2026candidate"}) << page({"Build: release2027candidate"}) << "";
        QTest::newRow("a name in camel case is no token") << page({"Class HttpRequestFactoryBuilder"}) << page({"Class HttpResponseFactoryBuilder"}) << "";
        QTest::newRow("token and words") << page({"Session 8f3a9c0d11e24b5f9a7c6d5e4f3a2b1c open"})
                                         << page({"Session 0b1c2d3e4f5a6b7c8d9e0f1a2b3c4d5e closed"}) << "";
        QTest::newRow("visitor counter") << page({"You are visitor number 12345"}) << page({"You are visitor number 12391"}) << "counter:";
        QTest::newRow("views, grouped") << page({"This product was viewed 9,987 times"}) << page({"This product was viewed 10,412 times"}) << "counter:";
        QTest::newRow("people online") << page({"132 guests online"}) << page({"140 guests online"}) << "counter:";
        QTest::newRow("a counter that fell") << page({"Page views: 4,210"}) << page({"Page views: 3,977"}) << "";
        QTest::newRow("a price that rose") << page({"Price: €19.99"}) << page({"Price: €21.49"}) << "";
        QTest::newRow("a price written €1.299,00") << page({"Only €1.299,00 (viewed by many)"}) << page({"Only €1.399,00 (viewed by many)"}) << "";
        QTest::newRow("a time beside the visits") << page({"Visits since 08:00: 120"}) << page({"Visits since 09:00: 120"}) << "";
        QTest::newRow("a count of something else") << page({"Seats left: 12"}) << page({"Seats left: 14"}) << "";
        QTest::newRow("a team's games are no visits") << page({"Games played: 12"}) << page({"Games played: 13"}) << "";
        QTest::newRow("two numbers rose") << page({"Views 120, downloads 30"}) << page({"Views 130, downloads 31"}) << "";
        QTest::newRow("teasers under their heading") << page({"Most read", "Ten recipes for winter", "Why trams run late"})
                                                     << page({"Most read", "A guide to the markets", "Five films to watch"}) << "teasers:";
        QTest::newRow("the rail's third teaser alone") << page({"You may also like", "Toaster T2", "Teapot, 1.2 l", "Milk frother MF 2"})
                                                       << page({"You may also like", "Toaster T2", "Teapot, 1.2 l", "Knock box KB 1"}) << "teasers:";
        QTest::newRow("a line far under a teaser heading") << page({"Most read", "a", "b", "c", "d", "e", "f", "g", "Opening hours: 9 to 5"})
                                                           << page({"Most read", "a", "b", "c", "d", "e", "f", "g", "Closed until Monday"}) << "";
        QTest::newRow("a teaser more is a change") << page({"Most read", "Ten recipes for winter"})
                                                   << page({"Most read", "Ten recipes for winter", "Storm warning for the coast"}) << "";
        QTest::newRow("an edit under a teaser heading") << page({"Featured", "Release 2.0 ships on Monday"})
                                                        << page({"Featured", "Release 2.0 ships on Friday"}) << "";
        QTest::newRow("a paragraph replaced elsewhere") << page({"Installing", "Run make, then make install."})
                                                        << page({"Installing", "Use the package from your distribution."}) << "";
    }
    void firstComparisonNoise()
    {
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        QFETCH(QString, noisePart);
        ChangeInput input;
        input.compared = {before, at(9)};
        input.now = {after, at(14)};
        input.looks = {input.compared, input.now};
        ChangeReport report = compareLooks(input);
        const QString where = changedTexts(report).join(" | ");
        if (noisePart.isEmpty()) {
            QVERIFY2(report.changedLines > 0, qPrintable(where));
            return;
        }
        QVERIFY2(report.changedLines == 0, qPrintable(where));
        QVERIFY(!report.noise.isEmpty());
        for (const NoisePart &part : std::as_const(report.noise))
            QVERIFY2(part.part.startsWith(noisePart), qPrintable(part.part));
        // The part taken back counts again.
        input.countedAgain = {report.noise.first().part};
        report = compareLooks(input);
        QVERIFY(report.changedLines > 0);
    }

    // A line that the page showed at an earlier look and that comes back took a turn; a price that
    // comes back to what it was did not.
    void linesComingBack()
    {
        const QStringList teaserA = {"Shop", "Ten recipes for winter", "Footer"}, teaserB = {"Shop", "A guide to the markets", "Footer"};
        // A look between that did not change: nothing here changed at every look.
        ChangeInput input;
        input.looks = {{teaserA, at(7)}, {teaserB, at(8)}, {teaserB, at(9)}};
        input.compared = input.looks.last();
        input.now = {teaserA, at(10)};
        input.looks.append(input.now);
        ChangeReport report = compareLooks(input);
        QCOMPARE(report.changedLines, 0);
        QVERIFY(report.noise.value(0).part.startsWith("teasers:"));
        // Without the earliest look the same change counts.
        input.looks.removeFirst();
        QCOMPARE(compareLooks(input).changedLines, 1);
        const QStringList priceA = {"Kettle", "Price: €19.99", "Footer"}, priceB = {"Kettle", "Price: €17.49", "Footer"};
        input.looks = {{priceA, at(7)}, {priceB, at(8)}, {priceB, at(9)}};
        input.compared = input.looks.last();
        input.now = {priceA, at(10)};
        input.looks.append(input.now);
        QCOMPARE(compareLooks(input).changedLines, 1);
    }

    // Five looks of each kind of page, recorded as checks in the page memory, each look compared with
    // the one before: every true change is found, and nothing else is called a change, from the first
    // comparison on.
    void realPagesOverFiveLooks_data()
    {
        QTest::addColumn<int>("variant");
        for (int v = 0; v < 20; ++v)
            QTest::addRow("variant %d", v) << v;
    }
    void realPagesOverFiveLooks()
    {
        QFETCH(int, variant);
        ChangeArchive archive;
        QVERIFY2(archive.open(m_memoryPath), qPrintable(archive.problem()));
        for (const ChangingPage &page : changingPages(variant)) {
            for (int i = 0; i < page.texts.size(); ++i) {
                QVERIFY(archive.recordLook(page.otherAddress, LookRecord::Kind::Check, page.otherTexts[i], page.times[i].addSecs(-30)).ok);
                QVERIFY(archive.recordLook(page.address, LookRecord::Kind::Check, page.texts[i], page.times[i]).ok);
                const ChangeAnswer answer = archive.changedSinceLastLook(page.address);
                QVERIFY2(answer.problem.isEmpty(), qPrintable(answer.problem));
                if (i == 0) {
                    QVERIFY(!answer.comparedWith);
                    continue;
                }
                const QString where = QStringLiteral("%1, look %2: %3").arg(page.kind).arg(i).arg(changedTexts(answer.report).join(" | "));
                QVERIFY2(answer.comparedWith && answer.comparedWith->seenAt == page.times[i - 1], qPrintable(where));
                if (page.changed[i])
                    QVERIFY2(answer.changed(), qPrintable(where));
                else
                    QVERIFY2(!answer.changed(), qPrintable(where));
            }
        }
    }

    void sharedLinesDoNotCount()
    {
        ChangeArchive archive;
        QVERIFY(archive.open(m_memoryPath));
        const QString menu = "Home\nProducts\nAbout\n", menuGrown = "Home\nProducts\nSale\nAbout\n";
        QVERIFY(archive.recordLook("https://a.example/one", LookRecord::Kind::Person, menu + "One's text\n", at(9)).ok);
        QVERIFY(archive.recordLook("https://a.example/two", LookRecord::Kind::Check, menuGrown + "Two's text\n", at(10)).ok);
        QVERIFY(archive.recordLook("https://a.example/one", LookRecord::Kind::Check, menuGrown + "One's text\n", at(11)).ok);
        ChangeAnswer answer = archive.changedSinceLastLook("https://a.example/one");
        QCOMPARE(answer.changedLines, 0);
        QCOMPARE(answer.report.noiseLines, 1);
        QCOMPARE(answer.report.noise.value(0).lines, QStringList{"Sale"});
        // Another host's page with the same menu says nothing of this host's.
        QVERIFY(archive.recordLook("https://b.example/one", LookRecord::Kind::Person, menu + "B\n", at(9)).ok);
        QVERIFY(archive.recordLook("https://b.example/one", LookRecord::Kind::Check, menuGrown + "B\n", at(11)).ok);
        QCOMPARE(archive.changedSinceLastLook("https://b.example/one").changedLines, 1);
        // The same page under a second address shares everything with it: that is no menu.
        QVERIFY(archive.recordLook("https://c.example/", LookRecord::Kind::Person, "Price 10\n", at(9)).ok);
        QVERIFY(archive.recordLook("https://c.example/index.html", LookRecord::Kind::Check, "Price 12\n", at(10)).ok);
        QVERIFY(archive.recordLook("https://c.example/", LookRecord::Kind::Check, "Price 12\n", at(11)).ok);
        QCOMPARE(archive.changedSinceLastLook("https://c.example/").changedLines, 1);
    }

    // A rail of teasers on every page of a site takes turns on all of them at once: what another page
    // showed at its look before and shows now is the site's.
    void railSharedWithTheSiteTakesTurns()
    {
        ChangeArchive archive;
        QVERIFY(archive.open(m_memoryPath));
        const QString one = "https://paper.example/one", two = "https://paper.example/two";
        QVERIFY(archive.recordLook(two, LookRecord::Kind::Check, "Two's story\nTen recipes for winter\n", at(8, 59)).ok);
        QVERIFY(archive.recordLook(one, LookRecord::Kind::Check, "One's story\nTen recipes for winter\nEnd\n", at(9)).ok);
        QVERIFY(archive.recordLook(two, LookRecord::Kind::Check, "Two's story\nWhy trams run late\n", at(13, 59)).ok);
        QVERIFY(archive.recordLook(one, LookRecord::Kind::Check, "One's story\nWhy trams run late\nEnd\n", at(14)).ok);
        ChangeAnswer answer = archive.changedSinceLastLook(one);
        QCOMPARE(answer.changedLines, 0);
        QVERIFY(answer.report.noise.value(0).part.startsWith("shared:"));
        // A line coming on this page alone, the other page keeping what both showed, counts.
        const QString three = "https://gazette.example/one", four = "https://gazette.example/two";
        QVERIFY(archive.recordLook(four, LookRecord::Kind::Check, "Four's story\nTen recipes for winter\n", at(8, 59)).ok);
        QVERIFY(archive.recordLook(three, LookRecord::Kind::Check, "Three's story\nTen recipes for winter\nEnd\n", at(9)).ok);
        QVERIFY(archive.recordLook(four, LookRecord::Kind::Check, "Four's story, longer\nTen recipes for winter\n", at(13, 59)).ok);
        QVERIFY(archive.recordLook(three, LookRecord::Kind::Check, "Three's story\nWhy trams run late\nEnd\n", at(14)).ok);
        QCOMPARE(archive.changedSinceLastLook(three).changedLines, 1);
    }

    void countThisPartAgain()
    {
        ChangeArchive archive;
        QVERIFY(archive.open(m_memoryPath));
        const QString entry = "https://club.example/";
        for (int i = 0; i < 3; ++i)
            QVERIFY(archive.recordLook(entry, LookRecord::Kind::Check, QStringLiteral("Club\nVisitors: %1\nEnd\n").arg(100 + i * 7), at(9 + i)).ok);
        ChangeAnswer answer = archive.changedSinceLastLook(entry);
        QCOMPARE(answer.changedLines, 0);
        QCOMPARE(answer.report.noise.size(), 1);
        const QString part = answer.report.noise.first().part;
        QCOMPARE(answer.report.noise.first().lines, QStringList{"Visitors: 114"});
        QVERIFY(archive.countPartAgain(entry, part));
        answer = archive.changedSinceLastLook(entry);
        QCOMPARE(answer.changedLines, 1);
        // Only for this entry.
        const QString other = "https://club.example/news";
        for (int i = 0; i < 3; ++i)
            QVERIFY(archive.recordLook(other, LookRecord::Kind::Check, QStringLiteral("News\nVisitors: %1\n").arg(100 + i * 7), at(9 + i)).ok);
        QCOMPARE(archive.changedSinceLastLook(other).changedLines, 0);
    }

    void personsLastLookIsComparedWith()
    {
        ChangeArchive archive;
        QVERIFY(archive.open(m_memoryPath));
        const QString entry = "https://shop.example/kettle";
        QVERIFY(archive.recordLook(entry, LookRecord::Kind::Person, "Kettle\nPrice: 20\n", at(9)).ok);
        QVERIFY(archive.recordLook(entry, LookRecord::Kind::Check, "Kettle\nPrice: 18\n", at(10)).ok);
        QVERIFY(archive.recordLook(entry, LookRecord::Kind::Play, "Kettle\nPrice: 18\n", at(11)).ok);
        ChangeAnswer answer = archive.changedSinceLastLook(entry);
        QVERIFY(answer.comparedWith);
        QCOMPARE(answer.comparedWith->kind, LookRecord::Kind::Person);
        QCOMPARE(answer.comparedWith->seenAt, at(9));
        QCOMPARE(answer.changedLines, 1);
        // The person opens it: nothing changed since.
        QVERIFY(archive.recordLook(entry, LookRecord::Kind::Person, "Kettle\nPrice: 18\n", at(12)).ok);
        answer = archive.changedSinceLastLook(entry);
        QCOMPARE(answer.changedLines, 0);
        QCOMPARE(answer.comparedWith->seenAt, at(12));
        // Asked what changed just after opening it, the person is told what changed since their look before.
        answer = archive.changedSinceLastLook(entry, true);
        QCOMPARE(answer.comparedWith->seenAt, at(9));
        QCOMPARE(answer.now->seenAt, at(12));
        QCOMPARE(answer.changedLines, 1);
    }

    void textsStoredOnceAndCompressed()
    {
        ChangeArchive archive;
        QVERIFY(archive.open(m_memoryPath));
        QString text;
        for (int i = 0; i < 2000; ++i)
            text += QStringLiteral("Paragraph %1 of a long page that people read, again and again.\n").arg(i % 50);
        const LookRecorded first = archive.recordLook("https://a.example/", LookRecord::Kind::Check, text, at(9));
        QVERIFY2(first.ok, qPrintable(first.problem));
        QVERIFY2(first.storedBytes > 0 && first.storedBytes < text.toUtf8().size() / 5, qPrintable(QString::number(first.storedBytes)));
        QCOMPARE(archive.recordLook("https://b.example/", LookRecord::Kind::Check, text, at(10)).storedBytes, 0);
        QCOMPARE(archive.memory().lookTextCount(), 1);
        QCOMPARE(archive.textOf(first.look), std::optional<QString>(text));
        // Bytes that are not zstd are never taken for a text.
        QVERIFY(!ChangeArchive::unpack(QByteArray("not a frame at all")));
        QVERIFY(!ChangeArchive::unpack(ChangeArchive::pack(text).left(40)));
    }

    void looksKeptPerEntry()
    {
        ChangeArchive archive;
        QVERIFY(archive.open(m_memoryPath));
        const QString entry = "https://a.example/";
        QVERIFY(archive.recordLook(entry, LookRecord::Kind::Person, "the person's look\n", at(1)).ok);
        for (int i = 0; i < PageMemory::looksPerAddress + 5; ++i)
            QVERIFY(archive.recordLook(entry, LookRecord::Kind::Check, QStringLiteral("look %1\n").arg(i), at(2, i)).ok);
        const QList<LookRecord> looks = archive.looksOf(entry);
        QCOMPARE(looks.size(), PageMemory::looksPerAddress + 1);
        QCOMPARE(looks.first().kind, LookRecord::Kind::Person); // never trimmed away
        QCOMPARE(archive.textOf(looks.first()), std::optional<QString>("the person's look\n"));
        // The texts of looks that went went with them.
        QCOMPARE(archive.memory().lookTextCount(), PageMemory::looksPerAddress + 1);
    }

    void looksKeepWithinTheirBudget()
    {
        ChangeArchive archive;
        QVERIFY(archive.open(m_memoryPath));
        // Texts that do not compress, so that each takes its size.
        auto noise = [](int seed) {
            QString text;
            QRandomGenerator rng{quint32(seed)};
            for (int i = 0; i < 2000; ++i)
                text += QChar(0x4e00 + int(rng.bounded(20000)));
            return text;
        };
        for (int entry = 0; entry < 4; ++entry) {
            const QString address = QStringLiteral("https://a.example/%1").arg(entry);
            QVERIFY(archive.recordLook(address, LookRecord::Kind::Person, noise(entry * 100), at(1, entry)).ok);
            for (int look = 1; look < 4; ++look)
                QVERIFY(archive.recordLook(address, LookRecord::Kind::Check, noise(entry * 100 + look), at(2 + look, entry)).ok);
        }
        PageMemory &memory = archive.memory();
        const qint64 all = memory.lookTextBytes();
        QVERIFY(all > 16 * 3000);
        // A third of it: the checks' looks go, oldest first, and every person's last look stays.
        QVERIFY(memory.trimLooks(all / 3));
        QVERIFY(memory.lookTextBytes() <= all / 3);
        for (int entry = 0; entry < 4; ++entry) {
            const QList<LookRecord> looks = archive.looksOf(QStringLiteral("https://a.example/%1").arg(entry));
            QVERIFY(!looks.isEmpty());
            QCOMPARE(looks.first().kind, LookRecord::Kind::Person);
            QVERIFY(archive.textOf(looks.first()).has_value());
        }
        // Below what the person's own looks take, those go too, oldest first.
        QVERIFY(memory.trimLooks(all / 8));
        QVERIFY(memory.lookTextBytes() <= all / 8);
        QVERIFY(archive.looksOf(QStringLiteral("https://a.example/0")).isEmpty());
        QVERIFY(!archive.looksOf(QStringLiteral("https://a.example/3")).isEmpty());
    }

    void storeAnswersFromItsThread()
    {
        ChangeStore store;
        QSignalSpy opened(&store, &ChangeStore::opened);
        QSignalSpy answered(&store, &ChangeStore::changeAnswered);
        QSignalSpy compared(&store, &ChangeStore::compared);
        store.open(m_memoryPath);
        QVERIFY(opened.wait(30000));
        QVERIFY(opened.first().at(0).toBool());
        store.recordLook("https://a.example/", LookRecord::Kind::Person, "Title\nOld line\n", at(9));
        store.recordLook("https://a.example/", LookRecord::Kind::Check, "Title\nNew line\nMore\n", at(10));
        QTRY_COMPARE_WITH_TIMEOUT(answered.size(), 2, 30000);
        const auto answer = answered.last().at(0).value<ChangeAnswer>();
        QCOMPARE(answer.entry, QStringLiteral("https://a.example/"));
        QCOMPARE(answer.changedLines, 2);
        store.compare("https://a.example/", 0);
        QVERIFY(compared.wait(30000));
        QCOMPARE(compared.first().at(1).toString(), QStringLiteral("Title\nOld line\n"));
        QCOMPARE(compared.first().at(2).toString(), QStringLiteral("Title\nNew line\nMore\n"));
    }

private:
    QTemporaryDir m_dir;
    QString m_memoryPath;
    int m_count = 0;
};

QTEST_GUILESS_MAIN(TestChanges)
#include "tst_changes.moc"
