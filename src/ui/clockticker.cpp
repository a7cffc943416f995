#include "ui/clockticker.h"

#include <QDateTime>

#include <algorithm>

namespace {

qint64 unitLength(ClockTicker::Unit unit)
{
    return unit == ClockTicker::Unit::Second ? 1000 : 60000;
}

} // namespace

ClockTicker::ClockTicker(QObject *parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("clockTicker"));
    m_timer.setSingleShot(true);
    // A coarse timer may fire up to 5 % late: seconds late for a minute. The turn is what is shown.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &ClockTicker::wake);
}

int ClockTicker::msecsToNextTurn(qint64 msecsSinceEpoch, Unit unit)
{
    const qint64 length = unitLength(unit);
    const qint64 into = ((msecsSinceEpoch % length) + length) % length;
    return int(length - into);
}

void ClockTicker::subscribe(QObject *receiver, Unit unit, std::function<void()> onTurn)
{
    unsubscribe(receiver);
    m_listeners.append({receiver, unit, std::move(onTurn)});
    connect(receiver, &QObject::destroyed, this, [this, receiver] { unsubscribe(receiver); });
    rearm();
}

void ClockTicker::unsubscribe(QObject *receiver)
{
    const auto removed = m_listeners.removeIf([receiver](const Listener &l) { return !l.receiver || l.receiver == receiver; });
    if (removed)
        disconnect(receiver, &QObject::destroyed, this, nullptr);
    rearm();
}

bool ClockTicker::isListening(const QObject *receiver) const
{
    return std::any_of(m_listeners.cbegin(), m_listeners.cend(), [receiver](const Listener &l) { return l.receiver == receiver; });
}

std::optional<ClockTicker::Unit> ClockTicker::unitOf(const QObject *receiver) const
{
    for (const Listener &l : m_listeners)
        if (l.receiver == receiver)
            return l.unit;
    return std::nullopt;
}

int ClockTicker::listenerCount() const
{
    return int(m_listeners.size());
}

void ClockTicker::rearm()
{
    if (m_listeners.isEmpty()) {
        m_timer.stop();
        m_lastSecond = m_lastMinute = -1;
        return;
    }
    const bool seconds = std::any_of(m_listeners.cbegin(), m_listeners.cend(),
                                     [](const Listener &l) { return l.unit == Unit::Second; });
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (m_lastSecond < 0) {
        m_lastSecond = now / 1000;
        m_lastMinute = now / 60000;
    }
    // One millisecond past the turn: the timer and the wall clock may disagree by a fraction.
    m_timer.start(msecsToNextTurn(now, seconds ? Unit::Second : Unit::Minute) + 1);
}

void ClockTicker::wake()
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const bool secondTurned = now / 1000 != m_lastSecond;
    const bool minuteTurned = now / 60000 != m_lastMinute;
    m_lastSecond = now / 1000;
    m_lastMinute = now / 60000;
    // A copy: a listener may subscribe or unsubscribe (and so change the list) from its call.
    const QList<Listener> listeners = m_listeners;
    for (const Listener &l : listeners) {
        const bool turned = l.unit == Unit::Second ? secondTurned : minuteTurned;
        if (turned && l.receiver && isListening(l.receiver))
            l.onTurn();
    }
    if (!m_timer.isActive())
        rearm();
}
