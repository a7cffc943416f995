// A loopback HTTP server with one path for each case the list checker must tell apart.
#pragma once

#include "fakes/httptestserver.h"

#include <QByteArray>
#include <QHash>
#include <QStringList>
#include <QUrl>

/// Paths and what they do (each also counts its requests by method):
///   /alive          200
///   /temporary      302 to /alive          /permanent  301 to /alive     /permanent308  308 to /alive
///   /loop           302 to /loop2, which redirects back
///   /notfound 404   /gone 410              /forbidden 403 always         /error 500 always
///   /nohead         405 to HEAD, 200 to GET
///   /ratelimited    429 with Retry-After: 1 the first time, then 200
///   /unavailable    503 the first time, then 200
///   /botwall        403 with a script that sets a cookie and reloads; 200 once the cookie is sent
///   /refreshwall    403 that sets a cookie and refreshes itself a second later (no script); 200 with it
///   /hang           accepts the request and never answers
///   /wallthenhang   403 the first time, then never answers (an engine page that waits)
///   /endless        405 to HEAD; to GET, 200 and a body that never ends
///   /malformed      a status line that is no HTTP
///   /interim        100 Continue, then 200          /inpieces  200 whose head comes in three writes
///   /hugehead       a head of over a megabyte        /keptonce  200, then closes that connection unanswered
class CheckServer final : public HttpTestServer {
    Q_OBJECT
public:
    explicit CheckServer(QObject *parent = nullptr);
    /// Requests seen for @p path, as "GET" or "HEAD" each.
    QStringList requests(const QString &path) const { return m_requests.value(path); }
    /// The most requests to this server that were open at the same moment.
    int mostAtOnce = 0;
    /// Seconds between the first 429 and the request that came after it, per path; -1 before.
    QHash<QString, qint64> msAfterRefusal;

private:
    void answer(QTcpSocket *socket, const QByteArray &request) override;
    QHash<QString, QStringList> m_requests;
    QHash<QString, qint64> m_refusedAt;
    int m_open = 0;
};
