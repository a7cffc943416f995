// The last good copy kept as the list is browsed: a good page is copied from the browser and kept;
// an HTTP error, a page that did not load, a soft 404, a parked domain, a sign-in wall, a bot check
// and a page that is not what the person saw before never become a copy.
#include "app/windows.h"
#include "browser/listbrowser.h"
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

#include <QFrame>
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
    QFrame *copyBar() { return world.windows->listBrowser()->m_copyBar; }

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

    void theLastGoodCopyShowsWhenTheLivePageFails()
    {
        const QDateTime at(QDate(2026, 3, 3), QTime(14, 2), Qt::LocalTime);
        QVERIFY(keepCopy(pageMhtml(QStringLiteral("Teapots | Riverside Shop")), at.toUTC()).isKept());
        FakeWebBrowser *view = visit(QStringLiteral("404 Not Found"), entry, QStringLiteral("Not Found"), 404, false);
        QTRY_VERIFY(view->showingCopy);
        QCOMPARE(view->shownCopy, pageMhtml(QStringLiteral("Teapots | Riverside Shop")));
        QVERIFY(!copyBar()->isHidden());
        ListBrowser *browser = world.windows->listBrowser();
        QCOMPARE(browser->m_copyBarText->text(),
                 QStringLiteral("Saved copy of 3 March 2026, 14:02. The live page: not found (404)."));
        QVERIFY(!browser->m_livePageButton->isHidden());
        QVERIFY(!browser->m_olderCopiesButton->isHidden());
        // The bar is not on the page: the page moved down under it.
        QVERIFY(!copyBar()->geometry().intersects(view->widget()->geometry()));
        QCOMPARE(browser->m_addressList->currentRow(), 0);
        QCOMPARE(view->copiesAsked, 0);

        browser->m_livePageButton->click();
        QVERIFY(!view->showingCopy);
        QVERIFY(copyBar()->isHidden());
        QCOMPARE(view->widget()->geometry().top(), copyBar()->geometry().top());

        // The Saved Copy key brings it back at any time.
        browser->findChild<QAction *>(QStringLiteral("savedCopyAction"))->trigger();
        QTRY_VERIFY(view->showingCopy);
        QVERIFY(!copyBar()->isHidden());
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
        QVERIFY(browser->m_copyBarText->text().endsWith(QStringLiteral("The live page: cannot be loaded.")));
        browser->m_olderCopiesButton->click();
        OlderCopiesDialog *dialog = nullptr;
        QTRY_VERIFY((dialog = browser->findChild<OlderCopiesDialog *>()));
        QCOMPARE(dialog->m_copyList->count(), 2);
        QCOMPARE(dialog->m_copyList->item(0)->text(), QStringLiteral("3 March 2026, 14:02"));
        QCOMPARE(dialog->m_copyList->item(1)->text(), QStringLiteral("5 January 2026, 09:30"));
        dialog->m_copyList->setCurrentRow(1);
        dialog->m_openButton->click();
        QTRY_COMPARE(view->shownCopy, pageMhtml(QStringLiteral("Teapots, the winter range")));
        QTRY_VERIFY(browser->m_copyBarText->text().startsWith(QStringLiteral("Saved copy of 5 January 2026, 09:30.")));
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
        QCOMPARE(browser->m_copyBarText->text(), QStringLiteral("The saved copy of this page cannot be read"));
        QVERIFY(browser->m_livePageButton->isHidden());
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
