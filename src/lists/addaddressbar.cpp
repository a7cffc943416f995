#include "lists/addaddressbar.h"

#include "app/windows.h"
#include "browser/listbrowser.h"
#include "ui/enterkey.h"
#include "ui/windowframe.h"
#include "ui/listbox.h"
#include "ui/twips.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

AddAddressBar::AddAddressBar(Windows &windows, QWidget *parent)
    : QWidget(parent)
    , m_windows(windows)
{
    setObjectName(QStringLiteral("AddAddressBar"));
    setWindowTitle(QStringLiteral("Add URL"));
    setWindowIcon(QIcon(QStringLiteral(":/quokka.png")));
    setFixedSize(twipsSize(5460, 495));

    m_urlLabel = new QLabel(QStringLiteral("URL"), this);
    m_urlLabel->setObjectName(QStringLiteral("urlLabel"));
    m_urlLabel->setGeometry(twipsRect(0, 120, 495, 255));

    m_addressEdit = new QLineEdit(this);
    m_addressEdit->setObjectName(QStringLiteral("addressEdit"));
    m_addressEdit->setGeometry(twipsRect(480, 120, 3855, 285));
    m_addressEdit->setAccessibleName(QStringLiteral("Address to add"));
    m_urlLabel->setBuddy(m_addressEdit);

    m_addButton = new QPushButton(QStringLiteral("ADD"), this);
    m_addButton->setObjectName(QStringLiteral("addButton"));
    m_addButton->setGeometry(twipsRect(4440, 120, 975, 255));
    m_addButton->setAccessibleName(QStringLiteral("ADD the address to the list"));
    m_addButton->setDefault(true);
    connect(m_addButton, &QPushButton::clicked, this, &AddAddressBar::addAddress);
    // The default button of a window that is no dialog: Enter in the box clicks it, once.
    EnterKey::giveDefaultButton(this, m_addButton);

    setTabOrder(m_addressEdit, m_addButton);
    setFocusProxy(m_addressEdit);
}

void AddAddressBar::load() {}

void AddAddressBar::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Every opening starts in the box with the last address selected, so typing replaces it. The frame
    // gives the focus back to whichever control had it last once it is shown: take it after that.
    QTimer::singleShot(0, this, [this] {
        if (!isVisible())
            return;
        m_addressEdit->setFocus(Qt::OtherFocusReason);
        m_addressEdit->selectAll();
    });
}

void AddAddressBar::addAddress()
{
    // The box is one line: of pasted lines only the first is the address, so one addition stays one entry.
    const QString typed = m_addressEdit->text();
    const qsizetype lineEnd = typed.indexOf(QRegularExpression(QStringLiteral("[\\r\\n\\x{2028}\\x{2029}]")));
    m_windows.listBrowser()->m_addressList->addEntry(lineEnd < 0 ? typed : typed.left(lineEnd));
    WindowFrame::hide(this);
}
