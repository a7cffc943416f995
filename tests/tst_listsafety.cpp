// Nothing of the user's list is lost or changed without a word: an unreadable list, a refused close,
// a list changed by another program, a second Quokka on the same data folder, unsaved KILLs and Adds.
#include "app/mainwindow.h"
#include "app/singleinstance.h"
#include "app/windows.h"
#include "browser/listbrowser.h"
#include "fakes/fakeplatform.h"
#include "fakes/testfiles.h"
#include "fakes/windowsworld.h"
#include "lists/addaddressbar.h"
#include "lists/editlistwindow.h"
#include "lists/listviewwindow.h"
#include "lists/newlistwindow.h"
#include "store/datafolderlock.h"
#include "store/listpaths.h"
#include "ui/listbox.h"
#include "ui/multilinetextbox.h"
#include "ui/windowframe.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

#include <csignal>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

using Answer = MessageBoxes::Answer;

namespace {

/// Makes the list file unreadable in one of the ways a user meets: a folder, a link to itself, no permission.
bool makeUnreadable(const QString &kind)
{
    const QString path = ListPaths::listFile();
    QDir().mkpath(ListPaths::dataFolder());
    if (kind == QLatin1String("folder"))
        return QDir().mkpath(path + QStringLiteral("/inside"));
    if (kind == QLatin1String("loop"))
        return QFile::link(path, path);
    return TestFiles::writeList("mine\r\n") && QFile::setPermissions(path, {});
}

/// The files beside the list that keep another version of it.
QStringList otherVersions()
{
    return QDir(ListPaths::dataFolder()).entryList({QStringLiteral("url.dat.other-version-*")}, QDir::Files | QDir::Hidden);
}

/// Writes the list file as another program does: in place, the same file with new bytes.
bool writeElsewhere(const QByteArray &bytes)
{
    return TestFiles::writeList(bytes);
}

} // namespace

class TestListSafety : public QObject {
    Q_OBJECT
private:
    WindowsWorld m_world;
    MainWindow *frame() { return m_world.windows->mainWindow(); }
    FakeMessageBoxes &boxes() { return m_world.platform->boxes; }
    /// The boxes shown whose title is @p title.
    QList<FakeMessageBoxes::Box> boxesTitled(const QString &title)
    {
        QList<FakeMessageBoxes::Box> found;
        for (const auto &box : std::as_const(boxes().shown))
            if (box.title == title)
                found.append(box);
        return found;
    }

private slots:
    void init()
    {
        m_world.start();
        frame()->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame()));
    }
    void cleanup()
    {
        // A list file left without permissions would keep the temporary folder from going.
        QFile::setPermissions(ListPaths::listFile(), QFile::ReadOwner | QFile::WriteOwner);
        m_world.stop();
    }

    void editListOnUnreadableListSaysWhy_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("a folder") << QStringLiteral("folder");
        QTest::newRow("a link to itself") << QStringLiteral("loop");
        QTest::newRow("no read permission") << QStringLiteral("mode 000");
    }
    void editListOnUnreadableListSaysWhy()
    {
        QFETCH(QString, kind);
        if (kind == QLatin1String("mode 000") && ::geteuid() == 0)
            QSKIP("root reads any file whatever its permissions");
        QVERIFY(makeUnreadable(kind));
        const QFileInfo before(ListPaths::listFile());
        for (const bool fromToolbar : {false, true}) {
            boxes().shown.clear();
            if (fromToolbar)
                frame()->toolBarButtonClicked(QStringLiteral("edit"));
            else
                frame()->editList();
            QVERIFY(!boxes().shown.isEmpty());
            const auto box = boxes().shown.last();
            QCOMPARE(box.title, QStringLiteral("List not read"));
            QCOMPARE(box.icon, MessageBoxes::Icon::Critical);
            QVERIFY2(box.text.contains(QDir::toNativeSeparators(ListPaths::listFile())), qPrintable(box.text));
            QVERIFY2(box.text.contains(QStringLiteral("Reason: ")) && !box.text.section(QStringLiteral("Reason: "), 1).trimmed().isEmpty(),
                     qPrintable(box.text));
            // Never the way to New List, whose Create would replace the list that could not be read.
            QVERIFY(boxesTitled(QStringLiteral("Error!")).isEmpty());
            QVERIFY(!m_world.windows->loadedNewListWindow());
            QVERIFY(!m_world.windows->loadedEditListWindow());
        }
        const QFileInfo after(ListPaths::listFile());
        QCOMPARE(after.isDir(), before.isDir());
        QCOMPARE(after.isSymLink(), before.isSymLink());
        QCOMPARE(after.size(), before.size());
    }

    void closingTheFrameStopsAtTheFirstRefusal_data()
    {
        QTest::addColumn<bool>("editorsFirst");
        QTest::newRow("list browser opened first") << false;
        QTest::newRow("editors opened first") << true;
    }
    void closingTheFrameStopsAtTheFirstRefusal()
    {
        QFETCH(bool, editorsFirst);
        QVERIFY(TestFiles::writeList("A\r\n"));
        if (!editorsFirst)
            m_world.windows->listBrowser();
        QPointer<EditListWindow> edit = m_world.windows->editListWindow();
        QPointer<NewListWindow> newList = m_world.windows->newListWindow();
        edit->m_listText->setText(QStringLiteral("typed in Edit List"));
        newList->m_listText->setText(QStringLiteral("typed in New List"));
        QPointer<ListBrowser> browser = m_world.windows->listBrowser();
        browser->m_addressList->addEntry(QStringLiteral("added"));

        // The list cannot be saved: the data folder is a file now.
        const QString folder = ListPaths::dataFolder();
        QVERIFY(QDir(folder).removeRecursively());
        QVERIFY(TestFiles::write(folder, "not a folder"));
        boxes().answers = {Answer::Cancel};
        QVERIFY(!frame()->close());
        QCOMPARE(boxesTitled(QStringLiteral("List not saved")).size(), 1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        // Nothing else closed: every window and every typed text is still there.
        QVERIFY(browser && edit && newList);
        QVERIFY(m_world.windows->loadedListBrowser() == browser.data());
        QVERIFY(m_world.windows->loadedEditListWindow() == edit.data());
        QVERIFY(m_world.windows->loadedNewListWindow() == newList.data());
        QCOMPARE(edit->m_listText->text(), QStringLiteral("typed in Edit List"));
        QCOMPARE(newList->m_listText->text(), QStringLiteral("typed in New List"));
        QCOMPARE(browser->m_addressList->entries(), (QStringList{"A", "added"}));
        QVERIFY(frame()->isVisible());
        QVERIFY(QFile::remove(folder));
    }

    void listViewShowsTheStoredListWhenShown()
    {
        QVERIFY(TestFiles::writeList("A\r\nB\r\n"));
        frame()->toolBarButtonClicked(QStringLiteral("List"));
        ListViewWindow *view = m_world.windows->loadedListViewWindow();
        QVERIFY(view);
        QCOMPARE(view->m_addressList->entries(), (QStringList{"A", "B"}));
        view->hideWindow();

        // A new list created meanwhile: Show List shows it, hidden before or still shown.
        NewListWindow *editor = m_world.windows->newListWindow();
        editor->m_listText->setText(QStringLiteral("X\r\nY"));
        editor->createList();
        frame()->toolBarButtonClicked(QStringLiteral("List"));
        QCOMPARE(m_world.windows->loadedListViewWindow(), view);
        QVERIFY(WindowFrame::isVisible(view));
        QCOMPARE(view->m_addressList->entries(), (QStringList{"X", "Y"}));
        QVERIFY(writeElsewhere("Z\r\n"));
        frame()->toolBarButtonClicked(QStringLiteral("List"));
        QCOMPARE(view->m_addressList->entries(), QStringList{"Z"});
        QVERIFY(boxesTitled(QStringLiteral("List not read")).isEmpty());

        // A list that cannot be read is reported, with its path and the reason.
        QVERIFY(QFile::remove(ListPaths::listFile()));
        QVERIFY(makeUnreadable(QStringLiteral("folder")));
        frame()->toolBarButtonClicked(QStringLiteral("List"));
        const auto reported = boxesTitled(QStringLiteral("List not read"));
        QCOMPARE(reported.size(), 1);
        QVERIFY2(reported[0].text.contains(QDir::toNativeSeparators(ListPaths::listFile())), qPrintable(reported[0].text));
        QCOMPARE(reported[0].icon, MessageBoxes::Icon::Critical);
        QCOMPARE(view->m_addressList->entries(), QStringList{QString()});
    }

    void listChangedElsewhereIsNotWrittenOver_data()
    {
        QTest::addColumn<QByteArray>("atLoad"); // "<none>": no list file when the list browser loads
        QTest::addColumn<QByteArray>("elsewhere"); // "<removed>", "<emptied>": what the other program did
        QTest::addColumn<bool>("asks");
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<bool>("closes");
        const QByteArray ours("B\r\nadded\r\n");
        QTest::newRow("unchanged") << QByteArray("A\r\nB\r\n") << QByteArray() << false << Answer::Ok << ours << true;
        QTest::newRow("same bytes written again") << QByteArray("A\r\nB\r\n") << QByteArray("A\r\nB\r\n") << false
                                                  << Answer::Ok << ours << true;
        QTest::newRow("removed elsewhere") << QByteArray("A\r\nB\r\n") << QByteArray("<removed>") << false << Answer::Ok
                                           << ours << true;
        QTest::newRow("emptied elsewhere") << QByteArray("A\r\nB\r\n") << QByteArray("<emptied>") << false << Answer::Ok
                                           << ours << true;
        QTest::newRow("changed, keep both") << QByteArray("A\r\nB\r\n") << QByteArray("A\r\nB\r\nC\r\n") << true
                                            << Answer::Ok << ours << true;
        QTest::newRow("changed, Cancel") << QByteArray("A\r\nB\r\n") << QByteArray("A\r\nB\r\nC\r\n") << true
                                         << Answer::Cancel << QByteArray("A\r\nB\r\nC\r\n") << false;
        QTest::newRow("same size and time, other bytes") << QByteArray("A\r\nB\r\n") << QByteArray("A\r\nX\r\n") << true
                                                         << Answer::Ok << ours << true;
        QTest::newRow("created elsewhere") << QByteArray("<none>") << QByteArray("theirs\r\n") << true << Answer::Ok
                                           << QByteArray("\r\nadded\r\n") << true;
        // A list from a Linux editor: read as lines, one KILLed, written back with LF line ends.
        QTest::newRow("LF list, unchanged") << QByteArray("A\nB\n") << QByteArray() << false << Answer::Ok
                                           << QByteArray("B\nadded\n") << true;
        QTest::newRow("LF list, same size and time, other bytes") << QByteArray("A\nB\n") << QByteArray("A\nX\n") << true
                                                                 << Answer::Ok << QByteArray("B\nadded\n") << true;
    }
    void listChangedElsewhereIsNotWrittenOver()
    {
        QFETCH(QByteArray, atLoad);
        QFETCH(QByteArray, elsewhere);
        QFETCH(bool, asks);
        QFETCH(Answer, answer);
        QFETCH(QByteArray, after);
        QFETCH(bool, closes);
        if (atLoad != "<none>")
            QVERIFY(TestFiles::writeList(atLoad));
        const QDateTime loadedAt = QFileInfo(ListPaths::listFile()).lastModified();
        ListBrowser *browser = m_world.windows->listBrowser();
        if (atLoad != "<none>") {
            browser->m_addressList->setCurrentRow(0);
            browser->removeSelected();
        }
        browser->m_addressList->addEntry(QStringLiteral("added"));

        if (elsewhere == "<removed>") {
            QVERIFY(QFile::remove(ListPaths::listFile()));
        } else if (elsewhere == "<emptied>") {
            QVERIFY(writeElsewhere(QByteArray()));
        } else if (!elsewhere.isEmpty()) {
            QVERIFY(writeElsewhere(elsewhere));
            // A program may set the time back (cp -p, rsync -t): the change is seen all the same.
            if (elsewhere.size() == atLoad.size() && loadedAt.isValid()) {
                QFile file(ListPaths::listFile());
                QVERIFY(file.open(QIODevice::ReadWrite));
                QVERIFY(file.setFileTime(loadedAt, QFileDevice::FileModificationTime));
            }
        }
        boxes().answers = {answer};
        QCOMPARE(WindowFrame::frameOf(browser)->close(), closes);

        const auto asked = boxesTitled(QStringLiteral("List changed elsewhere"));
        QCOMPARE(asked.size(), asks ? 1 : 0);
        QCOMPARE(boxes().shown.size(), asked.size());
        QCOMPARE(TestFiles::listBytes(), after);
        const QStringList copies = otherVersions();
        if (asks && answer == Answer::Ok) {
            QCOMPARE(asked[0].icon, MessageBoxes::Icon::Question);
            QCOMPARE(asked[0].buttons, MessageBoxes::Buttons::OkCancel);
            QVERIFY2(asked[0].text.contains(QDir::toNativeSeparators(ListPaths::listFile())), qPrintable(asked[0].text));
            QCOMPARE(copies.size(), 1);
            // The question named the copy it then made.
            QVERIFY2(asked[0].text.contains(copies[0]), qPrintable(asked[0].text));
            QCOMPARE(TestFiles::read(QDir(ListPaths::dataFolder()).filePath(copies[0])), elsewhere);
        } else {
            QVERIFY2(copies.isEmpty(), qPrintable(copies.join(QLatin1Char(' '))));
        }
        if (!closes) {
            QCOMPARE(m_world.windows->loadedListBrowser(), browser);
            QCOMPARE(browser->m_addressList->entries(), (QStringList{"B", "added"}));
            // Asked again at the next close: nothing is written over the other version without a word.
            boxes().answers = {Answer::Ok};
            QVERIFY(WindowFrame::frameOf(browser)->close());
            QCOMPARE(boxesTitled(QStringLiteral("List changed elsewhere")).size(), 2);
            QCOMPARE(TestFiles::listBytes(), QByteArray("B\r\nadded\r\n"));
            QCOMPARE(otherVersions().size(), 1);
        }
    }

    void editListChangedElsewhereIsNotWrittenOver()
    {
        QVERIFY(TestFiles::writeList("A\r\n"));
        frame()->editList();
        EditListWindow *editor = m_world.windows->loadedEditListWindow();
        QVERIFY(editor);
        editor->m_listText->setText(QStringLiteral("A\r\nmine"));
        QVERIFY(writeElsewhere("A\r\ntheirs\r\n"));

        boxes().answers = {Answer::Cancel};
        editor->saveEditedList();
        QCOMPARE(boxesTitled(QStringLiteral("List changed elsewhere")).size(), 1);
        QCOMPARE(TestFiles::listBytes(), QByteArray("A\r\ntheirs\r\n"));
        QCOMPARE(editor->m_listText->text(), QStringLiteral("A\r\nmine"));
        QVERIFY(boxesTitled(QStringLiteral("Edit")).isEmpty());
        QVERIFY(otherVersions().isEmpty());

        boxes().answers = {Answer::Ok};
        editor->saveEditedList();
        QCOMPARE(TestFiles::listBytes(), QByteArray("A\r\nmine\r\n"));
        QCOMPARE(otherVersions().size(), 1);
        QCOMPARE(TestFiles::read(QDir(ListPaths::dataFolder()).filePath(otherVersions()[0])), QByteArray("A\r\ntheirs\r\n"));
        QCOMPARE(boxes().shown.last().text, QStringLiteral(" List updated!"));

        // Destroy List empties the list: nothing there to keep, so Edit asks nothing.
        boxes().answers = {Answer::Ok};
        frame()->destroyList();
        const int asked = boxesTitled(QStringLiteral("List changed elsewhere")).size();
        editor->saveEditedList();
        QCOMPARE(boxesTitled(QStringLiteral("List changed elsewhere")).size(), asked);
        QCOMPARE(TestFiles::listBytes(), QByteArray("A\r\nmine\r\n"));

        // Its own save is no change made elsewhere: pressing Edit again asks nothing.
        const int questions = boxesTitled(QStringLiteral("List changed elsewhere")).size();
        editor->m_listText->setText(QStringLiteral("A\r\nmine again"));
        editor->saveEditedList();
        QCOMPARE(boxesTitled(QStringLiteral("List changed elsewhere")).size(), questions);
        QCOMPARE(TestFiles::listBytes(), QByteArray("A\r\nmine again\r\n"));
    }

    void reloadAsksBeforeDroppingUnsavedChanges_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("changes");
        QTest::addColumn<Answer>("answer");
        for (const char *command : {"Edit", "Create", "Destroy List", "kill button"}) {
            QTest::addRow("%s, no changes", command) << QString::fromLatin1(command) << 0 << Answer::Cancel;
            QTest::addRow("%s, 1 change, Cancel", command) << QString::fromLatin1(command) << 1 << Answer::Cancel;
            QTest::addRow("%s, 2 changes, Cancel", command) << QString::fromLatin1(command) << 2 << Answer::Cancel;
            QTest::addRow("%s, 2 changes, OK", command) << QString::fromLatin1(command) << 2 << Answer::Ok;
        }
    }
    void reloadAsksBeforeDroppingUnsavedChanges()
    {
        QFETCH(QString, command);
        QFETCH(int, changes);
        QFETCH(Answer, answer);
        const QByteArray stored("A\r\nB\r\n");
        QVERIFY(TestFiles::writeList(stored));
        ListBrowser *browser = m_world.windows->listBrowser();
        if (changes >= 1) { // KILL
            browser->m_addressList->setCurrentRow(0);
            browser->removeSelected();
        }
        if (changes >= 2) { // Add
            browser->openAddBar();
            m_world.windows->loadedAddAddressBar()->m_addressEdit->setText(QStringLiteral("added"));
            m_world.windows->loadedAddAddressBar()->addAddress();
        }
        const QStringList working = browser->m_addressList->entries();

        QWidget *editor = nullptr;
        const bool destroying = command == QLatin1String("Destroy List") || command == QLatin1String("kill button");
        // The design's own question first (Destroy List), then the one about unsaved changes.
        boxes().answers = destroying ? QList<Answer>{Answer::Ok, answer} : QList<Answer>{answer};
        if (command == QLatin1String("Edit")) {
            frame()->editList();
            auto *edit = m_world.windows->loadedEditListWindow();
            edit->m_listText->setText(QStringLiteral("typed"));
            edit->saveEditedList();
            editor = edit;
        } else if (command == QLatin1String("Create")) {
            auto *create = m_world.windows->newListWindow();
            create->m_listText->setText(QStringLiteral("typed"));
            create->createList();
            editor = create;
        } else if (command == QLatin1String("Destroy List")) {
            frame()->destroyList();
        } else {
            frame()->toolBarButtonClicked(QStringLiteral("kill"));
        }

        const auto asked = boxesTitled(QStringLiteral("Unsaved changes"));
        QCOMPARE(asked.size(), changes ? 1 : 0);
        const bool goesOn = changes == 0 || answer == Answer::Ok;
        if (changes) {
            const QString named = changes == 1 ? QStringLiteral("1 change ") : QStringLiteral("%1 changes ").arg(changes);
            QVERIFY2(asked[0].text.contains(named), qPrintable(asked[0].text));
            QCOMPARE(asked[0].icon, MessageBoxes::Icon::Question);
            QCOMPARE(asked[0].buttons, MessageBoxes::Buttons::OkCancelDefaultCancel);
        }
        if (!goesOn) {
            // Nothing changed: not the file, not the working list, not the typed text.
            QCOMPARE(TestFiles::listBytes(), stored);
            QCOMPARE(browser->m_addressList->entries(), working);
            if (auto *edit = qobject_cast<EditListWindow *>(editor))
                QCOMPARE(edit->m_listText->text(), QStringLiteral("typed"));
            if (auto *create = qobject_cast<NewListWindow *>(editor)) {
                QCOMPARE(create->m_listText->text(), QStringLiteral("typed"));
                QVERIFY(WindowFrame::isVisible(create));
            }
            QVERIFY(boxesTitled(QStringLiteral("Edit")).isEmpty());
            QVERIFY(boxesTitled(QStringLiteral("Created")).isEmpty());
            return;
        }
        if (destroying) {
            QCOMPARE(TestFiles::listBytes(), QByteArray()); // emptied, not deleted
            QCOMPARE(browser->m_addressList->entries(), QStringList{QString()});
        } else {
            QCOMPARE(TestFiles::listBytes(), QByteArray("typed\r\n"));
            QCOMPARE(browser->m_addressList->entries(), QStringList{"typed"});
        }
        // The reload starts a clean count: a further command asks nothing.
        const int before = boxes().shown.size();
        boxes().answers = {Answer::Ok};
        frame()->destroyList();
        QCOMPARE(boxes().shown.size(), before + 1);
    }

    void editWithoutTypingKeepsEntriesAndLineEnds_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("CR LF lines") << QByteArray("A\r\n\r\n B \r\n") << QByteArray("A\r\n\r\n B \r\n");
        QTest::newRow("lone LF inside an entry") << QByteArray("A\nB\r\n") << QByteArray("A\nB\r\n");
        QTest::newRow("no final line end") << QByteArray("A\r\nB") << QByteArray("A\r\nB\r\n");
        QTest::newRow("lone CR") << QByteArray("A\rB\r\n") << QByteArray("A\r\nB\r\n");
        QTest::newRow("empty file") << QByteArray("") << QByteArray("\r\n");
        QTest::newRow("one empty line") << QByteArray("\r\n") << QByteArray("\r\n");
        QTest::newRow("not UTF-8") << QByteArray("\xff\xfe\r\n") << QByteArray("\xff\xfe\r\n");
        QTest::newRow("LF lines") << QByteArray("A\n\n B \n") << QByteArray("A\n\n B \n");
        QTest::newRow("LF, no final line end") << QByteArray("A\nB") << QByteArray("A\nB\n");
    }
    void editWithoutTypingKeepsEntriesAndLineEnds()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, after);
        QVERIFY(TestFiles::writeList(file));
        frame()->editList();
        QVERIFY(m_world.windows->loadedEditListWindow());
        m_world.windows->loadedEditListWindow()->saveEditedList();
        QCOMPARE(TestFiles::listBytes(), after);
    }

    // --- one Quokka per data folder ------------------------------------------------------------

    void dataFolderLockIsExclusiveAndGoesWithItsHolder()
    {
        const QString folder = ListPaths::dataFolder();
        {
            DataFolderLock first(folder);
            QVERIFY(first.tryLock());
            DataFolderLock second(folder);
            QVERIFY(!second.tryLock());
            QVERIFY(second.heldElsewhere());
        }
        DataFolderLock again(folder);
        QVERIFY(again.tryLock());
    }

    void dataFolderLockOfAKilledProgramDoesNotBlock()
    {
        const QString folder = ListPaths::dataFolder();
        QProcess holder;
        holder.start(QStringLiteral(QUOKKA_HELPER_DIR "/folderlocker"), {folder});
        QVERIFY2(holder.waitForStarted(), qPrintable(holder.errorString()));
        QVERIFY(holder.waitForReadyRead(60000));
        QCOMPARE(holder.readLine(), QByteArray("locked\n"));
        DataFolderLock mine(folder);
        QVERIFY(!mine.tryLock());
        QVERIFY(mine.heldElsewhere());
        // A crash leaves the lock file behind; the lock itself goes with the process.
        ::kill(pid_t(holder.processId()), SIGKILL);
        QVERIFY(holder.waitForFinished(60000));
        QVERIFY(QFile::exists(mine.lockFilePath()));
        QVERIFY(mine.tryLock());
    }

    void secondStartBringsTheFirstForward()
    {
        const QString folder = ListPaths::dataFolder();
        SingleInstance first(folder);
        QCOMPARE(first.start(), SingleInstance::Start::First);
        QSignalSpy asked(&first, &SingleInstance::comeForwardRequested);
        SingleInstance second(folder);
        QCOMPARE(second.start(1000), SingleInstance::Start::Forwarded);
        QTRY_COMPARE(asked.size(), 1);

        // Another data folder is another program's.
        QTemporaryDir elsewhere;
        SingleInstance other(elsewhere.path() + QStringLiteral("/quokka"));
        QCOMPARE(other.start(), SingleInstance::Start::First);
        QCOMPARE(asked.size(), 1);
    }

    void secondStartWithoutAnAnswerGivesUp()
    {
        const QString folder = ListPaths::dataFolder();
        DataFolderLock holder(folder); // holds the folder, listens nowhere
        QVERIFY(holder.tryLock());
        SingleInstance second(folder);
        QCOMPARE(second.start(300), SingleInstance::Start::NoAnswer);
    }

    // A lock file that is there but cannot be taken is someone else's: the folder is not used
    // without a lock, and nothing is made or changed through a link.
    void lockFileThatCannotBeTakenKeepsTheFolder_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("why");
        QTest::newRow("link to a file") << QStringLiteral("link") << QStringLiteral("symbolic link");
        QTest::newRow("link to nothing") << QStringLiteral("dangling") << QStringLiteral("symbolic link");
        QTest::newRow("link to itself") << QStringLiteral("loop") << QStringLiteral("symbolic link");
        QTest::newRow("a folder") << QStringLiteral("folder") << QStringLiteral("cannot be opened");
        QTest::newRow("a pipe") << QStringLiteral("pipe") << QStringLiteral("not a regular file");
    }
    void lockFileThatCannotBeTakenKeepsTheFolder()
    {
        QFETCH(QString, kind);
        QFETCH(QString, why);
        const QString folder = ListPaths::dataFolder();
        QVERIFY(QDir().mkpath(folder));
        const QString lockFile = folder + QStringLiteral("/quokka.lock");
        QTemporaryDir elsewhere;
        const QString target = elsewhere.filePath(QStringLiteral("theirs"));
        if (kind == QLatin1String("link")) {
            QVERIFY(TestFiles::write(target, "theirs"));
            QVERIFY(QFile::link(target, lockFile));
        } else if (kind == QLatin1String("dangling")) {
            QVERIFY(QFile::link(target, lockFile));
        } else if (kind == QLatin1String("loop")) {
            QVERIFY(QFile::link(lockFile, lockFile));
        } else if (kind == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(lockFile));
        } else {
            QCOMPARE(::mkfifo(QFile::encodeName(lockFile).constData(), 0600), 0);
        }
        DataFolderLock lock(folder);
        QVERIFY(!lock.tryLock());
        QCOMPARE(lock.refusal(), DataFolderLock::Refusal::NotTakeable);
        QVERIFY(lock.heldElsewhere());
        QVERIFY2(lock.error().contains(why), qPrintable(lock.error()));
        if (kind == QLatin1String("link"))
            QCOMPARE(TestFiles::read(target), QByteArray("theirs"));
        if (kind == QLatin1String("dangling"))
            QVERIFY(!QFileInfo::exists(target));

        SingleInstance instance(folder);
        QCOMPARE(instance.start(300), SingleInstance::Start::Refused);
        QVERIFY2(instance.refusal().contains(lockFile) && instance.refusal().contains(why), qPrintable(instance.refusal()));
    }

    // A data folder two users share: the lock file of one is not the other's way in. Run as root, the
    // other user's side runs as "nobody".
    void lockFileOfAnotherUserKeepsTheFolder_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("answer"); // what the other user's start says
        QTest::newRow("their lock file, mode 0600") << QStringLiteral("0600") << QStringLiteral("refused: ");
        QTest::newRow("their readable lock file, held") << QStringLiteral("0644 held") << QStringLiteral("refused: ");
        QTest::newRow("their readable lock file, free") << QStringLiteral("0644") << QStringLiteral("first");
    }
    void lockFileOfAnotherUserKeepsTheFolder()
    {
        QFETCH(QString, setup);
        QFETCH(QString, answer);
        if (::geteuid() != 0)
            QSKIP("needs root, to start a second program as another user; CI runs this as root");
        QTemporaryDir shared(QStringLiteral("/tmp/quokka-shared-XXXXXX"));
        QCOMPARE(::chmod(QFile::encodeName(shared.path()).constData(), 01777), 0);
        const QString folder = shared.path();
        std::optional<DataFolderLock> mine;
        mine.emplace(folder);
        QVERIFY(mine->tryLock());
        QCOMPARE(::chmod(QFile::encodeName(mine->lockFilePath()).constData(), setup.startsWith(QLatin1String("0644")) ? 0644 : 0600), 0);
        if (!setup.endsWith(QLatin1String("held")))
            mine.reset();

        QProcess other;
        other.setProcessChannelMode(QProcess::MergedChannels);
        other.start(QStringLiteral("setpriv"), {QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                                               QStringLiteral("--clear-groups"), QStringLiteral(QUOKKA_HELPER_DIR "/folderlocker"),
                                               QStringLiteral("--start"), folder});
        QVERIFY2(other.waitForFinished(60000), qPrintable(other.errorString()));
        const QString said = QString::fromLocal8Bit(other.readAll()).trimmed();
        if (said.contains(QLatin1String("setpriv")))
            QSKIP(qPrintable(QStringLiteral("setpriv refused: ") + said));
        // A build under a private folder (mktemp -d makes it 0700) cannot be run by another user at all.
        if (said.contains(QLatin1String("cannot open shared object file")))
            QSKIP(qPrintable(QStringLiteral("the build folder is out of another user's reach: ") + said));
        QVERIFY2(said.startsWith(answer), qPrintable(said));
        if (answer.startsWith(QLatin1String("refused")))
            QVERIFY2(said.contains(QLatin1String("belongs to the user root")), qPrintable(said));
    }

    void lockHeldByAnotherUsersProgramIsSaid()
    {
        if (::geteuid() != 0)
            QSKIP("needs root, to start a program as another user; CI runs this as root");
        // A build under a private folder (mktemp -d makes it 0700) cannot be run by another user at all.
        for (QDir dir(QStringLiteral(QUOKKA_HELPER_DIR)); !dir.isRoot(); dir.cdUp()) {
            if (!(QFileInfo(dir.absolutePath()).permissions() & QFileDevice::ExeOther))
                QSKIP(qPrintable(dir.absolutePath() + QStringLiteral(" is out of another user's reach")));
        }
        QTemporaryDir shared(QStringLiteral("/tmp/quokka-shared-XXXXXX"));
        QCOMPARE(::chmod(QFile::encodeName(shared.path()).constData(), 01777), 0);
        QProcess holder;
        holder.start(QStringLiteral("setpriv"), {QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                                                QStringLiteral("--clear-groups"), QStringLiteral(QUOKKA_HELPER_DIR "/folderlocker"),
                                                shared.path()});
        QVERIFY2(holder.waitForStarted(), qPrintable(holder.errorString()));
        QVERIFY(holder.waitForReadyRead(60000));
        const QByteArray said = holder.readLine();
        if (said != "locked\n")
            QSKIP(qPrintable(QStringLiteral("the other user's program did not start: ") + QString::fromLocal8Bit(said)));
        SingleInstance instance(shared.path());
        const SingleInstance::Start start = instance.start(5000);
        holder.kill();
        holder.waitForFinished(60000);
        QCOMPARE(start, SingleInstance::Start::Refused);
        QVERIFY2(instance.refusal().contains(QLatin1String("belongs to the user nobody")), qPrintable(instance.refusal()));
    }

    void secondProgramOnTheSameDataFolderEnds()
    {
        const QString program = QStringLiteral(QUOKKA_HELPER_DIR "/../src/quokka");
        if (!QFileInfo(program).isExecutable())
            QSKIP("the program is not built beside the tests");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_world.data->path());
        env.insert(QStringLiteral("XDG_CACHE_HOME"), m_world.cache->path());
        QProcess first;
        first.setProcessChannelMode(QProcess::MergedChannels);
        first.setProcessEnvironment(env);
        first.start(program, {});
        QVERIFY2(first.waitForStarted(), qPrintable(first.errorString()));
        // Wait until the first program holds the folder (a guard against a hang, not a speed test).
        QDeadlineTimer deadline(60000);
        for (;;) {
            {
                // Let go at once: held while the program tries, the probe would keep it out.
                DataFolderLock probe(ListPaths::dataFolder());
                if (!probe.tryLock() && probe.heldElsewhere())
                    break;
            }
            QVERIFY2(first.state() == QProcess::Running, first.readAll().constData());
            QVERIFY2(!deadline.hasExpired(), "the first program never took its data folder");
            QTest::qWait(50);
        }
        QProcess second;
        second.setProcessEnvironment(env);
        second.start(program, {});
        QVERIFY(second.waitForFinished(60000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(first.state(), QProcess::Running);
        first.kill();
        first.waitForFinished(60000);
    }
};

QTEST_MAIN(TestListSafety)
#include "tst_listsafety.moc"
