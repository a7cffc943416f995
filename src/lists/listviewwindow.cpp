#include "lists/listviewwindow.h"

#include "app/windows.h"
#include "browser/listbrowser.h"
#include "store/listpaths.h"
#include "store/urllistfile.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "platform/webbrowser.h"
#include "ui/windowframe.h"
#include "ui/listfilterbar.h"
#include "ui/twips.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>

ListViewWindow::ListViewWindow(Windows &windows, QWidget *parent)
    : QWidget(parent)
    , m_windows(windows)
{
    setObjectName(QStringLiteral("ListViewWindow"));
    setWindowTitle(QStringLiteral("List View"));
    setWindowIcon(QIcon(QStringLiteral(":/quokka.png")));
    setFixedSize(twipsSize(11640, 8445));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(64, 64, 64));
    setPalette(pal);

    m_addressList = new ListBox(this);
    m_addressList->setObjectName(QStringLiteral("addressList"));
    m_addressList->setAccessibleName(QStringLiteral("Stored address list"));
    // The filter and the count along the top, left of where the hide button shows.
    m_filterBar = new ListFilterBar(m_addressList, this);
    m_filterBar->place(twipsRect(0, 0, 11385, 330));
    m_addressList->setGeometry(twipsRect(0, 345, 11655, 8100));
    // ListBox also emits entryActivated for Enter on a selected entry.
    connect(m_addressList, &ListBox::entryActivated, this, &ListViewWindow::openSelected);

    m_hideButton = new QPushButton(QStringLiteral("X"), this);
    m_hideButton->setObjectName(QStringLiteral("hideButton"));
    m_hideButton->setGeometry(twipsRect(11400, 0, 255, 255));
    QFont xFont(QStringLiteral("Arial"));
    xFont.setPointSizeF(8.25);
    xFont.setBold(true);
    m_hideButton->setFont(xFont);
    m_hideButton->setAccessibleName(QStringLiteral("Hide"));
    m_hideButton->setVisible(false);
    connect(m_hideButton, &QPushButton::clicked, this, &ListViewWindow::hideWindow);

    setTabOrder(m_filterBar->m_filterBox, m_addressList);
    setTabOrder(m_addressList, m_hideButton);
    setFocusProxy(m_addressList);
}

void ListViewWindow::load()
{
    showStoredList();
}

void ListViewWindow::showStoredList()
{
    const QString path = ListPaths::listFile();
    QString unreadable;
    const QStringList entries = UrlListFile::load(path, &unreadable);
    const int row = m_addressList->currentRow();
    m_addressList->clear();
    m_addressList->addEntries(entries);
    if (row >= 0 && row < m_addressList->count())
        m_addressList->setCurrentRow(row);
    if (!unreadable.isEmpty()) {
        m_windows.platform().messageBoxes().show(
            tr("Quokka could not read your list from\n%1\n\nReason: %2\n\nYour list file is left as it is.")
                .arg(QDir::toNativeSeparators(path), unreadable),
            tr("List not read"), MessageBoxes::Buttons::Ok, MessageBoxes::Icon::Critical);
    }
}

void ListViewWindow::openSelected()
{
    const QString address = m_addressList->currentEntry();
    ListBrowser *browser = m_windows.listBrowser();
    browser->openStoredEntry(address, m_addressList->currentRow());
    WindowFrame::show(browser);
    WindowFrame::hide(this);
}

void ListViewWindow::hideWindow()
{
    WindowFrame::hide(this);
}
