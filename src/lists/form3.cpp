#include "lists/form3.h"

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

Form3::Form3(Forms &forms, QWidget *parent)
    : QWidget(parent)
    , m_forms(forms)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Edit List"));
    setWindowIcon(QIcon(QStringLiteral(":/quokka.png")));
    setFixedSize(twipsSize(7575, 5550));
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
    url->setAccessibleName(QStringLiteral("The list, one address per line"));

    Command1 = new QPushButton(QStringLiteral("Edit"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twipsRect(6480, 5280, 1095, 255));
    Command1->setAccessibleName(QStringLiteral("Save the list"));
    connect(Command1, &QPushButton::clicked, this, &Form3::Command1_Click);

    Command2 = new QPushButton(QStringLiteral("X"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(twipsRect(7320, 0, 255, 255));
    Command2->setFont(arialFont(8.25, true));
    Command2->setAccessibleName(QStringLiteral("Hide"));
    Command2->setVisible(false);
    connect(Command2, &QPushButton::clicked, this, &Form3::Command2_Click);

    Label1 = new QLabel(QStringLiteral("Edit  list"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twipsRect(0, 5280, 7575, 255));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setFont(arialFont(12, true));
    QPalette labelPal = Label1->palette();
    labelPal.setColor(QPalette::WindowText, QColor(128, 0, 0));
    Label1->setPalette(labelPal);
    Label1->setAttribute(Qt::WA_TranslucentBackground);

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
