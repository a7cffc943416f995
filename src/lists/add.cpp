#include "lists/add.h"

#include "app/forms.h"
#include "browser/urlcheck.h"
#include "ui/formwindow.h"
#include "ui/listbox.h"
#include "ui/twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

add::add(Forms &forms, QWidget *parent)
    : QWidget(parent)
    , m_forms(forms)
{
    setObjectName(QStringLiteral("add"));
    setWindowTitle(QStringLiteral("Add URL"));
    setWindowIcon(QIcon(QStringLiteral(":/quokka.png")));
    setFixedSize(twipsSize(5460, 495));

    Label1 = new QLabel(QStringLiteral("URL"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twipsRect(0, 120, 495, 255));

    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(twipsRect(480, 120, 3855, 285));
    Text1->setAccessibleName(QStringLiteral("Address to add"));
    Label1->setBuddy(Text1);

    Command1 = new QPushButton(QStringLiteral("ADD"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twipsRect(4440, 120, 975, 255));
    Command1->setAccessibleName(QStringLiteral("Add the address to the list"));
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &add::Command1_Click);
    // The default button of a window that is no dialog: Enter in the box clicks it.
    connect(Text1, &QLineEdit::returnPressed, Command1, &QPushButton::click);

    setTabOrder(Text1, Command1);
    setFocusProxy(Text1);
}

void add::Form_Load() {}

void add::Command1_Click()
{
    m_forms.URLcheck()->List1->AddItem(Text1->text());
    FormWindow::hide(this);
}
