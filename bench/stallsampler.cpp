#include "stallsampler.h"

#include <algorithm>
#include <ctime>
#include <utility>

namespace {

qint64 threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

} // namespace

StallSampler::StallSampler(QObject *parent)
    : QObject(parent)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(5);
    connect(&m_timer, &QTimer::timeout, this, &StallSampler::tick);
}

void StallSampler::start()
{
    m_stalls = {};
    m_sinceStart.start();
    m_sinceTick.start();
    m_cpuAtTick = threadCpuMs();
    m_timer.start();
}

void StallSampler::stop()
{
    m_timer.stop();
}

StallSampler::Stalls StallSampler::take()
{
    return std::exchange(m_stalls, {});
}

void StallSampler::tick()
{
    const qint64 stall = m_sinceTick.restart() - m_timer.interval();
    const qint64 cpuNow = threadCpuMs();
    const qint64 busy = cpuNow - m_cpuAtTick;
    m_cpuAtTick = cpuNow;
    m_stalls.longestMs = std::max(m_stalls.longestMs, stall);
    m_stalls.busiestMs = std::max(m_stalls.busiestMs, busy);
    if (stall > 50)
        m_stalls.overFifty << QStringLiteral("%1 ms (%2 ms busy) at %3 s")
                                  .arg(stall)
                                  .arg(busy)
                                  .arg(m_sinceStart.elapsed() / 1000.0, 0, 'f', 2);
    emit ticked();
}
