// One Quokka at a time per data folder: a lock that the kernel lets go when the program ends, however it ends.
#pragma once

#include <QString>

/// An exclusive lock on a data folder, held from tryLock() until the object is destroyed.
/// It is an flock() on "quokka.lock" in the folder: the kernel releases it when the process ends,
/// also after a crash or a kill, so a lock left behind never blocks the next start (a lock file
/// that names a process id could be taken for alive when that number is reused). The lock file is
/// never reached through a symbolic link.
class DataFolderLock final {
public:
    explicit DataFolderLock(const QString &folder);
    ~DataFolderLock();
    DataFolderLock(const DataFolderLock &) = delete;
    DataFolderLock &operator=(const DataFolderLock &) = delete;

    /// Why the last tryLock() did not take the lock.
    enum class Refusal {
        None, ///< it was taken
        HeldByProgram, ///< a program holds it now (this user's, or the lock file's owner's)
        NotTakeable, ///< the lock file is there but cannot be taken: a symbolic link, not a regular
                     ///< file, or another user's file this user may not open; someone else's, so
                     ///< the folder is taken
        CannotBeMade, ///< no lock can be made here at all (a read-only or foreign file system, a
                      ///< folder that cannot be made or written); nothing holds the folder either
    };

    /// Takes the lock without waiting; false when another holder has it or it cannot be taken
    /// (refusal() and error() say which and why).
    bool tryLock();
    bool isLocked() const { return m_fd >= 0; }
    Refusal refusal() const { return m_refusal; }
    /// The last tryLock() failed because someone else holds the lock (HeldByProgram or NotTakeable).
    bool heldElsewhere() const { return m_refusal == Refusal::HeldByProgram || m_refusal == Refusal::NotTakeable; }
    /// The lock file belongs to another user (a shared data folder): that user's program is out of reach.
    bool ownedByOtherUser() const { return m_otherOwner; }
    /// The lock file's owner's login name (or number), when it is known.
    QString ownerName() const { return m_ownerName; }
    /// Why the last tryLock() failed, for the user.
    QString error() const { return m_error; }
    QString lockFilePath() const;

private:
    QString m_folder;
    int m_fd = -1;
    Refusal m_refusal = Refusal::None;
    bool m_otherOwner = false;
    QString m_ownerName;
    QString m_error;
};
