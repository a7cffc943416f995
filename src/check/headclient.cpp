#include "check/headclient.h"

#include <QDateTime>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <limits>
#include <optional>
#include <sys/resource.h>

namespace {

/// What the engine in the same process may need of the open-file limit: Chromium opens up to 256
/// sockets of its own, besides its files, pipes and shared memory.
constexpr quint64 engineShare = 384;
/// More connections than a browser opens at once would gain nothing.
constexpr int mostOpen = 512;
/// Kept per server, as a browser keeps them (Chromium: 6).
constexpr int keptPerServer = 6;
/// A kept connection unused this long is closed: servers keep theirs for 5 to 75 s, and holding on to
/// thousands of them costs both sides.
constexpr int keptForMs = 5000;

quint64 softOpenFileLimit()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return 1u << 20;
    return quint64(limit.rlim_cur);
}

QString serverKey(const QUrl &url)
{
    return url.scheme() + QStringLiteral("://") + url.host(QUrl::FullyEncoded) + QLatin1Char(':')
        + QString::number(url.port(url.scheme() == u"https" ? 443 : 80));
}

ProbeAnswer::Outcome outcomeOf(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::HostNotFoundError: return ProbeAnswer::Outcome::NoSuchHost;
    case QAbstractSocket::ConnectionRefusedError: return ProbeAnswer::Outcome::Refused;
    case QAbstractSocket::SocketTimeoutError: return ProbeAnswer::Outcome::TimedOut;
    case QAbstractSocket::SslHandshakeFailedError:
    case QAbstractSocket::SslInternalError:
    case QAbstractSocket::SslInvalidUserDataError: return ProbeAnswer::Outcome::TlsError;
    default: return ProbeAnswer::Outcome::NetworkError;
    }
}

/// A chunk size line longer than this is no chunked body a browser reads (Chromium's limit).
constexpr qsizetype longestChunkLine = 16 * 1024;

/// The size a chunk size line gives: hex digits alone (no sign, no "0x"), blanks after them, and
/// any extension after a semicolon left aside; nothing when it is no such number or too big to be one.
std::optional<qint64> chunkSize(QByteArrayView line)
{
    if (const qsizetype semicolon = line.indexOf(';'); semicolon >= 0)
        line = line.first(semicolon);
    while (!line.isEmpty() && (line.back() == ' ' || line.back() == '\t'))
        line.chop(1);
    if (line.isEmpty())
        return std::nullopt;
    qint64 size = 0;
    for (const char c : line) {
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (digit < 0 || size > (std::numeric_limits<qint64>::max() - digit) / 16)
            return std::nullopt;
        size = size * 16 + digit;
    }
    return size;
}

/// The start of @p bytes as a person may read it.
QByteArray shownBytes(QByteArrayView bytes)
{
    QByteArray shown;
    for (qsizetype i = 0; i < bytes.size() && shown.size() < 40; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        shown += c >= 0x20 && c < 0x7f ? char(c) : '?';
    }
    return bytes.size() > 40 ? shown + "..." : shown;
}

} // namespace

QByteArray ResponseHead::header(const QByteArray &name) const
{
    for (const auto &[key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

struct HeadClient::Exchange {
    quint64 id = 0;
    QString key;
    QByteArray request;
    bool head = true;
    Done done;
    OnItsWay onItsWay;
    QAbstractSocket *socket = nullptr;
    /// On a kept connection, which the server may have closed meanwhile: then it is asked again on a
    /// new one.
    bool reused = false;
    QByteArray buffer;
    QUrl url;
    /// For a GET that reads the body: at most this much of it.
    qsizetype bodyCap = 0;
    /// The head is in and the body is being read.
    bool inBody = false;
    bool chunked = false;
    /// Bytes the body has by Content-Length (or the current chunk has left), -1 when not told.
    qint64 left = -1;
    /// The body is a page the caller reads (a 2xx answer's); another answer's is only read past.
    bool pageWanted = false;
    /// The server keeps the connection open after this answer.
    bool keepAlive = false;
    /// The body was read to its end, and not a byte after it came: the connection may carry the next
    /// request, as a browser's would.
    bool wholeBodyRead = false;
    /// What is wrong with a body that no browser would take (a chunk size that is no number): the
    /// answer is a broken one, whatever its status said.
    QString brokenBody;
    ResponseHead answer;
};

HeadClient::ConnectionLimits HeadClient::limitsFor(quint64 openFileLimit)
{
    ConnectionLimits limits;
    const quint64 free = openFileLimit > engineShare ? openFileLimit - engineShare : 0;
    limits.open = int(std::clamp<quint64>(free / 2, 8, mostOpen));
    limits.kept = std::max(1, limits.open / 2);
    limits.keptPerServer = keptPerServer;
    limits.idleMs = keptForMs;
    return limits;
}

HeadClient::HeadClient(QObject *parent)
    : QObject(parent)
    , m_expiry(new QTimer(this))
{
    m_expiry->setSingleShot(true);
    connect(m_expiry, &QTimer::timeout, this, &HeadClient::closeExpired);
}

HeadClient::~HeadClient()
{
    cancelAll();
    closeKept();
}

void HeadClient::setLimits(const ConnectionLimits &limits)
{
    m_fixedLimits = limits;
}

HeadClient::ConnectionLimits HeadClient::limits() const
{
    ConnectionLimits limits = m_fixedLimits ? *m_fixedLimits : limitsFor(softOpenFileLimit());
    if (m_refusedAt > 0)
        limits.open = std::min(limits.open, m_refusedAt);
    limits.kept = std::min(limits.kept, limits.open);
    return limits;
}

void HeadClient::closeKept()
{
    while (!m_keptOrder.isEmpty())
        discard(m_keptOrder.first().first);
}

quint64 HeadClient::ask(const QUrl &url, bool head, const HeaderList &headers, Done done, qsizetype bodyCap, OnItsWay onItsWay)
{
    auto *exchange = new Exchange;
    exchange->onItsWay = std::move(onItsWay);
    exchange->bodyCap = head ? 0 : bodyCap;
    exchange->id = ++m_lastId;
    exchange->key = serverKey(url);
    exchange->head = head;
    exchange->done = std::move(done);
    exchange->url = url;
    const bool https = url.scheme() == u"https";
    const int defaultPort = https ? 443 : 80;
    QByteArray host = url.host(QUrl::FullyEncoded).toLatin1();
    if (host.contains(':'))
        host = '[' + host + ']';
    if (url.port(defaultPort) != defaultPort)
        host += ':' + QByteArray::number(url.port());
    QByteArray target = url.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty())
        target = "/";
    if (url.hasQuery())
        target += '?' + url.query(QUrl::FullyEncoded).toLatin1();
    QByteArray &r = exchange->request;
    r = (head ? "HEAD " : "GET ") + target + " HTTP/1.1\r\nHost: " + host + "\r\n";
    for (const auto &[name, value] : headers)
        r += name + ": " + value + "\r\n";
    r += "\r\n";
    m_exchanges.insert(exchange->id, exchange);
    // Opened from the event loop, so that no answer (a refused connection can be told at once) comes
    // before the caller has the request's number.
    QMetaObject::invokeMethod(
        this, [this, id = exchange->id] {
            Exchange *e = m_exchanges.value(id);
            if (!e)
                return;
            // Behind those already waiting for a connection, unless a kept one of its own server is free.
            if (!m_waiting.isEmpty() && !m_idle.contains(e->key)) {
                m_waiting.append(id);
                tellOnItsWay(e, false);
                scheduleWaiting();
                return;
            }
            open(e);
        },
        Qt::QueuedConnection);
    return exchange->id;
}

void HeadClient::open(Exchange *exchange)
{
    exchange->socket = nullptr;
    while (QAbstractSocket *socket = takeIdle(exchange->key)) {
        if (socket->state() == QAbstractSocket::ConnectedState && socket->bytesAvailable() == 0) {
            exchange->socket = socket;
            exchange->reused = true;
            m_onSocket.insert(socket, exchange);
            tellOnItsWay(exchange, true);
            send(exchange);
            return;
        }
        discard(socket);
    }
    // A new connection only within the budget: the oldest kept one makes way, or the request waits
    // for one to close.
    const int allowed = limits().open;
    while (m_sockets.size() >= allowed && closeOldestKept()) {
    }
    if (m_sockets.size() >= allowed) {
        if (!m_waiting.contains(exchange->id))
            m_waiting.append(exchange->id);
        tellOnItsWay(exchange, false);
        return;
    }
    const bool https = exchange->url.scheme() == u"https";
    QAbstractSocket *socket = https ? new QSslSocket(this) : new QTcpSocket(this);
    socket->setObjectName(exchange->key);
    m_sockets.insert(socket);
    m_mostOpen = std::max(m_mostOpen, int(m_sockets.size()));
    exchange->socket = socket;
    exchange->reused = false;
    m_onSocket.insert(socket, exchange);
    connect(socket, &QAbstractSocket::readyRead, this, [this, socket] { received(socket); });
    connect(socket, &QAbstractSocket::errorOccurred, this, [this, socket](QAbstractSocket::SocketError error) {
        Exchange *e = m_onSocket.value(socket);
        if (error == QAbstractSocket::SocketResourceError && e && !e->reused && e->buffer.isEmpty()
            && m_sockets.size() > 1) {
            // The system has no socket to give (the engine holds the rest of the open-file limit): no
            // more connections than are open now, and this request waits for one of them to close.
            discard(socket);
            m_refusedAt = std::max(1, int(m_sockets.size()));
            e->socket = nullptr;
            m_waiting.prepend(e->id);
            tellOnItsWay(e, false);
            return;
        }
        failed(socket, outcomeOf(error), socket->errorString());
    });
    connect(socket, &QAbstractSocket::disconnected, this, [this, socket] {
        failed(socket, ProbeAnswer::Outcome::NetworkError, QStringLiteral("the server closed the connection"));
    });
    tellOnItsWay(exchange, true);
    const QString host = exchange->url.host(QUrl::FullyEncoded);
    if (auto *ssl = qobject_cast<QSslSocket *>(socket)) {
        connect(ssl, &QSslSocket::encrypted, this, [this, socket] {
            if (Exchange *e = m_onSocket.value(socket))
                send(e);
        });
        connect(ssl, &QSslSocket::sslErrors, this, [this, socket](const QList<QSslError> &errors) {
            // Not ignored: the handshake fails, as it does in a browser.
            failed(socket, ProbeAnswer::Outcome::TlsError, errors.value(0).errorString());
        });
        ssl->connectToHostEncrypted(host, quint16(exchange->url.port(443)), exchange->url.host());
    } else {
        connect(socket, &QAbstractSocket::connected, this, [this, socket] {
            if (Exchange *e = m_onSocket.value(socket))
                send(e);
        });
        socket->connectToHost(host, quint16(exchange->url.port(80)));
    }
}

void HeadClient::tellOnItsWay(Exchange *exchange, bool onItsWay)
{
    if (exchange->onItsWay)
        exchange->onItsWay(onItsWay);
}

void HeadClient::send(Exchange *exchange)
{
    exchange->socket->write(exchange->request);
}

void HeadClient::received(QAbstractSocket *socket)
{
    Exchange *exchange = m_onSocket.value(socket);
    if (!exchange) {
        // A kept connection has nothing to say between requests.
        discard(socket);
        return;
    }
    exchange->buffer += socket->readAll();
    QByteArray &buffer = exchange->buffer;
    if (exchange->inBody) {
        if (takeBody(exchange))
            finishBody(exchange);
        return;
    }
    for (;;) {
        const ParsedHead parsed = parseResponseHead(buffer);
        switch (parsed.state) {
        case ParsedHead::State::Incomplete:
            return;
        case ParsedHead::State::TooLong:
            failed(socket, ProbeAnswer::Outcome::ProtocolError, QStringLiteral("the answer's head never ends"));
            return;
        case ParsedHead::State::Invalid:
            if (exchange->reused) {
                // Bytes left over from the answer before (a body after a HEAD answer, sent late): this
                // server's connections are not kept again, and the request goes on a new one.
                m_noReuse.insert(exchange->key);
                discard(socket);
                exchange->buffer.clear();
                open(exchange);
                return;
            }
            failed(socket, ProbeAnswer::Outcome::ProtocolError, QString::fromLatin1(parsed.problem));
            return;
        case ParsedHead::State::Complete:
            break;
        }
        buffer.remove(0, parsed.length);
        const int status = parsed.status;
        if (status < 200 && status != 101)
            continue; // an interim answer (100 Continue, 103 Early Hints): the real one follows
        ResponseHead answer;
        answer.answered = true;
        answer.status = status;
        answer.reason = parsed.reason;
        answer.headers = parsed.headers;
        const QByteArray connection = answer.header("Connection").toLower();
        const bool keepAlive = parsed.http11 ? !connection.contains("close") : connection.contains("keep-alive");
        // A GET's body follows its head: a 2xx page's is read (up to the cap), another answer's is
        // read past when its length is told and small, so that the connection can carry the next
        // request as a browser's does; otherwise the connection goes. A HEAD answer with bytes after
        // its head came from a server that sends bodies to HEAD: its connections are not used again.
        const QByteArray encoding = answer.header("Content-Encoding").trimmed().toLower();
        const bool chunked = answer.header("Transfer-Encoding").toLower().contains("chunked");
        bool told = false;
        qint64 length = answer.header("Content-Length").trimmed().toLongLong(&told);
        if (status == 204 || status == 304) {
            told = true; // never a body
            length = 0;
        }
        const bool page = status >= 200 && status < 300;
        const bool smallRest = !chunked && told && length >= 0 && length <= exchange->bodyCap;
        // A body in an encoding that was not asked for is not read (none is asked for).
        if (!exchange->head && exchange->bodyCap > 0 && status != 101 && (encoding.isEmpty() || encoding == "identity")
            && (page || smallRest)) {
            exchange->inBody = true;
            exchange->pageWanted = page;
            exchange->answer = answer;
            exchange->chunked = chunked && status != 204 && status != 304;
            exchange->left = exchange->chunked ? -1 : (told && length >= 0 ? length : -1);
            exchange->keepAlive = keepAlive && !m_noReuse.contains(exchange->key) && (exchange->chunked || exchange->left >= 0);
            if (takeBody(exchange))
                finishBody(exchange);
            return;
        }
        if (!buffer.isEmpty() && exchange->head)
            m_noReuse.insert(exchange->key);
        finish(exchange, answer,
               exchange->head && keepAlive && buffer.isEmpty() && status != 101 && !m_noReuse.contains(exchange->key));
        return;
    }
}

void HeadClient::finishBody(Exchange *exchange)
{
    if (!exchange->brokenBody.isEmpty()) {
        ResponseHead broken;
        broken.failure = ProbeAnswer::Outcome::ProtocolError;
        broken.detail = exchange->brokenBody;
        finish(exchange, broken, false);
        return;
    }
    ResponseHead answer(std::move(exchange->answer));
    if (!exchange->pageWanted)
        answer.body.clear();
    finish(exchange, answer, exchange->keepAlive && exchange->wholeBodyRead);
}

bool HeadClient::takeBody(Exchange *exchange)
{
    QByteArray &buffer = exchange->buffer;
    QByteArray &body = exchange->answer.body;
    const auto room = [&] { return exchange->bodyCap - body.size(); };
    if (!exchange->chunked) {
        qsizetype take = std::min(buffer.size(), room());
        if (exchange->left >= 0)
            take = std::min<qsizetype>(take, exchange->left);
        body += buffer.left(take);
        const bool nothingAfter = buffer.size() == take;
        buffer.clear();
        if (exchange->left >= 0)
            exchange->left -= take;
        exchange->wholeBodyRead = exchange->left == 0 && nothingAfter;
        return room() <= 0 || exchange->left == 0;
    }
    // Chunked: a size line, that many bytes and an empty line, until a chunk of size 0. left is -1
    // while a size line is awaited, 0 while the line end after a chunk is. Lines end in LF, with or
    // without a CR before it, as browsers read them; anything else is a broken answer.
    for (;;) {
        if (room() <= 0)
            return true;
        if (exchange->left > 0) {
            if (buffer.isEmpty())
                return false;
            const qsizetype take = std::min<qsizetype>({buffer.size(), qsizetype(exchange->left), room()});
            body += buffer.left(take);
            buffer.remove(0, take);
            exchange->left -= take;
            continue;
        }
        const qsizetype lf = buffer.indexOf('\n');
        if (lf < 0) {
            if (buffer.size() <= longestChunkLine)
                return false;
            exchange->brokenBody = QStringLiteral("its chunked body has a chunk size line that never ends");
            return true;
        }
        QByteArray line = buffer.left(lf);
        if (line.endsWith('\r'))
            line.chop(1);
        buffer.remove(0, lf + 1);
        if (exchange->left == 0) {
            if (!line.isEmpty()) {
                exchange->brokenBody = QStringLiteral("its chunked body has a chunk longer than its size says");
                return true;
            }
            exchange->left = -1;
            continue;
        }
        const std::optional<qint64> size = chunkSize(line);
        if (!size) {
            exchange->brokenBody = QStringLiteral("its chunked body has a chunk size that is no number (\"%1\")")
                                       .arg(QString::fromLatin1(shownBytes(line)));
            return true;
        }
        if (*size == 0) {
            // The last chunk, then the line that ends the body (no trailers are asked for).
            exchange->wholeBodyRead = buffer == "\r\n" || buffer == "\n";
            return true;
        }
        exchange->left = *size;
    }
}

void HeadClient::failed(QAbstractSocket *socket, ProbeAnswer::Outcome outcome, const QString &detail)
{
    Exchange *exchange = m_onSocket.value(socket);
    if (!exchange) {
        discard(socket);
        return;
    }
    if (exchange->inBody) {
        // The head was in: what came of the body is what there is (a server that ends the body by
        // closing, or breaks off).
        exchange->buffer += socket->readAll();
        takeBody(exchange);
        exchange->keepAlive = false;
        finishBody(exchange);
        return;
    }
    if (exchange->reused && exchange->buffer.isEmpty()) {
        // The server had closed the kept connection: ask again on a new one, as browsers do.
        discard(socket);
        open(exchange);
        return;
    }
    ResponseHead answer;
    answer.failure = outcome;
    answer.detail = detail;
    finish(exchange, answer, false);
}

void HeadClient::finish(Exchange *exchange, const ResponseHead &answer, bool keepSocket)
{
    QAbstractSocket *socket = exchange->socket;
    m_onSocket.remove(socket);
    m_exchanges.remove(exchange->id);
    if (keepSocket)
        keep(socket, exchange->key);
    else
        discard(socket);
    const Done done = std::move(exchange->done);
    delete exchange;
    done(answer);
}

QAbstractSocket *HeadClient::takeIdle(const QString &key)
{
    const auto it = m_idle.find(key);
    if (it == m_idle.end())
        return nullptr;
    QAbstractSocket *socket = it->takeLast();
    if (it->isEmpty())
        m_idle.erase(it);
    m_keptOrder.removeIf([socket](const auto &kept) { return kept.first == socket; });
    return socket;
}

void HeadClient::keep(QAbstractSocket *socket, const QString &key)
{
    const ConnectionLimits allowed = limits();
    // Requests waiting for a connection come first: a kept one would only hold their place.
    if (m_idle.value(key).size() >= allowed.keptPerServer || (!m_waiting.isEmpty() && m_sockets.size() >= allowed.open)) {
        discard(socket);
        return;
    }
    while (m_keptOrder.size() >= allowed.kept && closeOldestKept()) {
    }
    m_idle[key].append(socket);
    m_keptOrder.append({socket, QDateTime::currentMSecsSinceEpoch()});
    if (!m_expiry->isActive())
        m_expiry->start(allowed.idleMs);
}

bool HeadClient::closeOldestKept()
{
    if (m_keptOrder.isEmpty())
        return false;
    discard(m_keptOrder.first().first);
    return true;
}

void HeadClient::closeExpired()
{
    const int idleMs = limits().idleMs;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    while (!m_keptOrder.isEmpty() && now - m_keptOrder.first().second >= idleMs)
        closeOldestKept();
    // The timer may come early: whatever is not yet due is looked at again when it is.
    if (!m_keptOrder.isEmpty())
        m_expiry->start(int(std::max<qint64>(1, m_keptOrder.first().second + idleMs - now)));
}

void HeadClient::discard(QAbstractSocket *socket)
{
    if (!m_sockets.remove(socket))
        return;
    // A socket knows its server by its name: a kept one leaves the kept ones of that server.
    if (const auto it = m_idle.find(socket->objectName()); it != m_idle.end()) {
        it->removeOne(socket);
        if (it->isEmpty())
            m_idle.erase(it);
    }
    m_keptOrder.removeIf([socket](const auto &kept) { return kept.first == socket; });
    m_onSocket.remove(socket);
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    if (m_sockets.isEmpty())
        m_refusedAt = 0;
    scheduleWaiting();
}

void HeadClient::scheduleWaiting()
{
    if (m_waiting.isEmpty() || m_waitingScheduled)
        return;
    // From the event loop: discard() is called from inside callbacks and from open() itself.
    m_waitingScheduled = true;
    QMetaObject::invokeMethod(this, &HeadClient::openWaiting, Qt::QueuedConnection);
}

void HeadClient::openWaiting()
{
    m_waitingScheduled = false;
    while (!m_waiting.isEmpty()) {
        Exchange *exchange = m_exchanges.value(m_waiting.first());
        if (!exchange) {
            m_waiting.removeFirst();
            continue;
        }
        if (!m_idle.contains(exchange->key) && m_sockets.size() >= limits().open && !closeOldestKept())
            return;
        m_waiting.removeFirst();
        open(exchange);
    }
}

void HeadClient::cancel(quint64 id)
{
    Exchange *exchange = m_exchanges.take(id);
    if (!exchange)
        return;
    m_waiting.removeOne(id);
    if (exchange->socket)
        discard(exchange->socket);
    delete exchange;
}

void HeadClient::cancelAll()
{
    const QList<quint64> ids = m_exchanges.keys();
    for (quint64 id : ids)
        cancel(id);
}
