// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/Converter.h"

#include "link/Frame.h"

#include <QFile>
#include <QStringList>
#include <QtEndian>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace vatrel::sim {

namespace {

constexpr quint16 kLayoutB = 2;
constexpr quint16 kLayoutA = 7;
constexpr quint16 kLayoutOscB = 0xC3;
constexpr quint16 kLayoutOscA = 0xC5;
// The line may hold back at most this much time's worth of characters for reports.
constexpr double kBudgetCapMs = 200;

quint32 floatBits(float v) {
    quint32 bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

float bitsFloat(quint32 bits) {
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

// A 32-bit value as four words, one byte per word, least significant first.
void appendBytes(std::vector<quint16>& w, quint32 v) {
    for (int i = 0; i < 4; ++i)
        w.push_back(quint16((v >> (8 * i)) & 0xFF));
}

QByteArray finish(char start, std::vector<quint16> w) {
    w.push_back(frame::checksum(w.data(), int(w.size())));
    return frame::encode(start, w.data(), int(w.size()));
}

} // namespace

Converter::Converter(quint32 seed) : m_rng(seed) {}

int Converter::mappedCount() const {
    int n = 0;
    for (const MapEntry& e : m_map)
        n += e.device_code != 0 && e.factory_number != 0;
    return n;
}

VirtualSensor& Converter::sensor(quint16 address) {
    auto it = m_sensors.find(address);
    if (it == m_sensors.end()) {
        VirtualSensor s;
        s.address = address;
        s.typeB = m_knownTypes.value(address, true);
        s.phase = m_rng.generateDouble() * 2 * std::numbers::pi;
        it = m_sensors.insert(address, s);
    }
    return it.value();
}

void Converter::setKnownType(quint16 address, bool typeB) {
    m_knownTypes[address] = typeB;
    auto it = m_sensors.find(address);
    if (it != m_sensors.end()) it->typeB = typeB;
}

void Converter::loadTypesFromHw(QByteArrayView hw) {
    for (int s = 0; s < kMapSize && 6 * s + 6 <= hw.size(); ++s) {
        const char* p = hw.data() + 6 * s;
        const quint32 number = qFromLittleEndian<quint32>(p);
        const qint16 type = qFromLittleEndian<qint16>(p + 4);
        if (number != 0) setKnownType(quint16(number & 0xFFFF), type != 0);
    }
}

void Converter::reloadHwTypes() {
    if (m_hwPath.isEmpty()) return;
    QFile f(m_hwPath);
    if (f.open(QIODevice::ReadOnly)) loadTypesFromHw(f.readAll());
}

int Converter::slotOf(quint16 address) const {
    for (int i = 0; i < kMapSize; ++i)
        if (m_map[i].device_code != 0 && m_map[i].factory_number == address) return i;
    return -1;
}

// --- line side -------------------------------------------------------------------------------

void Converter::receive(QByteArrayView bytes) {
    for (char ch : bytes) {
        if (m_silent) continue; // a dead converter hears nothing
        if (ch == ':') {
            m_inFrame = true;
            m_rx.clear();
        } else if (!m_inFrame) {
            continue;
        } else if (ch == '\n' && m_rx.endsWith('\r')) {
            m_rx.chop(1);
            m_inFrame = false;
            handleCommand(m_rx);
            m_rx.clear();
        } else if (m_rx.size() < 4 * 1024 + 4) {
            m_rx.append(ch);
        } else {
            m_inFrame = false; // runaway text: drop it
            m_rx.clear();
        }
    }
}

void Converter::handleCommand(const QByteArray& text) {
    // A frame that fails its check is not answered; the console times out and repeats it.
    if (text.size() < 6 || !frame::check(text.constData(), int(text.size()))) return;
    const int nWords = int(text.size() - 2) / 4; // words before the checksum
    auto w = [&](int k) -> quint16 { return k < nWords ? frame::wordAt(text.constData(), 4 * k) : 0; };
    const quint8 code = quint8(w(0) & 0xFF);

    switch (code) {
    case 0x42: { // address map entry: index 1..200, factory number, device code
        const int index = w(1);
        if (index >= 1 && index <= kMapSize) {
            if (index == 1) reloadHwTypes();
            m_map[index - 1] = {quint8(w(3) & 0xFF), w(2)};
        }
        reply(code, 1, quint16(index));
        return;
    }
    case 0x43: { // sensor connected: slot, factory number, device code
        const int slot = w(1);
        if (slot < kMapSize) {
            reloadHwTypes(); // the console saves its hardware file before it sends this
            m_map[slot] = {quint8(w(3) & 0xFF), w(2)};
        }
        break;
    }
    case 0x44: { // sensor disconnected: slot
        const int slot = w(1);
        if (slot < kMapSize) {
            if (slot == m_oscSlot) m_oscSlot = -1;
            m_map[slot] = {};
        }
        break;
    }
    case 0x45: { // DC components of a type B sensor, two floats split into 16-bit halves
        const int slot = w(1);
        if (slot < kMapSize && m_map[slot].factory_number != 0 && nWords >= 6) {
            VirtualSensor& s = sensor(m_map[slot].factory_number);
            s.dc1 = bitsFloat(quint32(w(2)) | quint32(w(3)) << 16);
            s.dc2 = bitsFloat(quint32(w(4)) | quint32(w(5)) << 16);
        }
        break;
    }
    case 0x46: { // DC component of a type A sensor
        const int slot = w(1);
        if (slot < kMapSize && m_map[slot].factory_number != 0) sensor(m_map[slot].factory_number).dcA = w(2);
        break;
    }
    case 0x47: { // oscillogram on: slot, factory number
        const int slot = w(1);
        if (slot < kMapSize) {
            m_oscSlot = slot;
            m_oscAddress = nWords >= 3 && w(2) != 0 ? w(2) : m_map[slot].factory_number;
            m_nextOsc = double(m_now);
        }
        reply(code, 1, quint16(slot));
        return;
    }
    case 0x48: // oscillogram off
        m_oscSlot = -1;
        m_oscAddress = 0;
        break;
    default: // 0x41 poll and anything else: a plain confirmation
        break;
    }
    reply(code, 0);
}

void Converter::reply(quint8 code, int dataWords, quint16 word1) {
    std::vector<quint16> w{quint16(0x0100 | code)};
    if (dataWords > 0) w.push_back(word1);
    ++m_answered;
    ++m_answeredByCode[code];
    send(finish(':', std::move(w)), false);
}

void Converter::send(const QByteArray& frame, bool) {
    m_out.append(frame);
    m_budget -= double(frame.size());
}

QByteArray Converter::takeOutput() {
    QByteArray out;
    out.swap(m_out);
    return out;
}

// --- reports ---------------------------------------------------------------------------------

std::array<float, 8> Converter::values(const VirtualSensor& s) const {
    const double t = double(m_now) / 1000.0;
    const double pi2 = 2 * std::numbers::pi;
    std::array<float, 8> v{};
    if (s.typeB) {
        double t1 = 1.0 + s.dc1, t2 = 1.0 + s.dc2;
        double s1 =
            0.30 + 0.06 * std::sin(pi2 * t / 20 + s.phase) + 0.02 * std::sin(pi2 * t * 0.7) + s.drift1;
        double s2 =
            0.28 + 0.06 * std::sin(pi2 * t / 23 + s.phase + 1) + 0.02 * std::sin(pi2 * t * 0.9) + s.drift2;
        if (s.pinned) {
            t1 = s.pinnedValues[0];
            t2 = s.pinnedValues[1];
            s1 = s.pinnedValues[2];
            s2 = s.pinnedValues[3];
        } else {
            // A loop in alarm means its signal went over the threshold.
            if (s.loop1) s1 = t1 * 1.35 + 0.05 * std::sin(pi2 * t / 2);
            if (s.loop2) s2 = t2 * 1.35 + 0.05 * std::sin(pi2 * t / 2 + 1);
        }
        const double z1 = 2.048 + 0.004 * std::sin(pi2 * t / 60 + s.phase);
        const double z2 = 2.052 + 0.004 * std::sin(pi2 * t / 70 + s.phase);
        v = {float(t1),      float(t2),      float(s1), float(s2),
             float(z1 + s1), float(z2 + s2), float(z1), float(z2)};
    } else {
        double thr = s.dcA != 0 ? s.dcA : 300;
        double sig = 120 + 25 * std::sin(pi2 * t / 20 + s.phase) + 100 * s.drift1;
        if (s.pinned) {
            thr = s.pinnedValues[0];
            sig = s.pinnedValues[2];
        } else if (s.loop1 || s.loop2) {
            sig = thr + 40;
        }
        thr = std::clamp(std::round(thr), 0.0, 65535.0);
        sig = std::clamp(std::round(sig), 0.0, 65535.0);
        v[0] = v[1] = float(thr);
        v[2] = v[3] = float(sig);
    }
    return v;
}

QByteArray Converter::statusReport(int slot, const VirtualSensor& s, bool osc) {
    const quint16 layout = s.typeB ? (osc ? kLayoutOscB : kLayoutB) : (osc ? kLayoutOscA : kLayoutA);
    const quint16 statusByte = quint16((s.loop1 ? 0x80 : 0) | (s.loop2 ? 0x40 : 0) | (s.state & 0x3F));
    std::vector<quint16> w{quint16(0x0100 | (osc ? 0x42 : 0x41)), quint16(qMax(slot, 0)), s.address, layout,
                           statusByte};
    const std::array<float, 8> v = values(s);
    if (s.typeB) {
        const int n = osc ? 8 : 4;
        for (int i = 0; i < n; ++i)
            appendBytes(w, floatBits(v[i]));
    } else {
        const quint32 thr = quint32(v[0]);
        const quint32 sig = quint32(v[2]);
        appendBytes(w, (thr & 0xFFFF) | (sig & 0xFFFF) << 16);
    }
    return finish('~', std::move(w));
}

QByteArray Converter::shortReport(quint8 code, int slot, quint16 address) {
    return finish('~', {quint16(0x0100 | code), quint16(qMax(slot, 0)), address});
}

void Converter::sendNextStatus() {
    for (int tried = 0; tried < kMapSize; ++tried) {
        const int slot = m_cursor;
        m_cursor = (m_cursor + 1) % kMapSize;
        const MapEntry& e = m_map[slot];
        if (e.device_code == 0 || e.factory_number == 0) continue;
        VirtualSensor& s = sensor(e.factory_number);
        if (s.absent) {
            send(shortReport(0xFF, slot, s.address), true);
            return;
        }
        if (slot == m_oscSlot && s.address == m_oscAddress)
            continue; // its oscillogram samples carry its status
        if (m_storm && !m_stormOnly.isEmpty() && !m_stormOnly.contains(s.address)) continue;
        if (m_storm) s.loop1 = !s.loop1;
        send(statusReport(slot, s, false), true);
        return;
    }
}

qint64 Converter::nextDueMs() const {
    if (m_silent || !m_started) return -1;
    double due = -1;
    if (m_oscSlot >= 0 && m_oscAddress != 0) due = m_nextOsc;
    if (mappedCount() > 0) due = due < 0 ? m_nextStatus : qMin(due, m_nextStatus);
    if (due < 0) return -1;
    if (m_budget <= 0) // the line is full: wait until it has room for a character again
        due = qMax(due, double(m_now) + (1 - m_budget) / kLineCharsPerMs);
    return qint64(std::ceil(due));
}

void Converter::advance(qint64 nowMs) {
    if (!m_started) {
        m_started = true;
        m_now = nowMs;
        m_lastDrift = nowMs;
        m_nextStatus = double(nowMs);
        m_nextOsc = double(nowMs);
    }
    const qint64 dt = qMax<qint64>(0, nowMs - m_now);
    m_now = nowMs;
    m_budget = qMin(m_budget + double(dt) * kLineCharsPerMs, kBudgetCapMs * kLineCharsPerMs);

    // Slow random walk of every sensor's signals, ten steps a second. After a long idle spell the
    // walk only takes its last ten seconds of steps.
    m_lastDrift = qMax(m_lastDrift, nowMs - 10000);
    while (nowMs - m_lastDrift >= 100) {
        m_lastDrift += 100;
        for (VirtualSensor& s : m_sensors) {
            s.drift1 = std::clamp(s.drift1 + (m_rng.generateDouble() - 0.5) * 0.004, -0.04, 0.04);
            s.drift2 = std::clamp(s.drift2 + (m_rng.generateDouble() - 0.5) * 0.004, -0.04, 0.04);
        }
    }

    if (m_silent) return;

    // The oscillogram goes first: its samples must keep their rate.
    if (m_oscSlot >= 0 && m_oscAddress != 0) {
        if (double(nowMs) - m_nextOsc > 1000) m_nextOsc = double(nowMs);
        while (m_nextOsc <= double(nowMs) && m_budget > 0) {
            VirtualSensor& s = sensor(m_oscAddress);
            send(s.absent ? shortReport(0xFF, m_oscSlot, s.address) : statusReport(m_oscSlot, s, true), true);
            m_nextOsc += m_oscPeriodMs;
        }
    }

    const int n = mappedCount();
    if (n == 0) {
        m_nextStatus = double(nowMs);
        return;
    }
    const double interval = double(m_statusPeriodMs) / n;
    if (double(nowMs) - m_nextStatus > m_statusPeriodMs)
        m_nextStatus = double(nowMs); // fell behind (line full or clock jump): do not burst
    // Reports wait for room on the line; replies never do.
    while (m_nextStatus <= double(nowMs) && m_budget > 0) {
        sendNextStatus();
        m_nextStatus += interval;
    }
}

// --- control ---------------------------------------------------------------------------------

QString Converter::helpText() {
    return QStringLiteral(
        "Commands (<n> is a sensor's factory number):\n"
        "  state <n> <code>          set the state code (0 normal, 2-5, 7-11 faults, 9 EEPROM error)\n"
        "  alarm <n> <1|2> on|off    put a loop into alarm or back to normal\n"
        "  cut <n> / restore <n>     lose the sensor (no-link reports) / find it again\n"
        "  type <n> A|B              set the sensor's type\n"
        "  values <n> <t1> <t2> <s1> <s2> | values <n> auto   pin or free thresholds and signals\n"
        "  silent / resume           the converter stops answering / comes back\n"
        "  corrupt                   send one report with a wrong checksum\n"
        "  storm on|off              every status report flips loop 1 of its sensor (alarm storm)\n"
        "  storm <count>             the same on the last <count> type B sensors of the map alone\n"
        "  osc <slot> / osc off      start (as if the console had asked) / stop the oscillogram\n"
        "  kserr <n> / timeout <n>   report one bus checksum error / time-out for the sensor\n"
        "  rate <ms>                 status report period of each sensor (default 1000)\n"
        "  oscrate <per second>      oscillogram sample rate (default 20)\n"
        "  list                      show the address map and the sensors\n"
        "  wait <ms>                 (scripts) pause before the next line\n"
        "  help, quit\n");
}

QString Converter::control(const QString& line, bool* ok) {
    const QStringList a = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    auto fail = [&](const QString& why) {
        if (ok) *ok = false;
        return why;
    };
    if (ok) *ok = true;
    if (a.isEmpty() || a[0].startsWith(QLatin1Char('#'))) return QString();
    const QString cmd = a[0].toLower();
    auto number = [&](int i, bool* good) -> quint16 {
        const quint32 n = i < a.size() ? a[i].toUInt(good) : 0;
        if (i >= a.size()) *good = false;
        return quint16(n & 0xFFFF);
    };
    bool good = true;

    if (cmd == QLatin1String("help")) return helpText();
    if (cmd == QLatin1String("quit") || cmd == QLatin1String("exit")) {
        m_quit = true;
        return QStringLiteral("bye");
    }
    if (cmd == QLatin1String("silent")) {
        m_silent = true;
        m_inFrame = false;
        return QStringLiteral("converter silent");
    }
    if (cmd == QLatin1String("storm") && a.size() == 2 &&
        (a[1] == QLatin1String("on") || a[1] == QLatin1String("off"))) {
        m_storm = a[1] == QLatin1String("on");
        m_stormOnly.clear();
        return m_storm ? QStringLiteral("storm on") : QStringLiteral("storm off");
    }
    if (cmd == QLatin1String("storm") && a.size() == 2) {
        // A storm on a few loops at the line's whole rate: the other sensors fall silent meanwhile.
        const int count = a[1].toInt(&good);
        if (!good || count <= 0) return fail(QStringLiteral("usage: storm on|off|<count>"));
        m_stormOnly.clear();
        for (int slot = kMapSize - 1; slot >= 0 && m_stormOnly.size() < count; --slot)
            if (m_map[slot].device_code != 0 && m_map[slot].factory_number != 0 &&
                sensor(m_map[slot].factory_number).typeB)
                m_stormOnly << m_map[slot].factory_number;
        if (m_stormOnly.isEmpty()) return fail(QStringLiteral("storm: no type B sensor mapped"));
        m_storm = true;
        return QStringLiteral("storm on %1 type B sensors").arg(m_stormOnly.size());
    }
    if (cmd == QLatin1String("osc") && a.size() == 2) {
        // The same reply the console's own request gets, so the console takes the slot up.
        if (a[1] == QLatin1String("off")) {
            m_oscSlot = -1;
            m_oscAddress = 0;
            reply(0x48, 0);
            return QStringLiteral("oscillogram off");
        }
        const int slot = a[1].toInt(&good);
        if (!good || slot < 0 || slot >= kMapSize || m_map[slot].factory_number == 0)
            return fail(QStringLiteral("osc: no sensor mapped in that slot"));
        m_oscSlot = slot;
        m_oscAddress = m_map[slot].factory_number;
        m_nextOsc = double(m_now);
        reply(0x47, 1, quint16(slot));
        return QStringLiteral("oscillogram on");
    }
    if (cmd == QLatin1String("resume")) {
        m_silent = false;
        return QStringLiteral("converter answering");
    }
    if (cmd == QLatin1String("corrupt")) {
        if (m_silent) return fail(QStringLiteral("silent: nothing sent"));
        QByteArray f;
        for (int slot = 0; slot < kMapSize && f.isEmpty(); ++slot)
            if (m_map[slot].device_code != 0 && m_map[slot].factory_number != 0)
                f = statusReport(slot, sensor(m_map[slot].factory_number), false);
        if (f.isEmpty()) f = shortReport(0xFE, 0, 0);
        // Add one to the checksum byte (the two characters before CR LF).
        const int at = int(f.size()) - 4;
        const int cs = (frame::charToNibble(f[at]) << 4 | frame::charToNibble(f[at + 1])) + 1;
        f[at] = frame::nibbleToChar(cs >> 4);
        f[at + 1] = frame::nibbleToChar(cs);
        send(f, true);
        return QStringLiteral("sent a frame with a wrong checksum");
    }
    if (cmd == QLatin1String("rate") || cmd == QLatin1String("oscrate")) {
        const int v = a.size() > 1 ? a[1].toInt(&good) : 0;
        if (!good || v <= 0) return fail(QStringLiteral("usage: %1 <number>").arg(cmd));
        if (cmd == QLatin1String("rate"))
            setStatusPeriodMs(v);
        else
            setOscRate(v);
        return QStringLiteral("ok");
    }
    if (cmd == QLatin1String("list")) {
        QString out;
        for (int slot = 0; slot < kMapSize; ++slot) {
            const MapEntry& e = m_map[slot];
            if (e.device_code == 0 || e.factory_number == 0) continue;
            const VirtualSensor& s = sensor(e.factory_number);
            out += QStringLiteral("slot %1: %2 type %3 state %4 loops %5/%6%7%8\n")
                       .arg(slot + 1)
                       .arg(s.address)
                       .arg(s.typeB ? QLatin1Char('B') : QLatin1Char('A'))
                       .arg(s.state)
                       .arg(s.loop1 ? QLatin1String("alarm") : QLatin1String("normal"))
                       .arg(s.loop2 ? QLatin1String("alarm") : QLatin1String("normal"))
                       .arg(s.absent ? QLatin1String(" cut") : QString())
                       .arg(slot == m_oscSlot ? QLatin1String(" oscillogram") : QString());
        }
        out += QStringLiteral("%1 sensors mapped%2")
                   .arg(mappedCount())
                   .arg(m_silent ? QLatin1String(", silent") : QLatin1String(""));
        return out;
    }

    // Commands on one sensor.
    const quint16 address = number(1, &good);
    if (!good || address == 0)
        return fail(QStringLiteral("unknown command or missing sensor number; try help"));
    if (cmd == QLatin1String("state")) {
        const int code = a.size() > 2 ? a[2].toInt(&good) : -1;
        if (!good || code < 0 || code > 63) return fail(QStringLiteral("usage: state <n> <0-63>"));
        sensor(address).state = code;
    } else if (cmd == QLatin1String("alarm")) {
        const QString onOff = a.size() > 3 ? a[3].toLower() : QString();
        const QString loop = a.size() > 2 ? a[2] : QString();
        if ((loop != QLatin1String("1") && loop != QLatin1String("2")) ||
            (onOff != QLatin1String("on") && onOff != QLatin1String("off")))
            return fail(QStringLiteral("usage: alarm <n> <1|2> on|off"));
        (loop == QLatin1String("1") ? sensor(address).loop1 : sensor(address).loop2) =
            onOff == QLatin1String("on");
    } else if (cmd == QLatin1String("cut")) {
        sensor(address).absent = true;
    } else if (cmd == QLatin1String("restore")) {
        sensor(address).absent = false;
    } else if (cmd == QLatin1String("type")) {
        const QString t = a.size() > 2 ? a[2].toUpper() : QString();
        if (t != QLatin1String("A") && t != QLatin1String("B"))
            return fail(QStringLiteral("usage: type <n> A|B"));
        setKnownType(address, t == QLatin1String("B"));
        sensor(address).typeB = t == QLatin1String("B");
    } else if (cmd == QLatin1String("values")) {
        VirtualSensor& s = sensor(address);
        if (a.size() == 3 && a[2].toLower() == QLatin1String("auto")) {
            s.pinned = false;
        } else {
            if (a.size() != 6)
                return fail(QStringLiteral("usage: values <n> <t1> <t2> <s1> <s2> | values <n> auto"));
            std::array<float, 4> v{};
            for (int i = 0; i < 4; ++i) {
                v[i] = a[2 + i].toFloat(&good); // C locale: a point is the separator
                if (!good) return fail(QStringLiteral("not a number: %1").arg(a[2 + i]));
            }
            s.pinned = true;
            s.pinnedValues = v;
        }
    } else if (cmd == QLatin1String("kserr") || cmd == QLatin1String("timeout")) {
        if (m_silent) return fail(QStringLiteral("silent: nothing sent"));
        send(shortReport(cmd == QLatin1String("kserr") ? 0xFD : 0xFE, slotOf(address), address), true);
    } else {
        return fail(QStringLiteral("unknown command; try help"));
    }
    return QStringLiteral("ok");
}

} // namespace vatrel::sim
