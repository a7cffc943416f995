#include "fakes/httptestserver.h"

#include <QTcpSocket>

HttpTestServer::HttpTestServer(QObject *parent)
    : QTcpServer(parent)
{
    listen(QHostAddress::LocalHost, 0);
    connect(this, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = nextPendingConnection()) {
            auto *buffer = new QByteArray;
            connect(socket, &QObject::destroyed, [buffer] { delete buffer; });
            connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
                buffer->append(socket->readAll());
                qsizetype end;
                while ((end = buffer->indexOf("\r\n\r\n")) >= 0) {
                    const QByteArray request = buffer->left(end + 4);
                    buffer->remove(0, end + 4);
                    answer(socket, request);
                }
            });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

QUrl HttpTestServer::url(const QString &path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(serverPort()).arg(path));
}
