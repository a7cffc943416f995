// The list browser's handlers against a fake web browser: choosing, Next, Prev, KILL, history, write-back.
#include "app/windows.h"
#include "browser/browserwindow.h"
#include "browser/listbrowser.h"
#include "fakes/fakeplatform.h"
#include "fakes/windowsworld.h"
#include "fakes/testfiles.h"
#include "lists/addaddressbar.h"
#include "store/listpaths.h"
#include "ui/windowframe.h"
#include "ui/listbox.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <unistd.h>

namespace {

QStringList comboItems(QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

} // namespace

class TestListBrowser : public QObject {
    Q_OBJECT
private:
    WindowsWorld m_world;

    FakeWebBrowser *browser() const { return qobject_cast<FakeWebBrowser *>(m_world.windows->loadedListBrowser()->m_view); }
    FakeMediaPlayer *busyAnimation() const { return static_cast<FakeMediaPlayer *>(m_world.windows->loadedListBrowser()->m_busyAnimation); }

private slots:
    void init()
    {
        m_world.start();
    }
    void cleanup() { m_world.stop(); }

    void creationLoadsListAndCopiesFullList()
    {
        QVERIFY(TestFiles::writeList("A\r\n\r\nB\r\n"));
        ListBrowser *w = m_world.windows->listBrowser();
        QVERIFY(WindowFrame::isVisible(w));
        QCOMPARE(w->m_addressList->entries(), (QStringList{"A", "", "B"}));
        QCOMPARE(w->m_addressList->currentRow(), -1);
        QCOMPARE(w->m_chosenAddressBox->currentText(), QStringLiteral("none choosen"));
        QCOMPARE(w->m_chosenAddressBox->count(), 0);
        QVERIFY(browser()->navigations.isEmpty());
        QVERIFY(!busyAnimation()->playing);
        QCOMPARE(w->windowTitle(), QStringLiteral("Quokka"));
        QVERIFY(!w->m_hideButton->isVisibleTo(w));
        // The shipped full list is copied to the working copy.
        QFile copy(ListPaths::fullListCopy());
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QFile shipped(ListPaths::shippedFile(QStringLiteral("dat/ch.dat")));
        QVERIFY2(shipped.open(QIODevice::ReadOnly), qPrintable(shipped.fileName()));
        QCOMPARE(copy.readAll(), shipped.readAll());
    }

    void noListFileGivesOneEmptyEntryAndWritesOneEmptyLine()
    {
        ListBrowser *w = m_world.windows->listBrowser();
        QCOMPARE(w->m_addressList->entries(), QStringList{""});
        QVERIFY(WindowFrame::frameOf(w)->close());
        QCOMPARE(TestFiles::listBytes(), QByteArray("\r\n"));
        QVERIFY(!m_world.windows->loadedListBrowser());
    }

    void nextPrevAndChoosing()
    {
        QVERIFY(TestFiles::writeList("A\r\nB\r\nC\r\n"));
        ListBrowser *w = m_world.windows->listBrowser();
        w->showPrevious(); // Prev with nothing selected: nothing
        QCOMPARE(w->m_addressList->currentRow(), -1);
        QVERIFY(browser()->navigations.isEmpty());

        w->showNext(); // Next with nothing selected: the first entry
        QCOMPARE(w->m_addressList->currentRow(), 0);
        QCOMPARE(browser()->navigations, QStringList{"A"});
        QCOMPARE(w->m_chosenAddressBox->currentText(), QStringLiteral("A"));
        QCOMPARE(comboItems(w->m_chosenAddressBox), QStringList{"A"});

        w->showNext();
        w->showNext();
        QCOMPARE(w->m_addressList->currentRow(), 2);
        w->showNext(); // at the last entry: nothing
        QCOMPARE(w->m_addressList->currentRow(), 2);
        QCOMPARE(browser()->navigations, (QStringList{"A", "B", "C"}));

        w->showPrevious();
        w->showPrevious();
        QCOMPARE(w->m_addressList->currentRow(), 0);
        w->showPrevious(); // Prev at the first entry: no selection, nowhere navigated
        QCOMPARE(w->m_addressList->currentRow(), -1);
        QCOMPARE(browser()->navigations, (QStringList{"A", "B", "C", "B", "A"}));
        QCOMPARE(comboItems(w->m_chosenAddressBox), (QStringList{"A", "B", "C", "B", "A"}));
        QCOMPARE(w->m_chosenAddressBox->currentText(), QStringLiteral("A"));
        QVERIFY(m_world.platform->boxes.shown.isEmpty());
    }

    void entriesAreNavigatedExactlyAsStored()
    {
        QVERIFY(TestFiles::writeList("  spaced  \r\n\r\n"));
        ListBrowser *w = m_world.windows->listBrowser();
        w->showNext();
        w->showNext();
        QCOMPARE(browser()->navigations, (QStringList{"  spaced  ", ""}));
        QCOMPARE(comboItems(w->m_chosenAddressBox), (QStringList{"  spaced  ", ""}));
    }

    void mouseAndKeyboardChooseEntries()
    {
        QVERIFY(TestFiles::writeList("A\r\nB\r\n"));
        ListBrowser *w = m_world.windows->listBrowser();
        WindowFrame::frameOf(w)->resize(1100, 700);
        const QRect second = w->m_addressList->visualRect(w->m_addressList->model()->index(1, 0));
        QTest::mouseClick(w->m_addressList->viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(browser()->navigations, QStringList{"B"});
        w->m_addressList->setFocus();
        QTest::keyClick(w->m_addressList, Qt::Key_Up);
        QCOMPARE(browser()->navigations, (QStringList{"B", "A"}));
    }

    void killRemovesSelectedEntry()
    {
        QVERIFY(TestFiles::writeList("A\r\nB\r\nC\r\n"));
        ListBrowser *w = m_world.windows->listBrowser();
        w->removeSelected(); // nothing selected: nothing happens, no failure
        QCOMPARE(w->m_addressList->count(), 3);
        w->showNext();
        w->showNext(); // B
        w->removeSelected();
        QCOMPARE(w->m_addressList->entries(), (QStringList{"A", "C"}));
        QCOMPARE(w->m_addressList->currentRow(), -1);
        QCOMPARE(w->m_chosenAddressBox->currentText(), QStringLiteral("B")); // the box keeps its text
        w->showNext(); // Next selects the first entry again
        QCOMPARE(w->m_addressList->currentRow(), 0);
        QCOMPARE(browser()->navigations.last(), QStringLiteral("A"));
        QCOMPARE(TestFiles::listBytes(), QByteArray("A\r\nB\r\nC\r\n")); // the file is touched only on unload
    }

    void killingEveryEntryLeavesZeroByteFile()
    {
        QVERIFY(TestFiles::writeList("A\r\nB\r\n"));
        ListBrowser *w = m_world.windows->listBrowser();
        for (int i = 0; i < 2; ++i) {
            w->showNext();
            w->removeSelected();
        }
        QCOMPARE(w->m_addressList->count(), 0);
        QVERIFY(WindowFrame::frameOf(w)->close());
        QCOMPARE(TestFiles::listBytes(), QByteArray());
        QCOMPARE(m_world.windows->listBrowser()->m_addressList->entries(), QStringList{""});
    }

    void typingIntoTheBoxAddsHistoryButNavigatesNowhere()
    {
        ListBrowser *w = m_world.windows->listBrowser();
        w->m_chosenAddressBox->lineEdit()->clear();
        QTest::keyClicks(w->m_chosenAddressBox->lineEdit(), QStringLiteral("ab"));
        QCOMPARE(comboItems(w->m_chosenAddressBox), (QStringList{"", "a", "ab"}).mid(1));
        QVERIFY(browser()->navigations.isEmpty());
        // Picking an item of the drop-down list only shows it.
        w->m_chosenAddressBox->setCurrentIndex(0);
        QCOMPARE(w->m_chosenAddressBox->currentText(), QStringLiteral("a"));
        QCOMPARE(w->m_chosenAddressBox->count(), 2);
        QVERIFY(browser()->navigations.isEmpty());
    }

    void historyKeepsRepeats()
    {
        QVERIFY(TestFiles::writeList("A\r\nB\r\n"));
        ListBrowser *w = m_world.windows->listBrowser();
        w->showNext();
        w->showNext();
        w->showPrevious();
        QCOMPARE(comboItems(w->m_chosenAddressBox), (QStringList{"A", "B", "A"}));
    }

    void backAndForward()
    {
        QVERIFY(TestFiles::writeList("A\r\nB\r\n"));
        ListBrowser *w = m_world.windows->listBrowser();
        w->goBack(); // no page yet: nothing
        w->goForward();
        QVERIFY(browser()->url().isEmpty());
        w->showNext();
        w->showNext();
        w->goBack();
        QCOMPARE(browser()->url(), QStringLiteral("A"));
        w->goForward();
        QCOMPARE(browser()->url(), QStringLiteral("B"));
        QVERIFY(m_world.platform->boxes.shown.isEmpty());
    }

    void busyAnimationRunsWhileAndOnlyWhileThePageLoads()
    {
        QVERIFY(TestFiles::writeList("A\r\nB\r\n"));
        ListBrowser *w = m_world.windows->listBrowser();
        QVERIFY(!busyAnimation()->playing);
        // The browser's own announcement moves the animation, before any event loop turn.
        w->showNext();
        browser()->setBusy(true);
        QVERIFY(busyAnimation()->playing);
        browser()->setPageTitle(QStringLiteral("A")); // title and address changes keep it running
        browser()->setPageUrl(QStringLiteral("A#top"));
        QVERIFY(busyAnimation()->playing);
        browser()->setBusy(false);
        QVERIFY(!busyAnimation()->playing);
        // A stopped load ends the animation too; a second load starts it again.
        browser()->setBusy(true);
        QVERIFY(busyAnimation()->playing);
        browser()->stop();
        QVERIFY(!busyAnimation()->playing);
        // Idle stays idle: nothing is sent to the animation while nothing changes.
        const int sent = busyAnimation()->plays + busyAnimation()->stopsSent;
        QTest::qWait(50);
        QCOMPARE(busyAnimation()->plays + busyAnimation()->stopsSent, sent);
        QVERIFY(w->findChildren<QTimer *>().isEmpty()); // no timer polls the browser
    }

    void hideKeepsEverything()
    {
        QVERIFY(TestFiles::writeList("A\r\nB\r\n"));
        ListBrowser *w = m_world.windows->listBrowser();
        w->showNext();
        QVERIFY(TestFiles::writeList("changed\r\n"));
        w->hideWindow();
        QVERIFY(!WindowFrame::isVisible(w));
        QCOMPARE(m_world.windows->listBrowser(), w);
        WindowFrame::show(w);
        QCOMPARE(w->m_addressList->entries(), (QStringList{"A", "B"}));
        QCOMPARE(w->m_addressList->currentRow(), 0);
    }

    void addOpensTheAddWindowAndWriteBackKeepsTheEntry()
    {
        QVERIFY(TestFiles::writeList("X\r\nY\r\n"));
        ListBrowser *w = m_world.windows->listBrowser();
        w->openAddBar();
        QVERIFY(m_world.windows->loadedAddAddressBar());
        QVERIFY(WindowFrame::isVisible(m_world.windows->loadedAddAddressBar()));
        w->m_addressList->addEntry(QStringLiteral("A"));
        QCOMPARE(TestFiles::listBytes(), QByteArray("X\r\nY\r\n"));
        QVERIFY(WindowFrame::frameOf(w)->close());
        QCOMPARE(TestFiles::listBytes(), QByteArray("X\r\nY\r\nA\r\n"));
    }

    void failedWriteBackAsksAndCanKeepTheWindow()
    {
        QVERIFY(TestFiles::writeList("A\r\n"));
        ListBrowser *w = m_world.windows->listBrowser();
        w->m_addressList->addEntry(QStringLiteral("B"));
        // Make the data folder unwritable even for root: replace it by a regular file.
        const QString folder = ListPaths::dataFolder();
        QVERIFY(QDir(folder).removeRecursively());
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();

        m_world.platform->boxes.answers = {MessageBoxes::Answer::Cancel};
        QVERIFY(!WindowFrame::frameOf(w)->close());
        QCOMPARE(m_world.platform->boxes.shown.size(), 1);
        const auto box = m_world.platform->boxes.shown.first();
        QVERIFY2(box.text.contains(ListPaths::listFile()), qPrintable(box.text));
        QCOMPARE(box.icon, MessageBoxes::Icon::Critical);
        QVERIFY(m_world.windows->loadedListBrowser());
        QCOMPARE(w->m_addressList->entries(), (QStringList{"A", "B"}));

        // Once the folder can be written again, closing saves everything.
        QVERIFY(QFile::remove(folder));
        QVERIFY(WindowFrame::frameOf(w)->close());
        QCOMPARE(TestFiles::listBytes(), QByteArray("A\r\nB\r\n"));
    }

    void failedWriteBackCanCloseWithoutSaving()
    {
        ListBrowser *w = m_world.windows->listBrowser();
        const QString folder = ListPaths::dataFolder();
        QVERIFY(QDir(folder).removeRecursively());
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        m_world.platform->boxes.answers = {MessageBoxes::Answer::Ok};
        QVERIFY(WindowFrame::frameOf(w)->close());
        QVERIFY(!m_world.windows->loadedListBrowser());
        QVERIFY(QFile::remove(folder));
    }

    void typedChosenAddressIsNotCompleted()
    {
        QVERIFY(TestFiles::writeList("http://x/a.html\r\n"));
        ListBrowser *w = m_world.windows->listBrowser();
        w->m_addressList->setCurrentRow(0);
        WindowFrame::frameOf(w)->window()->show();
        WindowFrame::frameOf(w)->window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(WindowFrame::frameOf(w)->window()));
        w->m_chosenAddressBox->setFocus(Qt::MouseFocusReason);
        w->m_chosenAddressBox->lineEdit()->selectAll();
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("http://x/a"));
        QCOMPARE(w->m_chosenAddressBox->currentText(), QStringLiteral("http://x/a"));
    }

    void unreadableListIsNeverWrittenOver_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("a folder") << QStringLiteral("folder");
        QTest::newRow("a link to itself") << QStringLiteral("loop");
        QTest::newRow("no read permission") << QStringLiteral("mode 000");
    }
    void unreadableListIsNeverWrittenOver()
    {
        QFETCH(QString, kind);
        const QString path = ListPaths::listFile();
        QVERIFY(QDir().mkpath(ListPaths::dataFolder()));
        if (kind == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(path + QStringLiteral("/inside")));
        } else if (kind == QLatin1String("loop")) {
            QVERIFY(QFile::link(path, path));
        } else {
            if (::geteuid() == 0)
                QSKIP("root reads any file whatever its permissions");
            QVERIFY(TestFiles::writeList("mine\r\n"));
            QVERIFY(QFile::setPermissions(path, {}));
        }
        const QFileInfo before(path);
        ListBrowser *w = m_world.windows->listBrowser();
        QCOMPARE(m_world.platform->boxes.shown.size(), 1);
        const auto box = m_world.platform->boxes.shown.first();
        QCOMPARE(box.title, QStringLiteral("List not read"));
        QVERIFY2(box.text.contains(path), qPrintable(box.text));
        QCOMPARE(box.icon, MessageBoxes::Icon::Critical);
        QCOMPARE(w->m_addressList->entries(), QStringList{QString()});
        w->m_addressList->addEntry(QStringLiteral("typed meanwhile"));
        QVERIFY(WindowFrame::frameOf(w)->close());
        const QFileInfo after(path);
        QCOMPARE(after.isDir(), before.isDir());
        QCOMPARE(after.isSymLink(), before.isSymLink());
        QCOMPARE(after.size(), before.size());
        if (kind == QLatin1String("mode 000"))
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
    }

    void listNotSavedKeepsTheListOnEnter()
    {
        ListBrowser *w = m_world.windows->listBrowser();
        const QString folder = ListPaths::dataFolder();
        QVERIFY(QDir(folder).removeRecursively());
        QVERIFY(TestFiles::write(folder, "a file where the folder belongs"));
        m_world.platform->boxes.answers = {MessageBoxes::Answer::Cancel};
        QVERIFY(!WindowFrame::frameOf(w)->close());
        QCOMPARE(m_world.platform->boxes.shown.last().title, QStringLiteral("List not saved"));
        // Enter takes the default button, which must keep the list.
        QCOMPARE(m_world.platform->boxes.shown.last().buttons, MessageBoxes::Buttons::OkCancelDefaultCancel);
        QVERIFY(QFile::remove(folder));
    }

    void linkThatOpensANewWindowGetsABrowserWindow()
    {
        ListBrowser *w = m_world.windows->listBrowser();
        WebBrowser *target = nullptr;
        emit browser()->newWindowRequested(&target);
        const QList<BrowserWindow *> opened = m_world.windows->browserWindows();
        QCOMPARE(opened.size(), 1);
        QCOMPARE(target, opened.first()->m_view);
        QVERIFY(opened.first()->isVisible());
        QCOMPARE(opened.first()->windowTitle(), QStringLiteral("Quokka"));
        QVERIFY(WindowFrame::isVisible(w));
    }

    void accessibleNames()
    {
        ListBrowser *w = m_world.windows->listBrowser();
        const QList<QWidget *> controls{w->m_addressList, w->m_nextButton, w->m_previousButton, w->m_killButton, w->m_backButton,
                                        w->m_forwardButton, w->m_addButton, w->m_chosenAddressBox};
        for (QWidget *c : controls)
            QVERIFY2(!c->accessibleName().isEmpty() || !c->property("text").toString().isEmpty(),
                     qPrintable(c->objectName()));
    }
};

QTEST_MAIN(TestListBrowser)
#include "tst_listbrowser.moc"
