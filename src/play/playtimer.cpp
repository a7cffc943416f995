#include "play/playtimer.h"

QtPlayTimer::QtPlayTimer(QObject *parent)
    : PlayTimer(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::CoarseTimer);
    connect(&m_timer, &QTimer::timeout, this, &PlayTimer::timeout);
}

void QtPlayTimer::start(int msecs)
{
    m_timer.start(msecs);
}

void QtPlayTimer::stop()
{
    m_timer.stop();
}

bool QtPlayTimer::isActive() const
{
    return m_timer.isActive();
}

int QtPlayTimer::remainingMsecs() const
{
    return m_timer.isActive() ? qMax(0, m_timer.remainingTime()) : 0;
}
