// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

namespace vatrel {

// One console per data folder. A second console in the same folder would log into the same files
// and, at its exit, write its own older view over hw.dat and every settings file.
//
// The lock is the operating system's lock (flock) on the file vatrel-console.lock in the data
// folder, held by a descriptor that stays open for the whole run. The kernel drops it when the
// process ends however it ends, and a power cut leaves no lock at all: what the file holds (it names
// the process for people who look) never decides, so an empty or damaged file left by a crash never
// keeps the console from starting.
class DataFolderLock {
public:
    enum class Result {
        Locked,   // this process now works in the folder
        Busy,     // another console holds the lock
        NotAFile, // a folder (or a device) is in the lock file's place
        Unlocked, // no lock could be taken (a read-only folder without a lock file): start anyway
    };

    explicit DataFolderLock(const QString& data_dir);
    ~DataFolderLock(); // removes the file; the lock itself ends with the descriptor however we end
    DataFolderLock(const DataFolderLock&) = delete;
    DataFolderLock& operator=(const DataFolderLock&) = delete;

    Result lock();
    // False when files cannot be created in the data folder (a read-only mount, no write permission).
    bool folderWritable() const;
    QString lockPath() const { return m_path; }

    // The box texts for the results that end the start, and the warning of a read-only folder.
    static QString busyText(const QString& data_dir);
    static QString notAFileText(const QString& lock_path);
    static QString readOnlyText(const QString& data_dir);
    // What the operator is warned of once the console runs after `lock()` gave `result`: a read-only
    // folder, or a folder the system would not lock (a second console there would go unnoticed).
    // Empty when there is nothing to say.
    QString startWarning(Result result) const;

private:
    QString m_dir;
    QString m_path;
    int m_fd = -1;
    bool m_writable = false; // opened for writing: the file is ours to remove at the end
};

} // namespace vatrel
