// The checker against real server software on loopback: logins (nginx auth_basic, httpbin's Basic
// and Digest), odd addresses as the list browser loads them, a user-agent wall built on npm's isbot,
// and a web engine whose page process ends mid-load.
#include "check/listchecker.h"
#include "check/networkprobe.h"
#include "fakes/httptestserver.h"
#include "fakes/serversoftware.h"
#include "platform/enginepageprobe.h"
#include "platform/webenginebrowser.h"
#include "store/addresstoload.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTcpSocket>
#include <QTimer>
#include <QWebEnginePage>
#include <QWidget>

#include <csignal>
#include <optional>

class TestCheckRealServers : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void loginsAreAskedOnceAndNeverAnswered_data();
    void loginsAreAskedOnceAndNeverAnswered();
    void entriesAreCheckedAsTheListBrowserLoadsThem_data();
    void entriesAreCheckedAsTheListBrowserLoadsThem();
    void aFragmentIsNoPartOfWhatIsAsked();
    void aUserAgentWallGetsWhatAPersonSees_data();
    void aUserAgentWallGetsWhatAPersonSees();
    void aPageProcessThatEndsIsRetriedOnceThenFailing_data();
    void aPageProcessThatEndsIsRetriedOnceThenFailing();
    void errorPagesOfTheirOwnDoNotSlowTheHostDown_data();
    void errorPagesOfTheirOwnDoNotSlowTheHostDown();

private:
    /// The request target the list browser's page makes of @p entry, as @p server logged it.
    QByteArray targetTheListBrowserLoads(const QString &entry, ServerSoftware &server);
    QTemporaryDir m_home;
    QTemporaryDir m_site;
    std::unique_ptr<ServerSoftware> m_nginx;
    std::unique_ptr<ServerSoftware> m_httpbin;
};

namespace {

CheckOptions options(bool useBrowser)
{
    CheckOptions o;
    o.useBrowser = useBrowser;
    o.pages = 2;
    o.timeoutMs = 20000;
    o.retries = 0;
    return o;
}

QList<CheckResult> runCheck(ListChecker &checker, const QStringList &entries)
{
    QList<CheckResult> results(entries.size());
    QObject context;
    QObject::connect(&checker, &ListChecker::entryChecked, &context, [&results](int line, const CheckResult &r) { results[line] = r; });
    QSignalSpy finished(&checker, &ListChecker::finished);
    checker.start(entries);
    // A hang guard only.
    if (!finished.wait(120000))
        qWarning("the check did not end");
    return results;
}

std::optional<ProbeAnswer> loadInEngine(EnginePageProbe &engine, const QUrl &url, int timeoutMs = 20000)
{
    std::optional<ProbeAnswer> answer;
    engine.load(url, timeoutMs, 2000, [&answer](const ProbeAnswer &a) { answer = a; });
    if (!QTest::qWaitFor([&answer] { return answer.has_value(); }, timeoutMs + 30000))
        return std::nullopt;
    return answer;
}

/// A page whose head and first bytes come at once and whose end comes three seconds later.
class SlowPageServer final : public HttpTestServer {
protected:
    void answer(QTcpSocket *socket, const QByteArray &) override
    {
        const QByteArray start = "<html><head><title>slow</title></head><body>";
        const QByteArray end = "the end</body></html>";
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\nContent-Length: "
                      + QByteArray::number(start.size() + end.size()) + "\r\n\r\n" + start);
        QPointer<QTcpSocket> later(socket);
        QTimer::singleShot(3000, this, [later, end] {
            if (later) {
                later->write(end);
                later->disconnectFromHost();
            }
        });
    }
};

QString describe(const CheckResult &r)
{
    return verdictWord(r.verdict) + QStringLiteral(" (") + r.reason + QLatin1Char(')');
}

} // namespace

void TestCheckRealServers::initTestCase()
{
    QVERIFY(m_home.isValid() && m_site.isValid());
    qputenv("XDG_DATA_HOME", m_home.filePath(QStringLiteral("data")).toUtf8());
    qputenv("XDG_CACHE_HOME", m_home.filePath(QStringLiteral("cache")).toUtf8());
    QVERIFY(QDir(m_site.path()).mkpath(QStringLiteral("www/private")));
    for (const QString &name : {QStringLiteral("www/private/a.html"), QStringLiteral("www/private/b.html"),
                                QStringLiteral("www/private/c.html"), QStringLiteral("htpasswd")}) {
        QFile file(m_site.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(name == u"htpasswd" ? "member:{PLAIN}secret\n" : "<title>Members only</title>");
    }
    const QByteArray site = m_site.path().toUtf8();
    QString why;
    m_nginx = ServerSoftware::nginx("    location /private/ { auth_basic \"Members\"; auth_basic_user_file " + site
                                        + "/htpasswd; root " + site + "/www; }\n"
                                          "    location / { default_type text/html; return 200 '<title>$uri</title><p>The page at $uri.</p>'; }\n",
                                    &why);
    QVERIFY2(m_nginx, qPrintable(why));
    m_httpbin = ServerSoftware::httpbin(&why);
    QVERIFY2(m_httpbin, qPrintable(why));
}

void TestCheckRealServers::loginsAreAskedOnceAndNeverAnswered_data()
{
    QTest::addColumn<bool>("httpbin");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("userInfo");
    QTest::addColumn<int>("how");
    enum { WithBrowser, PlainOnly, EngineAlone };
    QTest::newRow("nginx Basic, checker with the browser") << false << "/private/a.html" << "" << int(WithBrowser);
    QTest::newRow("nginx Basic, plain requests only") << false << "/private/b.html" << "" << int(PlainOnly);
    QTest::newRow("nginx Basic, the engine's page") << false << "/private/c.html" << "" << int(EngineAlone);
    QTest::newRow("httpbin Basic, checker with the browser") << true << "/basic-auth/user/passwd" << "" << int(WithBrowser);
    QTest::newRow("httpbin Digest, checker with the browser") << true << "/digest-auth/auth/user/passwd" << "" << int(WithBrowser);
    QTest::newRow("httpbin Basic, the engine's page") << true << "/basic-auth/u2/p2" << "" << int(EngineAlone);
    QTest::newRow("httpbin Digest, the engine's page") << true << "/digest-auth/auth/u3/p3" << "" << int(EngineAlone);
    QTest::newRow("login in the address, plain requests") << true << "/basic-auth/u4/p4" << "u4:p4" << int(PlainOnly);
    QTest::newRow("login in the address, the engine's page") << true << "/basic-auth/u5/p5" << "u5:p5" << int(EngineAlone);
}

void TestCheckRealServers::loginsAreAskedOnceAndNeverAnswered()
{
    QFETCH(bool, httpbin);
    QFETCH(QString, path);
    QFETCH(QString, userInfo);
    QFETCH(int, how);
    ServerSoftware &server = httpbin ? *m_httpbin : *m_nginx;
    QUrl url = server.url(path);
    url.setUserInfo(userInfo);
    QString verdict, reason;
    if (how == 2) {
        EnginePageProbe engine;
        const std::optional<ProbeAnswer> answer = loadInEngine(engine, url);
        QVERIFY(answer);
        const CheckResult r = resultFromBrowser(url, ProbeAnswer(), *answer);
        verdict = verdictWord(r.verdict);
        reason = r.reason;
        QVERIFY(answer->asksForLogin);
    } else {
        NetworkProbe http;
        EnginePageProbe engine;
        ListChecker checker(http, how == 0 ? &engine : nullptr);
        checker.setOptions(options(how == 0));
        const CheckResult r = runCheck(checker, {url.toString()}).value(0);
        verdict = verdictWord(r.verdict);
        reason = r.reason;
    }
    // The server logs a request once it has answered; a request more would come at once.
    QTest::qWaitFor([&] { return !server.requestsTo(path.toUtf8()).isEmpty(); }, 5000);
    QTest::qWait(500);
    const QList<LoggedRequest> seen = server.requestsTo(path.toUtf8());
    qInfo("%s: %s (%s), %d request(s)", qPrintable(path), qPrintable(verdict), qPrintable(reason), int(seen.size()));
    QCOMPARE(verdict, QStringLiteral("blocked"));
    QVERIFY2(reason.startsWith(QLatin1String("asks for a login (401)")), qPrintable(reason));
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen.first().status, 401);
    QCOMPARE(seen.first().authorization, QByteArray());
}

QByteArray TestCheckRealServers::targetTheListBrowserLoads(const QString &entry, ServerSoftware &server)
{
    const qsizetype before = server.requests().size();
    QWidget window;
    auto *browser = new WebEngineBrowser(&window);
    window.resize(400, 300);
    window.show();
    if (!browser->navigate(entry))
        return "(refused)";
    if (!QTest::qWaitFor([&] { return server.requests().size() > before; }, 30000))
        return "(nothing asked)";
    return server.requests().value(before).target;
}

void TestCheckRealServers::entriesAreCheckedAsTheListBrowserLoadsThem_data()
{
    QTest::addColumn<QString>("path");
    for (const char *path : {"/a b", "/a|b", "/a{b}", "/a\"b\"", "/a^b", "/a<b>", "/a\\b", "/a`b", "/100%", "/a%zz", "/a%20b%2",
                             "/caf\xc3\xa9", "/q?x=a b|c"})
        QTest::newRow(path) << QString::fromUtf8(path);
}

void TestCheckRealServers::entriesAreCheckedAsTheListBrowserLoadsThem()
{
    QFETCH(QString, path);
    const QString entry = m_nginx->url(QString()).toString() + path;
    const QByteArray loaded = targetTheListBrowserLoads(entry, *m_nginx);
    const qsizetype before = m_nginx->requests().size();
    NetworkProbe http;
    ListChecker checker(http, nullptr);
    checker.setOptions(options(false));
    const CheckResult r = runCheck(checker, {entry}).value(0);
    // The server logs a request once it has answered: give its line a moment to arrive.
    QTest::qWaitFor([&] { return m_nginx->requests().size() > before + 2; }, 5000);
    const QList<LoggedRequest> seen = m_nginx->requests().mid(before);
    qInfo("%s: the list browser asks for %s, the check for %s: %s", qPrintable(path), loaded.constData(),
          seen.isEmpty() ? "nothing" : seen.first().target.constData(), qPrintable(describe(r)));
    QCOMPARE(verdictWord(r.verdict), QStringLiteral("alive"));
    // One request for the entry, the host's one made-up address beside it (its last name 24 letters
    // and digits), and, as that answered with a page, the host's home page.
    QCOMPARE(seen.size(), 3);
    QCOMPARE(seen.first().target, loaded);
    QVERIFY2(QRegularExpression(QStringLiteral("^/[a-z0-9]{24}$")).match(QString::fromLatin1(seen[1].target)).hasMatch(),
             seen[1].target.constData());
    QCOMPARE(seen.last().target, QByteArray("/"));
}

void TestCheckRealServers::aFragmentIsNoPartOfWhatIsAsked()
{
    const QString page = m_nginx->url(QStringLiteral("/fragments.html")).toString();
    NetworkProbe http;
    ListChecker checker(http, nullptr);
    checker.setOptions(options(false));
    const QList<CheckResult> r = runCheck(checker, {page, page + QStringLiteral("#top"), page + QStringLiteral("#bottom")});
    QCOMPARE(r.size(), 3);
    for (const CheckResult &result : r)
        QCOMPARE(verdictWord(result.verdict), QStringLiteral("alive"));
    QTest::qWaitFor([&] { return !m_nginx->requestsTo("/fragments.html").isEmpty(); }, 5000);
    QTest::qWait(500);
    QCOMPARE(m_nginx->requestsTo("/fragments.html").size(), 1);
}

void TestCheckRealServers::aUserAgentWallGetsWhatAPersonSees_data()
{
    QTest::addColumn<bool>("useBrowser");
    QTest::addColumn<QByteArray>("plainAgent");
    QTest::newRow("with the browser") << true << QByteArray();
    QTest::newRow("plain requests only") << false << QByteArray();
    // A plain request the wall takes for a bot: the browser decides, as a person would see it.
    QTest::newRow("plain request refused as a bot") << true << QByteArray("python-requests/2.28");
}

void TestCheckRealServers::aUserAgentWallGetsWhatAPersonSees()
{
    QFETCH(bool, useBrowser);
    QFETCH(QByteArray, plainAgent);
    const QString modules = QStringLiteral(QUOKKA_HELPER_DIR "/npm/node_modules");
    if (!QFile::exists(modules + QStringLiteral("/isbot/package.json"))) {
        const QString script = qEnvironmentVariable("QUOKKA_SOURCE_DIR") + QStringLiteral("/tests/npm/install.sh");
        const int installed = QProcess::execute(QStringLiteral("bash"), {script, QStringLiteral(QUOKKA_HELPER_DIR "/npm")});
        if (installed != 0)
            QSKIP("npm's isbot could not be installed (bash tests/npm/install.sh BUILD/tests/npm)");
    }
    const QByteArray wall = R"JS(
const http = require('http');
const fs = require('fs');
const found = require('isbot');
const isbot = found.isbot || found;
const [, , port, log] = process.argv;
http.createServer((request, response) => {
    const bot = isbot(request.headers['user-agent'] || '');
    const status = request.url !== '/welcome' ? 404 : bot ? 403 : 200;
    fs.appendFileSync(log, `${request.method} ${request.url} ${status} "${request.headers.authorization || '-'}"\n`);
    response.writeHead(status, {'Content-Type': 'text/html'});
    response.end(bot ? '<title>No bots here</title>' : '<title>Welcome</title>');
}).listen(Number(port), '127.0.0.1');
)JS";
    QString why;
    const std::unique_ptr<ServerSoftware> server = ServerSoftware::node(wall, modules, &why);
    QVERIFY2(server, qPrintable(why));
    // What a person sees: the list browser's own page.
    const QString entry = server->url(QStringLiteral("/welcome")).toString();
    targetTheListBrowserLoads(entry, *server);
    const int personSees = server->requests().value(0).status;
    QCOMPARE(personSees, 200);

    NetworkProbe http;
    EnginePageProbe engine;
    ListChecker checker(http, useBrowser ? &engine : nullptr);
    checker.setOptions(options(useBrowser));
    CheckResult r;
    if (plainAgent.isEmpty()) {
        r = runCheck(checker, {entry}).value(0);
    } else {
        HttpProbeSettings settings;
        settings.userAgent = plainAgent;
        http.setSettings(settings);
        std::optional<ProbeAnswer> plain;
        http.probe(QUrl(entry), [&plain](const ProbeAnswer &a) { plain = a; });
        QVERIFY(QTest::qWaitFor([&plain] { return plain.has_value(); }, 30000));
        QCOMPARE(plain->status, 403);
        QVERIFY(needsBrowser(*plain));
        const std::optional<ProbeAnswer> browser = loadInEngine(engine, QUrl(entry));
        QVERIFY(browser);
        r = resultFromBrowser(QUrl(entry), *plain, *browser);
    }
    qInfo("isbot wall: %s", qPrintable(describe(r)));
    QCOMPARE(verdictWord(r.verdict), QStringLiteral("alive"));
    for (const LoggedRequest &request : server->requests())
        QCOMPARE(request.authorization, QByteArray());
}

void TestCheckRealServers::aPageProcessThatEndsIsRetriedOnceThenFailing_data()
{
    QTest::addColumn<int>("kills");
    QTest::addColumn<QString>("verdict");
    QTest::newRow("ends once: the fresh page answers") << 1 << "alive";
    QTest::newRow("ends every time") << 99 << "failing";
}

void TestCheckRealServers::aPageProcessThatEndsIsRetriedOnceThenFailing()
{
    QFETCH(int, kills);
    QFETCH(QString, verdict);
    EnginePageProbe engine;
    // The page has committed and its page process is reading the body when it is killed.
    SlowPageServer server;
    const QUrl url = server.url(QStringLiteral("/slow"));
    int killed = 0;
    QHash<QWebEnginePage *, QElapsedTimer> loading;
    QList<qint64> seen;
    QTimer killer;
    connect(&killer, &QTimer::timeout, this, [&] {
        for (QWebEnginePage *page : engine.findChildren<QWebEnginePage *>()) {
            const qint64 pid = page->renderProcessPid();
            if (pid <= 0 || seen.contains(pid) || killed >= kills || !page->url().path().startsWith(u"/slow"))
                continue;
            if (!loading.contains(page))
                loading[page].start();
            else if (loading[page].elapsed() > 1000) {
                seen.append(pid);
                ++killed;
                ::kill(pid_t(pid), SIGKILL);
            }
        }
    });
    killer.start(20);
    const std::optional<ProbeAnswer> answer = loadInEngine(engine, url, 30000);
    killer.stop();
    QVERIFY(answer);
    const CheckResult r = resultFromBrowser(url, ProbeAnswer(), *answer);
    qInfo("%d page process(es) killed: %s", killed, qPrintable(describe(r)));
    QCOMPARE(killed, std::min(kills, 2));
    QCOMPARE(verdictWord(r.verdict), verdict);
    if (verdict == u"failing")
        QVERIFY2(r.reason.contains(QLatin1String("page process")), qPrintable(r.reason));
}

void TestCheckRealServers::errorPagesOfTheirOwnDoNotSlowTheHostDown_data()
{
    QTest::addColumn<bool>("useBrowser");
    QTest::newRow("plain requests only") << false;
    QTest::newRow("with the browser") << true;
}

void TestCheckRealServers::errorPagesOfTheirOwnDoNotSlowTheHostDown()
{
    // httpbin's /status/429 and /status/503 answer so to everyone, every time: pages whose own answer
    // is an error, on a host that answers all its other pages at once. They are asked again a few
    // times as passing failures, and the host is never paced as one that turns requests away.
    QFETCH(bool, useBrowser);
    const QString tag = QString::number(QDateTime::currentMSecsSinceEpoch());
    QStringList entries{m_httpbin->url(QStringLiteral("/html")).toString(), m_httpbin->url(QStringLiteral("/status/429")).toString(),
                        m_httpbin->url(QStringLiteral("/status/503")).toString()};
    for (int i = 0; i < 30; ++i)
        entries << m_httpbin->url(QStringLiteral("/links/30/%1?run=%2").arg(i).arg(tag)).toString();
    for (int i = 0; i < 10; ++i)
        entries << m_httpbin->url(QStringLiteral("/cache/%1?run=%2").arg(i + 1).arg(tag)).toString();
    NetworkProbe http;
    EnginePageProbe engine;
    ListChecker checker(http, useBrowser ? &engine : nullptr);
    CheckOptions o = options(useBrowser);
    o.retries = 2;
    o.backoffMs = 300;
    checker.setOptions(o);
    const qsizetype before429 = m_httpbin->requestsTo("/status/429").size();
    const qsizetype before503 = m_httpbin->requestsTo("/status/503").size();
    QList<CheckResult> results(entries.size());
    QObject context;
    connect(&checker, &ListChecker::entryChecked, &context, [&results](int line, const CheckResult &r) { results[line] = r; });
    QSignalSpy finished(&checker, &ListChecker::finished);
    checker.start(entries);
    // A hang guard only, far beyond the few seconds the check takes: paced as a host that turns
    // requests away, the check took minutes.
    QVERIFY2(finished.wait(240000), "the check did not end");
    qInfo("%d entries checked in %lld ms, %d requests slowed", int(entries.size()), checker.elapsedMs(), checker.slowedRequests());
    QCOMPARE(verdictWord(results[1].verdict), QStringLiteral("blocked"));
    QCOMPARE(verdictWord(results[2].verdict), QStringLiteral("failing"));
    for (int i = 3; i < entries.size(); ++i)
        QVERIFY2(results[i].verdict == Verdict::Alive, qPrintable(entries[i] + QStringLiteral(": ") + describe(results[i])));
    // No request of the host waited for a slower pace, and each error page was asked a bounded number
    // of times: its first request and two retries, and once more by the browser.
    QCOMPARE(checker.slowedRequests(), 0);
    const qsizetype asked = useBrowser ? 4 : 3;
    // The server logs a request once it has answered: its last line may come a moment after the end.
    (void)QTest::qWaitFor([&] {
        return m_httpbin->requestsTo("/status/503").size() - before503 >= asked
            && m_httpbin->requestsTo("/status/429").size() - before429 >= asked;
    }, 5000);
    QCOMPARE(m_httpbin->requestsTo("/status/429").size() - before429, asked);
    QCOMPARE(m_httpbin->requestsTo("/status/503").size() - before503, asked);
}

QTEST_MAIN(TestCheckRealServers)
#include "tst_check_realservers.moc"
