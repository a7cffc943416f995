#include "check/hostpacer.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <limits>
#include <vector>

HostPacer::HostPacer(int limit)
    : m_maxLimit(std::max(1, limit))
    , m_limit(m_maxLimit)
{
}

qint64 HostPacer::nextStartAt() const
{
    const qint64 byInterval = m_lastStart < 0 ? 0 : m_lastStart + m_intervalMs;
    return std::max(m_pausedUntil, byInterval);
}

void HostPacer::started(qint64 now)
{
    m_lastStart = now;
    if (m_limit < m_maxLimit || m_intervalMs > 0 || m_pausedUntil > now)
        ++m_slowedStarts;
}

void HostPacer::watch(int address, bool refused)
{
    m_lastAnswers.emplace_back(address, refused);
    if (m_lastAnswers.size() > std::size_t(answersWatched))
        m_lastAnswers.pop_front();
}

bool HostPacer::refused(qint64 now, qint64 startedAt, qint64 waitMs, double jitter, int address)
{
    watch(address, true);
    if (waitMs >= 0)
        m_turnsRequestsAway = true;
    if (!m_turnsRequestsAway) {
        std::vector<int> refusedAddresses;
        for (const auto &[each, wasRefused] : m_lastAnswers)
            if (wasRefused && std::find(refusedAddresses.begin(), refusedAddresses.end(), each) == refusedAddresses.end())
                refusedAddresses.push_back(each);
        m_turnsRequestsAway = int(refusedAddresses.size()) >= refusedAddressesOfAHost;
    }
    if (!m_turnsRequestsAway)
        return false;
    ++m_refusals;
    m_answersSinceStep = 0;
    m_askedSeconds = waitMs >= 0 ? int((waitMs + 999) / 1000) : -1;
    slowDown(now, startedAt);
    const qint64 backoff = m_intervalMs + qint64(double(m_intervalMs) * std::clamp(jitter, 0.0, 1.0));
    m_pausedUntil = std::max(m_pausedUntil, now + std::max(waitMs, backoff));
    return true;
}

void HostPacer::slowDown(qint64 now, qint64 startedAt)
{
    // Requests already open when the host was last slowed down were sent at the old pace: their
    // refusals say nothing new. One that started in the same millisecond was one of them: after a
    // slow-down nothing starts before the pause is over.
    if (startedAt <= m_slowedAt)
        return;
    m_slowedAt = now;
    m_limit = std::max(1, m_limit / 2);
    m_intervalMs = std::clamp<qint64>(m_intervalMs * 2, firstIntervalMs, longestIntervalMs);
}

void HostPacer::answered(int address, bool refusedBefore)
{
    watch(address, false);
    if (refusedBefore && !m_turnsRequestsAway) {
        // Turned away, then answered when asked again: it was the pace, not the address.
        m_turnsRequestsAway = true;
        ++m_refusals;
        m_answersSinceStep = 0;
        slowDown(m_lastStart, m_lastStart);
        return;
    }
    if (m_intervalMs == 0 && m_limit == m_maxLimit)
        return;
    if (++m_answersSinceStep < answersPerStep)
        return;
    m_answersSinceStep = 0;
    if (m_intervalMs > 0) {
        m_intervalMs = m_intervalMs * 3 / 4;
        if (m_intervalMs < firstIntervalMs / 2)
            m_intervalMs = 0;
    } else {
        ++m_limit;
    }
}

int retryAfterSeconds(QByteArrayView value, const QDateTime &now)
{
    const QString text = QString::fromLatin1(value).simplified();
    if (text.isEmpty())
        return -1;
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; })) {
        bool ok = false;
        const qlonglong seconds = text.toLongLong(&ok);
        // More digits than a long long holds is still a very long wait.
        return ok ? int(std::min<qlonglong>(seconds, std::numeric_limits<int>::max())) : std::numeric_limits<int>::max();
    }
    // IMF date (the one to send), the obsolete RFC 850 date, and asctime()'s date, all in GMT.
    // The day's name is left out: a two-digit year would make it disagree with the date.
    static const char *const forms[] = {"d MMM yyyy HH:mm:ss 'GMT'", "d-MMM-yy HH:mm:ss 'GMT'", "MMM d HH:mm:ss yyyy"};
    const QLocale c = QLocale::c();
    const qsizetype dayEnds = text.indexOf(QRegularExpression(QStringLiteral("[, ]")));
    const QString date = dayEnds < 0 ? text : text.mid(dayEnds + 1).trimmed();
    for (const char *form : forms) {
        QDateTime when = c.toDateTime(date, QString::fromLatin1(form));
        if (!when.isValid())
            continue;
        when = QDateTime(when.date(), when.time(), Qt::UTC);
        // A two-digit year is the latest year with those digits that is not more than 50 years ahead.
        if (when.date().year() < 1970 || when > now.addYears(50))
            while (when < now.addYears(-50))
                when = when.addYears(100);
        return int(std::clamp<qint64>(now.secsTo(when), 0, std::numeric_limits<int>::max()));
    }
    return -1;
}
