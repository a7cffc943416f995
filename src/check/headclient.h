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
#include <optional>
#include <utility>

class QAbstractSocket;
class QTimer;
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
    /// The first part of a 2xx answer's body, when a GET asked for it (see HeadClient::ask()).
    QByteArray body;
    /// The first value of header @p name (any case), empty when there is none.
    QByteArray header(const QByteArray &name) const;
};

/// Sends HEAD or GET requests and reads only the head of each response. Connections are kept open
/// between HEAD requests to the same server, as a browser keeps them; a GET's connection is closed
/// once the head is in, so that no body is downloaded. Reading is buffered: a response's head costs
/// one or two reads from the socket, where Qt's own HTTP client reads it a byte per system call.
/// Time-outs are the caller's: it cancels what takes too long, counting from when the request goes
/// out (see OnItsWay).
///
/// Open connections are budgeted against the process's open-file limit, which the web engine in the
/// same process shares: at most ConnectionLimits::open at once (a request waits for a free one), of
/// which at most ConnectionLimits::kept in all and keptPerServer per server are kept for reuse, each
/// closed after idleMs without a request, the oldest first when a new connection needs its place.
class HeadClient final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HeadClient)
public:
    struct ConnectionLimits {
        int open = 0;
        int kept = 0;
        int keptPerServer = 0;
        int idleMs = 0;
    };
    /// What a process whose soft open-file limit is @p openFileLimit may use: half of what is left once
    /// the engine's share (its own sockets, files and pipes) is set aside, and never more than a browser
    /// opens at once.
    static ConnectionLimits limitsFor(quint64 openFileLimit);

    explicit HeadClient(QObject *parent = nullptr);
    ~HeadClient() override;

    /// Fixed limits instead of those of the process's open-file limit (read anew for every connection,
    /// since the engine may raise it).
    void setLimits(const ConnectionLimits &limits);
    ConnectionLimits limits() const;
    /// Connections open now, in use or kept; and the most that were open at once.
    int openConnections() const { return int(m_sockets.size()); }
    int keptConnections() const { return int(m_keptOrder.size()); }
    int mostOpenAtOnce() const { return m_mostOpen; }
    /// Closes every kept connection (those in use stay).
    void closeKept();

    using Done = std::function<void(const ResponseHead &)>;
    /// Told true when a request gets its connection (a new one being made, or a kept one) and goes
    /// out, false when it has to wait for one within the budget: a caller's time-out runs only while
    /// the request is on its way, never while it waits its turn.
    using OnItsWay = std::function<void(bool)>;
    /// Asks @p url (http or https) with @p headers besides Host; @p done is called once, later, unless
    /// the request is cancelled. Returns the request's number for cancel(). A GET with @p bodyCap reads
    /// up to that many bytes of a 2xx answer's body (de-chunked) before its connection closes.
    quint64 ask(const QUrl &url, bool head, const HeaderList &headers, Done done, qsizetype bodyCap = 0,
                OnItsWay onItsWay = {});
    /// Drops a request; its callback is not called.
    void cancel(quint64 id);
    void cancelAll();

private:
    struct Exchange;
    void open(Exchange *exchange);
    static void tellOnItsWay(Exchange *exchange, bool onItsWay);
    void send(Exchange *exchange);
    void received(QAbstractSocket *socket);
    /// Takes what is buffered of the body; true once it is whole or the cap is reached.
    static bool takeBody(Exchange *exchange);
    /// Ends @p exchange once its body has been read: keeps its connection when the body ended cleanly.
    void finishBody(Exchange *exchange);
    void failed(QAbstractSocket *socket, ProbeAnswer::Outcome outcome, const QString &detail);
    void finish(Exchange *exchange, const ResponseHead &answer, bool keepSocket);
    QAbstractSocket *takeIdle(const QString &key);
    void keep(QAbstractSocket *socket, const QString &key);
    void discard(QAbstractSocket *socket);
    bool closeOldestKept();
    void closeExpired();
    void scheduleWaiting();
    void openWaiting();

    quint64 m_lastId = 0;
    QHash<quint64, Exchange *> m_exchanges;
    QHash<QAbstractSocket *, Exchange *> m_onSocket;
    /// Open connections waiting for the next request, by scheme, host and port.
    QHash<QString, QList<QAbstractSocket *>> m_idle;
    /// The same, oldest first, with when each was kept.
    QList<std::pair<QAbstractSocket *, qint64>> m_keptOrder;
    /// Every connection this client has open.
    QSet<QAbstractSocket *> m_sockets;
    /// Requests waiting for a connection to be free, first come first served.
    QList<quint64> m_waiting;
    std::optional<ConnectionLimits> m_fixedLimits;
    /// Lowered when the system refuses a socket although the budget allows one, until the next connection
    /// closes.
    int m_refusedAt = 0;
    int m_mostOpen = 0;
    bool m_waitingScheduled = false;
    QTimer *m_expiry;
    /// Servers whose answers came with more than their head: their connections are never reused.
    QSet<QString> m_noReuse;
};
