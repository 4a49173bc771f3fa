// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <array>

namespace vatrel {

constexpr int kSlots = 200;

// One slot of the sensor table and one record of a sensor's settings file: a 232-byte
// little-endian image (see encode/decode for the offsets). Padding is written as zero bytes.
struct SensorRecord {
    static constexpr int kSize = 232;

    quint8 mark = 0;                      // 0
    quint32 factory_number = 0;           // 4; 0 = empty slot
    qint16 sensor_type = 0;               // 8; 0 = type A, otherwise type B
    qint16 slot_index = 0;                // 10
    double connected_at = 0;              // 16
    qint16 connected_by = 0;              // 24
    double disconnected_at = 0;           // 32
    qint16 disconnected_by = 0;           // 40
    quint32 reserved44 = 0;               // 44
    quint8 loop1_armed = 0;               // 48
    quint8 loop2_armed = 0;               // 49
    qint32 status = 0;                    // 52
    quint8 loop1_alarm = 0;               // 56
    quint8 loop2_alarm = 0;               // 57
    float threshold1 = 0;                 // 60
    float threshold2 = 0;                 // 64
    float dc_component1 = 0;              // 68
    float dc_component2 = 0;              // 72
    float signal1_a = 0;                  // 76
    float signal2_a = 0;                  // 80
    float signal1_b = 0;                  // 84
    float signal2_b = 0;                  // 88
    qint16 link_up = 0;                   // 92
    qint16 osc_command = 0;               // 94
    qint16 osc_active = 0;                // 96
    std::array<qint16, 7> reserved98{};   // 98..111
    std::array<qint32, 10> reserved112{}; // 112..151
    std::array<qint32, 10> reserved152{}; // 152..191
    std::array<float, 10> osc_values{};   // 192..231

    bool occupied() const { return factory_number != 0; }
    bool isTypeB() const { return sensor_type != 0; }

    QByteArray encode() const;
    // Decodes the first kSize bytes of `bytes`; returns false (and leaves *this) when fewer are given.
    bool decode(QByteArrayView bytes);

    // The start-up default of every slot.
    static SensorRecord startupDefault();
    // Clears the live fields the way the exit sequence does before the final save.
    void resetLiveState();
};

// One event: the unit of every log file, 328 bytes.
struct EventRecord {
    static constexpr int kSize = 328;
    static constexpr int kTextSize = 290;

    quint8 mark = 1;            // 0
    quint32 factory_number = 0; // 4
    double time = 0;            // 8
    qint8 code = 0;             // 16
    QString text;               // 38, cp1251, NUL-terminated

    QByteArray encode() const;
    bool decode(QByteArrayView bytes);
};

// One record of the operator list file, 40 bytes.
struct OperatorRecord {
    static constexpr int kSize = 40;
    static constexpr int kSurnameSize = 38;

    quint8 mark = 1;
    quint8 deleted = 0;
    QString surname; // cp1251 in the file, NUL-terminated

    QByteArray encode() const;
    bool decode(QByteArrayView bytes);
};

// Little-endian field access used by the codecs.
namespace le {
quint16 u16(const char* p);
quint32 u32(const char* p);
double f64(const char* p);
float f32(const char* p);
void put16(char* p, quint16 v);
void put32(char* p, quint32 v);
void putF32(char* p, float v);
void putF64(char* p, double v);
} // namespace le

} // namespace vatrel
