// The list checker: a verdict for every entry of a list, from plain requests and, where they leave
// doubt, from the web engine.
#pragma once

#include "check/hostpacer.h"
#include "check/verdict.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <array>
#include <deque>
#include <map>
#include <optional>
#include <vector>

class HttpProbe;
class PageProbe;

struct CheckOptions {
    /// Requests at once to one host, the engine's page loads included: a person clicking fast opens a
    /// few pages of a site at once. A host that refuses requests (429, 503) gets fewer, further apart.
    int perHost = 4;
    /// Requests at once overall.
    int overall = 64;
    /// Engine pages loading at once.
    int pages = 4;
    int timeoutMs = 20000;
    /// How long a page that answered with an error may take to replace itself by script.
    int settleMs = 2000;
    /// Further attempts for a transient failure, after a pause that doubles each time (half a second,
    /// then a second): a server error that passes passes within that, and one that an address's own
    /// page gives every time (a status page, a broken script) should not hold the check up for long.
    int retries = 2;
    int backoffMs = 500;
    /// The longest wait a host may ask for (Retry-After); one that asks for longer is `blocked`.
    int maxRetryAfterMs = 120000;
    /// How often one address is asked again after the host turned it away as too many requests.
    int refusalRetries = 8;
    /// Without the engine, plain requests decide alone.
    bool useBrowser = true;
    /// The first part of each HTML page that answers is read for what it says (see HttpProbeSettings).
    bool readPages = true;
};

/// Checks the entries of a list, each distinct address once, politely per host, without blocking the
/// thread it runs on for long. Results come per entry (a 0-based line) through entryChecked().
class ListChecker final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListChecker)
public:
    /// @p pages may be null: then plain requests decide alone.
    ListChecker(HttpProbe &http, PageProbe *pages, QObject *parent = nullptr);
    ~ListChecker() override;

    void setOptions(const CheckOptions &options) { m_options = options; }
    const CheckOptions &options() const { return m_options; }

    /// Starts checking @p entries (exactly as the list holds them); a running check is cancelled first.
    void start(const QStringList &entries);
    /// Stops at once; entries not yet checked get no result. finished(true) follows.
    void cancel();
    bool isRunning() const { return m_running; }

    int total() const { return m_total; }
    int checkedCount() const { return m_checked; }
    int count(Verdict verdict) const { return m_counts[std::size_t(verdict)]; }
    qint64 elapsedMs() const;

    /// A host the check is waiting for, because it asked to wait or turned requests away.
    struct HostWait {
        QString host;
        /// Addresses of that host not yet checked.
        int addresses = 0;
        /// The wait its last Retry-After asked for, -1 when it asked for none.
        int askedSeconds = -1;
    };
    /// The host with the most addresses held back by a pause now; nothing when no host is paused.
    std::optional<HostWait> longestWait() const;
    /// Made-up addresses asked so far (each once, however often it was retried): at most one per
    /// host, and only of hosts that answered 2xx.
    int madeUpAsked() const { return m_madeUpAsked; }
    /// Requests that waited for a host's slower pace, because the host turned requests away as too
    /// many (see HostPacer): none on hosts whose refusals were only some addresses' own answers.
    int slowedRequests() const;

    /// Empty while every unchecked entry is on its way (queued, running, or waiting for a timer that
    /// is set); otherwise what is stuck. A running check must never be stuck.
    QString stuckEntries() const;

signals:
    /// Entry @p line (0-based) of the checked list got its result.
    void entryChecked(int line, const CheckResult &result);
    /// Every entry has its result, or the check was cancelled.
    void finished(bool cancelled);

private:
    enum class Stage { Request, Page };
    /// Held: the task has its result but waits for its host's made-up address to answer.
    enum class State { Waiting, Sleeping, Running, Held, Done };
    struct Task {
        QUrl url;
        int host = -1;
        int attempt = 0;
        /// Times the host's refusals sent this address back to the queue at its stage.
        int refusals = 0;
        /// The host refused this address's last request at its stage: an answer now shows the
        /// refusal was about the pace.
        bool refusedInStage = false;
        Stage stage = Stage::Request;
        State state = State::Waiting;
        /// When the current attempt started, on the check's clock.
        qint64 startedAt = 0;
        ProbeAnswer request;
        QElapsedTimer started;
        /// The lines that hold this address, in order.
        std::vector<int> lines;
        /// The host's made-up address, asked to learn how it answers an address it cannot have; or,
        /// with siteHome, the host's home page, asked to learn whether that answer is every page.
        bool madeUp = false;
        bool siteHome = false;
        /// For the made-up address: what its final answer said.
        MadeUpAnswer found;
        /// For a held task: its result as it stands before the comparison.
        CheckResult held;
    };
    struct Host {
        QString name;
        /// Tasks waiting for a plain request, and for an engine page.
        std::deque<int> requests;
        std::deque<int> pages;
        /// Plain requests and page loads open.
        int running = 0;
        /// Tasks of this host asleep until their own retry time.
        int sleeping = 0;
        bool queuedForRequest = false;
        bool queuedForPage = false;
        /// When this host's wake-up is due; -1 when none is set.
        qint64 wakeAt = -1;
        /// Seconds a host asked to wait beyond the longest wait allowed: its addresses are not asked.
        int closedSeconds = 0;
        int closedStatus = 0;
        HostPacer pacer;
        /// The host's first entry: the made-up address is made beside it.
        QUrl firstAddress;
        /// The made-up address's task, -1 before it is asked.
        int madeUpTask = -1;
        bool madeUpAnswered = false;
        MadeUpAnswer madeUp;
        /// The home page's task, asked after the made-up address when it answered with a page; -1
        /// before, or when it is not needed.
        int homeTask = -1;
        /// Tasks whose result waits for the made-up address.
        std::deque<int> held;
    };
    /// A wake-up due: a host whose pause ends (task -1), or a task whose retry pause ends.
    struct Wake {
        int host = -1;
        int task = -1;
    };

    void classifySome();
    void pump();
    void tryStart(int host, Stage stage);
    void startRequest(int task);
    void requestDone(int task, const ProbeAnswer &answer);
    /// After an answer: the host made ready again, what can start started, then @p result told.
    void moveOn(int host, int task, const std::optional<CheckResult> &result);
    void sleepTask(int task, int delayMs);
    void makeReady(int host);
    void wakeHostAt(int host, qint64 at);
    void wakeUp();
    void armWakeTimer();
    bool refusedByHost(int task, const ProbeAnswer &answer);
    void closeHost(int host);
    void startPage(int task);
    void pageDone(int task, const ProbeAnswer &answer);
    void finishTask(int task, CheckResult result);
    /// Asks the host's made-up address, once, ahead of its other requests.
    void askMadeUp(int host);
    /// The made-up address (or after it the home page) has its answer: the results it held are
    /// compared with it and told, unless the home page must be seen first.
    void madeUpFinished(int task);
    /// Whether one of the host's probes (made-up address, home page) is still to answer.
    bool probesOpen(const Host &h) const;
    void tellResult(int task, const CheckResult &result);
    void report(int line, const CheckResult &result);
    void finishIfDone();
    qint64 now() const { return m_clock.elapsed(); }

    HttpProbe &m_http;
    PageProbe *m_pages;
    CheckOptions m_options;
    bool m_running = false;
    /// Bumped by every start and cancel, so that late callbacks of an earlier run are ignored.
    quint64 m_generation = 0;
    QElapsedTimer m_clock;
    qint64 m_finishedAt = -1;

    QStringList m_entries;
    int m_total = 0;
    int m_classified = 0;
    int m_checked = 0;
    std::array<int, verdictCount> m_counts{};
    QTimer m_classifyTimer;

    /// A deque: tasks added while others are being handled (a host's made-up address) leave the
    /// references to those in place.
    std::deque<Task> m_tasks;
    QHash<QString, int> m_taskOfAddress;
    std::vector<Host> m_hosts;
    QHash<QString, int> m_hostOfKey;
    std::deque<int> m_readyForRequest;
    std::deque<int> m_readyForPage;
    int m_requestsRunning = 0;
    int m_pagesRunning = 0;
    /// Wake-ups by the time they are due; one timer is set for the first of them.
    std::multimap<qint64, Wake> m_wakeups;
    QTimer m_wakeTimer;
    int m_tasksOpen = 0;
    int m_madeUpAsked = 0;
};
