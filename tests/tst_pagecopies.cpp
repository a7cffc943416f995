// The last good copy kept as the list is browsed: a good page is copied from the browser and kept;
// an HTTP error, a page that did not load, a soft 404, a parked domain, a sign-in wall, a bot check
// and a page that is not what the person saw before never become a copy.
#include "app/windows.h"
#include "app/mainwindow.h"
#include "browser/browserwindow.h"
#include "browser/copybar.h"
#include "play/playsettings.h"
#include "browser/listbrowser.h"
#include "browser/pagetools.h"
#include "browser/pagecopykeeper.h"
#include "check/checkmemory.h"
#include "copies/copystore.h"
#include "fakes/fakeplatform.h"
#include "fakes/testfiles.h"
#include "fakes/windowsworld.h"
#include "memory/pagefingerprint.h"
#include "ui/listbox.h"
#include "browser/oldercopiesdialog.h"
#include "copies/copyfile.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFrame>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimer>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <QSignalSpy>
#include <QtTest>

namespace {

const QString entry = QStringLiteral("http://shop.example/teapots");
const QString articleText = QStringLiteral(
    "Teapots of every size. Our cast iron teapots keep the tea warm for an hour; the porcelain ones are "
    "made by hand in a small workshop by the river. Delivery in three days.");

QByteArray pageMhtml(const QString &title)
{
    return QStringLiteral("From: <Saved by Blink>\r\nSubject: %1\r\nMIME-Version: 1.0\r\n"
                          "Content-Type: multipart/related; type=\"text/html\"; boundary=\"----b\"\r\n\r\n"
                          "------b\r\nContent-Type: text/html\r\nContent-Location: %2\r\n\r\n<title>%1</title><p>%3</p>\r\n"
                          "------b--\r\n")
        .arg(title, entry, articleText)
        .toUtf8();
}

} // namespace

class TestPageCopies : public QObject {
    Q_OBJECT
private:
    WindowsWorld world;

    /// Opens the list browser on the list's one entry and lets its page load as @p title at
    /// @p finalAddress, saying @p text, with @p status (or a failed load).
    FakeWebBrowser *visit(const QString &title, const QString &finalAddress, const QString &text, int status, bool failed)
    {
        ListBrowser *browser = world.windows->listBrowser();
        FakeWebBrowser *view = world.platform->browsers.last();
        view->visibleText = text;
        view->status = status;
        view->failed = failed;
        browser->m_addressList->setCurrentRow(-1);
        browser->m_addressList->setCurrentRow(0);
        view->setBusy(true);
        view->setPageTitle(title);
        view->setPageUrl(finalAddress);
        view->setBusy(false);
        return view;
    }

    /// The browser window showing the list's entry, as Big shows it, its page loaded as visit() loads it.
    FakeWebBrowser *visitInBrowserWindow(const QString &title, const QString &finalAddress, const QString &text, int status,
                                         bool failed, WebBrowser::LoadFailure failure = WebBrowser::LoadFailure::None)
    {
        world.windows->listBrowser();
        BrowserWindow *window = world.windows->browserWindow();
        auto *view = qobject_cast<FakeWebBrowser *>(window->m_view);
        view->visibleText = text;
        view->status = status;
        view->failed = failed;
        view->failure = failure;
        window->showEntry(entry);
        loadIn(view, title, finalAddress);
        return view;
    }
    static void loadIn(FakeWebBrowser *view, const QString &title, const QString &finalAddress)
    {
        view->setBusy(true);
        view->setPageTitle(title);
        view->setPageUrl(finalAddress);
        view->setBusy(false);
    }
    /// The view, the copy bar and the page tools of the list browser or the browser window.
    struct Shown {
        FakeWebBrowser *view;
        CopyBar *bar;
        PageTools *tools;
    };
    Shown visitIn(bool inBrowserWindow, const QString &title, const QString &text, int status, bool failed,
                  WebBrowser::LoadFailure failure)
    {
        if (inBrowserWindow) {
            FakeWebBrowser *view = visitInBrowserWindow(title, entry, text, status, failed, failure);
            BrowserWindow *window = world.windows->browserWindow();
            return {view, window->m_copyBar, window->m_pageTools};
        }
        world.windows->listBrowser();
        world.platform->browsers.last()->failure = failure;
        FakeWebBrowser *view = visit(title, entry, text, status, failed);
        ListBrowser *browser = world.windows->listBrowser();
        return {view, browser->m_copyBar, browser->m_pageTools};
    }
    /// Answers the next file dialog with @p path, and tells its title.
    static void answerFileDialog(const QString &path, QString *title, QString *suggested = nullptr)
    {
        auto *timer = new QTimer;
        QObject::connect(timer, &QTimer::timeout, timer, [timer, path, title, suggested] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            *title = dialog->windowTitle();
            if (suggested && !dialog->selectedFiles().isEmpty())
                *suggested = QFileInfo(dialog->selectedFiles().first()).fileName();
            dialog->selectFile(path);
            if (auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                name->setText(path);
            QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
            timer->deleteLater();
        });
        timer->start(20);
    }

    QList<CopyRecord> copiesOfEntry()
    {
        QSignalSpy listed(&world.windows->copyStore(), &CopyStore::copiesListed);
        world.windows->copyStore().listCopies(entry);
        if (!listed.wait(10000))
            return {};
        return listed.first().at(1).value<QList<CopyRecord>>();
    }

    /// Keeps @p mhtml as the entry's copy, taken at @p at, straight in the store.
    KeepResult keepCopy(const QByteArray &mhtml, const QDateTime &at)
    {
        QSignalSpy kept(&world.windows->copyStore(), &CopyStore::kept);
        CopyContent content;
        content.mhtml = mhtml;
        content.text = articleText;
        world.windows->copyStore().keep(entry, PageCondition::Good, content, at);
        if (!kept.wait(10000))
            return {};
        const auto result = kept.first().at(1).value<KeepResult>();
        if (!result.isKept())
            qWarning() << "not kept:" << int(result.outcome) << result.message;
        return result;
    }
    CopyBar *copyBar() { return world.windows->listBrowser()->m_copyBar; }

private slots:
    void init()
    {
        world.start();
        QVERIFY(TestFiles::writeList((entry + QStringLiteral("\r\n")).toUtf8()));
    }
    void cleanup() { world.stop(); }

    void aGoodPageIsKeptAsItIsSeen()
    {
        FakeWebBrowser *view = visit(QStringLiteral("Teapots | Riverside Shop"), entry, articleText, 0, false);
        QCOMPARE(view->copiesAsked, 1);
        auto *keeper = world.windows->listBrowser()->findChild<PageCopyKeeper *>();
        QVERIFY(keeper);
        QSignalSpy kept(keeper, &PageCopyKeeper::copyKept);
        PageCopy copy;
        copy.ok = true;
        copy.address = entry;
        copy.title = view->title();
        copy.mhtml = pageMhtml(copy.title);
        copy.text = articleText;
        emit view->pageCopyTaken(copy);
        QVERIFY(kept.wait(10000));
        QCOMPARE(kept.first().at(0).toString(), entry);
        const auto result = kept.first().at(1).value<KeepResult>();
        QVERIFY2(result.isKept(), qPrintable(QString::number(int(result.outcome)) + QLatin1Char(' ') + result.message));
        const QList<CopyRecord> copies = copiesOfEntry();
        QCOMPARE(copies.size(), 1);

        QSignalSpy read(&world.windows->copyStore(), &CopyStore::copyRead);
        world.windows->copyStore().readNewest(entry);
        QVERIFY(read.wait(10000));
        const auto reading = read.first().at(2).value<CopyReading>();
        QVERIFY(reading.ok);
        QCOMPARE(reading.content.mhtml, copy.mhtml);
        QCOMPARE(reading.content.text, articleText);
    }

    void aCopyOfAnotherPageIsNotKept()
    {
        // The person went on before the engine saved the page: what comes is no copy of the entry.
        FakeWebBrowser *view = visit(QStringLiteral("Teapots | Riverside Shop"), entry, articleText, 0, false);
        QCOMPARE(view->copiesAsked, 1);
        PageCopy copy;
        copy.ok = true;
        copy.address = QStringLiteral("http://elsewhere.example/");
        copy.mhtml = pageMhtml(QStringLiteral("Elsewhere"));
        emit view->pageCopyTaken(copy);
        QVERIFY(copiesOfEntry().isEmpty());
    }

    void theLastGoodCopyShowsWhenTheLivePageFails_data()
    {
        QTest::addColumn<bool>("inBrowserWindow");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("status");
        QTest::addColumn<WebBrowser::LoadFailure>("failure");
        QTest::addColumn<QString>("liveState");
        using F = WebBrowser::LoadFailure;
        for (const bool inBrowserWindow : {false, true}) {
            const char *where = inBrowserWindow ? "browser window" : "list browser";
            QTest::addRow("%s, not found", where) << inBrowserWindow << "404 Not Found" << 404 << F::None << "not found (404)";
            QTest::addRow("%s, no answer in time", where) << inBrowserWindow << "shop.example" << 0 << F::TimedOut
                                                          << "no answer in time";
            QTest::addRow("%s, no network", where) << inBrowserWindow << "shop.example" << 0 << F::Unreachable
                                                   << "cannot be reached";
        }
    }
    void theLastGoodCopyShowsWhenTheLivePageFails()
    {
        QFETCH(bool, inBrowserWindow);
        QFETCH(QString, title);
        QFETCH(int, status);
        QFETCH(WebBrowser::LoadFailure, failure);
        QFETCH(QString, liveState);
        const QDateTime at(QDate(2026, 3, 3), QTime(14, 2), Qt::LocalTime);
        QVERIFY(keepCopy(pageMhtml(QStringLiteral("Teapots | Riverside Shop")), at.toUTC()).isKept());
        const Shown shown = visitIn(inBrowserWindow, title, QStringLiteral("Not Found"), status,
                                    failure != WebBrowser::LoadFailure::None, failure);
        FakeWebBrowser *view = shown.view;
        CopyBar *bar = shown.bar;
        // A server that never answers is given up after the page time-out.
        QCOMPARE(view->loadTimeoutMs, PlaySettings::defaultPageTimeoutSeconds * 1000);
        QTRY_VERIFY(view->showingCopy);
        QCOMPARE(view->shownCopy, pageMhtml(QStringLiteral("Teapots | Riverside Shop")));
        QVERIFY(!bar->isHidden());
        QCOMPARE(bar->m_text->text(), QStringLiteral("Saved copy of 3 March 2026, 14:02. The live page: %1.").arg(liveState));
        QVERIFY(!bar->m_livePageButton->isHidden());
        QVERIFY(!bar->m_olderCopiesButton->isHidden());
        QVERIFY(!bar->m_saveCopyButton->isHidden());
        QVERIFY(shown.tools->action(QStringLiteral("saveCopy"))->isEnabled());
        // The bar is not on the page: the page moved down under it.
        QVERIFY(!bar->geometry().intersects(view->widget()->geometry()));
        QCOMPARE(view->widget()->geometry().top(), bar->geometry().bottom() + 1);
        if (!inBrowserWindow)
            QCOMPARE(world.windows->listBrowser()->m_addressList->currentRow(), 0);
        QCOMPARE(view->copiesAsked, 0);

        if (inBrowserWindow) {
            // In full screen (a wall display) the bar stays over the page, at the top of the screen.
            BrowserWindow *window = world.windows->browserWindow();
            window->toggleFullScreen();
            QTRY_VERIFY(window->isFullScreen());
            QTRY_COMPARE(bar->geometry().top(), 0);
            QCOMPARE(view->widget()->geometry().top(), bar->geometry().bottom() + 1);
            QCOMPARE(bar->width(), view->widget()->width());
            window->toggleFullScreen();
            QTRY_VERIFY(!window->isFullScreen());
            QTRY_VERIFY(bar->geometry().top() > 0);
            QCOMPARE(view->widget()->geometry().top(), bar->geometry().bottom() + 1);
        }

        bar->m_livePageButton->click();
        QVERIFY(!view->showingCopy);
        QVERIFY(bar->isHidden());
        QCOMPARE(view->widget()->geometry().top(), bar->geometry().top());
        QVERIFY(!shown.tools->action(QStringLiteral("saveCopy"))->isEnabled());

        // The Saved Copy key brings it back at any time.
        QCOMPARE(shown.tools->action(QStringLiteral("savedCopy"))->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+S")));
        shown.tools->action(QStringLiteral("savedCopy"))->trigger();
        QTRY_VERIFY(view->showingCopy);
        QVERIFY(!bar->isHidden());
        QVERIFY(bar->m_text->text().startsWith(QStringLiteral("Saved copy of 3 March 2026, 14:02.")));
    }

    void aCopyThatCannotBeWrittenIsTold()
    {
        QVERIFY(keepCopy(pageMhtml(QStringLiteral("Teapots | Riverside Shop")), QDateTime::currentDateTimeUtc()).isKept());
        const Shown shown = visitIn(true, QStringLiteral("404 Not Found"), QStringLiteral("Not Found"), 404, false,
                                    WebBrowser::LoadFailure::None);
        QTRY_VERIFY(shown.view->showingCopy);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("no such folder/teapots.mhtml"));
        QString title;
        answerFileDialog(path, &title);
        shown.bar->m_saveCopyButton->click();
        QTRY_VERIFY(shown.tools->m_notice->m_text->text().startsWith(QStringLiteral("The saved copy was not saved to %1: ").arg(path)));
        QVERIFY(!QFileInfo::exists(path));
        // The copy still shows, and the file the failed save began is not left behind.
        QVERIFY(shown.view->showingCopy);
        QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList{});
    }

    void aCopyIsNamedByItsPagesTitle_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<QString>("title");
        QTest::newRow("plain") << QByteArray("From: <Saved by Blink>\r\nSubject: Riverside Dental\r\nMIME-Version: 1.0\r\n\r\n")
                               << "Riverside Dental";
        QTest::newRow("encoded words, quoted") << QByteArray("Subject: =?utf-8?Q?Caf=C3=A9_du_Port?=\r\n\r\n") << "Café du Port";
        QTest::newRow("encoded words, base64, folded")
            << QByteArray("Subject: =?utf-8?B?Q2Fmw6k=?=\r\n =?utf-8?Q?_du_Port?= and more\r\nDate: now\r\n\r\n")
            << "Café du Port and more";
        QTest::newRow("no subject") << QByteArray("From: <Saved by Blink>\r\n\r\nSubject: in the body\r\n") << "";
        QTest::newRow("not a copy") << QByteArray("<html>not a copy</html>") << "";
    }
    void aCopyIsNamedByItsPagesTitle()
    {
        QFETCH(QByteArray, head);
        QFETCH(QString, title);
        QCOMPARE(PageCopyKeeper::copyTitle(head), title);
    }

    void theBrowserWindowKeepsOnlyTheListsPages_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("kept");
        QTest::newRow("shown by Big") << "big" << true;
        QTest::newRow("the entry typed in the address box") << "typed entry" << true;
        QTest::newRow("another address typed") << "typed other" << false;
        QTest::newRow("a link followed from the entry's page") << "link" << false;
    }
    void theBrowserWindowKeepsOnlyTheListsPages()
    {
        QFETCH(QString, how);
        QFETCH(bool, kept);
        world.windows->listBrowser();
        BrowserWindow *window = world.windows->browserWindow();
        auto *view = qobject_cast<FakeWebBrowser *>(window->m_view);
        view->visibleText = articleText;
        const QString other = QStringLiteral("http://shop.example/kettles");
        if (how == QLatin1String("big")) {
            world.windows->listBrowser()->m_addressList->setCurrentRow(0);
            world.windows->mainWindow()->showSelectedInBrowserWindow();
            QCOMPARE(view->navigations.last(), entry);
        } else if (how == QLatin1String("link")) {
            window->showEntry(entry);
            loadIn(view, QStringLiteral("Teapots | Riverside Shop"), entry);
            QTRY_COMPARE(view->copiesAsked, 1);
            view->copiesAsked = 0;
            view->navigate(other);
        } else {
            window->m_addressBox->setEditText(how == QLatin1String("typed entry") ? entry : other);
            window->m_goButton->click();
        }
        const QString address = view->navigations.last();
        loadIn(view, QStringLiteral("Teapots | Riverside Shop"), address);
        QCOMPARE(view->copiesAsked, kept ? 1 : 0);
        QCOMPARE(window->shownEntry(), kept ? entry : QString());
        if (!kept) {
            // Asked for, the saved copy of a page that is no entry's is told to be none.
            window->m_pageTools->action(QStringLiteral("savedCopy"))->trigger();
            QVERIFY(!window->m_copyBar->isHidden());
            QCOMPARE(window->m_copyBar->m_text->text(), PageCopyKeeper::noEntryText());
            QVERIFY(window->m_copyBar->m_livePageButton->isHidden());
        }
    }

    void askingForACopyThatIsNotThereIsTold_data()
    {
        QTest::addColumn<bool>("inBrowserWindow");
        QTest::addColumn<QString>("command");
        for (const bool inBrowserWindow : {false, true})
            for (const char *command : {"savedCopy", "olderCopies"})
                QTest::addRow("%s, %s", inBrowserWindow ? "browser window" : "list browser", command)
                    << inBrowserWindow << QString::fromLatin1(command);
    }
    void askingForACopyThatIsNotThereIsTold()
    {
        QFETCH(bool, inBrowserWindow);
        QFETCH(QString, command);
        const Shown shown = visitIn(inBrowserWindow, QStringLiteral("Teapots | Riverside Shop"), articleText, 200, false,
                                    WebBrowser::LoadFailure::None);
        QVERIFY(shown.bar->isHidden());
        // Offered in the page's context menu too (the list browser has no menu bar).
        QMenu menu;
        emit shown.view->contextMenuRequested(&menu, QString());
        QVERIFY(menu.actions().contains(shown.tools->action(command)));
        shown.tools->action(command)->trigger();
        QTRY_VERIFY(!shown.bar->isHidden());
        QCOMPARE(shown.bar->m_text->text(), PageCopyKeeper::noCopyText());
        QVERIFY(shown.bar->m_livePageButton->isHidden());
        QVERIFY(!shown.view->showingCopy);
        QVERIFY(!world.windows->listBrowser()->findChild<OlderCopiesDialog *>());
        QVERIFY(!world.windows->browserWindow()->findChild<OlderCopiesDialog *>());
    }

    void saveSavesTheCopyThatShows_data()
    {
        QTest::addColumn<bool>("inBrowserWindow");
        QTest::addColumn<bool>("fromTheBar");
        QTest::newRow("list browser, Ctrl+S") << false << false;
        QTest::newRow("list browser, Save Copy As on the bar") << false << true;
        QTest::newRow("browser window, Ctrl+S") << true << false;
        QTest::newRow("browser window, Save Copy As on the bar") << true << true;
    }
    void saveSavesTheCopyThatShows()
    {
        QFETCH(bool, inBrowserWindow);
        QFETCH(bool, fromTheBar);
        const QByteArray kept = pageMhtml(QStringLiteral("Teapots | Riverside Shop"));
        QVERIFY(keepCopy(kept, QDateTime::currentDateTimeUtc()).isKept());
        const Shown shown = visitIn(inBrowserWindow, QStringLiteral("404 Not Found"), QStringLiteral("Not Found"), 404, false,
                                    WebBrowser::LoadFailure::None);
        QTRY_VERIFY(shown.view->showingCopy);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("teapots.mhtml"));
        QString title;
        QString suggested;
        answerFileDialog(path, &title, &suggested);
        QAction *save = shown.tools->action(QStringLiteral("savePage"));
        QCOMPARE(save->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
        if (fromTheBar)
            shown.bar->m_saveCopyButton->click();
        else
            save->trigger();
        QCOMPARE(title, QStringLiteral("Save Copy As"));
        // Named by the page the copy was kept from, not by the live page's "404 Not Found".
        QCOMPARE(suggested, QStringLiteral("Teapots Riverside Shop.mhtml"));
        // The copy as it was kept, not the live page behind it.
        QVERIFY(shown.view->saves.isEmpty());
        QTRY_VERIFY2(QFileInfo::exists(path), qPrintable(shown.tools->m_notice->m_text->text()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), kept);
        QTRY_COMPARE(shown.tools->m_notice->m_text->text(), QStringLiteral("Saved: %1").arg(path));

        // With the live page back, Ctrl+S saves the live page.
        shown.bar->m_livePageButton->click();
        const QString livePath = folder.filePath(QStringLiteral("live.mhtml"));
        answerFileDialog(livePath, &title);
        save->trigger();
        QCOMPARE(title, QStringLiteral("Save Page As"));
        QCOMPARE(shown.view->saves.size(), 1);
        QCOMPARE(shown.view->saves.first().first, livePath);
    }

    void olderCopiesListsEveryCopy()
    {
        const QDateTime first(QDate(2026, 1, 5), QTime(9, 30), Qt::LocalTime);
        const QDateTime second(QDate(2026, 3, 3), QTime(14, 2), Qt::LocalTime);
        QVERIFY(keepCopy(pageMhtml(QStringLiteral("Teapots, the winter range")), first.toUTC()).isKept());
        QVERIFY(keepCopy(pageMhtml(QStringLiteral("Teapots | Riverside Shop")), second.toUTC()).isKept());
        FakeWebBrowser *view = visit(QStringLiteral("shop.example"), entry, QString(), 0, true);
        QTRY_VERIFY(view->showingCopy);
        ListBrowser *browser = world.windows->listBrowser();
        QVERIFY(browser->m_copyBar->m_text->text().endsWith(QStringLiteral("The live page: cannot be loaded.")));
        browser->m_copyBar->m_olderCopiesButton->click();
        OlderCopiesDialog *dialog = nullptr;
        QTRY_VERIFY((dialog = browser->findChild<OlderCopiesDialog *>()));
        QCOMPARE(dialog->m_copyList->count(), 2);
        QCOMPARE(dialog->m_copyList->item(0)->text(), QStringLiteral("3 March 2026, 14:02"));
        QCOMPARE(dialog->m_copyList->item(1)->text(), QStringLiteral("5 January 2026, 09:30"));
        dialog->m_copyList->setCurrentRow(1);
        dialog->m_openButton->click();
        QTRY_COMPARE(view->shownCopy, pageMhtml(QStringLiteral("Teapots, the winter range")));
        QTRY_VERIFY(browser->m_copyBar->m_text->text().startsWith(QStringLiteral("Saved copy of 5 January 2026, 09:30.")));
    }

    void aBadCopyFileIsTold_data()
    {
        QTest::addColumn<QByteArray>("garbage");
        QTest::addColumn<bool>("removed");
        QTest::newRow("removed") << QByteArray() << true;
        QTest::newRow("replaced by garbage") << QByteArray("<html>not a copy</html>") << false;
        QTest::newRow("cut short") << QByteArray("cut") << false;
    }
    void aBadCopyFileIsTold()
    {
        QFETCH(QByteArray, garbage);
        QFETCH(bool, removed);
        const KeepResult kept = keepCopy(pageMhtml(QStringLiteral("Teapots | Riverside Shop")), QDateTime::currentDateTimeUtc());
        QVERIFY(kept.isKept());
        const QString path = CopyArchive::defaultFolder() + QLatin1Char('/') + kept.contentHash + QLatin1String(CopyFile::suffix);
        QVERIFY2(QFileInfo::exists(path), qPrintable(path));
        if (removed) {
            QVERIFY(QFile::remove(path));
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            const QByteArray whole = file.readAll();
            file.resize(0);
            file.seek(0);
            file.write(garbage == "cut" ? whole.left(whole.size() / 2) : garbage);
        }
        FakeWebBrowser *view = visit(QStringLiteral("404 Not Found"), entry, QStringLiteral("Not Found"), 404, false);
        ListBrowser *browser = world.windows->listBrowser();
        QTRY_VERIFY(!copyBar()->isHidden());
        QCOMPARE(browser->m_copyBar->m_text->text(), QStringLiteral("The saved copy of this page cannot be read"));
        QVERIFY(browser->m_copyBar->m_livePageButton->isHidden());
        QVERIFY(!view->showingCopy);
        // The entry and the record are untouched.
        QCOMPARE(browser->m_addressList->entries(), QStringList{entry});
        QCOMPARE(copiesOfEntry().size(), 1);
        // Choosing another page takes the bar away.
        view->setBusy(true);
        QVERIFY(copyBar()->isHidden());
    }

    void noCopyNoBar()
    {
        FakeWebBrowser *view = visit(QStringLiteral("404 Not Found"), entry, QStringLiteral("Not Found"), 404, false);
        // The store answers in order: once it has listed the copies, it has read the newest too.
        QVERIFY(copiesOfEntry().isEmpty());
        QCoreApplication::processEvents();
        QVERIFY(copyBar()->isHidden());
        QVERIFY(!view->showingCopy);
    }

    void aBadPageIsNeverCopied_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("finalAddress");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("failed");
        QTest::addColumn<bool>("seenBefore");
        QTest::newRow("not found (404)") << "Teapots | Riverside Shop" << entry << articleText << 404 << false << false;
        QTest::newRow("server error (500)") << "Teapots | Riverside Shop" << entry << articleText << 500 << false << false;
        QTest::newRow("forbidden (403)") << "Forbidden" << entry << "You may not see this page." << 403 << false << false;
        QTest::newRow("no answer") << "shop.example" << entry << QString() << 0 << true << false;
        QTest::newRow("soft 404") << "Page not found | Riverside Shop" << entry
                                  << "Sorry, we could not find that page. Try the search." << 0 << false << false;
        QTest::newRow("parked") << "shop.example" << entry
                                << "This domain may be for sale. Buy this domain today, make an offer now." << 0 << false << false;
        QTest::newRow("sign-in wall") << "Sign in" << "http://shop.example/login?next=/teapots"
                                      << "Sign in to continue. Email. Password." << 0 << false << false;
        QTest::newRow("bot check") << "Just a moment..." << entry
                                   << "Checking your browser before accessing shop.example." << 0 << false << false;
        QTest::newRow("server default page") << "Welcome to nginx!" << entry
                                             << "Welcome to nginx! If you see this page, the nginx web server is successfully "
                                                "installed and working. Further configuration is required."
                                             << 0 << false << false;
        QTest::newRow("not what you saved") << "Best Casino Bonus" << "http://casino.example/"
                                            << "Spin the wheel and win. The best casino bonus of the year." << 0 << false
                                            << true;
    }
    void aBadPageIsNeverCopied()
    {
        QFETCH(QString, title);
        QFETCH(QString, finalAddress);
        QFETCH(QString, text);
        QFETCH(int, status);
        QFETCH(bool, failed);
        QFETCH(bool, seenBefore);
        if (seenBefore) {
            // What the person saw at the entry once: the shop's teapots.
            const QString was = QStringLiteral("Teapots | Riverside Shop");
            world.windows->checkMemory().addVisit(entry, was, entry, pageFingerprint(was, articleText),
                                                  QDateTime::currentDateTimeUtc().addDays(-30));
            QVERIFY(world.windows->checkMemory().flush());
        }
        FakeWebBrowser *view = visit(title, finalAddress, text, status, failed);
        QCOMPARE(view->copiesAsked, 0);
        LoadedPage page{entry, title, finalAddress, text, status, failed};
        QVERIFY(!whyPageIsNotGood(page, world.windows->checkMemory().seenBefore(entry)).isEmpty());
    }

    void aGoodPageIsGood_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("finalAddress");
        QTest::addColumn<int>("status");
        QTest::newRow("answers, no status told") << "Teapots | Riverside Shop" << entry << 0;
        QTest::newRow("answers 200") << "Teapots | Riverside Shop" << entry << 200;
        QTest::newRow("after a redirect on the site") << "Teapots | Riverside Shop" << "https://shop.example/teapots/" << 200;
        QTest::newRow("retitled, same page") << "Teapots and kettles | Riverside Shop" << entry << 200;
    }
    void aGoodPageIsGood()
    {
        QFETCH(QString, title);
        QFETCH(QString, finalAddress);
        QFETCH(int, status);
        const QString was = QStringLiteral("Teapots | Riverside Shop");
        world.windows->checkMemory().addVisit(entry, was, entry, pageFingerprint(was, articleText),
                                              QDateTime::currentDateTimeUtc().addDays(-30));
        QVERIFY(world.windows->checkMemory().flush());
        const LoadedPage page{entry, title, finalAddress, articleText, status, false};
        QCOMPARE(whyPageIsNotGood(page, world.windows->checkMemory().seenBefore(entry)), QString());
    }
};

QTEST_MAIN(TestPageCopies)
#include "tst_pagecopies.moc"
