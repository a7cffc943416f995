#include "gallery/gallerymodel.h"

#include "check/checkresults.h"
#include "gallery/gallerypictures.h"

#include <QtConcurrent/QtConcurrentRun>

namespace {

/// Regrouping waits this long after the last hash or verdict that came in, so that a check or a
/// stream of pictures regroups a few times, not for every one.
constexpr int regroupDelayMs = 400;

} // namespace

GalleryModel::GalleryModel(const CheckResults &results, GalleryPictures &pictures, QObject *parent)
    : QAbstractListModel(parent)
    , m_results(results)
    , m_pictures(pictures)
{
    m_regroupTimer.setSingleShot(true);
    m_regroupTimer.setInterval(regroupDelayMs);
    connect(&m_regroupTimer, &QTimer::timeout, this, &GalleryModel::regroup);
    connect(&m_pictures, &GalleryPictures::pictureReady, this, &GalleryModel::pictureArrived);
    connect(&m_pictures, &GalleryPictures::hashesRead, this, [this] {
        if (m_grouped)
            m_regroupTimer.start();
    });
    connect(&m_pictures, &GalleryPictures::sourcesRead, this, [this] {
        if (!m_tiles.isEmpty())
            emit dataChanged(index(0), index(int(m_tiles.size()) - 1));
        if (m_grouped)
            regroup();
    });
    connect(&m_results, &CheckResults::changed, this, [this] {
        if (!m_tiles.isEmpty())
            emit dataChanged(index(0), index(int(m_tiles.size()) - 1));
        if (m_grouped)
            m_regroupTimer.start();
    });
    connect(&m_grouping, &QFutureWatcher<QList<QList<int>>>::finished, this, [this] {
        applyGroups(m_grouping.result(), m_grouping.property("generation").toInt());
    });
}

int GalleryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_tiles.size());
}

QString GalleryModel::groupText(int count)
{
    return QStringLiteral("%1 pages look like this").arg(count);
}

QString GalleryModel::tileTitle(const QString &entry, const std::optional<CheckResult> &result)
{
    const QString title = result ? result->title.simplified() : QString();
    return title.isEmpty() ? entry : title;
}

QString GalleryModel::dateText(const QDateTime &takenAt)
{
    return takenAt.isValid() ? takenAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd")) : QStringLiteral("no picture yet");
}

const QString &GalleryModel::leadEntry(int tile) const
{
    return m_entries.at(m_tiles.at(tile).members.constFirst());
}

QVariant GalleryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_tiles.size())
        return {};
    const Tile &tile = m_tiles.at(index.row());
    const QString &entry = leadEntry(index.row());
    const auto result = m_results.resultFor(entry);
    const auto source = m_pictures.source(entry);
    switch (role) {
    case Qt::DisplayRole:
        return tileTitle(entry, result);
    case Qt::DecorationRole: {
        const QImage picture = m_pictures.picture(entry);
        return picture.isNull() ? QVariant() : QVariant(picture);
    }
    case Qt::ToolTipRole:
        return result ? QStringLiteral("%1\n%2: %3").arg(entry, verdictWord(result->verdict), result->reason) : entry;
    case Qt::AccessibleTextRole: {
        // Read out in the order the tile shows it: what the page is, its verdict, the picture's date.
        QStringList parts;
        if (tile.members.size() > 1)
            parts.append(groupText(int(tile.members.size())));
        parts.append(tileTitle(entry, result));
        if (result)
            parts.append(verdictWord(result->verdict));
        parts.append(source ? QStringLiteral("picture %1").arg(dateText(source->takenAt)) : dateText({}));
        return parts.join(QStringLiteral(", "));
    }
    case AddressRole:
        return entry;
    case VerdictRole:
        return result ? QVariant(int(result->verdict)) : QVariant();
    case VerdictWordRole:
        return result ? verdictWord(result->verdict) : QString();
    case PictureDateRole:
        return source ? QVariant(source->takenAt) : QVariant();
    case DateTextRole:
        return dateText(source ? source->takenAt : QDateTime());
    case CountRole:
        return int(tile.members.size());
    case ListRowsRole: {
        QList<int> rows;
        rows.reserve(tile.members.size());
        for (int member : tile.members)
            rows.append(m_listRows.at(member));
        return QVariant::fromValue(rows);
    }
    case EntriesRole: {
        QStringList entries;
        entries.reserve(tile.members.size());
        for (int member : tile.members)
            entries.append(m_entries.at(member));
        return entries;
    }
    default:
        return {};
    }
}

void GalleryModel::setEntries(const QStringList &entries, const QList<int> &listRows)
{
    Q_ASSERT(entries.size() == listRows.size());
    beginResetModel();
    m_entries = entries;
    m_listRows = listRows;
    m_positionsOfEntry.clear();
    m_positionsOfEntry.reserve(entries.size());
    for (int i = 0; i < int(entries.size()); ++i)
        m_positionsOfEntry.insert(entries.at(i), i);
    m_openGroup = -1;
    ++m_generation;
    m_groups.clear();
    // Until the groups are worked out, each entry is its own.
    for (int i = 0; i < int(entries.size()); ++i)
        m_groups.append(QList<int>{i});
    m_groupsCurrent = !m_grouped;
    rebuildTiles();
    endResetModel();
    if (m_grouped)
        regroup();
}

void GalleryModel::setGrouped(bool grouped)
{
    if (grouped == m_grouped)
        return;
    beginResetModel();
    m_grouped = grouped;
    m_openGroup = -1;
    rebuildTiles();
    endResetModel();
    if (grouped)
        regroup();
}

bool GalleryModel::groupingBusy() const
{
    return m_grouped && (!m_groupsCurrent || m_grouping.isRunning() || m_regroupTimer.isActive() || m_pictures.pending() > 0);
}

bool GalleryModel::openGroup(int row)
{
    if (!m_grouped || m_openGroup >= 0 || row < 0 || row >= m_tiles.size() || m_tiles.at(row).members.size() < 2)
        return false;
    beginResetModel();
    m_openGroup = row;
    rebuildTiles();
    endResetModel();
    return true;
}

void GalleryModel::closeGroup()
{
    if (m_openGroup < 0)
        return;
    beginResetModel();
    m_openGroup = -1;
    rebuildTiles();
    endResetModel();
}

void GalleryModel::rebuildTiles()
{
    m_tiles.clear();
    m_tileOfPosition.fill(-1, m_entries.size());
    const auto addTile = [this](QList<int> members) {
        for (int member : members)
            m_tileOfPosition[member] = int(m_tiles.size());
        m_tiles.append({std::move(members)});
    };
    if (!m_grouped) {
        m_tiles.reserve(m_entries.size());
        for (int i = 0; i < int(m_entries.size()); ++i)
            addTile({i});
    } else if (m_openGroup >= 0) {
        for (int member : m_groups.at(m_openGroup))
            addTile({member});
    } else {
        m_tiles.reserve(m_groups.size());
        for (const QList<int> &group : std::as_const(m_groups))
            addTile(group);
    }
}

void GalleryModel::regroup()
{
    m_regroupTimer.stop();
    if (!m_pictures.sourcesKnown()) {
        m_groupsCurrent = false;
        return; // regrouped once the sources are read
    }
    QList<GroupingFacts> facts;
    facts.reserve(m_entries.size());
    QStringList unhashed;
    for (const QString &entry : std::as_const(m_entries)) {
        const auto source = m_pictures.source(entry);
        if (source && !m_pictures.hasHash(entry))
            unhashed.append(entry);
        facts.append(groupingFacts(entry, m_results.resultFor(entry), m_pictures.hash(entry),
                                   source && source->kind == PictureSource::Kind::Taken));
    }
    m_pictures.readHashes(unhashed);
    const int generation = m_generation;
    if (m_grouping.isRunning()) {
        // The running grouping's result is of older facts: work them out again when it ends.
        m_regroupTimer.start();
        return;
    }
    m_grouping.setProperty("generation", generation);
    m_grouping.setFuture(QtConcurrent::run([facts = std::move(facts)] { return groupAlike(facts); }));
}

void GalleryModel::applyGroups(const QList<QList<int>> &groups, int generation)
{
    if (generation != m_generation || !m_grouped)
        return; // of entries no longer shown
    if (groups == m_groups) {
        m_groupsCurrent = !m_regroupTimer.isActive() && m_pictures.pending() == 0;
        emit groupsChanged();
        return;
    }
    // An open group stays open where its first entry went.
    int openedLead = m_openGroup >= 0 ? m_groups.at(m_openGroup).constFirst() : -1;
    beginResetModel();
    m_groups = groups;
    m_openGroup = -1;
    if (openedLead >= 0) {
        for (int g = 0; g < int(m_groups.size()); ++g)
            if (m_groups[g].contains(openedLead) && m_groups[g].size() > 1)
                m_openGroup = g;
    }
    rebuildTiles();
    endResetModel();
    m_groupsCurrent = !m_regroupTimer.isActive() && m_pictures.pending() == 0;
    emit groupsChanged();
}

void GalleryModel::pictureArrived(const QString &entry)
{
    for (auto it = m_positionsOfEntry.constFind(entry); it != m_positionsOfEntry.cend() && it.key() == entry; ++it) {
        const int tile = m_tileOfPosition.value(*it, -1);
        // Only a tile's first entry gives its picture.
        if (tile >= 0 && m_tiles.at(tile).members.constFirst() == *it)
            emit dataChanged(index(tile), index(tile)); // the picture and its date
    }
}
