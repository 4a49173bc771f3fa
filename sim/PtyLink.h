// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class QSocketNotifier;

namespace vatrel::sim {

// The converter's end of the serial line: a pseudo-terminal pair in raw mode whose slave side is
// published as a symbolic link (for example <dir>/dev/COM1), where the console opens it like any
// serial device. Like a real line, it carries nothing while the console has the port closed: what
// the converter sends then is dropped, never delivered to the next open.
class PtyLink : public QObject {
    Q_OBJECT
public:
    explicit PtyLink(QObject* parent = nullptr);
    ~PtyLink() override;

    // Opens the pair and links `linkPath` to the slave (a stale link is replaced; any other file
    // in the way is an error). Returns false with errorString() set on failure.
    bool open(const QString& linkPath);
    void close();
    bool isOpen() const { return m_master >= 0; }
    // True while a console holds the terminal open.
    bool isAttached() const { return m_attached; }
    QString slaveName() const { return m_slaveName; }
    QString linkPath() const { return m_linkPath; }
    QString errorString() const { return m_error; }

    // Queues bytes for the line; whatever the terminal cannot take now goes out when it can.
    void write(const QByteArray& bytes);
    qsizetype pendingBytes() const { return m_pending.size(); }

signals:
    void received(const QByteArray& bytes);
    void attachedChanged(bool attached);

private:
    void onReadable();
    void flush();
    void lookForConsole();
    void detach();

    int m_master = -1;
    bool m_attached = false;
    // While nobody has the terminal open the master reports a hang-up on every poll, so it is not
    // watched then; the slave's open events announce a console instead (or, where they cannot be
    // watched, this timer looks for one).
    int m_openEvents = -1;
    QSocketNotifier* m_openNotifier = nullptr;
    QTimer m_watch;
    QString m_slaveName;
    QString m_linkPath;
    QString m_error;
    QByteArray m_pending;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
};

} // namespace vatrel::sim
