// The main window's toolbar: its five buttons and the branch each one runs.
#include "app/windows.h"
#include "app/mainwindow.h"
#include "browser/browserwindow.h"
#include "browser/listbrowser.h"
#include "fakes/fakeplatform.h"
#include "fakes/windowsworld.h"
#include "fakes/testfiles.h"
#include "lists/newlistwindow.h"
#include "lists/listviewwindow.h"
#include "lists/editlistwindow.h"
#include "store/listpaths.h"
#include "platform/webenginebrowser.h"
#include "ui/windowframe.h"
#include "ui/listbox.h"
#include "ui/multilinetextbox.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

class TestToolbar : public QObject {
    Q_OBJECT
private:
    WindowsWorld m_world;
    MainWindow *frame() { return m_world.windows->mainWindow(); }
    static FakeWebBrowser *fake(WebBrowser *b) { return qobject_cast<FakeWebBrowser *>(b); }

private slots:
    void init()
    {
        m_world.start();
        frame()->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame()));
    }
    void cleanup() { m_world.stop(); }

    void buttonsInOrder()
    {
        const QList<QAction *> actions = frame()->m_mainToolBar->actions();
        const QStringList keys{"edit", "quokka", "List", "kill", "big"};
        const QStringList tips{"Edit List", "Quokka", "Show List", "Oh my god! the red button!", "Enlarge quokka"};
        QCOMPARE(actions.size(), 5);
        QCOMPARE(frame()->m_mainToolBar->iconSize(), QSize(32, 32));
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(actions[i]->data().toString(), keys[i]);
            QCOMPARE(actions[i]->toolTip(), tips[i]);
            QVERIFY(!actions[i]->icon().isNull());
            auto *button = qobject_cast<QToolButton *>(frame()->m_mainToolBar->widgetForAction(actions[i]));
            QVERIFY(button);
            QCOMPARE(button->toolButtonStyle(), Qt::ToolButtonIconOnly);
            QCOMPARE(button->accessibleName().isEmpty() ? button->text() : button->accessibleName(), tips[i]);
        }
        // The menu's items keep their own names.
        QCOMPARE(frame()->menuItem(QStringLiteral("editList"))->text(), QStringLiteral("Edit List"));
    }

    void editLeavesTheListBrowserVisible()
    {
        QVERIFY(TestFiles::writeList("a\r\nb\r\n"));
        ListBrowser *list = m_world.windows->listBrowser();
        frame()->m_mainToolBar->actions().at(0)->trigger();
        QVERIFY(WindowFrame::isVisible(list));
        QVERIFY(m_world.windows->loadedEditListWindow() && WindowFrame::isVisible(m_world.windows->loadedEditListWindow()));
        QCOMPARE(m_world.windows->loadedEditListWindow()->m_listText->text(), QStringLiteral("a\r\nb")); // the same text as the menu command gives
        QVERIFY(m_world.platform->boxes.shown.isEmpty());
    }

    void editWithoutAListAsksForANewOne()
    {
        frame()->toolBarButtonClicked(QStringLiteral("edit"));
        QCOMPARE(m_world.platform->boxes.shown.size(), 2);
        QCOMPARE(m_world.platform->boxes.shown[0].text, QStringLiteral("List doesn't exist!"));
        QCOMPARE(m_world.platform->boxes.shown[0].title, QStringLiteral("Error!"));
        QCOMPARE(m_world.platform->boxes.shown[0].icon, MessageBoxes::Icon::Critical);
        QCOMPARE(m_world.platform->boxes.shown[1].text, QStringLiteral("Create a new List..."));
        QCOMPARE(m_world.platform->boxes.shown[1].icon, MessageBoxes::Icon::Information);
        QVERIFY(m_world.windows->loadedNewListWindow() && WindowFrame::isVisible(m_world.windows->loadedNewListWindow()));
        QVERIFY(!m_world.windows->loadedEditListWindow());
        QVERIFY(!m_world.windows->loadedListBrowser()); // the list browser is left as it was: not even loaded
    }

    void quokkaShowsTheHiddenListBrowserAtHome()
    {
        QVERIFY(TestFiles::writeList("A\r\nB\r\n"));
        frame()->openNewList(); // hides the list browser
        ListBrowser *list = m_world.windows->loadedListBrowser();
        QVERIFY(!WindowFrame::isVisible(list));
        const QStringList entries = list->m_addressList->entries();
        frame()->toolBarButtonClicked(QStringLiteral("quokka"));
        QVERIFY(WindowFrame::isVisible(list));
        QCOMPARE(list->m_addressList->entries(), entries);
        const QString home = fake(list->m_view)->navigations.value(0);
        QCOMPARE(home, WebEngineBrowser::homePage().toString());
        QVERIFY(QUrl(home).isLocalFile()); // works without a network
        QVERIFY(QFileInfo::exists(QUrl(home).toLocalFile()));
        QVERIFY(!m_world.windows->loadedBrowserWindow());
    }

    void kill_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("fileBefore");
        QTest::newRow("ok") << int(MessageBoxes::Answer::Ok) << true;
        QTest::newRow("ok, no file") << int(MessageBoxes::Answer::Ok) << false;
        QTest::newRow("cancel") << int(MessageBoxes::Answer::Cancel) << true;
    }
    void kill()
    {
        QFETCH(int, answer);
        QFETCH(bool, fileBefore);
        if (fileBefore)
            QVERIFY(TestFiles::writeList("A\r\nB\r\n"));
        m_world.platform->boxes.answers = {MessageBoxes::Answer(answer)};
        frame()->toolBarButtonClicked(QStringLiteral("kill"));
        QCOMPARE(m_world.platform->boxes.shown.size(), 1);
        QCOMPARE(m_world.platform->boxes.shown[0].text, QStringLiteral("Would you like to Kill all the entries?"));
        QCOMPARE(m_world.platform->boxes.shown[0].title, QStringLiteral("Kill all"));
        QCOMPARE(m_world.platform->boxes.shown[0].buttons, MessageBoxes::Buttons::OkCancel);
        if (MessageBoxes::Answer(answer) == MessageBoxes::Answer::Cancel) {
            QVERIFY(QFile::exists(ListPaths::listFile()));
            QVERIFY(!m_world.windows->loadedListBrowser());
            return;
        }
        QCOMPARE(TestFiles::listBytes(), QByteArray());
        QCOMPARE(m_world.windows->loadedListBrowser()->m_addressList->entries(), QStringList{QString()});
    }

    void listShowsTheListViewOnly()
    {
        frame()->toolBarButtonClicked(QStringLiteral("List"));
        QVERIFY(m_world.windows->loadedListViewWindow() && WindowFrame::isVisible(m_world.windows->loadedListViewWindow()));
        QVERIFY(!m_world.windows->loadedListBrowser());
        QVERIFY(!m_world.windows->loadedNewListWindow());
        QVERIFY(!m_world.windows->loadedEditListWindow());
        QVERIFY(!m_world.windows->loadedBrowserWindow());
        QVERIFY(m_world.platform->boxes.shown.isEmpty());
    }

    void keysThatMatchNoButtonDoNothing_data()
    {
        QTest::addColumn<QString>("key");
        for (const char *key : {"list", "Edit", "BIG", "", "quokka ", "back"})
            QTest::newRow(key) << QString::fromLatin1(key);
    }
    void keysThatMatchNoButtonDoNothing()
    {
        QFETCH(QString, key);
        frame()->toolBarButtonClicked(key);
        QVERIFY(!m_world.windows->loadedListBrowser());
        QVERIFY(!m_world.windows->loadedNewListWindow());
        QVERIFY(!m_world.windows->loadedListViewWindow());
        QVERIFY(!m_world.windows->loadedEditListWindow());
        QVERIFY(!m_world.windows->loadedBrowserWindow());
        QVERIFY(m_world.platform->boxes.shown.isEmpty());
        QVERIFY(!frame()->isMinimized());
    }

    void bigMovesTheListBrowsersPageAndMinimizes()
    {
        ListBrowser *list = m_world.windows->listBrowser();
        fake(list->m_view)->navigate(QStringLiteral("http://shown/page"));
        frame()->toolBarButtonClicked(QStringLiteral("big"));
        BrowserWindow *big = m_world.windows->loadedBrowserWindow();
        QVERIFY(big && big->isVisible());
        QVERIFY(big->isWindow());
        QCOMPARE(fake(big->m_view)->navigations, QStringList{"http://shown/page"});
        QCOMPARE(big->m_addressBox->currentText(), QStringLiteral("http://shown/page"));
        QTRY_VERIFY(frame()->windowState() & Qt::WindowMinimized);
        QVERIFY(big->isVisible()); // the browser window stays on screen
    }

    void bigWithANeverOpenedListBrowser()
    {
        QVERIFY(TestFiles::writeList("A\r\n"));
        QVERIFY(!m_world.windows->loadedListBrowser());
        frame()->toolBarButtonClicked(QStringLiteral("big"));
        ListBrowser *list = m_world.windows->loadedListBrowser();
        QVERIFY(list); // loaded on the way, and so shown inside the frame
        QVERIFY(WindowFrame::isVisible(list));
        QCOMPARE(list->m_addressList->entries(), QStringList{"A"});
        BrowserWindow *big = m_world.windows->loadedBrowserWindow();
        QVERIFY(big && big->isVisible());
        QCOMPARE(fake(big->m_view)->navigations, QStringList{QString()});
        QCOMPARE(big->m_addressBox->currentText(), QString());
        QTRY_VERIFY(frame()->windowState() & Qt::WindowMinimized);
        QVERIFY(m_world.platform->boxes.shown.isEmpty());
    }

    void bigReusesTheSharedBrowserWindow()
    {
        BrowserWindow *shared = m_world.windows->browserWindow();
        shared->openNewWindow();
        frame()->toolBarButtonClicked(QStringLiteral("big"));
        QCOMPARE(m_world.windows->loadedBrowserWindow(), shared);
        QCOMPARE(m_world.windows->browserWindows().size(), 2);
        QVERIFY(fake(m_world.windows->browserWindows()[1]->m_view)->navigations.isEmpty());
    }
};

QTEST_MAIN(TestToolbar)
#include "tst_maintoolbar.moc"
