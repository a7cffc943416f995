#include "app/mainwindow.h"

#include "app/windows.h"
#include "lists/listtidy.h"
#include "app/aboutdialog.h"
#include "app/quokkaapplication.h"
#include "browser/browserwindow.h"
#include "browser/listbrowser.h"
#include "lists/newlistwindow.h"
#include "lists/editlistwindow.h"
#include "lists/cheatbox.h"
#include "store/listfileversion.h"
#include "lists/checkwindow.h"
#include "lists/gallerywindow.h"
#include "lists/importwindow.h"
#include "store/listpaths.h"
#include "store/urllistfile.h"
#include "platform/mediaplayer.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "platform/webbrowser.h"
#include "ui/windowframe.h"
#include "ui/listbox.h"
#include "ui/multilinetextbox.h"
#include "ui/twips.h"

#include <QCloseEvent>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPainter>

namespace {

/// The frame's client area: white, with the background picture drawn once, unscaled, at the top left.
class ClientArea final : public QMdiArea {
public:
    explicit ClientArea(QWidget *parent)
        : QMdiArea(parent)
        , m_picture(QStringLiteral(":/background.jpg"))
    {
        setBackground(Qt::white);
        // Child windows keep their sizes, which display scaling may make larger than the frame.
        setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QMdiArea::paintEvent(event);
        QPainter painter(viewport());
        painter.drawPixmap(0, 0, m_picture);
    }

private:
    QPixmap m_picture;
};

/// Moves the child window @p window beside @p other in the visible part of the frame's document area,
/// where it covers nothing of it: to its right, below, to its left or above it. Without such room, into
/// the bottom right corner of the visible area, where the list browser has its page, not its list.
void placeBeside(QWidget *window, QWidget *other)
{
    auto *sub = qobject_cast<QMdiSubWindow *>(WindowFrame::frameOf(window));
    QWidget *otherFrame = WindowFrame::frameOf(other);
    if (!sub || !sub->mdiArea() || otherFrame == sub)
        return;
    if (otherFrame->isHidden()) {
        WindowFrame::placeInView(window); // a hidden window takes no room
        return;
    }
    const QRect view(QPoint(0, 0), sub->mdiArea()->viewport()->size());
    const QSize size = sub->size();
    const QRect taken = otherFrame->geometry();
    const QPoint places[] = {
        {taken.right() + 1, taken.top()},
        {taken.left(), taken.bottom() + 1},
        {taken.left() - size.width(), taken.top()},
        {taken.left(), taken.top() - size.height()},
    };
    for (const QPoint &place : places) {
        if (view.contains(QRect(place, size))) {
            sub->move(place);
            return;
        }
    }
    sub->move(qMax(0, view.width() - size.width()), qMax(0, view.height() - size.height()));
}

} // namespace

MainWindow::MainWindow(Windows &windows, QWidget *parent)
    : QMainWindow(parent)
    , m_windows(windows)
    , m_area(new ClientArea(this))
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Quokka"));
    setWindowIcon(QuokkaApplication::programIcon());
    m_area->setObjectName(QStringLiteral("mdiArea"));
    m_area->setAccessibleName(QStringLiteral("Quokka windows"));
    setCentralWidget(m_area);
    resize(twipsSize(15240, 10815));
    createMenus();
    createToolbar();
    createWindowSwitching();
}

void MainWindow::load()
{
    m_startupSound = m_windows.platform().createSound(ListPaths::shippedFile(QStringLiteral("download.avi")), 50, this);
    m_startupSound->play();
}

void MainWindow::createMenus()
{
    struct Item {
        const char *key;
        const char *caption;
        QKeySequence shortcut;
        void (MainWindow::*command)();
    };
    const struct Menu {
        const char *key;
        const char *caption;
        std::initializer_list<Item> items;
    } menus[] = {
        {"fileMenu", "&File", {{"newQuokka", "New Quokka", QKeySequence(Qt::CTRL | Qt::Key_N), &MainWindow::openBrowserWindow},
                           {"fileSeparator", "-", {}, nullptr},
                           {"quit", "Quit", {}, &MainWindow::quit}}},
        {"listMenu", "&List", {{"newList", "New List", QKeySequence(Qt::CTRL | Qt::Key_L), &MainWindow::openNewList},
                           {"editList", "Edit List", {}, &MainWindow::editList},
                           {"checkList", "Check List", QKeySequence(Qt::CTRL | Qt::Key_K), &MainWindow::checkList},
                           {"gallery", "Gallery", QKeySequence(Qt::CTRL | Qt::Key_G), &MainWindow::openGallery},
                           {"tidySeparator", "-", {}, nullptr},
                           {"removeDuplicates", "Remove Duplicates", {}, &MainWindow::removeDuplicates},
                           {"sortByAddress", "Sort by Address", {}, &MainWindow::sortByAddress},
                           {"sortByHost", "Sort by Host", {}, &MainWindow::sortByHost},
                           {"undoListChange", "Undo List Change", QKeySequence(Qt::CTRL | Qt::Key_Z), &MainWindow::undoListChange},
                           {"listSeparator", "-", {}, nullptr},
                           {"importAddresses", "Import Addresses…", {}, &MainWindow::importAddresses},
                           {"pasteAddresses", "Paste Addresses", {}, &MainWindow::pasteAddresses},
                           {"exportList", "Export List…", {}, &MainWindow::exportList},
                           {"transferSeparator", "-", {}, nullptr},
                           {"destroyList", "Destroy List", {}, &MainWindow::destroyList}}},
        {"browserMenu", "Browser", {{"big", "Big", {}, &MainWindow::showSelectedInBrowserWindow}}},
        {"helpMenu", "&?", {{"info", "Info", {}, &MainWindow::showAbout},
                        {"helpSeparator", "-", {}, nullptr},
                        {"cheatMode", "Toggle Cheatmode", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F12),
                         &MainWindow::showCheatBox}}},
    };
    for (const Menu &m : menus) {
        QMenu *menu = menuBar()->addMenu(QString::fromUtf8(m.caption));
        menu->setObjectName(QString::fromLatin1(m.key));
        menu->menuAction()->setObjectName(QString::fromLatin1(m.key));
        for (const Item &item : m.items) {
            QAction *action = nullptr;
            if (qstrcmp(item.caption, "-") == 0) {
                action = menu->addSeparator();
            } else {
                action = menu->addAction(QString::fromUtf8(item.caption));
                action->setShortcut(item.shortcut);
                // Shortcuts work from anywhere in the frame, child windows included.
                action->setShortcutContext(Qt::WindowShortcut);
                connect(action, &QAction::triggered, this, item.command);
            }
            action->setObjectName(QString::fromLatin1(item.key));
        }
    }
}

void MainWindow::createWindowSwitching()
{
    const struct {
        const char *name;
        int step;
        QList<QKeySequence> keys;
    } switches[] = {
        {"nextWindow", 1, {QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_F6)}},
        {"previousWindow", -1, {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
                                QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F6)}},
    };
    for (const auto &s : switches) {
        auto *action = new QAction(this);
        action->setObjectName(QString::fromLatin1(s.name));
        action->setShortcuts(s.keys);
        action->setShortcutContext(Qt::WindowShortcut);
        const int step = s.step;
        connect(action, &QAction::triggered, this, [this, step] { switchChildWindow(step); });
        addAction(action);
    }
}

void MainWindow::switchChildWindow(int step)
{
    const QList<QMdiSubWindow *> all = m_area->subWindowList(QMdiArea::CreationOrder);
    if (all.isEmpty())
        return;
    const qsizetype current = all.indexOf(m_area->activeSubWindow());
    const qsizetype next = current < 0 ? (step > 0 ? 0 : all.size() - 1) : (current + step + all.size()) % all.size();
    WindowFrame::show(all[next]->widget());
}

QAction *MainWindow::menuItem(const QString &key) const
{
    for (QAction *a : findChildren<QAction *>())
        if (a->objectName() == key)
            return a;
    return nullptr;
}

QMenu *MainWindow::createPopupMenu()
{
    return nullptr;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Each child window unloads with its own handling, the list browser first. The first that
    // refuses keeps the frame open, and every window not closed yet stays as it is.
    QList<QMdiSubWindow *> children = m_area->subWindowList();
    if (ListBrowser *list = m_windows.loadedListBrowser()) {
        auto *frame = qobject_cast<QMdiSubWindow *>(WindowFrame::frameOf(list));
        if (children.removeOne(frame))
            children.prepend(frame);
    }
    for (QMdiSubWindow *child : std::as_const(children)) {
        if (!child->close()) {
            event->ignore();
            return;
        }
    }
    event->accept();
}

void MainWindow::openBrowserWindow()
{
    WindowFrame::show(m_windows.browserWindow());
}

void MainWindow::openGallery()
{
    WindowFrame::show(m_windows.galleryWindow());
}

void MainWindow::quit()
{
    m_windows.platform().quit();
}

void MainWindow::openNewList()
{
    WindowFrame::show(m_windows.newListWindow());
    WindowFrame::hide(m_windows.listBrowser());
}

void MainWindow::editList()
{
    WindowFrame::hide(m_windows.listBrowser());
    openEditList();
}

void MainWindow::openEditList()
{
    const QString path = ListPaths::listFile();
    const ListFileVersion::Read read = ListFileVersion::read(path);
    MessageBoxes &boxes = m_windows.platform().messageBoxes();
    if (!read.unreadable.isEmpty()) {
        // A list that is there but cannot be read is not missing: New List would replace it.
        boxes.show(QStringLiteral("Quokka could not read your list from\n%1\n\nReason: %2\n\n"
                                  "Your list file is left as it is.")
                       .arg(QDir::toNativeSeparators(path), read.unreadable),
                   QStringLiteral("List not read"), MessageBoxes::Buttons::Ok, MessageBoxes::Icon::Critical);
        return;
    }
    if (!read.bytes) {
        boxes.show(QStringLiteral("List doesn't exist!"), QStringLiteral("Error!"), MessageBoxes::Buttons::Ok,
                   MessageBoxes::Icon::Critical);
        boxes.show(QStringLiteral("Create a new List..."), QStringLiteral("New list"), MessageBoxes::Buttons::Ok,
                   MessageBoxes::Icon::Information);
        WindowFrame::show(m_windows.newListWindow());
        return;
    }
    EditListWindow *editor = m_windows.editListWindow();
    WindowFrame::show(editor);
    // The lines joined by CR LF, with no line break before the first or after the last.
    editor->m_listText->setText(UrlListFile::parseEntries(*read.bytes).join(QStringLiteral("\r\n")));
    editor->m_listVersion = read.version;
}

void MainWindow::destroyList()
{
    const auto answer = m_windows.platform().messageBoxes().show(
        QStringLiteral("Would you like to Kill all the entries?"), QStringLiteral("Kill all"),
        MessageBoxes::Buttons::OkCancel, MessageBoxes::Icon::Question);
    if (answer != MessageBoxes::Answer::Ok)
        return;
    // Killing all entries reloads the list browser: its unsaved KILLs and Adds go only with the user's word.
    if (ListBrowser *list = m_windows.loadedListBrowser(); list && !list->confirmDroppingUnsavedChanges())
        return;
    // Emptied through the same atomic replace as every save, never deleted: a list that is a link
    // stays a link, and the file keeps its owner, group, permissions and ACL.
    const QString path = ListPaths::listFile();
    const SaveResult emptied = UrlListFile::empty(path);
    if (!emptied) {
        // Nothing was destroyed, so the working list stays as it is.
        m_windows.platform().messageBoxes().show(
            QStringLiteral("Quokka could not empty your list\n%1\n\nReason: %2\n\nThe list is left as it was.")
                .arg(QDir::toNativeSeparators(path), emptied.reason),
            QStringLiteral("List not emptied"), MessageBoxes::Buttons::Ok, MessageBoxes::Icon::Critical);
        return;
    }
    m_windows.listBrowser()->reloadList();
}

void MainWindow::showSelectedInBrowserWindow()
{
    BrowserWindow *browser = m_windows.browserWindow();
    WindowFrame::show(browser);
    const QString entry = m_windows.listBrowser()->m_addressList->currentEntry();
    browser->showEntry(entry);
    emit pageEnlarged(browser);
}

void MainWindow::showAbout()
{
    WindowFrame::hide(m_windows.listBrowser());
    WindowFrame::show(m_windows.aboutDialog());
}

void MainWindow::showCheatBox()
{
    WindowFrame::show(m_windows.cheatBox());
}

void MainWindow::removeDuplicates()
{
    ListTidy::removeDuplicates(m_windows);
}

void MainWindow::sortByAddress()
{
    ListTidy::sortByAddress(m_windows);
}

void MainWindow::sortByHost()
{
    ListTidy::sortByHost(m_windows);
}

void MainWindow::undoListChange()
{
    ListTidy::undo(m_windows);
}

void MainWindow::checkList()
{
    // The list browser is loaded before the window asked for, so that it never comes up over it,
    // whichever window had the keyboard when the command came.
    ListBrowser *list = m_windows.listBrowser();
    const bool fresh = !m_windows.loadedCheckWindow();
    CheckWindow *window = m_windows.checkWindow();
    if (fresh)
        placeBeside(window, list);
    WindowFrame::show(window);
    // A check already running goes on: the command only brings its window forward.
    if (!window->isChecking())
        window->startCheck();
}

void MainWindow::importAddresses()
{
    ImportWindow::chooseAndOpen(m_windows, this);
}

void MainWindow::pasteAddresses()
{
    ListImport::pasteAddresses(m_windows);
}

void MainWindow::exportList()
{
    ListImport::exportList(m_windows, this);
}
