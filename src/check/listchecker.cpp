#include "check/listchecker.h"

#include "check/httpprobe.h"
#include "memory/pagesigns.h"

#include <QPointer>
#include <QRandomGenerator>

#include <algorithm>
#include <limits>

namespace {

/// Classifying entries is cut into slices this long, so that a list of 100,000 entries never
/// holds the user-interface thread for long.
constexpr qint64 sliceMs = 8;

QString hostKey(const QUrl &url)
{
    return url.scheme() + QStringLiteral("://") + url.host() + QLatin1Char(':')
        + QString::number(url.port(url.scheme() == u"https" ? 443 : 80));
}

/// Whether the engine must load the made-up address too: only when a browser may get a page where
/// the plain request did not see one (a page a script draws, a refresh, a wall for bots). Its 404,
/// a server error or a failure says enough: nothing is compared.
bool madeUpNeedsBrowser(const ProbeAnswer &answer)
{
    return answer.outcome == ProbeAnswer::Outcome::Answered && (answer.status < 400 || answer.status == 403);
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
    m_wakeTimer.setSingleShot(true);
    m_wakeTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_wakeTimer, &QTimer::timeout, this, &ListChecker::wakeUp);
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
    m_readyForRequest.clear();
    m_readyForPage.clear();
    m_requestsRunning = 0;
    m_pagesRunning = 0;
    m_wakeups.clear();
    m_wakeTimer.stop();
    m_tasksOpen = 0;
    m_madeUpAsked = 0;
    m_finishedAt = -1;
    m_running = true;
    m_clock.start();
    HttpProbeSettings settings;
    if (m_pages)
        settings.userAgent = m_pages->userAgent().toUtf8();
    settings.timeoutMs = m_options.timeoutMs;
    settings.readPages = m_options.readPages;
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
    m_readyForRequest.clear();
    m_readyForPage.clear();
    m_wakeups.clear();
    m_wakeTimer.stop();
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
                    m_hosts.back().name = target.url.host();
                    m_hosts.back().pacer = HostPacer(m_options.perHost);
                    m_hosts.back().firstAddress = target.url;
                    m_hostOfKey.insert(key, host);
                }
                Task t;
                t.url = target.url;
                t.host = host;
                t.lines.push_back(line);
                m_tasks.push_back(std::move(t));
                m_hosts[std::size_t(host)].requests.push_back(task);
                ++m_tasksOpen;
                makeReady(host);
                pump();
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
    if (h.closedSeconds > 0) {
        closeHost(host);
        return;
    }
    const bool wantsRequest = !h.requests.empty() && !h.queuedForRequest;
    const bool wantsPage = !h.pages.empty() && !h.queuedForPage;
    if (!wantsRequest && !wantsPage)
        return;
    // A host at its limit is made ready again when one of its requests ends.
    if (h.running >= h.pacer.limit())
        return;
    const qint64 at = h.pacer.nextStartAt();
    if (at > now()) {
        wakeHostAt(host, at);
        return;
    }
    if (wantsRequest) {
        h.queuedForRequest = true;
        m_readyForRequest.push_back(host);
    }
    if (wantsPage) {
        h.queuedForPage = true;
        m_readyForPage.push_back(host);
    }
}

void ListChecker::wakeHostAt(int host, qint64 at)
{
    Host &h = m_hosts[std::size_t(host)];
    // An earlier wake-up looks again when it comes and sets the next one.
    if (h.wakeAt >= 0 && h.wakeAt <= at)
        return;
    h.wakeAt = at;
    m_wakeups.emplace(at, Wake{host, -1});
    armWakeTimer();
}

void ListChecker::armWakeTimer()
{
    if (m_wakeups.empty()) {
        m_wakeTimer.stop();
        return;
    }
    const qint64 due = m_wakeups.begin()->first;
    m_wakeTimer.start(int(std::clamp<qint64>(due - now(), 0, std::numeric_limits<int>::max())));
}

void ListChecker::wakeUp()
{
    const quint64 generation = m_generation;
    // A timer may come a little early (coarse timers of a few seconds do): what is not due yet
    // waits for the rest of its time on the timer set again below.
    std::vector<int> hosts;
    while (!m_wakeups.empty() && m_wakeups.begin()->first <= now()) {
        const auto [at, wake] = *m_wakeups.begin();
        m_wakeups.erase(m_wakeups.begin());
        Host &h = m_hosts[std::size_t(wake.host)];
        if (wake.task >= 0) {
            Task &t = m_tasks[std::size_t(wake.task)];
            --h.sleeping;
            t.state = State::Waiting;
            (t.stage == Stage::Page ? h.pages : h.requests).push_front(wake.task);
        } else if (h.wakeAt == at) {
            h.wakeAt = -1;
        }
        hosts.push_back(wake.host);
    }
    for (int host : hosts) {
        makeReady(host);
        if (generation != m_generation)
            return;
    }
    armWakeTimer();
    pump();
    finishIfDone();
}

void ListChecker::pump()
{
    const quint64 generation = m_generation;
    bool started = true;
    while (started && m_running && generation == m_generation) {
        started = false;
        if (m_requestsRunning < std::max(1, m_options.overall) && !m_readyForRequest.empty()) {
            const int host = m_readyForRequest.front();
            m_readyForRequest.pop_front();
            m_hosts[std::size_t(host)].queuedForRequest = false;
            tryStart(host, Stage::Request);
            started = true;
        }
        if (generation != m_generation || !m_running)
            return;
        if (m_pages && m_pagesRunning < std::max(1, m_options.pages) && !m_readyForPage.empty()) {
            const int host = m_readyForPage.front();
            m_readyForPage.pop_front();
            m_hosts[std::size_t(host)].queuedForPage = false;
            tryStart(host, Stage::Page);
            started = true;
        }
    }
}

void ListChecker::tryStart(int host, Stage stage)
{
    Host &h = m_hosts[std::size_t(host)];
    std::deque<int> &queue = stage == Stage::Page ? h.pages : h.requests;
    if (queue.empty() || !h.pacer.mayStart(h.running, now()) || h.closedSeconds > 0) {
        makeReady(host);
        return;
    }
    const int task = queue.front();
    queue.pop_front();
    ++h.running;
    h.pacer.started(now());
    Task &t = m_tasks[std::size_t(task)];
    t.state = State::Running;
    t.startedAt = now();
    // Round robin: the host goes to the back, so that one big host does not hold up the others.
    makeReady(host);
    if (stage == Stage::Page)
        startPage(task);
    else
        startRequest(task);
}

void ListChecker::startRequest(int task)
{
    Task &t = m_tasks[std::size_t(task)];
    if (t.attempt == 0) {
        t.started.start();
        if (t.madeUp && !t.siteHome)
            ++m_madeUpAsked;
    }
    ++t.attempt;
    ++m_requestsRunning;
    const quint64 generation = m_generation;
    QPointer<ListChecker> self(this);
    m_http.probe(t.url, [self, generation, task](const ProbeAnswer &answer) {
        if (self && self->m_generation == generation)
            self->requestDone(task, answer);
    });
}

bool ListChecker::refusedByHost(int task, const ProbeAnswer &answer)
{
    Task &t = m_tasks[std::size_t(task)];
    Host &h = m_hosts[std::size_t(t.host)];
    const bool refusal = answer.outcome == ProbeAnswer::Outcome::Answered && (answer.status == 429 || answer.status == 503);
    if (!refusal) {
        if (answer.outcome == ProbeAnswer::Outcome::Answered)
            h.pacer.answered(task, t.refusedInStage);
        t.refusedInStage = false;
        return false;
    }
    const qint64 waitMs = answer.retryAfterSeconds >= 0 ? qint64(answer.retryAfterSeconds) * 1000 : -1;
    if (waitMs > m_options.maxRetryAfterMs) {
        // Holding the whole check that long is no use to anyone: the host's addresses are blocked.
        h.closedSeconds = answer.retryAfterSeconds;
        h.closedStatus = answer.status;
        return false;
    }
    t.refusedInStage = true;
    // Only a refusal that is the host's slows the host down and is asked again at its pace; one that
    // is the address's own answer (its page is an error) is asked again as a transient failure is,
    // a few times, without holding up the host's other addresses.
    if (!h.pacer.refused(now(), t.startedAt, waitMs, QRandomGenerator::global()->generateDouble(), task))
        return false;
    // 429 is the host saying "not so fast", and so is a 503 that says when to come back: asked
    // again at the host's new pace. A plain 503 may be a server that is down: retried as any
    // transient failure is.
    if (answer.status == 503 && waitMs < 0)
        return false;
    if (t.refusals >= m_options.refusalRetries)
        return false;
    ++t.refusals;
    t.state = State::Waiting;
    (t.stage == Stage::Page ? h.pages : h.requests).push_front(task);
    return true;
}

void ListChecker::requestDone(int task, const ProbeAnswer &answer)
{
    Task &t = m_tasks[std::size_t(task)];
    const int host = t.host;
    Host &h = m_hosts[std::size_t(host)];
    --h.running;
    --m_requestsRunning;
    t.request = answer;
    std::optional<CheckResult> result;
    // A host that answers a page makes the comparison worth its one request.
    if (answer.outcome == ProbeAnswer::Outcome::Answered && answer.status >= 200 && answer.status < 300)
        askMadeUp(host);
    if (refusedByHost(task, answer)) {
        // asked again at the host's pace
    } else if (h.closedSeconds > 0 && answer.outcome == ProbeAnswer::Outcome::Answered
               && (answer.status == 429 || answer.status == 503)) {
        result = resultFromRequest(t.url, answer);
        result->verdict = Verdict::Blocked;
        result->reason = QStringLiteral("asks to wait %1 s").arg(h.closedSeconds);
    } else if (isTransient(answer) && t.attempt <= m_options.retries) {
        sleepTask(task, m_options.backoffMs << (t.attempt - 1));
    } else if (m_pages && m_options.useBrowser && needsBrowser(answer) && (!t.madeUp || madeUpNeedsBrowser(answer))
               // The home page asked beside the made-up address is never the engine's: its plain
               // answer (a page, a refusal, an error) tells whether it is the made-up page, and servers
               // that refuse "/" (nginx's 403 for a folder without an index) would send every host
               // of a list to the engine.
               && !t.siteHome) {
        t.stage = Stage::Page;
        t.state = State::Waiting;
        t.refusals = 0;
        t.refusedInStage = false;
        h.pages.push_back(task);
    } else {
        result = resultFromRequest(t.url, answer);
        if (t.madeUp)
            t.found = madeUpAnswer(t.url, answer, *result);
    }
    moveOn(host, task, result);
}

void ListChecker::moveOn(int host, int task, const std::optional<CheckResult> &result)
{
    // The host and the queues are brought up to date before the result is told, so that whoever
    // hears of it finds the check in order.
    const quint64 generation = m_generation;
    makeReady(host);
    if (generation != m_generation || !m_running)
        return;
    pump();
    if (generation != m_generation || !m_running)
        return;
    if (result)
        finishTask(task, *result);
}

void ListChecker::sleepTask(int task, int delayMs)
{
    Task &t = m_tasks[std::size_t(task)];
    t.state = State::Sleeping;
    ++m_hosts[std::size_t(t.host)].sleeping;
    m_wakeups.emplace(now() + delayMs, Wake{t.host, task});
    armWakeTimer();
}

void ListChecker::closeHost(int host)
{
    const quint64 generation = m_generation;
    Host &h = m_hosts[std::size_t(host)];
    const int seconds = h.closedSeconds;
    const int status = h.closedStatus;
    // Out of the queues first: the results are told one by one.
    std::vector<int> tasks(h.requests.begin(), h.requests.end());
    tasks.insert(tasks.end(), h.pages.begin(), h.pages.end());
    h.requests.clear();
    h.pages.clear();
    for (int task : tasks) {
        CheckResult r;
        r.verdict = Verdict::Blocked;
        r.status = status;
        r.reason = QStringLiteral("asks to wait %1 s").arg(seconds);
        finishTask(task, r);
        if (generation != m_generation)
            return;
    }
}

void ListChecker::startPage(int task)
{
    ++m_pagesRunning;
    const quint64 generation = m_generation;
    QPointer<ListChecker> self(this);
    m_pages->load(m_tasks[std::size_t(task)].url, m_options.timeoutMs, m_options.settleMs,
                  [self, generation, task](const ProbeAnswer &answer) {
                      if (self && self->m_generation == generation)
                          self->pageDone(task, answer);
                  });
}

void ListChecker::pageDone(int task, const ProbeAnswer &answer)
{
    --m_pagesRunning;
    Task &t = m_tasks[std::size_t(task)];
    const int host = t.host;
    --m_hosts[std::size_t(host)].running;
    std::optional<CheckResult> result;
    // The engine's 429 is a refusal like any other: asked again under the same pacing.
    if (!refusedByHost(task, answer)) {
        result = resultFromBrowser(t.url, t.request, answer);
        if (t.madeUp)
            t.found = madeUpAnswer(t.url, answer, *result);
    }
    moveOn(host, task, result);
}

void ListChecker::finishTask(int task, CheckResult result)
{
    Task &t = m_tasks[std::size_t(task)];
    if (t.madeUp) {
        madeUpFinished(task);
        return;
    }
    result.milliseconds = t.started.isValid() ? t.started.elapsed() : 0;
    if (waitsForMadeUp(result)) {
        Host &h = m_hosts[std::size_t(t.host)];
        if (h.madeUpAnswered) {
            judgeAgainstMadeUp(result, t.url, h.madeUp);
        } else {
            // Every page this host answers may be the one it gives for any address: the verdict
            // waits for the made-up address, whatever the order the answers come in.
            askMadeUp(t.host);
            t.state = State::Held;
            t.held = std::move(result);
            t.request = ProbeAnswer();
            h.held.push_back(task);
            // Asked now, when the engine's answer was the host's first page.
            pump();
            return;
        }
    }
    tellResult(task, result);
}

void ListChecker::askMadeUp(int host)
{
    Host &h = m_hosts[std::size_t(host)];
    if (h.madeUpTask >= 0)
        return;
    Task t;
    t.url = madeUpAddressBeside(h.firstAddress, QRandomGenerator::global());
    t.host = host;
    t.madeUp = true;
    h.madeUpTask = int(m_tasks.size());
    m_tasks.push_back(std::move(t));
    // Ahead of the host's other addresses, at the host's pace like any of them.
    h.requests.push_front(h.madeUpTask);
    ++m_tasksOpen;
    makeReady(host);
}

bool ListChecker::probesOpen(const Host &h) const
{
    for (int probe : {h.madeUpTask, h.homeTask})
        if (probe >= 0 && m_tasks[std::size_t(probe)].state != State::Done)
            return true;
    return false;
}

void ListChecker::madeUpFinished(int task)
{
    Task &t = m_tasks[std::size_t(task)];
    const int host = t.host;
    Host &h = m_hosts[std::size_t(host)];
    t.state = State::Done;
    t.request = ProbeAnswer();
    --m_tasksOpen;
    if (t.siteHome) {
        learnSiteHome(h.madeUp, t.found);
    } else {
        h.madeUp = t.found;
        if (madeUpWantsSiteHome(h.madeUp)) {
            // A page at the made-up address is a not-found page only where the site's own pages
            // differ from it: its home is asked, ahead of the rest, before anything is compared.
            Task home;
            home.url = siteHomeOf(t.url);
            home.host = host;
            home.madeUp = true;
            home.siteHome = true;
            h.homeTask = int(m_tasks.size());
            m_tasks.push_back(std::move(home));
            h.requests.push_front(h.homeTask);
            ++m_tasksOpen;
            makeReady(host);
            pump();
            return;
        }
    }
    h.madeUpAnswered = true;
    // Told one by one: whoever hears of one finds the others still held, in order.
    const quint64 generation = m_generation;
    while (!h.held.empty()) {
        const int each = h.held.front();
        h.held.pop_front();
        Task &waiting = m_tasks[std::size_t(each)];
        CheckResult result = std::move(waiting.held);
        waiting.held = CheckResult();
        judgeAgainstMadeUp(result, waiting.url, h.madeUp);
        tellResult(each, result);
        if (generation != m_generation)
            return;
    }
    finishIfDone();
}

void ListChecker::tellResult(int task, const CheckResult &result)
{
    Task &t = m_tasks[std::size_t(task)];
    t.state = State::Done;
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
        m_wakeups.clear();
        m_wakeTimer.stop();
        emit finished(false);
    }
}

std::optional<ListChecker::HostWait> ListChecker::longestWait() const
{
    if (!m_running)
        return std::nullopt;
    std::optional<HostWait> longest;
    for (const Host &h : m_hosts) {
        int addresses = int(h.requests.size() + h.pages.size() + h.held.size()) + h.sleeping;
        // The made-up address and the home page asked beside it are no addresses of the list.
        for (int probe : {h.madeUpTask, h.homeTask})
            if (probe >= 0 && m_tasks[std::size_t(probe)].state != State::Done
                && m_tasks[std::size_t(probe)].state != State::Running)
                --addresses;
        if (addresses == 0 || !h.pacer.wasRefused() || h.pacer.nextStartAt() <= now())
            continue;
        if (!longest || addresses > longest->addresses)
            longest = HostWait{h.name, addresses, h.pacer.askedSeconds()};
    }
    return longest;
}

int ListChecker::slowedRequests() const
{
    int slowed = 0;
    for (const Host &h : m_hosts)
        slowed += h.pacer.slowedStarts();
    return slowed;
}

QString ListChecker::stuckEntries() const
{
    if (!m_running)
        return {};
    if (!m_wakeups.empty() && !m_wakeTimer.isActive())
        return QStringLiteral("wake-ups are due but no timer is set");
    // Something must be coming: an answer, a timer, or more of the list to read.
    const bool somethingComes = m_requestsRunning > 0 || m_pagesRunning > 0 || m_wakeTimer.isActive()
        || m_classifyTimer.isActive();
    if (m_tasksOpen > 0 && !somethingComes)
        return QStringLiteral("%1 addresses open and nothing running or timed").arg(m_tasksOpen);
    for (std::size_t i = 0; i < m_tasks.size(); ++i) {
        const Task &t = m_tasks[i];
        const Host &h = m_hosts[std::size_t(t.host)];
        const QString what = t.url.toString();
        switch (t.state) {
        case State::Done:
        case State::Running:
            break;
        case State::Held: {
            // Once the made-up address has answered, the held ones are told in a row: one that is
            // still listed is next.
            if (std::find(h.held.begin(), h.held.end(), int(i)) == h.held.end())
                return what + QStringLiteral(" is held but not listed with its host");
            if (!h.madeUpAnswered && !probesOpen(h))
                return what + QStringLiteral(" is held for a made-up address nobody asks");
            break;
        }
        case State::Sleeping: {
            const bool timed = std::any_of(m_wakeups.begin(), m_wakeups.end(),
                                           [&](const auto &w) { return w.second.task == int(i); });
            if (!timed)
                return what + QStringLiteral(" sleeps with no wake-up");
            break;
        }
        case State::Waiting: {
            const std::deque<int> &queue = t.stage == Stage::Page ? h.pages : h.requests;
            if (std::find(queue.begin(), queue.end(), int(i)) == queue.end())
                return what + QStringLiteral(" waits in no queue");
            const bool queued = t.stage == Stage::Page ? h.queuedForPage : h.queuedForRequest;
            const bool timed = h.wakeAt >= 0;
            const bool atLimit = h.running > 0 && h.running >= h.pacer.limit();
            if (!queued && !timed && !atLimit)
                return what + QStringLiteral(" waits for a host that is neither queued, timed nor busy");
            if (queued && !timed && !atLimit && !somethingComes)
                return what + QStringLiteral(" is queued but nothing will start it");
            break;
        }
        }
    }
    return {};
}
