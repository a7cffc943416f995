// Pages that answer but are not what was saved: parked domains and sign-in walls, through the
// real plain requests to a loopback server, in the checker's verdicts, the reports and the
// Check List window.
#include "app/mainwindow.h"
#include "app/windows.h"
#include "browser/listbrowser.h"
#include "check/checkmemory.h"
#include "check/checkreport.h"
#include "check/listchecker.h"
#include "check/networkprobe.h"
#include "check/pagereader.h"
#include "fakes/fakeplatform.h"
#include "fakes/httptestserver.h"
#include "fakes/serversoftware.h"
#include "fakes/testfiles.h"
#include "fakes/windowsworld.h"
#include "lists/checkwindow.h"
#include "platform/enginepageprobe.h"
#include "ui/listbox.h"
#include "ui/verdictmarks.h"

#include "memory/pagefingerprint.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QRegularExpression>
#include <QTimer>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTcpSocket>
#include <QtTest>

namespace {

/// The same menu and header on every page of a site, as most sites have.
const QByteArray siteChrome = "<header><a href=/>Home</a> <a href=/shop>Shop</a> <a href=/blog>Blog</a> <a href=/about>About us</a>"
                              " <a href=/contact>Contact</a> <form><input name=q placeholder='Search the site'></form></header>";

/// A hosting panel's page for an account it shut off, as cPanel shows it at every address.
const QByteArray suspendedPage = "<!DOCTYPE html><html><head><meta charset=utf-8><title>Account Suspended</title></head><body>"
                                 "<div class=container><h1>Account Suspended</h1><p>This Account has been suspended.</p>"
                                 "<p>Contact your hosting provider for more information.</p></div></body></html>";

/// A storage bucket that is gone, as some static hosts answer for it: with 200.
const QByteArray noSuchBucket = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Error><Code>NoSuchBucket</Code><Message>The "
                                "specified bucket does not exist</Message><BucketName>shop</BucketName></Error>";

/// A web server's own default page, byte for byte as its Debian package installs it; nothing for a
/// name that is none of them.
QByteArray serverPage(const QByteArray &name)
{
    const QDir folder(qEnvironmentVariable("QUOKKA_TESTDATA") + QStringLiteral("/serverpages"));
    if (!folder.exists())
        qFatal("cannot find the server pages (is QUOKKA_TESTDATA set?)");
    QFile file(folder.filePath(QString::fromLatin1(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// Old paths that now lead elsewhere (a sign-in form, parking services, identity providers), pages
/// that answer 200 but say they are not there, and pages that only look so.
class SignsServer final : public HttpTestServer {
public:
    QStringList asked;

private:
    void answer(QTcpSocket *socket, const QByteArray &request) override
    {
        const QByteArray method = request.left(request.indexOf(' '));
        const QByteArray target = request.split(' ').value(1);
        const QByteArray path = target.split('?').value(0);
        asked << QString::fromLatin1(target);
        QByteArray status = "200 OK";
        QByteArray location;
        QByteArray body;
        bool chunked = false;
        if (path.startsWith("/old/"))
            status = "302 Found", location = "/login?next=" + QUrl::toPercentEncoding(QString::fromLatin1(path));
        else if (path == "/members")
            status = "303 See Other", location = "/users/sign_in";
        else if (path == "/docs/private")
            status = "302 Found", location = "https://accounts.google.com/o/oauth2/v2/auth?client_id=1&redirect_uri=x";
        else if (path == "/expired")
            status = "302 Found", location = "http://www.sedoparking.com/example.org";
        else if (path == "/sold")
            status = "301 Moved Permanently", location = "https://example-org.bodis.com/";
        else if (path == "/renamed")
            status = "301 Moved Permanently", location = "/new-home";
        else if (path == "/account")
            status = "302 Found", location = "/welcome?return_to=%2Faccount";
        else if (path == "/welcome")
            body = "<html><title>Welcome</title><form method=post><input name=user><input type=password name=pw></form></html>";
        else if (path.startsWith("/shop/"))
            // A shop that answers 200 to every path it does not have.
            body = "<!doctype html><html><head><title>Page not found | Example Shop</title></head><body>" + siteChrome
                + "<h1>Oops!</h1><p>We looked everywhere but could not find that page.</p></body></html>";
        else if (path == "/chunked")
            chunked = true, body = "<html><head><title>Error 404 (Not Found)</title></head><body>" + QByteArray(3000, ' ') + "</body></html>";
        else if (path == "/deutsch")
            body = "<html><head><meta charset=utf-8><title>Seite nicht gefunden</title></head><body><p>Leider</p></body></html>";
        else if (path == "/for-sale")
            body = "<html><head><title>example.org</title></head><body><h1>This domain may be for sale</h1>"
                   "<p>Buy this domain. Make an offer.</p></body></html>";
        else if (path == "/articles/404-errors")
            body = "<html><head><title>404 errors explained</title></head><body>" + siteChrome
                + "<h1>404 errors explained</h1><p>A 404 error means the server has no page at that address. "
                  "Here is how to find pages that moved.</p></body></html>";
        else if (path == "/site/a" || path == "/site/b")
            body = "<html><head><title>Example site</title></head><body>" + siteChrome + "<h1>"
                + (path.endsWith('a') ? "Baking bread" : "Growing tomatoes") + "</h1><p>An article.</p></body></html>";
        else if (path == "/app/missing")
            // A single-page site: the page says what it is once its script has run.
            body = "<!doctype html><html><head><title>App</title></head><body><div id=root></div><noscript>Turn on JavaScript"
                   "</noscript><script>document.title = '404 - Page not found';"
                   " document.getElementById('root').innerHTML = '<h1>404</h1><p>This page does not exist.</p>';"
                   "</script></body></html>";
        else if (path == "/app/real")
            body = "<!doctype html><html><head><title>App</title></head><body><div id=root></div><script>"
                   "document.getElementById('root').innerHTML = '<h1>Recipes</h1><p>Bread, soup and cake.</p>';</script></body></html>";
        else if (path == "/refresh-to-404")
            body = "<html><head><meta http-equiv=\"refresh\" content=\"0; url=/nothing-here\"><title>Moving</title></head></html>";
        else if (path == "/replace-to-404")
            body = "<html><head><title>Moving</title><script>location.replace('/nothing-here')</script></head><body></body></html>";
        else if (path == "/nothing-here")
            status = "404 Not Found", body = "<html><title>404 Not Found</title><h1>Not Found</h1></html>";
        else if (path.startsWith("/server/"))
            // A web server's own page, as Debian's package installs it (nothing else there).
            body = serverPage(path.mid(8)), status = body.isEmpty() ? "404 Not Found" : status;
        else if (path == "/suspended")
            body = suspendedPage;
        else if (path == "/empty-nginx")
            body = "<html>\r\n<head><title>Index of /</title></head>\r\n<body>\r\n<h1>Index of /</h1><hr><pre>"
                   "<a href=\"../\">../</a>\r\n</pre><hr></body>\r\n</html>\r\n";
        else if (path == "/empty-apache")
            body = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\">\n<html>\n <head>\n  <title>Index of /</title>\n"
                   " </head>\n <body>\n<h1>Index of /</h1>\n  <table>\n   <tr><th valign=\"top\"><img src=\"/icons/blank.gif\" "
                   "alt=\"[ICO]\"></th><th><a href=\"?C=N;O=D\">Name</a></th><th><a href=\"?C=M;O=A\">Last modified</a></th>"
                   "<th><a href=\"?C=S;O=A\">Size</a></th><th><a href=\"?C=D;O=A\">Description</a></th></tr>\n   <tr><th "
                   "colspan=\"5\"><hr></th></tr>\n   <tr><th colspan=\"5\"><hr></th></tr>\n</table>\n<address>Apache/2.4.57 "
                   "(Debian) Server at club.example Port 80</address>\n</body></html>\n";
        else if (path == "/full-listing")
            body = "<html><head><title>Index of /</title></head><body><h1>Index of /</h1><hr><pre><a href=\"../\">../</a>\r\n"
                   "<a href=\"minutes-2024.pdf\">minutes-2024.pdf</a>  03-Feb-2024 10:12  48213\r\n</pre><hr></body></html>";
        else if (path == "/pub/")
            body = "<html><head><title>Index of /pub/</title></head><body><h1>Index of /pub/</h1><hr><pre><a href=\"../\">../</a>"
                   "\r\n<a href=\"debian/\">debian/</a>  01-Dec-2026 08:00  -\r\n<a href=\"README\">README</a>  14-Mar-2019 "
                   "12:30  1297\r\n</pre><hr></body></html>";
        else if (path == "/blog/nginx-welcome")
            body = "<html><head><title>Replacing the Welcome to nginx! page | Ops notes</title></head><body>" + siteChrome
                + "<h1>Replacing the Welcome to nginx! page</h1><p>After installing, the server says: If you see this page, the "
                  "nginx web server is successfully installed and working. Further configuration is required. Put your own "
                  "index.html into /var/www/html and reload.</p></body></html>";
        else if (path == "/blog/suspended")
            body = "<html><head><title>Why does my site say Account Suspended?</title></head><body>" + siteChrome
                + "<h1>Account Suspended</h1><p>If your visitors see This Account has been suspended, your hosting "
                  "provider has stopped the account: an unpaid bill, or too much load.</p></body></html>";
        QByteArray type = "text/html; charset=utf-8";
        if (path == "/bucket")
            type = "application/xml", body = noSuchBucket;
        QByteArray head = "HTTP/1.1 " + status + "\r\n";
        if (!location.isEmpty())
            head += "Location: " + location + "\r\n";
        if (!body.isEmpty())
            head += "Content-Type: " + type + "\r\n";
        if (chunked) {
            head += "Transfer-Encoding: chunked\r\n\r\n";
            if (method == "GET") {
                for (qsizetype at = 0; at < body.size(); at += 700) {
                    const QByteArray piece = body.mid(at, 700);
                    head += QByteArray::number(piece.size(), 16) + ";x=1\r\n" + piece + "\r\n";
                }
                head += "0\r\n\r\n";
            }
            socket->write(head);
            return;
        }
        head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n";
        socket->write(method == "GET" ? head + body : head);
    }
};

/// A shop whose pages share a long header, menu and footer, and what it does with any path it does
/// not have. The made-up address (a last name of 24 letters and digits) is answered late, so that
/// the entries' answers come first.
class SoftSite final : public HttpTestServer {
public:
    /// What it does with a path it does not have; the last ones answer every path, the home page
    /// and the shop's pages too, with one page.
    enum class Missing { SamePage, SamePageNoHome, ToHome, NotFound, DrawnShell, OnePage, ShellEverywhere, Suspended, NoSuchBucket };
    explicit SoftSite(Missing missing)
        : m_missing(missing)
    {
    }
    QStringList madeUpAsked;

private:
    void answer(QTcpSocket *socket, const QByteArray &request) override
    {
        const QByteArray path = request.split(' ').value(1).split('?').value(0);
        static const QByteArray footer = "<footer>Example Shop, 12 Mill Lane. Opening hours Monday to Saturday. Delivery and "
                                         "returns. Newsletter. Follow us.</footer>";
        const auto shopPage = [](const QByteArray &title, const QByteArray &main) {
            return "<!doctype html><html><head><title>" + title + "</title></head><body>" + siteChrome + main + footer
                + "</body></html>";
        };
        QByteArray head = "HTTP/1.1 200 OK\r\n";
        QByteArray body;
        QByteArray type = "text/html; charset=utf-8";
        const bool madeUp = QRegularExpression(QStringLiteral("/[a-z0-9]{24}$")).match(QString::fromLatin1(path)).hasMatch();
        if (madeUp)
            madeUpAsked << QString::fromLatin1(path);
        if (m_missing == Missing::OnePage)
            // Nothing of not found: the site is this one page at every address.
            body = shopPage("Example Shop", "<h1>Example Shop</h1><p>Lamps, chairs and tables; call us on 01234 567890.</p>");
        else if (m_missing == Missing::ShellEverywhere)
            // A single-page site: its script reads the address and draws the page.
            body = "<!doctype html><html><head><title>Example Shop</title></head><body><div id=root></div><noscript>Turn on "
                   "JavaScript</noscript><script src=/app.js></script></body></html>";
        else if (m_missing == Missing::Suspended)
            body = suspendedPage;
        else if (m_missing == Missing::NoSuchBucket)
            // A storage bucket that is gone, as some static hosts answer it: with 200.
            type = "application/xml", body = noSuchBucket;
        else if (path == "/" && m_missing == Missing::SamePageNoHome)
            // A folder with no index page, as a server refuses to list it.
            head = "HTTP/1.1 403 Forbidden\r\n", body = "<html><title>403 Forbidden</title></html>";
        else if (path == "/")
            body = shopPage("Example Shop", "<h1>Welcome to Example Shop</h1><p>Lamps, chairs and tables for every home, "
                                            "made in our workshop since 1982.</p>");
        else if (path == "/shop/lamp")
            body = shopPage("Brass desk lamp | Example Shop", "<h1>Brass desk lamp</h1><p>A desk lamp of solid brass with a "
                                                              "linen shade, 45 cm tall, for reading late.</p>");
        else if (path == "/shop/chair")
            body = shopPage("Oak chair | Example Shop", "<h1>Oak chair</h1><p>A dining chair of oiled oak with a woven seat; "
                                                        "it stacks four high.</p>");
        else if (m_missing == Missing::SamePage || m_missing == Missing::SamePageNoHome)
            // Nothing a table of "not found" phrases knows: only the comparison tells it.
            body = shopPage("Example Shop", "<h1>Hmm.</h1><p>That one has wandered off. Have a look at our bestsellers.</p>");
        else if (m_missing == Missing::ToHome)
            head = "HTTP/1.1 302 Found\r\nLocation: /\r\n";
        else if (m_missing == Missing::NotFound)
            head = "HTTP/1.1 404 Not Found\r\n", body = shopPage("Example Shop", "<h1>Nothing at this address</h1>");
        else
            body = "<!doctype html><html><head><title>Example Shop</title></head><body><div id=root></div><noscript>Turn on "
                   "JavaScript</noscript><script>document.getElementById('root').innerHTML = '<h1>Hmm.</h1><p>That one has "
                   "wandered off. Have a look at our bestsellers.</p>';</script></body></html>";
        head += "Content-Type: " + type + "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n";
        const bool headOnly = request.startsWith("HEAD ");
        const QPointer<QTcpSocket> guard(socket);
        QTimer::singleShot(madeUp ? 300 : 0, this, [guard, bytes = headOnly ? head : head + body] {
            if (guard)
                guard->write(bytes);
        });
    }
    Missing m_missing;
};

/// A site whose pages are whatever the test puts there; every other address is 404, or the page
/// "everywhere" when it holds one.
class ChangingSite final : public HttpTestServer {
public:
    QHash<QByteArray, QByteArray> pages;
    QByteArray everywhere;

private:
    void answer(QTcpSocket *socket, const QByteArray &request) override
    {
        const QByteArray path = request.split(' ').value(1);
        const bool found = pages.contains(path) || !everywhere.isEmpty();
        const QByteArray body = pages.value(path, found ? everywhere : QByteArray("<title>404 Not Found</title>"));
        socket->write(QByteArray(found ? "HTTP/1.1 200 OK" : "HTTP/1.1 404 Not Found")
                      + "\r\nContent-Type: text/html\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n"
                      + (request.startsWith("HEAD ") ? QByteArray() : body));
    }
};

QList<CheckResult> runCheck(ListChecker &checker, const QStringList &entries)
{
    QList<CheckResult> results(entries.size());
    QObject::connect(&checker, &ListChecker::entryChecked, &checker, [&](int line, const CheckResult &r) { results[line] = r; });
    QSignalSpy finished(&checker, &ListChecker::finished);
    checker.start(entries);
    if (!finished.wait(30000))
        qWarning("the check did not finish");
    checker.disconnect(&checker);
    return results;
}

QImage shapeOf(Verdict verdict)
{
    return VerdictMarks::icon(verdict).pixmap(16).toImage().convertToFormat(QImage::Format_Alpha8);
}

QImage colourOf(Verdict verdict)
{
    return VerdictMarks::icon(verdict).pixmap(16).toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class TestCheckPageSigns : public QObject {
    Q_OBJECT
private slots:
    void parkedIsAVerdictOfItsOwn();
    void signInPagesAreToldFromPagesThatMerelyNameOne_data();
    void signInPagesAreToldFromPagesThatMerelyNameOne();
    void whereTheRedirectsLeadGivesTheVerdict_data();
    void whereTheRedirectsLeadGivesTheVerdict();
    void theBrowserJudgesWhereAPageEnds_data();
    void theBrowserJudgesWhereAPageEnds();
    void removeParkedAsksWithTheCountAndKeepsTheRest();
    void whatAMadeUpAddressAnswered_data();
    void whatAMadeUpAddressAnswered();
    void aPageLikeTheMadeUpOneIsNotFound_data();
    void aPageLikeTheMadeUpOneIsNotFound();
    void aHostsAnswerToAMadeUpAddressTellsItsSoft404s_data();
    void aHostsAnswerToAMadeUpAddressTellsItsSoft404s();
    void aMadeUpAddressDrawnByScriptIsJudgedAsRendered();
    void anAnswerThatIsNoHtmlIsNoPageToCompare();
    void realNginxTellsGoneSitesFromLiveOnes_data();
    void realNginxTellsGoneSitesFromLiveOnes();
    void aPageNowStandingInForAnyIsNotWhatYouSaved_data();
    void aPageNowStandingInForAnyIsNotWhatYouSaved();
    void titlesReadAsABrowserShowsThem_data();
    void titlesReadAsABrowserShowsThem();
};

void TestCheckPageSigns::parkedIsAVerdictOfItsOwn()
{
    QCOMPARE(verdictWord(Verdict::Parked), QStringLiteral("parked"));
    QCOMPARE(verdictFromWord(QStringLiteral("parked")), std::optional<Verdict>(Verdict::Parked));
    QVERIFY(isGoneVerdict(Verdict::Parked) && isGoneVerdict(Verdict::Dead) && !isGoneVerdict(Verdict::Blocked));
    // Its mark differs from each of the six by shape (for those who cannot tell the colours) and by colour.
    for (int v = 0; v < verdictCount; ++v) {
        if (Verdict(v) == Verdict::Parked)
            continue;
        QVERIFY2(shapeOf(Verdict::Parked) != shapeOf(Verdict(v)), qPrintable(verdictWord(Verdict(v))));
        QVERIFY2(colourOf(Verdict::Parked) != colourOf(Verdict(v)), qPrintable(verdictWord(Verdict(v))));
    }
    // Reports and summaries give its word and count.
    std::array<int, verdictCount> counts{};
    counts[std::size_t(Verdict::Alive)] = 2;
    counts[std::size_t(Verdict::Parked)] = 3;
    QCOMPARE(CheckReport::summary(counts, 1500), QStringLiteral("Checked 5 entries in 1.5 s: 2 alive, 3 parked."));
    ReportRow row{1, QStringLiteral("http://example.org/"), {}};
    row.result.verdict = Verdict::Parked;
    row.result.reason = QStringLiteral("the domain is parked or for sale (at Sedo)");
    QVERIFY(CheckReport::document({row}, CheckReport::Format::Csv).contains(",parked,"));
    QVERIFY(CheckReport::document({row}, CheckReport::Format::Json).contains("\"parked\""));
}

void TestCheckPageSigns::signInPagesAreToldFromPagesThatMerelyNameOne_data()
{
    QTest::addColumn<QString>("checked");
    QTest::addColumn<QString>("final");
    QTest::addColumn<bool>("signIn");
    const struct {
        const char *name, *checked, *final;
        bool signIn;
    } rows[] = {
        {"login with next", "http://shop.test/old/item", "http://shop.test/login?next=%2Fold%2Fitem", true},
        {"signin page", "http://a.test/docs", "http://a.test/signin", true},
        {"users/sign_in", "http://a.test/members", "http://a.test/users/sign_in", true},
        {"login.php", "http://a.test/x", "http://a.test/login.php?return_to=x", true},
        {"identity provider", "http://a.test/x", "https://login.microsoftonline.com/common/oauth2/authorize", true},
        {"provider subdomain", "http://a.test/x", "https://corp.okta.com/app/sso", true},
        {"entry is the login page", "http://a.test/login", "http://a.test/login/", false},
        {"entry is a provider's page", "https://accounts.google.com/", "https://accounts.google.com/signin", false},
        {"article about logins", "http://a.test/x", "http://a.test/blog/login-tips", false},
        {"lookalike provider host", "http://a.test/x", "http://notokta.com/home", false},
        {"no redirect", "http://a.test/signin", "", false},
        {"ordinary page", "http://a.test/x", "http://a.test/y?next=2", false},
    };
    for (const auto &r : rows)
        QTest::newRow(r.name) << QString::fromLatin1(r.checked) << QString::fromLatin1(r.final) << r.signIn;
}

void TestCheckPageSigns::signInPagesAreToldFromPagesThatMerelyNameOne()
{
    QFETCH(QString, checked);
    QFETCH(QString, final);
    QFETCH(bool, signIn);
    QCOMPARE(leadsToSignIn(QUrl(checked), QUrl(final)), signIn);
}

void TestCheckPageSigns::whereTheRedirectsLeadGivesTheVerdict_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("verdict");
    QTest::addColumn<QString>("reason");
    QTest::newRow("old path to /login?next=") << "/old/article" << "blocked" << "leads to a sign-in page";
    QTest::newRow("303 to /users/sign_in") << "/members" << "blocked" << "leads to a sign-in page";
    QTest::newRow("to an identity provider") << "/docs/private" << "blocked" << "leads to a sign-in page";
    QTest::newRow("to a parking service") << "/expired" << "parked" << "the domain is parked or for sale (at Sedo)";
    QTest::newRow("permanently to a domain seller") << "/sold" << "parked" << "the domain is parked or for sale (at Bodis)";
    QTest::newRow("the sign-in page itself is alive") << "/login" << "alive" << "answers 200";
    QTest::newRow("an ordinary move stays moved") << "/renamed" << "moved" << "";
    QTest::newRow("a page about logins is alive") << "/blog/login-tips" << "alive" << "answers 200";
    QTest::newRow("sent to a password form that returns") << "/account" << "blocked" << "leads to a sign-in page";
    QTest::newRow("a shop's 200 'Page not found'") << "/shop/old-lamp" << "dead"
                                                   << "the page says it is not found (the server answers 200)";
    QTest::newRow("chunked 'Error 404 (Not Found)'") << "/chunked" << "dead"
                                                     << "the page says it is not found (the server answers 200)";
    QTest::newRow("'Seite nicht gefunden'") << "/deutsch" << "dead" << "the page says it is not found (the server answers 200)";
    QTest::newRow("a for-sale page") << "/for-sale" << "parked" << "the domain is parked or for sale";
    QTest::newRow("'404 errors explained' is alive") << "/articles/404-errors" << "alive" << "answers 200";
    QTest::newRow("a page with the site's menu is alive") << "/site/a" << "alive" << "answers 200";
    QTest::newRow("a page drawn by script, without a browser") << "/app/missing" << "alive" << "answers 200";
    // Where a site is gone but its server still answers.
    const QString serverDefault = QStringLiteral("the site is gone: the server shows its default page");
    QTest::newRow("Debian's nginx page") << "/server/nginx-common-index.html" << "dead" << serverDefault;
    QTest::newRow("Debian's Apache page") << "/server/apache2-data-index.html" << "dead" << serverDefault;
    QTest::newRow("Debian's lighttpd page") << "/server/lighttpd-index.html" << "dead" << serverDefault;
    QTest::newRow("Debian's Caddy page") << "/server/caddy-index.html" << "dead" << serverDefault;
    QTest::newRow("a suspended hosting account") << "/suspended" << "dead" << "the site is gone: the hosting account is suspended";
    QTest::newRow("nginx lists an empty folder") << "/empty-nginx" << "dead" << "the site is gone: the server lists an empty folder";
    QTest::newRow("Apache lists an empty folder") << "/empty-apache" << "dead" << "the site is gone: the server lists an empty folder";
    QTest::newRow("a listing with a file is alive") << "/full-listing" << "alive" << "answers 200";
    QTest::newRow("a file archive's 'Index of /pub/' is alive") << "/pub/" << "alive" << "answers 200";
    QTest::newRow("a post about the nginx page is alive") << "/blog/nginx-welcome" << "alive" << "answers 200";
    QTest::newRow("a post quoting a suspension is alive") << "/blog/suspended" << "alive" << "answers 200";
}

void TestCheckPageSigns::whereTheRedirectsLeadGivesTheVerdict()
{
    QFETCH(QString, path);
    QFETCH(QString, verdict);
    QFETCH(QString, reason);
    SignsServer server;
    NetworkProbe http;
    ListChecker checker(http, nullptr);
    const QList<CheckResult> r = runCheck(checker, {server.url(path).toString()});
    QCOMPARE(verdictWord(r[0].verdict), verdict);
    if (!reason.isEmpty())
        QCOMPARE(r[0].reason, reason);
    QCOMPARE(checker.count(verdictFromWord(verdict).value()), 1);
    // The parking service and the identity provider are never asked: the redirect said enough.
    for (const QString &asked : std::as_const(server.asked))
        QVERIFY2(!asked.startsWith(QLatin1String("http")), qPrintable(asked));
    if (verdict != u"alive" && verdict != u"moved")
        QVERIFY(r[0].newAddress.isEmpty()); // nothing to replace the entry by
    // A page that was read gives its title and fingerprint, for the memory of what each page was.
    const QStringList withTitles{QStringLiteral("/shop/old-lamp"), QStringLiteral("/articles/404-errors"), QStringLiteral("/site/a")};
    if (withTitles.contains(path)) {
        QVERIFY(!r[0].title.isEmpty());
        QVERIFY(r[0].fingerprint != 0);
    }
}

void TestCheckPageSigns::theBrowserJudgesWhereAPageEnds_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("verdict");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("byBrowser");
    const QString notFound = QStringLiteral("the page says it is not found (the server answers 200) in a browser");
    QTest::newRow("a script draws '404'") << "/app/missing" << "dead" << notFound << true;
    QTest::newRow("a script draws a real page") << "/app/real" << "alive" << "" << true;
    QTest::newRow("a meta refresh to a 404") << "/refresh-to-404" << "dead" << "not found (404) in a browser" << true;
    QTest::newRow("location.replace to a 404") << "/replace-to-404" << "dead" << "not found (404) in a browser" << true;
    // Clear pages are decided by the fast pass: the engine does not load them.
    QTest::newRow("a plain soft 404") << "/shop/x" << "dead" << "the page says it is not found (the server answers 200)" << false;
    QTest::newRow("a plain page") << "/site/b" << "alive" << "answers 200" << false;
}

void TestCheckPageSigns::theBrowserJudgesWhereAPageEnds()
{
    QFETCH(QString, path);
    QFETCH(QString, verdict);
    QFETCH(QString, reason);
    QFETCH(bool, byBrowser);
    SignsServer server;
    NetworkProbe http;
    EnginePageProbe engine;
    ListChecker checker(http, &engine);
    CheckOptions options;
    options.timeoutMs = 15000;
    options.settleMs = 2000;
    options.retries = 0;
    checker.setOptions(options);
    const QList<CheckResult> r = runCheck(checker, {server.url(path).toString()});
    QCOMPARE(verdictWord(r[0].verdict), verdict);
    if (!reason.isEmpty())
        QCOMPARE(r[0].reason, reason);
    QCOMPARE(r[0].byBrowser, byBrowser);
    if (verdict == u"alive")
        QVERIFY(!r[0].title.isEmpty() && r[0].fingerprint != 0);
}

void TestCheckPageSigns::removeParkedAsksWithTheCountAndKeepsTheRest()
{
    WindowsWorld world;
    world.start();
    SignsServer server;
    const QStringList entries{server.url(QStringLiteral("/expired")).toString(), server.url(QStringLiteral("/alive")).toString(),
                              server.url(QStringLiteral("/sold")).toString(), server.url(QStringLiteral("/old/x")).toString()};
    QVERIFY(TestFiles::writeList(entries.join(QStringLiteral("\r\n")).toUtf8() + "\r\n"));
    world.windows->mainWindow()->menuItem(QStringLiteral("checkList"))->trigger();
    CheckWindow *window = world.windows->loadedCheckWindow();
    QVERIFY(window);
    QTRY_VERIFY_WITH_TIMEOUT(!window->isChecking(), 60000);
    QTest::qWait(150); // the marks are told in batches
    QVERIFY2(window->m_summaryLabel->text().contains(QStringLiteral("1 alive, 1 blocked, 2 parked")),
             qPrintable(window->m_summaryLabel->text()));
    QVERIFY(window->m_removeParkedButton->isEnabled());
    QVERIFY(!window->m_removeDeadButton->isEnabled());
    ListBox *list = world.windows->loadedListBrowser()->m_addressList;
    const QModelIndex parked = list->model()->index(0, 0);
    QCOMPARE(parked.data(VerdictMarks::VerdictRole).toString(), QStringLiteral("parked"));
    QCOMPARE(parked.data(Qt::AccessibleDescriptionRole).toString(),
             QStringLiteral("parked: the domain is parked or for sale (at Sedo)"));

    FakeMessageBoxes &boxes = world.platform->boxes;
    boxes.answers = {MessageBoxes::Answer::Cancel};
    QTest::mouseClick(window->m_removeParkedButton, Qt::LeftButton);
    QCOMPARE(boxes.shown.last().text, QStringLiteral("Remove the 2 parked entries from the list?"));
    QCOMPARE(list->entries(), entries);
    boxes.answers = {MessageBoxes::Answer::Ok};
    QTest::mouseClick(window->m_removeParkedButton, Qt::LeftButton);
    QCOMPARE(list->entries(), (QStringList{entries[1], entries[3]}));
    QVERIFY(!window->m_removeParkedButton->isEnabled());
    QVERIFY2(window->m_summaryLabel->text().startsWith(QStringLiteral("Removed 2 parked entries. The list now holds 2 entries")),
             qPrintable(window->m_summaryLabel->text()));
    world.stop();
}

void TestCheckPageSigns::whatAMadeUpAddressAnswered_data()
{
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("byBrowser");
    QTest::addColumn<QString>("final");
    QTest::addColumn<bool>("answers");
    QTest::addColumn<QString>("sentTo");
    const int answered = int(ProbeAnswer::Outcome::Answered);
    const QString name = QStringLiteral("abcdefghijklmnopqrstuvwx");
    QTest::newRow("a page") << answered << 200 << false << "" << true << "";
    QTest::newRow("to https, its name kept") << answered << 200 << false << "https://s.test/a/" + name << true << "";
    QTest::newRow("sent home") << answered << 200 << false << "http://s.test/" << true << "http://s.test/";
    QTest::newRow("to a sign-in page that names it") << answered << 200 << false << "http://s.test/login?next=/a/" + name
                                                     << true << "http://s.test/login?next=/a/" + name;
    QTest::newRow("404") << answered << 404 << false << "" << false << "";
    QTest::newRow("410 after a redirect") << answered << 410 << false << "http://s.test/" << false << "";
    QTest::newRow("loaded by the engine, no status") << answered << 0 << true << "" << true << "";
    QTest::newRow("no such host") << int(ProbeAnswer::Outcome::NoSuchHost) << 0 << false << "" << false << "";
}

void TestCheckPageSigns::whatAMadeUpAddressAnswered()
{
    QFETCH(int, outcome);
    QFETCH(int, status);
    QFETCH(bool, byBrowser);
    QFETCH(QString, final);
    QFETCH(bool, answers);
    QFETCH(QString, sentTo);
    ProbeAnswer answer;
    answer.outcome = ProbeAnswer::Outcome(outcome);
    answer.status = status;
    answer.finalUrl = QUrl(final);
    CheckResult result;
    result.byBrowser = byBrowser;
    result.fingerprint = 77;
    const MadeUpAnswer m = madeUpAnswer(QUrl(QStringLiteral("http://s.test/a/abcdefghijklmnopqrstuvwx")), answer, result);
    QCOMPARE(m.answers, answers);
    QCOMPARE(m.sentTo, QUrl(sentTo));
    QCOMPARE(m.fingerprint, answers ? quint64(77) : quint64(0));
}

void TestCheckPageSigns::aPageLikeTheMadeUpOneIsNotFound_data()
{
    QTest::addColumn<QString>("checked"); // the entry's path on http://s.test
    QTest::addColumn<QString>("verdict"); // of the entry before the comparison
    QTest::addColumn<QString>("final");   // where the entry's redirects ended
    QTest::addColumn<int>("distance");    // bits its fingerprint differs from the made-up one's
    QTest::addColumn<bool>("answers");    // the made-up address answered 2xx
    QTest::addColumn<QString>("sentTo");  // where the made-up address was sent
    QTest::addColumn<bool>("homeDiffers"); // the site's home page is another page than the made-up one
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("reason"); // after the comparison; empty: as it was
    QTest::addColumn<QString>("title"); // the entry's; the made-up page's is "Example Shop 1999"
    const QString home = QStringLiteral("http://s.test/");
    const QString shop = QStringLiteral("Example Shop 1999");
    const QString likeMadeUp = QStringLiteral("the page is the one the site shows for any missing address (the server answers 200)");
    const QString sentHome = QStringLiteral("sent to http://s.test/, as any missing address is");
    const QString doubt = QStringLiteral("answers 200; the site shows the same page at any address, so this one may be gone");
    QTest::newRow("the same page") << "/a/b" << "alive" << "" << 3 << true << "" << true << "dead" << likeMadeUp << shop;
    QTest::newRow("another page") << "/a/b" << "alive" << "" << 30 << true << "" << true << "alive" << "" << shop;
    QTest::newRow("the made-up address was 404") << "/a/b" << "alive" << "" << 0 << false << "" << true << "alive" << "" << shop;
    QTest::newRow("moved where the made-up one went") << "/a/b" << "moved" << home << 30 << true << home << false << "dead"
                                                      << sentHome << shop;
    QTest::newRow("redirected elsewhere, a page alike") << "/a/b" << "alive" << "http://s.test/x" << 2 << true << home << false
                                                        << "dead"
                                                        << "sent to a page like the one any missing address is sent to (http://s.test/)"
                                                        << shop;
    QTest::newRow("redirected elsewhere, another page") << "/a/b" << "alive" << "http://s.test/x" << 30 << true << home << false
                                                        << "alive" << "" << shop;
    QTest::newRow("not redirected, a page alike its target") << "/a/b" << "alive" << "" << 0 << true << home << false << "alive"
                                                             << "" << shop;
    QTest::newRow("alike, counters aside") << "/a/b" << "alive" << "" << 2 << true << "" << true << "dead" << likeMadeUp
                                           << "Example Shop 2026";
    QTest::newRow("alike, but a title of its own") << "/a/b" << "alive" << "" << 2 << true << "" << true << "alive" << ""
                                                   << "Oak chair | Example Shop";
    QTest::newRow("already blocked") << "/a/b" << "blocked" << "" << 0 << true << "" << true << "blocked" << "" << shop;
    // A site's home page is the site, even where every path shows it (a single-page site).
    QTest::newRow("the home page of a site that shows it everywhere") << "/" << "alive" << "" << 0 << true << "" << false
                                                                      << "alive" << "" << shop;
    // The same page at every address, the home page too, and no word of not found: no evidence.
    QTest::newRow("alike, and the home page is that page too") << "/a/b" << "alive" << "" << 0 << true << "" << false << "alive"
                                                               << doubt << shop;
    // The home page by its other names, sent to it as every unknown path is, is the home page.
    QTest::newRow("/index.html sent home") << "/index.html" << "alive" << home << 0 << true << home << false << "alive" << ""
                                           << shop;
    QTest::newRow("/home moved home") << "/home" << "moved" << home << 0 << true << home << false << "moved" << "" << shop;
    QTest::newRow("/Default.aspx sent home") << "/Default.aspx" << "alive" << home << 0 << true << home << false << "alive" << ""
                                             << shop;
    QTest::newRow("/index.html in a folder, sent home") << "/blog/index.html" << "alive" << home << 0 << true << home << false
                                                        << "dead" << sentHome << shop;
    QTest::newRow("/homes sent home") << "/homes" << "alive" << home << 0 << true << home << false << "dead" << sentHome << shop;
}

void TestCheckPageSigns::aPageLikeTheMadeUpOneIsNotFound()
{
    QFETCH(QString, checked);
    QFETCH(QString, verdict);
    QFETCH(QString, final);
    QFETCH(int, distance);
    QFETCH(bool, answers);
    QFETCH(QString, sentTo);
    QFETCH(bool, homeDiffers);
    QFETCH(QString, after);
    QFETCH(QString, reason);
    QFETCH(QString, title);
    const quint64 fingerprint = pageFingerprint(QStringLiteral("Example Shop"), QStringLiteral("that one has wandered off"));
    CheckResult r;
    r.verdict = verdictFromWord(verdict).value();
    r.status = 200;
    r.finalAddress = final;
    r.newAddress = verdict == u"moved" ? final : QString();
    r.fingerprint = fingerprint ^ ((quint64(1) << distance) - 1);
    r.title = title;
    r.reason = QStringLiteral("answers 200");
    MadeUpAnswer madeUp;
    madeUp.answers = answers;
    madeUp.fingerprint = fingerprint;
    madeUp.title = QStringLiteral("Example Shop 1999");
    madeUp.sentTo = QUrl(sentTo).adjusted(QUrl::StripTrailingSlash);
    madeUp.homeDiffers = homeDiffers;
    judgeAgainstMadeUp(r, QUrl(QStringLiteral("http://s.test") + checked), madeUp);
    QCOMPARE(verdictWord(r.verdict), after);
    QCOMPARE(r.reason, reason.isEmpty() ? QStringLiteral("answers 200") : reason);
    if (after == u"dead")
        QVERIFY(r.newAddress.isEmpty());
}

void TestCheckPageSigns::aHostsAnswerToAMadeUpAddressTellsItsSoft404s_data()
{
    QTest::addColumn<int>("missing");
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<QStringList>("verdicts");
    QTest::addColumn<QStringList>("reasons"); // empty: not compared
    QTest::addColumn<int>("madeUp"); // requests for a made-up address the host sees
    using M = SoftSite::Missing;
    const QString alive = QStringLiteral("answers 200");
    const QString doubt = QStringLiteral("answers 200; the site shows the same page at any address, so this one may be gone");
    const QString suspended = QStringLiteral("the site is gone: the hosting account is suspended");
    QTest::newRow("the same page for every path")
        << int(M::SamePage) << QStringList{"/shop/lamp", "/shop/old-vase", "/shop/chair", "/", "/shop/sofa?id=7"}
        << QStringList{"alive", "dead", "alive", "alive", "dead"}
        << QStringList{alive, "the page is the one the site shows for any missing address (the server answers 200)", alive, alive, ""}
        << 1;
    QTest::newRow("the same page for every path, no home page") << int(M::SamePageNoHome)
                                                                << QStringList{"/shop/lamp", "/shop/old-vase"}
                                                                << QStringList{"alive", "dead"} << QStringList{} << 1;
    QTest::newRow("every unknown path sent home") << int(M::ToHome) << QStringList{"/shop/lamp", "/", "/shop/old-vase"}
                                                  << QStringList{"alive", "alive", "dead"} << QStringList{"", "", "sent to %home%, as any missing address is"}
                                                  << 1;
    QTest::newRow("the home page by its other names, every unknown path sent home")
        << int(M::ToHome) << QStringList{"/index.html", "/home", "/shop/old-vase"} << QStringList{"alive", "alive", "dead"}
        << QStringList{"answers 200 after a temporary redirect", "answers 200 after a temporary redirect", ""} << 1;
    QTest::newRow("the made-up address is 404") << int(M::NotFound) << QStringList{"/shop/lamp", "/shop/old-vase", "/"}
                                                << QStringList{"alive", "dead", "alive"} << QStringList{} << 1;
    QTest::newRow("only dead entries") << int(M::NotFound) << QStringList{"/shop/old-vase", "/shop/gone"}
                                       << QStringList{"dead", "dead"} << QStringList{} << 0;
    QTest::newRow("one plain page at every address") << int(M::OnePage) << QStringList{"/shop/lamp", "/about", "/"}
                                                     << QStringList{"alive", "alive", "alive"} << QStringList{doubt, doubt, alive}
                                                     << 1;
    QTest::newRow("a single-page site without the engine")
        << int(M::ShellEverywhere) << QStringList{"/recipes/bread", "/recipes/soup", "/"} << QStringList{"alive", "alive", "alive"}
        << QStringList{doubt, doubt, alive} << 1;
    QTest::newRow("a suspended account at every address")
        << int(M::Suspended) << QStringList{"/shop/lamp", "/"} << QStringList{"dead", "dead"} << QStringList{suspended, suspended}
        << 1;
    QTest::newRow("a gone bucket's XML at every address") << int(M::NoSuchBucket) << QStringList{"/shop/lamp", "/shop/chair"}
                                                          << QStringList{"alive", "alive"} << QStringList{alive, alive} << 1;
}

void TestCheckPageSigns::aHostsAnswerToAMadeUpAddressTellsItsSoft404s()
{
    QFETCH(int, missing);
    QFETCH(QStringList, paths);
    QFETCH(QStringList, verdicts);
    QFETCH(QStringList, reasons);
    QFETCH(int, madeUp);
    SoftSite server{SoftSite::Missing(missing)};
    NetworkProbe http;
    ListChecker checker(http, nullptr);
    QStringList entries;
    for (const QString &path : std::as_const(paths))
        entries << server.url(path).toString();
    const QList<CheckResult> r = runCheck(checker, entries);
    QStringList got;
    for (const CheckResult &each : r)
        got << verdictWord(each.verdict);
    QCOMPARE(got, verdicts);
    for (int i = 0; i < reasons.size(); ++i)
        if (!reasons[i].isEmpty())
            QCOMPARE(r[i].reason, QString(reasons[i]).replace(QLatin1String("%home%"), server.url(QStringLiteral("/")).toString()));
    QCOMPARE(server.madeUpAsked.size(), madeUp);
    QCOMPARE(checker.madeUpAsked(), madeUp);
    // Beside the host's first entry.
    if (madeUp)
        QCOMPARE(server.madeUpAsked[0].section(QLatin1Char('/'), 0, -2), paths[0].section(QLatin1Char('/'), 0, -2));
}

void TestCheckPageSigns::aMadeUpAddressDrawnByScriptIsJudgedAsRendered()
{
    SoftSite server{SoftSite::Missing::DrawnShell};
    NetworkProbe http;
    EnginePageProbe engine;
    ListChecker checker(http, &engine);
    CheckOptions options;
    options.retries = 0;
    checker.setOptions(options);
    const QList<CheckResult> r = runCheck(checker, {server.url(QStringLiteral("/shop/lamp")).toString(),
                                                    server.url(QStringLiteral("/shop/old-vase")).toString()});
    // Before its script runs, the shell says nothing; rendered, it is the made-up address's page.
    QCOMPARE(verdictWord(r[0].verdict), QStringLiteral("alive"));
    QCOMPARE(verdictWord(r[1].verdict), QStringLiteral("dead"));
    QCOMPARE(r[1].reason, QStringLiteral("the page is the one the site shows for any missing address (the server answers 200) in a browser"));
    QCOMPARE(checker.madeUpAsked(), 1);
    // The plain request and the engine's load of the one made-up address.
    QCOMPARE(server.madeUpAsked.size(), 2);
    QCOMPARE(server.madeUpAsked[0], server.madeUpAsked[1]);
}

void TestCheckPageSigns::anAnswerThatIsNoHtmlIsNoPageToCompare()
{
    // Neither the plain request nor the engine reads an XML answer as a page: two of them are not one
    // page, whatever they hold.
    SignsServer server;
    const QUrl bucket = server.url(QStringLiteral("/bucket"));
    NetworkProbe http;
    HttpProbeSettings settings;
    settings.readPages = true;
    http.setSettings(settings);
    EnginePageProbe engine;
    std::optional<ProbeAnswer> plain, browser;
    http.probe(bucket, [&](const ProbeAnswer &answer) { plain = answer; });
    engine.load(bucket, 15000, 500, [&](const ProbeAnswer &answer) { browser = answer; });
    QTRY_VERIFY_WITH_TIMEOUT(plain && browser, 30000);
    for (const ProbeAnswer &answer : {*plain, *browser}) {
        QCOMPARE(answer.outcome, ProbeAnswer::Outcome::Answered);
        QVERIFY2(!answer.page.read, qPrintable(answer.page.title + QLatin1Char('|') + answer.page.text));
        const CheckResult result = resultFromRequest(bucket, answer);
        QCOMPARE(result.fingerprint, quint64(0));
    }
}

void TestCheckPageSigns::realNginxTellsGoneSitesFromLiveOnes_data()
{
    QTest::addColumn<QByteArray>("locations"); // %site% is a folder with pub/README and pub/debian/, %empty% an empty one
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<QStringList>("verdicts");
    QTest::addColumn<QStringList>("reasons"); // %home% is the server's home page; empty: not compared
    const QString doubt = QStringLiteral("answers 200; the site shows the same page at any address, so this one may be gone");
    QTest::newRow("Debian's default page at /") << QByteArray("location / { root /usr/share/nginx/html; }")
                                                << QStringList{"/", "/events"} << QStringList{"dead", "dead"}
                                                << QStringList{"the site is gone: the server shows its default page", "not found (404)"};
    QTest::newRow("an empty folder listed at /") << QByteArray("location / { root %empty%; autoindex on; }") << QStringList{"/"}
                                                 << QStringList{"dead"}
                                                 << QStringList{"the site is gone: the server lists an empty folder"};
    QTest::newRow("a file archive") << QByteArray("location / { root %site%; autoindex on; }") << QStringList{"/pub/", "/"}
                                    << QStringList{"alive", "alive"} << QStringList{"answers 200", "answers 200"};
    QTest::newRow("a suspended account at every address")
        << QByteArray("location / { default_type text/html; return 200 '" + suspendedPage + "'; }") << QStringList{"/events", "/"}
        << QStringList{"dead", "dead"}
        << QStringList{"the site is gone: the hosting account is suspended", "the site is gone: the hosting account is suspended"};
    QTest::newRow("one page at every address")
        << QByteArray("location / { default_type text/html; return 200 '<title>Rowing club</title><h1>Rowing club</h1>"
                      "<p>Outings every Saturday at nine; new members welcome.</p>'; }")
        << QStringList{"/events", "/members/join", "/"} << QStringList{"alive", "alive", "alive"}
        << QStringList{doubt, doubt, "answers 200"};
    QTest::newRow("every unknown path sent home, the home page by its other names")
        << QByteArray("location = / { default_type text/html; return 200 '<title>Rowing club</title><p>Outings every "
                      "Saturday.</p>'; }\n    location / { return 302 /; }")
        << QStringList{"/index.html", "/home", "/events"} << QStringList{"alive", "alive", "dead"}
        << QStringList{"answers 200 after a temporary redirect", "answers 200 after a temporary redirect",
                       "sent to %home%, as any missing address is"};
}

void TestCheckPageSigns::realNginxTellsGoneSitesFromLiveOnes()
{
    QFETCH(QByteArray, locations);
    QFETCH(QStringList, paths);
    QFETCH(QStringList, verdicts);
    QFETCH(QStringList, reasons);
    QTemporaryDir site, empty;
    QVERIFY(QDir(site.path()).mkpath(QStringLiteral("pub/debian")));
    QFile readme(site.filePath(QStringLiteral("pub/README")));
    QVERIFY(readme.open(QIODevice::WriteOnly) && readme.write("Mirrors of the club's files.\n") > 0);
    readme.close();
    // nginx's workers run as nobody.
    for (const QString &dir : {site.path(), empty.path(), site.filePath(QStringLiteral("pub")), site.filePath(QStringLiteral("pub/debian"))})
        QFile::setPermissions(dir, QFile::permissions(dir) | QFile::ReadOther | QFile::ExeOther);
    QFile::setPermissions(readme.fileName(), readme.permissions() | QFile::ReadOther);
    locations.replace("%site%", site.path().toUtf8()).replace("%empty%", empty.path().toUtf8());
    QString why;
    const auto nginx = ServerSoftware::nginx("    " + locations + "\n", &why);
    QVERIFY2(nginx, qPrintable(why));
    NetworkProbe http;
    ListChecker checker(http, nullptr);
    QStringList entries;
    for (const QString &path : std::as_const(paths))
        entries << nginx->url(path).toString();
    const QList<CheckResult> r = runCheck(checker, entries);
    QStringList got;
    for (const CheckResult &each : r)
        got << verdictWord(each.verdict) + QStringLiteral(" (") + each.reason + QLatin1Char(')');
    QStringList expected;
    for (int i = 0; i < verdicts.size(); ++i)
        expected << verdicts[i] + QStringLiteral(" (")
                + QString(reasons[i]).replace(QLatin1String("%home%"), nginx->url(QStringLiteral("/")).toString()) + QLatin1Char(')');
    QCOMPARE(got, expected);
}

void TestCheckPageSigns::aPageNowStandingInForAnyIsNotWhatYouSaved_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("toServerPage"); // the site is then gone for Debian's nginx page; else for one page everywhere
    QTest::addColumn<QString>("wasTitle");
    QTest::addColumn<QString>("then");    // verdict and reason of the second check
    QTest::addColumn<QString>("nowTitle");
    QTest::newRow("a club's home page, now the server's default page")
        << "/" << true << "Rowing club" << "dead the site is gone: the server shows its default page" << "Welcome to nginx!";
    QTest::newRow("a club's page, now the one page the site shows everywhere")
        << "/events" << false << "Regattas and outings | Rowing club"
        << "alive answers 200; the site shows the same page at any address, so this one may be gone" << "Coming soon";
}

void TestCheckPageSigns::aPageNowStandingInForAnyIsNotWhatYouSaved()
{
    QFETCH(QString, path);
    QFETCH(bool, toServerPage);
    QFETCH(QString, wasTitle);
    QFETCH(QString, then);
    QFETCH(QString, nowTitle);
    // A club's page is checked; then the site is gone, on the same host.
    QTemporaryDir dir;
    CheckMemory memory;
    QVERIFY(memory.open(dir.filePath(QStringLiteral("page-memory.sqlite"))).ok);
    QList<CheckNote> changes;
    connect(&memory, &CheckMemory::changeFound, this, [&](const QString &, const CheckNote &note) { changes << note; });
    ChangingSite site;
    site.pages.insert(path.toUtf8(), "<!doctype html><html><head><title>" + wasTitle.toUtf8() + "</title></head><body>" + siteChrome
                                         + "<h1>Rowing club</h1><p>Outings every Saturday at nine from the boathouse; new "
                                           "members welcome, boats and coaching provided. Regatta results, the winter "
                                           "programme and the club's history.</p></body></html>");
    const QString entry = site.url(path).toString();
    NetworkProbe http;
    ListChecker checker(http, nullptr);
    const CheckResult first = runCheck(checker, {entry}).value(0);
    QCOMPARE(verdictWord(first.verdict) + QLatin1Char(' ') + first.reason, QStringLiteral("alive answers 200"));
    memory.addCheck(entry, first, QDateTime::currentDateTimeUtc().addDays(-3));
    QVERIFY(memory.flush());
    QVERIFY(changes.isEmpty());

    site.pages.clear();
    if (toServerPage)
        site.pages.insert("/", serverPage("nginx-common-index.html"));
    else
        site.everywhere = "<!doctype html><html><head><title>Coming soon</title></head><body><h1>Coming soon</h1><p>Our new "
                          "site is on its way.</p></body></html>";
    const CheckResult second = runCheck(checker, {entry}).value(0);
    QCOMPARE(verdictWord(second.verdict) + QLatin1Char(' ') + second.reason, then);
    memory.addCheck(entry, second);
    QVERIFY(memory.flush());
    QCOMPARE(changes.size(), 1);
    QVERIFY2(changes[0].change.startsWith(QStringLiteral("was '%1', ").arg(wasTitle)), qPrintable(changes[0].change));
    QVERIFY2(changes[0].change.endsWith(QStringLiteral("; now '%1'").arg(nowTitle)), qPrintable(changes[0].change));
}

void TestCheckPageSigns::titlesReadAsABrowserShowsThem_data()
{
    QTest::addColumn<QString>("title"); // as the page's HTML has it
    QTest::addColumn<QString>("shown");
    QTest::newRow("&amp; and &middot;") << "Soup &amp; Bread &middot; Example Kitchen"
                                        << QStringLiteral("Soup & Bread \u00b7 Example Kitchen");
    QTest::newRow("named, of every kind") << "&eacute;t&eacute; &ndash; &hellip; &euro;5 &copy; &Omega; &rarr; &hearts;"
                                          << QStringLiteral("\u00e9t\u00e9 \u2013 \u2026 \u20ac5 \u00a9 \u03a9 \u2192 \u2665");
    QTest::newRow("two characters for one name") << "a &NotEqualTilde; b" << QStringLiteral("a \u2242\u0338 b");
    QTest::newRow("numeric") << "&#39;&#x2019;&#X41;&#128512;" << QStringLiteral("'\u2019A\U0001F600");
    QTest::newRow("old names without ';'") << "AT&amp T &copy 2026 &AMP co" << "AT& T \u00a9 2026 & co";
    QTest::newRow("an old name before letters") << "&notit; &notin;" << QStringLiteral("\u00acit; \u2209");
    QTest::newRow("C1 numbers as Windows-1252") << "a &#150; b &#153;" << QStringLiteral("a \u2013 b \u2122");
    QTest::newRow("no character") << "&#0;&#xD800;&#1114112;&#99999999999;" << QStringLiteral("\ufffd\ufffd\ufffd\ufffd");
    QTest::newRow("what no reference is stays") << "AT&T &bogus; &#; &#x; & ;" << "AT&T &bogus; &#; &#x; & ;";
    QTest::newRow("case matters") << "&Amp; &EACUTE;" << "&Amp; &EACUTE;";
}

void TestCheckPageSigns::titlesReadAsABrowserShowsThem()
{
    QFETCH(QString, title);
    QFETCH(QString, shown);
    const QByteArray html = "<html><head><meta charset=utf-8><title>" + title.toUtf8() + "</title></head><body><h1>" + title.toUtf8()
        + "</h1></body></html>";
    const PageContent page = readPage(html, QUrl(QStringLiteral("http://s.test/")));
    QCOMPARE(page.title, shown);
    QCOMPARE(page.heading, shown);
}

QTEST_MAIN(TestCheckPageSigns)
#include "tst_check_pagesigns.moc"
