// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <QString>

namespace vatrel {

// Replaces a whole file so that the old content stays until every byte of the new one is on disk.
// The bytes go to "<name>.XXXXXX" in the same folder; every write is checked, the file is synced
// and closed (a full disk often shows only there), its size is compared with what was written, and
// only then is it renamed over the old file and the folder synced. On any failure the temporary
// file is removed and the old file is left as it was: a full disk never leaves a shorter or empty
// file behind. A link is followed: its target is replaced, the link stays.
class WholeFileWriter {
public:
    explicit WholeFileWriter(const QString& path);
    ~WholeFileWriter(); // without a commit() the temporary file is removed
    WholeFileWriter(const WholeFileWriter&) = delete;
    WholeFileWriter& operator=(const WholeFileWriter&) = delete;

    bool open();
    // A failed write makes every later write and the commit fail.
    bool write(const QByteArray& bytes);
    bool commit();
    void cancel();

    // The system's reason for the first failure, for logs and status lines.
    QString errorString() const { return m_error; }

private:
    bool fail(int err);

    QString m_path; // the file that is replaced (a link's target)
    QString m_temp; // the temporary file beside it
    int m_fd = -1;
    qint64 m_written = 0;
    bool m_failed = false;
    QString m_error;
};

// The whole of `bytes` as the new content of `path`, through a WholeFileWriter.
bool writeWholeFile(const QString& path, const QByteArray& bytes, QString* error = nullptr);

} // namespace vatrel
