// The list checker: how entries are read, what each answer means, how politely a list is worked
// through, and the real plain requests against a loopback server with every case.
#include "check/checkreport.h"
#include "check/headclient.h"
#include "check/httpprobe.h"
#include "check/listchecker.h"
#include "check/networkprobe.h"
#include "fakes/checkserver.h"
#include "store/urllistfile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QStringDecoder>
#include <QTcpServer>
#include <QTimeZone>
#include <QTest>
#include <QTimer>

Q_DECLARE_METATYPE(ProbeAnswer)

namespace {

ProbeAnswer answered(int status, const QUrl &movedTo = {}, int retryAfter = -1)
{
    ProbeAnswer a;
    a.outcome = ProbeAnswer::Outcome::Answered;
    a.status = status;
    a.movedTo = movedTo;
    a.finalUrl = movedTo;
    a.retryAfterSeconds = retryAfter;
    return a;
}

ProbeAnswer failed(ProbeAnswer::Outcome outcome)
{
    ProbeAnswer a;
    a.outcome = outcome;
    return a;
}

/// Answers from a script per address (the last answer repeats), a few milliseconds later; records
/// how many requests each host had open at once.
class FakeHttpProbe final : public HttpProbe {
public:
    void setSettings(const HttpProbeSettings &s) override { settings = s; }
    void probe(const QUrl &url, std::function<void(const ProbeAnswer &)> done) override
    {
        const QString address = url.toString();
        asked.append(address);
        const int host = ++openPerHost[url.host()];
        mostPerHost = std::max(mostPerHost, host);
        mostOverall = std::max(mostOverall, ++open);
        QList<ProbeAnswer> &script = answers[address];
        const ProbeAnswer answer = script.isEmpty() ? unscripted : script.size() > 1 ? script.takeFirst() : script.first();
        const quint64 generation = m_generation;
        QTimer::singleShot(delayMs, this, [this, url, answer, done, generation] {
            if (generation != m_generation)
                return;
            --openPerHost[url.host()];
            --open;
            done(answer);
        });
    }
    void abortAll() override
    {
        ++m_generation;
        ++aborts;
        open = 0;
        openPerHost.clear();
    }

    HttpProbeSettings settings;
    QHash<QString, QList<ProbeAnswer>> answers;
    /// The answer of every address without a script (a made-up one among them).
    ProbeAnswer unscripted = answered(200);
    QStringList asked;
    QHash<QString, int> openPerHost;
    int open = 0;
    int mostPerHost = 0;
    int mostOverall = 0;
    int aborts = 0;
    int delayMs = 5;

private:
    quint64 m_generation = 0;
};

class FakePageProbe final : public PageProbe {
public:
    QString userAgent() const override { return QStringLiteral("FakeEngine/1.0"); }
    void load(const QUrl &url, int, int, std::function<void(const ProbeAnswer &)> done) override
    {
        loaded.append(url.toString());
        const ProbeAnswer answer = answers.value(url.toString(), answered(200));
        QTimer::singleShot(5, this, [this, answer, done, generation = m_generation] {
            if (generation == m_generation)
                done(answer);
        });
    }
    void abortAll() override { ++m_generation; }
    QHash<QString, ProbeAnswer> answers;
    QStringList loaded;

private:
    quint64 m_generation = 0;
};

/// Runs a check to its end and gives the result of each line.
QList<CheckResult> runCheck(ListChecker &checker, const QStringList &entries, int budgetMs = 30000)
{
    QList<CheckResult> results(entries.size());
    QList<int> seen(entries.size(), 0);
    QObject::connect(&checker, &ListChecker::entryChecked, &checker, [&](int line, const CheckResult &r) {
        results[line] = r;
        ++seen[line];
    });
    QSignalSpy finished(&checker, &ListChecker::finished);
    checker.start(entries);
    if (!finished.wait(budgetMs))
        qWarning("the check did not finish in %d ms", budgetMs);
    checker.disconnect(&checker);
    for (int n : seen)
        if (n != 1)
            qWarning("an entry was reported %d times", n);
    return results;
}

} // namespace

class TestCheck : public QObject {
    Q_OBJECT
private slots:
    void entriesAreReadAsAnAddressBoxReadsThem_data();
    void entriesAreReadAsAnAddressBoxReadsThem();
    void answersGiveVerdicts_data();
    void answersGiveVerdicts();
    void eachAddressIsCheckedOnceAndEveryLineGetsItsResult();
    void requestsStayWithinTheLimitsPerHostAndOverall();
    void retryAfterPausesTheHostAndTransientFailuresAreRetried();
    void doubtfulAnswersGoToTheBrowserWhichDecides();
    void cancelStopsAtOnceAndReportsNothingMore();
    void reportsQuoteAndKeepEveryField();
    void reportsAreSafeToOpen_data();
    void reportsAreSafeToOpen();
    void aFailureAfterRedirectsNamesTheHostThatFailed();
    void realRequestsGiveTheServersTruth_data();
    void realRequestsGiveTheServersTruth();
    void aHeadRefusedIsAskedAgainWithGet();
    void keptConnectionsAreReusedAndAskedAgainWhenDropped();
    void connectionsStayWithinTheirBudgetAndKeptOnesClose();
};

void TestCheck::entriesAreReadAsAnAddressBoxReadsThem_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("url");
    using K = EntryTarget::Kind;
    QTest::newRow("http, fragment dropped") << "http://example.com/a?b#c" << int(K::Web) << "http://example.com/a?b";
    QTest::newRow("https upper case") << "HTTPS://Example.com/" << int(K::Web) << "https://example.com/";
    QTest::newRow("host only") << "example.com/page" << int(K::Web) << "http://example.com/page";
    QTest::newRow("host and port") << "localhost:8080/x" << int(K::Web) << "http://localhost:8080/x";
    QTest::newRow("spaces around") << "  http://example.com/  " << int(K::Web) << "http://example.com/";
    QTest::newRow("empty") << "" << int(K::Skip) << "";
    QTest::newRow("blanks") << "   \t" << int(K::Skip) << "";
    QTest::newRow("javascript") << "javascript:alert(1)" << int(K::Skip) << "";
    QTest::newRow("data") << "data:text/html,hi" << int(K::Skip) << "";
    QTest::newRow("about") << "about:blank" << int(K::Skip) << "";
    QTest::newRow("mailto") << "mailto:someone@example.com" << int(K::Skip) << "";
    QTest::newRow("ftp") << "ftp://example.com/" << int(K::Skip) << "";
    QTest::newRow("words") << "not an address" << int(K::Skip) << "";
    QTest::newRow("one word") << "hello" << int(K::Skip) << "";
    QTest::newRow("file") << "file:///etc/hostname" << int(K::File) << "file:///etc/hostname";
    QTest::newRow("space in host") << "http://exa mple.com/" << int(K::Unloadable) << "";
    QTest::newRow("no host") << "http://" << int(K::Unloadable) << "";
    QTest::newRow("10 MB of junk") << QString(10 * 1024 * 1024, QLatin1Char('x')) << int(K::Skip) << "";
    QTest::newRow("10 MB address") << QStringLiteral("http://example.com/") + QString(10 * 1024 * 1024, QLatin1Char('x'))
                                   << int(K::Unloadable) << "";
}

void TestCheck::entriesAreReadAsAnAddressBoxReadsThem()
{
    QFETCH(QString, entry);
    QFETCH(int, kind);
    QFETCH(QString, url);
    const EntryTarget t = targetOfEntry(entry);
    QCOMPARE(int(t.kind), kind);
    if (!url.isEmpty())
        QCOMPARE(t.url.toString(), url);
    if (kind == int(EntryTarget::Kind::Skip) || kind == int(EntryTarget::Kind::Unloadable))
        QVERIFY2(!t.reason.isEmpty() && t.reason.size() < 200, qPrintable(t.reason));
}

void TestCheck::answersGiveVerdicts_data()
{
    QTest::addColumn<ProbeAnswer>("request");
    QTest::addColumn<bool>("askBrowser");
    QTest::addColumn<int>("requestVerdict");
    QTest::addColumn<ProbeAnswer>("browser");
    QTest::addColumn<int>("browserVerdict");
    using O = ProbeAnswer::Outcome;
    const QUrl other(QStringLiteral("http://example.org/new"));
    const int a = int(Verdict::Alive), m = int(Verdict::Moved), d = int(Verdict::Dead), b = int(Verdict::Blocked),
              f = int(Verdict::Failing);
    QTest::newRow("200") << answered(200) << false << a << ProbeAnswer() << -1;
    QTest::newRow("301 then 200") << answered(200, other) << false << m << ProbeAnswer() << -1;
    QTest::newRow("404 confirmed") << answered(404) << true << d << answered(404) << d;
    QTest::newRow("404 to bots only") << answered(404) << true << d << answered(200) << a;
    QTest::newRow("410 confirmed") << answered(410) << true << d << answered(410) << d;
    QTest::newRow("403 bot wall") << answered(403) << true << b << answered(200) << a;
    QTest::newRow("403 always") << answered(403) << true << b << answered(403) << b;
    QTest::newRow("401") << answered(401) << true << b << answered(401) << b;
    QTest::newRow("429 still") << answered(429) << true << b << answered(429) << b;
    QTest::newRow("500") << answered(500) << true << f << answered(500) << f;
    QTest::newRow("301 then 403 let through") << answered(403, other) << true << b << answered(200) << m;
    QTest::newRow("no such host") << failed(O::NoSuchHost) << false << d << ProbeAnswer() << -1;
    QTest::newRow("refused") << failed(O::Refused) << false << d << ProbeAnswer() << -1;
    QTest::newRow("time-out") << failed(O::TimedOut) << true << f << failed(O::TimedOut) << f;
    QTest::newRow("time-out, browser loads") << failed(O::TimedOut) << true << f << answered(200) << a;
    QTest::newRow("loop") << failed(O::RedirectLoop) << true << d << failed(O::TooManyRedirects) << d;
    QTest::newRow("malformed") << failed(O::ProtocolError) << true << d << failed(O::ProtocolError) << d;
    QTest::newRow("tls") << failed(O::TlsError) << true << d << failed(O::TlsError) << d;
    QTest::newRow("browser loads, status untold") << answered(403) << true << b << answered(0) << a;
}

void TestCheck::answersGiveVerdicts()
{
    QFETCH(ProbeAnswer, request);
    QFETCH(bool, askBrowser);
    QFETCH(int, requestVerdict);
    QFETCH(ProbeAnswer, browser);
    QFETCH(int, browserVerdict);
    const QUrl checked(QStringLiteral("http://example.com/old"));
    QCOMPARE(needsBrowser(request), askBrowser);
    const CheckResult fast = resultFromRequest(checked, request);
    QCOMPARE(verdictWord(fast.verdict), verdictWord(Verdict(requestVerdict)));
    QVERIFY(!fast.byBrowser);
    QVERIFY(!fast.reason.isEmpty());
    if (fast.verdict == Verdict::Moved)
        QCOMPARE(fast.newAddress, QStringLiteral("http://example.org/new"));
    if (browserVerdict >= 0) {
        const CheckResult decided = resultFromBrowser(checked, request, browser);
        QCOMPARE(verdictWord(decided.verdict), verdictWord(Verdict(browserVerdict)));
        QVERIFY(decided.byBrowser);
        QVERIFY(!decided.reason.isEmpty());
    }
}

void TestCheck::eachAddressIsCheckedOnceAndEveryLineGetsItsResult()
{
    FakeHttpProbe http;
    http.answers[QStringLiteral("http://a.example/gone")] = {answered(410)};
    ListChecker checker(http, nullptr);
    const QStringList entries{QStringLiteral("http://a.example/"), QString(), QStringLiteral("http://a.example/gone"),
                              QStringLiteral("a.example/"), QStringLiteral("javascript:void(0)"),
                              QStringLiteral("http://a.example/gone"), QStringLiteral("http://a.example/")};
    const QList<CheckResult> r = runCheck(checker, entries);
    // "a.example/" is the same address as "http://a.example/"; and the host, which answers, is asked
    // one made-up address.
    QCOMPARE(http.asked.size(), 3);
    QCOMPARE(checker.madeUpAsked(), 1);
    const QList<Verdict> expected{Verdict::Alive, Verdict::Skipped, Verdict::Dead, Verdict::Alive,
                                  Verdict::Skipped, Verdict::Dead, Verdict::Alive};
    for (int i = 0; i < entries.size(); ++i)
        QCOMPARE(verdictWord(r[i].verdict), verdictWord(expected[i]));
    QCOMPARE(checker.checkedCount(), 7);
    QCOMPARE(checker.count(Verdict::Dead), 2);
    QCOMPARE(checker.count(Verdict::Skipped), 2);
}

void TestCheck::requestsStayWithinTheLimitsPerHostAndOverall()
{
    FakeHttpProbe http;
    http.delayMs = 10;
    ListChecker checker(http, nullptr);
    CheckOptions options;
    options.perHost = 3;
    options.overall = 8;
    checker.setOptions(options);
    QStringList entries;
    for (int host = 0; host < 6; ++host)
        for (int page = 0; page < 30; ++page)
            entries << QStringLiteral("http://host%1.example/%2").arg(host).arg(page);
    const QList<CheckResult> r = runCheck(checker, entries);
    QCOMPARE(http.asked.size(), 180 + 6); // and one made-up address per host
    QCOMPARE(checker.madeUpAsked(), 6);
    QCOMPARE(checker.count(Verdict::Alive), 180);
    QVERIFY2(http.mostPerHost <= 3, qPrintable(QString::number(http.mostPerHost)));
    QVERIFY2(http.mostOverall <= 8, qPrintable(QString::number(http.mostOverall)));
    QCOMPARE(http.mostOverall, 8); // and the limit is used: hosts are worked on side by side
}

void TestCheck::retryAfterPausesTheHostAndTransientFailuresAreRetried()
{
    FakeHttpProbe http;
    const QString limited = QStringLiteral("http://busy.example/a");
    const QString flaky = QStringLiteral("http://flaky.example/");
    const QString down = QStringLiteral("http://down.example/");
    http.answers[limited] = {answered(429, {}, 1), answered(200)};
    http.answers[flaky] = {failed(ProbeAnswer::Outcome::NetworkError), answered(503), answered(200)};
    http.answers[down] = {answered(503)};
    ListChecker checker(http, nullptr);
    CheckOptions options;
    options.backoffMs = 20;
    options.retries = 2;
    checker.setOptions(options);
    QElapsedTimer clock;
    clock.start();
    const QList<CheckResult> r = runCheck(checker, {limited, QStringLiteral("http://busy.example/b"), flaky, down});
    QCOMPARE(verdictWord(r[0].verdict), QStringLiteral("alive"));
    QCOMPARE(verdictWord(r[2].verdict), QStringLiteral("alive"));
    QCOMPARE(verdictWord(r[3].verdict), QStringLiteral("failing"));
    QCOMPARE(http.asked.count(limited), 2);
    QCOMPARE(http.asked.count(flaky), 3);
    QCOMPARE(http.asked.count(down), 3); // the first attempt and two retries
    // The host asked for a second's pause: the checker cannot have finished sooner.
    QVERIFY(clock.elapsed() >= 1000);
}

void TestCheck::doubtfulAnswersGoToTheBrowserWhichDecides()
{
    FakeHttpProbe http;
    FakePageProbe engine;
    const QString wall = QStringLiteral("http://wall.example/");
    const QString gone = QStringLiteral("http://gone.example/");
    const QString fine = QStringLiteral("http://fine.example/");
    http.answers[wall] = {answered(403)};
    http.answers[gone] = {answered(404)};
    engine.answers[gone] = answered(404);
    ListChecker checker(http, &engine);
    const QList<CheckResult> r = runCheck(checker, {wall, gone, fine});
    QCOMPARE(http.settings.userAgent, QByteArray("FakeEngine/1.0")); // requests present themselves as the engine
    QCOMPARE(engine.loaded, (QStringList{wall, gone}));
    QCOMPARE(verdictWord(r[0].verdict), QStringLiteral("alive"));
    QVERIFY(r[0].byBrowser);
    QCOMPARE(verdictWord(r[1].verdict), QStringLiteral("dead"));
    QVERIFY(r[1].byBrowser);
    QVERIFY(!r[2].byBrowser);

    // Without the browser, plain requests decide alone.
    CheckOptions options;
    options.useBrowser = false;
    checker.setOptions(options);
    engine.loaded.clear();
    const QList<CheckResult> fast = runCheck(checker, {wall, gone});
    QVERIFY(engine.loaded.isEmpty());
    QCOMPARE(verdictWord(fast[0].verdict), QStringLiteral("blocked"));
    QCOMPARE(verdictWord(fast[1].verdict), QStringLiteral("dead"));

    // Hosts whose made-up address shows a page, so that their home pages are asked too, and whose home
    // refuses plain requests, as nginx does at a folder without an index: the refusal is told by the
    // plain request alone. Only the entries that need it go to the engine, never a host's home.
    options.useBrowser = true;
    checker.setOptions(options);
    engine.loaded.clear();
    http.asked.clear();
    http.unscripted.page.read = true;
    http.unscripted.page.title = QStringLiteral("Shop");
    http.unscripted.page.text = QStringLiteral("Lamps and chairs");
    QStringList shops;
    for (int i = 0; i < 3; ++i) {
        const QString home = QStringLiteral("http://shop%1.example/").arg(i);
        http.answers[home] = {answered(403)};
        shops << home + QStringLiteral("lamp");
        ProbeAnswer lamp = answered(200);
        lamp.page.read = true;
        lamp.page.title = QStringLiteral("A lamp");
        lamp.page.text = QStringLiteral("A brass lamp, 40 cm");
        http.answers[shops.last()] = {lamp};
    }
    http.answers[shops[1]] = {answered(404)};
    engine.answers[shops[1]] = answered(404);
    const QList<CheckResult> homes = runCheck(checker, shops);
    QCOMPARE(engine.loaded, QStringList{shops[1]});
    // The hosts that answered a page were asked their made-up address and then their home.
    for (int i : {0, 2})
        QVERIFY2(http.asked.contains(QStringLiteral("http://shop%1.example/").arg(i)), qPrintable(http.asked.join(' ')));
    QCOMPARE(checker.madeUpAsked(), 2);
    QCOMPARE(verdictWord(homes[0].verdict), QStringLiteral("alive"));
    QCOMPARE(verdictWord(homes[1].verdict), QStringLiteral("dead"));
    QVERIFY(homes[1].byBrowser);
    QCOMPARE(verdictWord(homes[2].verdict), QStringLiteral("alive"));
}

void TestCheck::cancelStopsAtOnceAndReportsNothingMore()
{
    FakeHttpProbe http;
    http.delayMs = 20;
    ListChecker checker(http, nullptr);
    QStringList entries;
    for (int i = 0; i < 2000; ++i)
        entries << QStringLiteral("http://host%1.example/%2").arg(i % 40).arg(i);
    int reported = 0;
    connect(&checker, &ListChecker::entryChecked, this, [&] {
        if (++reported == 100)
            checker.cancel();
    });
    QSignalSpy finished(&checker, &ListChecker::finished);
    checker.start(entries);
    QVERIFY(finished.wait(20000));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.first().first().toBool(), true);
    QVERIFY(!checker.isRunning());
    QVERIFY(http.aborts >= 1);
    QTest::qWait(200);
    QCOMPARE(reported, 100); // nothing arrives after the cancel
    QCOMPARE(finished.count(), 1);
    // A new check after a cancel runs to its end.
    const QList<CheckResult> r = runCheck(checker, entries.mid(0, 50));
    QCOMPARE(checker.checkedCount(), 50);
}

void TestCheck::reportsQuoteAndKeepEveryField()
{
    CheckResult moved;
    moved.verdict = Verdict::Moved;
    moved.status = 200;
    moved.finalAddress = QStringLiteral("http://example.org/new");
    moved.reason = QStringLiteral("moved permanently to http://example.org/new");
    moved.milliseconds = 12;
    CheckResult skipped;
    skipped.reason = QStringLiteral("not an address");
    QList<ReportRow> rows{{1, QStringLiteral("http://example.com/a,b"), moved},
                          {2, QStringLiteral("say \"hi\"\nthere"), skipped}};
    rows[0].savedTitle = QStringLiteral("=Plums, cream"); // a bookmark's title, kept as text
    rows[0].lastGoodCopy = QDateTime(QDate(2026, 3, 3), QTime(14, 2, 5), QTimeZone(3600));

    const QByteArray csv = CheckReport::document(rows, CheckReport::Format::Csv);
    // The newest column goes last, so that an older report's reader finds its columns where they were.
    QCOMPARE(csv, QByteArray("line,address,verdict,status,final,browser,reason,ms,was_title,was_seen,now_title,saved_title,"
                             "last_good_copy\r\n"
                             "1,\"http://example.com/a,b\",moved,200,http://example.org/new,false,"
                             "moved permanently to http://example.org/new,12,,,,\"'=Plums, cream\",2026-03-03T13:02:05Z\r\n"
                             "2,\"say \"\"hi\"\"\nthere\",skipped,,,false,not an address,0,,,,,\r\n"));
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(CheckReport::document(rows, CheckReport::Format::Json), &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    const QJsonArray array = json.array();
    QCOMPARE(array.size(), 2);
    const QJsonObject first = array.at(0).toObject();
    QCOMPARE(first.value(QStringLiteral("line")).toInt(), 1);
    QCOMPARE(first.value(QStringLiteral("verdict")).toString(), QStringLiteral("moved"));
    QCOMPARE(first.value(QStringLiteral("status")).toInt(), 200);
    QCOMPARE(first.value(QStringLiteral("final")).toString(), QStringLiteral("http://example.org/new"));
    QCOMPARE(first.value(QStringLiteral("browser")).toBool(), false);
    QCOMPARE(first.value(QStringLiteral("ms")).toInt(), 12);
    QCOMPARE(first.value(QStringLiteral("saved_title")).toString(), QStringLiteral("=Plums, cream"));
    QCOMPARE(first.value(QStringLiteral("last_good_copy")).toString(), QStringLiteral("2026-03-03T13:02:05Z"));
    QVERIFY2(CheckReport::textLine(rows[0]).endsWith(QStringLiteral(" [good copy of 2026-03-03 13:02 UTC]")),
             qPrintable(CheckReport::textLine(rows[0])));
    QVERIFY(!CheckReport::textLine(rows[1]).contains(QStringLiteral("good copy")));
    const QJsonObject second = array.at(1).toObject();
    QVERIFY(second.value(QStringLiteral("saved_title")).isNull());
    QVERIFY(second.value(QStringLiteral("last_good_copy")).isNull());
    QVERIFY(second.value(QStringLiteral("status")).isNull());
    QVERIFY(second.value(QStringLiteral("final")).isNull());
    QCOMPARE(second.value(QStringLiteral("address")).toString(), QStringLiteral("say \"hi\"\nthere"));
}

void TestCheck::reportsAreSafeToOpen_data()
{
    // An entry's bytes as they are in the list file, and what each report must make of them.
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<QByteArray>("csvCell");
    QTest::addColumn<QString>("textAddress");
    QTest::addColumn<QString>("jsonAddress");
    QTest::newRow("plain") << QByteArray("http://example.com/a") << QByteArray("http://example.com/a")
                           << "http://example.com/a" << "http://example.com/a";
    QTest::newRow("formula =") << QByteArray("=HYPERLINK(\"http://evil.example\")")
                               << QByteArray("\"'=HYPERLINK(\"\"http://evil.example\"\")\"")
                               << "=HYPERLINK(\"http://evil.example\")" << "=HYPERLINK(\"http://evil.example\")";
    QTest::newRow("formula +") << QByteArray("+1+2") << QByteArray("'+1+2") << "+1+2" << "+1+2";
    QTest::newRow("formula -") << QByteArray("-1") << QByteArray("'-1") << "-1" << "-1";
    QTest::newRow("formula @") << QByteArray("@SUM(A1)") << QByteArray("'@SUM(A1)") << "@SUM(A1)" << "@SUM(A1)";
    QTest::newRow("tab first") << QByteArray("\t=1") << QByteArray("'\t=1") << "\\t=1" << "\t=1";
    QTest::newRow("minus inside") << QByteArray("http://a.example/x-y") << QByteArray("http://a.example/x-y")
                                  << "http://a.example/x-y" << "http://a.example/x-y";
    QTest::newRow("not UTF-8") << QByteArray("http://example.com/caf\xe9") << QByteArray("http://example.com/caf\xe9")
                               << "http://example.com/caf\\xe9" << "http://example.com/caf%E9";
    QTest::newRow("not UTF-8 beside UTF-8") << QByteArray("http://x.example/\xc3\xa9\xff\xf0\x9f\x82\x80")
                                            << QByteArray("http://x.example/\xc3\xa9\xff\xf0\x9f\x82\x80")
                                            << QString::fromUtf8("http://x.example/\xc3\xa9\\xff\xf0\x9f\x82\x80")
                                            << QString::fromUtf8("http://x.example/\xc3\xa9%FF\xf0\x9f\x82\x80");
    QTest::newRow("terminal escape") << QByteArray("http://example.com/\x1b[2J\x1b]0;owned\x07")
                                     << QByteArray("http://example.com/\x1b[2J\x1b]0;owned\x07")
                                     << "http://example.com/\\x1b[2J\\x1b]0;owned\\x07"
                                     << "http://example.com/\x1b[2J\x1b]0;owned\x07";
    QTest::newRow("text turned around") << QByteArray("http://example.com/\xe2\x80\xaegpj.exe")
                                        << QByteArray("http://example.com/\xe2\x80\xaegpj.exe")
                                        << "http://example.com/\\u{202e}gpj.exe"
                                        << QString::fromUtf8("http://example.com/\xe2\x80\xaegpj.exe");
    QTest::newRow("backslash") << QByteArray("file:C:\\x41") << QByteArray("file:C:\\x41") << "file:C:\\\\x41"
                               << "file:C:\\x41";
}

void TestCheck::reportsAreSafeToOpen()
{
    QFETCH(QByteArray, entry);
    QFETCH(QByteArray, csvCell);
    QFETCH(QString, textAddress);
    QFETCH(QString, jsonAddress);
    const QString address = UrlListFile::parseEntries(entry).value(0);
    CheckResult result;
    result.verdict = Verdict::Dead;
    result.reason = QStringLiteral("not found (404)");
    const ReportRow row{1, address, result};

    // CSV: the list's own bytes, in a cell that no spreadsheet runs.
    const QByteArray csv = CheckReport::csvLine(row);
    QCOMPARE(csv, "1," + csvCell + ",dead,,,false,not found (404),0,,,,,\r\n");

    // Text: no control character reaches the terminal; nothing is dropped or replaced unseen.
    const QString text = CheckReport::textLine(row);
    QCOMPARE(text, QStringLiteral("dead    -   ") + textAddress + QStringLiteral("  (not found (404))"));
    QVERIFY(text.isValidUtf16());
    for (const QChar c : text)
        QVERIFY2(c.unicode() >= 0x20 && c.unicode() != 0x7F && c.unicode() != 0x202E, qPrintable(QString::number(c.unicode(), 16)));

    // JSON: valid UTF-8, the address as a browser would send it, and the entry recoverable to the byte.
    const QByteArray line = CheckReport::jsonLine(row);
    QStringDecoder strict(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = strict(line);
    QVERIFY2(!strict.hasError(), line.constData());
    QVERIFY(!decoded.contains(QChar(QChar::ReplacementCharacter)));
    QJsonParseError error;
    const QJsonObject o = QJsonDocument::fromJson(line, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(o.value(QStringLiteral("address")).toString(), jsonAddress);
    QByteArray recovered = o.value(QStringLiteral("address")).toString().toUtf8();
    if (o.contains(QStringLiteral("address_bytes"))) {
        const QString escapedBytes = o.value(QStringLiteral("address_bytes")).toString();
        recovered.clear();
        qsizetype plain = 0; // where the text since the last escape begins
        for (qsizetype i = 0; i < escapedBytes.size(); ++i) {
            if (escapedBytes[i] != u'\\')
                continue;
            recovered += escapedBytes.mid(plain, i - plain).toUtf8();
            if (escapedBytes.mid(i + 1, 1) == u"x") {
                recovered += char(escapedBytes.mid(i + 2, 2).toInt(nullptr, 16));
                i += 3;
            } else {
                recovered += '\\';
                ++i;
            }
            plain = i + 1;
        }
        recovered += escapedBytes.mid(plain).toUtf8();
    }
    QCOMPARE(recovered, entry);
    QCOMPARE(o.contains(QStringLiteral("address_bytes")), !QUtf8StringView(entry).isValidUtf8());
}

void TestCheck::aFailureAfterRedirectsNamesTheHostThatFailed()
{
    const QUrl checked(QStringLiteral("http://first.example/a"));
    for (const auto outcome : {ProbeAnswer::Outcome::Refused, ProbeAnswer::Outcome::NoSuchHost}) {
        ProbeAnswer answer = failed(outcome);
        answer.finalUrl = QUrl(QStringLiteral("http://second.example:8080/b"));
        const CheckResult after = resultFromRequest(checked, answer);
        QVERIFY2(after.reason.contains(u"second.example") && !after.reason.contains(u"first.example"), qPrintable(after.reason));
        const CheckResult direct = resultFromRequest(checked, failed(outcome));
        QVERIFY2(direct.reason.contains(u"first.example"), qPrintable(direct.reason));
    }
}

void TestCheck::realRequestsGiveTheServersTruth_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("verdict");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("finalPath");
    QTest::newRow("alive") << "/alive" << "alive" << 200 << "";
    QTest::newRow("temporary redirect") << "/temporary" << "alive" << 200 << "/alive";
    QTest::newRow("301") << "/permanent" << "moved" << 200 << "/alive";
    QTest::newRow("308") << "/permanent308" << "moved" << 200 << "/alive";
    QTest::newRow("redirect loop") << "/loop" << "dead" << 302 << "";
    QTest::newRow("404") << "/notfound" << "dead" << 404 << "";
    QTest::newRow("410") << "/gone" << "dead" << 410 << "";
    QTest::newRow("HEAD refused") << "/nohead" << "alive" << 200 << "";
    QTest::newRow("429 then 200") << "/ratelimited" << "alive" << 200 << "";
    QTest::newRow("503 then 200") << "/unavailable" << "alive" << 200 << "";
    QTest::newRow("bot wall, no browser") << "/botwall" << "blocked" << 403 << "";
    QTest::newRow("403") << "/forbidden" << "blocked" << 403 << "";
    QTest::newRow("500") << "/error" << "failing" << 500 << "";
    QTest::newRow("never answers") << "/hang" << "failing" << 0 << "";
    QTest::newRow("endless body") << "/endless" << "alive" << 200 << "";
    // As the browser finds too (see tst_check_engine).
    QTest::newRow("malformed status line") << "/malformed" << "dead" << 0 << "";
    QTest::newRow("head of over a megabyte") << "/hugehead" << "dead" << 0 << "";
    QTest::newRow("interim answer first") << "/interim" << "alive" << 200 << "";
    QTest::newRow("head in pieces") << "/inpieces" << "alive" << 200 << "";
    QTest::newRow("closed port") << "closed" << "dead" << 0 << "";
    QTest::newRow("no such name") << "invalid" << "dead" << 0 << "";
}

void TestCheck::realRequestsGiveTheServersTruth()
{
    QFETCH(QString, path);
    QFETCH(QString, verdict);
    QFETCH(int, status);
    QFETCH(QString, finalPath);
    CheckServer server;
    QString address = server.url(path).toString();
    if (path == u"closed") {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
        address = QStringLiteral("http://127.0.0.1:%1/").arg(closed.serverPort());
        closed.close();
    } else if (path == u"invalid") {
        address = QStringLiteral("http://no-such-host.invalid/");
    }
    NetworkProbe http;
    ListChecker checker(http, nullptr);
    CheckOptions options;
    options.useBrowser = false;
    options.timeoutMs = 1500;
    options.retries = 1;
    options.backoffMs = 100;
    checker.setOptions(options);
    QElapsedTimer clock;
    clock.start();
    const QList<CheckResult> r = runCheck(checker, {address});
    qInfo("%s: %s %d (%s) in %lld ms", qPrintable(address), qPrintable(verdictWord(r[0].verdict)), r[0].status,
          qPrintable(r[0].reason), clock.elapsed());
    QCOMPARE(verdictWord(r[0].verdict), verdict);
    QCOMPARE(r[0].status, status);
    QCOMPARE(r[0].finalAddress, finalPath.isEmpty() ? QString() : server.url(finalPath).toString());
    if (verdict == u"moved")
        QCOMPARE(r[0].newAddress, server.url(QStringLiteral("/alive")).toString());
    if (path == u"/ratelimited")
        QVERIFY2(server.msAfterRefusal.value(path) >= 950, "the host was asked again before the second it asked for");
    if (path == u"/hang")
        QCOMPARE(server.requests(path).size(), 2); // one retry after the time-out
}

void TestCheck::keptConnectionsAreReusedAndAskedAgainWhenDropped()
{
    CheckServer server;
    int connections = 0;
    connect(&server, &QTcpServer::newConnection, this, [&connections] { ++connections; });
    NetworkProbe http;
    ListChecker checker(http, nullptr);
    CheckOptions options;
    options.useBrowser = false;
    options.perHost = 1;
    options.retries = 0;
    // HEADs alone (the pages are not read), whose connections are the ones kept.
    options.readPages = false;
    checker.setOptions(options);
    // One at a time to one server: the alive ones share a connection; the second request on a
    // /keptonce connection is dropped unanswered and asked again on a new one, not called failing.
    const QStringList entries{server.url(QStringLiteral("/alive?1")).toString(), server.url(QStringLiteral("/alive?2")).toString(),
                              server.url(QStringLiteral("/alive?3")).toString(), server.url(QStringLiteral("/keptonce?1")).toString(),
                              server.url(QStringLiteral("/keptonce?2")).toString()};
    const QList<CheckResult> r = runCheck(checker, entries);
    for (const CheckResult &result : r)
        QCOMPARE(verdictWord(result.verdict), QStringLiteral("alive"));
    QCOMPARE(server.requests(QStringLiteral("/keptonce")).size(), 3);
    QCOMPARE(connections, 2);
}

void TestCheck::connectionsStayWithinTheirBudgetAndKeptOnesClose()
{
    // Many servers that keep every connection open, asked more at once than the budget allows: every
    // request is answered, never more connections open than allowed, and the kept ones close when idle.
    std::vector<std::unique_ptr<CheckServer>> servers;
    for (int i = 0; i < 30; ++i)
        servers.push_back(std::make_unique<CheckServer>());
    HeadClient client;
    HeadClient::ConnectionLimits limits;
    limits.open = 8;
    limits.kept = 4;
    limits.keptPerServer = 2;
    limits.idleMs = 300;
    client.setLimits(limits);
    int alive = 0;
    int other = 0;
    int mostOpen = 0;
    for (int round = 0; round < 3; ++round) {
        for (const auto &server : servers) {
            client.ask(server->url(QStringLiteral("/alive")), true, {}, [&](const ResponseHead &head) {
                ++(head.answered && head.status == 200 ? alive : other);
                mostOpen = std::max(mostOpen, client.openConnections());
            });
        }
    }
    QTRY_COMPARE_WITH_TIMEOUT(alive + other, 90, 30000);
    QCOMPARE(other, 0);
    QVERIFY2(client.mostOpenAtOnce() <= limits.open, qPrintable(QString::number(client.mostOpenAtOnce())));
    QVERIFY(mostOpen <= limits.open);
    // Kept, within their cap, and then closed once unused.
    QVERIFY(client.keptConnections() > 0);
    QVERIFY(client.keptConnections() <= limits.kept);
    QTRY_COMPARE_WITH_TIMEOUT(client.keptConnections(), 0, 5000);
    QCOMPARE(client.openConnections(), 0);

    // The limits that come from the open-file limit leave the engine its share and allow some work.
    for (const quint64 fileLimit : {quint64(256), quint64(1024), quint64(4096), quint64(1) << 20}) {
        const HeadClient::ConnectionLimits budget = HeadClient::limitsFor(fileLimit);
        QVERIFY(budget.open >= 8);
        QVERIFY(budget.kept >= 1 && budget.kept <= budget.open);
        if (fileLimit >= 1024)
            QVERIFY2(quint64(budget.open) + 256 <= fileLimit / 2 + 256, qPrintable(QString::number(budget.open)));
    }
}

void TestCheck::aHeadRefusedIsAskedAgainWithGet()
{
    CheckServer server;
    NetworkProbe http;
    ListChecker checker(http, nullptr);
    CheckOptions options;
    options.useBrowser = false;
    options.readPages = false;
    checker.setOptions(options);
    runCheck(checker, {server.url(QStringLiteral("/nohead")).toString(), server.url(QStringLiteral("/alive")).toString()});
    QCOMPARE(server.requests(QStringLiteral("/nohead")), (QStringList{QStringLiteral("HEAD"), QStringLiteral("GET")}));
    QCOMPARE(server.requests(QStringLiteral("/alive")), (QStringList{QStringLiteral("HEAD")}));
    // Reading pages, one GET an address reads its head and its page: never a second request.
    options.readPages = true;
    checker.setOptions(options);
    runCheck(checker, {server.url(QStringLiteral("/nohead")).toString(), server.url(QStringLiteral("/alive")).toString()});
    QCOMPARE(server.requests(QStringLiteral("/nohead")), (QStringList{QStringLiteral("HEAD"), QStringLiteral("GET"), QStringLiteral("GET")}));
    QCOMPARE(server.requests(QStringLiteral("/alive")), (QStringList{QStringLiteral("HEAD"), QStringLiteral("GET")}));
}

QTEST_MAIN(TestCheck)
#include "tst_check.moc"
