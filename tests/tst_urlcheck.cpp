// The list browser's handlers against a fake web browser: choosing, Next, Prev, KILL, history, write-back.
#include "app/forms.h"
#include "browser/urlcheck.h"
#include "fakes/fakeplatform.h"
#include "fakes/formsworld.h"
#include "fakes/testfiles.h"
#include "lists/add.h"
#include "lists/listpaths.h"
#include "ui/formwindow.h"
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

namespace {

QStringList comboItems(QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

} // namespace

class TestURLcheck : public QObject {
    Q_OBJECT
private:
    FormsWorld m_world;

    FakeWebBrowser *browser() const { return qobject_cast<FakeWebBrowser *>(m_world.forms->loadedURLcheck()->WebBrowser1); }
    FakeMediaPlayer *player() const { return static_cast<FakeMediaPlayer *>(m_world.forms->loadedURLcheck()->player); }

private slots:
    void init()
    {
        m_world.start();
    }
    void cleanup() { m_world.stop(); }

    void creationLoadsListAndCopiesFullList()
    {
        QVERIFY(TestFiles::writeList("A\r\n\r\nB\r\n"));
        URLcheck *w = m_world.forms->URLcheck();
        QVERIFY(FormWindow::isVisible(w));
        QCOMPARE(w->List1->entries(), (QStringList{"A", "", "B"}));
        QCOMPARE(w->List1->ListIndex(), -1);
        QCOMPARE(w->Text1->currentText(), QStringLiteral("none choosen"));
        QCOMPARE(w->Text1->count(), 0);
        QVERIFY(browser()->navigations.isEmpty());
        QVERIFY(!player()->playing);
        QVERIFY(w->Timer1->isActive());
        QCOMPARE(w->Timer1->interval(), 1);
        QCOMPARE(w->windowTitle(), QStringLiteral("Quokka"));
        QVERIFY(!w->Command3->isVisibleTo(w));
        // The shipped full list is copied to the working copy.
        QFile copy(ListPaths::fullListCopy());
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QFile shipped(ListPaths::shippedFile(QStringLiteral("dat/ch.dat")));
        QVERIFY2(shipped.open(QIODevice::ReadOnly), qPrintable(shipped.fileName()));
        QCOMPARE(copy.readAll(), shipped.readAll());
    }

    void noListFileGivesOneEmptyEntryAndWritesOneEmptyLine()
    {
        URLcheck *w = m_world.forms->URLcheck();
        QCOMPARE(w->List1->entries(), QStringList{""});
        QVERIFY(FormWindow::frameOf(w)->close());
        QCOMPARE(TestFiles::listBytes(), QByteArray("\r\n"));
        QVERIFY(!m_world.forms->loadedURLcheck());
    }

    void nextPrevAndChoosing()
    {
        QVERIFY(TestFiles::writeList("A\r\nB\r\nC\r\n"));
        URLcheck *w = m_world.forms->URLcheck();
        w->Command2_Click(); // Prev with nothing selected: nothing
        QCOMPARE(w->List1->ListIndex(), -1);
        QVERIFY(browser()->navigations.isEmpty());

        w->Command1_Click(); // Next with nothing selected: the first entry
        QCOMPARE(w->List1->ListIndex(), 0);
        QCOMPARE(browser()->navigations, QStringList{"A"});
        QCOMPARE(w->Text1->currentText(), QStringLiteral("A"));
        QCOMPARE(comboItems(w->Text1), QStringList{"A"});

        w->Command1_Click();
        w->Command1_Click();
        QCOMPARE(w->List1->ListIndex(), 2);
        w->Command1_Click(); // at the last entry: nothing
        QCOMPARE(w->List1->ListIndex(), 2);
        QCOMPARE(browser()->navigations, (QStringList{"A", "B", "C"}));

        w->Command2_Click();
        w->Command2_Click();
        QCOMPARE(w->List1->ListIndex(), 0);
        w->Command2_Click(); // Prev at the first entry: no selection, nowhere navigated
        QCOMPARE(w->List1->ListIndex(), -1);
        QCOMPARE(browser()->navigations, (QStringList{"A", "B", "C", "B", "A"}));
        QCOMPARE(comboItems(w->Text1), (QStringList{"A", "B", "C", "B", "A"}));
        QCOMPARE(w->Text1->currentText(), QStringLiteral("A"));
        QVERIFY(m_world.platform->boxes.shown.isEmpty());
    }

    void entriesAreNavigatedExactlyAsStored()
    {
        QVERIFY(TestFiles::writeList("  spaced  \r\n\r\n"));
        URLcheck *w = m_world.forms->URLcheck();
        w->Command1_Click();
        w->Command1_Click();
        QCOMPARE(browser()->navigations, (QStringList{"  spaced  ", ""}));
        QCOMPARE(comboItems(w->Text1), (QStringList{"  spaced  ", ""}));
    }

    void mouseAndKeyboardChooseEntries()
    {
        QVERIFY(TestFiles::writeList("A\r\nB\r\n"));
        URLcheck *w = m_world.forms->URLcheck();
        FormWindow::frameOf(w)->resize(1100, 700);
        const QRect second = w->List1->visualRect(w->List1->model()->index(1, 0));
        QTest::mouseClick(w->List1->viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(browser()->navigations, QStringList{"B"});
        w->List1->setFocus();
        QTest::keyClick(w->List1, Qt::Key_Up);
        QCOMPARE(browser()->navigations, (QStringList{"B", "A"}));
    }

    void killRemovesSelectedEntry()
    {
        QVERIFY(TestFiles::writeList("A\r\nB\r\nC\r\n"));
        URLcheck *w = m_world.forms->URLcheck();
        w->Command4_Click(); // nothing selected: nothing happens, no failure
        QCOMPARE(w->List1->ListCount(), 3);
        w->Command1_Click();
        w->Command1_Click(); // B
        w->Command4_Click();
        QCOMPARE(w->List1->entries(), (QStringList{"A", "C"}));
        QCOMPARE(w->List1->ListIndex(), -1);
        QCOMPARE(w->Text1->currentText(), QStringLiteral("B")); // the box keeps its text
        w->Command1_Click(); // Next selects the first entry again
        QCOMPARE(w->List1->ListIndex(), 0);
        QCOMPARE(browser()->navigations.last(), QStringLiteral("A"));
        QCOMPARE(TestFiles::listBytes(), QByteArray("A\r\nB\r\nC\r\n")); // the file is touched only on unload
    }

    void killingEveryEntryLeavesZeroByteFile()
    {
        QVERIFY(TestFiles::writeList("A\r\nB\r\n"));
        URLcheck *w = m_world.forms->URLcheck();
        for (int i = 0; i < 2; ++i) {
            w->Command1_Click();
            w->Command4_Click();
        }
        QCOMPARE(w->List1->ListCount(), 0);
        QVERIFY(FormWindow::frameOf(w)->close());
        QCOMPARE(TestFiles::listBytes(), QByteArray());
        QCOMPARE(m_world.forms->URLcheck()->List1->entries(), QStringList{""});
    }

    void typingIntoTheBoxAddsHistoryButNavigatesNowhere()
    {
        URLcheck *w = m_world.forms->URLcheck();
        w->Text1->lineEdit()->clear();
        QTest::keyClicks(w->Text1->lineEdit(), QStringLiteral("ab"));
        QCOMPARE(comboItems(w->Text1), (QStringList{"", "a", "ab"}).mid(1));
        QVERIFY(browser()->navigations.isEmpty());
        // Picking an item of the drop-down list only shows it.
        w->Text1->setCurrentIndex(0);
        QCOMPARE(w->Text1->currentText(), QStringLiteral("a"));
        QCOMPARE(w->Text1->count(), 2);
        QVERIFY(browser()->navigations.isEmpty());
    }

    void historyKeepsRepeats()
    {
        QVERIFY(TestFiles::writeList("A\r\nB\r\n"));
        URLcheck *w = m_world.forms->URLcheck();
        w->Command1_Click();
        w->Command1_Click();
        w->Command2_Click();
        QCOMPARE(comboItems(w->Text1), (QStringList{"A", "B", "A"}));
    }

    void backAndForward()
    {
        QVERIFY(TestFiles::writeList("A\r\nB\r\n"));
        URLcheck *w = m_world.forms->URLcheck();
        w->Command5_Click(); // no page yet: nothing
        w->Command6_Click();
        QVERIFY(browser()->url.isEmpty());
        w->Command1_Click();
        w->Command1_Click();
        w->Command5_Click();
        QCOMPARE(browser()->url, QStringLiteral("A"));
        w->Command6_Click();
        QCOMPARE(browser()->url, QStringLiteral("B"));
        QVERIFY(m_world.platform->boxes.shown.isEmpty());
    }

    void timerDrivesTheBusyAnimation()
    {
        URLcheck *w = m_world.forms->URLcheck();
        browser()->busy = true;
        QTRY_VERIFY(player()->playing);
        browser()->busy = false;
        QTRY_VERIFY(!player()->playing);
        const int stops = player()->stopsSent;
        w->Timer1_Timer();
        QCOMPARE(player()->stopsSent, stops + 1); // sent on every tick
    }

    void hideKeepsEverything()
    {
        QVERIFY(TestFiles::writeList("A\r\nB\r\n"));
        URLcheck *w = m_world.forms->URLcheck();
        w->Command1_Click();
        QVERIFY(TestFiles::writeList("changed\r\n"));
        w->Command3_Click();
        QVERIFY(!FormWindow::isVisible(w));
        QCOMPARE(m_world.forms->URLcheck(), w);
        FormWindow::show(w);
        QCOMPARE(w->List1->entries(), (QStringList{"A", "B"}));
        QCOMPARE(w->List1->ListIndex(), 0);
    }

    void addOpensTheAddWindowAndWriteBackKeepsTheEntry()
    {
        QVERIFY(TestFiles::writeList("X\r\nY\r\n"));
        URLcheck *w = m_world.forms->URLcheck();
        w->Command7_Click();
        QVERIFY(m_world.forms->loadedAdd());
        QVERIFY(FormWindow::isVisible(m_world.forms->loadedAdd()));
        w->List1->AddItem(QStringLiteral("A"));
        QCOMPARE(TestFiles::listBytes(), QByteArray("X\r\nY\r\n"));
        QVERIFY(FormWindow::frameOf(w)->close());
        QCOMPARE(TestFiles::listBytes(), QByteArray("X\r\nY\r\nA\r\n"));
    }

    void failedWriteBackAsksAndCanKeepTheWindow()
    {
        QVERIFY(TestFiles::writeList("A\r\n"));
        URLcheck *w = m_world.forms->URLcheck();
        w->List1->AddItem(QStringLiteral("B"));
        // Make the data folder unwritable even for root: replace it by a regular file.
        const QString folder = ListPaths::dataFolder();
        QVERIFY(QDir(folder).removeRecursively());
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();

        m_world.platform->boxes.answers = {MessageBoxes::Answer::Cancel};
        QVERIFY(!FormWindow::frameOf(w)->close());
        QCOMPARE(m_world.platform->boxes.shown.size(), 1);
        const auto box = m_world.platform->boxes.shown.first();
        QVERIFY2(box.text.contains(ListPaths::listFile()), qPrintable(box.text));
        QCOMPARE(box.icon, MessageBoxes::Icon::Critical);
        QVERIFY(m_world.forms->loadedURLcheck());
        QCOMPARE(w->List1->entries(), (QStringList{"A", "B"}));

        // Once the folder can be written again, closing saves everything.
        QVERIFY(QFile::remove(folder));
        QVERIFY(FormWindow::frameOf(w)->close());
        QCOMPARE(TestFiles::listBytes(), QByteArray("A\r\nB\r\n"));
    }

    void failedWriteBackCanCloseWithoutSaving()
    {
        URLcheck *w = m_world.forms->URLcheck();
        const QString folder = ListPaths::dataFolder();
        QVERIFY(QDir(folder).removeRecursively());
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        m_world.platform->boxes.answers = {MessageBoxes::Answer::Ok};
        QVERIFY(FormWindow::frameOf(w)->close());
        QVERIFY(!m_world.forms->loadedURLcheck());
        QVERIFY(QFile::remove(folder));
    }

    void accessibleNames()
    {
        URLcheck *w = m_world.forms->URLcheck();
        const QList<QWidget *> controls{w->List1, w->Command1, w->Command2, w->Command4, w->Command5,
                                        w->Command6, w->Command7, w->Text1};
        for (QWidget *c : controls)
            QVERIFY2(!c->accessibleName().isEmpty() || !c->property("text").toString().isEmpty(),
                     qPrintable(c->objectName()));
    }
};

QTEST_MAIN(TestURLcheck)
#include "tst_urlcheck.moc"
