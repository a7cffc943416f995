#include "lists/editlistwindow.h"

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

EditListWindow::EditListWindow(Windows &windows, QWidget *parent)
    : QWidget(parent)
    , m_windows(windows)
{
    const ListEditorParts parts = buildListEditor(this, {
        .objectName = QStringLiteral("EditListWindow"),
        .caption = QStringLiteral("Edit List"),
        .heightTwips = 5550,
        .textName = QStringLiteral("The list, one address per line"),
        .buttonCaption = QStringLiteral("Edit"),
        .buttonName = QStringLiteral("Edit: save the list"),
        .buttonObjectName = QStringLiteral("editButton"),
        .stripCaption = QStringLiteral("Edit  list"),
        .stripTwips = QRect(0, 5280, 7575, 255),
    });
    m_paper = parts.paper;
    m_listText = parts.text;
    m_editButton = parts.button;
    m_hideButton = parts.hideButton;
    m_captionStrip = parts.captionStrip;
    connect(m_editButton, &QPushButton::clicked, this, &EditListWindow::saveEditedList);
    connect(m_hideButton, &QPushButton::clicked, this, &EditListWindow::hideWindow);

    setTabOrder(m_listText, m_editButton);
    setTabOrder(m_editButton, m_hideButton);
    setFocusProxy(m_listText);
    // Enter in the focused Edit button saves; in the text box it starts a new line.
    EnterKey::giveDefaultButton(this, nullptr);
    m_listText->setText(QStringLiteral("Your URL (Multilist)\r\n"));
}

void EditListWindow::load() {}

void EditListWindow::saveEditedList()
{
    if (!SaveList::saveEditTextAndReload(m_windows, m_listText->text(), &m_listVersion))
        return;
    m_listText->markKept();
    MessageBoxes &boxes = m_windows.platform().messageBoxes();
    // The window stays open for more editing; the list browser stays shown or hidden as it was.
    boxes.show(QStringLiteral(" List updated!"), QStringLiteral("Edit"), MessageBoxes::Buttons::Ok,
               MessageBoxes::Icon::Information);
}

void EditListWindow::hideWindow()
{
    WindowFrame::hide(this);
}

void EditListWindow::closeEvent(QCloseEvent *event)
{
    if (SaveList::mayCloseEditor(m_windows, m_listText, &m_listVersion, QStringLiteral("Your changes to the list are not saved.\n\nSave them before closing Edit List?"), QStringLiteral("Edit List")))
        event->accept();
    else
        event->ignore();
}
