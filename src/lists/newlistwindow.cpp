#include "lists/newlistwindow.h"

#include "app/windows.h"
#include "browser/listbrowser.h"
#include "lists/listeditorlook.h"
#include "lists/savelist.h"
#include "store/urllistfile.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "ui/enterkey.h"
#include "ui/windowframe.h"
#include "ui/listbox.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

NewListWindow::NewListWindow(Windows &windows, QWidget *parent)
    : QWidget(parent)
    , m_windows(windows)
{
    const ListEditorParts parts = buildListEditor(this, {
        .objectName = QStringLiteral("NewListWindow"),
        .caption = QStringLiteral("New List"),
        .heightTwips = 5580,
        .textName = QStringLiteral("New list, one address per line"),
        .buttonCaption = QStringLiteral("Create"),
        .buttonName = QStringLiteral("Create"),
        .buttonObjectName = QStringLiteral("createButton"),
        .stripCaption = QStringLiteral("Create new list"),
        .stripTwips = QRect(960, 5280, 5535, 255),
    });
    m_paper = parts.paper;
    m_listText = parts.text;
    m_createButton = parts.button;
    m_hideButton = parts.hideButton;
    m_captionStrip = parts.captionStrip;
    connect(m_createButton, &QPushButton::clicked, this, &NewListWindow::createList);
    connect(m_hideButton, &QPushButton::clicked, this, &NewListWindow::hideWindow);

    setTabOrder(m_createButton, m_listText);
    setTabOrder(m_listText, m_hideButton);
    setFocusProxy(m_createButton);
    // Enter in the focused Create button creates; in the text box it starts a new line.
    EnterKey::giveDefaultButton(this, nullptr);
}

void NewListWindow::load()
{
    m_listText->setHint(QStringLiteral("Your URL's (Multiline)"));
    m_createButton->setFocus();
}

void NewListWindow::createList()
{
    if (!SaveList::saveEditTextAndReload(m_windows, m_listText->text()))
        return;
    m_listText->markKept();
    MessageBoxes &boxes = m_windows.platform().messageBoxes();
    boxes.show(QStringLiteral(" New list created!"), QStringLiteral("Created"), MessageBoxes::Buttons::Ok,
               MessageBoxes::Icon::Information);
    WindowFrame::show(m_windows.listBrowser());
    WindowFrame::hide(this);
}

void NewListWindow::hideWindow()
{
    WindowFrame::hide(this);
}

void NewListWindow::closeEvent(QCloseEvent *event)
{
    if (SaveList::mayCloseEditor(m_windows, m_listText, nullptr, QStringLiteral("The list you typed has not been created.\n\nSave it as your list before closing New List?"), QStringLiteral("New List")))
        event->accept();
    else
        event->ignore();
}
