#include "app/mainwindow.h"

#include "app/windows.h"
#include "browser/browserwindow.h"
#include "browser/listbrowser.h"
#include "lists/listviewwindow.h"
#include "store/listpaths.h"
#include "platform/webbrowser.h"
#include "ui/accessiblenames.h"
#include "ui/windowframe.h"

#include <QAction>
#include <QComboBox>
#include <QToolBar>
#include <QUrl>

void MainWindow::createToolbar()
{
    m_mainToolBar = addToolBar(QStringLiteral("Main toolbar"));
    m_mainToolBar->setObjectName(QStringLiteral("mainToolBar"));
    m_mainToolBar->setAccessibleName(QStringLiteral("Main toolbar"));
    nameToolBarOverflowButton(m_mainToolBar);
    m_mainToolBar->setMovable(false);
    m_mainToolBar->setFloatable(false);
    m_mainToolBar->setIconSize(QSize(32, 32));
    m_mainToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    // The buttons that no menu item repeats have a key of their own, named in the tooltip.
    const struct {
        const char *key;
        const char *tooltip;
        const char *picture;
        QKeySequence shortcut;
    } buttons[] = {
        {"edit", "Edit List", ":/tb-edit.png", {}},
        {"quokka", "Quokka", ":/tb-quokka.png", QKeySequence(Qt::ALT | Qt::Key_Home)},
        {"List", "Show List", ":/tb-list.png", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L)},
        {"kill", "Oh my god! the red button!", ":/tb-kill.png", {}},
        {"big", "Enlarge quokka", ":/tb-big.png", {}},
    };
    for (const auto &b : buttons) {
        const QString key = QString::fromLatin1(b.key);
        QAction *action = m_mainToolBar->addAction(QIcon(QString::fromLatin1(b.picture)), QString::fromUtf8(b.tooltip));
        action->setObjectName(QStringLiteral("tb-") + key);
        action->setData(key);
        action->setShortcut(b.shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
        action->setToolTip(b.shortcut.isEmpty() ? QString::fromUtf8(b.tooltip)
                                                : QStringLiteral("%1 (%2)").arg(QString::fromUtf8(b.tooltip),
                                                                                b.shortcut.toString(QKeySequence::NativeText)));
        connect(action, &QAction::triggered, this, [this, key] { toolBarButtonClicked(key); });
    }
}

/// The page the "quokka" button opens: the start page shipped beside the program, which needs no network.
static QString quokkaHomeAddress()
{
    return ListPaths::startPage().toString();
}

void MainWindow::toolBarButtonClicked(const QString &key)
{
    if (key == QLatin1String("edit")) {
        // Unlike the menu's Edit List, the list browser keeps its place on screen.
        openEditList();
    } else if (key == QLatin1String("quokka")) {
        ListBrowser *list = m_windows.listBrowser();
        WindowFrame::show(list);
        list->m_view->navigate(quokkaHomeAddress());
    } else if (key == QLatin1String("kill")) {
        destroyList();
    } else if (key == QLatin1String("List")) {
        // Shown as the file holds the list now: a window made just now has read it as it loaded.
        const bool loaded = m_windows.loadedListViewWindow();
        ListViewWindow *view = m_windows.listViewWindow();
        if (loaded)
            view->showStoredList();
        WindowFrame::show(view);
    } else if (key == QLatin1String("big")) {
        BrowserWindow *big = m_windows.browserWindow();
        WindowFrame::show(big);
        ListBrowser *list = m_windows.listBrowser();
        // The entry's page is the entry's here too (kept, or shown by its copy); any other page is
        // only a page.
        if (const QString entry = list->entryShown(); !entry.isEmpty()) {
            big->showEntry(entry);
        } else {
            big->m_view->navigate(list->m_view->url());
            big->m_addressBox->setEditText(list->m_view->url());
        }
        setWindowState((windowState() & ~Qt::WindowActive) | Qt::WindowMinimized);
        emit pageEnlarged(big);
    }
}
