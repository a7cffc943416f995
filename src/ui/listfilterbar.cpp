#include "ui/listfilterbar.h"

#include "ui/listbox.h"
#include "ui/shownentriesmodel.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

ListFilterBar::ListFilterBar(ListBox *list, QWidget *parent)
    : QWidget(parent)
    , m_list(list)
{
    setObjectName(QStringLiteral("listFilterBar"));
    m_filterBox = new QLineEdit(this);
    m_filterBox->setObjectName(QStringLiteral("filterBox"));
    m_filterBox->setPlaceholderText(QStringLiteral("Filter: part of an address (Ctrl+F)"));
    m_filterBox->setAccessibleName(QStringLiteral("Filter the list"));
    m_filterBox->setToolTip(QStringLiteral("Shows only the entries that hold this text (Esc shows all again)"));
    m_filterBox->installEventFilter(this);

    m_countLabel = new QLabel(this);
    m_countLabel->setObjectName(QStringLiteral("countLabel"));
    m_countLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_countLabel->setAccessibleDescription(QStringLiteral("Entries in the list"));
    // Readable on the list browser's light texture and on the List view's dark grey alike.
    m_countLabel->setStyleSheet(QStringLiteral("color: black; background: rgba(255, 255, 255, 200); padding: 0 4px;"));

    connect(m_filterBox, &QLineEdit::textChanged, m_list, &ListBox::setFilterText);
    connect(m_list, &ListBox::filterTextChanged, this, [this](const QString &text) {
        if (m_filterBox->text() != text)
            m_filterBox->setText(text);
    });
    connect(m_list, &ListBox::countChanged, this, &ListFilterBar::showCount);
    connect(m_list, &ListBox::filterRequested, this, &ListFilterBar::focusFilter);
    connect(m_filterBox, &QLineEdit::returnPressed, this, &ListFilterBar::goToList);
    showCount();
}

void ListFilterBar::focusFilter()
{
    m_filterBox->setFocus(Qt::ShortcutFocusReason);
    m_filterBox->selectAll();
}

void ListFilterBar::showCount()
{
    QString text = m_list->countText();
    if (m_list->shownEntries()->busy())
        text = QStringLiteral("filtering… ") + text;
    m_countLabel->setText(text);
    m_countLabel->setAccessibleName(text);
}

void ListFilterBar::goToList()
{
    m_list->setFocus(Qt::OtherFocusReason);
    if (m_list->currentRow() < 0) {
        const int first = m_list->nextShownRow(-1);
        if (first >= 0)
            m_list->setCurrentRow(first);
    }
}

bool ListFilterBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_filterBox) {
        if (event->type() == QEvent::ShortcutOverride) {
            // Esc clears the box rather than closing or hiding anything around it.
            if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape && !m_filterBox->text().isEmpty()) {
                event->accept();
                return true;
            }
        } else if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Escape && !m_filterBox->text().isEmpty()) {
                m_filterBox->clear();
                return true;
            }
            if (key == Qt::Key_Down) {
                m_list->setFocus(Qt::OtherFocusReason);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ListFilterBar::place(const QRect &rect)
{
    setGeometry(rect);
    // The count keeps room for "1,000,000 of 1,000,000"; the box takes the rest.
    const int w = rect.width();
    const int h = rect.height();
    const int countWidth = qMin(w / 3, fontMetrics().horizontalAdvance(QStringLiteral("filtering… 1,000,000 of 1,000,000")) + 8);
    m_filterBox->setGeometry(0, 0, w - countWidth - 6, h);
    m_countLabel->setGeometry(w - countWidth, 0, countWidth, h);
}
