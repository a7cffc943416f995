#include "fakes/galleryanswerset.h"

#include "memory/pagefingerprint.h"
#include "memory/pagesigns.h"

#include <QEventLoop>
#include <QHash>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace {

struct SamplePage {
    QString answer;
    QString entry;
    Verdict verdict;
    QString reason;
    QString finalAddress;
    QString html;
};

QString page(const QString &title, const QString &style, const QString &body)
{
    return QStringLiteral("<!DOCTYPE html><html><head><meta charset='utf-8'><title>%1</title><style>"
                          "body{margin:0;font-family:'DejaVu Sans',Arial,sans-serif}%2</style></head><body>%3</body></html>")
        .arg(title, style, body);
}

// A sale service with a blue bar, a large centred offer and an orange button (Sedo's layout).
QString sedoParked(const QString &domain, int price)
{
    return page(QStringLiteral("%1 is for sale").arg(domain),
                QStringLiteral(".bar{background:#0b3b60;height:64px;color:#fff;font-size:26px;padding:16px 40px}"
                               ".offer{text-align:center;padding-top:90px}.offer h1{font-size:46px;color:#0b3b60;margin:0 0 20px}"
                               ".buy{display:inline-block;background:#f39200;color:#fff;padding:18px 80px;font-size:24px;border-radius:4px}"
                               ".foot{position:fixed;bottom:0;left:0;right:0;height:90px;background:#e9eef2}"),
                QStringLiteral("<div class=bar>sedo</div><div class=offer><h1>%1</h1><p style='font-size:20px'>This domain "
                               "may be for sale. The owner is offering it for sale.</p><a class=buy>Buy now</a>"
                               "<p style='font-size:18px;color:#555'>Price: %2 EUR</p></div><div class=foot></div>")
                    .arg(domain)
                    .arg(price));
}

// A marketplace's page: the name large on the left, a price card on the right (Afternic/GoDaddy's layout).
QString marketParked(const QString &domain, int price)
{
    return page(QStringLiteral("%1 - domain for sale").arg(domain),
                QStringLiteral("body{background:#f4f4f4}.top{background:#111;height:48px}.name{position:absolute;left:60px;top:160px;"
                               "font-size:52px;font-weight:bold;color:#111}.card{position:absolute;right:60px;top:120px;width:340px;"
                               "height:360px;background:#fff;border:1px solid #ccc}.card .go{margin:40px 30px 0;background:#00a63f;"
                               "color:#fff;font-size:24px;text-align:center;padding:16px}"),
                QStringLiteral("<div class=top></div><div class=name>%1<div style='font-size:22px;font-weight:normal;color:#444'>"
                               "is available for purchase</div></div><div class=card><p style='font-size:34px;margin:40px 30px 0'>"
                               "$%2</p><div class=go>Get this domain</div><p style='margin:30px'>Secure checkout. Fast transfer."
                               "</p></div>")
                    .arg(domain)
                    .arg(price));
}

// A parking page of related searches: the name small on top, a column of link bars (Bodis's layout).
QString searchesParked(const QString &domain, const QStringList &searches)
{
    QString links;
    for (const QString &s : searches)
        links += QStringLiteral("<div class=l>%1 &rsaquo;</div>").arg(s.toHtmlEscaped());
    return page(domain,
                QStringLiteral("body{background:#20262e;color:#ccc}.d{text-align:center;font-size:22px;padding:30px}"
                               ".rs{text-align:center;font-size:16px}.l{margin:10px auto;width:520px;background:#2f6fb6;color:#fff;"
                               "font-size:22px;padding:14px}"),
                QStringLiteral("<div class=d>%1</div><div class=rs>Related Searches</div>%2"
                               "<p style='text-align:center;font-size:12px'>This domain is parked free of charge.</p>")
                    .arg(domain, links));
}

QString nginxDefault()
{
    return QStringLiteral(
        "<!DOCTYPE html><html><head><title>Welcome to nginx!</title><style>html { color-scheme: light dark; }"
        "body { width: 35em; margin: 0 auto; font-family: Tahoma, Verdana, Arial, sans-serif; }</style></head><body>"
        "<h1>Welcome to nginx!</h1><p>If you see this page, the nginx web server is successfully installed and working. "
        "Further configuration is required.</p><p>For online documentation and support please refer to "
        "<a href=\"http://nginx.org/\">nginx.org</a>.<br/>Commercial support is available at "
        "<a href=\"http://nginx.com/\">nginx.com</a>.</p><p><em>Thank you for using nginx.</em></p></body></html>");
}

QString apacheDefault()
{
    QString sections;
    for (const char *h : {"Configuration Overview", "Document Roots", "Reporting Problems"})
        sections += QStringLiteral("<div class=sh>%1</div><p>Debian's Apache2 default configuration is different from the "
                                   "upstream default configuration, and split into several files optimized for interaction "
                                   "with Debian tools. The configuration system is fully documented in "
                                   "/usr/share/doc/apache2/README.Debian.gz.</p>")
                        .arg(QLatin1String(h));
    return page(QStringLiteral("Apache2 Debian Default Page: It works"),
                QStringLiteral("body{background:#fff;font-size:12pt}.main{width:850px;margin:10px auto;border:1px solid #000}"
                               ".banner{height:80px;border-bottom:1px solid #000;background:#fff}.works{background:#d9000f;"
                               "color:#fff;text-align:center;font-size:20pt;font-weight:bold;padding:10px}.sh{background:#90ee90;"
                               "font-weight:bold;padding:4px;margin-top:10px}p{margin:6px}"),
                QStringLiteral("<div class=main><div class=banner><span style='font-size:28pt;padding:20px;display:inline-block'>"
                               "Apache2 Debian Default Page</span></div><div class=works>It works!</div><p>This is the default "
                               "welcome page used to test the correct operation of the Apache2 server after installation on "
                               "Debian systems. If you can read this page, it means that the Apache HTTP server installed at "
                               "this site is working properly.</p>%1</div>")
                    .arg(sections));
}

// An identity provider's centred card.
QString cardSignIn(const QString &app)
{
    return page(QStringLiteral("Sign in - Accounts"),
                QStringLiteral("body{background:#fff}.card{width:450px;margin:90px auto;border:1px solid #dadce0;border-radius:8px;"
                               "padding:48px 40px;text-align:center}.in{border:1px solid #999;height:50px;margin:30px 0;border-radius:4px}"
                               ".next{float:right;background:#1a73e8;color:#fff;padding:10px 24px;border-radius:4px}"),
                QStringLiteral("<div class=card><div style='font-size:26px;color:#4285f4'>Accounts</div><h1 style='font-weight:normal'>"
                               "Sign in</h1><div>to continue to %1</div><div class=in></div><div style='text-align:left;color:#1a73e8'>"
                               "Forgot email?</div><br><div class=next>Next</div><br></div>")
                    .arg(app.toHtmlEscaped()));
}

// An office suite's sign-in: a box at the left over a coloured background.
QString boxSignIn()
{
    return page(QStringLiteral("Sign in to your account"),
                QStringLiteral("body{background:linear-gradient(90deg,#0e5a8a,#6db3e0)}.box{position:absolute;left:120px;top:140px;"
                               "width:440px;height:340px;background:#fff;padding:44px}.in{border-bottom:1px solid #666;height:36px;"
                               "margin:24px 0}.b{position:absolute;right:44px;bottom:44px;background:#0067b8;color:#fff;padding:8px 34px}"),
                QStringLiteral("<div class=box><div style='font-size:20px;color:#737373'>Office</div><div style='font-size:24px;"
                               "font-weight:600;margin-top:16px'>Sign in</div><div class=in>Email, phone, or Skype</div>"
                               "<div style='font-size:13px'>No account? Create one!</div><div class=b>Next</div></div>"));
}

// One blog theme, many sites: a dark header, a nav, posts on the left, a sidebar on the right.
QString themedBlog(const QString &name, const QStringList &headlines, const QString &words)
{
    QString posts;
    for (const QString &h : headlines)
        posts += QStringLiteral("<h2>%1</h2><p>%2</p>").arg(h.toHtmlEscaped(), words.toHtmlEscaped());
    return page(QStringLiteral("%1 - Just another blog").arg(name),
                QStringLiteral("body{background:#f1f1f1}.h{background:#222;color:#fff;font-size:30px;padding:28px 40px}"
                               ".n{background:#fff;padding:10px 40px;border-bottom:1px solid #ddd}.c{display:flex;margin:20px 40px}"
                               ".p{flex:3;background:#fff;padding:10px 24px;margin-right:20px}.s{flex:1;background:#fff;padding:14px;"
                               "height:420px}h2{color:#21759b}"),
                QStringLiteral("<div class=h>%1</div><div class=n>Home &nbsp; About &nbsp; Archive &nbsp; Contact</div>"
                               "<div class=c><div class=p>%2</div><div class=s><b>Recent posts</b><p>%3</p></div></div>")
                    .arg(name.toHtmlEscaped(), posts, headlines.join(QStringLiteral("<br>"))));
}

// One shop template, many shops: a header, a grid of products with prices.
QString themedShop(const QString &name, const QStringList &products)
{
    QString grid;
    int price = 9;
    for (const QString &p : products)
        grid += QStringLiteral("<div class=i><div class=ph></div>%1<br><b>%2.99 &euro;</b></div>").arg(p.toHtmlEscaped()).arg(price += 7);
    return page(QStringLiteral("%1 | Online shop").arg(name),
                QStringLiteral(".h{background:#96588a;color:#fff;font-size:28px;padding:22px 40px}.g{display:flex;flex-wrap:wrap;"
                               "margin:20px 30px}.i{width:280px;margin:10px;font-size:16px}.ph{height:150px;background:#ddd;margin-bottom:8px}"),
                QStringLiteral("<div class=h>%1</div><div class=g>%2</div>").arg(name.toHtmlEscaped(), grid));
}

QString lorem(int seed)
{
    static const QStringList words = QStringLiteral(
        "garden river winter coffee bicycle mountain library violin harbour lantern meadow thunder pepper marble "
        "compass orchard saddle canvas ember falcon glacier hammock island jasmine kettle lagoon mosaic nutmeg")
                                         .split(QLatin1Char(' '));
    QStringList out;
    for (int i = 0; i < 60; ++i)
        out.append(words.at((seed * 7 + i * (seed + 3)) % words.size()));
    return out.join(QLatin1Char(' '));
}

QList<SamplePage> samplePages()
{
    QList<SamplePage> s;
    const auto parked = [](const QString &service) {
        return parkedReason(ParkedSign{true, service});
    };
    int n = 0;
    for (const QString &d : {QStringLiteral("bluefinch.com"), QStringLiteral("oldtownbakery.net"), QStringLiteral("xq.io"),
                             QStringLiteral("theverylongnameofashop.com"), QStringLiteral("mapleleaf.org")})
        s.append({QStringLiteral("parked at Sedo"), QStringLiteral("http://%1/").arg(d), Verdict::Parked,
                  parked(n++ % 2 ? QStringLiteral("Sedo") : QString()), QStringLiteral("http://%1/").arg(d), sedoParked(d, 990 + 500 * n)});
    for (const QString &d : {QStringLiteral("greenvalley.com"), QStringLiteral("pq.net"), QStringLiteral("summerhouse-rentals.com"),
                             QStringLiteral("kitefly.org")})
        s.append({QStringLiteral("parked at a marketplace"), QStringLiteral("https://%1/").arg(d), Verdict::Parked, parked({}),
                  QStringLiteral("https://%1/").arg(d), marketParked(d, 1200 + 300 * n++)});
    const QList<QStringList> searches = {
        {QStringLiteral("Cheap Flights"), QStringLiteral("Car Insurance"), QStringLiteral("Online Degree"), QStringLiteral("Web Hosting"),
         QStringLiteral("Credit Cards"), QStringLiteral("Hotels")},
        {QStringLiteral("Garden Tools"), QStringLiteral("Bakery Near Me"), QStringLiteral("Recipes"), QStringLiteral("Flour"),
         QStringLiteral("Cake Delivery"), QStringLiteral("Coffee Beans")},
        {QStringLiteral("Dating"), QStringLiteral("Loans"), QStringLiteral("Mortgage"), QStringLiteral("Lawyer"), QStringLiteral("VPN"),
         QStringLiteral("Phones")},
    };
    const QStringList searchDomains = {QStringLiteral("cheapfly.info"), QStringLiteral("bakeryworld.biz"), QStringLiteral("zz-top.click")};
    for (int i = 0; i < 3; ++i)
        s.append({QStringLiteral("parked with related searches"), QStringLiteral("http://%1").arg(searchDomains[i]), Verdict::Parked,
                  parked(QStringLiteral("Bodis")), QStringLiteral("http://%1/").arg(searchDomains[i]),
                  searchesParked(searchDomains[i], searches[i])});
    const QString serverDefault = placeholderReason(PlaceholderPage::Kind::ServerDefault);
    for (const QString &h : {QStringLiteral("shop.example.org"), QStringLiteral("10.0.0.7"), QStringLiteral("wiki.acme.test")})
        s.append({QStringLiteral("nginx's default page"), QStringLiteral("http://%1/").arg(h), Verdict::Dead, serverDefault,
                  QStringLiteral("http://%1/").arg(h), nginxDefault()});
    for (const QString &h : {QStringLiteral("old.example.com"), QStringLiteral("intranet.acme.test"), QStringLiteral("forum.example.net")})
        s.append({QStringLiteral("Apache's default page"), QStringLiteral("http://%1/").arg(h), Verdict::Dead, serverDefault,
                  QStringLiteral("http://%1/").arg(h), apacheDefault()});
    const QString signIn = signInReason() + QStringLiteral(" (accounts.example-id.com)");
    for (const QString &app : {QStringLiteral("Docs"), QStringLiteral("Docs"), QStringLiteral("Docs")})
        s.append({QStringLiteral("the identity provider's sign-in"), QStringLiteral("https://docs.example-id.com/d/%1").arg(n++),
                  Verdict::Moved, signIn, QStringLiteral("https://accounts.example-id.com/signin?continue=x"), cardSignIn(app)});
    for (int i = 0; i < 2; ++i)
        s.append({QStringLiteral("the office suite's sign-in"), QStringLiteral("https://office.example.com/file/%1").arg(i),
                  Verdict::Moved, signInReason() + QStringLiteral(" (login.example.com)"),
                  QStringLiteral("https://login.example.com/common/oauth2"), boxSignIn()});
    const QStringList blogs = {QStringLiteral("Wandering Fox"), QStringLiteral("Kitchen Notes"), QStringLiteral("Rust and Bones"),
                               QStringLiteral("Quiet Harbour"), QStringLiteral("Pixel Garden"), QStringLiteral("The Daily Commute")};
    for (int i = 0; i < blogs.size(); ++i) {
        const QString host = blogs[i].toLower().remove(QLatin1Char(' ')) + QStringLiteral(".blog");
        s.append({QStringLiteral("blog %1").arg(blogs[i]), QStringLiteral("https://%1/").arg(host), Verdict::Alive,
                  QStringLiteral("answers 200"), QString(),
                  themedBlog(blogs[i], {QStringLiteral("A walk by the %1").arg(lorem(i).section(' ', 0, 0)),
                                        QStringLiteral("Notes on %1").arg(lorem(i + 1).section(' ', 2, 2)),
                                        QStringLiteral("Week %1 in review").arg(i + 10)},
                             lorem(i))});
    }
    // One of the blogs under a second address: the same page.
    s.append({QStringLiteral("blog Wandering Fox"), QStringLiteral("http://www.wanderingfox.blog/"), Verdict::Alive,
              QStringLiteral("answers 200"), QStringLiteral("https://wanderingfox.blog/"), s[s.size() - 6].html});
    const QList<QStringList> shops = {
        {QStringLiteral("Linen shirt"), QStringLiteral("Wool socks"), QStringLiteral("Canvas bag"), QStringLiteral("Scarf")},
        {QStringLiteral("Espresso cup"), QStringLiteral("Milk jug"), QStringLiteral("Grinder"), QStringLiteral("Kettle")},
        {QStringLiteral("Seed tray"), QStringLiteral("Trowel"), QStringLiteral("Watering can"), QStringLiteral("Gloves")},
        {QStringLiteral("Bike light"), QStringLiteral("Helmet"), QStringLiteral("Pump"), QStringLiteral("Bell")},
    };
    const QStringList shopNames = {QStringLiteral("Threadbare"), QStringLiteral("Bean There"), QStringLiteral("Green Thumb"),
                                   QStringLiteral("Spoke & Chain")};
    for (int i = 0; i < shops.size(); ++i)
        s.append({QStringLiteral("shop %1").arg(shopNames[i]), QStringLiteral("https://shop%1.example/").arg(i), Verdict::Alive,
                  QStringLiteral("answers 200"), QString(), themedShop(shopNames[i], shops[i])});
    for (const QString &h : {QStringLiteral("gone1.example"), QStringLiteral("gone2.example"), QStringLiteral("gone3.example")})
        s.append({QStringLiteral("no such host"), QStringLiteral("http://%1/").arg(h), Verdict::Dead, QStringLiteral("no such host"),
                  QString(), QString()});
    for (const QString &h : {QStringLiteral("127.0.0.1:9"), QStringLiteral("127.0.0.1:7")})
        s.append({QStringLiteral("nothing listening"), QStringLiteral("http://%1/").arg(h), Verdict::Dead,
                  QStringLiteral("nothing is listening there (connection refused)"), QString(), QString()});
    return s;
}

bool hasContent(const QImage &image)
{
    if (image.isNull())
        return false;
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); y += 7)
        for (int x = 0; x < image.width(); x += 7)
            if (image.pixel(x, y) != first)
                return true;
    return false;
}

} // namespace

QList<AnswerPage> renderAnswerSet()
{
    QList<AnswerPage> pages;
    QWebEngineView view;
    view.resize(1024, 768);
    view.show();
    for (const SamplePage &page : samplePages()) {
        AnswerPage answer;
        answer.answer = page.answer;
        answer.entry = page.entry;
        answer.result.verdict = page.verdict;
        answer.result.reason = page.reason;
        answer.result.finalAddress = page.finalAddress;
        if (!page.html.isEmpty()) {
            bool loaded = false;
            const auto connection = QObject::connect(&view, &QWebEngineView::loadFinished, &view, [&loaded](bool) { loaded = true; });
            view.setHtml(page.html, QUrl(page.finalAddress.isEmpty() ? page.entry : page.finalAddress));
            if (!QTest::qWaitFor([&loaded] { return loaded; }, 30000))
                return {};
            QObject::disconnect(connection);
            QString text;
            bool read = false;
            view.page()->toPlainText([&text, &read](const QString &t) {
                text = t;
                read = true;
            });
            QImage picture;
            // The engine paints the page some frames after it has loaded: wait for the picture to have
            // the page's content and to stay as it is for two grabs.
            QImage previous;
            if (!QTest::qWaitFor(
                    [&] {
                        picture = view.grab().toImage();
                        const bool settled = read && hasContent(picture) && picture == previous;
                        previous = picture;
                        return settled;
                    },
                    30000))
                return {};
            answer.result.title = view.title();
            answer.result.fingerprint = pageFingerprint(answer.result.title, text);
            answer.thumbnail = picture.scaledToWidth(320, Qt::SmoothTransformation);
        }
        pages.append(answer);
    }
    return pages;
}

AnswerScore scoreGroups(const QList<AnswerPage> &pages, const QList<QList<int>> &groups)
{
    AnswerScore score;
    score.groups = int(groups.size());
    score.entries = int(pages.size());
    QHash<QString, int> groupsOfAnswer;
    for (const QList<int> &group : groups) {
        QSet<QString> answers;
        for (int member : group)
            answers.insert(pages.at(member).answer);
        if (answers.size() > 1) {
            ++score.mixedGroups;
            QStringList names(answers.cbegin(), answers.cend());
            names.sort();
            score.mixes.append(names.join(QStringLiteral(" + ")));
        }
        for (const QString &answer : std::as_const(answers))
            ++groupsOfAnswer[answer];
    }
    for (int count : std::as_const(groupsOfAnswer))
        score.leftApart += count - 1;
    return score;
}
