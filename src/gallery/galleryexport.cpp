#include "gallery/galleryexport.h"

#include "copies/copythumbnail.h"
#include "gallery/gallerymodel.h"
#include "store/addresstoload.h"

#include <QFile>
#include <QSaveFile>
#include <QUrl>

namespace {

QByteArray escaped(const QString &text)
{
    return text.toHtmlEscaped().toUtf8();
}

QByteArray pictureOf(const std::optional<PictureSource> &source)
{
    if (!source)
        return {};
    if (source->kind == PictureSource::Kind::Copy) {
        const ThumbnailReading reading = CopyThumbnail::read(source->path);
        return reading.ok ? reading.png : QByteArray();
    }
    QFile file(source->path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > 16 * 1024 * 1024)
        return {};
    return file.readAll();
}

/// Only bytes that are a PNG go into the page: anything else could be made to look like markup.
bool isPng(const QByteArray &bytes)
{
    return bytes.startsWith(QByteArrayLiteral("\x89PNG\r\n\x1a\n"));
}

QByteArray page(const QList<ExportTile> &tiles, const QString &heading)
{
    QByteArray out;
    out += "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n"
           // The page loads nothing from anywhere: its pictures are inside it.
           "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; img-src data:; style-src 'unsafe-inline'\">\n"
           "<title>"
        + escaped(heading)
        + "</title>\n<style>body{font-family:sans-serif;margin:16px}.t{display:inline-block;vertical-align:top;width:220px;"
          "margin:6px;word-wrap:break-word}.p{width:200px;height:150px;background:#eee;display:block;object-fit:cover;"
          "object-position:top}.n{font-weight:bold}.d{color:#555;font-size:90%}@media print{.t{break-inside:avoid}}</style>\n"
          "</head><body>\n<h1>"
        + escaped(heading) + "</h1>\n";
    for (const ExportTile &tile : tiles) {
        out += "<div class=\"t\">";
        const QByteArray png = pictureOf(tile.picture);
        if (isPng(png))
            out += "<img class=\"p\" alt=\"\" src=\"data:image/png;base64," + png.toBase64() + "\">";
        else
            out += "<span class=\"p\"></span>";
        const QUrl url = addressToLoad(tile.entry);
        const bool web = url.isValid() && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"));
        out += "<div class=\"n\">";
        if (web)
            out += "<a href=\"" + escaped(url.toString(QUrl::FullyEncoded)) + "\">" + escaped(tile.title) + "</a>";
        else
            out += escaped(tile.title);
        out += "</div><div class=\"d\">" + escaped(tile.entry) + "</div><div class=\"d\">";
        if (!tile.verdict.isEmpty())
            out += escaped(tile.verdict) + " &middot; ";
        out += escaped(tile.date);
        if (tile.count > 1)
            out += "<br>" + escaped(GalleryModel::groupText(tile.count));
        out += "</div></div>\n";
    }
    out += "</body></html>\n";
    return out;
}

} // namespace

namespace GalleryExport {

QByteArray html(const QList<ExportTile> &tiles, const QString &heading)
{
    return page(tiles, heading);
}

std::optional<QString> write(const QString &path, const QList<ExportTile> &tiles, const QString &heading)
{
    const QByteArray bytes = html(tiles, heading);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("%1 cannot be written (%2)").arg(path, file.errorString());
    // A short write on a full disk is not taken for a page (QSaveFile may commit one).
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return QStringLiteral("%1 cannot be written (%2)").arg(path, why);
    }
    if (!file.commit())
        return QStringLiteral("%1 cannot be written (%2)").arg(path, file.errorString());
    return std::nullopt;
}

} // namespace GalleryExport
