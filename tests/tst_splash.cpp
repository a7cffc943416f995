// The splash counts changes of its clock label and hands over to the main window after the fifth.
#include "app/form6.h"
#include "app/forms.h"
#include "app/mdiform1.h"
#include "app/module1.h"
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
        Forms forms(platform);
        Module1::Main(forms);
        Form6 *splash = forms.Form6();
        QVERIFY(splash->isVisible());
        QVERIFY(splash->windowFlags() & Qt::FramelessWindowHint);
        // A splash-screen window gets no taskbar button.
        QCOMPARE(splash->windowType(), Qt::SplashScreen);
        QCOMPARE(splash->size(), QSize(289, 145));
        QCOMPARE(splash->Label1->text(), QStringLiteral("Label1"));
        QVERIFY(!splash->Label1->isVisible());
        QCOMPARE(splash->Timer1->interval(), 1);
        QVERIFY(splash->Timer1->isActive());
        QVERIFY(!forms.loadedMDIForm1());
    }

    void onlyChangesCountAndTheFifthHandsOver()
    {
        FakePlatform platform;
        Forms forms(platform);
        Module1::Main(forms);
        QPointer<Form6> splash = forms.Form6();
        splash->Timer1->stop(); // the test ticks by hand

        platform.clockFake.time = QStringLiteral("10:00:00");
        splash->Timer1_Timer(); // "Label1" becomes the time: change 1
        QCOMPARE(splash->changeCount(), qint16(1));
        splash->Timer1_Timer();
        splash->Timer1_Timer(); // the same time again is no change
        QCOMPARE(splash->changeCount(), qint16(1));
        for (int s = 1; s <= 3; ++s) {
            platform.clockFake.time = QStringLiteral("10:00:0%1").arg(s);
            splash->Timer1_Timer();
            QCOMPARE(splash->changeCount(), qint16(1 + s));
            QVERIFY(!forms.loadedMDIForm1());
            QVERIFY(splash->isVisible());
        }
        platform.clockFake.time = QStringLiteral("10:00:04");
        splash->Timer1_Timer(); // change 5
        QVERIFY(forms.loadedMDIForm1());
        MDIForm1 *frame = forms.loadedMDIForm1();
        QVERIFY(frame->isVisible());
        QVERIFY(frame->windowState() & Qt::WindowMaximized);
        QVERIFY(!splash->isVisible());
        QVERIFY(!splash->Timer1->isActive());
        // The start-up sound started once, at volume 50.
        QCOMPARE(platform.sounds.size(), 1);
        QCOMPARE(platform.soundVolumes.first(), 50);
        QVERIFY(platform.sounds.first()->file.endsWith(QLatin1String("download.avi")));
        QCOMPARE(platform.sounds.first()->plays, 1);

        // Ticks after the hand-over reach nothing, and the splash is deleted once its handlers returned.
        platform.clockFake.time = QStringLiteral("10:00:05");
        if (splash)
            splash->Timer1_Timer();
        QTRY_VERIFY(!splash);
        QCOMPARE(platform.sounds.size(), 1); // the main window was loaded once
        QCOMPARE(platform.sounds.first()->plays, 1);
    }

    void realTimerHandsOverWithinFourSeconds()
    {
        // Drives the splash with its own 1 ms timer against a clock that turns every 50 ms.
        FakePlatform platform;
        Forms forms(platform);
        int second = 0;
        QTimer clockTurn;
        connect(&clockTurn, &QTimer::timeout, [&] {
            platform.clockFake.time = QStringLiteral("11:00:%1").arg(++second, 2, 10, QLatin1Char('0'));
        });
        clockTurn.start(50);
        Module1::Main(forms);
        QPointer<Form6> splash = forms.Form6();
        QTRY_VERIFY_WITH_TIMEOUT(forms.loadedMDIForm1() && forms.loadedMDIForm1()->isVisible(), 4000);
        QTRY_VERIFY(!splash);
        // Four more turns of the clock after the first tick's change.
        QVERIFY(second >= 4);
    }
};

QTEST_MAIN(TestSplash)
#include "tst_splash.moc"
