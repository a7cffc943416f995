// How the list checker paces each host: waits a host asks for, refusals that slow it down, the engine's
// loads under the same pace, and a check that always comes to its end.
#include "check/hostpacer.h"
#include "check/headclient.h"
#include "check/httpprobe.h"
#include "check/listchecker.h"
#include "check/networkprobe.h"
#include "fakes/httptestserver.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QPointer>
#include <QLocale>
#include <QSet>
#include <QTcpSocket>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>

namespace {

ProbeAnswer answered(int status, int retryAfter = -1)
{
    ProbeAnswer a;
    a.outcome = ProbeAnswer::Outcome::Answered;
    a.status = status;
    a.retryAfterSeconds = retryAfter;
    return a;
}

/// What one host saw, plain requests and engine loads together: how many were open at once, when
/// each started, and whether one started while the host had asked to be left alone.
struct HostTraffic {
    QElapsedTimer clock;
    QHash<QString, int> open;
    QHash<QString, int> mostAtOnce;
    QHash<QString, qint64> quietUntil;
    QStringList startedInAPause;
    QHash<QString, QList<qint64>> startTimes;
    QHash<QString, QList<qint64>> addressTimes;
    QStringList asked;

    HostTraffic() { clock.start(); }
    void start(const QUrl &url, const char *by)
    {
        const QString host = url.host();
        asked << QStringLiteral("%1 %2").arg(QLatin1String(by), url.toString());
        mostAtOnce[host] = std::max(mostAtOnce.value(host), ++open[host]);
        startTimes[host] << clock.elapsed();
        addressTimes[url.toString()] << clock.elapsed();
        // Two clocks read in whole milliseconds (the checker's and this one) may differ by a few.
        if (clock.elapsed() + 10 < quietUntil.value(host))
            startedInAPause << QStringLiteral("%1 at %2 ms, quiet until %3 ms")
                                   .arg(url.toString())
                                   .arg(clock.elapsed())
                                   .arg(quietUntil.value(host));
    }
    void end(const QUrl &url, const ProbeAnswer &answer)
    {
        --open[url.host()];
        if (answer.retryAfterSeconds > 0)
            quietUntil[url.host()] = clock.elapsed() + qint64(answer.retryAfterSeconds) * 1000;
    }
};

/// Answers from a script per address (the last answer repeats) after a short delay.
class ScriptedProbe {
public:
    explicit ScriptedProbe(HostTraffic &traffic)
        : m_traffic(traffic)
    {
    }
    QHash<QString, QList<ProbeAnswer>> answers;
    int delayMs = 5;

protected:
    void answerLater(QObject *context, const QUrl &url, const char *by, std::function<void(const ProbeAnswer &)> done)
    {
        m_traffic.start(url, by);
        QList<ProbeAnswer> &script = answers[url.toString()];
        const ProbeAnswer answer = script.isEmpty() ? answered(200) : script.size() > 1 ? script.takeFirst() : script.first();
        QTimer::singleShot(delayMs, context, [this, url, answer, done, generation = m_generation] {
            if (generation != m_generation)
                return;
            m_traffic.end(url, answer);
            done(answer);
        });
    }
    HostTraffic &m_traffic;
    quint64 m_generation = 0;
};

class FakeHttp final : public HttpProbe, public ScriptedProbe {
public:
    explicit FakeHttp(HostTraffic &traffic)
        : ScriptedProbe(traffic)
    {
    }
    void setSettings(const HttpProbeSettings &) override {}
    void probe(const QUrl &url, std::function<void(const ProbeAnswer &)> done) override
    {
        answerLater(this, url, "request", std::move(done));
    }
    void abortAll() override { ++m_generation; }
};

class FakeEngine final : public PageProbe, public ScriptedProbe {
public:
    explicit FakeEngine(HostTraffic &traffic)
        : ScriptedProbe(traffic)
    {
        delayMs = 30;
    }
    QString userAgent() const override { return QStringLiteral("FakeEngine/1.0"); }
    void load(const QUrl &url, int, int, std::function<void(const ProbeAnswer &)> done) override
    {
        answerLater(this, url, "page", std::move(done));
    }
    void abortAll() override { ++m_generation; }
};

/// Runs a check to its end, looking at the check's progress after every result and every few
/// milliseconds between them: an unchecked entry that is not queued, running or timed is a check
/// that never ends.
struct WatchedRun {
    QList<CheckResult> results;
    QStringList stuck;
    bool finished = false;
    qint64 ms = 0;
};

WatchedRun runWatched(ListChecker &checker, const QStringList &entries, int budgetMs)
{
    WatchedRun run;
    run.results.resize(entries.size());
    const auto look = [&] {
        const QString stuck = checker.stuckEntries();
        if (!stuck.isEmpty() && run.stuck.size() < 5)
            run.stuck << stuck;
    };
    QObject context;
    QObject::connect(&checker, &ListChecker::entryChecked, &context, [&](int line, const CheckResult &r) {
        run.results[line] = r;
        look();
    });
    QTimer watch;
    watch.setInterval(2);
    QObject::connect(&watch, &QTimer::timeout, &context, look);
    QSignalSpy finished(&checker, &ListChecker::finished);
    QElapsedTimer clock;
    clock.start();
    checker.start(entries);
    watch.start();
    run.finished = finished.wait(budgetMs);
    run.ms = clock.elapsed();
    return run;
}

QStringList pagesOn(const QString &host, int count)
{
    QStringList entries;
    for (int i = 0; i < count; ++i)
        entries << QStringLiteral("http://%1/%2").arg(host).arg(i);
    return entries;
}

/// Refuses every request with 429 and the Retry-After it is given.
class RefusingServer final : public HttpTestServer {
public:
    QByteArray retryAfter;

private:
    void answer(QTcpSocket *socket, const QByteArray &) override
    {
        socket->write("HTTP/1.1 429 Too Many Requests\r\nRetry-After: " + retryAfter
                      + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        socket->disconnectFromHost();
    }
};

/// Answers every request with a small page after @p delayMs, on a connection of its own; one whose
/// delay is negative never answers.
class SlowServer final : public HttpTestServer {
public:
    int delayMs = 0;
    int requests = 0;

private:
    void answer(QTcpSocket *socket, const QByteArray &) override
    {
        ++requests;
        if (delayMs < 0)
            return;
        QPointer<QTcpSocket> later(socket);
        QTimer::singleShot(delayMs, this, [later] {
            if (!later)
                return;
            later->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 20\r\nConnection: close\r\n\r\n"
                         "<title>slow</title>\n");
            later->disconnectFromHost();
        });
    }
};

/// The process's soft open-file limit lowered for a while, as `ulimit -n` does.
class OpenFileLimit {
public:
    explicit OpenFileLimit(rlim_t soft)
    {
        m_ok = ::getrlimit(RLIMIT_NOFILE, &m_before) == 0;
        rlimit lowered = m_before;
        lowered.rlim_cur = std::min(soft, m_before.rlim_max);
        m_ok = m_ok && ::setrlimit(RLIMIT_NOFILE, &lowered) == 0;
    }
    ~OpenFileLimit()
    {
        if (m_ok)
            ::setrlimit(RLIMIT_NOFILE, &m_before);
    }
    bool ok() const { return m_ok; }

private:
    rlimit m_before{};
    bool m_ok = false;
};

QByteArray httpDate(const QDateTime &when, const char *format)
{
    return QLocale::c().toString(when.toUTC(), QString::fromLatin1(format)).toLatin1();
}

} // namespace

class TestCheckPacing : public QObject {
    Q_OBJECT
private slots:
    void refusalsSlowAHostDownOnceAndItRecoversSlowly();
    void onlyTheHostsOwnRefusalsSlowItDown_data();
    void onlyTheHostsOwnRefusalsSlowItDown();
    void retryAfterIsReadAsSecondsOrAsADate_data();
    void retryAfterIsReadAsSecondsOrAsADate();
    void aCheckEndsWhateverWaitTheHostAsksFor_data();
    void aCheckEndsWhateverWaitTheHostAsksFor();
    void refusalsAreAskedAgainAtTheHostsPace_data();
    void refusalsAreAskedAgainAtTheHostsPace();
    void theEnginesLoadsKeepTheHostsLimitAndPause();
    void aWaitBeyondTheLongestAllowedIsBlocked();
    void theProgressTellsWhichHostTheCheckWaitsFor();
    void theTimeOutRunsFromWhenTheRequestGoesOut_data();
    void theTimeOutRunsFromWhenTheRequestGoesOut();
};

void TestCheckPacing::refusalsSlowAHostDownOnceAndItRecoversSlowly()
{
    HostPacer pacer(4);
    QVERIFY(pacer.mayStart(3, 0));
    QVERIFY(!pacer.mayStart(4, 0));
    pacer.started(0);
    pacer.started(0);
    pacer.started(0);
    pacer.started(0);
    // Four requests open at once are refused one after the other: the third address refused shows the
    // refusals are the host's, and the host slows down once, not again for the fourth.
    QVERIFY(!pacer.refused(10, 0, -1, 0.0, 1));
    QVERIFY(!pacer.refused(11, 0, -1, 0.0, 2));
    QCOMPARE(pacer.limit(), 4);
    QVERIFY(pacer.refused(12, 0, -1, 0.0, 3));
    QVERIFY(pacer.refused(13, 0, -1, 0.0, 4));
    QCOMPARE(pacer.limit(), 2);
    // Nor for one that started in the millisecond the host was slowed down in, before it was.
    QVERIFY(pacer.refused(13, 12, -1, 0.0, 5));
    QCOMPARE(pacer.limit(), 2);
    QCOMPARE(pacer.intervalMs(), qint64(HostPacer::firstIntervalMs));
    // The pause runs from the last refusal.
    QVERIFY(!pacer.mayStart(0, 13 + HostPacer::firstIntervalMs - 1));
    QVERIFY(pacer.mayStart(0, 13 + HostPacer::firstIntervalMs));
    // A request sent at the new pace and refused again slows it down further.
    pacer.started(300);
    pacer.refused(310, 300, -1, 0.5, 1);
    QCOMPARE(pacer.limit(), 1);
    QCOMPARE(pacer.intervalMs(), qint64(2 * HostPacer::firstIntervalMs));
    QCOMPARE(pacer.pausedUntil(), qint64(310 + 3 * HostPacer::firstIntervalMs)); // half again, by the jitter
    // A wait the host asks for holds, however short the back-off.
    pacer.refused(400, 400, 5000, 0.0, 2);
    QCOMPARE(pacer.pausedUntil(), qint64(5400));
    QCOMPARE(pacer.askedSeconds(), 5);
    QVERIFY(!pacer.mayStart(0, 5399));
    // Recovery is slow: nothing changes before a run of answers, then one step at a time.
    const qint64 slowest = pacer.intervalMs();
    for (int i = 1; i < HostPacer::answersPerStep; ++i)
        pacer.answered(100 + i, false);
    QCOMPARE(pacer.intervalMs(), slowest);
    pacer.answered(100, false);
    QCOMPARE(pacer.intervalMs(), slowest * 3 / 4);
    QCOMPARE(pacer.limit(), 1);
    for (int i = 0; i < 100 * HostPacer::answersPerStep; ++i)
        pacer.answered(200 + i, false);
    QCOMPARE(pacer.intervalMs(), qint64(0));
    QCOMPARE(pacer.limit(), 4); // and no further than the limit it started with
    // A host shown to turn requests away stays known for it: one refusal slows it down again.
    QVERIFY(pacer.refused(9000, 9000, -1, 0.0, 1));
    QCOMPARE(pacer.limit(), 2);
    // The back-off never grows without end.
    for (int i = 0; i < 20; ++i)
        pacer.refused(10000 + i, 10000 + i, -1, 0.0, 1);
    QCOMPARE(pacer.intervalMs(), qint64(HostPacer::longestIntervalMs));
}

void TestCheckPacing::onlyTheHostsOwnRefusalsSlowItDown_data()
{
    // What the host answered, in order: "r<address>" a refusal, "w<address>" a refusal with a wait it
    // asks for, "a<address>" an answer that is no refusal; and whether the host ends up slowed down.
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<bool>("slowed");
    const auto answers = [](const char *text) { return QString::fromLatin1(text).split(u' '); };
    QTest::newRow("one address's own error, again and again") << answers("a1 r2 a3 r2 a4 r2 a5 r2 a6 r2 r2 r2 r2 r2") << false;
    QTest::newRow("two addresses' own errors") << answers("r1 r2 a3 r1 a4 r2 a5 r1 r2 r1 r2") << false;
    QTest::newRow("three addresses refused") << answers("a1 r2 r3 r4") << true;
    QTest::newRow("three addresses refused, far apart")
        << answers("r1 a2 a3 a4 a5 a6 a7 a8 a9 a10 a11 a12 a13 a14 a15 a16 a17 a18 a19 a20 a21 r22 a23 a24 a25 a26 a27 a28 a29 a30 "
                   "a31 a32 a33 a34 a35 a36 a37 a38 a39 a40 a41 a42 r43")
        << false;
    QTest::newRow("a wait asked for") << answers("a1 w2") << true;
    QTest::newRow("refused, then answered when asked again") << answers("a1 r2 a3 a2") << true;
}

void TestCheckPacing::onlyTheHostsOwnRefusalsSlowItDown()
{
    QFETCH(QStringList, answers);
    QFETCH(bool, slowed);
    HostPacer pacer(4);
    QSet<int> refused;
    qint64 now = 0;
    for (const QString &answer : std::as_const(answers)) {
        const int address = answer.mid(1).toInt();
        pacer.started(now);
        now += 10;
        if (answer.startsWith(u'a')) {
            pacer.answered(address, refused.contains(address));
            refused.remove(address);
        } else {
            pacer.refused(now, now - 10, answer.startsWith(u'w') ? 0 : -1, 0.0, address);
            refused.insert(address);
        }
    }
    QCOMPARE(pacer.turnsRequestsAway(), slowed);
    QCOMPARE(pacer.limit() < 4, slowed);
    QCOMPARE(pacer.intervalMs() > 0, slowed);
}

void TestCheckPacing::retryAfterIsReadAsSecondsOrAsADate_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("least");
    QTest::addColumn<int>("most");
    const QDateTime inAMinute = QDateTime::currentDateTimeUtc().addSecs(60);
    QTest::newRow("seconds") << QByteArray("30") << 30 << 30;
    QTest::newRow("seconds, blanks around") << QByteArray(" 7 ") << 7 << 7;
    // The three date forms HTTP allows; a date in the past means now.
    QTest::newRow("IMF date") << httpDate(inAMinute, "ddd, dd MMM yyyy HH:mm:ss 'GMT'") << 50 << 61;
    QTest::newRow("RFC 850 date") << httpDate(inAMinute, "dddd, dd-MMM-yy HH:mm:ss 'GMT'") << 50 << 61;
    QTest::newRow("asctime date") << httpDate(inAMinute, "ddd MMM d HH:mm:ss yyyy") << 50 << 61;
    QTest::newRow("a date gone by") << httpDate(inAMinute.addDays(-1), "ddd, dd MMM yyyy HH:mm:ss 'GMT'") << 0 << 0;
    QTest::newRow("nonsense") << QByteArray("soon") << -1 << -1;
}

void TestCheckPacing::retryAfterIsReadAsSecondsOrAsADate()
{
    QFETCH(QByteArray, value);
    QFETCH(int, least);
    QFETCH(int, most);
    RefusingServer server;
    server.retryAfter = value;
    NetworkProbe http;
    ProbeAnswer answer;
    bool done = false;
    http.probe(server.url(QStringLiteral("/")), [&](const ProbeAnswer &a) {
        answer = a;
        done = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(done, 20000);
    QCOMPARE(answer.status, 429);
    QVERIFY2(answer.retryAfterSeconds >= least && answer.retryAfterSeconds <= most,
             qPrintable(QStringLiteral("%1 gave %2").arg(QString::fromLatin1(value)).arg(answer.retryAfterSeconds)));
}

void TestCheckPacing::aCheckEndsWhateverWaitTheHostAsksFor_data()
{
    // Timers of a few seconds may come early: each wait must still end, and not before its time.
    QTest::addColumn<int>("seconds");
    QTest::newRow("2 s") << 2;
    QTest::newRow("3 s") << 3;
    QTest::newRow("5 s") << 5;
}

void TestCheckPacing::aCheckEndsWhateverWaitTheHostAsksFor()
{
    QFETCH(int, seconds);
    HostTraffic traffic;
    FakeHttp http(traffic);
    const QStringList entries = pagesOn(QStringLiteral("busy.example"), 3) << QStringLiteral("http://other.example/");
    http.answers[entries[0]] = {answered(429, seconds), answered(200)};
    http.answers[entries[2]] = {answered(503, seconds), answered(200)};
    ListChecker checker(http, nullptr);
    const WatchedRun run = runWatched(checker, entries, seconds * 4000 + 30000);
    QVERIFY2(run.stuck.isEmpty(), qPrintable(run.stuck.join(u'\n')));
    QVERIFY2(run.finished, "the check never ended");
    qInfo("a check with a wait of %d s took %lld ms", seconds, run.ms);
    for (const CheckResult &r : run.results)
        QCOMPARE(verdictWord(r.verdict), QStringLiteral("alive"));
    QVERIFY2(traffic.startedInAPause.isEmpty(), qPrintable(traffic.startedInAPause.join(u'\n')));
    QVERIFY(run.ms >= seconds * 1000);
    // The other host was not held up by this one's wait.
    QCOMPARE(traffic.asked.count(QStringLiteral("request http://other.example/")), 1);
}

void TestCheckPacing::refusalsAreAskedAgainAtTheHostsPace_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("retryAfter");
    QTest::addColumn<int>("refusals");
    /// Three other addresses of the host are refused once too, just before this one.
    QTest::addColumn<bool>("othersRefused");
    QTest::addColumn<QString>("verdict");
    QTest::addColumn<int>("asked");
    /// Whether the host was slowed down for turning requests away.
    QTest::addColumn<bool>("slowed");
    // A host that says "too many requests" is asked again, slower, until it answers.
    QTest::newRow("429 five times, other addresses refused too") << 429 << -1 << 5 << true << "alive" << 6 << true;
    QTest::newRow("429 with Retry-After 0") << 429 << 0 << 3 << false << "alive" << 4 << true;
    QTest::newRow("503 that says when") << 503 << 1 << 3 << false << "alive" << 4 << true;
    // A host that never stops refusing is given up on at last.
    QTest::newRow("429 for good, other addresses refused too") << 429 << -1 << 100 << true << "blocked" << 6 << true;
    // A plain 503 is a server in trouble: retried as any transient failure, twice.
    QTest::newRow("503 for good") << 503 << -1 << 100 << false << "failing" << 3 << false;
    QTest::newRow("503 for good, other addresses 503 too") << 503 << -1 << 100 << true << "failing" << 3 << true;
    // An address whose own page is 429, on a host that answers its other addresses: its answer, asked
    // again as a transient failure is, and nothing of the host slowed down.
    QTest::newRow("429 for good, the address's own answer") << 429 << -1 << 100 << false << "blocked" << 3 << false;
    // Refused, and answered when asked again: the host was turning requests away after all.
    QTest::newRow("429 once, then the page") << 429 << -1 << 1 << false << "alive" << 2 << true;
}

void TestCheckPacing::refusalsAreAskedAgainAtTheHostsPace()
{
    QFETCH(int, status);
    QFETCH(int, retryAfter);
    QFETCH(int, refusals);
    QFETCH(bool, othersRefused);
    QFETCH(QString, verdict);
    QFETCH(int, asked);
    QFETCH(bool, slowed);
    HostTraffic traffic;
    FakeHttp http(traffic);
    const QString address = QStringLiteral("http://limited.example/page");
    QStringList entries;
    if (othersRefused) {
        entries = pagesOn(QStringLiteral("limited.example"), 3);
        for (const QString &other : std::as_const(entries))
            http.answers[other] = {answered(status), answered(200)};
    }
    entries << address;
    for (int i = 0; i < refusals; ++i)
        http.answers[address] << answered(status, retryAfter);
    http.answers[address] << answered(200);
    ListChecker checker(http, nullptr);
    CheckOptions options;
    options.backoffMs = 20;
    options.refusalRetries = 5;
    checker.setOptions(options);
    const WatchedRun run = runWatched(checker, entries, 120000);
    QVERIFY2(run.stuck.isEmpty(), qPrintable(run.stuck.join(u'\n')));
    QVERIFY(run.finished);
    QCOMPARE(verdictWord(run.results.last().verdict), verdict);
    QCOMPARE(traffic.asked.count(QStringLiteral("request ") + address), asked);
    QCOMPARE(checker.slowedRequests() > 0, slowed);
    // Each refusal of a slowed host put the address's next request further off; an address's own
    // error is asked again after the short pause of a transient failure.
    const QList<qint64> times = traffic.addressTimes.value(address);
    if (status == 429 && retryAfter < 0 && refusals > 1)
        for (int i = 1; i < times.size(); ++i)
            QVERIFY2((times[i] - times[i - 1] >= HostPacer::firstIntervalMs) == slowed,
                     qPrintable(QStringLiteral("request %1 came %2 ms after the one before").arg(i).arg(times[i] - times[i - 1])));
}

void TestCheckPacing::theEnginesLoadsKeepTheHostsLimitAndPause()
{
    // Every plain request is refused as a bot's: each address goes to the engine. The engine's loads
    // are requests to the host like any other: within its limit together with the plain ones, never
    // during a wait it asked for, and its own 429 is asked again rather than taken as the verdict.
    HostTraffic traffic;
    FakeHttp http(traffic);
    FakeEngine engine(traffic);
    QStringList entries = pagesOn(QStringLiteral("walled.example"), 12);
    for (const QString &e : entries)
        http.answers[e] = {answered(403)};
    http.answers[entries[3]] = {answered(429, 2), answered(403)};
    engine.answers[entries[1]] = {answered(429), answered(429), answered(200)};
    engine.answers[entries[5]] = {answered(429), answered(200)};
    ListChecker checker(http, &engine);
    CheckOptions options;
    options.perHost = 3;
    options.pages = 4;
    checker.setOptions(options);
    const WatchedRun run = runWatched(checker, entries, 60000);
    QVERIFY2(run.stuck.isEmpty(), qPrintable(run.stuck.join(u'\n')));
    QVERIFY(run.finished);
    for (int i = 0; i < entries.size(); ++i)
        QVERIFY2(run.results[i].verdict == Verdict::Alive && run.results[i].byBrowser,
                 qPrintable(QStringLiteral("%1: %2, %3").arg(entries[i], verdictWord(run.results[i].verdict), run.results[i].reason)));
    QVERIFY2(traffic.mostAtOnce.value(QStringLiteral("walled.example")) <= 3,
             qPrintable(QString::number(traffic.mostAtOnce.value(QStringLiteral("walled.example")))));
    QVERIFY2(traffic.startedInAPause.isEmpty(), qPrintable(traffic.startedInAPause.join(u'\n')));
    QCOMPARE(traffic.asked.count(QStringLiteral("page ") + entries[1]), 3);
}

void TestCheckPacing::aWaitBeyondTheLongestAllowedIsBlocked()
{
    HostTraffic traffic;
    FakeHttp http(traffic);
    const QStringList entries = pagesOn(QStringLiteral("sleepy.example"), 6) << QStringLiteral("http://awake.example/");
    for (int i = 0; i < 6; ++i)
        http.answers[entries[i]] = {answered(429, 3600)};
    ListChecker checker(http, nullptr);
    CheckOptions options;
    options.perHost = 1;
    checker.setOptions(options);
    const WatchedRun run = runWatched(checker, entries, 30000);
    QVERIFY(run.finished);
    QVERIFY2(run.ms < 20000, "the check waited for the host"); // a hang guard, far from the hour asked for
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(verdictWord(run.results[i].verdict), QStringLiteral("blocked"));
        QCOMPARE(run.results[i].reason, QStringLiteral("asks to wait 3600 s"));
    }
    QCOMPARE(verdictWord(run.results[6].verdict), QStringLiteral("alive"));
    // The host asked to be left alone for an hour: its other addresses are not asked at all.
    QCOMPARE(traffic.startTimes.value(QStringLiteral("sleepy.example")).size(), 1);
}

void TestCheckPacing::theProgressTellsWhichHostTheCheckWaitsFor()
{
    HostTraffic traffic;
    FakeHttp http(traffic);
    const QStringList entries = pagesOn(QStringLiteral("example.org"), 3);
    http.answers[entries[0]] = {answered(429, 60), answered(200)};
    ListChecker checker(http, nullptr);
    QVERIFY(!checker.longestWait());
    checker.start(entries);
    QTRY_VERIFY_WITH_TIMEOUT(checker.longestWait().has_value(), 10000);
    const ListChecker::HostWait wait = *checker.longestWait();
    QCOMPARE(wait.host, QStringLiteral("example.org"));
    QCOMPARE(wait.askedSeconds, 60);
    // The refused address and those that had not been asked yet, not those already answered.
    QVERIFY2(wait.addresses >= 1 && wait.addresses <= 3, qPrintable(QString::number(wait.addresses)));
    QVERIFY(checker.stuckEntries().isEmpty());
    checker.cancel();
    QVERIFY(!checker.longestWait());
}

void TestCheckPacing::theTimeOutRunsFromWhenTheRequestGoesOut_data()
{
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<int>("requests");
    QTest::addColumn<QString>("verdict");
    // An open-file limit of 64 leaves the plain requests 8 connections: six rounds of slow pages, the
    // last of them long after the time-out, each of its requests well within it once it goes out.
    QTest::newRow("slow pages, six to a connection") << 300 << 48 << "alive";
    // A server that never answers: every request is still sent before its time runs out.
    QTest::newRow("no answer ever") << -1 << 24 << "failing";
}

void TestCheckPacing::theTimeOutRunsFromWhenTheRequestGoesOut()
{
    QFETCH(int, delayMs);
    QFETCH(int, requests);
    QFETCH(QString, verdict);
    SlowServer server;
    server.delayMs = delayMs;
    OpenFileLimit limit(64);
    if (!limit.ok())
        QSKIP("the open-file limit cannot be lowered here");
    QCOMPARE(HeadClient::limitsFor(64).open, 8);
    NetworkProbe http;
    HttpProbeSettings settings;
    settings.timeoutMs = 1500;
    http.setSettings(settings);
    QList<CheckResult> results;
    for (int i = 0; i < requests; ++i) {
        const QUrl url = server.url(QStringLiteral("/page%1").arg(i));
        http.probe(url, [&results, url](const ProbeAnswer &answer) { results << resultFromRequest(url, answer); });
    }
    // A hang guard only: the rounds take 2 s and 5 s.
    QTRY_COMPARE_WITH_TIMEOUT(results.size(), requests, 60000);
    QStringList wrong;
    for (const CheckResult &r : std::as_const(results))
        if (verdictWord(r.verdict) != verdict)
            wrong << verdictWord(r.verdict) + QStringLiteral(" (") + r.reason + QLatin1Char(')');
    QVERIFY2(wrong.isEmpty(), qPrintable(QStringLiteral("%1 of %2: ").arg(wrong.size()).arg(requests) + wrong.value(0)));
    QCOMPARE(server.requests, requests);
}

QTEST_MAIN(TestCheckPacing)
#include "tst_check_pacing.moc"
