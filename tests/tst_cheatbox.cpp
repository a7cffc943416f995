// The cheat box: the code check, its messages, and loading the full list into the list browser.
#include "app/windows.h"
#include "app/mainwindow.h"
#include "copies/copystore.h"
#include "browser/listbrowser.h"
#include "fakes/fakeplatform.h"
#include "fakes/windowsworld.h"
#include "fakes/testfiles.h"
#include "lists/cheatbox.h"
#include "store/listpaths.h"
#include "store/urllistfile.h"
#include "ui/windowframe.h"
#include "ui/listbox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {

QStringList shippedFullList()
{
    return UrlListFile::load(ListPaths::shippedFile(QStringLiteral("dat/ch.dat")));
}

const QString rightText = QStringLiteral("What da hell?\r\nYeah! you're right man!\r\nThat was the right cheat!");
const QString updateText =
    QStringLiteral("now you get the ultimate list! Look in you Quokka (small), your old list has been saved!");

} // namespace

class TestCheatBox : public QObject {
    Q_OBJECT
private:
    WindowsWorld m_world;
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
        m_world.windows->mainWindow()->showCheatBox();
        CheatBox *box = m_world.windows->loadedCheatBox();
        QVERIFY(box);
        QVERIFY(WindowFrame::isVisible(box));
        QCOMPARE(WindowFrame::frameOf(box)->windowTitle(), QStringLiteral("Cheatbox"));
        QCOMPARE(box->m_codeBox->text(), QStringLiteral("Gimme da cheat!!!"));
        QCOMPARE(box->size(), QSize(267, 149));
        QCOMPARE(box->m_codeBox->geometry(), QRect(152, 128, 113, 19));
        QVERIFY(!box->m_picture->pixmap().isNull());
        // The picture comes first in the tab order; the code box follows it.
        QVERIFY(box->m_picture->focusPolicy() & Qt::TabFocus);
        QCOMPARE(box->m_picture->nextInFocusChain(), static_cast<QWidget *>(box->m_codeBox));
        QVERIFY(!box->m_codeBox->hasFocus());
        QVERIFY(!m_world.windows->loadedListBrowser()); // showing the box touches nothing else
        QVERIFY(boxes().shown.isEmpty());
    }

    void boxOpensWithoutFocusInTheCodeBox()
    {
        MainWindow *main = m_world.windows->mainWindow();
        main->show();
        main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main));
        main->showCheatBox();
        CheatBox *box = m_world.windows->loadedCheatBox();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(box->m_picture));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(box->m_codeBox));
        // Typed through the focused box, as a user would.
        box->m_codeBox->selectAll();
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
        CheatBox *box = m_world.windows->cheatBox();
        box->m_codeBox->setText(typed);
        box->checkCheatCode();
        QCOMPARE(boxes().shown.size(), 1);
        const auto &shown = boxes().shown.first();
        QCOMPARE(shown.text, QStringLiteral("Sorry... That was wrong!\r\nWhat is ") + typed + QStringLiteral("???\r\nTry Again!"));
        QCOMPARE(shown.title, QStringLiteral("Wrong cheat"));
        QCOMPARE(shown.buttons, MessageBoxes::Buttons::Ok);
        QCOMPARE(shown.icon, MessageBoxes::Icon::Information);
        QCOMPARE(box->m_codeBox->text(), typed);
        QVERIFY(WindowFrame::isVisible(box));
        QVERIFY(!m_world.windows->loadedListBrowser());
        QCOMPARE(TestFiles::read(ListPaths::listFile()), QByteArray("mine\r\n"));
    }

    void keysOtherThanEnterOnlyType()
    {
        CheatBox *box = m_world.windows->cheatBox();
        box->m_codeBox->clear();
        QTest::keyClicks(box->m_codeBox, QStringLiteral("opensesame"));
        QCOMPARE(box->m_codeBox->text(), QStringLiteral("opensesame"));
        QVERIFY(boxes().shown.isEmpty());
        QTest::keyClick(box->m_codeBox, Qt::Key_Return);
        QCOMPARE(boxes().shown.size(), 2);
        QCOMPARE(boxes().shown.at(0).text, rightText);
    }

    void rightCodeCreatesTheListBrowserThenLoadsTheFullList()
    {
        QVERIFY(TestFiles::write(ListPaths::listFile(), "mine\r\nalso mine\r\n"));
        CheatBox *box = m_world.windows->cheatBox();
        box->m_codeBox->setText(QStringLiteral("opensesame"));
        QStringList listDuringMessages;
        boxes().onShow = [&](const FakeMessageBoxes::Box &) {
            ListBrowser *browser = m_world.windows->loadedListBrowser();
            listDuringMessages.append(browser ? browser->m_addressList->entries().join(QLatin1Char('|')) : QStringLiteral("<none>"));
        };
        box->checkCheatCode();

        QCOMPARE(boxes().shown.size(), 2);
        QCOMPARE(boxes().shown.at(0).text, rightText);
        QCOMPARE(boxes().shown.at(0).title, QStringLiteral("Right!"));
        QCOMPARE(boxes().shown.at(0).icon, MessageBoxes::Icon::Information);
        QCOMPARE(boxes().shown.at(1).text, updateText);
        QCOMPARE(boxes().shown.at(1).title, QStringLiteral("List Update"));
        QCOMPARE(boxes().shown.at(1).icon, MessageBoxes::Icon::Information);
        // The list browser loaded the user's list first; the full list replaces it after the messages.
        QCOMPARE(listDuringMessages, (QStringList{"mine|also mine", "mine|also mine"}));
        ListBrowser *browser = m_world.windows->loadedListBrowser();
        QVERIFY(browser);
        QVERIFY(WindowFrame::isVisible(browser));
        QCOMPARE(browser->m_addressList->entries(), shippedFullList());
        QVERIFY(!WindowFrame::isVisible(box));
        QVERIFY(m_world.windows->loadedCheatBox() == box); // hidden, not closed
        QCOMPARE(TestFiles::read(ListPaths::listFile()), QByteArray("mine\r\nalso mine\r\n"));
    }

    void rightCodeReadsTheWorkingCopyLineByLine()
    {
        ListBrowser *browser = m_world.windows->listBrowser();
        QVERIFY(TestFiles::write(ListPaths::fullListCopy(), "a\r\n\r\nb\rc\nd\r\n"));
        CheatBox *box = m_world.windows->cheatBox();
        box->m_codeBox->setText(QStringLiteral("opensesame"));
        box->checkCheatCode();
        QCOMPARE(browser->m_addressList->entries(), (QStringList{"a", "", "b", "c\nd"}));
    }

    void emptyWorkingCopyGivesOneEmptyEntry()
    {
        ListBrowser *browser = m_world.windows->listBrowser();
        QVERIFY(TestFiles::write(ListPaths::fullListCopy(), ""));
        CheatBox *box = m_world.windows->cheatBox();
        box->m_codeBox->setText(QStringLiteral("opensesame"));
        box->checkCheatCode();
        QCOMPARE(boxes().shown.size(), 2);
        QCOMPARE(browser->m_addressList->entries(), QStringList{QString()});
    }

    void unreadableWorkingCopyKeepsTheList()
    {
        QVERIFY(TestFiles::write(ListPaths::listFile(), "mine\r\n"));
        ListBrowser *browser = m_world.windows->listBrowser();
        browser->m_addressList->addEntry(QStringLiteral("added, not yet saved"));
        // A folder where the working copy belongs cannot be read as a file.
        QVERIFY(QFile::remove(ListPaths::fullListCopy()));
        QVERIFY(QDir().mkpath(ListPaths::fullListCopy()));

        CheatBox *box = m_world.windows->cheatBox();
        box->m_codeBox->setText(QStringLiteral("opensesame"));
        box->checkCheatCode();

        QCOMPARE(boxes().shown.size(), 1);
        const auto &shown = boxes().shown.first();
        QVERIFY2(shown.text.contains(QDir::toNativeSeparators(ListPaths::fullListCopy())), qPrintable(shown.text));
        QVERIFY(shown.text.contains(QStringLiteral("could not be read")));
        QCOMPARE(shown.icon, MessageBoxes::Icon::Critical);
        QCOMPARE(browser->m_addressList->entries(), (QStringList{"mine", "added, not yet saved"}));
        QVERIFY(WindowFrame::isVisible(box));
        QCOMPARE(TestFiles::read(ListPaths::listFile()), QByteArray("mine\r\n"));
    }

    void rightCodeKeepsTheUsersListBesideIt()
    {
        // "your old list has been saved!" holds: the list the user had stays beside the list file,
        // also after the full list is written over the list file.
        QVERIFY(TestFiles::writeList("mine\r\nalso mine\r\n"));
        ListBrowser *browser = m_world.windows->listBrowser();
        browser->m_addressList->addEntry(QStringLiteral("added, not yet saved"));
        CheatBox *box = m_world.windows->cheatBox();
        box->m_codeBox->setText(QStringLiteral("opensesame"));
        const QString kept = ListPaths::listFile() + QStringLiteral(".before-full-list");
        QByteArray keptWhenTold;
        boxes().onShow = [&](const FakeMessageBoxes::Box &shown) {
            if (shown.title == QStringLiteral("List Update"))
                keptWhenTold = TestFiles::read(kept);
        };
        box->checkCheatCode();
        QCOMPARE(boxes().shown.size(), 2);
        QCOMPARE(keptWhenTold, QByteArray("mine\r\nalso mine\r\nadded, not yet saved\r\n"));
        QCOMPARE(browser->m_addressList->entries(), shippedFullList());
        QVERIFY(WindowFrame::frameOf(browser)->close());
        QCOMPARE(TestFiles::listBytes(), UrlListFile::serializeEntries(shippedFullList()));
        QCOMPARE(TestFiles::read(kept), QByteArray("mine\r\nalso mine\r\nadded, not yet saved\r\n"));

        // Another list later is kept too, without writing over the first copy.
        QVERIFY(TestFiles::writeList("second\r\n"));
        m_world.windows->listBrowser();
        m_world.windows->mainWindow()->showCheatBox();
        box->checkCheatCode();
        QCOMPARE(TestFiles::read(kept), QByteArray("mine\r\nalso mine\r\nadded, not yet saved\r\n"));
        QCOMPARE(TestFiles::read(kept + QStringLiteral(".2")), QByteArray("second\r\n"));
    }

    void listThatCannotBeKeptIsNotReplaced()
    {
        // Where the user's list cannot be kept (here: a read-only folder), the full list is not loaded.
        if (::geteuid() != 0)
            QSKIP("a folder that refuses writes needs a read-only mount, which needs root; CI runs this as root");
        const QString folder = ListPaths::dataFolder();
        QVERIFY(QDir().mkpath(folder));
        // The copy store opens the page memory on a thread of its own: once it has answered, its files are
        // open in the folder below the mount made next, not on it (a file open for writing there would
        // make the mount refuse to become read-only).
        QSignalSpy listed(&m_world.windows->copyStore(), &CopyStore::copiesListed);
        m_world.windows->copyStore().listCopies(QStringLiteral("http://127.0.0.1/"));
        QVERIFY(listed.wait(30000));
        if (QProcess::execute(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "size=1m", "tmpfs", folder}) != 0)
            QSKIP("mount refused (no CAP_SYS_ADMIN here?)");
        const auto unmount = qScopeGuard([&] { QProcess::execute(QStringLiteral("umount"), {"-l", folder}); });
        QVERIFY(TestFiles::writeList("mine\r\n"));
        ListBrowser *browser = m_world.windows->listBrowser();
        browser->m_addressList->addEntry(QStringLiteral("added"));
        QCOMPARE(QProcess::execute(QStringLiteral("mount"), {"-o", "remount,ro", folder}), 0);

        CheatBox *box = m_world.windows->cheatBox();
        box->m_codeBox->setText(QStringLiteral("opensesame"));
        box->checkCheatCode();
        QCOMPARE(boxes().shown.size(), 1);
        const auto &shown = boxes().shown.first();
        QVERIFY2(shown.text.contains(QDir::toNativeSeparators(ListPaths::listFile())), qPrintable(shown.text));
        QVERIFY2(shown.text.contains(QLatin1String("could not be kept")), qPrintable(shown.text));
        QCOMPARE(shown.icon, MessageBoxes::Icon::Critical);
        QCOMPARE(browser->m_addressList->entries(), (QStringList{"mine", "added"}));
        QVERIFY(WindowFrame::isVisible(box));
        QVERIFY(!QFileInfo::exists(ListPaths::listFile() + QStringLiteral(".before-full-list")));
    }

    void failedCopyOfTheFullListIsReported()
    {
        // The working copy's place is taken by a folder: the copy fails, and says where and why.
        QVERIFY(QDir().mkpath(ListPaths::fullListCopy()));
        m_world.windows->listBrowser();
        QCOMPARE(boxes().shown.size(), 1);
        const auto &shown = boxes().shown.first();
        QVERIFY2(shown.text.contains(QDir::toNativeSeparators(ListPaths::fullListCopy())), qPrintable(shown.text));
        QVERIFY2(shown.text.contains(QLatin1String("folder")), qPrintable(shown.text));
        QCOMPARE(shown.icon, MessageBoxes::Icon::Critical);
    }

    void listBrowserClosedWhileTheMessageWaits()
    {
        CheatBox *box = m_world.windows->cheatBox();
        box->m_codeBox->setText(QStringLiteral("opensesame"));
        boxes().onShow = [&](const FakeMessageBoxes::Box &shown) {
            if (shown.title == QStringLiteral("Right!"))
                delete WindowFrame::frameOf(m_world.windows->loadedListBrowser());
        };
        box->checkCheatCode();
        QVERIFY(m_world.windows->loadedListBrowser());
        QCOMPARE(m_world.windows->loadedListBrowser()->m_addressList->entries(), shippedFullList());
    }

    void shownAgainKeepsTheCodeAndRepeats()
    {
        CheatBox *box = m_world.windows->cheatBox();
        box->m_codeBox->setText(QStringLiteral("opensesame"));
        box->checkCheatCode();
        m_world.windows->listBrowser()->m_addressList->addEntry(QStringLiteral("extra"));
        m_world.windows->mainWindow()->showCheatBox();
        QCOMPARE(m_world.windows->cheatBox(), box);
        QVERIFY(WindowFrame::isVisible(box));
        QCOMPARE(box->m_codeBox->text(), QStringLiteral("opensesame"));
        box->checkCheatCode();
        QCOMPARE(boxes().shown.size(), 4);
        QCOMPARE(m_world.windows->listBrowser()->m_addressList->entries(), shippedFullList());
    }

    void closedBoxComesBackAfresh()
    {
        CheatBox *box = m_world.windows->cheatBox();
        box->m_codeBox->setText(QStringLiteral("something"));
        QVERIFY(WindowFrame::frameOf(box)->close());
        QTRY_VERIFY(!m_world.windows->loadedCheatBox());
        m_world.windows->mainWindow()->showCheatBox();
        QCOMPARE(m_world.windows->loadedCheatBox()->m_codeBox->text(), QStringLiteral("Gimme da cheat!!!"));
    }
};

QTEST_MAIN(TestCheatBox)
#include "tst_cheatbox.moc"
