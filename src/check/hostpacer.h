// How fast one host may be asked: requests at once and the time between their starts, adapted to the
// host's refusals (429, 503) and to the waits it asks for.
#pragma once

#include <QByteArrayView>
#include <QDateTime>

#include <deque>
#include <utility>

/// The pace of one host, on the checker's clock (milliseconds). Plain logic: the checker asks it when
/// a request may start and tells it how each answer went.
///
/// A 429 or 503 is the host turning requests away only when something says it is about the host and
/// not about the one address: a wait it asks for (Retry-After), refusals of several different
/// addresses among its last answers, or an address it refused that answers when asked again. Until
/// then a refusal leaves the pace alone: an address whose own page is an error (a status page, a
/// broken script) is the address's answer, asked again as any transient failure is. Once the host is
/// known to turn requests away, every refusal halves the requests at once (down to one) and doubles
/// the time between starts, with a random part so that checkers sharing a host do not come back in
/// step; a wait the host asks for holds every request to it until then. Answers that are not
/// refusals bring the pace back slowly: after a run of them the interval shrinks by a quarter, and
/// once it is gone the requests at once grow by one, up to the configured limit.
class HostPacer {
public:
    /// The interval a first refusal sets.
    static constexpr int firstIntervalMs = 250;
    /// The longest interval refusals can raise it to.
    static constexpr int longestIntervalMs = 8000;
    /// Answers without a refusal before the pace is raised one step.
    static constexpr int answersPerStep = 10;
    /// Different addresses refused among the host's last answersWatched answers that show the
    /// refusals are the host's.
    static constexpr int refusedAddressesOfAHost = 3;
    static constexpr int answersWatched = 20;

    explicit HostPacer(int limit = 4);

    int limit() const { return m_limit; }
    qint64 intervalMs() const { return m_intervalMs; }
    /// Until when the host asked (or refusals made us) to leave it alone.
    qint64 pausedUntil() const { return m_pausedUntil; }
    /// The seconds the host's last Retry-After asked for; -1 when its last refusal asked for none.
    int askedSeconds() const { return m_askedSeconds; }
    /// Whether the host has been slowed down by refusals of its own.
    bool wasRefused() const { return m_refusals > 0; }
    /// Whether the host has shown that it turns requests away as too many.
    bool turnsRequestsAway() const { return m_turnsRequestsAway; }
    /// Requests that were slowed down: those that started while the host was held below its full pace.
    int slowedStarts() const { return m_slowedStarts; }

    /// The earliest time a new request may start.
    qint64 nextStartAt() const;
    /// Whether a request may start at @p now with @p running requests (the engine's included) open.
    bool mayStart(int running, qint64 now) const { return running < m_limit && nextStartAt() <= now; }
    void started(qint64 now);

    /// The host answered 429 or 503 for @p address (any number that names one address of the host),
    /// a request that started at @p startedAt; it asked to wait @p waitMs (-1: it did not say).
    /// @p jitter in [0, 1) spreads the back-off. Returns whether the refusal is taken to be the host's,
    /// which slowed it down; refusals of requests that were already open when an earlier refusal
    /// slowed the host down do not slow it down again.
    bool refused(qint64 now, qint64 startedAt, qint64 waitMs, double jitter, int address);
    /// The host answered @p address without refusing; @p refusedBefore: it had refused that address.
    void answered(int address, bool refusedBefore);

private:
    void slowDown(qint64 now, qint64 startedAt);
    void watch(int address, bool refused);

    int m_maxLimit;
    int m_limit;
    qint64 m_intervalMs = 0;
    qint64 m_lastStart = -1;
    qint64 m_pausedUntil = 0;
    qint64 m_slowedAt = -1;
    int m_askedSeconds = -1;
    int m_refusals = 0;
    int m_answersSinceStep = 0;
    int m_slowedStarts = 0;
    bool m_turnsRequestsAway = false;
    /// The host's last answers: the address and whether it was refused.
    std::deque<std::pair<int, bool>> m_lastAnswers;
};

/// The seconds a Retry-After value asks to wait from @p now: a number of seconds, or an HTTP date in
/// any of the three forms HTTP allows (a date gone by means now); -1 when it is neither.
int retryAfterSeconds(QByteArrayView value, const QDateTime &now);
