#include "check/networkprobe.h"

#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSet>
#include <QTimer>

#include <QDateTime>

namespace {

/// What a browser's navigation sends.
const QByteArray navigationAccept =
    "text/html,application/xhtml+xml,application/xml;q=0.9,image/avif,image/webp,image/apng,*/*;q=0.8";

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool isPermanent(int status)
{
    return status == 301 || status == 308;
}

/// Retry-After as seconds (a number or an HTTP date); -1 when absent or unreadable.
int retryAfterSeconds(const QByteArray &value)
{
    if (value.isEmpty())
        return -1;
    bool ok = false;
    const int seconds = value.trimmed().toInt(&ok);
    if (ok)
        return std::max(0, seconds);
    const QDateTime when = QDateTime::fromString(QString::fromLatin1(value.trimmed()), Qt::RFC2822Date);
    if (!when.isValid())
        return -1;
    return int(std::max<qint64>(0, QDateTime::currentDateTimeUtc().secsTo(when)));
}

ProbeAnswer::Outcome outcomeOf(QNetworkReply::NetworkError error)
{
    using E = QNetworkReply::NetworkError;
    switch (error) {
    case E::HostNotFoundError: return ProbeAnswer::Outcome::NoSuchHost;
    case E::ConnectionRefusedError: return ProbeAnswer::Outcome::Refused;
    case E::TimeoutError:
    case E::OperationCanceledError: return ProbeAnswer::Outcome::TimedOut;
    case E::SslHandshakeFailedError:
    case E::UnknownNetworkError:
        return error == E::SslHandshakeFailedError ? ProbeAnswer::Outcome::TlsError : ProbeAnswer::Outcome::NetworkError;
    case E::ProtocolFailure:
    case E::ProtocolUnknownError:
    case E::ProtocolInvalidOperationError: return ProbeAnswer::Outcome::ProtocolError;
    case E::TooManyRedirectsError: return ProbeAnswer::Outcome::TooManyRedirects;
    case E::InsecureRedirectError: return ProbeAnswer::Outcome::Unloadable;
    default: return ProbeAnswer::Outcome::NetworkError;
    }
}

bool isSpecialInvalidName(const QString &host)
{
    return host.compare(u"invalid", Qt::CaseInsensitive) == 0 || host.endsWith(u".invalid", Qt::CaseInsensitive)
        || host.endsWith(u".invalid.", Qt::CaseInsensitive);
}

} // namespace

struct NetworkProbe::Request {
    std::function<void(const ProbeAnswer &)> done;
    QUrl current;
    QSet<QString> visited;
    int hops = 0;
    bool onlyPermanentSoFar = true;
    QUrl movedTo;
    bool headRefused = false;
    /// The answer taken from the headers of a GET, which is then abandoned.
    bool answered = false;
    QNetworkReply *reply = nullptr;
    QTimer *deadline = nullptr;
};

NetworkProbe::NetworkProbe(QObject *parent)
    : HttpProbe(parent)
    , m_manager(new QNetworkAccessManager(this))
{
    // Redirects are followed by hand: their kind decides between moved and alive.
    m_manager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    m_manager->setCookieJar(new QNetworkCookieJar(m_manager));
}

NetworkProbe::~NetworkProbe()
{
    abortAll();
}

void NetworkProbe::setSettings(const HttpProbeSettings &settings)
{
    m_settings = settings;
    if (m_settings.userAgent.isEmpty())
        m_settings.userAgent = "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/102.0 Safari/537.36";
}

void NetworkProbe::probe(const QUrl &url, std::function<void(const ProbeAnswer &)> done)
{
    auto *request = new Request;
    request->done = std::move(done);
    request->current = url;
    request->visited.insert(url.toString(QUrl::FullyEncoded));
    request->deadline = new QTimer(this);
    request->deadline->setSingleShot(true);
    // The time-out covers the whole walk through the redirects, and a body that trickles.
    connect(request->deadline, &QTimer::timeout, this, [this, request] {
        ProbeAnswer answer;
        answer.outcome = ProbeAnswer::Outcome::TimedOut;
        answer.detail = QStringLiteral("no answer within %1 s").arg(m_settings.timeoutMs / 1000.0);
        complete(request, answer);
    });
    request->deadline->start(m_settings.timeoutMs);
    send(request, url, true);
}

void NetworkProbe::send(Request *request, const QUrl &url, bool head)
{
    if (isSpecialInvalidName(url.host())) {
        // Names under .invalid never resolve (RFC 6761): answer at once rather than ask a name server.
        ProbeAnswer answer;
        answer.outcome = ProbeAnswer::Outcome::NoSuchHost;
        answer.detail = QStringLiteral("names under .invalid never exist");
        if (request->hops > 0)
            answer.finalUrl = url;
        QTimer::singleShot(0, this, [this, request, answer, generation = m_abortGeneration] {
            if (generation == m_abortGeneration) {
                complete(request, answer);
            } else {
                request->deadline->stop();
                request->deadline->deleteLater();
                delete request;
            }
        });
        return;
    }
    QNetworkRequest r(url);
    r.setHeader(QNetworkRequest::UserAgentHeader, m_settings.userAgent);
    r.setRawHeader("Accept", navigationAccept);
    r.setRawHeader("Accept-Language", "en-US,en;q=0.9");
    r.setTransferTimeout(m_settings.timeoutMs);
    r.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    r.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    QNetworkReply *reply = head ? m_manager->head(r) : m_manager->get(r);
    request->reply = reply;
    m_requests.insert(reply, request);
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, reply] { onHeaders(reply); });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { onFinished(reply); });
}

void NetworkProbe::onHeaders(QNetworkReply *reply)
{
    Request *request = m_requests.value(reply);
    if (!request || reply->operation() != QNetworkAccessManager::GetOperation)
        return;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return;
    // The status is all the check needs: the body is not downloaded.
    request->answered = true;
    reply->abort();
}

void NetworkProbe::onFinished(QNetworkReply *reply)
{
    Request *request = m_requests.take(reply);
    reply->deleteLater();
    if (!request)
        return;
    request->reply = nullptr;
    const QVariant statusAttribute = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    ProbeAnswer answer;
    if (!statusAttribute.isValid()) {
        answer.outcome = outcomeOf(reply->error());
        answer.detail = reply->errorString();
        if (request->hops > 0)
            answer.finalUrl = request->current;
        complete(request, answer);
        return;
    }
    const int status = statusAttribute.toInt();
    const bool head = reply->operation() == QNetworkAccessManager::HeadOperation;
    if (head && (status == 405 || status == 501)) {
        // The server does not take HEAD: ask with GET and stop after the headers.
        request->headRefused = true;
        send(request, request->current, false);
        return;
    }
    if (isRedirect(status) && reply->hasRawHeader("Location")) {
        const QUrl next = request->current.resolved(QUrl::fromEncoded(reply->rawHeader("Location").trimmed()));
        if (request->onlyPermanentSoFar && isPermanent(status))
            request->movedTo = next;
        else
            request->onlyPermanentSoFar = false;
        ++request->hops;
        answer.status = status;
        answer.finalUrl = next;
        if (!next.isValid() || (next.scheme() != u"http" && next.scheme() != u"https")) {
            answer.outcome = ProbeAnswer::Outcome::Unloadable;
            answer.detail = QStringLiteral("redirects to %1").arg(next.toDisplayString());
            complete(request, answer);
            return;
        }
        if (request->visited.contains(next.toString(QUrl::FullyEncoded))) {
            answer.outcome = ProbeAnswer::Outcome::RedirectLoop;
            complete(request, answer);
            return;
        }
        if (request->hops > m_settings.maxRedirects) {
            answer.outcome = ProbeAnswer::Outcome::TooManyRedirects;
            complete(request, answer);
            return;
        }
        request->visited.insert(next.toString(QUrl::FullyEncoded));
        request->current = next;
        send(request, next, !request->headRefused);
        return;
    }
    answer.outcome = ProbeAnswer::Outcome::Answered;
    answer.status = status;
    answer.detail = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    if (request->hops > 0)
        answer.finalUrl = request->current;
    answer.movedTo = request->movedTo;
    if (status == 429 || status == 503)
        answer.retryAfterSeconds = retryAfterSeconds(reply->rawHeader("Retry-After"));
    complete(request, answer);
}

void NetworkProbe::complete(Request *request, const ProbeAnswer &answer)
{
    if (request->reply) {
        QNetworkReply *reply = request->reply;
        m_requests.remove(reply);
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
    request->deadline->stop();
    request->deadline->deleteLater();
    auto done = std::move(request->done);
    delete request;
    done(answer);
}

void NetworkProbe::abortAll()
{
    ++m_abortGeneration;
    const auto requests = m_requests;
    m_requests.clear();
    for (auto it = requests.begin(); it != requests.end(); ++it) {
        it.key()->disconnect(this);
        it.key()->abort();
        it.key()->deleteLater();
        it.value()->deadline->stop();
        it.value()->deadline->deleteLater();
        delete it.value();
    }
}
