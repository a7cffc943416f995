#include "lists/form3.h"

#include "app/forms.h"
#include "browser/urlcheck.h"
#include "lists/listeditorlook.h"
#include "lists/savelist.h"
#include "lists/urllistfile.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "ui/formwindow.h"
#include "ui/listbox.h"

#include <QLabel>
#include <QPushButton>

Form3::Form3(Forms &forms, QWidget *parent)
    : QWidget(parent)
    , m_forms(forms)
{
    const ListEditorParts parts = buildListEditor(this, {
        .objectName = QStringLiteral("Form3"),
        .caption = QStringLiteral("Edit List"),
        .heightTwips = 5550,
        .textName = QStringLiteral("The list, one address per line"),
        .buttonCaption = QStringLiteral("Edit"),
        .buttonName = QStringLiteral("Save the list"),
        .hideButtonObjectName = QStringLiteral("Command2"),
        .stripCaption = QStringLiteral("Edit  list"),
        .stripTwips = QRect(0, 5280, 7575, 255),
    });
    Image1 = parts.Image1;
    url = parts.url;
    Command1 = parts.button;
    Command2 = parts.hideButton;
    Label1 = parts.Label1;
    connect(Command1, &QPushButton::clicked, this, &Form3::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form3::Command2_Click);

    setTabOrder(url, Command1);
    setTabOrder(Command1, Command2);
    setFocusProxy(url);
    url->setText(QStringLiteral("Your URL (Multilist)\r\n"));
}

void Form3::Form_Load() {}

void Form3::Command1_Click()
{
    if (!SaveList::saveEditTextAndReload(m_forms, url->Text()))
        return;
    MessageBoxes &boxes = m_forms.platform().messageBoxes();
    // The window stays open for more editing; the list browser stays shown or hidden as it was.
    boxes.show(QStringLiteral(" List updated!"), QStringLiteral("Edit"), MessageBoxes::Buttons::Ok,
               MessageBoxes::Icon::Information);
}

void Form3::Command2_Click()
{
    FormWindow::hide(this);
}
