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

/// The whole file's bytes, or nothing (with the reason in @p error) when it cannot be read: not
/// there, not a regular file (a pipe or a device, also through links; never waited for), or a
/// read that failed partway through. A file is never handed back cut short.
std::optional<QByteArray> readBytes(const QString &path, QString *error = nullptr);

/// Reads the list file's entries; a missing, unreadable or empty file gives one empty entry.
/// When the file is there but cannot be read, @p unreadable (if given) receives the reason.
QStringList load(const QString &path, QString *unreadable = nullptr);

/// The whole list as one edit text: the lines joined by CR LF, with no line break before the
/// first line or after the last. Nothing (with the reason in @p error) when it cannot be read.
std::optional<QString> editText(const QString &path, QString *error = nullptr);

/// Replaces the list file by @p text followed by CR LF, atomically.
SaveResult saveEditText(const QString &path, const QString &text);

/// Replaces the list file by one line per entry, atomically. No entries give an empty file.
SaveResult writeBack(const QString &path, const QStringList &entries);

/// Copies @p source over @p destination atomically; on failure @p destination is left as it was.
SaveResult copyFullList(const QString &source, const QString &destination);

/// Empties the list file through replaceFile(), so that a link stays a link and the file keeps its
/// owner, group and permissions. A missing file is no error (an empty one is made).
SaveResult empty(const QString &path);

/// Keeps @p bytes, the user's own list, beside the list at @p listPath as
/// "<list>.before-full-list", or "<list>.before-full-list.2", ".3" ... where that name is taken:
/// an earlier copy is never written over. A copy that already holds exactly @p bytes is reused.
/// The copy is written and synced before it gets its name; @p keptAt receives that name.
SaveResult keepCopy(const QString &listPath, const QByteArray &bytes, QString *keptAt = nullptr);

/// Replaces the file at @p path by @p bytes: written beside it, synced, renamed over it and the
/// folder synced, so that after any failure, a kill or a power cut the file holds the old bytes or
/// the new ones, whole. A symbolic link (or a chain of links) stays a link to the updated file at
/// its end. The new file keeps the old one's permissions, owner and group (where allowed) and
/// extended attributes (the ACL among them). A file that is write-protected (no write permission
/// for its owner, whoever runs the program), a folder or a special file is not replaced. The
/// temporary file is unnamed where the file system allows, otherwise (and where /proc is missing)
/// hidden and named ".quokka-save.<name>.XXXXXX"; what an earlier, killed save left under such a
/// name is removed once it is a minute old. No other file is ever removed.
SaveResult replaceFile(const QString &path, const QByteArray &bytes);

} // namespace UrlListFile
