// Find, zoom, save, print and the context menu's list commands, over the real web engine against a
// loopback HTTP server; the zoom memory's file as the store reads files; the notice of a saved file.
#include "app/mainwindow.h"
#include "app/windows.h"
#include "browser/browserwindow.h"
#include "browser/findbar.h"
#include "browser/listbrowser.h"
#include "browser/pagetools.h"
#include "browser/zoommemory.h"
#include "fakes/loopbackserver.h"
#include "fakes/webenginetest.h"
#include "fakes/windowsworld.h"
#include "platform/qtplatform.h"
#include "platform/webenginebrowser.h"
#include "ui/listbox.h"
#include "ui/windowframe.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWebEngineView>
#include <QWheelEvent>
#include <QtTest>

#include <sys/stat.h>

class TestWebEnginePageTools : public QObject {
    Q_OBJECT
private:
    LoopbackServer *m_server = nullptr;
    std::unique_ptr<QtPlatform> m_platform;
    std::unique_ptr<Windows> m_windows;
    BrowserWindow *m_window = nullptr;

    bool load(WebBrowser *browser, const QUrl &url, const QString &title)
    {
        browser->navigate(url.toString());
        return QTest::qWaitFor([&] { return browser->title() == title && !browser->isBusy(); }, 20000);
    }

    /// The widget inside the page view that gets the person's keys and wheel.
    static QWidget *pageInput(WebBrowser *browser)
    {
        auto *view = qobject_cast<QWebEngineView *>(browser->widget());
        return view && view->focusProxy() ? view->focusProxy() : browser->widget();
    }

    static void ctrlWheel(WebBrowser *browser, int angle)
    {
        QWidget *target = pageInput(browser);
        const QPointF at(target->width() / 2.0, target->height() / 2.0);
        QWheelEvent wheel(at, target->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton,
                          Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &wheel);
    }

    QString countOf(PageTools *tools) { return tools->m_findBar->m_countLabel->text(); }

    /// The browser window at the apples page, and Ctrl+F pressed in the page: whether the find bar came up.
    bool openFindBarOnApples()
    {
        if (!load(m_window->m_view, m_server->url(QStringLiteral("/apples")), QStringLiteral("apples")))
            return false;
        m_window->activateWindow();
        if (!QTest::qWaitForWindowActive(m_window))
            return false;
        pageInput(m_window->m_view)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F, Qt::ControlModifier);
        return m_window->m_pageTools->m_findBar->isVisible();
    }

private slots:
    void initTestCase()
    {
        m_server = new LoopbackServer(this);
        QVERIFY(m_server->isListening());
        QVERIFY(testHomeFolder()->isValid());
        QByteArray apples = "<html><head><title>apples</title></head><body style='min-height:3000px'>";
        for (int i = 0; i < 12; ++i)
            apples += "<p>an apple, number " + QByteArray::number(i) + "</p>";
        apples += "<p>one pear</p><a id='link' href='/linked'>a link to follow</a></body></html>";
        m_server->setPage(QStringLiteral("/apples"), "text/html", apples);
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
        QFile::remove(ZoomMemory::filePath());
    }
    void cleanup()
    {
        m_windows.reset();
        m_platform.reset();
    }

    void findCountsAndSteps_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("afterNext");
        QTest::addColumn<QString>("afterPrevious");
        QTest::newRow("twelve") << "apple" << "1 of 12" << "2 of 12" << "1 of 12";
        QTest::newRow("any case") << "APPLE" << "1 of 12" << "2 of 12" << "1 of 12";
        QTest::newRow("one") << "pear" << "1 of 1" << "1 of 1" << "1 of 1";
        QTest::newRow("none") << "plum" << "No matches" << "No matches" << "No matches";
        // Shift+F3 from the first match goes round to the last.
        QTest::newRow("wraps") << "number 1" << "1 of 3" << "2 of 3" << "1 of 3";
    }
    void findCountsAndSteps()
    {
        QFETCH(QString, text);
        QFETCH(QString, first);
        QFETCH(QString, afterNext);
        QFETCH(QString, afterPrevious);
        QVERIFY(openFindBarOnApples());
        PageTools *tools = m_window->m_pageTools;
        QCOMPARE(QApplication::focusWidget(), tools->m_findBar->m_textBox);
        // The bar leaves the page's scroll bar free to use (its width as the page itself measures it).
        QVariant scrollBar;
        qobject_cast<WebEngineBrowser *>(m_window->m_view)
            ->view()
            ->page()
            ->runJavaScript(QStringLiteral("innerWidth - document.documentElement.clientWidth"),
                            [&scrollBar](const QVariant &width) { scrollBar = width; });
        QTRY_VERIFY(scrollBar.isValid());
        QVERIFY(scrollBar.toInt() > 0);
        QWidget *page = m_window->m_view->widget();
        const int barRight = tools->m_findBar->mapTo(m_window, QPoint(tools->m_findBar->width() - 1, 0)).x();
        const int pageRight = page->mapTo(m_window, QPoint(page->width() - 1, 0)).x();
        QVERIFY2(barRight <= pageRight - scrollBar.toInt(), qPrintable(QStringLiteral("%1 %2 %3").arg(barRight).arg(pageRight).arg(scrollBar.toInt())));
        QTest::keyClicks(tools->m_findBar->m_textBox, text);
        QTRY_COMPARE_WITH_TIMEOUT(countOf(tools), first, 10000);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F3);
        QTRY_COMPARE_WITH_TIMEOUT(countOf(tools), afterNext, 10000);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F3, Qt::ShiftModifier);
        QTRY_COMPARE_WITH_TIMEOUT(countOf(tools), afterPrevious, 10000);
        if (text == QLatin1String("number 1")) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_F3, Qt::ShiftModifier);
            QTRY_COMPARE_WITH_TIMEOUT(countOf(tools), QStringLiteral("3 of 3"), 10000);
        }
        // Esc closes the bar and gives the page back its keys.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(tools->m_findBar->isHidden());
        QVERIFY(m_window->m_view->widget()->isAncestorOf(QApplication::focusWidget())
                || QApplication::focusWidget() == m_window->m_view->widget());
    }

    void findBarStaysInSightInASmallWindow()
    {
        // A window smaller than its controls scrolls them: the bar comes up where the person sees it,
        // and follows when the controls are scrolled.
        m_window->resize(560, 380);
        QVERIFY(openFindBarOnApples());
        FindBar *bar = m_window->m_pageTools->m_findBar;
        const auto inSight = [bar] {
            for (QWidget *w = bar->parentWidget(); w; w = w->isWindow() ? nullptr : w->parentWidget())
                if (!w->rect().contains(QRect(bar->mapTo(w, QPoint(0, 0)), bar->size())))
                    return false;
            return bar->width() > 0;
        };
        QVERIFY(inSight());
        QScrollArea *scrolled = nullptr;
        for (QWidget *w = bar->parentWidget(); w && !scrolled; w = w->parentWidget())
            scrolled = qobject_cast<QScrollArea *>(w);
        if (scrolled) {
            scrolled->horizontalScrollBar()->setValue(scrolled->horizontalScrollBar()->maximum());
            scrolled->verticalScrollBar()->setValue(scrolled->verticalScrollBar()->maximum());
            QVERIFY(inSight());
        }
        m_window->resize(1024, 740);
        QVERIFY(inSight());
    }

    void findInListBrowserOnlyFromThePage()
    {
        m_window->hide();
        ListBrowser *list = m_windows->listBrowser();
        WindowFrame::show(m_windows->mainWindow());
        WindowFrame::show(list);
        QVERIFY(QTest::qWaitForWindowExposed(list->window()));
        list->window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(list->window()));
        QVERIFY(load(list->m_view, m_server->url(QStringLiteral("/apples")), QStringLiteral("apples")));
        PageTools *tools = list->m_pageTools;
        // Ctrl+F on the list is the list's own, never the page's find.
        list->m_addressList->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(tools->m_findBar->isHidden());
        pageInput(list->m_view)->setFocus();
        QTRY_VERIFY(list->m_view->widget()->isAncestorOf(QApplication::focusWidget()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(tools->m_findBar->isVisible());
        QTest::keyClicks(tools->m_findBar->m_textBox, QStringLiteral("apple"));
        QTRY_COMPARE_WITH_TIMEOUT(countOf(tools), QStringLiteral("1 of 12"), 10000);
        // Ctrl+P still plays there: Print has no key in the list browser.
        QVERIFY(tools->action(QStringLiteral("print"))->shortcut().isEmpty());
    }

    void zoomIsRememberedPerHost()
    {
        WebBrowser *browser = m_window->m_view;
        const QUrl here = m_server->url(QStringLiteral("/apples"));
        QUrl other = m_server->url(QStringLiteral("/other"));
        other.setHost(QStringLiteral("localhost"));
        QVERIFY(load(browser, here, QStringLiteral("apples")));
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        pageInput(browser)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Plus, Qt::ControlModifier);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Equal, Qt::ControlModifier);
        QTRY_COMPARE(browser->zoomFactor(), 1.25);
        ctrlWheel(browser, -120);
        QTRY_COMPARE(browser->zoomFactor(), 1.1);
        QCOMPARE(ZoomMemory::load(ZoomMemory::filePath()).zoomFor(QStringLiteral("127.0.0.1")), 1.1);

        // Another host has its own zoom; coming back brings this host's.
        QVERIFY(load(browser, other, QStringLiteral("other")));
        QTRY_COMPARE(browser->zoomFactor(), 1.0);
        QVERIFY(load(browser, m_server->url(QStringLiteral("/third")), QStringLiteral("third")));
        QTRY_COMPARE(browser->zoomFactor(), 1.1);

        // A second window on the same host starts at its zoom.
        BrowserWindow *second = m_windows->openNewBrowserWindow();
        QVERIFY(load(second->m_view, here, QStringLiteral("apples")));
        QTRY_COMPARE(second->m_view->zoomFactor(), 1.1);

        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        pageInput(browser)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_0, Qt::ControlModifier);
        QTRY_COMPARE(browser->zoomFactor(), 1.0);
        QCOMPARE(ZoomMemory::load(ZoomMemory::filePath()).size(), 0);
        for (int i = 0; i < 30; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Minus, Qt::ControlModifier);
        QTRY_COMPARE(browser->zoomFactor(), 0.25);
    }

    void zoomSteps_data()
    {
        QTest::addColumn<double>("from");
        QTest::addColumn<int>("steps");
        QTest::addColumn<double>("to");
        QTest::newRow("in") << 1.0 << 1 << 1.1;
        QTest::newRow("out") << 1.0 << -1 << 0.9;
        QTest::newRow("two in") << 1.0 << 2 << 1.25;
        QTest::newRow("between levels in") << 1.17 << 1 << 1.25;
        QTest::newRow("between levels out") << 1.17 << -1 << 1.1;
        QTest::newRow("top") << 5.0 << 1 << 5.0;
        QTest::newRow("bottom") << 0.25 << -1 << 0.25;
        QTest::newRow("far past the top") << 1.0 << 100 << 5.0;
    }
    void zoomSteps()
    {
        QFETCH(double, from);
        QFETCH(int, steps);
        QFETCH(double, to);
        QCOMPARE(ZoomMemory::stepped(from, steps), to);
    }

    void zoomFileIsReadWithCare_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("problem");
        QTest::newRow("missing") << "missing" << false;
        QTest::newRow("folder") << "folder" << true;
        QTest::newRow("pipe") << "pipe" << true;
        QTest::newRow("too big") << "big" << true;
        QTest::newRow("link to a file") << "link" << false;
    }
    void zoomFileIsReadWithCare()
    {
        QFETCH(QString, kind);
        QFETCH(bool, problem);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("zoom.conf"));
        if (kind == QLatin1String("folder"))
            QVERIFY(QDir().mkdir(path));
        if (kind == QLatin1String("pipe"))
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        if (kind == QLatin1String("big")) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(ZoomMemory::maxFileBytes + 1, '#'));
        }
        if (kind == QLatin1String("link")) {
            QFile f(dir.filePath(QStringLiteral("real")));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("example.org 1.5\n");
            f.close();
            QVERIFY(QFile::link(dir.filePath(QStringLiteral("real")), path));
        }
        QString why;
        const ZoomMemory memory = ZoomMemory::load(path, &why); // never blocks on the pipe
        QCOMPARE(!why.isEmpty(), problem);
        QCOMPARE(memory.zoomFor(QStringLiteral("example.org")), kind == QLatin1String("link") ? 1.5 : 1.0);
    }

    void zoomFileLines()
    {
        const ZoomMemory memory = ZoomMemory::parse("example.org 1.5\r\n"
                                                    "# a comment 2\n"
                                                    "EXAMPLE.net 2\n"
                                                    "nan.example nan\n"
                                                    "huge.example 50\n"
                                                    "three fields 1 2\n"
                                                    "example.org 1.75\n");
        QCOMPARE(memory.size(), 2);
        QCOMPARE(memory.zoomFor(QStringLiteral("example.org")), 1.75);
        QCOMPARE(memory.zoomFor(QStringLiteral("example.NET")), 2.0);
        QCOMPARE(memory.zoomFor(QStringLiteral("huge.example")), 1.0);
        // What is written reads back the same, and a host that would break a line is not kept.
        ZoomMemory again = ZoomMemory::parse(memory.serialize());
        again.setZoom(QStringLiteral("bad\nhost"), 2.0);
        QCOMPARE(again.size(), 2);
        QCOMPARE(ZoomMemory::parse(again.serialize()).zoomFor(QStringLiteral("example.org")), 1.75);
        ZoomMemory many;
        for (int i = 0; i < ZoomMemory::maxHosts + 5; ++i)
            many.setZoom(QStringLiteral("h%1.example").arg(i), 1.5);
        QCOMPARE(many.size(), ZoomMemory::maxHosts);
        QCOMPARE(many.zoomFor(QStringLiteral("h0.example")), 1.0);
        QVERIFY(many.serialize().size() < ZoomMemory::maxFileBytes);
    }

    void savePageAndPdf_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("starts");
        QTest::newRow("one file") << "page.mhtml" << QByteArray("From:");
        QTest::newRow("html") << "page.html" << QByteArray("<");
        QTest::newRow("pdf") << "page.pdf" << QByteArray("%PDF");
    }
    void savePageAndPdf()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, starts);
        QVERIFY(load(m_window->m_view, m_server->url(QStringLiteral("/apples")), QStringLiteral("apples")));
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        QSignalSpy saved(m_window->m_view, &WebBrowser::pageSaved);
        if (name.endsWith(QLatin1String(".pdf")))
            m_window->m_view->printToPdf(path);
        else
            m_window->m_pageTools->savePageTo(path);
        QVERIFY(saved.wait(20000));
        QCOMPARE(saved.first().at(0).toString(), path);
        QVERIFY(saved.first().at(1).toBool());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        // MHTML is quoted-printable: its soft line breaks may fall inside the text.
        const QByteArray bytes = file.readAll().replace("=\r\n", "").replace("=\n", "");
        QVERIFY2(bytes.trimmed().startsWith(starts), bytes.left(80).constData());
        if (!name.endsWith(QLatin1String(".pdf")))
            QVERIFY(bytes.contains("an apple, number 11"));
        // The notice names the file and offers to open it.
        FileNotice *notice = m_window->m_pageTools->m_notice;
        QTRY_VERIFY(notice->isVisible());
        QVERIFY(notice->m_text->text().contains(path));
        QVERIFY(notice->m_openButton->isVisible());
    }

    void saveToAFolderThatIsNotThere()
    {
        QVERIFY(load(m_window->m_view, m_server->url(QStringLiteral("/apples")), QStringLiteral("apples")));
        QTemporaryDir dir;
        QSignalSpy saved(m_window->m_view, &WebBrowser::pageSaved);
        m_window->m_view->printToPdf(dir.filePath(QStringLiteral("no/such/folder/page.pdf")));
        QVERIFY(saved.wait(20000));
        QVERIFY(!saved.first().at(1).toBool());
        QTRY_VERIFY(m_window->m_pageTools->m_notice->m_text->text().startsWith(QStringLiteral("The page was not saved")));
        QVERIFY(m_window->m_pageTools->m_notice->m_openButton->isHidden());
    }

    void contextMenuOffersTheListCommands()
    {
        QVERIFY(load(m_window->m_view, m_server->url(QStringLiteral("/apples")), QStringLiteral("apples")));
        const QString link = m_server->url(QStringLiteral("/linked")).toString();
        QMenu menu;
        emit m_window->m_view->contextMenuRequested(&menu, link);
        QAction *add = menu.findChild<QAction *>(QStringLiteral("addLinkToList"));
        QAction *open = menu.findChild<QAction *>(QStringLiteral("openLinkInNewWindow"));
        QVERIFY(add && open);
        QCOMPARE(add->text().remove(QLatin1Char('&')), QStringLiteral("Add Link to List"));
        QCOMPARE(open->text().remove(QLatin1Char('&')), QStringLiteral("Open Link in New Quokka Window"));
        QVERIFY(menu.actions().contains(m_window->m_pageTools->action(QStringLiteral("print"))));
        add->trigger();
        ListBox *list = m_windows->listBrowser()->m_addressList;
        QCOMPARE(list->count() > 0 ? list->entry(list->count() - 1) : QString(), link);
        QCOMPARE(m_windows->listBrowser()->unsavedChanges(), 1);

        const int before = int(QApplication::topLevelWidgets().size());
        open->trigger();
        BrowserWindow *opened = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *b = qobject_cast<BrowserWindow *>(w); b && b != m_window && b->isVisible())
                opened = b;
        QVERIFY(opened);
        QVERIFY(int(QApplication::topLevelWidgets().size()) > before);
        QTRY_COMPARE_WITH_TIMEOUT(opened->m_view->url(), link, 20000);

        // Away from a link only the page's own commands are added.
        QMenu plain;
        emit m_window->m_view->contextMenuRequested(&plain, QString());
        QVERIFY(!plain.findChild<QAction *>(QStringLiteral("addLinkToList")));
    }

    void printKeyGivesWayToPlay()
    {
        QAction *print = m_window->m_pageTools->action(QStringLiteral("print"));
        QCOMPARE(print->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
        auto *play = new QAction(m_window);
        play->setObjectName(QStringLiteral("playPause"));
        play->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
        m_window->addAction(play);
        QVERIFY(print->shortcut().isEmpty());
        delete play;
        QCOMPARE(print->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
    }

    void downloadNoticeOpensThroughTheProgramStarter_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("opened");
        QTest::newRow("open") << "open" << "/home/u/Downloads/-report.pdf";
        QTest::newRow("folder") << "folder" << "/home/u/Downloads";
    }
    void downloadNoticeOpensThroughTheProgramStarter()
    {
        QFETCH(QString, button);
        QFETCH(QString, opened);
        WindowsWorld world;
        world.start();
        world.platform->starter.onPath.insert(QStringLiteral("xdg-open"), QStringLiteral("/usr/bin/xdg-open"));
        BrowserWindow *w = world.windows->browserWindow();
        emit w->m_view->downloadFinished(QStringLiteral("/home/u/Downloads/-report.pdf"), true);
        FileNotice *notice = w->m_pageTools->m_notice;
        QVERIFY(!notice->isHidden());
        QCOMPARE(notice->m_text->text(), QStringLiteral("Download finished: /home/u/Downloads/-report.pdf"));
        (button == QLatin1String("open") ? notice->m_openButton : notice->m_folderButton)->click();
        QCOMPARE(world.platform->starter.started, QStringList{QStringLiteral("/usr/bin/xdg-open")});
        QCOMPARE(world.platform->starter.startedArguments.first(), QStringList{opened});
        // Without an opener the notice says so instead of failing quietly.
        world.platform->starter.onPath.clear();
        notice->m_openButton->click();
        QVERIFY(notice->m_text->text().contains(QStringLiteral("xdg-open is missing")));
        world.stop();
    }
};

int main(int argc, char **argv)
{
    return runWebEngineTest<TestWebEnginePageTools>(argc, argv);
}

#include "tst_webengine_pagetools.moc"
