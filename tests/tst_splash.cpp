// The splash counts changes of its clock label and hands over to the main window after the fifth.
#include "app/splashscreen.h"
#include "app/windows.h"
#include "app/mainwindow.h"
#include "app/startup.h"
#include "fakes/fakeplatform.h"
#include "ui/clockticker.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

class TestSplash : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_data;

private slots:
    void initTestCase() { qputenv("XDG_DATA_HOME", m_data.path().toUtf8()); }

    void splashIsBorderlessCentredWithoutTaskbarButton()
    {
        FakePlatform platform;
        Windows windows(platform);
        Startup::showSplash(windows);
        SplashScreen *splash = windows.splashScreen();
        QVERIFY(splash->isVisible());
        QVERIFY(splash->windowFlags() & Qt::FramelessWindowHint);
        // A splash-screen window gets no taskbar button.
        QCOMPARE(splash->windowType(), Qt::SplashScreen);
        QCOMPARE(splash->size(), QSize(289, 145));
        QVERIFY(splash->m_clockLabel->text().isEmpty());
        QVERIFY(!splash->m_clockLabel->isVisible());
        // The clock ticker wakes the splash when the second turns; nothing polls.
        QVERIFY(windows.clockTicker().isListening(splash));
        QVERIFY(windows.clockTicker().isActive());
        QVERIFY(!windows.loadedMainWindow());
    }

    void onlyChangesCountAndTheFifthHandsOver()
    {
        FakePlatform platform;
        Windows windows(platform);
        Startup::showSplash(windows);
        QPointer<SplashScreen> splash = windows.splashScreen();
        windows.clockTicker().unsubscribe(splash); // the test ticks by hand

        platform.clockFake.time = QStringLiteral("10:00:00");
        splash->tick(); // the empty caption becomes the time: change 1
        QCOMPARE(splash->changeCount(), qint16(1));
        splash->tick();
        splash->tick(); // the same time again is no change
        QCOMPARE(splash->changeCount(), qint16(1));
        for (int s = 1; s <= 3; ++s) {
            platform.clockFake.time = QStringLiteral("10:00:0%1").arg(s);
            splash->tick();
            QCOMPARE(splash->changeCount(), qint16(1 + s));
            QVERIFY(!windows.loadedMainWindow());
            QVERIFY(splash->isVisible());
        }
        platform.clockFake.time = QStringLiteral("10:00:04");
        splash->tick(); // change 5
        QVERIFY(windows.loadedMainWindow());
        MainWindow *frame = windows.loadedMainWindow();
        QVERIFY(frame->isVisible());
        QVERIFY(frame->windowState() & Qt::WindowMaximized);
        QVERIFY(!splash->isVisible());
        // Unloaded: the splash no longer listens, and with nobody else listening the ticker sleeps.
        QVERIFY(!windows.clockTicker().isListening(splash));
        QVERIFY(!windows.clockTicker().isActive());
        // The start-up sound started once, at volume 50.
        QCOMPARE(platform.sounds.size(), 1);
        QCOMPARE(platform.soundVolumes.first(), 50);
        QVERIFY(platform.sounds.first()->file.endsWith(QLatin1String("download.avi")));
        QCOMPARE(platform.sounds.first()->plays, 1);

        // Ticks after the hand-over reach nothing, and the splash is deleted once its handlers returned.
        platform.clockFake.time = QStringLiteral("10:00:05");
        if (splash)
            splash->tick();
        QTRY_VERIFY(!splash);
        QCOMPARE(platform.sounds.size(), 1); // the main window was loaded once
        QCOMPARE(platform.sounds.first()->plays, 1);
    }

    void realClockHandsOverAfterThreeToFourSecondsWithoutPolling()
    {
        // The real ticker against the system time: the first reading, at once, is change 1; the next
        // four turns of the second are changes 2 to 5. The clock is read five times, not polled.
        FakePlatform platform;
        platform.clockFake.followsSystemTime = true;
        Windows windows(platform);
        QElapsedTimer shown;
        shown.start();
        Startup::showSplash(windows);
        QPointer<SplashScreen> splash = windows.splashScreen();
        QTRY_VERIFY_WITH_TIMEOUT(windows.loadedMainWindow() && windows.loadedMainWindow()->isVisible(), 8000);
        QVERIFY2(shown.elapsed() >= 2990, qPrintable(QString::number(shown.elapsed())));
        const QList<qint64> &reads = platform.clockFake.readAt;
        // Readings in five consecutive seconds: three to four seconds from the first change to the
        // fifth. (A first reading that falls just after a turn is followed by the ticker's, in the same second.)
        QList<qint64> seconds;
        for (qint64 at : reads)
            if (seconds.isEmpty() || seconds.last() != at / 1000)
                seconds.append(at / 1000);
        QCOMPARE(seconds.size(), 5);
        for (int i = 1; i < seconds.size(); ++i)
            QCOMPARE(seconds[i], seconds[0] + i);
        QVERIFY2(reads.size() <= 6, qPrintable(QString::number(reads.size())));
        const qsizetype readings = reads.size();
        QTRY_VERIFY(!splash);
        QVERIFY(!windows.clockTicker().isActive());
        QTest::qWait(1100);
        QCOMPARE(reads.size(), readings); // nothing reads the clock after the hand-over
    }
};

QTEST_MAIN(TestSplash)
#include "tst_splash.moc"
