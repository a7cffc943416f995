#include "check/verdict.h"

#include "memory/pagefingerprint.h"
#include "memory/pagesigns.h"
#include "store/addresstoload.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <array>

namespace {

constexpr std::array<const char *, verdictCount> verdictWords{"alive", "moved", "dead", "blocked", "failing", "skipped", "parked"};

bool isWebScheme(const QString &scheme)
{
    return scheme == u"http" || scheme == u"https";
}

QString shown(const QUrl &url)
{
    return url.toDisplayString();
}

/// What a status means when nothing else is known; used for plain requests and the engine alike.
CheckResult resultOfStatus(int status, const QString &by)
{
    CheckResult r;
    r.status = status;
    const QString code = QString::number(status);
    if (status >= 200 && status < 400) {
        r.verdict = Verdict::Alive;
        r.reason = QStringLiteral("answers %1%2").arg(code, by);
    } else if (status == 404) {
        r.verdict = Verdict::Dead;
        r.reason = QStringLiteral("not found (404)%1").arg(by);
    } else if (status == 410) {
        r.verdict = Verdict::Dead;
        r.reason = QStringLiteral("gone for good (410)%1").arg(by);
    } else if (status == 401) {
        r.verdict = Verdict::Blocked;
        r.reason = QStringLiteral("asks for a login (401)%1").arg(by);
    } else if (status == 407) {
        r.verdict = Verdict::Blocked;
        r.reason = QStringLiteral("asks for a proxy login (407)%1").arg(by);
    } else if (status == 403 || status == 451) {
        r.verdict = Verdict::Blocked;
        r.reason = QStringLiteral("refuses access (%1)%2").arg(code, by);
    } else if (status == 429) {
        r.verdict = Verdict::Blocked;
        r.reason = QStringLiteral("refuses: too many requests (429)%1").arg(by);
    } else if (status >= 500) {
        r.verdict = Verdict::Failing;
        r.reason = QStringLiteral("server error (%1)%2").arg(code, by);
    } else {
        r.verdict = Verdict::Dead;
        r.reason = QStringLiteral("the server refuses the address (%1)%2").arg(code, by);
    }
    return r;
}

CheckResult resultOfFailure(const QUrl &checked, const ProbeAnswer &answer, const QString &by)
{
    CheckResult r;
    r.status = answer.status;
    const QString detail = answer.detail.isEmpty() ? QString() : QStringLiteral(": ") + answer.detail;
    // After redirects, the host that failed is the last one asked, not the entry's.
    const QUrl where = answer.finalUrl.isValid() && !answer.finalUrl.host().isEmpty() ? answer.finalUrl : checked;
    switch (answer.outcome) {
    case ProbeAnswer::Outcome::Answered:
        return resultOfStatus(answer.status, by);
    case ProbeAnswer::Outcome::NoSuchHost:
        r.verdict = Verdict::Dead;
        r.reason = QStringLiteral("no such host (%1)%2").arg(where.host(), by);
        break;
    case ProbeAnswer::Outcome::Refused:
        r.verdict = Verdict::Dead;
        r.reason = QStringLiteral("nothing listens at %1:%2 (connection refused)%3")
                       .arg(where.host())
                       .arg(where.port(where.scheme() == u"https" ? 443 : 80))
                       .arg(by);
        break;
    case ProbeAnswer::Outcome::TimedOut:
        r.verdict = Verdict::Failing;
        r.reason = QStringLiteral("no answer in time%1").arg(by);
        break;
    case ProbeAnswer::Outcome::TlsError:
        r.verdict = Verdict::Dead;
        r.reason = QStringLiteral("the secure connection fails%1%2").arg(by, detail);
        break;
    case ProbeAnswer::Outcome::ProtocolError:
        r.verdict = Verdict::Dead;
        r.reason = QStringLiteral("the server's answer is not valid HTTP%1").arg(by);
        // The engine's text for it says no more than this reason does.
        if (!answer.detail.isEmpty() && !answer.detail.contains(QLatin1String("not valid HTTP"))
            && !answer.detail.contains(QLatin1String("INVALID_HTTP_RESPONSE")))
            r.reason += detail;
        break;
    case ProbeAnswer::Outcome::RedirectLoop:
        r.verdict = Verdict::Dead;
        r.reason = QStringLiteral("redirects in a loop%1").arg(by);
        break;
    case ProbeAnswer::Outcome::TooManyRedirects:
        r.verdict = Verdict::Dead;
        r.reason = QStringLiteral("too many redirects%1").arg(by);
        break;
    case ProbeAnswer::Outcome::NetworkError:
        r.verdict = Verdict::Failing;
        r.reason = QStringLiteral("the connection failed%1%2").arg(by, detail);
        break;
    case ProbeAnswer::Outcome::Unloadable:
        r.verdict = Verdict::Dead;
        r.reason = QStringLiteral("cannot be loaded%1%2").arg(by, detail);
        break;
    case ProbeAnswer::Outcome::EngineFailure:
        // The browser failed, not the page: nothing says the page is gone.
        r.verdict = Verdict::Failing;
        r.reason = QStringLiteral("the browser failed, not the page%1").arg(detail);
        r.engineFailed = true;
        break;
    }
    return r;
}

bool isSignInPath(const QUrl &url)
{
    static const QRegularExpression signInPath(
        QStringLiteral("(^|/)(log-?in|sign-?in|sign_in|log_in|auth(enticate)?|sso|session/new|sessions/new|accounts/login|"
                       "users/sign_in|user/login|account/login)(\\.[a-z]+)?/?$"),
        QRegularExpression::CaseInsensitiveOption);
    return signInPath.match(url.path()).hasMatch();
}

bool isIdentityProvider(const QString &host)
{
    static const QStringList providers{QStringLiteral("accounts.google.com"), QStringLiteral("login.microsoftonline.com"),
                                       QStringLiteral("login.live.com"),      QStringLiteral("appleid.apple.com"),
                                       QStringLiteral("login.yahoo.com"),     QStringLiteral("id.atlassian.com"),
                                       QStringLiteral("okta.com"),            QStringLiteral("auth0.com"),
                                       QStringLiteral("onelogin.com"),        QStringLiteral("login.salesforce.com")};
    const QString h = host.toLower();
    for (const QString &provider : providers)
        if (h == provider || h.endsWith(QLatin1Char('.') + provider))
            return true;
    return false;
}

/// A verdict that where the answer ended says more than its status: a parking service, or a
/// sign-in page the entry was sent to.
void judgeWhereItEnded(CheckResult &r, const QUrl &checked, const QUrl &finalUrl, const QString &by)
{
    if (finalUrl.isEmpty() || finalUrl.host().isEmpty())
        return;
    // Only an answer that did not fail on its own account: a dead host stays dead.
    if (r.verdict == Verdict::Failing || r.verdict == Verdict::Skipped)
        return;
    const ParkedSign parked = parkedSign(finalUrl, {}, {}, {}, PageSignTables::shipped());
    if (parked.parked && !parked.service.isEmpty()) {
        r.verdict = Verdict::Parked;
        r.newAddress.clear();
        r.reason = parkedReason(parked) + by;
        return;
    }
    if ((r.verdict == Verdict::Alive || r.verdict == Verdict::Moved || isIdentityProvider(finalUrl.host()))
        && leadsToSignIn(checked, finalUrl)) {
        r.verdict = Verdict::Blocked;
        r.newAddress.clear();
        r.reason = signInReason() + by;
    }
}

/// Whether @p final, a page on another address than @p checked, names the page to return to after
/// signing in (?next=, ?return_to=, ...).
bool sendsBackAfterSignIn(const QUrl &checked, const QUrl &final)
{
    if (final.isEmpty() || final.adjusted(QUrl::RemoveQuery | QUrl::StripTrailingSlash).path()
                               == checked.adjusted(QUrl::RemoveQuery | QUrl::StripTrailingSlash).path())
        return false;
    static const QRegularExpression returnKey(
        QStringLiteral("(^|&)(next|return|returnto|return_to|returnurl|return_url|redirect|redirect_to|redirect_uri|continue|came_from|destination|goto)="),
        QRegularExpression::CaseInsensitiveOption);
    return returnKey.match(final.query()).hasMatch();
}

/// What a page that was read says over its status: that it is not found, that its domain is parked,
/// or that it is a sign-in form the entry was sent to. Fills in the title and fingerprint.
void judgeWhatItSays(CheckResult &r, const QUrl &checked, const ProbeAnswer &answer, const QString &by)
{
    const PageContent &page = answer.page;
    if (!page.read)
        return;
    r.title = page.title;
    r.fingerprint = pageFingerprint(page.title, page.text);
    if (r.verdict != Verdict::Alive && r.verdict != Verdict::Moved)
        return;
    const PageSignTables &tables = PageSignTables::shipped();
    const QUrl where = answer.finalUrl.isEmpty() ? checked : answer.finalUrl;
    // Also at the site's home: a server's own page there is no page of the site.
    if (const auto placeholder = placeholderSign(where, page.title, page.heading, page.text, tables)) {
        r.verdict = Verdict::Dead;
        r.newAddress.clear();
        r.reason = placeholderReason(*placeholder) + by;
        return;
    }
    if (saysNotFound(page.title, page.heading, tables)) {
        r.verdict = Verdict::Dead;
        r.newAddress.clear();
        r.reason = notFoundReason() + by;
        return;
    }
    if (const ParkedSign parked = parkedSign(where, page.title, page.heading, page.text, tables); parked.parked) {
        r.verdict = Verdict::Parked;
        r.newAddress.clear();
        r.reason = parkedReason(parked) + by;
        return;
    }
    if (page.asksForPassword && sendsBackAfterSignIn(checked, where)) {
        r.verdict = Verdict::Blocked;
        r.newAddress.clear();
        r.reason = signInReason() + by;
    }
}

void setFinal(CheckResult &r, const QUrl &checked, const QUrl &finalUrl)
{
    if (!finalUrl.isEmpty() && finalUrl.adjusted(QUrl::StripTrailingSlash) != checked.adjusted(QUrl::StripTrailingSlash))
        r.finalAddress = finalUrl.toString();
}

} // namespace

QString verdictWord(Verdict verdict)
{
    return QString::fromLatin1(verdictWords[std::size_t(verdict)]);
}

std::optional<Verdict> verdictFromWord(const QString &word)
{
    for (std::size_t i = 0; i < verdictWords.size(); ++i)
        if (word == QLatin1String(verdictWords[i]))
            return Verdict(i);
    return std::nullopt;
}

EntryTarget targetOfEntry(const QString &entry)
{
    EntryTarget t;
    static const QRegularExpression webPrefix(QStringLiteral("^\\s*https?://"), QRegularExpression::CaseInsensitiveOption);
    if (entry.size() > longestAddress) {
        // Matching a prefix does not read the whole megabytes of a junk line.
        if (webPrefix.match(entry.left(16)).hasMatch()) {
            t.kind = EntryTarget::Kind::Unloadable;
            t.reason = QStringLiteral("the address is longer than a browser loads (%1 characters)").arg(entry.size());
        } else {
            t.reason = QStringLiteral("not an address (a line of %1 characters)").arg(entry.size());
        }
        return t;
    }
    const QString text = entry.trimmed();
    if (text.isEmpty()) {
        t.reason = QStringLiteral("empty entry");
        return t;
    }
    static const QRegularExpression schemePattern(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*):(.?)"));
    const QRegularExpressionMatch scheme = schemePattern.match(text);
    QString address = text;
    // "localhost:8080/x" and "example.com:80" are a host and a port, not a scheme.
    const bool hostAndPort = scheme.hasMatch() && scheme.captured(2).size() == 1 && scheme.captured(2).at(0).isDigit();
    if (scheme.hasMatch() && !hostAndPort) {
        const QString name = scheme.captured(1).toLower();
        if (name == u"file") {
            t.kind = EntryTarget::Kind::File;
            t.url = QUrl(text);
            return t;
        }
        if (!isWebScheme(name)) {
            t.reason = QStringLiteral("not a web address (%1:)").arg(name);
            return t;
        }
    } else {
        // No scheme: a host name as a browser's address box takes it, or text that is no address.
        static const QRegularExpression hostLike(
            QStringLiteral("^(localhost|\\[[0-9A-Fa-f:.]+\\]|[A-Za-z0-9-]+(\\.[A-Za-z0-9-]+)+\\.?)(:[0-9]{1,5})?([/?#]\\S*)?$"));
        if (!hostLike.match(text).hasMatch()) {
            t.reason = QStringLiteral("not an address");
            return t;
        }
        address = QStringLiteral("http://") + text;
    }
    // Exactly the address the list browser loads for the entry. The fragment is no part of what a
    // server is asked: entries that differ only there are one request.
    const QUrl url = addressToLoad(address);
    if (!url.isValid() || url.host().isEmpty() || !isWebScheme(url.scheme())) {
        t.kind = EntryTarget::Kind::Unloadable;
        t.reason = QStringLiteral("not a valid web address");
        return t;
    }
    t.kind = EntryTarget::Kind::Web;
    t.url = url.adjusted(QUrl::RemoveFragment);
    return t;
}

CheckResult fileResult(const QUrl &url)
{
    CheckResult r;
    const QString path = url.toLocalFile();
    // QFileInfo only asks the file system whether the name is there; the file is not opened.
    if (!path.isEmpty() && QFileInfo::exists(path)) {
        r.verdict = Verdict::Alive;
        r.reason = QStringLiteral("the file exists");
    } else {
        r.verdict = Verdict::Dead;
        r.reason = path.isEmpty() ? QStringLiteral("not a valid file address") : QStringLiteral("no such file");
    }
    return r;
}

bool leadsToSignIn(const QUrl &checked, const QUrl &final)
{
    if (final.isEmpty() || final.adjusted(QUrl::StripTrailingSlash) == checked.adjusted(QUrl::StripTrailingSlash))
        return false;
    if (isSignInPath(checked) || isIdentityProvider(checked.host()))
        return false;
    return isIdentityProvider(final.host()) || isSignInPath(final);
}

bool redirectTellsEnough(const QUrl &next)
{
    return isIdentityProvider(next.host()) || !parkedSign(next, {}, {}, {}, PageSignTables::shipped()).service.isEmpty();
}

QString signInReason()
{
    return QStringLiteral("leads to a sign-in page");
}

bool isTransient(const ProbeAnswer &answer)
{
    switch (answer.outcome) {
    case ProbeAnswer::Outcome::TimedOut:
    case ProbeAnswer::Outcome::NetworkError:
    case ProbeAnswer::Outcome::EngineFailure:
        return true;
    case ProbeAnswer::Outcome::Answered:
        return answer.status == 429 || answer.status == 502 || answer.status == 503 || answer.status == 504;
    default:
        return false;
    }
}

bool needsBrowser(const ProbeAnswer &answer)
{
    switch (answer.outcome) {
    case ProbeAnswer::Outcome::Answered:
        // A login asked for is asked of a browser too, and the browser would only ask again: one
        // request is all a login-protected page gets. Any other refusal may be meant for bots only;
        // a real browser decides whether the page is there.
        if (answer.asksForLogin)
            return false;
        // A page a script draws, or one a refresh sends on, says what it is only in a browser.
        if (answer.status < 300 && answer.page.read && (answer.page.drawnByScript || !answer.page.refreshTo.isEmpty()))
            return true;
        return answer.status >= 400;
    case ProbeAnswer::Outcome::NoSuchHost:
    case ProbeAnswer::Outcome::Refused:
    case ProbeAnswer::Outcome::Unloadable:
        return false;
    default:
        return true;
    }
}

CheckResult resultFromRequest(const QUrl &checked, const ProbeAnswer &answer)
{
    CheckResult r = resultOfFailure(checked, answer, QString());
    setFinal(r, checked, answer.finalUrl);
    if (r.verdict == Verdict::Alive) {
        if (!answer.movedTo.isEmpty() && answer.movedTo != checked) {
            r.verdict = Verdict::Moved;
            r.newAddress = answer.movedTo.toString();
            r.reason = QStringLiteral("moved permanently to %1").arg(shown(answer.movedTo));
        } else if (!r.finalAddress.isEmpty()) {
            r.reason = QStringLiteral("answers %1 after a temporary redirect").arg(answer.status);
        }
    }
    judgeWhatItSays(r, checked, answer, QString());
    judgeWhereItEnded(r, checked, answer.finalUrl, QString());
    return r;
}

CheckResult resultFromBrowser(const QUrl &checked, const ProbeAnswer &request, const ProbeAnswer &browser)
{
    const QString by = QStringLiteral(" in a browser");
    CheckResult r;
    if (browser.outcome == ProbeAnswer::Outcome::Answered && browser.status == 0) {
        // The engine loaded a page but did not tell its status: a page that loads is there.
        r.verdict = Verdict::Alive;
        r.reason = QStringLiteral("a browser loads the page");
    } else {
        r = resultOfFailure(checked, browser, by);
    }
    r.byBrowser = true;
    setFinal(r, checked, browser.finalUrl);
    if (r.verdict == Verdict::Alive) {
        if (!request.movedTo.isEmpty() && request.movedTo != checked) {
            r.verdict = Verdict::Moved;
            r.newAddress = request.movedTo.toString();
            r.reason = QStringLiteral("moved permanently to %1").arg(shown(request.movedTo));
        } else if (request.outcome == ProbeAnswer::Outcome::Answered && request.status >= 400) {
            r.reason = QStringLiteral("a browser gets the page (%1) where a plain request got %2")
                           .arg(r.status ? QString::number(r.status) : QStringLiteral("loaded"))
                           .arg(request.status);
        }
    }
    judgeWhatItSays(r, checked, browser.page.read ? browser : request, by);
    judgeWhereItEnded(r, checked, browser.finalUrl, by);
    return r;
}

namespace {

QUrl comparable(const QUrl &url)
{
    return url.adjusted(QUrl::StripTrailingSlash | QUrl::RemoveFragment);
}

/// Whether two pages are the same page: alike by fingerprint, and titled alike. A site's pages that
/// share a long header and menu around a little text of their own come close by fingerprint; the
/// page a shop gives for every missing address has one title for all of them, and a real page's
/// title is its own, so the title keeps a short real page from being taken for it. Only pages that
/// were read count: two answers that are no HTML (an XML error, an image) are not one page.
bool samePage(quint64 fingerprint, const QString &title, const MadeUpAnswer &madeUp)
{
    static const QRegularExpression digits(QStringLiteral("[0-9]+"));
    const auto normal = [](const QString &text) { return normalisedPhrase(QString(text).replace(digits, QStringLiteral("#"))); };
    return fingerprintsAlike(fingerprint, madeUp.fingerprint) && normal(title) == normal(madeUp.title);
}

bool isSiteHome(const QUrl &url)
{
    return (url.path().isEmpty() || url.path() == u"/") && !url.hasQuery();
}

/// Whether @p url names its site's home page by another address: /index.html, /index.php, /home,
/// /default.aspx and the like.
bool namesSiteHome(const QUrl &url)
{
    static const QRegularExpression homeName(QStringLiteral("^/(index|default|home)(\\.[a-z0-9]{1,5})?/?$"),
                                             QRegularExpression::CaseInsensitiveOption);
    return !url.hasQuery() && homeName.match(url.path()).hasMatch();
}

} // namespace

MadeUpAnswer madeUpAnswer(const QUrl &asked, const ProbeAnswer &answer, const CheckResult &result)
{
    MadeUpAnswer m;
    if (answer.outcome != ProbeAnswer::Outcome::Answered)
        return m;
    m.heard = true;
    // The engine does not always tell the status of a page it loaded; a page it loads answered.
    const bool answered = (answer.status >= 200 && answer.status < 300) || (result.byBrowser && answer.status == 0);
    if (!answered)
        return m;
    m.answers = true;
    m.fingerprint = result.fingerprint;
    m.title = result.title;
    const QUrl final = answer.finalUrl;
    // Sent on with its name kept (to https, to a "www." host) it is still that address; sent to a
    // page that only names it in the query (/login?next=...) it is not.
    if (!final.isEmpty() && !final.path(QUrl::FullyEncoded).contains(asked.fileName(QUrl::FullyEncoded)))
        m.sentTo = comparable(final);
    return m;
}

namespace {

const QString shownAtAnyAddress = QStringLiteral("; the site shows the same page at any address, so this one may be gone");

} // namespace

bool standsInForAnyPage(const CheckResult &result)
{
    return isPlaceholderReason(result.reason) || result.reason.contains(shownAtAnyAddress);
}

bool madeUpWantsSiteHome(const MadeUpAnswer &madeUp)
{
    return madeUp.answers && madeUp.sentTo.isEmpty() && madeUp.fingerprint != 0;
}

QUrl siteHomeOf(const QUrl &url)
{
    QUrl home = url.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::RemoveUserInfo);
    home.setPath(QStringLiteral("/"));
    return home;
}

void learnSiteHome(MadeUpAnswer &madeUp, const MadeUpAnswer &home)
{
    // A home that failed to answer (a time-out, a broken connection) tells nothing either way.
    madeUp.homeDiffers = home.heard && !(home.answers && samePage(home.fingerprint, home.title, madeUp));
}

bool waitsForMadeUp(const CheckResult &result)
{
    return result.verdict == Verdict::Alive || result.verdict == Verdict::Moved;
}

void judgeAgainstMadeUp(CheckResult &result, const QUrl &checked, const MadeUpAnswer &madeUp)
{
    if (!madeUp.answers || !waitsForMadeUp(result))
        return;
    // A site's home page is the site, even where every path shows it: never its own soft 404.
    if (isSiteHome(checked))
        return;
    const QString by = result.byBrowser ? QStringLiteral(" in a browser") : QString();
    const auto dead = [&](const QString &reason) {
        result.verdict = Verdict::Dead;
        result.newAddress.clear();
        result.reason = reason + by;
    };
    const bool redirected = !result.finalAddress.isEmpty();
    const bool samePageAsMadeUp = samePage(result.fingerprint, result.title, madeUp);
    if (!madeUp.sentTo.isEmpty()) {
        // Only entries sent on count: a page that answers at its own address is a page of its own.
        if (!redirected || comparable(checked) == madeUp.sentTo)
            return;
        const QUrl final = comparable(QUrl(result.finalAddress));
        const bool sentAlike = final == madeUp.sentTo;
        if (!sentAlike && !samePageAsMadeUp)
            return;
        // The home page asked for by one of its other names, and sent to it, is the home page.
        if (namesSiteHome(checked) && (isSiteHome(final) || isSiteHome(madeUp.sentTo)))
            return;
        dead(sentAlike ? QStringLiteral("sent to %1, as any missing address is").arg(shown(madeUp.sentTo))
                       : QStringLiteral("sent to a page like the one any missing address is sent to (%1)").arg(shown(madeUp.sentTo)));
        return;
    }
    if (!samePageAsMadeUp)
        return;
    if (!madeUp.homeDiffers) {
        // The same page at every address, its home included, saying nothing of not found: nothing
        // tells whether this one is there.
        result.reason += shownAtAnyAddress;
        return;
    }
    dead(QStringLiteral("the page is the one the site shows for any missing address (the server answers 200)"));
}
