#include "fakes/checkserver.h"

#include <QDateTime>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

namespace {

QByteArray response(int status, const QByteArray &phrase, const QByteArray &headers = {}, const QByteArray &body = {},
                     bool withBody = true)
{
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' + phrase + "\r\nContent-Type: text/html; charset=utf-8\r\n"
        + "Content-Length: " + QByteArray::number(body.size()) + "\r\n" + headers + "Cache-Control: no-store\r\n\r\n"
        + (withBody ? body : QByteArray());
}

QByteArray page(const QByteArray &title, const QByteArray &script = {})
{
    return "<!doctype html><html><head><title>" + title + "</title>" + script + "</head><body>" + title + "</body></html>";
}

} // namespace

CheckServer::CheckServer(QObject *parent)
    : HttpTestServer(parent)
{
}

void CheckServer::answer(QTcpSocket *socket, const QByteArray &request)
{
    const QList<QByteArray> words = request.left(request.indexOf("\r\n")).split(' ');
    const QByteArray method = words.value(0);
    // The query picks out a distinct address; the path alone says how to answer.
    const QString path = QString::fromLatin1(words.value(1)).section(QLatin1Char('?'), 0, 0);
    const bool head = method == "HEAD";
    QByteArray cookie;
    for (const QByteArray &line : request.split('\n'))
        if (line.toLower().startsWith("cookie:"))
            cookie = line.mid(7).trimmed();
    const int earlier = int(m_requests.value(path).size());
    m_requests[path].append(QString::fromLatin1(method));
    if (m_refusedAt.contains(path) && !msAfterRefusal.contains(path))
        msAfterRefusal.insert(path, QDateTime::currentMSecsSinceEpoch() - m_refusedAt.value(path));
    mostAtOnce = std::max(mostAtOnce, ++m_open);
    const QPointer<QTcpSocket> guard(socket);
    auto send = [this, guard, head](const QByteArray &bytes, bool close = false) {
        --m_open;
        if (!guard)
            return;
        Q_UNUSED(head);
        guard->write(bytes);
        if (close)
            guard->disconnectFromHost();
    };
    auto redirect = [&](int status, const QByteArray &phrase, const QByteArray &to) {
        send(response(status, phrase, "Location: " + to + "\r\n", {}, !head));
    };
    // A little work per request, so that requests of one client overlap as they would on a real server.
    auto later = [socket](std::function<void()> step) { QTimer::singleShot(20, socket, std::move(step)); };

    if (path == u"/alive") {
        later([=] { send(response(200, "OK", {}, page("alive"), !head)); });
    } else if (path == u"/temporary") {
        redirect(302, "Found", "/alive");
    } else if (path == u"/permanent") {
        redirect(301, "Moved Permanently", "/alive");
    } else if (path == u"/permanent308") {
        redirect(308, "Permanent Redirect", "/alive");
    } else if (path == u"/loop") {
        redirect(302, "Found", "/loop2");
    } else if (path == u"/loop2") {
        redirect(302, "Found", "/loop");
    } else if (path == u"/notfound") {
        send(response(404, "Not Found", {}, page("not found"), !head));
    } else if (path == u"/gone") {
        send(response(410, "Gone", {}, page("gone"), !head));
    } else if (path == u"/forbidden") {
        send(response(403, "Forbidden", {}, page("forbidden"), !head));
    } else if (path == u"/error") {
        send(response(500, "Internal Server Error", {}, page("error"), !head));
    } else if (path == u"/nohead") {
        if (head)
            send(response(405, "Method Not Allowed", "Allow: GET\r\n", {}, false));
        else
            send(response(200, "OK", {}, page("nohead")));
    } else if (path == u"/ratelimited") {
        if (earlier == 0) {
            m_refusedAt.insert(path, QDateTime::currentMSecsSinceEpoch());
            send(response(429, "Too Many Requests", "Retry-After: 1\r\n", page("slow down"), !head));
        } else {
            send(response(200, "OK", {}, page("ratelimited"), !head));
        }
    } else if (path == u"/unavailable") {
        if (earlier == 0)
            send(response(503, "Service Unavailable", {}, page("unavailable"), !head));
        else
            send(response(200, "OK", {}, page("unavailable"), !head));
    } else if (path == u"/botwall") {
        if (cookie.contains("wall=passed"))
            send(response(200, "OK", {}, page("behind the wall"), !head));
        else
            send(response(403, "Forbidden", {},
                          page("checking your browser",
                               "<script>document.cookie='wall=passed; path=/'; location.reload();</script>"),
                          !head));
    } else if (path == u"/refreshwall") {
        // A wall without a script: a cookie and a refresh a second later.
        if (cookie.contains("refresh=passed"))
            send(response(200, "OK", {}, page("behind the refresh"), !head));
        else
            send(response(403, "Forbidden", "Set-Cookie: refresh=passed; Path=/\r\n",
                          page("one moment", "<meta http-equiv=\"Refresh\" content=\"1\">"), !head));
    } else if (path == u"/wallthenhang") {
        if (earlier == 0)
            send(response(403, "Forbidden", {}, page("forbidden"), !head));
        // and then never answers again
    } else if (path == u"/interim") {
        send("HTTP/1.1 100 Continue\r\n\r\n" + response(200, "OK", {}, page("after an interim answer"), !head));
    } else if (path == u"/inpieces") {
        // The head comes in three writes, apart.
        const QByteArray whole = response(200, "OK", {}, page("in pieces"), !head);
        --m_open;
        socket->write(whole.left(7));
        QTimer::singleShot(30, socket, [socket, whole] { socket->write(whole.mid(7, 30)); });
        QTimer::singleShot(60, socket, [socket, whole] { socket->write(whole.mid(37)); });
    } else if (path == u"/hugehead") {
        // Headers without end (bounded for the test).
        QByteArray headers;
        for (int i = 0; i < 40000; ++i)
            headers += "X-Filler-" + QByteArray::number(i) + ": " + QByteArray(20, 'x') + "\r\n";
        send(response(200, "OK", headers, {}, false), true);
    } else if (path == u"/keptonce") {
        // A server whose kept connections time out: a second request on one is closed unanswered.
        if (socket->property("answered").toBool()) {
            --m_open;
            socket->disconnectFromHost();
        } else {
            socket->setProperty("answered", true);
            send(response(200, "OK", {}, page("kept once"), !head));
        }
    } else if (path == u"/hang") {
        // Accepted and never answered; the client gives up.
    } else if (path == u"/endless") {
        if (head) {
            send(response(405, "Method Not Allowed", "Allow: GET\r\n", {}, false));
        } else {
            --m_open;
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nTransfer-Encoding: chunked\r\n\r\n");
            auto *pump = new QTimer(socket);
            QByteArray chunk = QByteArray::number(64 * 1024, 16) + "\r\n" + QByteArray(64 * 1024, 'x') + "\r\n";
            auto *sent = new qint64(0);
            connect(pump, &QObject::destroyed, [sent] { delete sent; });
            // Endless for the client, bounded for the test: at most 64 MB, while the socket is open.
            connect(pump, &QTimer::timeout, socket, [socket, pump, chunk, sent] {
                if (socket->state() != QAbstractSocket::ConnectedState || *sent > 64 * 1024 * 1024) {
                    pump->stop();
                    return;
                }
                if (socket->bytesToWrite() < 1024 * 1024) {
                    socket->write(chunk);
                    *sent += chunk.size();
                }
            });
            pump->start(5);
        }
    } else if (path == u"/article") {
        send(response(200, "OK", {},
                      "<!doctype html><html><head><title>Riverside Dental</title></head><body><h1>Riverside Dental</h1>"
                      "<p>Opening hours: Monday to Friday, eight to six. Appointments by telephone.</p></body></html>",
                      !head));
    } else if (path == u"/softmissing") {
        send(response(200, "OK", {}, page("Page not found"), !head));
    } else if (path == u"/forsale") {
        send(response(200, "OK", {},
                      "<!doctype html><html><head><title>forsale</title></head><body>This domain may be for sale. Buy this "
                      "domain today from a trusted broker, safe payment and quick transfer of ownership, make an offer "
                      "now.</body></html>",
                      !head));
    } else if (path == u"/malformed") {
        send("HTPT/1.1 200 OK\r\nthis is no header\r\n\r\n", true);
    } else {
        send(response(404, "Not Found", {}, page("unknown"), !head));
    }
}
