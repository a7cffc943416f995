// The splash counts changes of its clock label and hands over to the main window after the fifth.
#include "app/splashscreen.h"
#include "app/windows.h"
#include "app/mainwindow.h"
#include "app/startup.h"
#include "fakes/fakeplatform.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
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
        QCOMPARE(splash->m_clockTimer->interval(), 1);
        QVERIFY(splash->m_clockTimer->isActive());
        QVERIFY(!windows.loadedMainWindow());
    }

    void onlyChangesCountAndTheFifthHandsOver()
    {
        FakePlatform platform;
        Windows windows(platform);
        Startup::showSplash(windows);
        QPointer<SplashScreen> splash = windows.splashScreen();
        splash->m_clockTimer->stop(); // the test ticks by hand

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
        QVERIFY(!splash->m_clockTimer->isActive());
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

    void realTimerHandsOverWithinFourSeconds()
    {
        // Drives the splash with its own 1 ms timer against a clock that turns every 50 ms.
        FakePlatform platform;
        Windows windows(platform);
        int second = 0;
        QTimer clockTurn;
        connect(&clockTurn, &QTimer::timeout, [&] {
            platform.clockFake.time = QStringLiteral("11:00:%1").arg(++second, 2, 10, QLatin1Char('0'));
        });
        clockTurn.start(50);
        Startup::showSplash(windows);
        QPointer<SplashScreen> splash = windows.splashScreen();
        QTRY_VERIFY_WITH_TIMEOUT(windows.loadedMainWindow() && windows.loadedMainWindow()->isVisible(), 4000);
        QTRY_VERIFY(!splash);
        // Four more turns of the clock after the first tick's change.
        QVERIFY(second >= 4);
    }
};

QTEST_MAIN(TestSplash)
#include "tst_splash.moc"
