// The address list file: its format and the operations every reader and writer uses (QtCore only).
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

/// Whether a write succeeded and, if not, why (for the user: it names the file and the reason).
struct SaveResult {
    bool ok = true;
    QString reason;
    explicit operator bool() const { return ok; }
    static SaveResult failure(const QString &why) { return {false, why}; }
};

namespace UrlListFile {

/// Splits file bytes into entries: CR LF or a lone CR ends a line, a lone LF stays in the entry,
/// the last line needs no line end and a final line end adds no entry. Always at least one entry.
QStringList parseEntries(QByteArrayView bytes);

/// The bytes of a file holding @p entries, each line ended by CR LF.
QByteArray serializeEntries(const QStringList &entries);

/// The whole file's bytes, or nothing (with the reason in @p error) when it cannot be read.
std::optional<QByteArray> readBytes(const QString &path, QString *error = nullptr);

/// Reads the list file's entries; a missing, unreadable or empty file gives one empty entry.
/// When the file is there but cannot be read, @p unreadable (if given) receives the reason.
QStringList load(const QString &path, QString *unreadable = nullptr);

/// The whole list as one edit text: the lines joined by CR LF, with no line break before the
/// first line or after the last. Nothing when the file cannot be opened.
std::optional<QString> editText(const QString &path, QString *error = nullptr);

/// Replaces the list file by @p text followed by CR LF, atomically.
SaveResult saveEditText(const QString &path, const QString &text);

/// Replaces the list file by one line per entry, atomically. No entries give an empty file.
SaveResult writeBack(const QString &path, const QStringList &entries);

/// Copies @p source over @p destination atomically; on failure @p destination is left as it was.
SaveResult copyFullList(const QString &source, const QString &destination);

/// Empties the list file; a missing file is no error.
SaveResult empty(const QString &path);

/// Keeps @p bytes beside the list at @p listPath as "<list>.before-full-list".
SaveResult keepCopy(const QString &listPath, const QByteArray &bytes, QString *keptAt = nullptr);

/// Replaces the file at @p path by @p bytes: written beside it and renamed over it, so that after
/// any failure or a kill the file holds the old bytes or the new ones, whole. A symbolic link
/// stays a link to the updated target, and the file's permissions are kept. The temporary file is
/// hidden and named ".quokka-save.<name>.XXXXXX"; what an earlier, killed save left under such a
/// name is removed once it is a minute old. No other file is ever removed.
SaveResult replaceFile(const QString &path, const QByteArray &bytes);

} // namespace UrlListFile
