// The gallery's grouping against pages the engine renders: parked pages of several sale services,
// servers' default pages, sign-in walls, errors and distinct live sites of one design.
#include "fakes/galleryanswerset.h"
#include "fakes/webenginetest.h"
#include "gallery/gallerygrouping.h"

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
