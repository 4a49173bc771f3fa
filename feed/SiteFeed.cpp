// SPDX-License-Identifier: GPL-3.0-or-later
#include "feed/SiteFeed.h"
#include "feed/FeedJson.h"
#include "feed/FeedSpool.h"
#include "registry/SensorRows.h"
#include "registry/DateTime.h"

#include <QDateTime>
#include <bitset>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mosquitto.h>
#include <mutex>
#include <set>
#include <thread>
#include <unordered_map>

namespace vatrel {

namespace {

using SteadyClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kInflightWindow = 64; // QoS 1 publishes awaiting their acknowledgement
// How often the feed's thread picks up what the core's thread handed over. Polling keeps the hand-over
// free of system calls (no wake-up per event); an event waits 20 ms at most.
constexpr auto kLoopTimeout = 20ms;
constexpr auto kConnectTimeout = 10s; // a broker that accepts but never answers CONNECT
constexpr int kKeepaliveSeconds = 20;
constexpr auto kMeasurementPeriod = 1s; // thresholds and signals, per sensor
constexpr auto kPersistPeriod = 500ms;  // saving the acknowledged number while events flow
constexpr auto kRetainedScan = 3s;      // listening for stale sensor topics after a connect
constexpr auto kPresencePeriod = 1s;    // answering what replaced our "online", at most this often
constexpr int kIncomingMax = 4096;      // presence words and sensor states are far smaller

std::once_flag g_libInit;

QString refusalText(int rc) {
    switch (rc) {
    case 1:
        return QStringLiteral("версия протокола не поддерживается");
    case 2:
        return QStringLiteral("идентификатор отвергнут");
    case 3:
        return QStringLiteral("сервер недоступен");
    case 4:
        return QStringLiteral("неверное имя или пароль");
    case 5:
        // What mosquitto answers to a wrong name or password as well as to missing rights.
        return QStringLiteral("доступ запрещён (имя, пароль или права)");
    default:
        return QStringLiteral("код ") + QString::number(rc);
    }
}

double nowDays() { return toDays(QDateTime::currentDateTime()); }

} // namespace

struct SiteFeed::Worker {
    Worker(const FeedConfig& c, const QString& dir) : cfg(c), spool(dir) {
        eventsTopic = (cfg.prefix + QStringLiteral("/events")).toUtf8();
        consoleTopic = (cfg.prefix + QStringLiteral("/console")).toUtf8();
        converterTopic = (cfg.prefix + QStringLiteral("/converter")).toUtf8();
        sensorsPrefix = (cfg.prefix + QStringLiteral("/sensors/")).toUtf8();
    }

    FeedConfig cfg;
    QByteArray eventsTopic, consoleTopic, converterTopic, sensorsPrefix;

    // Shared with the core's thread, under `m`.
    mutable std::mutex m;
    std::condition_variable cv; // stop() only: the core's thread never wakes the feed's thread
    std::deque<FeedEvent> queue;
    std::array<SensorSnapshot, kSlots> latest{};
    std::bitset<kSlots> dirty;
    ConverterSnapshot latestConverter;
    bool converterDirty = false;
    bool stopping = false;
    SteadyClock::time_point stopDeadline;
    State state = State::Connecting;
    QString detail;
    SteadyClock::time_point retryAt;
    qint64 spooled = 0;
    qint64 dropped = 0;
    QString spoolError;
    QString loadError;
    std::thread thread;

    // The feed's own thread only.
    FeedSpool spool;
    mosquitto* mosq = nullptr;
    bool connected = false;
    SteadyClock::time_point connectStarted;
    SteadyClock::time_point nextAttempt;
    int failures = 0;
    quint64 nextSend = 0;                      // sequence number of the next event to publish
    std::unordered_map<int, quint64> inflight; // message id → sequence number
    std::set<quint64> ackedAhead;              // acknowledged out of order
    std::array<SensorSnapshot, kSlots> current{};
    std::array<SensorSnapshot, kSlots> published{};
    std::array<SteadyClock::time_point, kSlots> publishedAt{};
    std::bitset<kSlots> check; // compare current with published
    std::bitset<kSlots> force; // publish even when unchanged (after a connect)
    ConverterSnapshot converter;
    bool converterKnown = false;
    bool converterDue = false;
    bool scanningRetained = false;
    SteadyClock::time_point connectedAt;
    std::set<quint32> retainedSeen;
    SteadyClock::time_point lastPersist;
    bool presenceDue = false;
    SteadyClock::time_point presenceAnswered;
    QString spoolWriteError;
    QString spoolLoadError; // what an earlier run left could not be read

    void setState(State s, const QString& d = QString(), SteadyClock::time_point retry = {}) {
        std::lock_guard lock(m);
        state = s;
        detail = d;
        retryAt = retry;
    }

    // ---- the feed's thread ----

    void run() {
        if (!spool.load()) spoolLoadError = spool.lastError();
        nextSend = spool.nextSeq();
        if (!spool.pending().empty()) nextSend = spool.pending().front().seq;
        publishCounts();
        if (!cfg.problem.isEmpty()) setState(State::BadSettings, cfg.problem);
        nextAttempt = SteadyClock::now();
        for (;;) {
            const bool stop = drain();
            if (stop && shutdownReady()) break;
            manageConnection();
            if (connected) {
                publishEvents();
                publishSensors();
                publishConverter();
                answerPresence();
                endRetainedScan();
            }
            persist(false);
            publishCounts();
            if (mosq) {
                const int rc = mosquitto_loop(mosq, int(kLoopTimeout.count()), 1);
                const int err = errno;
                if (refusal != 0) {
                    fail(State::Refused, refusalText(refusal));
                    refusal = 0;
                } else if (rc != MOSQ_ERR_SUCCESS) {
                    lost(rc, err);
                }
            } else {
                std::unique_lock lock(m);
                cv.wait_until(lock, std::min(nextAttempt, SteadyClock::now() + kLoopTimeout),
                              [this] { return stopping; });
            }
        }
        shutdown();
    }

    // Takes what the core's thread handed over; writes new events to the spool. True when stopping.
    bool drain() {
        std::deque<FeedEvent> events;
        std::vector<std::pair<int, SensorSnapshot>> sensors;
        bool stop = false;
        {
            std::lock_guard lock(m);
            events.swap(queue);
            if (dirty.any()) {
                for (int s = 0; s < kSlots; ++s)
                    if (dirty.test(size_t(s))) sensors.emplace_back(s, std::move(latest[size_t(s)]));
                dirty.reset();
            }
            if (converterDirty) {
                converter = latestConverter;
                converterKnown = true;
                converterDue = true;
                converterDirty = false;
            }
            stop = stopping;
        }
        if (!events.empty()) {
            std::deque<FeedSpool::Entry> entries;
            quint64 seq = spool.nextSeq();
            for (const FeedEvent& e : events) {
                entries.push_back({seq, eventJson(seq, e)});
                ++seq;
            }
            spoolWriteError = spool.append(entries) ? QString() : spool.lastError();
        }
        const double t = sensors.empty() ? 0 : nowDays();
        for (auto& [slot, snap] : sensors) {
            snap.time = t;
            current[size_t(slot)] = std::move(snap);
            check.set(size_t(slot));
        }
        return stop;
    }

    bool shutdownReady() {
        std::lock_guard lock(m);
        return !connected || spool.size() == 0 || SteadyClock::now() >= stopDeadline;
    }

    void manageConnection() {
        if (!cfg.problem.isEmpty()) return;
        if (!mosq) {
            if (SteadyClock::now() >= nextAttempt) connect();
            return;
        }
        if (!connected && SteadyClock::now() - connectStarted > kConnectTimeout)
            fail(State::NoAnswer, QString());
    }

    void connect() {
        std::call_once(g_libInit, [] { mosquitto_lib_init(); });
        mosq = mosquitto_new(nullptr, true, this);
        if (!mosq) {
            fail(State::Unreachable, QString::fromLocal8Bit(std::strerror(errno)));
            return;
        }
        mosquitto_int_option(mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
        mosquitto_connect_callback_set(
            mosq, [](mosquitto*, void* w, int rc) { static_cast<Worker*>(w)->onConnect(rc); });
        mosquitto_publish_callback_set(
            mosq, [](mosquitto*, void* w, int mid) { static_cast<Worker*>(w)->onPublished(mid); });
        mosquitto_message_callback_set(mosq, [](mosquitto*, void* w, const mosquitto_message* msg) {
            static_cast<Worker*>(w)->onMessage(msg);
        });
        if (!cfg.user.isEmpty()) {
            const QByteArray user = cfg.user.toUtf8();
            const QByteArray password = cfg.password.toUtf8();
            mosquitto_username_pw_set(mosq, user.constData(),
                                      cfg.password.isEmpty() ? nullptr : password.constData());
        }
        mosquitto_will_set(mosq, consoleTopic.constData(), 7, "offline", 1, true);
        if (cfg.tls()) {
            const QByteArray ca = cfg.ca_file.toLocal8Bit();
            const QByteArray cert = cfg.cert_file.toLocal8Bit();
            const QByteArray key = cfg.key_file.toLocal8Bit();
            const int rc =
                mosquitto_tls_set(mosq, ca.constData(), nullptr, cert.isEmpty() ? nullptr : cert.constData(),
                                  key.isEmpty() ? nullptr : key.constData(), nullptr);
            if (rc != MOSQ_ERR_SUCCESS) {
                fail(State::TlsFailed, QString::fromUtf8(mosquitto_strerror(rc)));
                return;
            }
        }
        setState(State::Connecting);
        connectStarted = SteadyClock::now();
        const QByteArray host = cfg.host.toUtf8();
        const int rc = mosquitto_connect_async(mosq, host.constData(), cfg.port, kKeepaliveSeconds);
        const int err = errno;
        if (rc != MOSQ_ERR_SUCCESS) lost(rc, err);
    }

    void onConnect(int rc) {
        if (rc != 0) {
            refusal = rc; // the client cannot be destroyed from inside its own callback
            return;
        }
        connected = true;
        failures = 0;
        connectedAt = SteadyClock::now();
        presenceDue = false;
        presenceAnswered = connectedAt;
        setState(State::Online);
        // Start over from the first event without an acknowledgement: it may never have arrived.
        inflight.clear();
        ackedAhead.clear();
        nextSend = spool.pending().empty() ? spool.nextSeq() : spool.pending().front().seq;
        for (int s = 0; s < kSlots; ++s) {
            if (current[size_t(s)].factory_number != 0 || published[size_t(s)].factory_number != 0) {
                check.set(size_t(s));
                force.set(size_t(s));
            }
        }
        converterDue = converterKnown;
        mosquitto_publish(mosq, nullptr, consoleTopic.constData(), 6, "online", 1, true);
        // Our own presence (a late will of an earlier connection could overwrite it) and the
        // retained sensor topics, to clear those of sensors no longer in the table.
        mosquitto_subscribe(mosq, nullptr, consoleTopic.constData(), 1);
        mosquitto_subscribe(mosq, nullptr, (sensorsPrefix + '+').constData(), 1);
        scanningRetained = true;
        retainedSeen.clear();
    }

    void onPublished(int mid) {
        if (mid == offlineMid) offlineDone = true;
        const auto it = inflight.find(mid);
        if (it == inflight.end()) return; // a sensor state or presence message
        ackedAhead.insert(it->second);
        inflight.erase(it);
        while (!spool.pending().empty() && ackedAhead.count(spool.pending().front().seq)) {
            const quint64 seq = spool.pending().front().seq;
            ackedAhead.erase(seq);
            spool.acknowledge(seq);
        }
    }

    void onMessage(const mosquitto_message* msg) {
        // Anyone allowed on our topics can publish there. What we expect is a few bytes; anything
        // larger is dropped without a copy.
        if (msg->payloadlen < 0 || msg->payloadlen > kIncomingMax) return;
        const QByteArray topic(msg->topic);
        if (topic == consoleTopic) {
            const QByteArrayView payload(static_cast<const char*>(msg->payload), msg->payloadlen);
            bool stop;
            {
                std::lock_guard lock(m);
                stop = stopping;
            }
            if (!stop && connected && payload != "online") presenceDue = true;
            return;
        }
        if (scanningRetained && msg->retain && msg->payloadlen > 0 && topic.startsWith(sensorsPrefix)) {
            bool ok = false;
            const quint32 number = topic.mid(sensorsPrefix.size()).toUInt(&ok);
            if (ok) retainedSeen.insert(number);
        }
    }

    // Puts our presence back after something else replaced it (a late will of an earlier
    // connection), at most once a second however often that happens.
    void answerPresence() {
        if (!presenceDue || SteadyClock::now() - presenceAnswered < kPresencePeriod) return;
        presenceDue = false;
        presenceAnswered = SteadyClock::now();
        mosquitto_publish(mosq, nullptr, consoleTopic.constData(), 6, "online", 1, true);
    }

    void endRetainedScan() {
        if (!scanningRetained || SteadyClock::now() - connectedAt < kRetainedScan) return;
        scanningRetained = false;
        mosquitto_unsubscribe(mosq, nullptr, (sensorsPrefix + '+').constData());
        for (quint32 number : retainedSeen) {
            bool present = false;
            for (const SensorSnapshot& s : current)
                present = present || s.factory_number == number;
            if (!present) clearSensor(number);
        }
        retainedSeen.clear();
    }

    void publishEvents() {
        const auto& pending = spool.pending();
        while (connected && inflight.size() < size_t(kInflightWindow) && !pending.empty() &&
               nextSend <= pending.back().seq) {
            if (nextSend < pending.front().seq) nextSend = pending.front().seq;
            const FeedSpool::Entry& e = pending[size_t(nextSend - pending.front().seq)];
            int mid = 0;
            const int rc = mosquitto_publish(mosq, &mid, eventsTopic.constData(), int(e.payload.size()),
                                             e.payload.constData(), 1, false);
            if (rc != MOSQ_ERR_SUCCESS) {
                lost(rc, errno);
                return;
            }
            inflight[mid] = e.seq;
            ++nextSend;
        }
    }

    void clearSensor(quint32 number) {
        const QByteArray topic = sensorsPrefix + QByteArray::number(number);
        mosquitto_publish(mosq, nullptr, topic.constData(), 0, nullptr, 1, true);
    }

    void publishSensors() {
        if (check.none()) return;
        const auto now = SteadyClock::now();
        for (int s = 0; s < kSlots && connected; ++s) {
            if (!check.test(size_t(s))) continue;
            SensorSnapshot& pub = published[size_t(s)];
            const SensorSnapshot& cur = current[size_t(s)];
            if (pub.factory_number != 0 && pub.factory_number != cur.factory_number) {
                clearSensor(pub.factory_number);
                pub = SensorSnapshot{};
            }
            if (cur.factory_number == 0) {
                check.reset(size_t(s));
                force.reset(size_t(s));
                continue;
            }
            const bool stateChanged = force.test(size_t(s)) || !pub.sameState(cur);
            if (!stateChanged && pub.sameMeasurements(cur)) {
                check.reset(size_t(s));
                continue;
            }
            // A change of state goes out at once; new measurements alone once a second.
            if (!stateChanged && now - publishedAt[size_t(s)] < kMeasurementPeriod) continue;
            const QByteArray topic = sensorsPrefix + QByteArray::number(cur.factory_number);
            const QByteArray payload = sensorJson(cur);
            mosquitto_publish(mosq, nullptr, topic.constData(), int(payload.size()), payload.constData(), 1,
                              true);
            pub = cur;
            publishedAt[size_t(s)] = now;
            check.reset(size_t(s));
            force.reset(size_t(s));
        }
    }

    void publishConverter() {
        if (!converterDue) return;
        converterDue = false;
        const QByteArray payload = converterJson(converter);
        mosquitto_publish(mosq, nullptr, converterTopic.constData(), int(payload.size()), payload.constData(),
                          1, true);
    }

    void persist(bool now) {
        if (!spool.dirty()) return;
        if (!now && spool.size() > 0 && SteadyClock::now() - lastPersist < kPersistPeriod) return;
        if (!spool.persist()) spoolWriteError = spool.lastError();
        lastPersist = SteadyClock::now();
    }

    void publishCounts() {
        std::lock_guard lock(m);
        spooled = spool.size();
        spoolError = spoolWriteError;
        loadError = spoolLoadError;
    }

    // The connection failed or was lost: drop it and try again after a pause that doubles with
    // every failure in a row, up to retry_max.
    void fail(State s, const QString& d) {
        teardown();
        const int shift = std::min(failures, 5);
        ++failures;
        const auto delay = std::chrono::seconds(std::min(cfg.retry_max, 1 << shift));
        nextAttempt = SteadyClock::now() + delay;
        setState(s, d, nextAttempt);
    }

    void lost(int rc, int err) {
        if (rc == MOSQ_ERR_TLS) {
            fail(State::TlsFailed, QString());
            return;
        }
        QString d = rc == MOSQ_ERR_ERRNO ? QString::fromLocal8Bit(std::strerror(err))
                                         : QString::fromUtf8(mosquitto_strerror(rc));
        fail(State::Unreachable, d);
    }

    void teardown() {
        if (!mosq) return;
        mosquitto* old = mosq;
        mosq = nullptr;
        connected = false;
        scanningRetained = false;
        inflight.clear();
        ackedAhead.clear();
        mosquitto_destroy(old);
    }

    void shutdown() {
        if (mosq && connected) {
            // The clean goodbye replaces the will, which the broker drops on a DISCONNECT.
            mosquitto_publish(mosq, &offlineMid, consoleTopic.constData(), 7, "offline", 1, true);
            const auto until = SteadyClock::now() + 1s;
            while (!offlineDone && mosq && SteadyClock::now() < until)
                if (mosquitto_loop(mosq, 50, 1) != MOSQ_ERR_SUCCESS) break;
            mosquitto_disconnect(mosq);
            mosquitto_loop(mosq, 50, 1);
        }
        teardown();
        persist(true);
        publishCounts();
        setState(State::Stopped);
    }

    int offlineMid = -1;
    bool offlineDone = false;
    int refusal = 0; // the broker's CONNACK refusal, handled once the network loop has returned
};

std::unique_ptr<SiteFeed> SiteFeed::fromDataFolder(const QString& dataDir) {
    const std::optional<FeedConfig> cfg = FeedConfig::load(dataDir);
    if (!cfg) return nullptr;
    return std::make_unique<SiteFeed>(*cfg, dataDir);
}

SiteFeed::SiteFeed(const FeedConfig& config, const QString& dataDir)
    : m_w(std::make_unique<Worker>(config, dataDir)) {
    m_w->thread = std::thread([w = m_w.get()] { w->run(); });
}

SiteFeed::~SiteFeed() { stop(); }

void SiteFeed::stop(int flushMs) {
    if (!m_w->thread.joinable()) return;
    {
        std::lock_guard lock(m_w->m);
        m_w->stopping = true;
        m_w->stopDeadline = SteadyClock::now() + std::chrono::milliseconds(flushMs);
    }
    m_w->cv.notify_one();
    m_w->thread.join();
}

void SiteFeed::eventLogged(const EventRecord& rec, int sensorType) {
    FeedEvent e{rec.time, qint32(rec.factory_number), rec.code, sensorType, rec.text};
    {
        std::lock_guard lock(m_w->m);
        if (m_w->stopping) return;
        if (m_w->queue.size() >= size_t(kQueueLimit)) {
            ++m_w->dropped;
            return;
        }
        m_w->queue.push_back(std::move(e));
    }
}

void SiteFeed::sensorChanged(int slot, const SensorRecord& record, const SensorRow& row) {
    if (slot < 0 || slot >= kSlots) return;
    SensorSnapshot snap = SensorSnapshot::take(slot, record, row);
    {
        std::lock_guard lock(m_w->m);
        m_w->latest[size_t(slot)] = std::move(snap);
        m_w->dirty.set(size_t(slot));
    }
}

void SiteFeed::converterChanged(const ConverterNotice& now) {
    ConverterSnapshot snap = now;
    {
        std::lock_guard lock(m_w->m);
        m_w->latestConverter = std::move(snap);
        m_w->converterDirty = true;
    }
}

QString SiteFeed::settingsProblem() const { return m_w->cfg.problem; }

SiteFeed::State SiteFeed::state() const {
    std::lock_guard lock(m_w->m);
    return m_w->state;
}

const FeedConfig& SiteFeed::config() const { return m_w->cfg; }

qint64 SiteFeed::droppedEvents() const {
    std::lock_guard lock(m_w->m);
    return m_w->dropped;
}

qint64 SiteFeed::spooledEvents() const {
    std::lock_guard lock(m_w->m);
    return m_w->spooled + qint64(m_w->queue.size());
}

QString SiteFeed::statusText() const {
    std::lock_guard lock(m_w->m);
    const QString broker = m_w->cfg.brokerText();
    const auto left = std::chrono::ceil<std::chrono::seconds>(m_w->retryAt - SteadyClock::now()).count();
    const QString retry =
        QStringLiteral("; повтор через ") + QString::number(std::max<qint64>(1, left)) + QStringLiteral(" с");
    QString text;
    switch (m_w->state) {
    case State::Connecting:
        text = QStringLiteral("подключение к ") + broker;
        break;
    case State::Online:
        text = QStringLiteral("подключено к ") + broker;
        break;
    case State::Refused:
        text = broker + QStringLiteral(" отказал: ") + m_w->detail + retry;
        break;
    case State::Unreachable:
        text = QStringLiteral("нет связи с ") + broker +
               (m_w->detail.isEmpty() ? QString() : QStringLiteral(" (") + m_w->detail + QLatin1Char(')')) +
               retry;
        break;
    case State::NoAnswer:
        text = broker + QStringLiteral(" не отвечает") + retry;
        break;
    case State::TlsFailed:
        text = QStringLiteral("ошибка TLS с ") + broker + retry;
        break;
    case State::Stopped:
        text = QStringLiteral("остановлено");
        break;
    case State::BadSettings:
        text = QStringLiteral("не запущено: ") + m_w->detail;
        break;
    }
    if (!m_w->loadError.isEmpty()) text += QStringLiteral("; ") + m_w->loadError;
    if (!m_w->spoolError.isEmpty()) text += QStringLiteral("; не записывается очередь: ") + m_w->spoolError;
    if (m_w->dropped > 0) text += QStringLiteral("; потеряно событий: ") + QString::number(m_w->dropped);
    return text;
}

} // namespace vatrel
