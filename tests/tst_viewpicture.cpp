// The picture of a view once it shows its new page: a widget stands in for the web view, painting the
// page before for as many grabs as the engine would, then the new one.
#include "platform/viewpicture.h"
#include "platform/webbrowser.h"

#include <QPainter>
#include <QSignalSpy>
#include <QWidget>
#include <QtTest>

namespace {

/// Paints @p before for its first grabs, then @p after; a restless one changes on every grab.
class PaintedLate final : public QWidget {
public:
    QColor before;
    QColor after;
    int paintsOfBefore = 0;
    bool restless = false;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        QColor colour = paints < paintsOfBefore ? before : after;
        if (restless)
            colour = QColor::fromHsv((paints * 37) % 360, 255, 255);
        ++paints;
        painter.fillRect(rect(), colour);
    }
};

QImage filled(const QSize &size, const QColor &colour)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return image;
}

} // namespace

class TestViewPicture : public QObject {
    Q_OBJECT
private slots:
    void theNewPageIsTaken_data()
    {
        QTest::addColumn<int>("paintsOfBefore");
        QTest::addColumn<QColor>("after");
        QTest::addColumn<bool>("firstPage");
        QTest::addColumn<QColor>("expected");
        QTest::addColumn<int>("leastWaitMs");
        QTest::newRow("painted some grabs after the load") << 4 << QColor(Qt::blue) << false << QColor(Qt::blue) << 0;
        QTest::newRow("painted already") << 0 << QColor(Qt::blue) << false << QColor(Qt::blue) << 0;
        QTest::newRow("first page, painted late") << 3 << QColor(Qt::blue) << true << QColor(Qt::blue) << 0;
        QTest::newRow("the same page again") << 0 << QColor(Qt::red) << false << QColor(Qt::red) << ViewPicture::samePageMs;
    }
    void theNewPageIsTaken()
    {
        QFETCH(int, paintsOfBefore);
        QFETCH(QColor, after);
        QFETCH(bool, firstPage);
        QFETCH(QColor, expected);
        QFETCH(int, leastWaitMs);
        PaintedLate view;
        view.resize(640, 480);
        // Before the first page the view shows nothing; the page before is red otherwise.
        view.before = firstPage ? QColor(Qt::white) : QColor(Qt::red);
        view.after = after;
        view.paintsOfBefore = paintsOfBefore;
        const QImage before = firstPage ? filled(view.size(), Qt::white) : filled(view.size(), Qt::red);

        ViewPicture picture;
        QSignalSpy taken(&picture, &ViewPicture::taken);
        QElapsedTimer clock;
        clock.start();
        picture.start(&view, before.convertToFormat(ViewPicture::grab(&view).format()));
        QVERIFY(taken.wait(10000));
        QVERIFY(clock.elapsed() >= leastWaitMs);
        const QImage shot = taken.first().at(0).value<QImage>();
        QCOMPARE(shot.pixelColor(320, 240), expected);
        QImage thumbnail;
        QVERIFY(thumbnail.loadFromData(taken.first().at(1).toByteArray(), "PNG"));
        QCOMPARE(thumbnail.width(), PageCopy::thumbnailWidth);
        QCOMPARE(thumbnail.pixelColor(thumbnail.width() / 2, thumbnail.height() / 2), expected);
        QVERIFY(!picture.isTaking());
    }

    void aViewThatNeverHoldsStillIsTakenAsItIs()
    {
        PaintedLate view;
        view.resize(200, 100);
        view.restless = true;
        ViewPicture picture;
        QSignalSpy taken(&picture, &ViewPicture::taken);
        picture.start(&view, {});
        QVERIFY(taken.wait(ViewPicture::restlessMs + 10000));
        QVERIFY(!taken.first().at(1).toByteArray().isEmpty());
    }

    void aViewThatGoesIsToldWithoutAPicture()
    {
        auto *view = new PaintedLate;
        view->resize(200, 100);
        view->paintsOfBefore = 1000;
        ViewPicture picture;
        QSignalSpy taken(&picture, &ViewPicture::taken);
        picture.start(view, ViewPicture::grab(view));
        delete view;
        QVERIFY(taken.wait(10000));
        QVERIFY(taken.first().at(0).value<QImage>().isNull());
        QVERIFY(taken.first().at(1).toByteArray().isEmpty());
    }

    void aStopOrANewStartForgetsTheEarlierOne()
    {
        PaintedLate view;
        view.resize(200, 100);
        view.after = Qt::blue;
        ViewPicture picture;
        QSignalSpy taken(&picture, &ViewPicture::taken);
        picture.start(&view, filled(view.size(), Qt::red));
        picture.stop();
        QVERIFY(!picture.isTaking());
        view.after = Qt::green;
        view.paints = 0;
        picture.start(&view, filled(view.size(), Qt::red));
        QVERIFY(taken.wait(10000));
        // The answer is the second start's.
        QCOMPARE(taken.size(), 1);
        QCOMPARE(taken.first().at(0).value<QImage>().pixelColor(100, 50), QColor(Qt::green));
    }
};

QTEST_MAIN(TestViewPicture)
#include "tst_viewpicture.moc"
