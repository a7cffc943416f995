#include "check/networkprobe.h"

#include "check/headclient.h"
#include "check/hostpacer.h"
#include "check/pagereader.h"
#include "check/verdict.h"

#include <QDateTime>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QSet>
#include <QTimer>

#include <algorithm>
#include <optional>

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
    return ::retryAfterSeconds(QByteArrayView(value), QDateTime::currentDateTimeUtc());
}

/// Whether an answer's Content-Type is a page the fast pass reads.
bool isHtml(const QByteArray &contentType)
{
    const QByteArray type = contentType.split(';').value(0).trimmed().toLower();
    return type == "text/html" || type == "application/xhtml+xml";
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
    /// The HEAD's answer while a GET reads the page's first part.
    std::optional<ProbeAnswer> readingPage;
    quint64 id = 0;
    /// The request on the wire, 0 when there is none.
    quint64 exchange = 0;
    /// Runs while a request of the walk is on its way; stopped while one waits for a connection.
    QTimer *deadline = nullptr;
    /// What is left of the time-out while the deadline is stopped.
    int timeLeftMs = 0;
};

NetworkProbe::NetworkProbe(QObject *parent)
    : HttpProbe(parent)
    , m_client(new HeadClient(this))
    , m_cookies(new QNetworkCookieJar(this))
{
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
    request->visited.insert(visitKey(url));
    request->deadline = new QTimer(this);
    request->deadline->setSingleShot(true);
    request->id = ++m_lastRequestId;
    m_requests.insert(request->id, request);
    // The time-out covers the whole walk through the redirects, and a head that trickles, but not
    // the time a request waits for a connection within the open-file budget: it starts when the
    // request goes out.
    connect(request->deadline, &QTimer::timeout, this, [this, request] {
        ProbeAnswer answer;
        answer.outcome = ProbeAnswer::Outcome::TimedOut;
        answer.detail = QStringLiteral("no answer within %1 s").arg(m_settings.timeoutMs / 1000.0);
        complete(request, answer);
    });
    request->timeLeftMs = m_settings.timeoutMs;
    // Reading pages, one GET reads the head and the first part of the page: a HEAD before it would
    // be a second request to the host, outside the pace the host is asked at.
    request->headRefused = m_settings.readPages;
    send(request, url, !m_settings.readPages);
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
        QTimer::singleShot(0, this, [this, id = request->id, answer] {
            if (Request *r = m_requests.value(id))
                complete(r, answer);
        });
        return;
    }
    HeaderList headers{{"User-Agent", m_settings.userAgent},
                       {"Accept", navigationAccept},
                       {"Accept-Language", "en-US,en;q=0.9"},
                       {"Cache-Control", "no-cache"}};
    // Cookies a server set on the way (a redirect that sets one and expects it back) go with the
    // requests of this check only.
    const QByteArray cookies = cookieLine(url);
    if (!cookies.isEmpty())
        headers.append({"Cookie", cookies});
    // No Authorization header, ever, and nothing of an address's user name or password: a check asks
    // as a stranger would.
    request->exchange = m_client->ask(
        url, head, headers,
        [this, request, url](const ResponseHead &head) {
            request->exchange = 0;
            answered(request, url, head);
        },
        m_settings.readPages ? pageReadCap : 0,
        [request](bool onItsWay) {
            QTimer *deadline = request->deadline;
            if (onItsWay && !deadline->isActive()) {
                deadline->start(std::max(1, request->timeLeftMs));
            } else if (!onItsWay && deadline->isActive()) {
                request->timeLeftMs = std::max(1, deadline->remainingTime());
                deadline->stop();
            }
        });
}

QByteArray NetworkProbe::cookieLine(const QUrl &url) const
{
    QByteArray line;
    for (const QNetworkCookie &cookie : m_cookies->cookiesForUrl(url))
        line += (line.isEmpty() ? "" : "; ") + cookie.toRawForm(QNetworkCookie::NameAndValueOnly);
    return line;
}

QString NetworkProbe::visitKey(const QUrl &url) const
{
    return url.toString(QUrl::FullyEncoded) + QLatin1Char('\n') + QString::fromLatin1(cookieLine(url));
}

void NetworkProbe::answered(Request *request, const QUrl &url, const ResponseHead &head)
{
    ProbeAnswer answer;
    if (request->readingPage) {
        // The page's first part, read after its HEAD answered: what it says goes with that answer.
        // A GET that fails where the HEAD answered leaves the HEAD's answer as it was.
        answer = *request->readingPage;
        if (head.answered && head.status >= 200 && head.status < 300)
            answer.page = readPage(head.body, url);
        complete(request, answer);
        return;
    }
    if (!head.answered) {
        answer.outcome = head.failure;
        answer.detail = head.detail;
        if (request->hops > 0)
            answer.finalUrl = request->current;
        complete(request, answer);
        return;
    }
    for (const auto &[name, value] : head.headers)
        if (name.compare("Set-Cookie", Qt::CaseInsensitive) == 0)
            m_cookies->setCookiesFromUrl(QNetworkCookie::parseCookies(value), url);
    const int status = head.status;
    const bool wasHead = !request->headRefused;
    if (wasHead && (status == 405 || status == 501)) {
        // The server does not take HEAD: ask with GET and stop after the headers.
        request->headRefused = true;
        send(request, request->current, false);
        return;
    }
    const QByteArray location = head.header("Location");
    if (isRedirect(status) && !location.isEmpty()) {
        const QUrl next = request->current.resolved(QUrl::fromEncoded(location));
        if (request->onlyPermanentSoFar && isPermanent(status))
            request->movedTo = next;
        else
            request->onlyPermanentSoFar = false;
        ++request->hops;
        answer.status = status;
        answer.finalUrl = next;
        if (redirectTellsEnough(next)) {
            // Sent to a parking service or a sign-in provider: where it leads is the answer, and
            // that host is not asked.
            answer.outcome = ProbeAnswer::Outcome::Answered;
            answer.movedTo = request->movedTo;
            complete(request, answer);
            return;
        }
        if (!next.isValid() || (next.scheme() != u"http" && next.scheme() != u"https")) {
            answer.outcome = ProbeAnswer::Outcome::Unloadable;
            answer.detail = QStringLiteral("redirects to %1").arg(next.toDisplayString());
            complete(request, answer);
            return;
        }
        // A redirect back to an address already asked is a loop only when nothing changed: one that
        // set a cookie on the way is asked again with it, as a browser does.
        if (request->visited.contains(visitKey(next))) {
            answer.outcome = ProbeAnswer::Outcome::RedirectLoop;
            complete(request, answer);
            return;
        }
        if (request->hops > m_settings.maxRedirects) {
            answer.outcome = ProbeAnswer::Outcome::TooManyRedirects;
            complete(request, answer);
            return;
        }
        request->visited.insert(visitKey(next));
        request->current = next;
        send(request, next, !request->headRefused);
        return;
    }
    answer.outcome = ProbeAnswer::Outcome::Answered;
    answer.status = status;
    answer.detail = QString::fromLatin1(head.reason);
    if (request->hops > 0)
        answer.finalUrl = request->current;
    answer.movedTo = request->movedTo;
    answer.asksForLogin = (status == 401 && !head.header("WWW-Authenticate").isEmpty())
        || (status == 407 && !head.header("Proxy-Authenticate").isEmpty());
    if (status == 429 || status == 503)
        answer.retryAfterSeconds = retryAfterSeconds(head.header("Retry-After"));
    if (m_settings.readPages && status >= 200 && status < 300 && isHtml(head.header("Content-Type"))) {
        if (!wasHead) {
            answer.page = readPage(head.body, url);
        } else {
            request->readingPage = answer;
            send(request, url, false);
            return;
        }
    }
    complete(request, answer);
}

void NetworkProbe::complete(Request *request, const ProbeAnswer &answer)
{
    m_requests.remove(request->id);
    if (request->exchange)
        m_client->cancel(request->exchange);
    // Its own time-out may be what ends the request: the timer goes once that has returned.
    request->deadline->stop();
    request->deadline->deleteLater();
    auto done = std::move(request->done);
    delete request;
    done(answer);
}

void NetworkProbe::abortAll()
{
    const auto requests = std::exchange(m_requests, {});
    for (Request *request : requests) {
        if (request->exchange)
            m_client->cancel(request->exchange);
        request->deadline->stop();
        request->deadline->deleteLater();
        delete request;
    }
}
