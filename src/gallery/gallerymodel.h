// The gallery's tiles: a model of the working list's entries in list order, each with its title (or
// address), verdict, picture and the picture's date; with grouping, alike pages under one tile.
#pragma once

#include "gallery/gallerygrouping.h"

#include <QAbstractListModel>
#include <QFutureWatcher>
#include <QStringList>
#include <QTimer>

class CheckResults;
class GalleryPictures;

/// Rows are tiles. Without grouping each tile is one entry; with it a tile is a group of alike pages,
/// led by its first entry, and openGroup() shows one group's entries as tiles. Entries are given with
/// their rows in the whole list (setEntries()), so that acting on a tile acts on those rows.
/// Pictures are asked for only when a view asks a tile for its picture: a view that draws only what
/// is on screen reads only those.
class GalleryModel final : public QAbstractListModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(GalleryModel)
public:
    enum Role {
        /// The entry's text (the group's first entry's).
        AddressRole = Qt::UserRole + 1,
        /// The verdict (int of Verdict), or nothing when unchecked.
        VerdictRole,
        /// The verdict's word, empty when unchecked.
        VerdictWordRole,
        /// When the picture was taken (QDateTime), or nothing.
        PictureDateRole,
        /// The number of entries under the tile.
        CountRole,
        /// The entries' rows in the whole list (QList<int>).
        ListRowsRole,
        /// The entries' texts (QStringList).
        EntriesRole,
        /// What the tile says under its picture, one line: "2026-12-03" or "no picture yet".
        DateTextRole,
    };

    GalleryModel(const CheckResults &results, GalleryPictures &pictures, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    /// The entries shown, in list order, with their rows in the whole list.
    void setEntries(const QStringList &entries, const QList<int> &listRows);
    int entryCount() const { return int(m_entries.size()); }

    /// Puts alike pages under one tile (their hashes are read, and the groups worked out again as they
    /// come); false shows every entry.
    void setGrouped(bool grouped);
    bool isGrouped() const { return m_grouped; }
    /// Whether the grouping is still at work (hashes to read, groups being worked out).
    bool groupingBusy() const;
    /// Shows the entries of the group at tile @p row as tiles; false when it is not a group.
    bool openGroup(int row);
    /// Back to the groups.
    void closeGroup();
    bool isGroupOpen() const { return m_openGroup >= 0; }
    /// "40 pages look like this", for a group of @p count.
    static QString groupText(int count);
    /// The title a tile shows: the page's title, else the entry's text.
    static QString tileTitle(const QString &entry, const std::optional<CheckResult> &result);
    /// "yyyy-MM-dd" of the picture, "no picture yet" without one.
    static QString dateText(const QDateTime &takenAt);

signals:
    /// The groups were worked out afresh.
    void groupsChanged();

private:
    struct Tile {
        QList<int> members;
    };
    void rebuildTiles();
    void regroup();
    void applyGroups(const QList<QList<int>> &groups, int generation);
    void pictureArrived(const QString &entry);
    const QString &leadEntry(int tile) const;

    const CheckResults &m_results;
    GalleryPictures &m_pictures;
    QStringList m_entries;
    QList<int> m_listRows;
    QMultiHash<QString, int> m_positionsOfEntry;
    QList<QList<int>> m_groups;
    QList<Tile> m_tiles;
    QList<int> m_tileOfPosition;
    bool m_grouped = false;
    int m_openGroup = -1;
    int m_generation = 0;
    bool m_groupsCurrent = false;
    QTimer m_regroupTimer;
    QFutureWatcher<QList<QList<int>>> m_grouping;
};
