#include "ui/shownentriesmodel.h"

#include "ui/markedlistmodel.h"

#include <algorithm>

namespace {

/// How long one slice of the filter's work may hold the event loop.
constexpr qint64 sliceMilliseconds = 8;
/// How often a slice looks at the clock.
constexpr qsizetype rowsBetweenClockReads = 2048;
/// A change of more rows' text than this is filtered again as a whole.
constexpr int rowsCheckedOneByOne = 1000;

} // namespace

ShownEntriesModel::ShownEntriesModel(MarkedListModel *source, QObject *parent)
    : QAbstractListModel(parent)
    , m_source(source)
{
    m_matcher.setCaseSensitivity(Qt::CaseInsensitive);
    m_timer.setSingleShot(true);
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &ShownEntriesModel::step);

    connect(source, &QAbstractItemModel::modelAboutToBeReset, this, [this] { beginResetModel(); });
    connect(source, &QAbstractItemModel::modelReset, this, [this] {
        if (!m_appliedText.isEmpty() || m_pending) {
            m_pending = false;
            m_timer.stop();
            m_appliedText = m_text;
            m_rows.clear();
            const QStringList &all = m_source->stringList();
            for (qsizetype i = 0; i < all.size(); ++i)
                if (matches(all.at(i)))
                    m_rows.append(int(i));
        }
        endResetModel();
        emit shownChanged();
    });
    connect(source, &QAbstractItemModel::rowsAboutToBeInserted, this, [this](const QModelIndex &, int first, int last) {
        if (m_appliedText.isEmpty())
            beginInsertRows({}, first, last);
    });
    connect(source, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { sourceRowsInserted(first, last); });
    connect(source, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex &, int first, int last) { sourceRowsAboutToBeRemoved(first, last); });
    connect(source, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex &, int first, int last) { sourceRowsRemoved(first, last); });
    connect(source, &QAbstractItemModel::dataChanged, this, &ShownEntriesModel::sourceDataChanged);
}

int ShownEntriesModel::allCount() const
{
    return m_source->rowCount();
}

int ShownEntriesModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return m_appliedText.isEmpty() ? m_source->rowCount() : int(m_rows.size());
}

QVariant ShownEntriesModel::data(const QModelIndex &index, int role) const
{
    const int row = sourceRow(index.row());
    if (!index.isValid() || row < 0)
        return {};
    return m_source->data(m_source->index(row), role);
}

int ShownEntriesModel::sourceRow(int shownRow) const
{
    if (shownRow < 0)
        return -1;
    if (m_appliedText.isEmpty())
        return shownRow < m_source->rowCount() ? shownRow : -1;
    return shownRow < m_rows.size() ? m_rows.at(shownRow) : -1;
}

int ShownEntriesModel::shownRow(int row) const
{
    if (row < 0)
        return -1;
    if (m_appliedText.isEmpty())
        return row < m_source->rowCount() ? row : -1;
    const auto at = std::lower_bound(m_rows.cbegin(), m_rows.cend(), row);
    return at != m_rows.cend() && *at == row ? int(at - m_rows.cbegin()) : -1;
}

bool ShownEntriesModel::matches(const QString &entry) const
{
    return (m_visibleText.isEmpty() || m_matcher.indexIn(entry) >= 0) && (!m_onlyIf || m_onlyIf(entry));
}

namespace {
const QChar onlyIfMark(0x1);
}

void ShownEntriesModel::setFilterText(const QString &text)
{
    if (text == m_visibleText)
        return;
    m_visibleText = text;
    setKey(m_onlyIf ? onlyIfMark + text : text);
}

void ShownEntriesModel::setOnlyIf(std::function<bool(const QString &)> onlyIf)
{
    if (!onlyIf && !m_onlyIf)
        return;
    m_onlyIf = std::move(onlyIf);
    const QString key = m_onlyIf ? onlyIfMark + m_visibleText : m_visibleText;
    if (key == m_text) {
        startWork(false); // another test in place of the one before
        return;
    }
    // A test added to a text narrows what the text found; one taken away finds the rows again.
    setKey(key);
}

void ShownEntriesModel::refilter()
{
    if (m_onlyIf)
        startWork(false);
}

void ShownEntriesModel::setKey(const QString &text)
{
    if (text == m_text)
        return;
    const bool refine = !m_pending && !m_appliedText.isEmpty() && text.contains(m_appliedText, Qt::CaseInsensitive);
    m_text = text;
    m_matcher.setPattern(m_visibleText);
    if (text.isEmpty()) {
        m_pending = false;
        m_timer.stop();
        m_found.clear();
        m_snapshot.clear();
        if (!m_appliedText.isEmpty())
            applyResult();
        emit shownChanged();
        return;
    }
    startWork(refine);
}

void ShownEntriesModel::startWork(bool refine)
{
    m_pending = true;
    m_refining = refine;
    m_next = 0;
    m_found.clear();
    // The entries as they are now; a change of the list starts the work again.
    m_snapshot = m_source->stringList();
    emit shownChanged();
    step();
}

void ShownEntriesModel::finish()
{
    while (m_pending) {
        m_timer.stop();
        step();
    }
}

void ShownEntriesModel::step()
{
    if (!m_pending)
        return;
    QElapsedTimer clock;
    clock.start();
    const qsizetype end = m_refining ? m_rows.size() : m_snapshot.size();
    while (m_next < end) {
        const qsizetype stop = std::min(end, m_next + rowsBetweenClockReads);
        for (; m_next < stop; ++m_next) {
            const int row = m_refining ? m_rows.at(m_next) : int(m_next);
            if (matches(m_snapshot.at(row)))
                m_found.append(row);
        }
        if (m_next < end && clock.elapsed() >= sliceMilliseconds) {
            m_timer.start();
            return;
        }
    }
    m_pending = false;
    m_snapshot.clear();
    applyResult();
    emit shownChanged();
}

void ShownEntriesModel::applyResult()
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    QList<int> sourceRows;
    sourceRows.reserve(before.size());
    for (const QModelIndex &index : before)
        sourceRows.append(sourceRow(index.row()));
    m_appliedText = m_text;
    m_rows = m_appliedText.isEmpty() ? QList<int>{} : std::move(m_found);
    m_found = {};
    QModelIndexList after;
    after.reserve(before.size());
    for (int row : sourceRows) {
        const int shown = shownRow(row);
        after.append(shown < 0 ? QModelIndex() : index(shown));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ShownEntriesModel::recomputeNow()
{
    m_found.clear();
    const QStringList &all = m_source->stringList();
    for (qsizetype i = 0; i < all.size(); ++i)
        if (matches(all.at(i)))
            m_found.append(int(i));
    applyResult();
    emit shownChanged();
}

void ShownEntriesModel::sourceRowsAboutToBeRemoved(int first, int last)
{
    m_removeFirst = m_removeLast = -1;
    if (m_appliedText.isEmpty()) {
        beginRemoveRows({}, first, last);
        return;
    }
    const auto lo = std::lower_bound(m_rows.cbegin(), m_rows.cend(), first);
    const auto hi = std::upper_bound(m_rows.cbegin(), m_rows.cend(), last);
    if (lo < hi) {
        m_removeFirst = int(lo - m_rows.cbegin());
        m_removeLast = int(hi - m_rows.cbegin()) - 1;
        beginRemoveRows({}, m_removeFirst, m_removeLast);
    }
}

void ShownEntriesModel::sourceRowsRemoved(int first, int last)
{
    const int removed = last - first + 1;
    if (m_appliedText.isEmpty()) {
        endRemoveRows();
    } else {
        if (m_removeFirst >= 0)
            m_rows.remove(m_removeFirst, m_removeLast - m_removeFirst + 1);
        for (auto at = std::lower_bound(m_rows.begin(), m_rows.end(), first); at != m_rows.end(); ++at)
            *at -= removed;
        if (m_removeFirst >= 0)
            endRemoveRows();
        m_removeFirst = m_removeLast = -1;
    }
    if (m_pending)
        startWork(false);
    emit shownChanged();
}

void ShownEntriesModel::sourceRowsInserted(int first, int last)
{
    if (m_appliedText.isEmpty()) {
        endInsertRows();
    } else {
        const int inserted = last - first + 1;
        for (auto at = std::lower_bound(m_rows.begin(), m_rows.end(), first); at != m_rows.end(); ++at)
            *at += inserted;
        QList<int> matching;
        for (int row = first; row <= last; ++row)
            if (matches(m_source->stringList().at(row)))
                matching.append(row);
        if (!matching.isEmpty()) {
            const int at = int(std::lower_bound(m_rows.cbegin(), m_rows.cend(), first) - m_rows.cbegin());
            beginInsertRows({}, at, at + int(matching.size()) - 1);
            m_rows.insert(at, matching.size(), 0);
            std::copy(matching.cbegin(), matching.cend(), m_rows.begin() + at);
            endInsertRows();
        }
    }
    if (m_pending)
        startWork(false);
    emit shownChanged();
}

void ShownEntriesModel::sourceDataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &roles)
{
    if (m_appliedText.isEmpty()) {
        emit dataChanged(index(topLeft.row()), index(bottomRight.row()), roles);
        if (m_pending && (roles.isEmpty() || roles.contains(Qt::DisplayRole)))
            startWork(false);
        return;
    }
    const bool textChanged = roles.isEmpty() || roles.contains(Qt::DisplayRole) || roles.contains(Qt::EditRole);
    if (!textChanged) {
        if (!m_rows.isEmpty())
            emit dataChanged(index(0), index(int(m_rows.size()) - 1), roles);
        return;
    }
    if (m_pending) {
        startWork(false);
        return;
    }
    if (bottomRight.row() - topLeft.row() >= rowsCheckedOneByOne) {
        recomputeNow();
        return;
    }
    for (int row = topLeft.row(); row <= bottomRight.row(); ++row) {
        const int shown = shownRow(row);
        const bool match = matches(m_source->stringList().at(row));
        if (match && shown >= 0) {
            emit dataChanged(index(shown), index(shown), roles);
        } else if (match) {
            const int at = int(std::lower_bound(m_rows.cbegin(), m_rows.cend(), row) - m_rows.cbegin());
            beginInsertRows({}, at, at);
            m_rows.insert(at, row);
            endInsertRows();
        } else if (shown >= 0) {
            beginRemoveRows({}, shown, shown);
            m_rows.remove(shown);
            endRemoveRows();
        }
    }
    emit shownChanged();
}
