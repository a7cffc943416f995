#include "fakes/loopbackserver.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

LoopbackServer::LoopbackServer(QObject *parent)
    : HttpTestServer(parent)
{
}

void LoopbackServer::setPage(const QString &path, const QByteArray &contentType, const QByteArray &body,
                             const QByteArray &extraHeaders)
{
    m_pages.insert(path, {contentType, body, extraHeaders});
}

void LoopbackServer::answer(QTcpSocket *socket, const QByteArray &request)
{
    const QList<QByteArray> words = request.left(request.indexOf("\r\n")).split(' ');
    const QString path = words.size() > 1 ? QString::fromLatin1(words[1]) : QStringLiteral("/");
    requested.append(path);
    QByteArray cookie;
    for (const QByteArray &line : request.split('\n')) {
        if (line.toLower().startsWith("cookie:"))
            cookie = line.mid(7).trimmed();
    }
    cookies.append(cookie);
    Page page;
    if (m_pages.contains(path)) {
        page = m_pages.value(path);
    } else if (path == QLatin1String("/favicon.ico")) {
        page = {"image/x-icon", {}, {}};
    } else {
        const QByteArray name = path.mid(1).toUtf8();
        page = {"text/html; charset=utf-8",
                "<!doctype html><html><head><title>" + name + "</title></head><body><h1>" + name + "</h1></body></html>",
                {}};
    }
    const QByteArray response = "HTTP/1.1 200 OK\r\nContent-Type: " + page.contentType
        + "\r\nContent-Length: " + QByteArray::number(page.body.size()) + "\r\n" + page.extraHeaders
        + "Cache-Control: no-store\r\nConnection: close\r\n\r\n" + page.body;
    QPointer<QTcpSocket> guard(socket);
    auto send = [guard, response] {
        if (!guard)
            return;
        guard->write(response);
        guard->disconnectFromHost();
    };
    if (path.startsWith(QLatin1String("/slow")))
        QTimer::singleShot(slowMilliseconds, socket, send);
    else
        send();
}
