// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QMap>
#include <QRandomGenerator>
#include <QString>
#include <array>

namespace vatrel::sim {

// One virtual sensor behind the converter, known by its bus address (the low 16 bits of its
// factory number).
struct VirtualSensor {
    quint16 address = 0;
    bool typeB = true;
    int state = 0;       // state code, bits 0-5 of the status byte
    bool loop1 = false;  // loop 1 in alarm
    bool loop2 = false;  // loop 2 in alarm
    bool absent = false; // the converter has lost it: REPORT_NO_LINK instead of status
    float dc1 = 0, dc2 = 0;
    quint16 dcA = 0;
    // Pinned values (thresholds 1 and 2, signals 1 and 2); when not pinned they drift.
    bool pinned = false;
    std::array<float, 4> pinnedValues{};
    double phase = 0; // offset of the slow wave, so sensors do not move in step
    double drift1 = 0, drift2 = 0;
};

// The bus converter as seen from the serial line: takes command frames, answers them, keeps its
// address map and sends sensor reports on its own. Pure logic without I/O or clocks: the owner
// feeds received bytes, advances time and takes the bytes to transmit.
class Converter {
public:
    static constexpr int kMapSize = 200;
    // 115200 baud at 10 bits per character.
    static constexpr double kLineCharsPerMs = 11.52;

    struct MapEntry {
        quint8 device_code = 0;
        quint16 factory_number = 0;
    };

    explicit Converter(quint32 seed = 1);

    // Bytes from the console. Every complete valid ':' command is answered at once.
    void receive(QByteArrayView bytes);
    // Advances the converter's clock to `nowMs` (monotonic) and queues the reports that fell due.
    void advance(qint64 nowMs);
    // Everything queued for the line since the last call.
    QByteArray takeOutput();
    // The earliest clock time at which advance() may have something to send; -1 while nothing is
    // scheduled (silent, or no sensor mapped and no oscillogram). Changes with received commands
    // and control commands, so ask again after those.
    qint64 nextDueMs() const;

    // A control command ("alarm 1001 1 on", "silent", "help", …). Returns the text to print;
    // `ok` is false for a command that was not understood.
    QString control(const QString& line, bool* ok = nullptr);
    static QString helpText();
    bool quitRequested() const { return m_quit; }

    // Sensor types known in advance (from a hardware file); addresses not listed default to type B.
    void setKnownType(quint16 address, bool typeB);
    // Reads data/hw.dat-style contents (200 × {u32 number, i16 type}, then the port index).
    void loadTypesFromHw(QByteArrayView hw);
    void setHwPath(const QString& path) { m_hwPath = path; }

    void setStatusPeriodMs(int ms) { m_statusPeriodMs = qMax(10, ms); }
    int statusPeriodMs() const { return m_statusPeriodMs; }
    void setOscRate(int perSecond) { m_oscPeriodMs = 1000.0 / qBound(1, perSecond, 200); }

    const std::array<MapEntry, kMapSize>& map() const { return m_map; }
    int mappedCount() const;
    bool silent() const { return m_silent; }
    int oscSlot() const { return m_oscSlot; }
    quint16 oscAddress() const { return m_oscAddress; }
    VirtualSensor& sensor(quint16 address);
    const QMap<quint16, VirtualSensor>& sensors() const { return m_sensors; }
    int commandsAnswered() const { return m_answered; }
    int commandsAnswered(quint8 code) const { return m_answeredByCode[code]; }

    // Frame building, exposed for the tests: a '~' report of a sensor in slot `slot`.
    QByteArray statusReport(int slot, const VirtualSensor& s, bool osc);
    static QByteArray shortReport(quint8 code, int slot, quint16 address);
    // Measured values now: threshold 1, threshold 2, signal 1, signal 2, raw 1, raw 2, zero 1, zero 2.
    std::array<float, 8> values(const VirtualSensor& s) const;

private:
    void handleCommand(const QByteArray& text);
    void reply(quint8 code, int dataWords, quint16 word1 = 0);
    void send(const QByteArray& frame, bool isReport);
    void reloadHwTypes();
    int slotOf(quint16 address) const;
    void sendNextStatus();

    std::array<MapEntry, kMapSize> m_map{};
    QMap<quint16, VirtualSensor> m_sensors;
    QMap<quint16, bool> m_knownTypes;
    QString m_hwPath;
    QRandomGenerator m_rng;

    QByteArray m_rx;
    bool m_inFrame = false;
    QByteArray m_out;

    bool m_silent = false;
    bool m_storm = false;       // every status report flips loop 1 of its sensor
    QList<quint16> m_stormOnly; // when not empty, only these sensors report during the storm
    bool m_quit = false;
    int m_answered = 0;
    std::array<int, 256> m_answeredByCode{};

    qint64 m_now = 0;
    bool m_started = false;
    double m_budget = 0; // characters the line can carry right now
    int m_statusPeriodMs = 1000;
    double m_nextStatus = 0;
    int m_cursor = 0; // next map slot in the round of status reports
    double m_oscPeriodMs = 50;
    double m_nextOsc = 0;
    int m_oscSlot = -1;
    quint16 m_oscAddress = 0;
    qint64 m_lastDrift = 0;
};

} // namespace vatrel::sim
