#include "browser/urlcheck.h"

#include "app/forms.h"
#include "lists/add.h"
#include "lists/listpaths.h"
#include "lists/urllistfile.h"
#include "platform/mediaplayer.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "platform/webbrowser.h"
#include "ui/accessiblenames.h"
#include "ui/formwindow.h"
#include "ui/listbox.h"
#include "ui/twips.h"

#include <QCloseEvent>
#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

namespace {

QToolButton *arrowButton(QWidget *parent, const char *name, const QString &picture, const QString &caption,
                         const QString &accessibleName)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setIcon(QIcon(picture));
    button->setText(caption);
    button->setAccessibleName(accessibleName);
    button->setToolTip(accessibleName);
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

} // namespace

URLcheck::URLcheck(Forms &forms, QWidget *parent)
    : QWidget(parent)
    , m_forms(forms)
{
    setObjectName(QStringLiteral("URLcheck"));
    setWindowTitle(QStringLiteral("Quokka"));
    setWindowIcon(QIcon(QStringLiteral(":/globe.png")));
    setFixedSize(twipsSize(14955, 9120));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(64, 64, 64));
    setPalette(pal);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(QPixmap(QStringLiteral(":/texture.png")));
    Image1->setScaledContents(true);
    Image1->setGeometry(twipsRect(0, 0, 15405, 9135));

    WebBrowser1 = m_forms.platform().createWebBrowser(this);
    WebBrowser1->widget()->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->widget()->setGeometry(twipsRect(120, 2880, 14775, 5895));
    WebBrowser1->widget()->setAccessibleName(QStringLiteral("Page of the chosen address"));

    List1 = new ListBox(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setGeometry(twipsRect(120, 120, 13935, 2010));
    List1->setAccessibleName(QStringLiteral("Address list"));

    Command1 = arrowButton(this, "Command1", QStringLiteral(":/arrow-down.png"), QStringLiteral("Next"),
                           QStringLiteral("Next"));
    Command1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    Command1->setIconSize(QSize(29, 24));
    Command1->setGeometry(twipsRect(14160, 1320, 735, 735));
    Command2 = arrowButton(this, "Command2", QStringLiteral(":/arrow-up.png"), QStringLiteral("Prev"),
                           QStringLiteral("Prev"));
    Command2->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    Command2->setIconSize(QSize(29, 24));
    Command2->setGeometry(twipsRect(14160, 120, 735, 735));
    Command5 = arrowButton(this, "Command5", QStringLiteral(":/arrow-left.png"), QString(), QStringLiteral("Back"));
    Command5->setIconSize(QSize(38, 29));
    Command5->setGeometry(twipsRect(120, 2280, 615, 495));
    Command6 = arrowButton(this, "Command6", QStringLiteral(":/arrow-right.png"), QString(),
                           QStringLiteral("Forward"));
    Command6->setIconSize(QSize(38, 29));
    Command6->setGeometry(twipsRect(840, 2280, 615, 495));

    Label1 = new QLabel(QStringLiteral("Choosen adress:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twipsRect(1560, 2400, 1815, 255));
    QFont labelFont(QStringLiteral("Sans Serif"));
    labelFont.setPointSizeF(9.75);
    labelFont.setBold(true);
    // The design's font is narrower than the fonts Linux has; shrink until the caption fits its place.
    while (labelFont.pointSizeF() > 6 && QFontMetrics(labelFont).horizontalAdvance(Label1->text()) > Label1->width())
        labelFont.setPointSizeF(labelFont.pointSizeF() - 0.25);
    Label1->setFont(labelFont);
    Label1->setStyleSheet(QStringLiteral("color: rgb(192, 0, 0); background: transparent;"));

    Command3 = new QPushButton(QStringLiteral("X"), this);
    Command3->setObjectName(QStringLiteral("Command3"));
    Command3->setGeometry(twipsRect(15000, 120, 255, 255));
    QFont xFont(QStringLiteral("Arial"));
    xFont.setPointSizeF(8.25);
    xFont.setBold(true);
    Command3->setFont(xFont);
    Command3->setAccessibleName(QStringLiteral("Hide list browser"));
    Command3->setVisible(false);

    player = m_forms.platform().createAnimation(ListPaths::shippedFile(QStringLiteral("dat/tst.gif")), this);
    if (QWidget *w = player->widget()) {
        w->setObjectName(QStringLiteral("player"));
        w->setGeometry(twipsRect(14280, 2280, 540, 480));
    }

    Command4 = new QPushButton(QStringLiteral("KILL"), this);
    Command4->setObjectName(QStringLiteral("Command4"));
    Command4->setGeometry(twipsRect(14160, 840, 735, 255));
    Command4->setAccessibleName(QStringLiteral("KILL: remove the selected address"));
    Command7 = new QPushButton(QStringLiteral("Add"), this);
    Command7->setObjectName(QStringLiteral("Command7"));
    Command7->setGeometry(twipsRect(14160, 1080, 735, 255));
    Command7->setAccessibleName(QStringLiteral("Add an address"));

    Text1 = new QComboBox(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setEditable(true);
    Text1->setInsertPolicy(QComboBox::NoInsert);
    Text1->setGeometry(twipsRect(3360, 2400, 10755, 315));
    Text1->setEditText(QStringLiteral("none choosen"));
    nameEditableComboBox(Text1, QStringLiteral("Chosen address"), QStringLiteral("Chosen addresses so far"));
    Label1->setBuddy(Text1);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1);

    QWidget::setTabOrder(WebBrowser1->widget(), List1);
    QWidget::setTabOrder(List1, Command1);
    QWidget::setTabOrder(Command1, Command2);
    QWidget::setTabOrder(Command2, Command5);
    QWidget::setTabOrder(Command5, Command6);
    QWidget::setTabOrder(Command6, Command4);
    QWidget::setTabOrder(Command4, Command7);
    QWidget::setTabOrder(Command7, Text1);

    connect(List1, &ListBox::Click, this, &URLcheck::List1_Click);
    // Typing into the field is a change; picking an item of the drop-down list is not.
    connect(Text1->lineEdit(), &QLineEdit::textEdited, this, [this] { Text1_Change(); });
    connect(Command1, &QToolButton::clicked, this, &URLcheck::Command1_Click);
    connect(Command2, &QToolButton::clicked, this, &URLcheck::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &URLcheck::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &URLcheck::Command4_Click);
    connect(Command5, &QToolButton::clicked, this, &URLcheck::Command5_Click);
    connect(Command6, &QToolButton::clicked, this, &URLcheck::Command6_Click);
    connect(Command7, &QPushButton::clicked, this, &URLcheck::Command7_Click);
    connect(Timer1, &QTimer::timeout, this, &URLcheck::Timer1_Timer);
    Timer1->start();
}

void URLcheck::Form_Load()
{
    player->stop();
    List1->addItems(UrlListFile::LoadListFile(ListPaths::listFile()));
    UrlListFile::CopyFullList(ListPaths::shippedFile(QStringLiteral("dat/ch.dat")), ListPaths::fullListCopy());
}

bool URLcheck::Form_Unload()
{
    const QString path = ListPaths::listFile();
    const SaveResult saved = UrlListFile::WriteBackList(path, List1->entries());
    if (saved)
        return true;
    const auto answer = m_forms.platform().messageBoxes().show(
        tr("Quokka could not save your list to\n%1\n\nReason: %2\n\n"
           "Press Cancel to keep the list browser open with your list, or OK to close it without saving.")
            .arg(path, saved.reason),
        tr("List not saved"), MessageBoxes::Buttons::OkCancel, MessageBoxes::Icon::Critical);
    return answer == MessageBoxes::Answer::Ok;
}

void URLcheck::closeEvent(QCloseEvent *event)
{
    if (Form_Unload())
        event->accept();
    else
        event->ignore();
}

void URLcheck::List1_Click()
{
    const QString entry = List1->Text();
    WebBrowser1->Navigate(entry);
    setText1(entry);
}

void URLcheck::setText1(const QString &text)
{
    if (Text1->currentText() == text)
        return;
    Text1->setEditText(text);
    Text1_Change();
}

void URLcheck::Text1_Change()
{
    Text1->addItem(Text1->currentText());
}

void URLcheck::Command1_Click()
{
    List1->setListIndex(List1->ListIndex() + 1);
}

void URLcheck::Command2_Click()
{
    const int position = List1->ListIndex() - 1;
    if (position >= -1)
        List1->setListIndex(position);
}

void URLcheck::Command3_Click()
{
    FormWindow::hide(this);
}

void URLcheck::Command4_Click()
{
    List1->RemoveItem(List1->ListIndex());
}

void URLcheck::Command5_Click()
{
    WebBrowser1->GoBack();
}

void URLcheck::Command6_Click()
{
    WebBrowser1->GoForward();
}

void URLcheck::Command7_Click()
{
    FormWindow::show(m_forms.add());
}

void URLcheck::Timer1_Timer()
{
    if (WebBrowser1->Busy())
        player->play();
    else
        player->stop();
}
