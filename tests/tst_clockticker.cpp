// The program's clock ticker: wakes its listeners right after the wall clock turns, and sleeps when nobody listens.
#include "ui/clockticker.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {

/// How long the event loop stood still at most while the test waited: the longest gap between the
/// ticks of a fast timer. A timer of the ticker can be no later than that.
class LoopWatch {
public:
    LoopWatch()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_longest = std::max(m_longest, m_sinceLast.restart());
        });
        m_sinceLast.start();
        m_timer.start();
    }
    qint64 longestStall() const { return std::max(m_longest, m_sinceLast.elapsed()); }

private:
    QTimer m_timer;
    QElapsedTimer m_sinceLast;
    qint64 m_longest = 0;
};

} // namespace

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
        LoopWatch loop;
        const qint64 start = QDateTime::currentMSecsSinceEpoch();
        ticker.subscribe(&seconds, ClockTicker::Unit::Second, [&] { calls.append(QDateTime::currentMSecsSinceEpoch()); });
        ticker.subscribe(&minutes, ClockTicker::Unit::Minute, [&] { ++minuteCalls; });
        // Three turns take three seconds; the time-out only guards against a ticker that never wakes.
        QTRY_VERIFY_WITH_TIMEOUT(calls.size() >= 3, 60000);
        const qint64 last = calls.last();
        const qint64 stall = loop.longestStall();
        qInfo("calls %lld, %lld and %lld ms after their turns; the event loop stood still for up to %lld ms",
              calls[0] % 1000, calls[1] % 1000, calls[2] % 1000, stall);

        // Never before the first turn, and never twice in one second.
        QVERIFY(calls[0] / 1000 > start / 1000);
        for (int i = 1; i < calls.size(); ++i)
            QVERIFY2(calls[i] / 1000 > calls[i - 1] / 1000, "two calls in one second");
        // Every turn up to the last call gave one: a turn goes without a call only when the event loop
        // stood still for about a second (a loaded machine), so that the late wake falls after the next turn.
        const int turns = int(last / 1000 - start / 1000);
        if (stall < 900)
            QCOMPARE(calls.size(), turns);
        else
            QVERIFY(calls.size() <= turns);
        // Right after the turn, not at a random moment of the second (a poll would be anywhere): a call is
        // no later than the event loop let any timer be.
        for (qint64 at : std::as_const(calls))
            QVERIFY2(at % 1000 <= stall + 50, qPrintable(QString::number(at % 1000)));
        QCOMPARE(minuteCalls, int(last / 60000 - start / 60000));
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
