// The browser window over the real web engine, against a loopback HTTP server.
#include "app/mainwindow.h"
#include "app/windows.h"
#include "browser/browserwindow.h"
#include "browser/listbrowser.h"
#include "browser/pagetools.h"
#include "fakes/loopbackserver.h"
#include "fakes/webenginetest.h"
#include "platform/mediaplayer.h"
#include "platform/qtplatform.h"
#include "platform/webenginebrowser.h"
#include "ui/windowframe.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtTest>

#include <csignal>
#include <sys/types.h>

class TestWebEngineBrowserWindow : public QObject {
    Q_OBJECT
private:
    LoopbackServer *m_server = nullptr;
    std::unique_ptr<QtPlatform> m_platform;
    std::unique_ptr<Windows> m_windows;
    BrowserWindow *m_window = nullptr;

    WebEngineBrowser *engine(BrowserWindow *w) { return qobject_cast<WebEngineBrowser *>(w->m_view); }

    void typeAddress(BrowserWindow *w, const QString &address)
    {
        // As a person does: Ctrl+L, type, Return, each key to whatever has the focus.
        w->activateWindow();
        QTest::qWaitForWindowActive(w);
        QTest::keyClick(w, Qt::Key_L, Qt::ControlModifier);
        QVERIFY(QTest::qWaitFor([w] { return QApplication::focusWidget() == w->m_addressBox; }, 5000));
        QTest::keyClicks(QApplication::focusWidget(), address);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }

    bool loadAndSettle(BrowserWindow *w, const QString &path, const QString &title)
    {
        typeAddress(w, m_server->url(path).toString());
        if (!QTest::qWaitFor([&] { return w->windowTitle() == title && !w->m_view->isBusy(); }, 15000))
            return false;
        QTest::qWait(300); // let the page be laid out and painted before it is clicked
        return true;
    }

private slots:
    void initTestCase()
    {
        m_server = new LoopbackServer(this);
        QVERIFY(m_server->isListening());
        QVERIFY(testHomeFolder()->isValid());
    }

    void init()
    {
        m_platform = std::make_unique<QtPlatform>();
        m_windows = std::make_unique<Windows>(*m_platform);
        m_window = m_windows->browserWindow();
        m_window->setWindowState(Qt::WindowNoState);
        m_window->resize(1024, 740);
        WindowFrame::show(m_window);
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
    }
    void cleanup()
    {
        m_windows.reset();
        m_platform.reset();
    }

    void addressBoxNavigatesAndCaptionFollowsTheTitle()
    {
        QVERIFY(engine(m_window));
        typeAddress(m_window, QStringLiteral("127.0.0.1:%1/typed").arg(m_server->serverPort()));
        QTRY_COMPARE_WITH_TIMEOUT(m_window->windowTitle(), QStringLiteral("typed"), 15000);
        QCOMPARE(m_window->m_view->url(), m_server->url("/typed").toString());
        QCOMPARE(m_window->m_addressBox->count(), 1);
        QTRY_COMPARE(m_window->statusPanel(3)->text(), QStringLiteral("Ready!"));
        // Back and home through the toolbar, on the real engine.
        typeAddress(m_window, m_server->url("/second").toString());
        QTRY_COMPARE_WITH_TIMEOUT(m_window->windowTitle(), QStringLiteral("second"), 15000);
        m_window->navigationButtonClicked(QStringLiteral("back"));
        QTRY_COMPARE_WITH_TIMEOUT(m_window->windowTitle(), QStringLiteral("typed"), 15000);
        m_window->navigationButtonClicked(QStringLiteral("home"));
        QTRY_COMPARE_WITH_TIMEOUT(m_window->m_view->url(), WebEngineBrowser::homePage().toString(), 15000);
        QTRY_COMPARE_WITH_TIMEOUT(m_window->windowTitle(), QStringLiteral("Quokka start"), 15000);
    }

    void busyWhileASlowPageLoads()
    {
        m_server->slowMilliseconds = 2500;
        typeAddress(m_window, m_server->url("/slow-page").toString());
        QTRY_COMPARE_WITH_TIMEOUT(m_window->statusPanel(3)->text(), QStringLiteral("Browser is working..."), 5000);
        QVERIFY(m_window->m_busyAnimation->isPlaying());
        // Until the page answers, the caption names the page being loaded, not the one before.
        QTRY_VERIFY2_WITH_TIMEOUT(m_window->windowTitle().contains(QLatin1String("/slow-page")),
                                  qPrintable(m_window->windowTitle()), 1500);
        QTRY_COMPARE_WITH_TIMEOUT(m_window->statusPanel(3)->text(), QStringLiteral("Ready!"), 15000);
        QVERIFY(!m_window->m_busyAnimation->isPlaying());
        QCOMPARE(m_window->windowTitle(), QStringLiteral("slow-page"));
        m_server->slowMilliseconds = 1500;
    }

    void targetBlankLinkClickedOpensANewWindow()
    {
        m_server->setPage("/links", "text/html",
                          "<html><head><title>links</title></head><body style='margin:0'>"
                          "<a target='_blank' href='/popped' style='display:block;width:400px;height:300px;"
                          "background:#cde'>open in a new window</a></body></html>");
        QVERIFY(loadAndSettle(m_window, QStringLiteral("/links"), QStringLiteral("links")));
        QWidget *surface = engine(m_window)->view()->focusProxy();
        QVERIFY(surface);
        QTest::mouseClick(surface, Qt::LeftButton, {}, QPoint(100, 100));
        QTRY_COMPARE_WITH_TIMEOUT(m_windows->browserWindows().size(), 2, 10000);
        BrowserWindow *opened = m_windows->browserWindows().at(1);
        QVERIFY(opened->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(opened->windowTitle(), QStringLiteral("popped"), 15000);
        QCOMPARE(m_window->windowTitle(), QStringLiteral("links")); // the opener keeps its page
    }

    void targetBlankLinkInTheListBrowserOpensABrowserWindow()
    {
        m_server->setPage("/listlinks", "text/html",
                          "<html><head><title>listlinks</title></head><body style='margin:0'>"
                          "<a target='_blank' href='/popped' style='display:block;width:400px;height:300px;"
                          "background:#cde'>open in a new window</a></body></html>");
        m_windows->mainWindow()->show();
        ListBrowser *list = m_windows->listBrowser();
        auto *view = qobject_cast<WebEngineBrowser *>(list->m_view);
        QVERIFY(view);
        const int before = int(m_windows->browserWindows().size());
        list->m_view->navigate(m_server->url(QStringLiteral("/listlinks")).toString());
        QVERIFY(QTest::qWaitFor([&] { return view->title() == QLatin1String("listlinks") && !view->isBusy(); }, 15000));
        QTest::qWait(300);
        QTest::mouseClick(view->view()->focusProxy(), Qt::LeftButton, {}, QPoint(100, 100));
        QTRY_COMPARE_WITH_TIMEOUT(int(m_windows->browserWindows().size()), before + 1, 10000);
        BrowserWindow *opened = m_windows->browserWindows().last();
        QVERIFY(opened->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(opened->windowTitle(), QStringLiteral("popped"), 15000);
    }

    void windowOpenWithoutAClickOpensNothing()
    {
        m_server->setPage("/popup", "text/html",
                          "<html><head><title>popup</title></head><body><script>"
                          "var w = window.open('/unwanted'); document.title = w ? 'opened' : 'popup';"
                          "</script></body></html>");
        typeAddress(m_window, m_server->url("/popup").toString());
        QTRY_COMPARE_WITH_TIMEOUT(m_window->windowTitle(), QStringLiteral("popup"), 15000);
        QTest::qWait(1000);
        QCOMPARE(m_windows->browserWindows().size(), 1);
        QVERIFY(!m_server->requested.contains(QStringLiteral("/unwanted")));
        QCOMPARE(m_window->windowTitle(), QStringLiteral("popup"));
    }

    void downloadLandsInTheDownloadFolder()
    {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
        QVERIFY2(folder.startsWith(testHomeFolder()->path()), qPrintable(folder));
        const QString saved = QDir(folder).filePath(QStringLiteral("quokka-list.txt"));
        QFile::remove(saved);
        m_server->setPage("/download", "text/plain", "http://one/\r\nhttp://two/\r\n",
                          "Content-Disposition: attachment; filename=\"quokka-list.txt\"\r\n");
        QSignalSpy finished(m_window->m_view, &WebBrowser::downloadFinished);
        typeAddress(m_window, m_server->url("/download").toString());
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 15000);
        QCOMPARE(finished[0][0].toString(), saved);
        QVERIFY(finished[0][1].toBool());
        QFile file(saved);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("http://one/\r\nhttp://two/\r\n"));
        // The user is told where it went, with Open and Show in Folder, and the window is idle again.
        FileNotice *notice = m_window->m_pageTools->m_notice;
        QVERIFY(notice->isVisible());
        QVERIFY2(notice->m_text->text().contains(saved), qPrintable(notice->m_text->text()));
        QVERIFY(notice->m_openButton->isVisible() && notice->m_folderButton->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(m_window->statusPanel(3)->text(), QStringLiteral("Ready!"), 5000);
        // Nothing landed anywhere else in the home folder.
        QDirIterator it(testHomeFolder()->path(), QDir::Files, QDirIterator::Subdirectories);
        QStringList files;
        while (it.hasNext())
            files.append(it.next());
        QCOMPARE(files.filter(QStringLiteral("quokka-list")), QStringList{saved});
    }

    void javascriptAddressIsRefused()
    {
        typeAddress(m_window, m_server->url("/victim").toString());
        QTRY_COMPARE_WITH_TIMEOUT(m_window->windowTitle(), QStringLiteral("victim"), 15000);
        typeAddress(m_window, QStringLiteral("javascript:document.title='owned'"));
        QTest::qWait(500);
        QCOMPARE(m_window->windowTitle(), QStringLiteral("victim"));
        QCOMPARE(m_window->m_view->url(), m_server->url("/victim").toString());
        QLabel *notice = noticeOf(m_window->m_view);
        QVERIFY(notice && notice->isVisible());
        QVERIFY(notice->text().contains(QLatin1String("javascript:")));
    }

    void crashedPageSaysSoAndRefreshBringsItBack()
    {
        typeAddress(m_window, m_server->url("/survivor").toString());
        QTRY_COMPARE_WITH_TIMEOUT(m_window->windowTitle(), QStringLiteral("survivor"), 15000);
        QWebEnginePage *page = engine(m_window)->view()->page();
        QTRY_VERIFY_WITH_TIMEOUT(page->renderProcessPid() > 0, 5000);
        QSignalSpy crashed(m_window->m_view, &WebBrowser::renderProcessCrashed);
        QCOMPARE(::kill(pid_t(page->renderProcessPid()), SIGKILL), 0);
        QTRY_COMPARE_WITH_TIMEOUT(crashed.count(), 1, 10000);
        QLabel *notice = noticeOf(m_window->m_view);
        QVERIFY(notice && notice->isVisible());
        QVERIFY(notice->text().contains(QLatin1String("Refresh")));
        QTRY_COMPARE(m_window->statusPanel(3)->text(), QStringLiteral("Ready!"));
        m_window->navigationButtonClicked(QStringLiteral("refresh"));
        QTRY_VERIFY_WITH_TIMEOUT(page->renderProcessPid() > 0, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!notice->isVisible(), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(m_window->windowTitle(), QStringLiteral("survivor"), 15000);
        QTRY_COMPARE_WITH_TIMEOUT(m_window->statusPanel(3)->text(), QStringLiteral("Ready!"), 10000);
    }

    void showsTheStartPage()
    {
        // Also the picture of the window for the documentation: QUOKKA_SCREENSHOT names the file.
        m_window->setWindowState(Qt::WindowMaximized);
        m_window->navigationButtonClicked(QStringLiteral("home"));
        QTRY_COMPARE_WITH_TIMEOUT(m_window->windowTitle(), QStringLiteral("Quokka start"), 15000);
        QTRY_COMPARE_WITH_TIMEOUT(m_window->statusPanel(3)->text(), QStringLiteral("Ready!"), 5000);
        m_window->m_addressBox->setEditText(m_window->m_view->url());
        // The page is drawn: the view's area is not one flat colour. The engine paints a moment after the
        // load ends (longer on a busy machine): the picture is taken again until it shows the page.
        QImage shot;
        const auto colours = [this, &shot] {
            shot = m_window->grab().toImage();
            const QRect page = m_window->m_view->widget()->geometry().translated(m_window->centralWidget()->pos());
            QSet<QRgb> seen;
            for (int y = page.top() + 20; y < qMin(page.bottom(), shot.height()) - 20; y += 17)
                for (int x = page.left() + 20; x < qMin(page.right(), shot.width()) - 20; x += 23)
                    seen.insert(shot.pixel(x, y));
            return seen.size();
        };
        QTRY_VERIFY_WITH_TIMEOUT(colours() > 3, 15000);
        if (const QByteArray path = qgetenv("QUOKKA_SCREENSHOT"); !path.isEmpty())
            QVERIFY(shot.save(QString::fromLocal8Bit(path)));
    }
};

int main(int argc, char **argv)
{
    return runWebEngineTest<TestWebEngineBrowserWindow>(argc, argv);
}

#include "tst_webengine_browserwindow.moc"
