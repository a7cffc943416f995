// The gallery as one self-contained HTML page: pictures inline, titles, verdicts, links.
#pragma once

#include "gallery/gallerypictures.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

/// One tile of the page.
struct ExportTile {
    QString entry;
    QString title;
    /// The verdict's word; empty when unchecked.
    QString verdict;
    /// "yyyy-MM-dd" of the picture, or "no picture yet".
    QString date;
    /// Entries under the tile (a group's count).
    int count = 1;
    /// Where its picture is read from, if it has one.
    std::optional<PictureSource> picture;
};

namespace GalleryExport {

/// The page: every text escaped, each picture a data: PNG, each entry a link only when it is an
/// http or https address (anything else, javascript: included, is shown as text).
QByteArray html(const QList<ExportTile> &tiles, const QString &heading);
/// Reads the tiles' pictures and writes the page to @p path atomically; the reason when it cannot be
/// written. Meant for a worker thread: it reads every picture.
std::optional<QString> write(const QString &path, const QList<ExportTile> &tiles, const QString &heading);

} // namespace GalleryExport
