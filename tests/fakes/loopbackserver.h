// A small HTTP server on 127.0.0.1 for tests against the real web engine.
#pragma once

#include "fakes/httptestserver.h"

#include <QByteArray>
#include <QHash>
#include <QStringList>
#include <QUrl>

/// Answers GET /<name> with a page titled "<name>"; pages registered with setPage() are served as
/// given, and a path starting with "/slow" answers after a delay.
class LoopbackServer final : public HttpTestServer {
    Q_OBJECT
public:
    explicit LoopbackServer(QObject *parent = nullptr);
    void setPage(const QString &path, const QByteArray &contentType, const QByteArray &body,
                 const QByteArray &extraHeaders = {});
    int slowMilliseconds = 1500;
    QStringList requested;
    /// The value of the Cookie header of each request, in the order of requested (empty when none).
    QList<QByteArray> cookies;

private:
    void answer(QTcpSocket *socket, const QByteArray &request) override;
    struct Page {
        QByteArray contentType;
        QByteArray body;
        QByteArray extraHeaders;
    };
    QHash<QString, Page> m_pages;
};
