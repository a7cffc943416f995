// A small HTTP/1.1 client that asks for a response's head only: the status and the headers.
#pragma once

#include "check/headparser.h"
#include "platform/pageprobe.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <functional>
#include <utility>

class QAbstractSocket;
class QUrl;

/// What came back for one request: a status and headers, or why none came.
struct ResponseHead {
    bool answered = false;
    int status = 0;
    QByteArray reason;
    HeaderList headers;
    /// Why there is no answer (when answered is false), and a word on it for a person.
    ProbeAnswer::Outcome failure = ProbeAnswer::Outcome::NetworkError;
    QString detail;
    /// The first value of header @p name (any case), empty when there is none.
    QByteArray header(const QByteArray &name) const;
};

/// Sends HEAD or GET requests and reads only the head of each response. Connections are kept open
/// between HEAD requests to the same server, as a browser keeps them; a GET's connection is closed
/// once the head is in, so that no body is downloaded. Reading is buffered: a response's head costs
/// one or two reads from the socket, where Qt's own HTTP client reads it a byte per system call.
/// Time-outs are the caller's: it cancels what takes too long.
class HeadClient final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HeadClient)
public:
    explicit HeadClient(QObject *parent = nullptr);
    ~HeadClient() override;

    using Done = std::function<void(const ResponseHead &)>;
    /// Asks @p url (http or https) with @p headers besides Host; @p done is called once, later, unless
    /// the request is cancelled. Returns the request's number for cancel().
    quint64 ask(const QUrl &url, bool head, const HeaderList &headers, Done done);
    /// Drops a request; its callback is not called.
    void cancel(quint64 id);
    void cancelAll();

private:
    struct Exchange;
    void open(Exchange *exchange);
    void send(Exchange *exchange);
    void received(QAbstractSocket *socket);
    void failed(QAbstractSocket *socket, ProbeAnswer::Outcome outcome, const QString &detail);
    void finish(Exchange *exchange, const ResponseHead &answer, bool keepSocket);
    QAbstractSocket *takeIdle(const QString &key);
    void discard(QAbstractSocket *socket);

    quint64 m_lastId = 0;
    QHash<quint64, Exchange *> m_exchanges;
    QHash<QAbstractSocket *, Exchange *> m_onSocket;
    /// Open connections waiting for the next request, by scheme, host and port.
    QHash<QString, QList<QAbstractSocket *>> m_idle;
    /// Servers whose answers came with more than their head: their connections are never reused.
    QSet<QString> m_noReuse;
};
