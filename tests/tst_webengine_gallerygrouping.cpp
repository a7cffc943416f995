// The gallery's grouping against pages the engine renders: parked pages of several sale services,
// servers' default pages, sign-in walls, errors and distinct live sites of one design; and the
// engine's page copier, whose pictures Take Pictures keeps, taking the picture of each page it loads.
#include "fakes/galleryanswerset.h"
#include "fakes/webenginetest.h"
#include "fakes/loopbackserver.h"
#include "gallery/gallerygrouping.h"
#include "platform/enginepageprobe.h"
#include "platform/webbrowser.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTest>

class GalleryGroupingTest final : public QObject {
    Q_OBJECT

private:
    QList<AnswerPage> m_pages;

    QList<GroupingFacts> factsOf(bool pictures, bool fingerprints) const
    {
        QList<GroupingFacts> facts;
        for (const AnswerPage &page : m_pages) {
            CheckResult result = page.result;
            if (!fingerprints)
                result.fingerprint = 0;
            facts.append(groupingFacts(page.entry, result, pictures ? pictureHash(page.thumbnail) : PictureHash{}, true));
        }
        return facts;
    }

private slots:
    void initTestCase()
    {
        m_pages = renderAnswerSet();
        QVERIFY2(!m_pages.isEmpty(), "the engine rendered no page");
    }

    void answerSet_data()
    {
        QTest::addColumn<bool>("pictures");
        QTest::addColumn<bool>("fingerprints");
        QTest::addColumn<int>("mostLeftApart");
        // With both, every kind of stand-in page is one tile; without fingerprints the pictures
        // alone gather them; without pictures the texts do, but no two pages are ever mixed.
        QTest::newRow("pictures and fingerprints") << true << true << 0;
        QTest::newRow("pictures only") << true << false << 2;
        // Parked pages name their own domain, so their texts differ: only their pictures gather them.
        QTest::newRow("fingerprints only") << false << true << 9;
    }
    void answerSet()
    {
        QFETCH(bool, pictures);
        QFETCH(bool, fingerprints);
        QFETCH(int, mostLeftApart);
        const QList<QList<int>> groups = groupAlike(factsOf(pictures, fingerprints));
        const AnswerScore score = scoreGroups(m_pages, groups);
        qInfo("%d entries in %d groups: %d mixed, %d alike left apart", score.entries, score.groups, score.mixedGroups, score.leftApart);
        QVERIFY2(score.mixedGroups == 0, qPrintable(score.mixes.join(QStringLiteral("; "))));
        QVERIFY2(score.leftApart <= mostLeftApart, qPrintable(QString::number(score.leftApart)));
    }

    void liveSitesOfOneDesignLookAlikeYetStayApart()
    {
        // The blogs of one theme are closer in picture than two kinds of parked page: the grouping
        // keeps them apart by what they say, not by how they look.
        QList<int> blogs;
        for (int i = 0; i < m_pages.size(); ++i)
            if (m_pages[i].answer.startsWith(QLatin1String("blog ")) && m_pages[i].entry.startsWith(QLatin1String("https")))
                blogs.append(i);
        QVERIFY(blogs.size() >= 4);
        int nearest = pictureHashBits;
        for (int a : blogs)
            for (int b : blogs)
                if (a != b)
                    nearest = qMin(nearest, pictureDistance(pictureHash(m_pages[a].thumbnail), pictureHash(m_pages[b].thumbnail)));
        qInfo("nearest two different blogs: %d bits apart", nearest);
        QVERIFY2(nearest <= alikePictureDistance, "the blogs' pictures are not alike: the set does not test what it should");
        const QList<GroupingFacts> facts = factsOf(true, true);
        for (int a : blogs)
            for (int b : blogs)
                if (a != b)
                    QVERIFY2(!pagesAlike(facts[a], facts[b]), qPrintable(m_pages[a].entry + QStringLiteral(" ~ ") + m_pages[b].entry));
    }

    void theCopierPicturesEachPageItLoads_data()
    {
        QTest::addColumn<bool>("onADisplay");
        QTest::newRow("offscreen") << false;
        // Where the person's desktop is: the engine paints a loaded page some frames later there.
        QTest::newRow("on a display (Xvfb)") << true;
    }
    void theCopierPicturesEachPageItLoads()
    {
        QFETCH(bool, onADisplay);
        // Pages of one colour each, loaded one after the other by one copier: each copy's picture
        // is of its own page, never of the page loaded before it.
        LoopbackServer server;
        const QList<QColor> colours{QColor(200, 30, 30), QColor(30, 160, 30), QColor(30, 30, 200), QColor(200, 30, 30)};
        QStringList addresses;
        for (int i = 0; i < colours.size(); ++i) {
            server.setPage(QStringLiteral("/c%1").arg(i), "text/html",
                           QStringLiteral("<html><body style='margin:0;background:%1'><h1>page %2</h1></body></html>")
                               .arg(colours[i].name())
                               .arg(i)
                               .toUtf8());
            addresses.append(server.url(QStringLiteral("/c%1").arg(i)).toString());
        }
        QList<QColor> seen;
        if (onADisplay) {
            const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
            if (xvfb.isEmpty())
                QSKIP("xvfb-run is not installed");
            QProcess helper;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
            helper.setProcessEnvironment(environment);
            helper.start(xvfb, QStringList{QStringLiteral("-a"), QStringLiteral(QUOKKA_HELPER_DIR "/webengine_copypictures")} + addresses);
            // The server answers in this process: the event loop runs while the helper works.
            QVERIFY(QTest::qWaitFor([&] { return helper.state() == QProcess::NotRunning; }, 180000));
            for (const QByteArray &line : helper.readAllStandardOutput().split('\n')) {
                const QList<QByteArray> parts = line.split(' ');
                if (parts.value(0) == "ok" && parts.size() == 4)
                    seen.append(QColor(parts[1].toInt(), parts[2].toInt(), parts[3].toInt()));
                else if (!line.isEmpty())
                    QFAIL(line.constData());
            }
        } else {
            EnginePageCopier copier;
            QList<PageCopy> copies;
            for (const QString &address : addresses)
                copier.copy(QUrl(address), 30000, [&copies](const PageCopy &copy) { copies.append(copy); });
            QVERIFY(QTest::qWaitFor([&] { return copies.size() == colours.size(); }, 120000));
            for (const PageCopy &copy : copies) {
                QVERIFY2(copy.ok, qPrintable(copy.problem));
                const QImage picture = QImage::fromData(copy.thumbnailPng, "PNG");
                QVERIFY(!picture.isNull());
                seen.append(picture.pixelColor(picture.width() / 2, picture.height() - 5));
            }
        }
        QCOMPARE(seen.size(), colours.size());
        for (int i = 0; i < colours.size(); ++i)
            QVERIFY2(qAbs(seen[i].red() - colours[i].red()) < 40 && qAbs(seen[i].green() - colours[i].green()) < 40
                         && qAbs(seen[i].blue() - colours[i].blue()) < 40,
                     qPrintable(QStringLiteral("copy %1 shows %2").arg(i).arg(seen[i].name())));
    }

    void pictureDistancesOfTheSet()
    {
        // Within an answer and between answers of one kind: the margin the threshold is chosen in.
        int farthestSame = 0;
        int nearestOther = pictureHashBits;
        QString nearestPair;
        for (int a = 0; a < m_pages.size(); ++a) {
            for (int b = a + 1; b < m_pages.size(); ++b) {
                const int d = pictureDistance(pictureHash(m_pages[a].thumbnail), pictureHash(m_pages[b].thumbnail));
                if (d >= pictureHashBits)
                    continue;
                // Live sites of one design may be 0 bits apart: they are kept apart by their texts.
                const PageKind kind = pageKindOf(m_pages[a].result);
                const bool sameKind = kind == pageKindOf(m_pages[b].result) && kind != PageKind::Live;
                if (m_pages[a].answer == m_pages[b].answer)
                    farthestSame = qMax(farthestSame, d);
                else if (sameKind && d < nearestOther) {
                    nearestOther = d;
                    nearestPair = m_pages[a].answer + QStringLiteral(" / ") + m_pages[b].answer;
                }
            }
        }
        qInfo("same page: up to %d bits apart; different stand-in pages of one kind: %d bits or more (%s)", farthestSame, nearestOther,
              qPrintable(nearestPair));
        QVERIFY(farthestSame <= alikePictureDistance);
        QVERIFY2(nearestOther > alikePictureDistance, qPrintable(nearestPair));
    }
};

int main(int argc, char **argv)
{
    return runWebEngineTest<GalleryGroupingTest>(argc, argv);
}

#include "tst_webengine_gallerygrouping.moc"
