// The program's one clock ticker: wakes the windows when the wall clock's second or minute turns.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <optional>

/// Calls its listeners right after each turn of the wall clock's second or minute, each listener at
/// the turns of the unit it asked for. One timer serves the whole program; it sleeps until the next
/// turn that a listener needs and stops while nobody listens, so a window that shows the time costs
/// one wake-up per minute (or second) instead of a poll.
class ClockTicker final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClockTicker)
public:
    enum class Unit { Second, Minute };

    explicit ClockTicker(QObject *parent = nullptr);

    /// Calls @p onTurn after every turn of @p unit until @p receiver is destroyed or unsubscribed.
    void subscribe(QObject *receiver, Unit unit, std::function<void()> onTurn);
    void unsubscribe(QObject *receiver);
    /// True while a listener waits for a turn.
    bool isActive() const { return m_timer.isActive(); }
    int listenerCount() const;
    bool isListening(const QObject *receiver) const;
    /// The unit @p receiver listens for; empty when it does not listen.
    std::optional<Unit> unitOf(const QObject *receiver) const;

    /// Milliseconds from @p msecsSinceEpoch to the next turn of @p unit: 1 to 1000 (or 60000).
    static int msecsToNextTurn(qint64 msecsSinceEpoch, Unit unit);

private:
    struct Listener {
        QPointer<QObject> receiver;
        Unit unit;
        std::function<void()> onTurn;
    };
    void rearm();
    void wake();

    QList<Listener> m_listeners;
    QTimer m_timer;
    qint64 m_lastSecond = -1;
    qint64 m_lastMinute = -1;
};
