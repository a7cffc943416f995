#include "ui/listbox.h"

#include "ui/markedlistmodel.h"

#include <QKeyEvent>
#include <QStringListModel>
#include <QStyledItemDelegate>

namespace {

/// Lays out at most the start of a very long entry: a line of megabytes would take the list box
/// seconds to measure and paint, and nobody can read past the box's edge anyway.
class ShortTextDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    static constexpr qsizetype shownLength = 1000;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (option->text.size() > shownLength)
            option->text = option->text.left(shownLength) + QChar(0x2026);
    }
};

} // namespace

ListBox::ListBox(QWidget *parent)
    : QListView(parent)
    , m_model(new MarkedListModel(this))
{
    setModel(m_model);
    setItemDelegate(new ShortTextDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    setLayoutMode(QListView::Batched);
    setBatchSize(1000);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection &selected, const QItemSelection &) {
                if (!selected.isEmpty() && !m_quietSelection)
                    emit entryChosen();
            });
    connect(this, &QAbstractItemView::doubleClicked, this, [this] { emit entryActivated(); });
}

void ListBox::addEntry(const QString &entry)
{
    const int row = m_model->rowCount();
    m_model->insertRows(row, 1);
    m_model->setData(m_model->index(row), entry);
}

void ListBox::addEntries(const QStringList &entries)
{
    if (m_model->rowCount() == 0) {
        m_model->setStringList(entries);
        return;
    }
    QStringList all = m_model->stringList();
    all += entries;
    const int selected = currentRow();
    m_model->setStringList(all);
    if (selected >= 0)
        selectionModel()->select(m_model->index(selected), QItemSelectionModel::ClearAndSelect);
}

void ListBox::clear()
{
    m_model->setStringList({});
}

void ListBox::replaceEntries(const QStringList &entries, int row)
{
    const bool hadSelection = currentRow() >= 0;
    const QString before = currentEntry();
    m_quietSelection = true;
    m_model->setStringList(entries);
    const bool selects = row >= 0 && row < entries.size();
    if (selects) {
        const QModelIndex idx = m_model->index(row);
        selectionModel()->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect);
        scrollTo(idx);
    }
    m_quietSelection = false;
    if (selects && (!hadSelection || entries.at(row) != before))
        emit entryChosen();
}

void ListBox::removeEntry(int index)
{
    if (index < 0 || index >= m_model->rowCount())
        return;
    // Without a current entry the view does not move the selection to the next one.
    selectionModel()->clear();
    m_model->removeRows(index, 1);
}

int ListBox::count() const
{
    return m_model->rowCount();
}

int ListBox::currentRow() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

bool ListBox::setCurrentRow(int index)
{
    if (index == -1) {
        selectionModel()->clear();
        return true;
    }
    if (index < -1 || index >= m_model->rowCount())
        return false;
    const QModelIndex idx = m_model->index(index);
    selectionModel()->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect);
    scrollTo(idx);
    return true;
}

QString ListBox::currentEntry() const
{
    const int i = currentRow();
    return i < 0 ? QString() : entry(i);
}

QString ListBox::entry(int index) const
{
    return m_model->index(index).data().toString();
}

int ListBox::findEntry(const QString &text, int position) const
{
    const QStringList &all = m_model->stringList();
    const qsizetype count = all.size();
    for (qsizetype distance = 0; distance < count + qAbs(position) + 1; ++distance) {
        const qsizetype before = position - distance;
        const qsizetype after = position + distance;
        if (before < 0 && after >= count)
            break;
        if (before >= 0 && before < count && all[before] == text)
            return int(before);
        if (after >= 0 && after < count && all[after] == text)
            return int(after);
    }
    return -1;
}

QStringList ListBox::entries() const
{
    return m_model->stringList();
}

void ListBox::setMarks(EntryMarks *marks)
{
    m_model->setMarks(marks);
}

void ListBox::keyPressEvent(QKeyEvent *event)
{
    // Enter on a selected entry acts as a double-click, so the keyboard reaches what the mouse does.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentRow() >= 0) {
        emit entryActivated();
        return;
    }
    QListView::keyPressEvent(event);
}
