// How long the user-interface thread was held up: the gaps between the ticks of a 5 ms timer.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTimer>

/// A timer that should fire every 5 ms: the longest gap between two firings, less 5 ms, is the
/// longest the event loop was held up. "Busy" is the processor time the thread itself spent in a gap,
/// which tells its own work from waiting for a processor that other programs had.
class StallSampler final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StallSampler)
public:
    struct Stalls {
        qint64 longestMs = 0;
        qint64 busiestMs = 0;
        /// Each gap over 50 ms: "64 ms (19 ms busy) at 3.20 s" (from start()).
        QStringList overFifty;
    };

    explicit StallSampler(QObject *parent = nullptr);
    void start();
    void stop();
    /// What was measured since start() or the last take(), which begins afresh.
    Stalls take();
    qint64 sinceStartMs() const { return m_sinceStart.elapsed(); }

signals:
    /// Once each tick, after it was measured.
    void ticked();

private:
    void tick();

    QTimer m_timer;
    QElapsedTimer m_sinceTick;
    QElapsedTimer m_sinceStart;
    qint64 m_cpuAtTick = 0;
    Stalls m_stalls;
};
