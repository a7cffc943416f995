#include "lists/form2.h"

#include "app/forms.h"
#include "browser/urlcheck.h"
#include "lists/listpaths.h"
#include "lists/urllistfile.h"
#include "platform/webbrowser.h"
#include "ui/formwindow.h"
#include "ui/twips.h"

#include <QPushButton>

Form2::Form2(Forms &forms, QWidget *parent)
    : QWidget(parent)
    , m_forms(forms)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("List View"));
    setWindowIcon(QIcon(QStringLiteral(":/quokka.png")));
    setFixedSize(twipsSize(11640, 8445));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(64, 64, 64));
    setPalette(pal);

    List1 = new ListBox(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setGeometry(twipsRect(0, 0, 11655, 8445));
    List1->setAccessibleName(QStringLiteral("Stored address list"));
    // ListBox also emits DblClick for Enter on a selected entry.
    connect(List1, &ListBox::DblClick, this, &Form2::List1_DblClick);

    Command1 = new QPushButton(QStringLiteral("X"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twipsRect(11400, 0, 255, 255));
    QFont xFont(QStringLiteral("Arial"));
    xFont.setPointSizeF(8.25);
    xFont.setBold(true);
    Command1->setFont(xFont);
    Command1->setAccessibleName(QStringLiteral("Hide"));
    Command1->setVisible(false);
    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);

    setTabOrder(List1, Command1);
    setFocusProxy(List1);
}

void Form2::Form_Load()
{
    List1->addItems(UrlListFile::LoadListFile(ListPaths::listFile()));
}

void Form2::List1_DblClick()
{
    const QString address = List1->Text();
    m_forms.URLcheck()->WebBrowser1->Navigate(address);
    FormWindow::show(m_forms.URLcheck());
    FormWindow::hide(this);
}

void Form2::Command1_Click()
{
    FormWindow::hide(this);
}
