// The real web browser control against Qt WebEngine and a loopback HTTP server.
#include "fakes/loopbackserver.h"
#include "platform/webenginebrowser.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtTest>

class TestBrowserControl : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_home;
    LoopbackServer *m_server = nullptr;
    QWidget *m_window = nullptr;
    WebEngineBrowser *m_browser = nullptr;

    QVariant evaluate(const QString &script)
    {
        QVariant result;
        bool done = false;
        m_browser->view()->page()->runJavaScript(script, [&](const QVariant &v) {
            result = v;
            done = true;
        });
        if (!QTest::qWaitFor([&] { return done; }, 5000))
            return QStringLiteral("<no answer>");
        return result;
    }

private slots:
    void initTestCase()
    {
        qputenv("XDG_DATA_HOME", m_home.filePath("data").toUtf8());
        qputenv("XDG_CACHE_HOME", m_home.filePath("cache").toUtf8());
        m_server = new LoopbackServer(this);
        QVERIFY(m_server->isListening());
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
    }

    void freshBrowserIsEmpty()
    {
        QVERIFY(!m_browser->isBusy());
        QCOMPARE(m_browser->title(), QString());
        QCOMPARE(m_browser->url(), QString());
        QVERIFY(!m_browser->goBack());
        QVERIFY(!m_browser->goForward());
    }

    void navigateTitleAddressBackForward()
    {
        QSignalSpy finished(m_browser->view(), &QWebEngineView::loadFinished);
        QVERIFY(m_browser->navigate(m_server->url("/first").toString()));
        QTRY_COMPARE_WITH_TIMEOUT(m_browser->title(), QStringLiteral("first"), 15000);
        QTRY_VERIFY(!m_browser->isBusy());
        QCOMPARE(m_browser->url(), m_server->url("/first").toString());

        QVERIFY(m_browser->navigate(m_server->url("/second").toString()));
        QTRY_COMPARE_WITH_TIMEOUT(m_browser->title(), QStringLiteral("second"), 10000);
        QVERIFY(m_browser->goBack());
        QTRY_COMPARE_WITH_TIMEOUT(m_browser->title(), QStringLiteral("first"), 10000);
        QVERIFY(m_browser->goForward());
        QTRY_COMPARE_WITH_TIMEOUT(m_browser->title(), QStringLiteral("second"), 10000);
        QVERIFY(!m_browser->goForward());
    }

    void typedAddressIsReadAsAnAddressBarDoes()
    {
        QCOMPARE(WebEngineBrowser::addressFromUserInput(QStringLiteral("example.com")),
                 QUrl(QStringLiteral("http://example.com")));
        QCOMPARE(WebEngineBrowser::addressFromUserInput(QStringLiteral("   ")), QUrl());
        const QString hostAndPort = QStringLiteral("127.0.0.1:%1/typed").arg(m_server->serverPort());
        QVERIFY(m_browser->navigate(hostAndPort));
        QTRY_COMPARE_WITH_TIMEOUT(m_browser->title(), QStringLiteral("typed"), 15000);
    }

    void busyWhileSlowPageLoadsAndStop()
    {
        QVERIFY(m_browser->navigate(m_server->url("/slow-page").toString()));
        QTRY_VERIFY_WITH_TIMEOUT(m_browser->isBusy(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!m_browser->isBusy(), 10000);
        QCOMPARE(m_browser->title(), QStringLiteral("slow-page"));

        m_server->slowMilliseconds = 8000;
        QVERIFY(m_browser->navigate(m_server->url("/slow-stopped").toString()));
        QTRY_VERIFY_WITH_TIMEOUT(m_browser->isBusy(), 5000);
        m_browser->stop();
        QTRY_VERIFY_WITH_TIMEOUT(!m_browser->isBusy(), 3000);
        m_server->slowMilliseconds = 1500;
    }

    void announcesLoadTitleAndAddressChangesOnce()
    {
        // Windows follow these signals instead of asking: each must say what the getter then says, once per change.
        QSignalSpy busy(m_browser, &WebBrowser::busyChanged);
        QSignalSpy titles(m_browser, &WebBrowser::titleChanged);
        QSignalSpy urls(m_browser, &WebBrowser::urlChanged);
        QList<bool> busyMatchesGetter;
        connect(m_browser, &WebBrowser::busyChanged, this, [&](bool b) { busyMatchesGetter << (b == m_browser->isBusy()); });
        connect(m_browser, &WebBrowser::titleChanged, this, [&](const QString &t) { QCOMPARE(t, m_browser->title()); });
        connect(m_browser, &WebBrowser::urlChanged, this, [&](const QString &u) { QCOMPARE(u, m_browser->url()); });

        QVERIFY(m_browser->navigate(m_server->url("/announced").toString()));
        QTRY_COMPARE_WITH_TIMEOUT(busy.count(), 2, 15000);
        QCOMPARE(busy.at(0).at(0).toBool(), true);
        QCOMPARE(busy.at(1).at(0).toBool(), false);
        QCOMPARE(titles.last().at(0).toString(), QStringLiteral("announced"));
        QCOMPARE(urls.count(), 1);
        QCOMPARE(urls.last().at(0).toString(), m_server->url("/announced").toString());
        for (int i = 1; i < titles.count(); ++i)
            QVERIFY(titles.at(i).at(0) != titles.at(i - 1).at(0));

        // A stopped load announces its end as well.
        m_server->slowMilliseconds = 8000;
        QVERIFY(m_browser->navigate(m_server->url("/slow-announced").toString()));
        QTRY_COMPARE_WITH_TIMEOUT(busy.count(), 3, 5000);
        QVERIFY(busy.last().at(0).toBool());
        m_browser->stop();
        QTRY_COMPARE_WITH_TIMEOUT(busy.count(), 4, 3000);
        QVERIFY(!busy.last().at(0).toBool());
        m_server->slowMilliseconds = 1500;
        QCOMPARE(busyMatchesGetter, (QList<bool>{true, true, true, true}));
        QTest::qWait(300);
        QCOMPARE(busy.count(), 4);
    }

    void emptyAddressNavigatesNowhere()
    {
        QSignalSpy started(m_browser->view(), &QWebEngineView::loadStarted);
        QVERIFY(m_browser->navigate(QString()));
        QTest::qWait(200);
        QCOMPARE(started.count(), 0);
        QVERIFY(m_browser->url().isEmpty());
    }

    void javascriptAddressIsRefusedAndRunsNothing()
    {
        QVERIFY(m_browser->navigate(m_server->url("/victim").toString()));
        QTRY_COMPARE_WITH_TIMEOUT(m_browser->title(), QStringLiteral("victim"), 15000);
        QSignalSpy refused(m_browser, &WebBrowser::navigationRefused);
        for (const QString &address : {QStringLiteral("javascript:document.title='owned'"),
                                       QStringLiteral("  JavaScript:document.title='owned'"),
                                       QStringLiteral("\tjava\nscript:document.title='owned'"),
                                       // An inline page is refused as a script is: it can pose as any site.
                                       QStringLiteral("data:text/html,<title>owned</title>"),
                                       QStringLiteral(" DATA:text/html;base64,PHRpdGxlPm93bmVkPC90aXRsZT4="),
                                       QStringLiteral("da\tta:text/html,<title>owned</title>"),
                                       QStringLiteral("place:sort=8")}) {
            QVERIFY2(!m_browser->navigate(address), qPrintable(address));
        }
        QCOMPARE(refused.count(), 7);
        QVERIFY2(refused.at(3).at(1).toString().contains(QLatin1String("data:")), qPrintable(refused.at(3).at(1).toString()));
        // An entry that is markup is quoted as text in the notice, which still says why it was refused.
        const QString markup = QStringLiteral("javascript:<h1 style='color:green'>Your list was saved.</h1><!--");
        QVERIFY(!m_browser->navigate(markup));
        QLabel *notice = nullptr;
        for (QLabel *label : m_browser->widget()->parentWidget()->findChildren<QLabel *>())
            if (label->accessibleName() == QLatin1String("Browser notice"))
                notice = label;
        QVERIFY(notice && notice->isVisible());
        QCOMPARE(notice->textFormat(), Qt::PlainText);
        QVERIFY(notice->text().contains(markup));
        QVERIFY(notice->text().contains(QLatin1String("would run a script")));
        QTest::qWait(300);
        QCOMPARE(evaluate(QStringLiteral("document.title")).toString(), QStringLiteral("victim"));
    }

    void localPagesCannotReadOtherFiles()
    {
        QTemporaryDir dir;
        QFile secret(dir.filePath("secret.txt"));
        QVERIFY(secret.open(QIODevice::WriteOnly));
        secret.write("top secret");
        secret.close();
        QFile page(dir.filePath("page.html"));
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.write("<html><head><title>local</title><script>"
                   "fetch('secret.txt').then(r=>r.text()).then(t=>{document.title='read:'+t})"
                   ".catch(()=>{document.title='blocked'});"
                   "</script></head></html>");
        page.close();
        QVERIFY(m_browser->navigate(QUrl::fromLocalFile(page.fileName()).toString()));
        QTRY_COMPARE_WITH_TIMEOUT(m_browser->title(), QStringLiteral("blocked"), 15000);
    }

    void permissionRequestsAreDeniedAtOnce()
    {
        m_server->setPage("/ask", "text/html",
                          "<html><head><title>asking</title></head><body><script>"
                          "navigator.geolocation.getCurrentPosition(()=>{document.title='granted'},"
                          "()=>{document.title='denied'});</script></body></html>");
        QVERIFY(m_browser->navigate(m_server->url("/ask").toString()));
        QTRY_COMPARE_WITH_TIMEOUT(m_browser->title(), QStringLiteral("denied"), 15000);
    }

    void homeIsTheShippedStartPage()
    {
        m_browser->goHome();
        QTRY_VERIFY_WITH_TIMEOUT(m_browser->url().endsWith(QLatin1String("start.html")), 10000);
    }
};

QTEST_MAIN(TestBrowserControl)
#include "tst_browsercontrol.moc"
