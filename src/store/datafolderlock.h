// One Quokka at a time per data folder: a lock that the kernel lets go when the program ends, however it ends.
#pragma once

#include <QString>

/// An exclusive lock on a data folder, held from tryLock() until the object is destroyed.
/// It is an flock() on "quokka.lock" in the folder: the kernel releases it when the process ends,
/// also after a crash or a kill, so a lock left behind never blocks the next start (a lock file
/// that names a process id could be taken for alive when that number is reused).
class DataFolderLock final {
public:
    explicit DataFolderLock(const QString &folder);
    ~DataFolderLock();
    DataFolderLock(const DataFolderLock &) = delete;
    DataFolderLock &operator=(const DataFolderLock &) = delete;

    /// Takes the lock without waiting; false when another holder has it, or when it cannot be
    /// made (then error() says why, and heldElsewhere() is false).
    bool tryLock();
    bool isLocked() const { return m_fd >= 0; }
    /// The last tryLock() failed because another program holds the lock.
    bool heldElsewhere() const { return m_heldElsewhere; }
    QString error() const { return m_error; }
    QString lockFilePath() const;

private:
    QString m_folder;
    int m_fd = -1;
    bool m_heldElsewhere = false;
    QString m_error;
};
