#pragma once
#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

namespace vatrel::sim {

// The converter's end of the serial line: a pseudo-terminal pair in raw mode whose slave side is
// published as a symbolic link (for example <dir>/dev/COM1), where the console opens it like any
// serial device.
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
    QString slaveName() const { return m_slaveName; }
    QString linkPath() const { return m_linkPath; }
    QString errorString() const { return m_error; }

    // Queues bytes for the line; whatever the terminal cannot take now goes out when it can.
    void write(const QByteArray& bytes);
    qsizetype pendingBytes() const { return m_pending.size(); }

signals:
    void received(const QByteArray& bytes);

private:
    void onReadable();
    void flush();

    int m_master = -1;
    int m_slave = -1; // kept open so the master never sees a hang-up while the console reopens
    QString m_slaveName;
    QString m_linkPath;
    QString m_error;
    QByteArray m_pending;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
};

} // namespace vatrel::sim
