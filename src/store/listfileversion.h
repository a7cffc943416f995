// Which version of the list file a window's copy of the list was read from, to notice changes made since.
#pragma once

#include "store/urllistfile.h"

#include <QByteArray>
#include <QString>

#include <optional>

/// The version of the list file that a window's copy of the list is based on: whether the file was
/// there and, when it was read, its identity, size, times and a hash of its content. Compared with
/// the file on disk before a save, it tells whether something else (another program, a second
/// Quokka, a synchronising tool) has changed the file since, so that a save never writes over that
/// other version without asking.
class ListFileVersion {
public:
    /// A version nobody read: a save based on it checks nothing (New List replaces any list).
    ListFileVersion() = default;

    /// What reading the list file gave.
    struct Read;
    /// Reads the whole list file and notes the version read.
    static Read read(const QString &path);
    /// The version a save has just written: the next check compares the content.
    static ListFileVersion written(const QByteArray &bytes);

    /// The file on disk compared with this version.
    struct Check {
        enum class State {
            Same, ///< still this version (or nothing was read, so nothing to compare)
            Gone, ///< no file there now, or an empty one: a save writes over nothing
            Changed, ///< another version is there; its bytes are in otherBytes
            Unreadable, ///< something is there that cannot be read now; reason says why
        };
        State state = State::Same;
        QByteArray otherBytes;
        QString reason;
    };
    Check compareWith(const QString &path) const;

    bool isKnown() const { return m_known; }

private:
    bool m_known = false;
    bool m_existed = false;
    /// Identity, size and times from stat() taken before the read; only trusted while all of them
    /// match, and only kept when the times were older than the read by more than the file system's
    /// time step (otherwise every check compares the content's hash).
    bool m_hasStat = false;
    quint64 m_device = 0;
    quint64 m_inode = 0;
    qint64 m_size = -1;
    qint64 m_modifiedNs = 0;
    qint64 m_changedNs = 0;
    QByteArray m_hash;
};

struct ListFileVersion::Read {
    /// The file's bytes; nothing when it is missing or cannot be read.
    std::optional<QByteArray> bytes;
    /// Why a file that is there could not be read; empty when it was read or is missing.
    QString unreadable;
    ListFileVersion version;
};

namespace ListFileCopies {

/// A name beside @p path for keeping another version of the list: "<name>.other-version-<date>-<time>"
/// (with "-2", "-3", ... added while such a file exists). Nothing is created.
QString otherVersionPath(const QString &path);

/// A name beside @p path that nothing has yet: @p path, @p infix, the local time in @p timeFormat, then
/// @p separator and 2, 3, ... while such a name (or a link by it) is there. Nothing is created.
QString freeDatedName(const QString &path, const QString &infix, const QString &timeFormat, QChar separator);

/// Writes @p bytes as the new file @p copyPath, atomically; never replaces a file that is there.
SaveResult keep(const QString &copyPath, const QByteArray &bytes);

} // namespace ListFileCopies
