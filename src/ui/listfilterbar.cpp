#include "ui/listfilterbar.h"

#include "ui/listbox.h"
#include "ui/shownentriesmodel.h"
#include "ui/verdictmarks.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>

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

    m_changedOnlyBox = new QCheckBox(QStringLiteral("Changed only (0)"), this);
    m_changedOnlyBox->setObjectName(QStringLiteral("changedOnlyBox"));
    m_changedOnlyBox->setAccessibleName(m_changedOnlyBox->text());
    m_changedOnlyBox->setToolTip(QStringLiteral("Shows only the entries whose page changed since you last opened them"));
    m_changedOnlyBox->setStyleSheet(QStringLiteral("QCheckBox { color: black; background: rgba(255, 255, 255, 200); padding: 0 4px; }"));
    m_changedOnlyBox->hide();
    connect(m_changedOnlyBox, &QCheckBox::toggled, this, &ListFilterBar::showChangedOnly);

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

void ListFilterBar::followChanges(VerdictMarks *marks)
{
    m_marks = marks;
    auto showChangedCount = [this](int count) {
        m_changedOnlyBox->setText(QStringLiteral("Changed only (%1)").arg(count));
        m_changedOnlyBox->setAccessibleName(m_changedOnlyBox->text());
        m_changedOnlyBox->setAccessibleDescription(count == 1 ? QStringLiteral("1 entry changed")
                                                              : QStringLiteral("%1 entries changed").arg(count));
    };
    showChangedCount(marks->changedCount());
    connect(marks, &VerdictMarks::changedCountChanged, this, showChangedCount);
    // While it is ticked, an entry that changes (or is opened) comes in or goes out of the list shown.
    connect(marks, &EntryMarks::marksChanged, this, [this] {
        if (m_changedOnlyBox->isChecked())
            m_list->shownEntries()->refilter();
    });
    m_changedOnlyBox->show();
    place(geometry());
}

void ListFilterBar::showChangedOnly(bool on)
{
    ShownEntriesModel *shown = m_list->shownEntries();
    if (on && m_marks) {
        QPointer<VerdictMarks> marks(m_marks);
        shown->setOnlyIf([marks](const QString &entry) { return marks && marks->changedLines(entry) > 0; });
    } else {
        shown->setOnlyIf({});
    }
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
    // "Changed only (N)" sits between the box and the count, once changes are followed.
    const int changedWidth = m_changedOnlyBox->isHidden() ? 0 : qMin(w / 4, m_changedOnlyBox->sizeHint().width() + fontMetrics().horizontalAdvance(QStringLiteral("0000")));
    m_filterBox->setGeometry(0, 0, w - countWidth - changedWidth - 6 - (changedWidth ? 6 : 0), h);
    if (changedWidth)
        m_changedOnlyBox->setGeometry(w - countWidth - changedWidth - 6, 0, changedWidth, h);
    m_countLabel->setGeometry(w - countWidth, 0, countWidth, h);
}
