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

/// How a list file ends its lines. The list's own format ends them with CR LF; a file that holds
/// no CR at all is a text file as Linux editors and tools write it (nano, gedit, vim, echo, sort).
enum class LineEnds {
    CrLf, ///< CR LF or a lone CR ends a line; a lone LF stays inside the entry
    Lf, ///< LF ends a line
};

/// The line ends of a file holding @p bytes: LF when it holds at least one byte and no CR at all,
/// otherwise CR LF (every file that holds a CR, and the empty file).
LineEnds lineEndsOf(QByteArrayView bytes);

/// Splits file bytes into entries, by the rules of lineEndsOf(): with CR LF line ends, CR LF or a
/// lone CR ends a line and a lone LF stays in the entry; with LF line ends, LF ends a line. Either
/// way the last line needs no line end and a final line end adds no entry. Always at least one entry.
QStringList parseEntries(QByteArrayView bytes);

/// The line ends a file holding @p entries can have and still load as the same entries: @p wanted,
/// except that an entry holding a CR or an LF is only kept by CR LF line ends.
LineEnds usableLineEnds(const QStringList &entries, LineEnds wanted);

/// The bytes of a file holding @p entries, each line ended by CR LF, or by LF where @p ends asks
/// for it and usableLineEnds() allows it.
QByteArray serializeEntries(const QStringList &entries, LineEnds ends = LineEnds::CrLf);

/// The line ends a save of the list at @p path keeps: those of the file there now when it holds
/// any bytes; for an empty or missing file, LF when this program emptied an LF list there,
/// otherwise the list's own CR LF.
LineEnds lineEndsToKeep(const QString &path);

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

/// Replaces the list file by @p text followed by a line end, atomically. The text's CR LF line
/// breaks become the file's line ends, in the line ends lineEndsToKeep() gives (an LF list stays
/// an LF list, unless a line of the text holds a lone CR or LF).
SaveResult saveEditText(const QString &path, const QString &text);

/// Replaces the list file by one line per entry, atomically, in the line ends lineEndsToKeep()
/// gives (see usableLineEnds()). No entries give an empty file.
SaveResult writeBack(const QString &path, const QStringList &entries);

/// Copies @p source over @p destination atomically; on failure @p destination is left as it was.
SaveResult copyFullList(const QString &source, const QString &destination);

/// Empties the list file through replaceFile() (the line ends it had are kept for the next save), so that a link stays a link and the file keeps its
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
