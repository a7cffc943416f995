// Pages of the kinds people keep, as real sites shape them, for the copy benchmarks: a header with
// navigation, a main part, an aside and a footer, a style sheet, and pictures that are photographs in
// all but subject (JPEG of smooth colour fields with grain) or screenshots and diagrams (PNG).
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QRandomGenerator>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>

#include <cmath>

namespace BenchPages {

/// A picture that compresses as a photograph does: colour fields that change smoothly, with grain.
inline QByteArray photoJpeg(int width, int height, quint32 seed, int quality = 82)
{
    QRandomGenerator rng(seed);
    // A coarse grid of colours, blended between its points.
    constexpr int cells = 6;
    QColor grid[cells + 1][cells + 1];
    for (auto &row : grid)
        for (QColor &c : row)
            c = QColor::fromHsv(int(rng.bounded(360)), 60 + int(rng.bounded(150)), 70 + int(rng.bounded(170)));
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        const double gy = double(y) / height * cells;
        const int iy = qMin(int(gy), cells - 1);
        const double fy = gy - iy;
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const double gx = double(x) / width * cells;
            const int ix = qMin(int(gx), cells - 1);
            const double fx = gx - ix;
            const auto mix = [&](auto channel) {
                const double top = channel(grid[iy][ix]) * (1 - fx) + channel(grid[iy][ix + 1]) * fx;
                const double bottom = channel(grid[iy + 1][ix]) * (1 - fx) + channel(grid[iy + 1][ix + 1]) * fx;
                const double grain = double(int(rng.bounded(25)) - 12);
                return qBound(0, int(top * (1 - fy) + bottom * fy + grain), 255);
            };
            line[x] = qRgb(mix([](const QColor &c) { return c.red(); }), mix([](const QColor &c) { return c.green(); }),
                           mix([](const QColor &c) { return c.blue(); }));
        }
    }
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", quality);
    return jpeg;
}

/// A picture as screenshots, diagrams and logos are: flat colours, lines and text, PNG.
inline QByteArray diagramPng(int width, int height, quint32 seed)
{
    QRandomGenerator rng(seed);
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(250, 250, 247));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 14; ++i) {
        const QColor colour = QColor::fromHsv(int(rng.bounded(360)), 120, 200);
        painter.setBrush(colour);
        painter.setPen(colour.darker(150));
        const int w = 40 + int(rng.bounded(width / 3));
        const int h = 20 + int(rng.bounded(height / 4));
        painter.drawRoundedRect(int(rng.bounded(width - w)), int(rng.bounded(height - h)), w, h, 6, 6);
        painter.setPen(Qt::black);
        painter.drawText(10 + int(rng.bounded(width - 120)), 20 + int(rng.bounded(height - 30)),
                         QStringLiteral("Step %1: configure").arg(i));
    }
    painter.end();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

/// One resource a page links.
struct Resource {
    QByteArray type;
    QByteArray body;
};

/// Answers GET with the registered resources by path (404 for any other), one request per connection.
class Server final : public QTcpServer {
public:
    QHash<QByteArray, Resource> resources;

    Server()
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    if (!socket->peek(8192).contains("\r\n\r\n"))
                        return;
                    const QByteArray path = socket->readAll().split(' ').value(1);
                    const auto found = resources.constFind(path);
                    const bool there = found != resources.constEnd();
                    const QByteArray body = there ? found->body : QByteArray("<!doctype html><title>Not Found</title><h1>Not Found</h1>");
                    socket->write((there ? "HTTP/1.1 200 OK" : "HTTP/1.1 404 Not Found") + QByteArray("\r\nContent-Type: ")
                                  + (there ? found->type : QByteArray("text/html")) + "\r\nCache-Control: no-store\r\nContent-Length: "
                                  + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
                    socket->disconnectFromHost();
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
};

/// A page of one kind, and what it links (by path).
struct Page {
    QByteArray path;
    QString kind;
    QByteArray html;
    QHash<QByteArray, Resource> resources;
};

inline QByteArray words(QRandomGenerator &rng, int count)
{
    static const char *const vocabulary[] = {
        "the", "opening", "hours", "garden", "practice", "appointment", "river", "season", "configure", "widget",
        "village", "council", "recipe", "butter", "flour", "minutes", "warranty", "delivery", "returns", "stock",
        "chapter", "library", "function", "returns", "value", "example", "parameter", "museum", "exhibition",
        "tickets", "members", "meeting", "volunteers", "neighbourhood", "history", "photograph", "family", "local",
        "weekend", "market", "price", "shipping", "review", "customers", "quality", "and", "of", "to", "in", "with"};
    QByteArray out;
    for (int i = 0; i < count; ++i) {
        out += vocabulary[rng.bounded(int(std::size(vocabulary)))];
        out += i % 14 == 13 ? ". " : " ";
    }
    return out;
}

/// The twenty pages: articles, documentation, shops, galleries and the small sites people keep.
inline QList<Page> keptPages()
{
    struct Kind {
        const char *kind;
        const char *title;
        int paragraphs;
        int photos;       ///< JPEG pictures
        int photoWidth;
        int diagrams;     ///< PNG pictures
        bool code;
        bool table;
    };
    static const Kind kinds[] = {
        {"news article", "Flood barriers hold as the river peaks", 14, 1, 1200, 0, false, false},
        {"long-read article", "The last lighthouse keepers", 40, 3, 1400, 0, false, false},
        {"blog post", "Sourdough, the slow way", 12, 2, 1000, 0, false, false},
        {"recipe", "Apple cake with brown butter", 8, 4, 900, 0, false, true},
        {"documentation page", "QWebEngineView Class | Qt WebEngine 6.4", 30, 0, 0, 1, true, true},
        {"API reference", "std::filesystem::rename - reference", 18, 0, 0, 0, true, true},
        {"tutorial", "Getting started with CMake presets", 22, 0, 0, 4, true, false},
        {"wiki page", "Quokka - the small marsupial", 45, 2, 600, 1, false, true},
        {"shop product page", "Walnut desk organiser, handmade", 6, 5, 900, 0, false, true},
        {"shop listing", "Garden tools - 48 products", 4, 12, 400, 0, false, false},
        {"picture-heavy gallery", "Autumn in the hills: 16 photographs", 2, 16, 1200, 0, false, false},
        {"real-estate listing", "Three-bedroom house with garden", 6, 8, 1100, 1, false, true},
        {"dental practice", "Riverside Dental - opening hours", 5, 1, 800, 0, false, true},
        {"restaurant menu", "Menu - The Old Mill", 4, 2, 900, 0, false, true},
        {"club page", "Allotment society: meetings and plots", 8, 1, 700, 0, false, true},
        {"event page", "Harvest market, Saturday 10-16", 5, 1, 1200, 0, false, false},
        {"forum thread", "Which drill for masonry? (23 replies)", 24, 0, 0, 12, false, false},
        {"portfolio", "Studio North - selected work", 3, 6, 1920, 0, false, false},
        {"news front page", "Today's stories", 10, 14, 480, 0, false, false},
        {"government notice", "Planning application 2026/0412", 16, 0, 0, 1, false, true},
    };
    QList<Page> pages;
    quint32 seed = 1;
    for (const Kind &kind : kinds) {
        QRandomGenerator rng(seed * 7919u);
        Page page;
        page.kind = QString::fromLatin1(kind.kind);
        page.path = "/page" + QByteArray::number(seed);
        const QByteArray prefix = page.path + "/";
        page.resources.insert(prefix + "site.css",
                              {"text/css", "body{font:16px/1.5 Georgia,serif;margin:0;color:#222}header,footer{background:#234;"
                                           "color:#fff;padding:12px 24px}nav a{color:#cde;margin-right:14px}main{max-width:"
                                           "760px;margin:24px auto;padding:0 16px}aside{float:right;width:220px;margin:0 0 16px"
                                           " 16px;font-size:14px}img{max-width:100%;height:auto;display:block;margin:12px 0}"
                                           "pre{background:#f4f4f4;padding:12px;overflow:auto}table{border-collapse:collapse}"
                                           "td,th{border:1px solid #ccc;padding:4px 8px}.price{font-weight:bold;color:#a30}"
                                           + words(rng, 120).replace(' ', '-').left(600).prepend("/* ").append(" */")});
        QByteArray html = "<!doctype html><html lang=en><head><meta charset=utf-8><title>" + QByteArray(kind.title)
                        + "</title><meta name=viewport content='width=device-width'><link rel=stylesheet href=" + prefix
                        + "site.css><script>window.dataLayer=[];function track(){}</script></head><body><header><strong>"
                        + QByteArray(kind.kind) + "</strong><nav><a href=/>Home</a><a href=/about>About</a><a href=/contact>"
                          "Contact</a><a href=/search>Search</a></nav></header><main><h1>" + QByteArray(kind.title) + "</h1>";
        html += "<aside><h2>On this page</h2><ul>";
        for (int i = 0; i < 6; ++i)
            html += "<li><a href=#s" + QByteArray::number(i) + ">" + words(rng, 3) + "</a></li>";
        html += "</ul></aside>";
        int photo = 0;
        int diagram = 0;
        for (int p = 0; p < kind.paragraphs || photo < kind.photos || diagram < kind.diagrams; ++p) {
            if (p % 5 == 0)
                html += "<h2 id=s" + QByteArray::number(p / 5) + ">" + words(rng, 4) + "</h2>";
            if (p < kind.paragraphs)
                html += "<p>" + words(rng, 60 + int(rng.bounded(60))) + "</p>";
            if (photo < kind.photos && (p % 2 == 0 || p >= kind.paragraphs)) {
                const int w = kind.photoWidth;
                const int h = w * 2 / 3;
                const QByteArray name = prefix + "photo" + QByteArray::number(photo) + ".jpg";
                page.resources.insert(name, {"image/jpeg", photoJpeg(w, h, seed * 100 + quint32(photo))});
                html += "<figure><img src=" + name + " width=" + QByteArray::number(w) + " height=" + QByteArray::number(h)
                      + " alt='" + words(rng, 4) + "'><figcaption>" + words(rng, 10) + "</figcaption></figure>";
                if (QByteArray(kind.kind).startsWith("shop"))
                    html += "<p class=price>&euro; " + QByteArray::number(10 + rng.bounded(190)) + ".95</p>";
                ++photo;
            }
            if (diagram < kind.diagrams && (p % 3 == 1 || p >= kind.paragraphs)) {
                const bool avatar = QByteArray(kind.kind) == "forum thread";
                const int w = avatar ? 64 : 720;
                const int h = avatar ? 64 : 400;
                const QByteArray name = prefix + "figure" + QByteArray::number(diagram) + ".png";
                page.resources.insert(name, {"image/png", diagramPng(w, h, seed * 100 + quint32(diagram))});
                html += "<img src=" + name + " width=" + QByteArray::number(w) + " height=" + QByteArray::number(h) + " alt=figure>";
                ++diagram;
            }
            if (kind.code && p % 4 == 2)
                html += "<pre><code>QWebEngineView *view = new QWebEngineView(parent);\nview-&gt;load(QUrl(\"https://example.org/\"));\n"
                        "connect(view, &amp;QWebEngineView::loadFinished, this, [](bool ok) {\n    qDebug() &lt;&lt; ok;\n});</code></pre>";
            if (kind.table && p % 6 == 3) {
                html += "<table><tr><th>Day</th><th>Hours</th><th>Notes</th></tr>";
                for (int r = 0; r < 7; ++r)
                    html += "<tr><td>" + words(rng, 1) + "</td><td>" + QByteArray::number(8 + r % 3) + " to 18</td><td>"
                          + words(rng, 5) + "</td></tr>";
                html += "</table>";
            }
        }
        html += "</main><footer><p>" + words(rng, 30) + "</p><p>&copy; 2026 " + QByteArray(kind.kind)
              + " &middot; <a href=/privacy>Privacy</a> &middot; <a href=/cookies>Cookies</a></p></footer></body></html>";
        page.html = html;
        pages.append(page);
        ++seed;
    }
    return pages;
}

} // namespace BenchPages
