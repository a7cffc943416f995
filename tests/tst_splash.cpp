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
        // The real ticker against the system time: the first reading at once is change 1, the next four
        // turns of the second are changes 2 to 5. The clock is read about once a second, not polled.
        FakePlatform platform;
        platform.clockFake.followsSystemTime = true;
        Windows windows(platform);
        QElapsedTimer shown;
        shown.start();
        Startup::showSplash(windows);
        QPointer<SplashScreen> splash = windows.splashScreen();
        QTRY_VERIFY_WITH_TIMEOUT(windows.loadedMainWindow() && windows.loadedMainWindow()->isVisible(), 6000);
        const qint64 elapsed = shown.elapsed();
        QVERIFY2(elapsed >= 2990, qPrintable(QString::number(elapsed)));
        QVERIFY2(elapsed <= 4500, qPrintable(QString::number(elapsed))); // 4 s, and time for a busy machine
        QVERIFY(platform.clockFake.reads >= 5);
        QVERIFY2(platform.clockFake.reads <= 10, qPrintable(QString::number(platform.clockFake.reads)));
        QTRY_VERIFY(!splash);
        QVERIFY(!windows.clockTicker().isActive());
    }
};

QTEST_MAIN(TestSplash)
#include "tst_splash.moc"
