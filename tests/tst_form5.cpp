// The cheat box: the code check, its messages, and loading the full list into the list browser.
#include "app/forms.h"
#include "app/mdiform1.h"
#include "browser/urlcheck.h"
#include "fakes/fakeplatform.h"
#include "fakes/formsworld.h"
#include "fakes/testfiles.h"
#include "lists/form5.h"
#include "lists/listpaths.h"
#include "lists/urllistfile.h"
#include "ui/formwindow.h"
#include "ui/listbox.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QStringList shippedFullList()
{
    return UrlListFile::LoadListFile(ListPaths::shippedFile(QStringLiteral("dat/ch.dat")));
}

const QString rightText = QStringLiteral("What da hell?\r\nYeah! you're right man!\r\nThat was the right cheat!");
const QString updateText =
    QStringLiteral("now you get the ultimate list! Look in you Quokka (small), your old list has been saved!");

} // namespace

class TestForm5 : public QObject {
    Q_OBJECT
private:
    FormsWorld m_world;
    FakeMessageBoxes &boxes() { return m_world.platform->boxes; }

private slots:
    void init()
    {
        m_world.start();
        QVERIFY2(shippedFullList().size() > 3, "the shipped full list is needed in the working directory");
    }
    void cleanup() { m_world.stop(); }

    void cheatCommandOpensTheBoxAsDesigned()
    {
        m_world.forms->MDIForm1()->cheat_Click();
        Form5 *box = m_world.forms->loadedForm5();
        QVERIFY(box);
        QVERIFY(FormWindow::isVisible(box));
        QCOMPARE(FormWindow::frameOf(box)->windowTitle(), QStringLiteral("Cheatbox"));
        QCOMPARE(box->Text1->text(), QStringLiteral("Gimme da cheat!!!"));
        QCOMPARE(box->size(), QSize(267, 149));
        QCOMPARE(box->Text1->geometry(), QRect(152, 128, 113, 19));
        QVERIFY(!box->Picture1->pixmap().isNull());
        // The picture comes first in the tab order; the code box follows it.
        QVERIFY(box->Picture1->focusPolicy() & Qt::TabFocus);
        QCOMPARE(box->Picture1->nextInFocusChain(), static_cast<QWidget *>(box->Text1));
        QVERIFY(!box->Text1->hasFocus());
        QVERIFY(!m_world.forms->loadedURLcheck()); // showing the box touches nothing else
        QVERIFY(boxes().shown.isEmpty());
    }

    void boxOpensWithoutFocusInTheCodeBox()
    {
        MDIForm1 *main = m_world.forms->MDIForm1();
        main->show();
        main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main));
        main->cheat_Click();
        Form5 *box = m_world.forms->loadedForm5();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(box->Picture1));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(box->Text1));
        // Typed through the focused box, as a user would.
        box->Text1->selectAll();
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("nope"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
        QCOMPARE(boxes().shown.size(), 1);
        QCOMPARE(boxes().shown[0].text, QStringLiteral("Sorry... That was wrong!\r\nWhat is nope???\r\nTry Again!"));
    }

    void wrongCodeOnlyEarnsTheMessage_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("initial text") << QStringLiteral("Gimme da cheat!!!");
        QTest::newRow("empty") << QString();
        QTest::newRow("other case") << QStringLiteral("OpenSesame");
        QTest::newRow("leading space") << QStringLiteral(" opensesame");
        QTest::newRow("trailing space") << QStringLiteral("opensesame ");
        QTest::newRow("prefix") << QStringLiteral("opensesam");
    }
    void wrongCodeOnlyEarnsTheMessage()
    {
        QFETCH(QString, typed);
        QVERIFY(TestFiles::write(ListPaths::listFile(), "mine\r\n"));
        Form5 *box = m_world.forms->Form5();
        box->Text1->setText(typed);
        box->Text1_KeyPress(13);
        QCOMPARE(boxes().shown.size(), 1);
        const auto &shown = boxes().shown.first();
        QCOMPARE(shown.text, QStringLiteral("Sorry... That was wrong!\r\nWhat is ") + typed + QStringLiteral("???\r\nTry Again!"));
        QCOMPARE(shown.title, QStringLiteral("Wrong cheat"));
        QCOMPARE(shown.buttons, MessageBoxes::Buttons::Ok);
        QCOMPARE(shown.icon, MessageBoxes::Icon::Information);
        QCOMPARE(box->Text1->text(), typed);
        QVERIFY(FormWindow::isVisible(box));
        QVERIFY(!m_world.forms->loadedURLcheck());
        QCOMPARE(TestFiles::read(ListPaths::listFile()), QByteArray("mine\r\n"));
    }

    void keysOtherThanEnterOnlyType()
    {
        Form5 *box = m_world.forms->Form5();
        box->Text1->clear();
        QTest::keyClicks(box->Text1, QStringLiteral("opensesame"));
        QCOMPARE(box->Text1->text(), QStringLiteral("opensesame"));
        QVERIFY(boxes().shown.isEmpty());
        box->Text1_KeyPress('a');
        QVERIFY(boxes().shown.isEmpty());
        QTest::keyClick(box->Text1, Qt::Key_Return);
        QCOMPARE(boxes().shown.size(), 2);
        QCOMPARE(boxes().shown.at(0).text, rightText);
    }

    void rightCodeCreatesTheListBrowserThenLoadsTheFullList()
    {
        QVERIFY(TestFiles::write(ListPaths::listFile(), "mine\r\nalso mine\r\n"));
        Form5 *box = m_world.forms->Form5();
        box->Text1->setText(QStringLiteral("opensesame"));
        QStringList listDuringMessages;
        boxes().onShow = [&](const FakeMessageBoxes::Box &) {
            URLcheck *browser = m_world.forms->loadedURLcheck();
            listDuringMessages.append(browser ? browser->List1->entries().join(QLatin1Char('|')) : QStringLiteral("<none>"));
        };
        box->Text1_KeyPress(13);

        QCOMPARE(boxes().shown.size(), 2);
        QCOMPARE(boxes().shown.at(0).text, rightText);
        QCOMPARE(boxes().shown.at(0).title, QStringLiteral("Right!"));
        QCOMPARE(boxes().shown.at(0).icon, MessageBoxes::Icon::Information);
        QCOMPARE(boxes().shown.at(1).text, updateText);
        QCOMPARE(boxes().shown.at(1).title, QStringLiteral("List Update"));
        QCOMPARE(boxes().shown.at(1).icon, MessageBoxes::Icon::Information);
        // The list browser loaded the user's list first; the full list replaces it after the messages.
        QCOMPARE(listDuringMessages, (QStringList{"mine|also mine", "mine|also mine"}));
        URLcheck *browser = m_world.forms->loadedURLcheck();
        QVERIFY(browser);
        QVERIFY(FormWindow::isVisible(browser));
        QCOMPARE(browser->List1->entries(), shippedFullList());
        QVERIFY(!FormWindow::isVisible(box));
        QVERIFY(m_world.forms->loadedForm5() == box); // hidden, not closed
        QCOMPARE(TestFiles::read(ListPaths::listFile()), QByteArray("mine\r\nalso mine\r\n"));
    }

    void rightCodeReadsTheWorkingCopyLineByLine()
    {
        URLcheck *browser = m_world.forms->URLcheck();
        QVERIFY(TestFiles::write(ListPaths::fullListCopy(), "a\r\n\r\nb\rc\nd\r\n"));
        Form5 *box = m_world.forms->Form5();
        box->Text1->setText(QStringLiteral("opensesame"));
        box->Text1_KeyPress(13);
        QCOMPARE(browser->List1->entries(), (QStringList{"a", "", "b", "c\nd"}));
    }

    void emptyWorkingCopyGivesOneEmptyEntry()
    {
        URLcheck *browser = m_world.forms->URLcheck();
        QVERIFY(TestFiles::write(ListPaths::fullListCopy(), ""));
        Form5 *box = m_world.forms->Form5();
        box->Text1->setText(QStringLiteral("opensesame"));
        box->Text1_KeyPress(13);
        QCOMPARE(boxes().shown.size(), 2);
        QCOMPARE(browser->List1->entries(), QStringList{QString()});
    }

    void unreadableWorkingCopyKeepsTheList()
    {
        QVERIFY(TestFiles::write(ListPaths::listFile(), "mine\r\n"));
        URLcheck *browser = m_world.forms->URLcheck();
        browser->List1->AddItem(QStringLiteral("added, not yet saved"));
        // A folder where the working copy belongs cannot be read as a file.
        QVERIFY(QFile::remove(ListPaths::fullListCopy()));
        QVERIFY(QDir().mkpath(ListPaths::fullListCopy()));

        Form5 *box = m_world.forms->Form5();
        box->Text1->setText(QStringLiteral("opensesame"));
        box->Text1_KeyPress(13);

        QCOMPARE(boxes().shown.size(), 1);
        const auto &shown = boxes().shown.first();
        QVERIFY2(shown.text.contains(QDir::toNativeSeparators(ListPaths::fullListCopy())), qPrintable(shown.text));
        QVERIFY(shown.text.contains(QStringLiteral("could not be read")));
        QCOMPARE(shown.icon, MessageBoxes::Icon::Critical);
        QCOMPARE(browser->List1->entries(), (QStringList{"mine", "added, not yet saved"}));
        QVERIFY(FormWindow::isVisible(box));
        QCOMPARE(TestFiles::read(ListPaths::listFile()), QByteArray("mine\r\n"));
    }

    void listBrowserClosedWhileTheMessageWaits()
    {
        Form5 *box = m_world.forms->Form5();
        box->Text1->setText(QStringLiteral("opensesame"));
        boxes().onShow = [&](const FakeMessageBoxes::Box &shown) {
            if (shown.title == QStringLiteral("Right!"))
                delete FormWindow::frameOf(m_world.forms->loadedURLcheck());
        };
        box->Text1_KeyPress(13);
        QVERIFY(m_world.forms->loadedURLcheck());
        QCOMPARE(m_world.forms->loadedURLcheck()->List1->entries(), shippedFullList());
    }

    void shownAgainKeepsTheCodeAndRepeats()
    {
        Form5 *box = m_world.forms->Form5();
        box->Text1->setText(QStringLiteral("opensesame"));
        box->Text1_KeyPress(13);
        m_world.forms->URLcheck()->List1->AddItem(QStringLiteral("extra"));
        m_world.forms->MDIForm1()->cheat_Click();
        QCOMPARE(m_world.forms->Form5(), box);
        QVERIFY(FormWindow::isVisible(box));
        QCOMPARE(box->Text1->text(), QStringLiteral("opensesame"));
        box->Text1_KeyPress(13);
        QCOMPARE(boxes().shown.size(), 4);
        QCOMPARE(m_world.forms->URLcheck()->List1->entries(), shippedFullList());
    }

    void closedBoxComesBackAfresh()
    {
        Form5 *box = m_world.forms->Form5();
        box->Text1->setText(QStringLiteral("something"));
        QVERIFY(FormWindow::frameOf(box)->close());
        QTRY_VERIFY(!m_world.forms->loadedForm5());
        m_world.forms->MDIForm1()->cheat_Click();
        QCOMPARE(m_world.forms->loadedForm5()->Text1->text(), QStringLiteral("Gimme da cheat!!!"));
    }
};

QTEST_MAIN(TestForm5)
#include "tst_form5.moc"
