// Response heads read by the browser's rules, and the fast pass on servers that bend them.
#include "check/headparser.h"
#include "check/networkprobe.h"
#include "check/verdict.h"
#include "fakes/httptestserver.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <functional>

class TestCheckHeads : public QObject {
    Q_OBJECT
private slots:
    void headsAreReadAsABrowserReadsThem_data();
    void headsAreReadAsABrowserReadsThem();
    void oddServersGetTheBrowsersVerdict_data();
    void oddServersGetTheBrowsersVerdict();
    void aBodyAfterAHeadAnswerIsNeverTakenForTheNextAnswer_data();
    void aBodyAfterAHeadAnswerIsNeverTakenForTheNextAnswer();
    void aConnectionIsKeptOnlyPastAWholeBody_data();
    void aConnectionIsKeptOnlyPastAWholeBody();
};

namespace {

/// A server whose answers the test writes: @ref respond gets each request's head, @ref greet each new
/// connection (a server that speaks first, as SSH does).
class ScriptedServer final : public HttpTestServer {
public:
    std::function<void(QTcpSocket *, const QByteArray &)> respond;
    std::function<void(QTcpSocket *)> greet;
    QList<QByteArray> requests;
    int connections = 0;
    ScriptedServer()
    {
        // After the base's own handler, which has taken the new sockets (children of the server).
        connect(this, &QTcpServer::newConnection, this, [this] {
            for (QTcpSocket *socket : findChildren<QTcpSocket *>()) {
                if (socket->property("counted").toBool())
                    continue;
                socket->setProperty("counted", true);
                ++connections;
                if (greet)
                    greet(socket);
            }
        });
    }

protected:
    void answer(QTcpSocket *socket, const QByteArray &request) override
    {
        requests.append(request);
        respond(socket, request);
    }
};

QByteArray requestLine(const QByteArray &request)
{
    return request.left(request.indexOf("\r\n"));
}

CheckResult probeOnce(NetworkProbe &http, const QUrl &url)
{
    std::optional<ProbeAnswer> answer;
    http.probe(url, [&answer](const ProbeAnswer &a) { answer = a; });
    // A hang guard only: every case here is answered, or refused, in well under a second.
    if (!QTest::qWaitFor([&answer] { return answer.has_value(); }, 30000))
        return {};
    return resultFromRequest(url, *answer);
}

} // namespace

void TestCheckHeads::headsAreReadAsABrowserReadsThem_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("bodyBytes");
    using S = ParsedHead::State;
    const int complete = int(S::Complete), incomplete = int(S::Incomplete), invalid = int(S::Invalid);
    QTest::newRow("CRLF") << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n") << complete << 200
                          << QByteArray("content-type") << QByteArray("text/html") << 0;
    QTest::newRow("bare LF") << QByteArray("HTTP/1.1 301 Moved\nLocation: /new\n\n") << complete << 301 << QByteArray("Location")
                             << QByteArray("/new") << 0;
    QTest::newRow("LF lines, CRLF blank line") << QByteArray("HTTP/1.1 302 Found\nLocation: /a\n\r\n") << complete << 302
                                               << QByteArray("Location") << QByteArray("/a") << 0;
    QTest::newRow("folded line is no header of its own")
        << QByteArray("HTTP/1.1 200 OK\r\nX-Note: first\r\n Location: /elsewhere\r\n\r\n") << complete << 200
        << QByteArray("Location") << QByteArray() << 0;
    QTest::newRow("folded line continues the value")
        << QByteArray("HTTP/1.1 200 OK\r\nX-Note: first\r\n Location: /elsewhere\r\n\r\n") << complete << 200
        << QByteArray("X-Note") << QByteArray("first Location: /elsewhere") << 0;
    QTest::newRow("folded by a tab") << QByteArray("HTTP/1.1 302 Found\r\nLocation:\r\n\t/folded\r\n\r\n") << complete << 302
                                     << QByteArray("Location") << QByteArray("/folded") << 0;
    QTest::newRow("line without a colon ignored") << QByteArray("HTTP/1.1 200 OK\r\nnonsense\r\nA: b\r\n\r\n") << complete << 200
                                                  << QByteArray("A") << QByteArray("b") << 0;
    QTest::newRow("body after the head") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello") << complete << 200
                                         << QByteArray("Content-Length") << QByteArray("5") << 5;
    QTest::newRow("LF head, body with blank lines") << QByteArray("HTTP/1.0 200 OK\n\nline\n\nmore") << complete << 200
                                                    << QByteArray() << QByteArray() << 10;
    QTest::newRow("no reason phrase") << QByteArray("HTTP/1.0 204\r\n\r\n") << complete << 204 << QByteArray() << QByteArray() << 0;
    QTest::newRow("lower-case version") << QByteArray("http/1.1 200 OK\r\n\r\n") << complete << 200 << QByteArray() << QByteArray() << 0;
    QTest::newRow("head not ended") << QByteArray("HTTP/1.1 200 OK\r\nA: b\r\n") << incomplete << 0 << QByteArray() << QByteArray() << 0;
    QTest::newRow("first bytes only") << QByteArray("HT") << incomplete << 0 << QByteArray() << QByteArray() << 0;
    QTest::newRow("nothing yet") << QByteArray() << incomplete << 0 << QByteArray() << QByteArray() << 0;
    QTest::newRow("SSH banner, no blank line") << QByteArray("SSH-2.0-OpenSSH_9.2p1 Debian-2\r\n") << invalid << 0 << QByteArray()
                                               << QByteArray() << 0;
    QTest::newRow("first bytes no HTTP") << QByteArray("HTX") << invalid << 0 << QByteArray() << QByteArray() << 0;
    QTest::newRow("HTML without a head") << QByteArray("<html><body>hi</body></html>\n\n") << invalid << 0 << QByteArray()
                                         << QByteArray() << 0;
    QTest::newRow("two-digit status") << QByteArray("HTTP/1.1 20 OK\r\n\r\n") << invalid << 0 << QByteArray() << QByteArray() << 0;
    QTest::newRow("status below 100") << QByteArray("HTTP/1.1 099 Odd\r\n\r\n") << invalid << 0 << QByteArray() << QByteArray() << 0;
    QTest::newRow("HTTP/2 status line") << QByteArray("HTTP/2 200\r\n\r\n") << invalid << 0 << QByteArray() << QByteArray() << 0;
    QTest::newRow("head past the limit") << QByteArray("HTTP/1.1 200 OK\r\nX: ") + QByteArray(longestResponseHead, 'x')
                                         << int(S::TooLong) << 0 << QByteArray() << QByteArray() << 0;
}

void TestCheckHeads::headsAreReadAsABrowserReadsThem()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, state);
    QFETCH(int, status);
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, value);
    QFETCH(int, bodyBytes);
    const ParsedHead head = parseResponseHead(bytes);
    QCOMPARE(int(head.state), state);
    if (head.state == ParsedHead::State::Invalid)
        QVERIFY(!head.problem.isEmpty());
    if (head.state != ParsedHead::State::Complete)
        return;
    QCOMPARE(head.status, status);
    QCOMPARE(head.length, bytes.size() - bodyBytes);
    if (name.isEmpty())
        return;
    QByteArray found;
    for (const auto &[key, v] : head.headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0 && found.isEmpty())
            found = v;
    QCOMPARE(found, value);
}

void TestCheckHeads::oddServersGetTheBrowsersVerdict_data()
{
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<QString>("verdict");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<int>("requests");
    QTest::newRow("folded Location on a 200") << QByteArray("folded") << "alive" << "answers 200" << 1;
    QTest::newRow("bare LF line ends") << QByteArray("bareLF") << "alive" << "answers 200" << 1;
    QTest::newRow("SSH server") << QByteArray("ssh") << "dead"
                                << "the server's answer is not valid HTTP: it begins \"SSH-2.0-OpenSSH_9.2p1 Debian-2\"" << 1;
    QTest::newRow("HTML with no head") << QByteArray("nohead") << "dead"
                                       << "the server's answer is not valid HTTP: it begins \"<html>gone</html>\"" << 1;
    QTest::newRow("self-redirect that sets a cookie") << QByteArray("cookie") << "alive"
                                                      << "answers 200" << 2;
    QTest::newRow("self-redirect without a cookie") << QByteArray("loop") << "dead" << "redirects in a loop" << 1;
    QTest::newRow("cookie that never helps") << QByteArray("cookieloop") << "dead" << "redirects in a loop" << 2;
    QTest::newRow("Location with raw spaces") << QByteArray("spaces") << "alive" << "answers 200 after a temporary redirect" << 2;
    QTest::newRow("401 login asked once") << QByteArray("login") << "blocked" << "asks for a login (401)" << 1;
}

void TestCheckHeads::oddServersGetTheBrowsersVerdict()
{
    QFETCH(QByteArray, kind);
    QFETCH(QString, verdict);
    QFETCH(QString, reason);
    QFETCH(int, requests);
    ScriptedServer server;
    QVERIFY(server.isListening());
    if (kind == "ssh")
        server.greet = [](QTcpSocket *socket) { socket->write("SSH-2.0-OpenSSH_9.2p1 Debian-2\r\n"); };
    server.respond = [&kind](QTcpSocket *socket, const QByteArray &request) {
        const QByteArray line = requestLine(request);
        const bool withCookie = request.contains("\r\nCookie: seen=1");
        if (kind == "ssh")
            return; // an SSH server says its banner and waits for SSH
        if (kind == "folded")
            socket->write("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nX-Note: see\r\n Location: /gone\r\n\r\n");
        else if (kind == "bareLF")
            socket->write("HTTP/1.1 200 OK\nContent-Length: 0\n\n");
        else if (kind == "nohead")
            socket->write("<html>gone</html>\r\n"), socket->disconnectFromHost();
        else if (kind == "cookie" && !withCookie)
            socket->write("HTTP/1.1 302 Found\r\nLocation: /page\r\nSet-Cookie: seen=1; Path=/\r\nContent-Length: 0\r\n\r\n");
        else if (kind == "cookie")
            socket->write("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
        else if (kind == "cookieloop")
            socket->write("HTTP/1.1 302 Found\r\nLocation: /page\r\nSet-Cookie: seen=1; Path=/\r\nContent-Length: 0\r\n\r\n");
        else if (kind == "loop")
            socket->write("HTTP/1.1 302 Found\r\nLocation: /page\r\nContent-Length: 0\r\n\r\n");
        else if (kind == "spaces" && line.startsWith("HEAD /page "))
            socket->write("HTTP/1.1 302 Found\r\nLocation: /a b c\r\nContent-Length: 0\r\n\r\n");
        else if (kind == "spaces" && line.startsWith("HEAD /a%20b%20c "))
            socket->write("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
        else if (kind == "login")
            socket->write("HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"x\"\r\nContent-Length: 0\r\n\r\n");
        else
            socket->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
    };
    NetworkProbe http;
    HttpProbeSettings settings;
    settings.timeoutMs = 20000;
    settings.readPages = false; // the server here speaks HEAD: these are the heads' rules
    http.setSettings(settings);
    QElapsedTimer clock;
    clock.start();
    const CheckResult r = probeOnce(http, server.url(QStringLiteral("/page")));
    qInfo("%s: %s (%s) in %lld ms", kind.constData(), qPrintable(verdictWord(r.verdict)), qPrintable(r.reason), clock.elapsed());
    QCOMPARE(verdictWord(r.verdict), verdict);
    QCOMPARE(r.reason, reason);
    QCOMPARE(server.requests.size(), requests);
    for (const QByteArray &request : std::as_const(server.requests))
        QVERIFY2(!request.contains("\r\nAuthorization:"), request.constData());
    if (kind == "spaces")
        QCOMPARE(requestLine(server.requests.value(1)), QByteArray("HEAD /a%20b%20c HTTP/1.1"));
}

void TestCheckHeads::aBodyAfterAHeadAnswerIsNeverTakenForTheNextAnswer_data()
{
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<int>("pauseMs");
    // The body in the same write as the head; one that comes after the client took the head, before
    // the next request; and one that comes after the next request went out on the kept connection.
    QTest::newRow("body with the head") << 0 << 0;
    QTest::newRow("body before the next request") << 100 << 300;
    // Deterministic: the server writes each body just before the next answer, on the same connection.
    QTest::newRow("body ahead of the next answer") << -1 << 0;
}

void TestCheckHeads::aBodyAfterAHeadAnswerIsNeverTakenForTheNextAnswer()
{
    QFETCH(int, delayMs);
    QFETCH(int, pauseMs);
    ScriptedServer server;
    server.respond = [delayMs](QTcpSocket *socket, const QByteArray &) {
        const QByteArray head = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 26\r\n\r\n";
        const QByteArray body = "<html>a body to HEAD</html>";
        if (delayMs == 0) {
            socket->write(head + body);
            return;
        }
        if (delayMs < 0) {
            if (socket->property("owesBody").toBool())
                socket->write(body);
            socket->setProperty("owesBody", true);
            socket->write(head);
            return;
        }
        socket->write(head);
        QTimer::singleShot(delayMs, socket, [socket, body] { socket->write(body); });
    };
    NetworkProbe http;
    // HEAD requests alone: the pages are not read, so that only the HEADs meet the late bodies.
    HttpProbeSettings headsOnly;
    headsOnly.readPages = false;
    http.setSettings(headsOnly);
    // One after another to one server: a kept connection would hold the body where the next answer
    // should begin.
    for (int i = 0; i < 6; ++i) {
        const CheckResult r = probeOnce(http, server.url(QStringLiteral("/page?%1").arg(i)));
        QCOMPARE(verdictWord(r.verdict), QStringLiteral("alive"));
        QTest::qWait(pauseMs);
    }
    qInfo("%d requests on %d connections", int(server.requests.size()), server.connections);
    // At most the one request that met a late body is asked again; after it no connection is kept.
    QVERIFY(server.requests.size() <= 7);
}

void TestCheckHeads::aConnectionIsKeptOnlyPastAWholeBody_data()
{
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("verdict");
    QTest::addColumn<bool>("kept");
    /// For a broken answer, what its reason says after "not valid HTTP: ".
    QTest::addColumn<QString>("broken");
    const QByteArray page = "<html><title>a page</title><p>some words</p></html>";
    const QByteArray length = "Content-Length: " + QByteArray::number(page.size()) + "\r\n";
    const QByteArray chunkedHead = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nTransfer-Encoding: chunked\r\n\r\n";
    const QByteArray chunk = QByteArray::number(page.size(), 16);
    // As a browser does: one connection carries one request after another once each body has ended.
    QTest::newRow("page of a told length") << "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n" + length + "\r\n" + page
                                           << QStringLiteral("alive") << true << QString();
    QTest::newRow("page in chunks") << chunkedHead + chunk + "\r\n" + page + "\r\n0\r\n\r\n" << QStringLiteral("alive") << true
                                    << QString();
    QTest::newRow("chunks with an extension, blanks and bare LF")
        << chunkedHead + chunk + " ;name=value\n" + page + "\n0\n\n" << QStringLiteral("alive") << true << QString();
    QTest::newRow("chunk size with leading zeros") << chunkedHead + "0000000000000000" + chunk + "\r\n" + page + "\r\n0\r\n\r\n"
                                                   << QStringLiteral("alive") << true << QString();
    QTest::newRow("not found, a small body") << "HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\n" + length + "\r\n" + page
                                             << QStringLiteral("dead") << true << QString();
    QTest::newRow("no content") << QByteArray("HTTP/1.1 204 No Content\r\n\r\n") << QStringLiteral("alive") << true << QString();
    // Where the body's end is not where the client stopped reading, the connection goes.
    QTest::newRow("page past the cap") << "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 200000\r\n\r\n"
                                              + page + QByteArray(200000 - page.size(), ' ')
                                       << QStringLiteral("alive") << false << QString();
    QTest::newRow("bytes after the body") << "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n" + length + "\r\n" + page + "junk"
                                          << QStringLiteral("alive") << false << QString();
    QTest::newRow("not found, body of no told length")
        << QByteArray("HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\nTransfer-Encoding: chunked\r\n\r\n5\r\ngone!\r\n0\r\n\r\n")
        << QStringLiteral("dead") << false << QString();
    // A chunked body no browser reads is a broken answer, whatever its status said.
    QTest::newRow("chunk size that is no number") << chunkedHead + "ZZZZ\r\n" + page + "\r\n0\r\n\r\n" << QStringLiteral("dead") << false
                                                  << QStringLiteral("its chunked body has a chunk size that is no number (\"ZZZZ\")");
    QTest::newRow("chunk size of 20 hex digits")
        << chunkedHead + "FFFFFFFFFFFFFFFFFFFF\r\n" + page + "\r\n0\r\n\r\n" << QStringLiteral("dead") << false
        << QStringLiteral("its chunked body has a chunk size that is no number (\"FFFFFFFFFFFFFFFFFFFF\")");
    QTest::newRow("chunk size with a sign") << chunkedHead + "-" + chunk + "\r\n" + page + "\r\n0\r\n\r\n" << QStringLiteral("dead")
                                            << false
                                            << QStringLiteral("its chunked body has a chunk size that is no number (\"-%1\")")
                                                   .arg(QString::fromLatin1(chunk));
    QTest::newRow("chunk longer than its size") << chunkedHead + "5\r\n" + page + "\r\n0\r\n\r\n" << QStringLiteral("dead") << false
                                                << QStringLiteral("its chunked body has a chunk longer than its size says");
    QTest::newRow("no chunk size at all") << chunkedHead + "\r\n" + page << QStringLiteral("dead") << false
                                          << QStringLiteral("its chunked body has a chunk size that is no number (\"\")");
}

void TestCheckHeads::aConnectionIsKeptOnlyPastAWholeBody()
{
    QFETCH(QByteArray, answer);
    QFETCH(QString, verdict);
    QFETCH(bool, kept);
    QFETCH(QString, broken);
    ScriptedServer server;
    server.respond = [answer](QTcpSocket *socket, const QByteArray &) { socket->write(answer); };
    NetworkProbe http;
    constexpr int asked = 5;
    for (int i = 0; i < asked; ++i) {
        const CheckResult r = probeOnce(http, server.url(QStringLiteral("/page%1").arg(i)));
        QCOMPARE(verdictWord(r.verdict), verdict);
        if (broken.isEmpty())
            QVERIFY2(r.reason.indexOf(QLatin1String("valid HTTP")) < 0, qPrintable(r.reason));
        else
            QCOMPARE(r.reason, QStringLiteral("the server's answer is not valid HTTP: ") + broken);
    }
    QCOMPARE(server.requests.size(), asked);
    QCOMPARE(server.connections, kept ? 1 : asked);
}

QTEST_GUILESS_MAIN(TestCheckHeads)
#include "tst_checkheads.moc"
