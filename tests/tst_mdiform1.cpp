// The main window: its menu tree, the commands that work on the list, Quit against closing.
#include "app/forms.h"
#include "app/mdiform1.h"
#include "browser/form4.h"
#include "browser/urlcheck.h"
#include "fakes/fakeplatform.h"
#include "fakes/formsworld.h"
#include "fakes/testfiles.h"
#include "lists/form1.h"
#include "lists/form3.h"
#include "lists/listpaths.h"
#include "ui/formwindow.h"
#include "ui/listbox.h"
#include "ui/multilinetextbox.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QtTest>

class TestMDIForm1 : public QObject {
    Q_OBJECT
private:
    FormsWorld m_world;
    MDIForm1 *frame() { return m_world.forms->MDIForm1(); }

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
            {"file", "&File", "new|New Quokka|Ctrl+N", "gf|-|", "quit|Quit|"},
            {"list", "&List", "add|New List|Ctrl+L", "edit|Edit List|", "s|-|", "killall|Destroy List|"},
            {"brow", "Browser", "big|Big|"},
            {"help", "&?", "info|Info|", "b|-|", "cheat|Toggle Cheatmode|Ctrl+Shift+F12"},
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
        URLcheck *list = m_world.forms->URLcheck();
        list->List1->setFocus();
        QTest::keyClick(list->List1, Qt::Key_L, Qt::ControlModifier);
        QVERIFY(m_world.forms->loadedForm1());
        QVERIFY(!FormWindow::isVisible(list));
        QTest::keyClick(m_world.forms->loadedForm1()->url, Qt::Key_F12, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(m_world.forms->loadedForm5());
        QTest::keyClick(frame(), Qt::Key_N, Qt::ControlModifier);
        QVERIFY(m_world.forms->loadedForm4());
        QVERIFY(m_world.forms->loadedForm4()->isVisible());
    }

    void quitWritesNothingBack()
    {
        QVERIFY(TestFiles::writeList("A\r\n"));
        URLcheck *list = m_world.forms->URLcheck();
        list->List1->AddItem(QStringLiteral("added"));
        frame()->menuItem(QStringLiteral("quit"))->trigger();
        QCOMPARE(m_world.platform->quits, 1);
        m_world.forms.reset(); // the program ends: the windows go without closing
        QCOMPARE(TestFiles::listBytes(), QByteArray("A\r\n"));
    }

    void closingTheFrameUnloadsTheListBrowser()
    {
        QVERIFY(TestFiles::writeList("A\r\n"));
        m_world.forms->URLcheck()->List1->AddItem(QStringLiteral("added"));
        FormWindow::hide(m_world.forms->URLcheck()); // hidden windows are unloaded too
        QVERIFY(frame()->close());
        QCOMPARE(TestFiles::listBytes(), QByteArray("A\r\nadded\r\n"));
        QCOMPARE(m_world.platform->quits, 0);
    }

    void closingTheFrameStopsWhenTheListCannotBeSaved()
    {
        m_world.forms->URLcheck();
        const QString folder = ListPaths::dataFolder();
        QVERIFY(QDir(folder).removeRecursively());
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        m_world.platform->boxes.answers = {MessageBoxes::Answer::Cancel};
        QVERIFY(!frame()->close());
        QVERIFY(frame()->isVisible());
        QVERIFY(m_world.forms->loadedURLcheck());
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
            m_world.forms->URLcheck()->Command1_Click();

        m_world.platform->boxes.answers = {MessageBoxes::Answer::Cancel};
        frame()->killall_Click();
        QCOMPARE(m_world.platform->boxes.shown.size(), 1);
        const auto box = m_world.platform->boxes.shown.first();
        QCOMPARE(box.text, QStringLiteral("Would you like to Kill all the entries?"));
        QCOMPARE(box.title, QStringLiteral("Kill all"));
        QCOMPARE(box.buttons, MessageBoxes::Buttons::OkCancel);
        QCOMPARE(box.icon, MessageBoxes::Icon::Question);
        QCOMPARE(bool(m_world.forms->loadedURLcheck()), listBrowserOpen);
        QCOMPARE(QFile::exists(ListPaths::listFile()), hadFile);

        m_world.platform->boxes.answers = {MessageBoxes::Answer::Ok};
        frame()->killall_Click();
        QVERIFY(!QFile::exists(ListPaths::listFile()));
        URLcheck *list = m_world.forms->loadedURLcheck();
        QVERIFY(list);
        QVERIFY(FormWindow::isVisible(list));
        QCOMPARE(list->List1->entries(), QStringList{""});
    }

    void editListFailurePath()
    {
        frame()->edit_Click();
        QCOMPARE(m_world.platform->boxes.shown.size(), 2);
        QCOMPARE(m_world.platform->boxes.shown[0].text, QStringLiteral("List doesn't exist!"));
        QCOMPARE(m_world.platform->boxes.shown[0].title, QStringLiteral("Error!"));
        QCOMPARE(m_world.platform->boxes.shown[0].icon, MessageBoxes::Icon::Critical);
        QCOMPARE(m_world.platform->boxes.shown[1].text, QStringLiteral("Create a new List..."));
        QCOMPARE(m_world.platform->boxes.shown[1].title, QStringLiteral("New list"));
        QCOMPARE(m_world.platform->boxes.shown[1].icon, MessageBoxes::Icon::Information);
        QVERIFY(m_world.forms->loadedForm1());
        QVERIFY(FormWindow::isVisible(m_world.forms->loadedForm1()));
        QVERIFY(!m_world.forms->loadedForm3());
        QVERIFY(!FormWindow::isVisible(m_world.forms->loadedURLcheck()));
    }

    void editListShowsTheListAsText()
    {
        QVERIFY(TestFiles::writeList("a\r\nb\r\n"));
        frame()->edit_Click();
        QVERIFY(m_world.platform->boxes.shown.isEmpty());
        QVERIFY(m_world.forms->loadedForm3());
        QCOMPARE(m_world.forms->loadedForm3()->url->Text(), QStringLiteral("a\r\nb"));
        QVERIFY(!FormWindow::isVisible(m_world.forms->loadedURLcheck()));
    }

    void newListHidesTheListBrowser()
    {
        frame()->add_Click();
        QVERIFY(FormWindow::isVisible(m_world.forms->loadedForm1()));
        QVERIFY(m_world.forms->loadedURLcheck());
        QVERIFY(!FormWindow::isVisible(m_world.forms->loadedURLcheck()));
    }

    void bigOpensTheSelectedEntry()
    {
        QVERIFY(TestFiles::writeList("http://a/\r\nhttp://b/\r\n"));
        frame()->big_Click(); // nothing selected: empty text
        Form4 *big = m_world.forms->loadedForm4();
        QVERIFY(big && big->isVisible());
        auto *brow = qobject_cast<FakeWebBrowser *>(big->brow);
        QCOMPARE(brow->navigations, QStringList{""});
        URLcheck *list = m_world.forms->loadedURLcheck();
        list->Command1_Click();
        list->Command1_Click();
        frame()->big_Click();
        QCOMPARE(m_world.forms->loadedForm4(), big);
        QCOMPARE(brow->navigations, (QStringList{"", "http://b/"}));
    }

    void infoHidesTheListBrowser()
    {
        frame()->info_Click();
        QVERIFY(m_world.forms->loadedFrmAbout());
        QVERIFY(!FormWindow::isVisible(m_world.forms->loadedURLcheck()));
    }

    void startsSilentlyWithoutSoundFile()
    {
        // The real sound player stays silent without a file; the frame asks for download.avi at volume 50.
        QCOMPARE(m_world.platform->sounds.size(), 1);
        QCOMPARE(m_world.platform->soundVolumes.first(), 50);
        QVERIFY(m_world.platform->boxes.shown.isEmpty());
    }
};

QTEST_MAIN(TestMDIForm1)
#include "tst_mdiform1.moc"
