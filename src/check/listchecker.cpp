#include "check/listchecker.h"

#include "check/httpprobe.h"

#include <QPointer>

#include <algorithm>

namespace {

/// Classifying entries is cut into slices this long, so that a list of 100,000 entries never
/// holds the user-interface thread for long.
constexpr qint64 sliceMs = 8;

QString hostKey(const QUrl &url)
{
    return url.scheme() + QStringLiteral("://") + url.host() + QLatin1Char(':')
        + QString::number(url.port(url.scheme() == u"https" ? 443 : 80));
}

} // namespace

ListChecker::ListChecker(HttpProbe &http, PageProbe *pages, QObject *parent)
    : QObject(parent)
    , m_http(http)
    , m_pages(pages)
{
    m_classifyTimer.setSingleShot(true);
    m_classifyTimer.setInterval(0);
    connect(&m_classifyTimer, &QTimer::timeout, this, &ListChecker::classifySome);
}

ListChecker::~ListChecker()
{
    if (m_running) {
        ++m_generation;
        m_http.abortAll();
        if (m_pages)
            m_pages->abortAll();
    }
}

qint64 ListChecker::elapsedMs() const
{
    if (!m_clock.isValid())
        return 0;
    return m_finishedAt >= 0 ? m_finishedAt : m_clock.elapsed();
}

void ListChecker::start(const QStringList &entries)
{
    if (m_running)
        cancel();
    ++m_generation;
    m_entries = entries;
    m_total = int(entries.size());
    m_classified = 0;
    m_checked = 0;
    m_counts.fill(0);
    m_tasks.clear();
    m_taskOfAddress.clear();
    m_hosts.clear();
    m_hostOfKey.clear();
    m_readyHosts.clear();
    m_requestsRunning = 0;
    m_pageQueue.clear();
    m_pagesRunning = 0;
    m_tasksOpen = 0;
    m_finishedAt = -1;
    m_running = true;
    m_clock.start();
    HttpProbeSettings settings;
    if (m_pages)
        settings.userAgent = m_pages->userAgent().toUtf8();
    settings.timeoutMs = m_options.timeoutMs;
    m_http.setSettings(settings);
    m_classifyTimer.start();
}

void ListChecker::cancel()
{
    if (!m_running)
        return;
    ++m_generation;
    m_classifyTimer.stop();
    m_http.abortAll();
    if (m_pages)
        m_pages->abortAll();
    m_running = false;
    m_finishedAt = m_clock.elapsed();
    m_tasks.clear();
    m_taskOfAddress.clear();
    m_hosts.clear();
    m_hostOfKey.clear();
    m_readyHosts.clear();
    m_pageQueue.clear();
    emit finished(true);
}

void ListChecker::classifySome()
{
    const quint64 generation = m_generation;
    QElapsedTimer slice;
    slice.start();
    while (m_classified < m_total && slice.elapsed() < sliceMs) {
        const int line = m_classified++;
        const EntryTarget target = targetOfEntry(m_entries.at(line));
        if (target.kind == EntryTarget::Kind::Skip || target.kind == EntryTarget::Kind::Unloadable) {
            CheckResult r;
            r.verdict = target.kind == EntryTarget::Kind::Skip ? Verdict::Skipped : Verdict::Dead;
            r.reason = target.reason;
            report(line, r);
        } else if (target.kind == EntryTarget::Kind::File) {
            report(line, fileResult(target.url));
        } else {
            const QString address = target.url.toString(QUrl::FullyEncoded);
            auto known = m_taskOfAddress.constFind(address);
            if (known != m_taskOfAddress.constEnd()) {
                m_tasks[std::size_t(*known)].lines.push_back(line);
            } else {
                const int task = int(m_tasks.size());
                m_taskOfAddress.insert(address, task);
                const QString key = hostKey(target.url);
                int host = m_hostOfKey.value(key, -1);
                if (host < 0) {
                    host = int(m_hosts.size());
                    m_hosts.emplace_back();
                    m_hostOfKey.insert(key, host);
                }
                Task t;
                t.url = target.url;
                t.host = host;
                t.lines.push_back(line);
                m_tasks.push_back(std::move(t));
                m_hosts[std::size_t(host)].waiting.push_back(task);
                ++m_tasksOpen;
                makeReady(host);
            }
        }
        if (generation != m_generation)
            return; // a receiver of entryChecked cancelled
    }
    // Only the freed memory of the text is given back; the results keep what they need.
    if (m_classified < m_total)
        m_classifyTimer.start();
    else
        m_entries = QStringList();
    pump();
    finishIfDone();
}

void ListChecker::makeReady(int host)
{
    Host &h = m_hosts[std::size_t(host)];
    if (h.queued || h.waiting.empty() || h.running >= std::max(1, m_options.perHost) || h.pausedUntil > now())
        return;
    h.queued = true;
    m_readyHosts.push_back(host);
}

void ListChecker::pump()
{
    while (m_running && m_requestsRunning < std::max(1, m_options.overall) && !m_readyHosts.empty()) {
        const int host = m_readyHosts.front();
        m_readyHosts.pop_front();
        Host &h = m_hosts[std::size_t(host)];
        h.queued = false;
        if (h.waiting.empty() || h.running >= std::max(1, m_options.perHost) || h.pausedUntil > now())
            continue;
        const int task = h.waiting.front();
        h.waiting.pop_front();
        ++h.running;
        ++m_requestsRunning;
        // Round robin: the host goes to the back, so that one big host does not hold up the others.
        makeReady(host);
        startRequest(task);
    }
}

void ListChecker::startRequest(int task)
{
    Task &t = m_tasks[std::size_t(task)];
    if (t.attempt == 0)
        t.started.start();
    ++t.attempt;
    const quint64 generation = m_generation;
    QPointer<ListChecker> self(this);
    m_http.probe(t.url, [self, generation, task](const ProbeAnswer &answer) {
        if (self && self->m_generation == generation)
            self->requestDone(task, answer);
    });
}

void ListChecker::requestDone(int task, const ProbeAnswer &answer)
{
    Task &t = m_tasks[std::size_t(task)];
    const int host = t.host;
    const quint64 generation = m_generation;
    Host &h = m_hosts[std::size_t(host)];
    --h.running;
    --m_requestsRunning;
    t.request = answer;
    if (isTransient(answer) && t.attempt <= m_options.retries) {
        int delay = m_options.backoffMs << (t.attempt - 1);
        if (answer.retryAfterSeconds >= 0) {
            // The server said when to come back: the whole host waits, not just this address.
            delay = int(std::min<qint64>(qint64(answer.retryAfterSeconds) * 1000, m_options.maxRetryAfterMs));
            h.pausedUntil = std::max(h.pausedUntil, now() + delay);
            QTimer::singleShot(delay, this, [this, generation, host] {
                if (generation == m_generation) {
                    makeReady(host);
                    pump();
                }
            });
        }
        retryLater(task, delay);
    } else if (m_pages && m_options.useBrowser && needsBrowser(answer)) {
        m_pageQueue.push_back(task);
        pumpPages();
    } else {
        finishTask(task, resultFromRequest(t.url, answer));
    }
    if (generation != m_generation || !m_running)
        return;
    makeReady(host);
    pump();
}

void ListChecker::retryLater(int task, int delayMs)
{
    const quint64 generation = m_generation;
    QTimer::singleShot(delayMs, this, [this, generation, task] {
        if (generation != m_generation)
            return;
        const int host = m_tasks[std::size_t(task)].host;
        m_hosts[std::size_t(host)].waiting.push_front(task);
        makeReady(host);
        pump();
    });
}

void ListChecker::pumpPages()
{
    while (m_running && m_pagesRunning < std::max(1, m_options.pages) && !m_pageQueue.empty()) {
        const int task = m_pageQueue.front();
        m_pageQueue.pop_front();
        ++m_pagesRunning;
        const quint64 generation = m_generation;
        QPointer<ListChecker> self(this);
        m_pages->load(m_tasks[std::size_t(task)].url, m_options.timeoutMs, m_options.settleMs,
                      [self, generation, task](const ProbeAnswer &answer) {
                          if (self && self->m_generation == generation)
                              self->pageDone(task, answer);
                      });
    }
}

void ListChecker::pageDone(int task, const ProbeAnswer &answer)
{
    --m_pagesRunning;
    const Task &t = m_tasks[std::size_t(task)];
    const quint64 generation = m_generation;
    finishTask(task, resultFromBrowser(t.url, t.request, answer));
    if (generation == m_generation)
        pumpPages();
}

void ListChecker::finishTask(int task, CheckResult result)
{
    Task &t = m_tasks[std::size_t(task)];
    result.milliseconds = t.started.isValid() ? t.started.elapsed() : 0;
    // Nothing of a finished request is kept but its result.
    const std::vector<int> lines = std::move(t.lines);
    t.lines = {};
    t.request = ProbeAnswer();
    --m_tasksOpen;
    const quint64 generation = m_generation;
    for (int line : lines) {
        report(line, result);
        if (generation != m_generation)
            return;
    }
    finishIfDone();
}

void ListChecker::report(int line, const CheckResult &result)
{
    ++m_checked;
    ++m_counts[std::size_t(result.verdict)];
    emit entryChecked(line, result);
}

void ListChecker::finishIfDone()
{
    if (m_running && m_classified >= m_total && m_tasksOpen == 0 && !m_classifyTimer.isActive()) {
        m_running = false;
        m_finishedAt = m_clock.elapsed();
        m_tasks.clear();
        m_taskOfAddress.clear();
        emit finished(false);
    }
}
