#include "app/mdiform1.h"

#include "app/forms.h"
#include "browser/form4.h"
#include "browser/urlcheck.h"
#include "lists/form2.h"
#include "lists/listpaths.h"
#include "platform/webbrowser.h"
#include "ui/accessiblenames.h"
#include "ui/formwindow.h"

#include <QAction>
#include <QComboBox>
#include <QToolBar>
#include <QUrl>

void MDIForm1::createToolbar()
{
    Toolbar1 = addToolBar(QStringLiteral("Toolbar1"));
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setAccessibleName(QStringLiteral("Main toolbar"));
    nameToolBarOverflowButton(Toolbar1);
    Toolbar1->setMovable(false);
    Toolbar1->setFloatable(false);
    Toolbar1->setIconSize(QSize(32, 32));
    Toolbar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    const struct {
        const char *key;
        const char *tooltip;
        const char *picture;
    } buttons[] = {
        {"edit", "Edit List", ":/tb-edit.png"},
        {"quokka", "Quokka", ":/tb-quokka.png"},
        {"List", "Show List", ":/tb-list.png"},
        {"kill", "Oh my god! the red button!", ":/tb-kill.png"},
        {"big", "Enlarge quokka", ":/tb-big.png"},
    };
    for (const auto &b : buttons) {
        const QString key = QString::fromLatin1(b.key);
        QAction *action = Toolbar1->addAction(QIcon(QString::fromLatin1(b.picture)), QString::fromUtf8(b.tooltip));
        action->setObjectName(QStringLiteral("tb-") + key);
        action->setData(key);
        action->setToolTip(QString::fromUtf8(b.tooltip));
        connect(action, &QAction::triggered, this, [this, key] { Toolbar1_ButtonClick(key); });
    }
}

/// The page the "quokka" button opens: the start page shipped beside the program, which needs no network.
static QString quokkaHomeAddress()
{
    return ListPaths::startPage().toString();
}

void MDIForm1::Toolbar1_ButtonClick(const QString &key)
{
    if (key == QLatin1String("edit")) {
        // Unlike the menu's Edit List, the list browser keeps its place on screen.
        openEditList();
    } else if (key == QLatin1String("quokka")) {
        class URLcheck *list = m_forms.URLcheck();
        FormWindow::show(list);
        list->WebBrowser1->Navigate(quokkaHomeAddress());
    } else if (key == QLatin1String("kill")) {
        destroyList();
    } else if (key == QLatin1String("List")) {
        FormWindow::show(m_forms.Form2());
    } else if (key == QLatin1String("big")) {
        class Form4 *big = m_forms.Form4();
        FormWindow::show(big);
        WebBrowser *listBrowser = m_forms.URLcheck()->WebBrowser1;
        big->brow->Navigate(listBrowser->LocationURL());
        big->cboAddress->setEditText(listBrowser->LocationURL());
        setWindowState((windowState() & ~Qt::WindowActive) | Qt::WindowMinimized);
    }
}
