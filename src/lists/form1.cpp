#include "lists/form1.h"

#include "app/forms.h"
#include "browser/urlcheck.h"
#include "lists/savelist.h"
#include "lists/urllistfile.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "ui/formwindow.h"
#include "ui/listbox.h"
#include "ui/twips.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>

namespace {

QFont arialFont(qreal points, bool bold)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

} // namespace

Form1::Form1(Forms &forms, QWidget *parent)
    : QWidget(parent)
    , m_forms(forms)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("New List"));
    setWindowIcon(QIcon(QStringLiteral(":/quokka.png")));
    setFixedSize(twipsSize(7575, 5580));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(64, 64, 64));
    setPalette(pal);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(QPixmap(QStringLiteral(":/paper.png")));
    Image1->setScaledContents(true);
    Image1->setGeometry(twipsRect(0, 0, 7620, 5535));
    Image1->setAccessibleName(QStringLiteral("Decoration"));

    url = new MultiLineTextBox(this);
    url->setObjectName(QStringLiteral("url"));
    url->setGeometry(twipsRect(0, 0, 7575, 5205));
    url->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    url->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    url->setAccessibleName(QStringLiteral("New list, one address per line"));

    Command1 = new QPushButton(QStringLiteral("Create"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twipsRect(6480, 5280, 1095, 255));
    Command1->setAccessibleName(QStringLiteral("Create"));
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);

    Command3 = new QPushButton(QStringLiteral("X"), this);
    Command3->setObjectName(QStringLiteral("Command3"));
    Command3->setGeometry(twipsRect(7320, 0, 255, 255));
    Command3->setFont(arialFont(8.25, true));
    Command3->setAccessibleName(QStringLiteral("Hide"));
    Command3->setVisible(false);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);

    Label1 = new QLabel(QStringLiteral("Create new list"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twipsRect(960, 5280, 5535, 255));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setFont(arialFont(12, true));
    QPalette labelPal = Label1->palette();
    labelPal.setColor(QPalette::WindowText, QColor(128, 0, 0));
    Label1->setPalette(labelPal);
    Label1->setAttribute(Qt::WA_TranslucentBackground);

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
