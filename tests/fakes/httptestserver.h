// The loopback HTTP servers' common part: a port of their own on 127.0.0.1, requests read whole.
#pragma once

#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

/// Listens on 127.0.0.1 and hands every request's head (its request line and headers, up to and with
/// the blank line) to answer(), in the order the requests come on each connection.
class HttpTestServer : public QTcpServer {
    Q_OBJECT
public:
    explicit HttpTestServer(QObject *parent = nullptr);
    /// The address of @p path ("/name") on this server.
    QUrl url(const QString &path) const;

protected:
    virtual void answer(QTcpSocket *socket, const QByteArray &request) = 0;
};
