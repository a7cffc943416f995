#include "lists/form1.h"

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

Form1::Form1(Forms &forms, QWidget *parent)
    : QWidget(parent)
    , m_forms(forms)
{
    const ListEditorParts parts = buildListEditor(this, {
        .objectName = QStringLiteral("Form1"),
        .caption = QStringLiteral("New List"),
        .heightTwips = 5580,
        .textName = QStringLiteral("New list, one address per line"),
        .buttonCaption = QStringLiteral("Create"),
        .buttonName = QStringLiteral("Create"),
        .hideButtonObjectName = QStringLiteral("Command3"),
        .stripCaption = QStringLiteral("Create new list"),
        .stripTwips = QRect(960, 5280, 5535, 255),
    });
    Image1 = parts.Image1;
    url = parts.url;
    Command1 = parts.button;
    Command3 = parts.hideButton;
    Label1 = parts.Label1;
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);

    setTabOrder(Command1, url);
    setTabOrder(url, Command3);
    setFocusProxy(Command1);
}

void Form1::Form_Load()
{
    url->setText(QStringLiteral("Your URL's (Multiline)"));
    Command1->setFocus();
}

void Form1::Command1_Click()
{
    if (!SaveList::saveEditTextAndReload(m_forms, url->Text()))
        return;
    MessageBoxes &boxes = m_forms.platform().messageBoxes();
    boxes.show(QStringLiteral(" New list created!"), QStringLiteral("Created"), MessageBoxes::Buttons::Ok,
               MessageBoxes::Icon::Information);
    FormWindow::show(m_forms.URLcheck());
    FormWindow::hide(this);
}

void Form1::Command3_Click()
{
    FormWindow::hide(this);
}
