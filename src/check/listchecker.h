// The list checker: a verdict for every entry of a list, from plain requests and, where they leave
// doubt, from the web engine.
#pragma once

#include "check/verdict.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <array>
#include <deque>
#include <vector>

class HttpProbe;
class PageProbe;

struct CheckOptions {
    /// Requests at once to one host: a person clicking fast opens a few pages of a site at once.
    int perHost = 4;
    /// Requests at once overall.
    int overall = 64;
    /// Engine pages loading at once.
    int pages = 4;
    int timeoutMs = 20000;
    /// How long a page that answered with an error may take to replace itself by script.
    int settleMs = 2000;
    /// Further attempts for a transient failure, after a growing pause.
    int retries = 2;
    int backoffMs = 1000;
    /// The longest pause a Retry-After may impose on a host.
    int maxRetryAfterMs = 60000;
    /// Without the engine, plain requests decide alone.
    bool useBrowser = true;
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

signals:
    /// Entry @p line (0-based) of the checked list got its result.
    void entryChecked(int line, const CheckResult &result);
    /// Every entry has its result, or the check was cancelled.
    void finished(bool cancelled);

private:
    struct Task {
        QUrl url;
        int host = -1;
        int attempt = 0;
        ProbeAnswer request;
        QElapsedTimer started;
        /// The lines that hold this address, in order.
        std::vector<int> lines;
    };
    struct Host {
        std::deque<int> waiting;
        int running = 0;
        bool queued = false;
        qint64 pausedUntil = 0;
    };

    void classifySome();
    void pump();
    void startRequest(int task);
    void requestDone(int task, const ProbeAnswer &answer);
    void retryLater(int task, int delayMs);
    void makeReady(int host);
    void pumpPages();
    void pageDone(int task, const ProbeAnswer &answer);
    void finishTask(int task, CheckResult result);
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

    std::vector<Task> m_tasks;
    QHash<QString, int> m_taskOfAddress;
    std::vector<Host> m_hosts;
    QHash<QString, int> m_hostOfKey;
    std::deque<int> m_readyHosts;
    int m_requestsRunning = 0;
    std::deque<int> m_pageQueue;
    int m_pagesRunning = 0;
    int m_tasksOpen = 0;
};
