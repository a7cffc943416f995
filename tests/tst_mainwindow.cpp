// The main window: its menu tree, the commands that work on the list, Quit against closing.
#include "app/windows.h"
#include "app/mainwindow.h"
#include "browser/browserwindow.h"
#include "browser/listbrowser.h"
#include "fakes/fakeplatform.h"
#include "fakes/windowsworld.h"
#include "fakes/testfiles.h"
#include "lists/newlistwindow.h"
#include "lists/editlistwindow.h"
#include "store/listpaths.h"
#include "ui/windowframe.h"
#include "ui/listbox.h"
#include "ui/multilinetextbox.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QtTest>

class TestMainWindow : public QObject {
    Q_OBJECT
private:
    WindowsWorld m_world;
    MainWindow *frame() { return m_world.windows->mainWindow(); }

private slots:
    void init()
    {
        m_world.start();
        frame()->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame()));
    }
    void cleanup() { m_world.stop(); }

    void frameProperties()
    {
        QCOMPARE(frame()->windowTitle(), QStringLiteral("Quokka"));
        QVERIFY(!frame()->windowIcon().isNull());
        QCOMPARE(frame()->mdiArea()->background().color(), QColor(Qt::white));
    }

    void menuTree()
    {
        // Top-level menus and their items in menu order, with captions and shortcuts.
        const QList<QStringList> expected{
            {"fileMenu", "&File", "newQuokka|New Quokka|Ctrl+N", "fileSeparator|-|", "quit|Quit|"},
            {"listMenu", "&List", "newList|New List|Ctrl+L", "editList|Edit List|", "checkList|Check List|Ctrl+K", "gallery|Gallery|Ctrl+G", "tidySeparator|-|", "removeDuplicates|Remove Duplicates|", "sortByAddress|Sort by Address|", "sortByHost|Sort by Host|", "undoListChange|Undo List Change|Ctrl+Z", "listSeparator|-|", "importAddresses|Import Addresses…|", "pasteAddresses|Paste Addresses|", "exportList|Export List…|", "transferSeparator|-|", "destroyList|Destroy List|"},
            {"browserMenu", "Browser", "big|Big|"},
            {"helpMenu", "&?", "info|Info|", "helpSeparator|-|", "cheatMode|Toggle Cheatmode|Ctrl+Shift+F12"},
        };
        const QList<QAction *> tops = frame()->menuBar()->actions();
        QCOMPARE(tops.size(), expected.size());
        for (int m = 0; m < expected.size(); ++m) {
            QMenu *menu = tops[m]->menu();
            QVERIFY(menu);
            QCOMPARE(menu->objectName(), expected[m][0]);
            QCOMPARE(menu->title(), expected[m][1]);
            const QList<QAction *> items = menu->actions();
            QCOMPARE(items.size(), expected[m].size() - 2);
            for (int i = 0; i < items.size(); ++i) {
                const QStringList want = expected[m][i + 2].split(QLatin1Char('|'));
                QCOMPARE(items[i]->objectName(), want[0]);
                QCOMPARE(items[i]->isSeparator() ? QStringLiteral("-") : items[i]->text(), want[1]);
                QCOMPARE(items[i]->shortcut().toString(), want[2]);
                QVERIFY(items[i]->isEnabled());
                QVERIFY(items[i]->isVisible());
                QVERIFY(!items[i]->isCheckable());
            }
        }
    }

    void shortcutsWorkFromAnywhereInTheFrame()
    {
        ListBrowser *list = m_world.windows->listBrowser();
        list->m_addressList->setFocus();
        QTest::keyClick(list->m_addressList, Qt::Key_L, Qt::ControlModifier);
        QVERIFY(m_world.windows->loadedNewListWindow());
        QVERIFY(!WindowFrame::isVisible(list));
        QTest::keyClick(m_world.windows->loadedNewListWindow()->m_listText, Qt::Key_F12, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(m_world.windows->loadedCheatBox());
        QTest::keyClick(frame(), Qt::Key_N, Qt::ControlModifier);
        QVERIFY(m_world.windows->loadedBrowserWindow());
        QVERIFY(m_world.windows->loadedBrowserWindow()->isVisible());
    }

    void quitWritesNothingBack()
    {
        QVERIFY(TestFiles::writeList("A\r\n"));
        ListBrowser *list = m_world.windows->listBrowser();
        list->m_addressList->addEntry(QStringLiteral("added"));
        frame()->menuItem(QStringLiteral("quit"))->trigger();
        QCOMPARE(m_world.platform->quits, 1);
        m_world.windows.reset(); // the program ends: the windows go without closing
        QCOMPARE(TestFiles::listBytes(), QByteArray("A\r\n"));
    }

    void closingTheFrameUnloadsTheListBrowser()
    {
        QVERIFY(TestFiles::writeList("A\r\n"));
        m_world.windows->listBrowser()->m_addressList->addEntry(QStringLiteral("added"));
        WindowFrame::hide(m_world.windows->listBrowser()); // hidden windows are unloaded too
        QVERIFY(frame()->close());
        QCOMPARE(TestFiles::listBytes(), QByteArray("A\r\nadded\r\n"));
        QCOMPARE(m_world.platform->quits, 0);
    }

    void closingTheFrameStopsWhenTheListCannotBeSaved()
    {
        m_world.windows->listBrowser();
        const QString folder = ListPaths::dataFolder();
        QVERIFY(QDir(folder).removeRecursively());
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        m_world.platform->boxes.answers = {MessageBoxes::Answer::Cancel};
        QVERIFY(!frame()->close());
        QVERIFY(frame()->isVisible());
        QVERIFY(m_world.windows->loadedListBrowser());
        QVERIFY(QFile::remove(folder));
    }

    void destroyList_data()
    {
        QTest::addColumn<bool>("hadFile");
        QTest::addColumn<bool>("listBrowserOpen");
        QTest::newRow("file, list browser open") << true << true;
        QTest::newRow("file, no list browser") << true << false;
        QTest::newRow("no file") << false << false;
    }
    void destroyList()
    {
        QFETCH(bool, hadFile);
        QFETCH(bool, listBrowserOpen);
        if (hadFile)
            QVERIFY(TestFiles::writeList("A\r\nB\r\n"));
        if (listBrowserOpen)
            m_world.windows->listBrowser()->showNext();

        m_world.platform->boxes.answers = {MessageBoxes::Answer::Cancel};
        frame()->destroyList();
        QCOMPARE(m_world.platform->boxes.shown.size(), 1);
        const auto box = m_world.platform->boxes.shown.first();
        QCOMPARE(box.text, QStringLiteral("Would you like to Kill all the entries?"));
        QCOMPARE(box.title, QStringLiteral("Kill all"));
        QCOMPARE(box.buttons, MessageBoxes::Buttons::OkCancel);
        QCOMPARE(box.icon, MessageBoxes::Icon::Question);
        QCOMPARE(bool(m_world.windows->loadedListBrowser()), listBrowserOpen);
        QCOMPARE(QFile::exists(ListPaths::listFile()), hadFile);

        m_world.platform->boxes.answers = {MessageBoxes::Answer::Ok};
        frame()->destroyList();
        // The list is emptied in place of being deleted, so that its owner, group and links stay.
        QCOMPARE(TestFiles::listBytes(), QByteArray());
        ListBrowser *list = m_world.windows->loadedListBrowser();
        QVERIFY(list);
        QVERIFY(WindowFrame::isVisible(list));
        QCOMPARE(list->m_addressList->entries(), QStringList{""});
    }

    void destroyListKeepsALinkToTheList()
    {
        // A list kept elsewhere (a synced folder) and linked into the data folder stays linked.
        QTemporaryDir elsewhere;
        const QString real = elsewhere.filePath(QStringLiteral("my-list.dat"));
        QVERIFY(TestFiles::write(real, "A\r\nB\r\n"));
        QVERIFY(QDir().mkpath(ListPaths::dataFolder()));
        QVERIFY(QFile::link(real, ListPaths::listFile()));
        m_world.platform->boxes.answers = {MessageBoxes::Answer::Ok};
        frame()->destroyList();
        QCOMPARE(m_world.platform->boxes.shown.size(), 1);
        QVERIFY(QFileInfo(ListPaths::listFile()).isSymLink());
        QCOMPARE(TestFiles::read(real), QByteArray());
        QCOMPARE(m_world.windows->loadedListBrowser()->m_addressList->entries(), QStringList{""});
        // Later saves reach the real list through the link.
        m_world.windows->listBrowser()->m_addressList->addEntry(QStringLiteral("C"));
        QVERIFY(WindowFrame::frameOf(m_world.windows->listBrowser())->close());
        QCOMPARE(TestFiles::read(real), QByteArray("\r\nC\r\n"));
    }

    void failedDestroyListIsReported()
    {
        QVERIFY(TestFiles::writeList("A\r\nB\r\n"));
        m_world.windows->listBrowser()->m_addressList->addEntry(QStringLiteral("added"));
        // A write-protected list says "do not change me".
        QVERIFY(QFile::setPermissions(ListPaths::listFile(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        // OK to "Kill all", OK to dropping the unsaved Add, then the report.
        m_world.platform->boxes.answers = {MessageBoxes::Answer::Ok, MessageBoxes::Answer::Ok};
        frame()->destroyList();
        QCOMPARE(m_world.platform->boxes.shown.size(), 3);
        QCOMPARE(m_world.platform->boxes.shown.at(1).title, QStringLiteral("Unsaved changes"));
        const auto box = m_world.platform->boxes.shown.at(2);
        QVERIFY2(box.text.contains(QDir::toNativeSeparators(ListPaths::listFile())), qPrintable(box.text));
        QVERIFY2(box.text.contains(QLatin1String("read-only")), qPrintable(box.text));
        QCOMPARE(box.icon, MessageBoxes::Icon::Critical);
        QCOMPARE(TestFiles::listBytes(), QByteArray("A\r\nB\r\n"));
        // Nothing was destroyed, so the working list stays as it was.
        QCOMPARE(m_world.windows->loadedListBrowser()->m_addressList->entries(), (QStringList{"A", "B", "added"}));
        QVERIFY(QFile::setPermissions(ListPaths::listFile(), QFile::ReadOwner | QFile::WriteOwner));
    }

    void editListFailurePath()
    {
        frame()->editList();
        QCOMPARE(m_world.platform->boxes.shown.size(), 2);
        QCOMPARE(m_world.platform->boxes.shown[0].text, QStringLiteral("List doesn't exist!"));
        QCOMPARE(m_world.platform->boxes.shown[0].title, QStringLiteral("Error!"));
        QCOMPARE(m_world.platform->boxes.shown[0].icon, MessageBoxes::Icon::Critical);
        QCOMPARE(m_world.platform->boxes.shown[1].text, QStringLiteral("Create a new List..."));
        QCOMPARE(m_world.platform->boxes.shown[1].title, QStringLiteral("New list"));
        QCOMPARE(m_world.platform->boxes.shown[1].icon, MessageBoxes::Icon::Information);
        QVERIFY(m_world.windows->loadedNewListWindow());
        QVERIFY(WindowFrame::isVisible(m_world.windows->loadedNewListWindow()));
        QVERIFY(!m_world.windows->loadedEditListWindow());
        QVERIFY(!WindowFrame::isVisible(m_world.windows->loadedListBrowser()));
    }

    void editListShowsTheListAsText()
    {
        QVERIFY(TestFiles::writeList("a\r\nb\r\n"));
        frame()->editList();
        QVERIFY(m_world.platform->boxes.shown.isEmpty());
        QVERIFY(m_world.windows->loadedEditListWindow());
        QCOMPARE(m_world.windows->loadedEditListWindow()->m_listText->text(), QStringLiteral("a\r\nb"));
        QVERIFY(!WindowFrame::isVisible(m_world.windows->loadedListBrowser()));
    }

    void newListHidesTheListBrowser()
    {
        frame()->openNewList();
        QVERIFY(WindowFrame::isVisible(m_world.windows->loadedNewListWindow()));
        QVERIFY(m_world.windows->loadedListBrowser());
        QVERIFY(!WindowFrame::isVisible(m_world.windows->loadedListBrowser()));
    }

    void bigOpensTheSelectedEntry()
    {
        QVERIFY(TestFiles::writeList("http://a/\r\nhttp://b/\r\n"));
        frame()->showSelectedInBrowserWindow(); // nothing selected: empty text
        BrowserWindow *big = m_world.windows->loadedBrowserWindow();
        QVERIFY(big && big->isVisible());
        auto *view = qobject_cast<FakeWebBrowser *>(big->m_view);
        QCOMPARE(view->navigations, QStringList{""});
        ListBrowser *list = m_world.windows->loadedListBrowser();
        list->showNext();
        list->showNext();
        frame()->showSelectedInBrowserWindow();
        QCOMPARE(m_world.windows->loadedBrowserWindow(), big);
        QCOMPARE(view->navigations, (QStringList{"", "http://b/"}));
    }

    void infoHidesTheListBrowser()
    {
        frame()->showAbout();
        QVERIFY(m_world.windows->loadedAboutDialog());
        QVERIFY(!WindowFrame::isVisible(m_world.windows->loadedListBrowser()));
    }

    void startsSilentlyWithoutSoundFile()
    {
        // The real sound player stays silent without a file; the frame asks for download.avi at volume 50.
        QCOMPARE(m_world.platform->sounds.size(), 1);
        QCOMPARE(m_world.platform->soundVolumes.first(), 50);
        QVERIFY(m_world.platform->boxes.shown.isEmpty());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
