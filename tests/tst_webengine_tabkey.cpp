// Tab through a page of the real web engine: at the page's last link, Tab goes on to the window's
// next control, in the list browser (inside the main window) as in the browser window.
#include "app/mainwindow.h"
#include "app/windows.h"
#include "browser/browserwindow.h"
#include "browser/listbrowser.h"
#include "fakes/loopbackserver.h"
#include "fakes/webenginetest.h"
#include "platform/qtplatform.h"
#include "platform/webbrowser.h"
#include "ui/listbox.h"
#include "ui/windowframe.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>
#include <QLineEdit>
#include <QtTest>

namespace {

QString describe(QWidget *w)
{
    return w ? QStringLiteral("%1 (%2)").arg(w->objectName(), QLatin1String(w->metaObject()->className()))
             : QStringLiteral("nothing");
}

} // namespace

class TestWebEngineTabKey : public QObject {
    Q_OBJECT
private:
    LoopbackServer *m_server = nullptr;
    std::unique_ptr<QtPlatform> m_platform;
    std::unique_ptr<Windows> m_windows;

    /// Loads a page of two links into @p view, puts the keyboard in the page and presses Tab until the
    /// focus leaves the page; returns the widget that then has the focus (null when it never left).
    QWidget *tabOutOfThePage(QWidget *window, WebBrowser *view, const QString &path)
    {
        view->navigate(m_server->url(path).toString());
        if (!QTest::qWaitFor([view, path] { return view->title() == path.mid(1) && !view->isBusy(); }, 20000))
            return nullptr;
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window->window()))
            return nullptr;
        QWidget *page = view->widget();
        page->setFocus(Qt::TabFocusReason);
        if (!QTest::qWaitFor([page] { return page->isAncestorOf(QApplication::focusWidget()) || QApplication::focusWidget() == page; }, 5000))
            return nullptr;
        // Two links: the third Tab at the latest leaves the page (a few more allow for the engine's own stops).
        for (int press = 0; press < 8; ++press) {
            QWidget *focused = QApplication::focusWidget();
            if (!focused)
                return nullptr;
            if (focused != page && !page->isAncestorOf(focused))
                return focused;
            QTest::keyClick(focused, Qt::Key_Tab);
            QTest::qWait(300); // the engine moves its focus on its own side, then answers
        }
        QWidget *focused = QApplication::focusWidget();
        return focused && focused != page && !page->isAncestorOf(focused) ? focused : nullptr;
    }

private slots:
    void initTestCase()
    {
        m_server = new LoopbackServer(this);
        QVERIFY(m_server->isListening());
        for (const char *path : {"/links-a", "/links-b"})
            m_server->setPage(QString::fromLatin1(path), "text/html",
                              QByteArray("<title>") + (path + 1) + "</title><a href='/one'>one</a> <a href='/two'>two</a>");
    }
    void init()
    {
        m_platform = std::make_unique<QtPlatform>();
        m_windows = std::make_unique<Windows>(*m_platform);
    }
    void cleanup()
    {
        m_windows.reset();
        m_platform.reset();
    }

    void tabLeavesTheListBrowsersPage()
    {
        MainWindow *frame = m_windows->mainWindow();
        frame->resize(1280, 900);
        frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame));
        ListBrowser *browser = m_windows->listBrowser();
        QWidget *next = tabOutOfThePage(browser, browser->m_view, QStringLiteral("/links-a"));
        QVERIFY2(next, "Tab never left the page");
        // The page comes first in the window's tab order; the list's filter box, above the list, comes next.
        QCOMPARE(describe(next), describe(browser->findChild<QLineEdit *>(QStringLiteral("filterBox"))));
    }

    void tabLeavesTheBrowserWindowsPage()
    {
        BrowserWindow *w = m_windows->browserWindow();
        w->setWindowState(Qt::WindowNoState);
        w->resize(1100, 800);
        WindowFrame::show(w);
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QWidget *next = tabOutOfThePage(w, w->m_view, QStringLiteral("/links-b"));
        QVERIFY2(next, "Tab never left the page");
        // The page comes last in the window's tab order: Tab goes round to the address box.
        QCOMPARE(describe(next), describe(w->m_addressBox));
    }
};

int main(int argc, char **argv)
{
    return runWebEngineTest<TestWebEngineTabKey>(argc, argv);
}

#include "tst_webengine_tabkey.moc"
