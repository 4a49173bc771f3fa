#pragma once
#include <QLockFile>
#include <QString>

namespace vatrel {

// One console per data folder. A second console in the same folder would log into the same files
// and, at its exit, write its own older view over hw.dat and every settings file. The lock is a
// file in the data folder naming the process that holds it; a lock left by a console that crashed
// (its process is gone) is taken over, so nothing stays stuck.
class DataFolderLock {
public:
    explicit DataFolderLock(const QString& data_dir);
    // True when this process now works in the folder. Nothing in the folder changes on false.
    bool tryLock();
    // False also when the lock could not be taken for a reason other than another console
    // (a folder we may not write in): the console then starts and reports its files as usual.
    bool heldByAnother() const { return m_busy; }
    // The box text shown by a second start.
    static QString busyText(const QString& data_dir);

private:
    QLockFile m_lock;
    bool m_busy = false;
};

} // namespace vatrel
