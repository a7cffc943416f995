#include "ui/listbox.h"

#include "ui/markedlistmodel.h"
#include "ui/shownentriesmodel.h"

#include <QKeyEvent>
#include <QLocale>
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
    , m_shown(new ShownEntriesModel(m_model, this))
{
    setModel(m_shown);
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
    connect(m_shown, &ShownEntriesModel::shownChanged, this, &ListBox::countChanged);
}

void ListBox::addEntry(const QString &entry)
{
    const int row = m_model->rowCount();
    m_undo.push({ListUndo::Step::Kind::Added, row, {}, {}, -1});
    m_model->insertEntries(row, {entry});
}

void ListBox::addEntries(const QStringList &entries)
{
    if (m_model->rowCount() == 0 && m_undo.isEmpty()) {
        // A list given afresh: nothing to take back.
        m_model->setStringList(entries);
        return;
    }
    if (entries.isEmpty())
        return;
    // One insertion at the end: the rows before keep their selection, and whoever follows the list
    // (its filter, its marks) looks at the new rows alone.
    const int row = m_model->rowCount();
    m_undo.push({ListUndo::Step::Kind::Added, row, {}, {}, -1, int(entries.size())});
    m_model->insertEntries(row, entries);
}

void ListBox::clear()
{
    m_undo.clear();
    m_model->setStringList({});
}

void ListBox::replaceEntries(const QStringList &entries, int row)
{
    m_undo.push({ListUndo::Step::Kind::Replaced, -1, {}, m_model->stringList(), currentRow()});
    putEntries(entries, row);
}

void ListBox::putEntries(const QStringList &entries, int row)
{
    const bool hadSelection = currentRow() >= 0;
    const QString before = currentEntry();
    m_quietSelection = true;
    m_model->setStringList(entries);
    const bool selects = row >= 0 && row < entries.size();
    if (selects)
        selectRow(row);
    m_quietSelection = false;
    if (selects && (!hadSelection || entries.at(row) != before))
        emit entryChosen();
}

void ListBox::removeEntry(int index)
{
    if (index < 0 || index >= m_model->rowCount())
        return;
    m_undo.push({ListUndo::Step::Kind::Removed, index, entry(index), {}, -1});
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
    return rows.isEmpty() ? -1 : m_shown->sourceRow(rows.first().row());
}

bool ListBox::setCurrentRow(int index)
{
    if (index == -1) {
        selectionModel()->clear();
        return true;
    }
    if (index < -1 || index >= m_model->rowCount())
        return false;
    selectRow(index);
    return true;
}

void ListBox::selectRow(int row)
{
    m_shown->finish();
    if (m_shown->shownRow(row) < 0 && m_shown->filtering())
        setFilterText(QString());
    const QModelIndex idx = m_shown->index(m_shown->shownRow(row));
    selectionModel()->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect);
    scrollTo(idx);
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

QAbstractItemModel *ListBox::entryModel() const
{
    return m_model;
}

void ListBox::setFilterText(const QString &text)
{
    if (text == m_shown->filterText())
        return;
    m_shown->setFilterText(text);
    emit filterTextChanged(text);
}

QString ListBox::filterText() const
{
    return m_shown->filterText();
}

int ListBox::nextShownRow(int row) const
{
    m_shown->finish();
    if (row < 0)
        return m_shown->sourceRow(0);
    const int shown = m_shown->shownRow(row);
    if (shown >= 0)
        return m_shown->sourceRow(shown + 1);
    // A row the filter hides: the first shown one after it.
    for (int next = 0; next < m_shown->rowCount(); ++next)
        if (m_shown->sourceRow(next) > row)
            return m_shown->sourceRow(next);
    return -1;
}

int ListBox::previousShownRow(int row) const
{
    m_shown->finish();
    if (row < 0)
        return -1;
    const int shown = m_shown->shownRow(row);
    if (shown >= 0)
        return m_shown->sourceRow(shown - 1);
    for (int previous = m_shown->rowCount() - 1; previous >= 0; --previous)
        if (m_shown->sourceRow(previous) < row)
            return m_shown->sourceRow(previous);
    return -1;
}

QString ListBox::countText() const
{
    const QLocale english(QLocale::English);
    const int all = m_model->rowCount();
    if (m_shown->filterText().isEmpty())
        return all == 1 ? QStringLiteral("1 entry") : QStringLiteral("%1 entries").arg(english.toString(all));
    return QStringLiteral("%1 of %2").arg(english.toString(m_shown->shownCount()), english.toString(all));
}

bool ListBox::undo()
{
    const std::optional<ListUndo::Step> step = m_undo.pop();
    if (!step)
        return false;
    switch (step->kind) {
    case ListUndo::Step::Kind::Removed:
        if (step->row < 0 || step->row > m_model->rowCount())
            return false;
        m_model->insertEntries(step->row, {step->text});
        // The entry comes back shown, as it was when it was removed.
        selectRow(step->row);
        break;
    case ListUndo::Step::Kind::Added: {
        if (step->row < 0 || step->count < 1 || step->row + step->count > m_model->rowCount())
            return false;
        const int selected = currentRow();
        if (selected >= step->row && selected < step->row + step->count)
            selectionModel()->clear();
        m_model->removeRows(step->row, step->count);
        break;
    }
    case ListUndo::Step::Kind::Replaced:
        putEntries(step->before, step->selected);
        break;
    }
    return true;
}

void ListBox::setMarks(EntryMarks *marks)
{
    m_model->setMarks(marks);
}

bool ListBox::event(QEvent *event)
{
    // Ctrl+F and Esc belong to the list while it has the focus, before any window's shortcut.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->matches(QKeySequence::Find) || (key->key() == Qt::Key_Escape && !filterText().isEmpty())) {
            event->accept();
            return true;
        }
    }
    return QListView::event(event);
}

void ListBox::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Find)) {
        emit filterRequested();
        return;
    }
    if (event->key() == Qt::Key_Escape && !filterText().isEmpty()) {
        setFilterText(QString());
        return;
    }
    // Enter on a selected entry acts as a double-click, so the keyboard reaches what the mouse does.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentRow() >= 0) {
        emit entryActivated();
        return;
    }
    QListView::keyPressEvent(event);
}
