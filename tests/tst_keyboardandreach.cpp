// What a person with a keyboard, or with a scaled display, meets: typed text is not thrown away
// without a question, the entry on screen is the one KILL removes, Enter clicks the right button,
// every command has a key, and every window can be reached inside the frame.
#include "app/aboutdialog.h"
#include "app/mainwindow.h"
#include "app/windows.h"
#include "browser/browserwindow.h"
#include "browser/listbrowser.h"
#include "fakes/fakeplatform.h"
#include "fakes/testfiles.h"
#include "fakes/windowsworld.h"
#include "lists/addaddressbar.h"
#include "lists/cheatbox.h"
#include "lists/checkwindow.h"
#include "lists/editlistwindow.h"
#include "lists/listviewwindow.h"
#include "lists/newlistwindow.h"
#include "store/listpaths.h"
#include "ui/listbox.h"
#include "ui/windowframe.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolBar>
#include <QTcpServer>
#include <QToolButton>
#include <QtTest>

namespace {

FakeWebBrowser *fake(WebBrowser *view)
{
    return qobject_cast<FakeWebBrowser *>(view);
}

using Answer = MessageBoxes::Answer;

} // namespace

class TestKeyboardAndReach : public QObject {
    Q_OBJECT
private:
    WindowsWorld m_world;

    MainWindow *activeFrame()
    {
        MainWindow *frame = m_world.windows->mainWindow();
        frame->show();
        frame->activateWindow();
        if (!QTest::qWaitForWindowActive(frame))
            return nullptr;
        return frame;
    }

    /// Gives @p w the keyboard focus as a click or Tab would, and waits until it has it.
    static bool focus(QWidget *w)
    {
        w->activateWindow();
        w->setFocus(Qt::TabFocusReason);
        return QTest::qWaitFor([w] { return QApplication::focusWidget() == w; }, 5000);
    }

private slots:
    void init() { m_world.start(); }
    void cleanup() { m_world.stop(); }

    void typedTextIsNotThrownAwayWithoutAQuestion_data()
    {
        QTest::addColumn<QString>("editor");
        QTest::addColumn<QString>("closing");
        QTest::addColumn<bool>("typed");
        QTest::addColumn<int>("answer");
        for (const char *editor : {"Edit List", "New List"}) {
            for (const char *closing : {"close box", "Ctrl+W", "main window's close box"}) {
                const QString row = QStringLiteral("%1, %2, ").arg(QLatin1String(editor), QLatin1String(closing));
                QTest::newRow(qPrintable(row + "nothing typed")) << editor << closing << false << int(Answer::Cancel);
                QTest::newRow(qPrintable(row + "Save")) << editor << closing << true << int(Answer::Save);
                QTest::newRow(qPrintable(row + "Discard")) << editor << closing << true << int(Answer::Discard);
                QTest::newRow(qPrintable(row + "Cancel")) << editor << closing << true << int(Answer::Cancel);
            }
        }
    }
    void typedTextIsNotThrownAwayWithoutAQuestion()
    {
        QFETCH(QString, editor);
        QFETCH(QString, closing);
        QFETCH(bool, typed);
        QFETCH(int, answer);
        const QByteArray stored("A\r\nB\r\n");
        QVERIFY(TestFiles::writeList(stored));
        MainWindow *frame = activeFrame();
        QVERIFY(frame);
        QWidget *window = nullptr;
        MultiLineTextBox *text = nullptr;
        if (editor == QLatin1String("Edit List")) {
            frame->editList();
            window = m_world.windows->loadedEditListWindow();
            text = m_world.windows->loadedEditListWindow()->m_listText;
        } else {
            frame->openNewList();
            window = m_world.windows->loadedNewListWindow();
            text = m_world.windows->loadedNewListWindow()->m_listText;
        }
        QVERIFY(focus(text));
        if (typed) {
            text->moveCursor(QTextCursor::End);
            QTest::keyClick(text, Qt::Key_Return);
            QTest::keyClicks(text, QStringLiteral("C"));
        }
        const QString expectedText = text->text();
        m_world.platform->boxes.answers = {Answer(answer)};
        QPointer<QWidget> frameOfEditor = WindowFrame::frameOf(window);

        if (closing == QLatin1String("close box"))
            frameOfEditor->close();
        else if (closing == QLatin1String("Ctrl+W"))
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_W, Qt::ControlModifier);
        else
            frame->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        const auto questions = std::count_if(m_world.platform->boxes.shown.cbegin(), m_world.platform->boxes.shown.cend(),
                                             [](const FakeMessageBoxes::Box &b) {
                                                 return b.buttons == MessageBoxes::Buttons::SaveDiscardCancel;
                                             });
        QCOMPARE(questions, typed ? 1 : 0);
        const bool closed = !typed || Answer(answer) != Answer::Cancel;
        QCOMPARE(frameOfEditor.isNull(), closed);
        if (closing == QLatin1String("main window's close box"))
            QCOMPARE(frame->isVisible(), !closed);
        if (!closed)
            QCOMPARE(text->text(), expectedText);
        const QByteArray saved = typed && Answer(answer) == Answer::Save ? (expectedText + QStringLiteral("\r\n")).toUtf8() : stored;
        // The list browser, closed with the main window, writes back what it holds: the saved list.
        QCOMPARE(TestFiles::listBytes(), saved);
    }

    void listViewSelectsTheOpenedEntryInTheListBrowser_data()
    {
        QTest::addColumn<int>("killFirst");  // an entry KILLed in the list browser before, or -1
        QTest::addColumn<int>("viewRow");    // the entry opened in List View
        QTest::addColumn<int>("selectedRow"); // what the list browser then selects, -1 for none
        QTest::newRow("another entry") << -1 << 2 << 2;
        QTest::newRow("a repeated entry, the first") << -1 << 1 << 1;
        QTest::newRow("a repeated entry, the second") << -1 << 3 << 3;
        QTest::newRow("the same entry again") << -1 << 0 << 0;
        QTest::newRow("after a KILL moved the entries up") << 0 << 2 << 1;
        QTest::newRow("after a KILL, a repeat: the nearest") << 1 << 3 << 2;
        QTest::newRow("an entry that was KILLed") << 2 << 2 << -1;
    }
    void listViewSelectsTheOpenedEntryInTheListBrowser()
    {
        QFETCH(int, killFirst);
        QFETCH(int, viewRow);
        QFETCH(int, selectedRow);
        QVERIFY(TestFiles::writeList("a=1\r\na=2\r\na=3\r\na=2\r\n"));
        QVERIFY(activeFrame());
        ListBrowser *browser = m_world.windows->listBrowser();
        if (killFirst >= 0) {
            browser->m_addressList->setCurrentRow(killFirst);
            browser->removeSelected();
        }
        browser->m_addressList->setCurrentRow(0);
        const QStringList before = browser->m_addressList->entries();
        ListViewWindow *view = m_world.windows->listViewWindow();
        view->m_addressList->setCurrentRow(viewRow);
        const QString opened = view->m_addressList->currentEntry();
        fake(browser->m_view)->navigations.clear();
        emit view->m_addressList->entryActivated();

        QCOMPARE(fake(browser->m_view)->navigations, QStringList{opened});
        QCOMPARE(browser->m_addressList->currentRow(), selectedRow);
        QCOMPARE(browser->m_chosenAddressBox->currentText(), opened);
        // KILL removes what the page shows, or nothing when the entry is no longer in the list.
        browser->removeSelected();
        QStringList expected = before;
        if (selectedRow >= 0) {
            QCOMPARE(before[selectedRow], opened);
            expected.removeAt(selectedRow);
        }
        QCOMPARE(browser->m_addressList->entries(), expected);
    }

    void addUrlStartsEveryOpeningInTheBoxWithItsTextSelected()
    {
        QVERIFY(TestFiles::writeList("X\r\n"));
        QVERIFY(activeFrame());
        ListBrowser *browser = m_world.windows->listBrowser();
        for (int opening = 0; opening < 4; ++opening) {
            browser->openAddBar();
            AddAddressBar *bar = m_world.windows->loadedAddAddressBar();
            QTRY_VERIFY(QApplication::focusWidget() == bar->m_addressEdit
                        && bar->m_addressEdit->selectedText() == bar->m_addressEdit->text());
            const QString typed = QStringLiteral("http://c%1/").arg(opening);
            QTest::keyClicks(QApplication::focusWidget(), typed);
            if (opening % 2 == 0) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            } else {
                // A click on ADD leaves the focus on it: the next opening still starts in the box.
                QTest::mouseClick(bar->m_addButton, Qt::LeftButton);
            }
            QVERIFY(!WindowFrame::isVisible(bar));
            QCOMPARE(browser->m_addressList->entries().mid(1), ([opening] {
                         QStringList added;
                         for (int i = 0; i <= opening; ++i)
                             added << QStringLiteral("http://c%1/").arg(i);
                         return added;
                     }()));
        }
    }

    void enterClicksTheFocusedButtonOrElseTheDefaultOne_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<int>("key");
        for (const char *where : {"New List's Create", "Edit List's Edit", "the browser window's GO>",
                                  "the browser window's Go", "the browser window's page", "the list browser's Next",
                                  "the list browser's page", "Add URL's box", "Add URL's ADD", "Check List's Cancel"}) {
            QTest::newRow(qPrintable(QStringLiteral("%1, Return").arg(QLatin1String(where)))) << where << int(Qt::Key_Return);
            QTest::newRow(qPrintable(QStringLiteral("%1, keypad Enter").arg(QLatin1String(where)))) << where << int(Qt::Key_Enter);
        }
    }
    void enterClicksTheFocusedButtonOrElseTheDefaultOne()
    {
        QFETCH(QString, where);
        QFETCH(int, key);
        QVERIFY(TestFiles::writeList("A\r\nB\r\n"));
        MainWindow *frame = activeFrame();
        QVERIFY(frame);
        FakeMessageBoxes &boxes = m_world.platform->boxes;
        QTcpServer silent;
        QWidget *target = nullptr;
        std::function<bool()> happened;
        if (where.startsWith(QLatin1String("New List"))) {
            NewListWindow *w = m_world.windows->newListWindow();
            target = w->m_createButton;
            happened = [&boxes] { return boxes.shown.size() == 1 && boxes.shown[0].text == QLatin1String(" New list created!"); };
        } else if (where.startsWith(QLatin1String("Edit List"))) {
            frame->editList();
            target = m_world.windows->loadedEditListWindow()->m_editButton;
            happened = [&boxes] { return boxes.shown.size() == 1 && boxes.shown[0].text == QLatin1String(" List updated!"); };
        } else if (where.startsWith(QLatin1String("the browser window"))) {
            BrowserWindow *w = m_world.windows->browserWindow();
            WindowFrame::show(w);
            QVERIFY(QTest::qWaitForWindowExposed(w));
            w->m_addressBox->setEditText(QStringLiteral("example.org"));
            target = where.endsWith(QLatin1String("GO>")) ? static_cast<QWidget *>(w->m_goArrowButton)
                     : where.endsWith(QLatin1String("Go"))  ? static_cast<QWidget *>(w->m_goButton)
                                                            : w->m_view->widget();
            FakeWebBrowser *view = fake(w->m_view);
            happened = [view] { return view->navigations == QStringList{QStringLiteral("example.org")}; };
        } else if (where.startsWith(QLatin1String("the list browser"))) {
            ListBrowser *w = m_world.windows->listBrowser();
            target = where.endsWith(QLatin1String("Next")) ? static_cast<QWidget *>(w->m_nextButton) : w->m_view->widget();
            happened = [w] { return w->m_addressList->currentRow() == 0; };
        } else if (where.startsWith(QLatin1String("Check List"))) {
            // A server that takes the request and never answers keeps the check running.
            QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
            QVERIFY(TestFiles::writeList(QStringLiteral("http://127.0.0.1:%1/\r\n").arg(silent.serverPort()).toUtf8()));
            m_world.windows->checkWindow()->setUseBrowser(false);
            frame->menuItem(QStringLiteral("checkList"))->trigger();
            CheckWindow *w = m_world.windows->loadedCheckWindow();
            QVERIFY(w->isChecking());
            target = w->m_cancelButton;
            happened = [w] { return !w->isChecking(); };
        } else {
            ListBrowser *browser = m_world.windows->listBrowser();
            browser->openAddBar();
            AddAddressBar *w = m_world.windows->loadedAddAddressBar();
            QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->m_addressEdit));
            w->m_addressEdit->setText(QStringLiteral("http://added/"));
            target = where.endsWith(QLatin1String("ADD")) ? static_cast<QWidget *>(w->m_addButton) : w->m_addressEdit;
            happened = [browser] {
                return browser->m_addressList->entries() == QStringList{"A", "B", "http://added/"};
            };
        }
        target->setFocusPolicy(Qt::FocusPolicy(target->focusPolicy() | Qt::TabFocus));
        QVERIFY(focus(target));
        QTest::keyClick(target, Qt::Key(key), key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        QCoreApplication::processEvents();
        // A page keeps Enter for itself: the window's buttons stay untouched.
        const bool page = where.endsWith(QLatin1String("page"));
        QCOMPARE(happened(), !page);
    }

    void newListOpensWithTheKeyboardOnCreate()
    {
        // New List opens, then the list browser is loaded (which shows it) and hidden at once: the
        // keyboard stays with New List's first control, so that Enter creates.
        MainWindow *frame = activeFrame();
        QVERIFY(frame);
        QTest::keyClick(frame, Qt::Key_L, Qt::ControlModifier);
        NewListWindow *newList = m_world.windows->loadedNewListWindow();
        QVERIFY(newList);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(newList->m_createButton));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(m_world.platform->boxes.shown.size(), 1);
        QCOMPARE(m_world.platform->boxes.shown[0].text, QStringLiteral(" New list created!"));
    }

    void childWindowsCanBeReachedInASmallFrame()
    {
        // 1280 x 1024 at a scale of 2 leaves a frame of about 640 x 512.
        MainWindow *frame = activeFrame();
        QVERIFY(frame);
        frame->resize(640, 480);
        QCoreApplication::processEvents();
        Windows &windows = *m_world.windows;
        QMdiArea *area = frame->mdiArea();
        const QList<QWidget *> children{static_cast<QWidget *>(windows.listBrowser()), windows.listViewWindow(),
                                        windows.newListWindow(), windows.editListWindow(), windows.addAddressBar(),
                                        windows.cheatBox(), windows.aboutDialog()};
        for (QWidget *child : children) {
            WindowFrame::show(child);
            QCoreApplication::processEvents();
            auto *sub = qobject_cast<QMdiSubWindow *>(WindowFrame::frameOf(child));
            QVERIFY(sub);
            // Its title bar (caption, close box) and first controls are in view.
            QVERIFY2(sub->x() >= 0 && sub->y() >= 0,
                     qPrintable(QStringLiteral("%1 placed at %2,%3").arg(child->objectName()).arg(sub->x()).arg(sub->y())));
            // The rest is reached by scrolling the frame's document area.
            area->horizontalScrollBar()->setValue(area->horizontalScrollBar()->maximum());
            area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
            QCoreApplication::processEvents();
            const QRect view = area->viewport()->rect();
            QVERIFY2(sub->geometry().right() <= view.right() && sub->geometry().bottom() <= view.bottom(),
                     qPrintable(QStringLiteral("%1 at %2,%3 %4x%5 cannot be scrolled into a view of %6x%7")
                                    .arg(child->objectName())
                                    .arg(sub->x()).arg(sub->y()).arg(sub->width()).arg(sub->height())
                                    .arg(view.width()).arg(view.height())));
            area->horizontalScrollBar()->setValue(0);
            area->verticalScrollBar()->setValue(0);
            WindowFrame::hide(child);
        }

        // The browser window, smaller than its controls need, scrolls to each of them.
        BrowserWindow *big = windows.browserWindow();
        WindowFrame::show(big);
        big->setWindowState(Qt::WindowNoState);
        big->resize(640, 480);
        QVERIFY(QTest::qWaitForWindowExposed(big));
        auto *scroller = qobject_cast<QScrollArea *>(big->centralWidget());
        QVERIFY(scroller);
        for (QWidget *control : {static_cast<QWidget *>(big->m_goButton), static_cast<QWidget *>(big->m_goArrowButton),
                                 big->m_busyAnimation->widget(), static_cast<QWidget *>(big->m_addressBox)}) {
            QVERIFY(control);
            scroller->ensureWidgetVisible(control, 0, 0);
            QCoreApplication::processEvents();
            // A control wider than the view (the address box) shows as much as fits, from its start.
            const QRect shown = QRect(control->mapTo(scroller->viewport(), QPoint(0, 0)), control->size());
            const QRect view = scroller->viewport()->rect();
            QVERIFY2(view.contains(shown) || (shown.width() > view.width() && view.contains(shown.topLeft())),
                     qPrintable(QStringLiteral("%1 cannot be scrolled into view").arg(control->objectName())));
        }
    }

    void everyToolbarCommandHasAKey_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("menuItem"); // the menu item that does the same, or empty
        QTest::newRow("Edit List") << "tb-edit" << "editList";
        QTest::newRow("Quokka") << "tb-quokka" << "";
        QTest::newRow("Show List") << "tb-List" << "";
        QTest::newRow("the red button") << "tb-kill" << "destroyList";
        QTest::newRow("Enlarge quokka") << "tb-big" << "big";
    }
    void everyToolbarCommandHasAKey()
    {
        QFETCH(QString, button);
        QFETCH(QString, menuItem);
        MainWindow *frame = activeFrame();
        QVERIFY(frame);
        auto *action = frame->m_mainToolBar->findChild<QAction *>(button);
        QVERIFY(action);
        if (!menuItem.isEmpty()) {
            QVERIFY(frame->menuItem(menuItem));
            return;
        }
        QVERIFY2(!action->shortcut().isEmpty(), "no key for a command that no menu item has");
        QVERIFY2(action->toolTip().contains(action->shortcut().toString(QKeySequence::NativeText)),
                 qPrintable(action->toolTip()));
        QCOMPARE(action->text(), action->toolTip().section(QStringLiteral(" ("), 0, 0));
        // The key does what the button does, from a child window of the frame too.
        frame->openNewList();
        QWidget *focusWidget = m_world.windows->loadedNewListWindow()->m_listText;
        QVERIFY(focus(focusWidget));
        const QKeyCombination combination = action->shortcut()[0];
        QTest::keyClick(focusWidget, combination.key(), combination.keyboardModifiers());
        if (button == QLatin1String("tb-List")) {
            QVERIFY(m_world.windows->loadedListViewWindow());
            QVERIFY(WindowFrame::isVisible(m_world.windows->loadedListViewWindow()));
        } else {
            ListBrowser *browser = m_world.windows->loadedListBrowser();
            QVERIFY(WindowFrame::isVisible(browser));
            QCOMPARE(fake(browser->m_view)->navigations.size(), 1);
            QVERIFY(fake(browser->m_view)->navigations.first().endsWith(QLatin1String("start.html")));
        }
    }

    void ctrlTabAndCtrlF6ReachEveryChildWindow_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("Ctrl+Tab") << int(Qt::Key_Tab) << int(Qt::ControlModifier);
        QTest::newRow("Ctrl+F6") << int(Qt::Key_F6) << int(Qt::ControlModifier);
        QTest::newRow("Ctrl+Shift+Tab") << int(Qt::Key_Backtab) << int(Qt::ControlModifier | Qt::ShiftModifier);
        QTest::newRow("Ctrl+Shift+F6") << int(Qt::Key_F6) << int(Qt::ControlModifier | Qt::ShiftModifier);
    }
    void ctrlTabAndCtrlF6ReachEveryChildWindow()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        MainWindow *frame = activeFrame();
        QVERIFY(frame);
        // Info hides the list browser; nothing on screen leads back to it.
        frame->showAbout();
        ListBrowser *browser = m_world.windows->loadedListBrowser();
        QVERIFY(!WindowFrame::isVisible(browser));
        frame->showCheatBox();
        QSet<QWidget *> reached;
        for (int press = 0; press < 3; ++press) {
            QWidget *focused = QApplication::focusWidget() ? QApplication::focusWidget() : frame;
            QTest::keyClick(focused, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
            QMdiSubWindow *active = frame->mdiArea()->activeSubWindow();
            QVERIFY(active);
            QVERIFY(active->isVisible());
            reached.insert(active->widget());
        }
        QVERIFY(reached.contains(browser));
        QVERIFY(WindowFrame::isVisible(browser));
        QCOMPARE(reached.size(), 3);
    }

    void startPageSaysWhatEachWindowsKeysDo_data()
    {
        QTest::addColumn<QString>("section"); // the start page's section for the window
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("says");    // what the page says the key does there
        QTest::newRow("browser window, Ctrl+L") << "browser-window-keys" << "Ctrl+L" << "address box";
        QTest::newRow("list browser, Ctrl+L") << "list-browser-keys" << "Ctrl+L" << "New List";
        QTest::newRow("list browser, Ctrl+Shift+L") << "list-browser-keys" << "Ctrl+Shift+L" << "Show List";
        QTest::newRow("list browser, Alt+Home") << "list-browser-keys" << "Alt+Home" << "list browser";
    }
    void startPageSaysWhatEachWindowsKeysDo()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, says);
        QFile page(ListPaths::startPage().toLocalFile());
        QVERIFY2(page.open(QIODevice::ReadOnly), qPrintable(page.fileName()));
        const QString html = QString::fromUtf8(page.readAll());
        const qsizetype start = html.indexOf(QStringLiteral("<section id=\"%1\">").arg(section));
        QVERIFY2(start >= 0, qPrintable(QStringLiteral("no section %1 on the start page").arg(section)));
        const QString part = html.mid(start, html.indexOf(QLatin1String("</section>"), start) - start);
        QString item;
        for (QString li : part.split(QStringLiteral("<li>"))) {
            li.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
            li = li.simplified();
            if (li.contains(key + QLatin1Char(' ')) && !li.contains(QStringLiteral("+") + key)) {
                item = li;
                break;
            }
        }
        QVERIFY2(item.contains(says), qPrintable(QStringLiteral("%1 says: %2").arg(key, item)));

        // The key does there what the page says.
        MainWindow *frame = activeFrame();
        QVERIFY(frame);
        const QKeySequence sequence = QKeySequence::fromString(key, QKeySequence::PortableText);
        if (section == QLatin1String("browser-window-keys")) {
            BrowserWindow *w = m_world.windows->browserWindow();
            WindowFrame::show(w);
            QVERIFY(QTest::qWaitForWindowActive(w));
            QTest::keySequence(w, sequence);
            QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->m_addressBox));
            return;
        }
        ListBrowser *browser = m_world.windows->listBrowser();
        QVERIFY(focus(browser->m_addressList));
        if (key == QLatin1String("Alt+Home"))
            WindowFrame::hide(browser);
        QTest::keySequence(QApplication::focusWidget() ? QApplication::focusWidget() : frame, sequence);
        if (key == QLatin1String("Ctrl+L")) {
            QVERIFY(m_world.windows->loadedNewListWindow() && WindowFrame::isVisible(m_world.windows->loadedNewListWindow()));
        } else if (key == QLatin1String("Ctrl+Shift+L")) {
            QVERIFY(m_world.windows->loadedListViewWindow() && WindowFrame::isVisible(m_world.windows->loadedListViewWindow()));
        } else {
            QVERIFY(WindowFrame::isVisible(browser));
        }
    }
};

QTEST_MAIN(TestKeyboardAndReach)
#include "tst_keyboardandreach.moc"
