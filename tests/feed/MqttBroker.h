// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A mosquitto broker of the test's own on 127.0.0.1, on a port that was free when it started,
// with a generated configuration (optional password file and TLS), and a subscriber that records
// what it receives.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <atomic>
#include <mosquitto.h>
#include <mutex>
#include <vector>

namespace vatrel::testing {

inline int freePort() {
    QTcpServer s;
    if (!s.listen(QHostAddress::LocalHost, 0)) return 0;
    return s.serverPort();
}

class MqttBroker {
public:
    struct Options {
        QString user, password; // a password file when set (anonymous clients refused)
        QString ca, cert, key;  // a TLS listener when set
    };

    MqttBroker() = default;
    explicit MqttBroker(Options o) : m_options(std::move(o)) {}
    ~MqttBroker() { stop(); }

    int port() const { return m_port; }

    // Starts on a free port (or on `port`, for a restart); false when mosquitto does not come up.
    bool start(int port = 0) {
        m_port = port ? port : freePort();
        if (m_port == 0 || !writeConfig()) return false;
        m_process.start(QStringLiteral("mosquitto"), {"-c", m_dir.filePath("mosquitto.conf")});
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 5000 && m_process.waitForStarted(1000) &&
               m_process.state() == QProcess::Running) {
            QTcpSocket s;
            s.connectToHost(QHostAddress::LocalHost, quint16(m_port));
            if (s.waitForConnected(200)) return true;
            QTest::qWait(50);
        }
        return false;
    }

    // SIGTERM: mosquitto saves its persistence file (queued messages of persistent sessions).
    void stop() {
        if (m_process.state() == QProcess::NotRunning) return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(2000);
        }
    }

private:
    bool writeConfig() {
        // "user root" keeps mosquitto able to read the test's own folder.
        QString conf =
            QStringLiteral("user root\nlistener %1 127.0.0.1\npersistence true\npersistence_location %2/\n"
                           "log_dest file %2/mosquitto.log\nmax_queued_messages 10000\n")
                .arg(m_port)
                .arg(m_dir.path());
        const QString pw = m_dir.filePath(QStringLiteral("passwd"));
        if (m_options.user.isEmpty())
            conf += QStringLiteral("allow_anonymous true\n");
        else if (QProcess::execute("mosquitto_passwd",
                                   {"-b", "-c", pw, m_options.user, m_options.password}) == 0)
            conf += QStringLiteral("allow_anonymous false\npassword_file %1\n").arg(pw);
        if (!m_options.ca.isEmpty())
            conf += QStringLiteral("cafile %1\ncertfile %2\nkeyfile %3\n")
                        .arg(m_options.ca, m_options.cert, m_options.key);
        QFile f(m_dir.filePath(QStringLiteral("mosquitto.conf")));
        return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(conf.toUtf8()) > 0;
    }

    Options m_options;
    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = 0;
};

// A TCP relay between the feed and the broker that can hold back what the feed sends (the broker
// never sees it, so it is never acknowledged) and then cut every connection.
class CutRelay : public QObject {
public:
    explicit CutRelay(int brokerPort) : m_brokerPort(brokerPort) {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* client = m_server.nextPendingConnection()) {
                auto* upstream = new QTcpSocket(this);
                upstream->connectToHost(QHostAddress::LocalHost, quint16(m_brokerPort));
                m_pairs.push_back({client, upstream});
                QObject::connect(client, &QTcpSocket::readyRead, this, [this, client, upstream] {
                    const QByteArray bytes = client->readAll();
                    if (!m_holding) upstream->write(bytes);
                });
                QObject::connect(upstream, &QTcpSocket::readyRead, this,
                                 [client, upstream] { client->write(upstream->readAll()); });
            }
        });
    }
    int port() const { return m_server.serverPort(); }
    void hold() { m_holding = true; }
    // Drops every connection at once and lets the next ones through again.
    void cut() {
        for (auto& [client, upstream] : m_pairs) {
            client->abort();
            upstream->abort();
        }
        m_pairs.clear();
        m_holding = false;
    }

private:
    int m_brokerPort;
    QTcpServer m_server;
    bool m_holding = false;
    std::vector<std::pair<QTcpSocket*, QTcpSocket*>> m_pairs;
};

// A subscriber with a persistent session (so it misses nothing while the broker restarts),
// running libmosquitto's own network thread and reconnecting by itself.
class MqttProbe {
public:
    struct Message {
        QByteArray topic;
        QByteArray payload;
        bool retained;
    };

    MqttProbe(int port, const QByteArray& topic, const QByteArray& clientId = {}, bool persistent = false)
        : m_topic(topic) {
        mosquitto_lib_init();
        m_mosq = mosquitto_new(clientId.isEmpty() ? nullptr : clientId.constData(), !persistent, this);
        mosquitto_connect_callback_set(m_mosq, [](mosquitto* m, void* self, int rc) {
            if (rc == 0)
                mosquitto_subscribe(m, nullptr, static_cast<MqttProbe*>(self)->m_topic.constData(), 1);
        });
        mosquitto_message_callback_set(m_mosq, [](mosquitto*, void* self, const mosquitto_message* msg) {
            auto* p = static_cast<MqttProbe*>(self);
            std::lock_guard lock(p->m_mutex);
            p->m_messages.push_back({QByteArray(msg->topic),
                                     QByteArray(static_cast<const char*>(msg->payload), msg->payloadlen),
                                     msg->retain});
        });
        mosquitto_subscribe_callback_set(m_mosq, [](mosquitto*, void* self, int, int, const int*) {
            static_cast<MqttProbe*>(self)->m_subscribed = true;
        });
        mosquitto_reconnect_delay_set(m_mosq, 1, 1, false);
        const bool connected = mosquitto_connect(m_mosq, "127.0.0.1", port, 10) == MOSQ_ERR_SUCCESS;
        mosquitto_loop_start(m_mosq);
        // Ready once the broker has taken the subscription: nothing published after this is missed.
        QElapsedTimer t;
        t.start();
        while (connected && !m_subscribed && t.elapsed() < 5000)
            QThread::msleep(5);
        m_connected = connected && m_subscribed;
    }
    ~MqttProbe() {
        mosquitto_disconnect(m_mosq);
        mosquitto_loop_stop(m_mosq, true);
        mosquitto_destroy(m_mosq);
    }
    bool connected() const { return m_connected; }
    std::vector<Message> messages() const {
        std::lock_guard lock(m_mutex);
        return m_messages;
    }
    QList<QByteArray> payloads(const QByteArray& topic) const {
        QList<QByteArray> out;
        for (const Message& m : messages())
            if (m.topic == topic) out << m.payload;
        return out;
    }

private:
    QByteArray m_topic;
    mosquitto* m_mosq = nullptr;
    bool m_connected = false;
    std::atomic<bool> m_subscribed{false};
    mutable std::mutex m_mutex;
    std::vector<Message> m_messages;
};

} // namespace vatrel::testing
