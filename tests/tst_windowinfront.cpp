// The window a command asks for comes up in front of the windows it loads on the way, whether the
// command came with the main window active (a shortcut, a click) or through the accessibility
// interface while another window had the keyboard (a screen reader, voice control).
#include "app/aboutdialog.h"
#include "app/mainwindow.h"
#include "app/windows.h"
#include "browser/listbrowser.h"
#include "fakes/fakeplatform.h"
#include "fakes/testfiles.h"
#include "fakes/windowsworld.h"
#include "lists/addaddressbar.h"
#include "lists/cheatbox.h"
#include "lists/checkwindow.h"
#include "lists/editlistwindow.h"
#include "ui/listbox.h"
#include "ui/windowframe.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAccessible>
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

namespace {

enum class Way { MainWindowActive, AccessibilityWithFocusElsewhere };

/// The controls of @p window that a person clicks or reads, shown, whose centre lies under something
/// else of the main window: what a click there would reach instead.
QStringList coveredControls(MainWindow *main, QWidget *window)
{
    QStringList covered;
    const QList<QWidget *> all = window->findChildren<QWidget *>();
    for (QWidget *control : all) {
        if (!control->isVisibleTo(main) || control->isWindow())
            continue;
        if (!qobject_cast<QAbstractButton *>(control) && !qobject_cast<QLineEdit *>(control)
            && !qobject_cast<QAbstractScrollArea *>(control) && !qobject_cast<QProgressBar *>(control))
            continue;
        QWidget *hit = main->childAt(control->mapTo(main, control->rect().center()));
        if (hit != control && !control->isAncestorOf(hit))
            covered << QStringLiteral("%1 under %2").arg(control->objectName(), hit ? hit->objectName() : QStringLiteral("nothing"));
    }
    return covered;
}

/// Presses the menu item @p caption through the accessibility interface, as a screen reader does.
bool pressThroughAccessibility(QMenu *menu, const QString &caption)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(menu);
    for (int i = 0; iface && i < iface->childCount(); ++i) {
        QAccessibleInterface *item = iface->child(i);
        if (item && item->text(QAccessible::Name).remove(QLatin1Char('&')) == caption && item->actionInterface()) {
            item->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
            return true;
        }
    }
    return false;
}

} // namespace

Q_DECLARE_METATYPE(Way)

class TestWindowInFront : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void theWindowAskedForIsInFront_data();
    void theWindowAskedForIsInFront();
    void checkListStaysBesideTheListBrowser();

private:
    /// Gives the keyboard to the main window, or to another program's window.
    void prepare(Way way);
    void runMenuCommand(Way way, const QString &menuKey, const QString &caption);

    WindowsWorld m_world;
    std::unique_ptr<QWidget> m_elsewhere;
};

void TestWindowInFront::init()
{
    m_world.start();
    QVERIFY(TestFiles::writeList("http://127.0.0.1:1/a\r\nhttp://127.0.0.1:1/b\r\n"));
    MainWindow *main = m_world.windows->mainWindow();
    main->move(0, 0);
    main->show();
    QVERIFY(QTest::qWaitForWindowExposed(main));
}

void TestWindowInFront::cleanup()
{
    m_elsewhere.reset();
    m_world.stop();
}

void TestWindowInFront::prepare(Way way)
{
    MainWindow *main = m_world.windows->mainWindow();
    if (way == Way::MainWindowActive) {
        main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main));
        return;
    }
    m_elsewhere = std::make_unique<QWidget>();
    m_elsewhere->setWindowTitle(QStringLiteral("Another program"));
    m_elsewhere->setGeometry(1400, 900, 100, 50);
    m_elsewhere->show();
    m_elsewhere->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_elsewhere.get()));
    QVERIFY(!main->isActiveWindow());
}

void TestWindowInFront::runMenuCommand(Way way, const QString &menuKey, const QString &caption)
{
    MainWindow *main = m_world.windows->mainWindow();
    QMenu *menu = main->menuBar()->findChild<QMenu *>(menuKey);
    QVERIFY(menu);
    if (way == Way::AccessibilityWithFocusElsewhere) {
        QVERIFY2(pressThroughAccessibility(menu, caption), qPrintable(caption));
        return;
    }
    for (QAction *action : menu->actions()) {
        if (action->text() == caption) {
            if (!action->shortcut().isEmpty())
                QTest::keySequence(main, action->shortcut());
            else
                action->trigger();
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("no menu item %1").arg(caption)));
}

void TestWindowInFront::theWindowAskedForIsInFront_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<Way>("way");
    for (const char *command : {"Check List", "Edit List", "Info", "Toggle Cheatmode", "Add"}) {
        QTest::addRow("%s, main window active", command) << QString::fromLatin1(command) << Way::MainWindowActive;
        QTest::addRow("%s, through accessibility", command) << QString::fromLatin1(command)
                                                           << Way::AccessibilityWithFocusElsewhere;
    }
}

void TestWindowInFront::theWindowAskedForIsInFront()
{
    QFETCH(QString, command);
    QFETCH(Way, way);
    Windows &windows = *m_world.windows;
    MainWindow *main = windows.mainWindow();
    if (command == QLatin1String("Add")) {
        // Add is the list browser's: the list browser is shown first, then its button pressed.
        WindowFrame::show(windows.listBrowser());
        prepare(way);
        QPushButton *add = windows.listBrowser()->m_addButton;
        if (way == Way::MainWindowActive)
            QTest::mouseClick(add, Qt::LeftButton);
        else
            QAccessible::queryAccessibleInterface(add)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QTRY_VERIFY(windows.loadedAddAddressBar());
        QCOMPARE(coveredControls(main, windows.loadedAddAddressBar()), QStringList());
        return;
    }
    prepare(way);
    if (command == QLatin1String("Check List")) {
        runMenuCommand(way, QStringLiteral("listMenu"), command);
        QVERIFY(windows.loadedCheckWindow());
        QVERIFY(windows.loadedListBrowser()); // loaded on the way
        QCOMPARE(coveredControls(main, windows.loadedCheckWindow()), QStringList());
        // Once done, it is still in front.
        QTRY_VERIFY(!windows.loadedCheckWindow()->isChecking());
        QCOMPARE(coveredControls(main, windows.loadedCheckWindow()), QStringList());
    } else if (command == QLatin1String("Edit List")) {
        runMenuCommand(way, QStringLiteral("listMenu"), command);
        QVERIFY(windows.loadedEditListWindow());
        QCOMPARE(coveredControls(main, windows.loadedEditListWindow()), QStringList());
    } else if (command == QLatin1String("Info")) {
        runMenuCommand(way, QStringLiteral("helpMenu"), command);
        QVERIFY(windows.loadedAboutDialog());
        QCOMPARE(coveredControls(main, windows.loadedAboutDialog()), QStringList());
    } else {
        runMenuCommand(way, QStringLiteral("helpMenu"), command);
        CheatBox *box = windows.loadedCheatBox();
        QVERIFY(box);
        QCOMPARE(coveredControls(main, box), QStringList());
        // The right code loads the list browser; while its messages wait, the box is still in front.
        QStringList coveredWhileAsking{QStringLiteral("not asked")};
        m_world.platform->boxes.onShow = [&](const FakeMessageBoxes::Box &) {
            if (coveredWhileAsking == QStringList{QStringLiteral("not asked")})
                coveredWhileAsking = coveredControls(main, box);
        };
        QVERIFY(!windows.loadedListBrowser());
        box->m_codeBox->setText(CheatBox::cheatCode);
        box->checkCheatCode();
        QVERIFY(windows.loadedListBrowser());
        QCOMPARE(coveredWhileAsking, QStringList());
    }
}

void TestWindowInFront::checkListStaysBesideTheListBrowser()
{
    Windows &windows = *m_world.windows;
    windows.mainWindow()->menuItem(QStringLiteral("checkList"))->trigger();
    QWidget *check = WindowFrame::frameOf(windows.loadedCheckWindow());
    ListBrowser *list = windows.loadedListBrowser();
    QVERIFY(list);
    QWidget *area = check->parentWidget();
    // At the design size there is no room beside the list browser: the window keeps off its list and
    // its buttons, and stays wholly in view.
    for (QWidget *part : std::initializer_list<QWidget *>{list->m_addressList, list->m_nextButton, list->m_previousButton,
                                                          list->m_killButton, list->m_addButton}) {
        const QRect place(part->mapTo(area, QPoint(0, 0)), part->size());
        QVERIFY2(!check->geometry().intersects(place), qPrintable(part->objectName()));
    }
    QVERIFY(QRect(QPoint(0, 0), area->size()).contains(check->geometry()));

    // A larger frame has room: the window comes up beside the list browser, covering nothing of it.
    windows.loadedCheckWindow()->cancelCheck();
    QTRY_VERIFY(!windows.loadedCheckWindow()->isChecking());
    check->close();
    QTRY_VERIFY(!windows.loadedCheckWindow());
    windows.mainWindow()->resize(1600, 1000);
    QTRY_VERIFY(area->width() > WindowFrame::frameOf(list)->geometry().right() + 460);
    windows.mainWindow()->menuItem(QStringLiteral("checkList"))->trigger();
    check = WindowFrame::frameOf(windows.loadedCheckWindow());
    QVERIFY(!check->geometry().intersects(WindowFrame::frameOf(list)->geometry()));
    QVERIFY(QRect(QPoint(0, 0), area->size()).contains(check->geometry()));
}

QTEST_MAIN(TestWindowInFront)
#include "tst_windowinfront.moc"
