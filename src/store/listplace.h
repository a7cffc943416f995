// Where the list browser stood in the list: remembered beside the list, so it opens there again.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

struct ListPlace {
    /// The entry shown, and its position when it was shown.
    QString entry;
    int row = -1;

    /// The place file, list-place in the data folder.
    static QString file();
    /// The place remembered in @p path; nothing when there is none or it is not one (too large, not
    /// ours, a row that is no number).
    static std::optional<ListPlace> read(const QString &path);
    /// Writes @p place to @p path at once, whole or not at all; false when it could not be written.
    static bool write(const QString &path, const ListPlace &place);
    /// The row of @p entries that holds the remembered entry: its own row when it is still there,
    /// otherwise the nearest row holding the same entry (the earlier of two as near); -1 when the
    /// list no longer holds it.
    int rowIn(const QStringList &entries) const;
};
