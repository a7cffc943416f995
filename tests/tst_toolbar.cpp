// The main window's toolbar: its five buttons and the branch each one runs.
#include "app/forms.h"
#include "app/mdiform1.h"
#include "browser/form4.h"
#include "browser/urlcheck.h"
#include "fakes/fakeplatform.h"
#include "fakes/formsworld.h"
#include "fakes/testfiles.h"
#include "lists/form1.h"
#include "lists/form2.h"
#include "lists/form3.h"
#include "lists/listpaths.h"
#include "platform/webenginebrowser.h"
#include "ui/formwindow.h"
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
    FormsWorld m_world;
    MDIForm1 *frame() { return m_world.forms->MDIForm1(); }
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
        const QList<QAction *> actions = frame()->Toolbar1->actions();
        const QStringList keys{"edit", "quokka", "List", "kill", "big"};
        const QStringList tips{"Edit List", "Quokka", "Show List", "Oh my god! the red button!", "Enlarge quokka"};
        QCOMPARE(actions.size(), 5);
        QCOMPARE(frame()->Toolbar1->iconSize(), QSize(32, 32));
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(actions[i]->data().toString(), keys[i]);
            QCOMPARE(actions[i]->toolTip(), tips[i]);
            QVERIFY(!actions[i]->icon().isNull());
            auto *button = qobject_cast<QToolButton *>(frame()->Toolbar1->widgetForAction(actions[i]));
            QVERIFY(button);
            QCOMPARE(button->toolButtonStyle(), Qt::ToolButtonIconOnly);
            QCOMPARE(button->accessibleName().isEmpty() ? button->text() : button->accessibleName(), tips[i]);
        }
        // The menu's items keep their own names.
        QCOMPARE(frame()->menuItem(QStringLiteral("edit"))->text(), QStringLiteral("Edit List"));
    }

    void editLeavesTheListBrowserVisible()
    {
        QVERIFY(TestFiles::writeList("a\r\nb\r\n"));
        URLcheck *list = m_world.forms->URLcheck();
        frame()->Toolbar1->actions().at(0)->trigger();
        QVERIFY(FormWindow::isVisible(list));
        QVERIFY(m_world.forms->loadedForm3() && FormWindow::isVisible(m_world.forms->loadedForm3()));
        QCOMPARE(m_world.forms->loadedForm3()->url->Text(), QStringLiteral("a\r\nb")); // the same text as the menu command gives
        QVERIFY(m_world.platform->boxes.shown.isEmpty());
    }

    void editWithoutAListAsksForANewOne()
    {
        frame()->Toolbar1_ButtonClick(QStringLiteral("edit"));
        QCOMPARE(m_world.platform->boxes.shown.size(), 2);
        QCOMPARE(m_world.platform->boxes.shown[0].text, QStringLiteral("List doesn't exist!"));
        QCOMPARE(m_world.platform->boxes.shown[0].title, QStringLiteral("Error!"));
        QCOMPARE(m_world.platform->boxes.shown[0].icon, MessageBoxes::Icon::Critical);
        QCOMPARE(m_world.platform->boxes.shown[1].text, QStringLiteral("Create a new List..."));
        QCOMPARE(m_world.platform->boxes.shown[1].icon, MessageBoxes::Icon::Information);
        QVERIFY(m_world.forms->loadedForm1() && FormWindow::isVisible(m_world.forms->loadedForm1()));
        QVERIFY(!m_world.forms->loadedForm3());
        QVERIFY(!m_world.forms->loadedURLcheck()); // the list browser is left as it was: not even loaded
    }

    void quokkaShowsTheHiddenListBrowserAtHome()
    {
        QVERIFY(TestFiles::writeList("A\r\nB\r\n"));
        frame()->add_Click(); // hides the list browser
        URLcheck *list = m_world.forms->loadedURLcheck();
        QVERIFY(!FormWindow::isVisible(list));
        const QStringList entries = list->List1->entries();
        frame()->Toolbar1_ButtonClick(QStringLiteral("quokka"));
        QVERIFY(FormWindow::isVisible(list));
        QCOMPARE(list->List1->entries(), entries);
        const QString home = fake(list->WebBrowser1)->navigations.value(0);
        QCOMPARE(home, WebEngineBrowser::homePage().toString());
        QVERIFY(QUrl(home).isLocalFile()); // works without a network
        QVERIFY(QFileInfo::exists(QUrl(home).toLocalFile()));
        QVERIFY(!m_world.forms->loadedForm4());
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
        frame()->Toolbar1_ButtonClick(QStringLiteral("kill"));
        QCOMPARE(m_world.platform->boxes.shown.size(), 1);
        QCOMPARE(m_world.platform->boxes.shown[0].text, QStringLiteral("Would you like to Kill all the entries?"));
        QCOMPARE(m_world.platform->boxes.shown[0].title, QStringLiteral("Kill all"));
        QCOMPARE(m_world.platform->boxes.shown[0].buttons, MessageBoxes::Buttons::OkCancel);
        if (MessageBoxes::Answer(answer) == MessageBoxes::Answer::Cancel) {
            QVERIFY(QFile::exists(ListPaths::listFile()));
            QVERIFY(!m_world.forms->loadedURLcheck());
            return;
        }
        QVERIFY(!QFile::exists(ListPaths::listFile()));
        QCOMPARE(m_world.forms->loadedURLcheck()->List1->entries(), QStringList{QString()});
    }

    void listShowsTheListViewOnly()
    {
        frame()->Toolbar1_ButtonClick(QStringLiteral("List"));
        QVERIFY(m_world.forms->loadedForm2() && FormWindow::isVisible(m_world.forms->loadedForm2()));
        QVERIFY(!m_world.forms->loadedURLcheck());
        QVERIFY(!m_world.forms->loadedForm1());
        QVERIFY(!m_world.forms->loadedForm3());
        QVERIFY(!m_world.forms->loadedForm4());
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
        frame()->Toolbar1_ButtonClick(key);
        QVERIFY(!m_world.forms->loadedURLcheck());
        QVERIFY(!m_world.forms->loadedForm1());
        QVERIFY(!m_world.forms->loadedForm2());
        QVERIFY(!m_world.forms->loadedForm3());
        QVERIFY(!m_world.forms->loadedForm4());
        QVERIFY(m_world.platform->boxes.shown.isEmpty());
        QVERIFY(!frame()->isMinimized());
    }

    void bigMovesTheListBrowsersPageAndMinimizes()
    {
        URLcheck *list = m_world.forms->URLcheck();
        fake(list->WebBrowser1)->Navigate(QStringLiteral("http://shown/page"));
        frame()->Toolbar1_ButtonClick(QStringLiteral("big"));
        Form4 *big = m_world.forms->loadedForm4();
        QVERIFY(big && big->isVisible());
        QVERIFY(big->isWindow());
        QCOMPARE(fake(big->brow)->navigations, QStringList{"http://shown/page"});
        QCOMPARE(big->cboAddress->currentText(), QStringLiteral("http://shown/page"));
        QTRY_VERIFY(frame()->windowState() & Qt::WindowMinimized);
        QVERIFY(big->isVisible()); // the browser window stays on screen
    }

    void bigWithANeverOpenedListBrowser()
    {
        QVERIFY(TestFiles::writeList("A\r\n"));
        QVERIFY(!m_world.forms->loadedURLcheck());
        frame()->Toolbar1_ButtonClick(QStringLiteral("big"));
        URLcheck *list = m_world.forms->loadedURLcheck();
        QVERIFY(list); // loaded on the way, and so shown inside the frame
        QVERIFY(FormWindow::isVisible(list));
        QCOMPARE(list->List1->entries(), QStringList{"A"});
        Form4 *big = m_world.forms->loadedForm4();
        QVERIFY(big && big->isVisible());
        QCOMPARE(fake(big->brow)->navigations, QStringList{QString()});
        QCOMPARE(big->cboAddress->currentText(), QString());
        QTRY_VERIFY(frame()->windowState() & Qt::WindowMinimized);
        QVERIFY(m_world.platform->boxes.shown.isEmpty());
    }

    void bigReusesTheSharedBrowserWindow()
    {
        Form4 *shared = m_world.forms->Form4();
        shared->new_Click();
        frame()->Toolbar1_ButtonClick(QStringLiteral("big"));
        QCOMPARE(m_world.forms->loadedForm4(), shared);
        QCOMPARE(m_world.forms->browserWindows().size(), 2);
        QVERIFY(fake(m_world.forms->browserWindows()[1]->brow)->navigations.isEmpty());
    }
};

QTEST_MAIN(TestToolbar)
#include "tst_toolbar.moc"
