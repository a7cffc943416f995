// How fast one host may be asked: requests at once and the time between their starts, adapted to the
// host's refusals (429, 503) and to the waits it asks for.
#pragma once

#include <QByteArrayView>
#include <QDateTime>

/// The pace of one host, on the checker's clock (milliseconds). Plain logic: the checker asks it when
/// a request may start and tells it how each answer went.
///
/// A refusal halves the requests at once (down to one) and doubles the time between starts, with a
/// random part so that checkers sharing a host do not come back in step; a wait the host asks for
/// (Retry-After) holds every request to it until then. Answers that are not refusals bring the pace
/// back slowly: after a run of them the interval shrinks by a quarter, and once it is gone the
/// requests at once grow by one, up to the configured limit.
class HostPacer {
public:
    /// The interval a first refusal sets.
    static constexpr int firstIntervalMs = 250;
    /// The longest interval refusals can raise it to.
    static constexpr int longestIntervalMs = 8000;
    /// Answers without a refusal before the pace is raised one step.
    static constexpr int answersPerStep = 10;

    explicit HostPacer(int limit = 4);

    int limit() const { return m_limit; }
    qint64 intervalMs() const { return m_intervalMs; }
    /// Until when the host asked (or refusals made us) to leave it alone.
    qint64 pausedUntil() const { return m_pausedUntil; }
    /// The seconds the host's last Retry-After asked for; -1 when its last refusal asked for none.
    int askedSeconds() const { return m_askedSeconds; }
    bool wasRefused() const { return m_refusals > 0; }

    /// The earliest time a new request may start.
    qint64 nextStartAt() const;
    /// Whether a request may start at @p now with @p running requests (the engine's included) open.
    bool mayStart(int running, qint64 now) const { return running < m_limit && nextStartAt() <= now; }
    void started(qint64 now) { m_lastStart = now; }

    /// The host refused a request that started at @p startedAt; it asked to wait @p waitMs (-1: it did
    /// not say). @p jitter in [0, 1) spreads the back-off. Refusals of requests that were already open
    /// when an earlier refusal slowed the host down do not slow it down again.
    void refused(qint64 now, qint64 startedAt, qint64 waitMs, double jitter);
    /// The host answered without refusing.
    void answered();

private:
    int m_maxLimit;
    int m_limit;
    qint64 m_intervalMs = 0;
    qint64 m_lastStart = -1;
    qint64 m_pausedUntil = 0;
    qint64 m_slowedAt = -1;
    int m_askedSeconds = -1;
    int m_refusals = 0;
    int m_answersSinceStep = 0;
};

/// The seconds a Retry-After value asks to wait from @p now: a number of seconds, or an HTTP date in
/// any of the three forms HTTP allows (a date gone by means now); -1 when it is neither.
int retryAfterSeconds(QByteArrayView value, const QDateTime &now);
