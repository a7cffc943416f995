// The program's clock ticker: wakes its listeners right after the wall clock turns, and sleeps when nobody listens.
#include "ui/clockticker.h"

#include <QDateTime>
#include <QtTest>

#include <memory>

class TestClockTicker : public QObject {
    Q_OBJECT
private slots:
    void waitsUntilTheNextTurn_data()
    {
        QTest::addColumn<qint64>("now");
        QTest::addColumn<int>("unit");
        QTest::addColumn<int>("expected");
        const int second = int(ClockTicker::Unit::Second), minute = int(ClockTicker::Unit::Minute);
        QTest::newRow("second, just turned") << qint64(1'765'000'000'000) << second << 1000;
        QTest::newRow("second, midway") << qint64(1'765'000'000'400) << second << 600;
        QTest::newRow("second, last millisecond") << qint64(1'765'000'000'999) << second << 1;
        QTest::newRow("minute, just turned") << qint64(1'764'999'960'000) << minute << 60000;
        QTest::newRow("minute, 59.5 s in") << qint64(1'764'999'960'000 + 59'500) << minute << 500;
        QTest::newRow("minute, 12.25 s in") << qint64(1'764'999'960'000 + 12'250) << minute << 47'750;
    }
    void waitsUntilTheNextTurn()
    {
        QFETCH(qint64, now);
        QFETCH(int, unit);
        QFETCH(int, expected);
        QCOMPARE(ClockTicker::msecsToNextTurn(now, ClockTicker::Unit(unit)), expected);
    }

    void runsOnlyWhileSomebodyListens()
    {
        ClockTicker ticker;
        QVERIFY(!ticker.isActive());
        auto window = std::make_unique<QObject>();
        QObject other;
        ticker.subscribe(window.get(), ClockTicker::Unit::Minute, [] {});
        ticker.subscribe(&other, ClockTicker::Unit::Second, [] {});
        QVERIFY(ticker.isActive());
        QCOMPARE(ticker.listenerCount(), 2);
        ticker.subscribe(&other, ClockTicker::Unit::Minute, [] {}); // subscribing again replaces
        QCOMPARE(ticker.listenerCount(), 2);
        QCOMPARE(ticker.unitOf(&other), ClockTicker::Unit::Minute);
        ticker.unsubscribe(&other);
        QVERIFY(ticker.isActive());
        window.reset(); // a destroyed listener leaves by itself
        QCOMPARE(ticker.listenerCount(), 0);
        QVERIFY(!ticker.isActive());
        QVERIFY(!ticker.unitOf(&other));
    }

    void wakesOnceAfterEachTurnOfTheSecond()
    {
        ClockTicker ticker;
        QObject seconds, minutes;
        QList<qint64> calls;
        int minuteCalls = 0;
        const qint64 start = QDateTime::currentMSecsSinceEpoch();
        ticker.subscribe(&seconds, ClockTicker::Unit::Second, [&] { calls.append(QDateTime::currentMSecsSinceEpoch()); });
        ticker.subscribe(&minutes, ClockTicker::Unit::Minute, [&] { ++minuteCalls; });
        QTest::qWait(2600);
        const qint64 end = QDateTime::currentMSecsSinceEpoch();
        // One call per turn of the second in the interval, each in a second of its own.
        QCOMPARE(calls.size(), int(end / 1000 - start / 1000));
        for (int i = 1; i < calls.size(); ++i)
            QCOMPARE(calls[i] / 1000, calls[i - 1] / 1000 + 1);
        // Right after the turn, not at a random moment of the second (a poll would be anywhere).
        for (qint64 at : calls)
            QVERIFY2(at % 1000 < 500, qPrintable(QString::number(at % 1000)));
        QCOMPARE(minuteCalls, int(end / 60000 - start / 60000));
    }

    void aListenerMayLeaveFromItsOwnCall()
    {
        ClockTicker ticker;
        QObject splash;
        int calls = 0;
        ticker.subscribe(&splash, ClockTicker::Unit::Second, [&] {
            ++calls;
            ticker.unsubscribe(&splash);
        });
        QTRY_COMPARE_WITH_TIMEOUT(calls, 1, 1500);
        QVERIFY(!ticker.isActive());
        QTest::qWait(1100);
        QCOMPARE(calls, 1);
    }
};

QTEST_MAIN(TestClockTicker)
#include "tst_clockticker.moc"
