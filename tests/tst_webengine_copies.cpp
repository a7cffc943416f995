// Copies of the page a browser shows, taken by the real web engine from a loopback page: the page as
// one MHTML file that loads again without the network, its text and its picture; never a second
// download, never the person's save notice; the same page copied twice has one content name.
#include "copies/copyarchive.h"
#include "fakes/loopbackserver.h"
#include "fakes/httptestserver.h"

#include <QTcpSocket>
#include "fakes/webenginetest.h"
#include "platform/webenginebrowser.h"

#include <QBuffer>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtTest>

#include <QMouseEvent>

namespace {

QByteArray redSquarePng()
{
    QImage image(40, 40, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

/// A page of one colour with @p title, the words @p words in it.
QByteArray colouredPage(const QByteArray &title, const QByteArray &colour, const QByteArray &words = {})
{
    return "<!doctype html><html><head><title>" + title + "</title></head><body style='margin:0;background:" + colour
        + "'><p>" + words + "</p></body></html>";
}

/// @p html as the engine saves a page: one MHTML part, from @p address.
QByteArray mhtmlOf(const QByteArray &html, const QByteArray &address)
{
    return "From: <Saved by Blink>\r\nSubject: a page\r\nMIME-Version: 1.0\r\n"
           "Content-Type: multipart/related; type=\"text/html\"; boundary=\"----b\"\r\n\r\n"
           "------b\r\nContent-Type: text/html\r\nContent-Transfer-Encoding: binary\r\nContent-Location: "
        + address + "\r\n\r\n" + html + "\r\n------b--\r\n";
}

/// Whether the top middle of the PNG @p png is @p colour (give or take the scaling).
bool middleIs(const QByteArray &png, const QColor &colour)
{
    QImage image;
    if (!image.loadFromData(png, "PNG") || image.isNull())
        return false;
    const QColor middle = image.pixelColor(image.width() / 2, 2);
    return qAbs(middle.red() - colour.red()) < 8 && qAbs(middle.green() - colour.green()) < 8 && qAbs(middle.blue() - colour.blue()) < 8;
}

/// Answers every request with a 404 and a page of its own, as a site does for a page that is gone.
class GoneServer final : public HttpTestServer {
public:
    using HttpTestServer::HttpTestServer;

protected:
    void answer(QTcpSocket *socket, const QByteArray &) override
    {
        const QByteArray body = "<!doctype html><title>Not here</title><h1>Not Found</h1>";
        socket->write("HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\nContent-Length: " + QByteArray::number(body.size())
                      + "\r\nConnection: close\r\n\r\n" + body);
        socket->disconnectFromHost();
    }
};

/// Takes every request and never answers it, as a server that has hung does; counts the requests.
class SilentServer final : public HttpTestServer {
public:
    using HttpTestServer::HttpTestServer;
    int asked = 0;

protected:
    void answer(QTcpSocket *, const QByteArray &) override { ++asked; }
};

} // namespace

class TestWebEngineCopies : public QObject {
    Q_OBJECT
    LoopbackServer *m_server = nullptr;
    QWidget *m_window = nullptr;
    WebEngineBrowser *m_browser = nullptr;

    bool load(const QString &path, const QString &title)
    {
        m_browser->navigate(m_server->url(path).toString());
        return QTest::qWaitFor([&] { return m_browser->title() == title && !m_browser->isBusy(); }, 30000);
    }

    /// The requests for the page and what it holds (the engine asks for the site's icon in its own time).
    qsizetype pageRequests() const
    {
        return m_server->requested.size() - m_server->requested.count(QStringLiteral("/favicon.ico"));
    }

    /// Takes a copy of the page shown and waits for it.
    PageCopy takeCopy()
    {
        PageCopy taken;
        bool done = false;
        QMetaObject::Connection c = connect(m_browser, &WebBrowser::pageCopyTaken, this, [&](const PageCopy &copy) {
            taken = copy;
            done = true;
        });
        m_browser->takePageCopy();
        (void)QTest::qWaitFor([&] { return done; }, 30000);
        disconnect(c);
        if (!done)
            taken.problem = QStringLiteral("no copy came within 30 s");
        return taken;
    }

private slots:
    void initTestCase()
    {
        m_server = new LoopbackServer(this);
        QVERIFY(m_server->isListening());
        m_server->setPage(QStringLiteral("/red.png"), "image/png", redSquarePng());
        m_server->setPage(QStringLiteral("/style.css"), "text/css", "body { margin: 0; background: #fff; } h1 { color: #123456; }");
        m_server->setPage(QStringLiteral("/kept"), "text/html",
                          "<!doctype html><html><head><title>Riverside Dental</title>"
                          "<link rel=stylesheet href=/style.css></head><body>"
                          "<img src=/red.png style='position:absolute;left:0;top:0;width:200px;height:200px'>"
                          "<h1 style='margin-top:220px'>Opening hours</h1><p>Monday to Friday, 8 to 18.</p></body></html>");
        m_server->setPage(QStringLiteral("/changed"), "text/html",
                          "<!doctype html><html><head><title>Best Casino Bonus</title></head>"
                          "<body><p>Something else entirely.</p></body></html>");
    }

    void init()
    {
        m_window = new QWidget;
        m_window->resize(800, 600);
        m_browser = new WebEngineBrowser(m_window);
        m_browser->widget()->resize(800, 600);
        m_window->show();
    }

    void cleanup()
    {
        delete m_window;
        m_window = nullptr;
    }

    void copyOfTheShownPageLoadsAgainWithoutTheNetwork()
    {
        QVERIFY(load(QStringLiteral("/kept"), QStringLiteral("Riverside Dental")));
        QSignalSpy saved(m_browser, &WebBrowser::pageSaved);
        const qsizetype requestsBefore = pageRequests();

        const PageCopy copy = takeCopy();
        QVERIFY2(copy.ok, qPrintable(copy.problem));
        QCOMPARE(copy.address, m_server->url(QStringLiteral("/kept")).toString());
        QCOMPARE(copy.title, QStringLiteral("Riverside Dental"));
        QVERIFY(copy.mhtml.startsWith("From: "));
        QVERIFY(copy.mhtml.contains("multipart/related"));
        QVERIFY(copy.text.contains(QStringLiteral("Monday to Friday, 8 to 18.")));
        QImage thumbnail;
        QVERIFY(thumbnail.loadFromData(copy.thumbnailPng, "PNG"));
        QVERIFY(thumbnail.width() <= PageCopy::thumbnailWidth && thumbnail.width() > 0);
        // Never a second download, and the person's save notice is not told of it.
        QCOMPARE(pageRequests(), requestsBefore);
        QCOMPARE(saved.count(), 0);

        // The copy, kept and read back, loads as the page, images and styles inside, asking the server nothing.
        QTemporaryDir dir;
        CopyArchive archive;
        QVERIFY(archive.open(dir.filePath(QStringLiteral("copies")), dir.filePath(QStringLiteral("memory.sqlite"))));
        const KeepResult kept = archive.keep(copy.address, PageCondition::Good, {copy.mhtml, copy.text, copy.thumbnailPng});
        QVERIFY2(kept.isKept(), qPrintable(kept.message));
        const CopyReading reading = archive.readNewest(copy.address);
        QVERIFY(reading.ok);
        const QString file = dir.filePath(QStringLiteral("page.mhtml"));
        {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            QCOMPARE(out.write(reading.content.mhtml), reading.content.mhtml.size());
        }
        QWebEngineView shown;
        shown.resize(800, 600);
        shown.show();
        QSignalSpy loaded(&shown, &QWebEngineView::loadFinished);
        shown.load(QUrl::fromLocalFile(file));
        QTRY_COMPARE_WITH_TIMEOUT(loaded.count(), 1, 30000);
        QVERIFY(loaded.first().first().toBool());
        QTRY_COMPARE_WITH_TIMEOUT(shown.title(), QStringLiteral("Riverside Dental"), 10000);
        QString text;
        shown.page()->toPlainText([&](const QString &t) { text = t; });
        QTRY_VERIFY_WITH_TIMEOUT(text.contains(QStringLiteral("Opening hours")), 10000);
        // The image came from inside the copy.
        QTRY_VERIFY_WITH_TIMEOUT(shown.grab().toImage().pixelColor(100, 100) == QColor(Qt::red), 10000);
        QCOMPARE(pageRequests(), requestsBefore);
    }

    void aCopyIsShownAsADocument()
    {
        // A copy of a page that tries everything: a script that calls home, an image the copy lacks,
        // a link to a local file, a form that posts home, a refresh; and an image the copy holds.
        // The site's own addresses, each one the server would answer, had it been asked.
        const QByteArray home = m_server->url(QStringLiteral("/")).toString().toUtf8();
        const QByteArray html =
            "<!doctype html><html><head><title>Riverside Dental</title>"
            "<meta http-equiv=refresh content='3;url=" + home + "refreshed'></head><body style='margin:0'>"
            "<script>document.title = 'script ran'; new Image().src = '" + home + "script-ran'; fetch('" + home + "script-fetch');</script>"
            "<form action='" + home + "posted' method=post><input type=hidden name=a value=1>"
            "<input type=submit value=Send style='position:absolute;left:0;top:0;width:200px;height:60px'></form>"
            "<a href='file:///etc/passwd' style='position:absolute;left:0;top:100px;width:200px;height:60px;display:block'>passwd</a>"
            "<img src='" + home + "missing.png' style='position:absolute;left:0;top:200px;width:50px;height:50px'>"
            "<img src='" + home + "held.png' style='position:absolute;left:300px;top:0;width:100px;height:100px'>"
            "<p style='position:absolute;top:300px'>Monday to Friday, 8 to 18.</p></body></html>";
        const QByteArray mhtml = "From: <Saved by Blink>\r\nSubject: Riverside Dental\r\nMIME-Version: 1.0\r\n"
                                 "Content-Type: multipart/related; type=\"text/html\"; boundary=\"----b\"\r\n\r\n"
                                 "------b\r\nContent-Type: text/html\r\nContent-Transfer-Encoding: binary\r\nContent-Location: "
            + home + "page\r\n\r\n" + html + "\r\n------b\r\nContent-Type: image/png\r\nContent-Transfer-Encoding: base64\r\n"
                     "Content-Location: " + home + "held.png\r\n\r\n" + redSquarePng().toBase64() + "\r\n------b--\r\n";
        const qsizetype requestsBefore = m_server->requested.size();

        QSignalSpy shown(m_browser, &WebBrowser::savedCopyShown);
        m_browser->showSavedCopy(mhtml);
        QTRY_COMPARE_WITH_TIMEOUT(shown.count(), 1, 30000);
        QVERIFY(shown.first().first().toBool());
        QVERIFY(m_browser->isShowingSavedCopy());
        QWebEngineView *copyView = m_browser->savedCopyView();
        QVERIFY(copyView && copyView->isVisible());
        QCOMPARE(copyView->geometry(), m_browser->widget()->rect());
        QTRY_COMPARE_WITH_TIMEOUT(copyView->title(), QStringLiteral("Riverside Dental"), 10000);
        QString text;
        copyView->page()->toPlainText([&](const QString &t) { text = t; });
        QTRY_VERIFY_WITH_TIMEOUT(text.contains(QStringLiteral("Monday to Friday, 8 to 18.")), 10000);
        // The image the copy holds is painted from inside it.
        QTRY_VERIFY_WITH_TIMEOUT(copyView->grab().toImage().pixelColor(350, 50) == QColor(Qt::red), 10000);

        // The person clicks the form's button and the file link: nothing goes anywhere.
        QWidget *input = copyView->focusProxy();
        QVERIFY(input);
        QTest::mouseClick(input, Qt::LeftButton, {}, QPoint(100, 30));
        QTest::mouseClick(input, Qt::LeftButton, {}, QPoint(100, 130));
        // The live page loads next; by the time the server has its request, what the copy would have
        // sent before it has come too.
        QVERIFY(load(QStringLiteral("/changed"), QStringLiteral("Best Casino Bonus")));
        QStringList after = m_server->requested.mid(requestsBefore);
        after.removeAll(QStringLiteral("/favicon.ico"));
        QCOMPARE(after, QStringList{QStringLiteral("/changed")});
        QCOMPARE(copyView->title(), QStringLiteral("Riverside Dental"));
        QVERIFY(copyView->url().isLocalFile());
        QVERIFY(copyView->url().toLocalFile() != QStringLiteral("/etc/passwd"));
        // The copy's file is private to the person.
        QCOMPARE(QFile::permissions(copyView->url().toLocalFile()) & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
                 QFileDevice::Permissions{});

        m_browser->showLivePage();
        QVERIFY(!m_browser->isShowingSavedCopy());
        QVERIFY(copyView->isHidden());

        // The same page as a live page does ask the server for what it holds: what the copy was
        // kept from sending is seen here.
        m_server->setPage(QStringLiteral("/tries-everything"), "text/html", html);
        m_browser->navigate(m_server->url(QStringLiteral("/tries-everything")).toString());
        QVERIFY(QTest::qWaitFor([&] {
            return m_server->requested.contains(QStringLiteral("/missing.png")) && m_server->requested.contains(QStringLiteral("/script-ran"));
        }, 30000));
    }

    void theEndOfALoadIsTold()
    {
        // What the list browser judges a page by: the status of an answer, or that none came.
        QVERIFY(load(QStringLiteral("/kept"), QStringLiteral("Riverside Dental")));
        QVERIFY(m_browser->httpStatus() < 400);
        QVERIFY(!m_browser->loadFailed());
        GoneServer gone;
        QVERIFY(gone.isListening());
        m_browser->navigate(gone.url(QStringLiteral("/teapots")).toString());
        QVERIFY(QTest::qWaitFor([&] { return m_browser->httpStatus() == 404 && !m_browser->isBusy(); }, 30000));
        QVERIFY(!m_browser->loadFailed());
        const QUrl closed = gone.url(QStringLiteral("/teapots"));
        gone.close();
        m_browser->navigate(closed.toString());
        QVERIFY(QTest::qWaitFor([&] { return m_browser->loadFailed() && !m_browser->isBusy(); }, 30000));
        QCOMPARE(m_browser->httpStatus(), 0);
        // A refused connection: the site cannot be reached.
        QCOMPARE(m_browser->loadFailure(), WebBrowser::LoadFailure::Unreachable);
        QVERIFY(load(QStringLiteral("/kept"), QStringLiteral("Riverside Dental")));
        QCOMPARE(m_browser->loadFailure(), WebBrowser::LoadFailure::None);
        // No such name (a reserved top-level domain no resolver answers for).
        m_browser->navigate(QStringLiteral("http://quokka-test-host.invalid/teapots"));
        QVERIFY(QTest::qWaitFor([&] { return m_browser->loadFailed() && !m_browser->isBusy(); }, 60000));
        QCOMPARE(m_browser->loadFailure(), WebBrowser::LoadFailure::Unreachable);
    }

    void aServerThatNeverAnswersIsGivenUp()
    {
        SilentServer silent;
        QVERIFY(silent.isListening());
        m_browser->setLoadTimeout(1500);
        QSignalSpy busy(m_browser, &WebBrowser::busyChanged);
        m_browser->navigate(silent.url(QStringLiteral("/teapots")).toString());
        // The engine would wait minutes; the load ends once the time-out has lapsed.
        QVERIFY(QTest::qWaitFor([&] { return silent.asked > 0; }, 30000));
        QVERIFY(QTest::qWaitFor([&] { return busy.count() >= 2 && !m_browser->isBusy(); }, 60000));
        QVERIFY(m_browser->loadFailed());
        QCOMPARE(m_browser->httpStatus(), 0);
        QCOMPARE(m_browser->loadFailure(), WebBrowser::LoadFailure::TimedOut);
        // The next page loads as ever, and is no failure.
        QVERIFY(load(QStringLiteral("/kept"), QStringLiteral("Riverside Dental")));
        QCOMPARE(m_browser->loadFailure(), WebBrowser::LoadFailure::None);
    }

    void aKeptCopyIsShownWithItsImages()
    {
        QVERIFY(load(QStringLiteral("/kept"), QStringLiteral("Riverside Dental")));
        const PageCopy copy = takeCopy();
        QVERIFY2(copy.ok, qPrintable(copy.problem));
        QVERIFY(load(QStringLiteral("/changed"), QStringLiteral("Best Casino Bonus")));
        const qsizetype requestsBefore = pageRequests();
        QSignalSpy shown(m_browser, &WebBrowser::savedCopyShown);
        m_browser->showSavedCopy(copy.mhtml);
        QTRY_COMPARE_WITH_TIMEOUT(shown.count(), 1, 30000);
        QVERIFY(shown.first().first().toBool());
        QWebEngineView *copyView = m_browser->savedCopyView();
        QTRY_COMPARE_WITH_TIMEOUT(copyView->title(), QStringLiteral("Riverside Dental"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(copyView->grab().toImage().pixelColor(100, 100) == QColor(Qt::red), 10000);
        QCOMPARE(pageRequests(), requestsBefore);
    }

    void aCopyThatCannotBeShownIsTold()
    {
        const qsizetype requestsBefore = m_server->requested.size();
        QSignalSpy shown(m_browser, &WebBrowser::savedCopyShown);
        m_browser->showSavedCopy("not an archive at all");
        QTRY_COMPARE_WITH_TIMEOUT(shown.count(), 1, 30000);
        // Whatever the engine makes of it, nothing crashes and no request leaves.
        QCOMPARE(m_server->requested.size(), requestsBefore);
    }

    void samePageCopiedTwiceHasOneContentName()
    {
        QVERIFY(load(QStringLiteral("/kept"), QStringLiteral("Riverside Dental")));
        const PageCopy first = takeCopy();
        QVERIFY2(first.ok, qPrintable(first.problem));
        // Saved again a second later: a new date, boundary and frame names.
        QTest::qWait(1100);
        const PageCopy second = takeCopy();
        QVERIFY2(second.ok, qPrintable(second.problem));
        QVERIFY(first.mhtml != second.mhtml);
        QCOMPARE(CopyArchive::contentHash(second.mhtml), CopyArchive::contentHash(first.mhtml));

        QVERIFY(load(QStringLiteral("/changed"), QStringLiteral("Best Casino Bonus")));
        const PageCopy changed = takeCopy();
        QVERIFY2(changed.ok, qPrintable(changed.problem));
        QVERIFY(CopyArchive::contentHash(changed.mhtml) != CopyArchive::contentHash(first.mhtml));
    }

    void eachCopysPictureIsOfItsOwnPage()
    {
        // Pages taken as soon as they have loaded, as the windows take them: each picture is of its
        // own page, the first one too, never of the page shown before it.
        const QList<std::pair<QByteArray, QColor>> pages{{"Red page", QColor(Qt::red)}, {"Blue page", QColor(Qt::blue)},
                                                         {"Green page", QColor(0, 128, 0)}, {"Red again", QColor(Qt::red)}};
        for (const auto &[title, colour] : pages) {
            const QString path = QLatin1Char('/') + QString::fromLatin1(title).replace(QLatin1Char(' '), QLatin1Char('-'));
            // A page of large photographs on its colour, as galleries are: the engine decodes and
            // paints them some frames after the load has ended.
            QByteArray pictures;
            for (int i = 0; i < 4; ++i) {
                QImage photo(1600, 1067, QImage::Format_RGB32);
                photo.fill(QColor::fromHsv(i * 60, 120, 200));
                QByteArray jpeg;
                QBuffer buffer(&jpeg);
                buffer.open(QIODevice::WriteOnly);
                photo.save(&buffer, "JPEG", 90);
                const QByteArray name = path.toLatin1() + "-" + QByteArray::number(i) + ".jpg";
                m_server->setPage(QString::fromLatin1(name), "image/jpeg", jpeg);
                pictures += "<img src='" + name + "' width=800 height=533>";
            }
            m_server->setPage(path, "text/html",
                              "<!doctype html><html><head><title>" + title + "</title></head><body style='margin:0;padding:40px 0;background:"
                                  + colour.name().toLatin1() + "'>" + pictures + "</body></html>");
            PageCopy copy;
            bool done = false;
            const QMetaObject::Connection loaded = connect(m_browser, &WebBrowser::busyChanged, this, [&](bool busy) {
                if (!busy)
                    m_browser->takePageCopy();
            });
            const QMetaObject::Connection taken = connect(m_browser, &WebBrowser::pageCopyTaken, this, [&](const PageCopy &c) {
                copy = c;
                done = true;
            });
            m_browser->navigate(m_server->url(path).toString());
            const bool came = QTest::qWaitFor([&] { return done; }, 30000);
            disconnect(loaded);
            disconnect(taken);
            QVERIFY(came);
            QVERIFY2(copy.ok, qPrintable(copy.problem));
            QCOMPARE(copy.title, QString::fromLatin1(title));
            QVERIFY2(middleIs(copy.thumbnailPng, colour), title.constData());
        }
    }

    void aCopyViewShownAgainNeverShowsTheCopyBefore()
    {
        const QByteArray home = m_server->url(QStringLiteral("/")).toString().toUtf8();
        QSignalSpy shown(m_browser, &WebBrowser::savedCopyShown);
        m_browser->showSavedCopy(mhtmlOf(colouredPage("First entry", "red"), home + "first"));
        QVERIFY(shown.wait(30000));
        QVERIFY(shown.last().first().toBool());
        QWebEngineView *copyView = m_browser->savedCopyView();
        QTRY_COMPARE_WITH_TIMEOUT(copyView->title(), QStringLiteral("First entry"), 10000);

        // Whenever the copy view comes on screen, it holds the copy asked for, both after the live
        // page and straight after another copy.
        QStringList titlesWhenShown;
        struct ShowWatch : QObject {
            QWebEngineView *view;
            QStringList *titles;
            bool eventFilter(QObject *, QEvent *event) override
            {
                if (event->type() == QEvent::Show)
                    titles->append(view->title());
                return false;
            }
        } watch;
        watch.view = copyView;
        watch.titles = &titlesWhenShown;
        copyView->installEventFilter(&watch);

        m_browser->showLivePage();
        m_browser->showSavedCopy(mhtmlOf(colouredPage("Second entry", "blue"), home + "second"));
        QVERIFY(!m_browser->isShowingSavedCopy());
        QVERIFY(shown.wait(30000));
        QVERIFY(shown.last().first().toBool());
        QVERIFY(m_browser->isShowingSavedCopy());
        m_browser->showSavedCopy(mhtmlOf(colouredPage("Third entry", "green"), home + "third"));
        QVERIFY2(!m_browser->isShowingSavedCopy(), "the second entry's copy stays on screen while the third loads");
        QVERIFY(shown.wait(30000));
        QVERIFY(shown.last().first().toBool());
        QCOMPARE(titlesWhenShown, (QStringList{QStringLiteral("Second entry"), QStringLiteral("Third entry")}));
        copyView->removeEventFilter(&watch);
    }

    void findSearchesThePageShown()
    {
        m_server->setPage(QStringLiteral("/live-words"), "text/html", colouredPage("Live page", "white", "kangaroo"));
        QVERIFY(load(QStringLiteral("/live-words"), QStringLiteral("Live page")));
        QSignalSpy found(m_browser, &WebBrowser::findFinished);
        m_browser->findText(QStringLiteral("kangaroo"), false);
        QVERIFY(found.wait(10000));
        QCOMPARE(found.last().at(1).toInt(), 1);

        QSignalSpy shown(m_browser, &WebBrowser::savedCopyShown);
        m_browser->showSavedCopy(mhtmlOf(colouredPage("Kept page", "white", "kangaroo, kangaroo and kangaroo"),
                                         m_server->url(QStringLiteral("/live-words")).toString().toUtf8()));
        QVERIFY(shown.wait(30000));
        QVERIFY(shown.last().first().toBool());
        m_browser->findText(QStringLiteral("kangaroo"), false);
        QVERIFY(found.wait(10000));
        QCOMPARE(found.last().at(1).toInt(), 3);

        m_browser->showLivePage();
        m_browser->findText(QStringLiteral("kangaroo"), false);
        QVERIFY(found.wait(10000));
        QCOMPARE(found.last().at(1).toInt(), 1);
    }

    void noCopyOfAPageThatIsNotThere()
    {
        const PageCopy none = takeCopy();
        QVERIFY(!none.ok);
        QCOMPARE(none.problem, QStringLiteral("No page is shown."));
        QVERIFY(none.mhtml.isEmpty());
    }
};

int main(int argc, char **argv)
{
    return runWebEngineTest<TestWebEngineCopies>(argc, argv);
}
#include "tst_webengine_copies.moc"
