// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/EventCatalogue.h"
#include "registry/Cp1251.h"
#include "registry/EventLog.h"

#include <array>
#include <iterator>

namespace vatrel {

namespace {

using E = EventCode;
using K = EventKind;
using A = AlarmWhen;
constexpr quint8 kNone = 0;
constexpr quint8 kAlarms = filterBit(LogFilter::Alarms);
constexpr quint8 kLink = filterBit(LogFilter::LinkLoss);
constexpr Colour kGreen = colours::event_green;
constexpr Colour kRed = colours::event_red;
constexpr Colour kDarkRed = colours::event_dark_red;
constexpr Colour kBlack = colours::black;

// In the order of EventCode. Events that share a code share its colour and filters: a record read
// back from a log has only the code.
constexpr EventInfo kEvents[] = {
    {E::SensorNormal, 0, K::Normal, kGreen, kNone, A::Never, u"Возврат в дежурное состояние датчика %2 № %1"},
    {E::LoopNormal1, 0, K::Normal, kGreen, kNone, A::Never, u"Возврат в норму 1 шлейфа датчика %2 № %1"},
    {E::LoopNormal2, 0, K::Normal, kGreen, kNone, A::Never, u"Возврат в норму 2 шлейфа датчика %2 № %1"},
    // The fault texts name the model the fault belongs to, whatever model reports it.
    {E::InsulationLow1, 2, K::Fault, kRed, kAlarms, A::Loop1Armed,
     u"Сопротивление изоляции первого чувствительного элемента датчика <Ватрел-Б> № %1 ниже нормы"},
    {E::InsulationLow2, 3, K::Fault, kRed, kAlarms, A::Loop2Armed,
     u"Сопротивление изоляции второго чувствительного элемента датчика <Ватрел-Б> № %1 ниже нормы"},
    {E::ElementBreak1, 4, K::Fault, kRed, kAlarms, A::Loop1Armed,
     u"Обрыв чувствительного элемента первого фланга датчика <Ватрел-Б> № %1"},
    {E::ElementBreak2, 5, K::Fault, kRed, kAlarms, A::Loop2Armed,
     u"Обрыв чувствительного элемента второго фланга датчика <Ватрел-Б> № %1"},
    {E::FlankImbalance12, 7, K::Fault, kRed, kAlarms, A::Loop1Armed,
     u"Недопустимый разбаланс флангов датчика <Ватрел-А> № %1. Ёмкость 1 фл. больше ёмкости 2"},
    {E::FlankImbalance21, 8, K::Fault, kRed, kAlarms, A::Loop2Armed,
     u"Недопустимый разбаланс флангов датчика <Ватрел-А> № %1. Ёмкость 2 фл. больше ёмкости 1"},
    {E::EepromError, 9, K::Fault, kRed, kAlarms, A::Always, u"Ошибка ППЗУ датчика %2 № %1"},
    {E::InsulationLowBreak1, 10, K::Fault, kRed, kAlarms, A::Loop1Armed,
     u"Сопротивление изоляции первого ЧЭ датчика <Ватрел-Б> № %1 ниже нормы. Обрыв первого ЧЭ"},
    {E::InsulationLowBreak2, 11, K::Fault, kRed, kAlarms, A::Loop2Armed,
     u"Сопротивление изоляции второго ЧЭ датчика <Ватрел-Б> № %1 ниже нормы. Обрыв второго ЧЭ"},
    // Raised only while the loop is armed, so always an alarm.
    {E::LoopAlarm1, 33, K::LoopAlarm, kRed, kAlarms, A::Always, u"Срабатывание 1 шлейфа датчика %2 № %1"},
    {E::LoopAlarm2, 33, K::LoopAlarm, kRed, kAlarms, A::Always, u"Срабатывание 2 шлейфа датчика %2 № %1"},
    {E::LinkLostSensor, 15, K::LinkLost, kDarkRed, kLink, A::EitherArmed, u"Нет связи с датчиком %2 № %1"},
    {E::NoLinkAfterConnect, 15, K::LinkLost, kDarkRed, kLink, A::Never, u"Нет связи с датчиком %2 № %1"},
    {E::LinkLostConverter, 15, K::LinkLost, kDarkRed, kLink, A::Never, u"Нет связи с преобразователем"},
    {E::LinkRestoredSensor, 32, K::LinkRestored, kGreen, kNone, A::Never,
     u"Восстановлена связь с датчиком %2 № %1"},
    {E::LinkRestoredConverter, 32, K::LinkRestored, kGreen, kNone, A::Never,
     u"Восстановлена связь с преобразователем"},
    {E::ArmLoop1, 16, K::Operator, kBlack, kNone, A::Never,
     u"Установка на охрану первого шлейфа датчика %2 № %1"},
    {E::ArmLoop2, 17, K::Operator, kBlack, kNone, A::Never,
     u"Установка на охрану второго шлейфа датчика %2 № %1"},
    {E::DisarmLoop1, 18, K::Operator, kBlack, kNone, A::Never,
     u"Снятие с охраны первого шлейфа датчика %2 № %1"},
    {E::DisarmLoop2, 19, K::Operator, kBlack, kNone, A::Never,
     u"Снятие с охраны второго шлейфа датчика %2 № %1"},
    {E::SensorConnected, 30, K::Operator, kBlack, kNone, A::Never, u"Датчик %2 № %1 подключён. Оператор: %3"},
    {E::SensorDisconnected, 31, K::Operator, kBlack, kNone, A::Never,
     u"Датчик %2 № %1 отключён. Оператор: %3"},
    // %3 is who took the duty and who had it: "Иванов (был Петров)", "Иванов", "снят (был Петров)".
    {E::ShiftChange, 23, K::Operator, kBlack, kNone, A::Never, u"Смена: дежурный %3"},
    // %3 is the alarm as it was listed, the reason and the comment (see OperatorActions). Neither an
    // alarm nor a link loss in the filters.
    {E::AlarmAcknowledged, 24, K::Operator, kBlack, kNone, A::Never, u"Подтверждение тревоги: %3"},
    // %3 is how many alarms were cleared.
    {E::AlarmsCleared, 25, K::Operator, kBlack, kNone, A::Never, u"Отбой тревог: %3"},
    // A timed disarm is a disarm (the same codes, so whatever counts disarms counts it); %3 is the
    // end, "14:30" or "09.12.2026 14:30".
    {E::TimedDisarmLoop1, 18, K::Operator, kBlack, kNone, A::Never,
     u"Снятие с охраны первого шлейфа датчика %2 № %1 до %3"},
    {E::TimedDisarmLoop2, 19, K::Operator, kBlack, kNone, A::Never,
     u"Снятие с охраны второго шлейфа датчика %2 № %1 до %3"},
    {E::TimedArmLoop1, 16, K::Operator, kBlack, kNone, A::Never,
     u"Установка на охрану первого шлейфа датчика %2 № %1 по окончании снятия на время"},
    {E::TimedArmLoop2, 17, K::Operator, kBlack, kNone, A::Never,
     u"Установка на охрану второго шлейфа датчика %2 № %1 по окончании снятия на время"},
    {E::ProgramStart, 20, K::Program, kBlack, kNone, A::Never, u"Начало работы"},
    {E::ProgramExit, 20, K::Program, kBlack, kNone, A::Never, u"Выход из программы"},
    {E::FeedNotUsed, 20, K::Program, kBlack, kNone, A::Never, u"Сервер MQTT не используется: %3"},
    {E::NotSavedAtExit, 20, K::Program, kBlack, kNone, A::Never, u"Не сохранено при выходе: %3"},
    // 21 sits with the service events (arming, start and exit) and has always been kept out of both
    // filters; 34 is listed with the alarms.
    {E::OldNotice, 21, K::Old, kBlack, kNone, A::Never, nullptr},
    {E::OldAlarm, 34, K::Old, kRed, kAlarms, A::Never, nullptr},
    // It goes through the filters with the records, so every filter keeps it.
    {E::ListingEnd, 46, K::Listing, kBlack, kAlarms | kLink, A::Never, nullptr},
};

constexpr bool indexedByEvent() {
    if (std::size(kEvents) != size_t(EventCode::Count)) return false;
    for (size_t i = 0; i < std::size(kEvents); ++i)
        if (kEvents[i].event != EventCode(i)) return false;
    return true;
}
static_assert(indexedByEvent(), "every EventCode needs its row, in enum order");

constexpr bool sharedCodesAgree() {
    for (const EventInfo& a : kEvents)
        for (const EventInfo& b : kEvents)
            if (a.code == b.code && (a.colour != b.colour || a.filters != b.filters)) return false;
    return true;
}
static_assert(sharedCodesAgree(), "events stored under one code must show alike");

// Per stored code (-128..127, at index code + 128): its colour and filters, every filter for a code
// without a row. Filtering runs for every record of a log, so it is one look-up.
struct CodeLook {
    Colour colour = colours::black;
    quint8 filters = kAlarms | kLink;
};

constexpr std::array<CodeLook, 256> makeLooks() {
    std::array<CodeLook, 256> looks{};
    for (const EventInfo& e : kEvents)
        looks[size_t(e.code + 128)] = {e.colour, e.filters};
    return looks;
}
constexpr std::array<CodeLook, 256> kLooks = makeLooks();

const CodeLook& lookOf(int storedCode) { return kLooks[size_t(quint8(qint8(storedCode)) ^ 0x80u)]; }

} // namespace

const EventInfo& eventInfo(EventCode event) {
    const size_t i = size_t(event);
    return kEvents[i < std::size(kEvents) ? i : size_t(EventCode::ListingEnd)];
}

qint8 storedCode(EventCode event) { return eventInfo(event).code; }

EventCode armCode(bool arm, int loop) {
    if (arm) return loop == 1 ? EventCode::ArmLoop1 : EventCode::ArmLoop2;
    return loop == 1 ? EventCode::DisarmLoop1 : EventCode::DisarmLoop2;
}

EventCode timedDisarmCode(int loop) { return loop == 1 ? E::TimedDisarmLoop1 : E::TimedDisarmLoop2; }

EventCode timedArmCode(int loop) { return loop == 1 ? E::TimedArmLoop1 : E::TimedArmLoop2; }

EventCode loopAlarmCode(int loop) { return loop == 1 ? EventCode::LoopAlarm1 : EventCode::LoopAlarm2; }

EventCode loopNormalCode(int loop) { return loop == 1 ? EventCode::LoopNormal1 : EventCode::LoopNormal2; }

std::optional<EventCode> faultEvent(int stateCode) {
    for (const EventInfo& e : kEvents)
        if (e.kind == EventKind::Fault && e.code == stateCode) return e.event;
    return std::nullopt;
}

bool isAlarm(EventCode event) { return eventInfo(event).alarm != AlarmWhen::Never; }

bool raisesAlarm(EventCode event, bool loop1Armed, bool loop2Armed) {
    switch (eventInfo(event).alarm) {
    case AlarmWhen::Never:
        return false;
    case AlarmWhen::Loop1Armed:
        return loop1Armed;
    case AlarmWhen::Loop2Armed:
        return loop2Armed;
    case AlarmWhen::EitherArmed:
        return loop1Armed || loop2Armed;
    case AlarmWhen::Always:
        return true;
    }
    return false;
}

bool inFilter(EventCode event, LogFilter filter) {
    return filter == LogFilter::All || (eventInfo(event).filters & filterBit(filter)) != 0;
}

bool inFilter(int storedCode, LogFilter filter) {
    return filter == LogFilter::All || (lookOf(storedCode).filters & filterBit(filter)) != 0;
}

bool knownCode(int storedCode) {
    for (const EventInfo& e : kEvents)
        if (e.code == storedCode) return true;
    return false;
}

int loopAlarmLoop(int storedCode, QByteArrayView storedText) {
    struct LoopAlarm {
        qint8 code;
        QByteArray prefix; // cp1251, up to the first placeholder
    };
    static const std::array<LoopAlarm, 2> alarms = [] {
        std::array<LoopAlarm, 2> out;
        for (int loop : {1, 2}) {
            const EventInfo& e = eventInfo(loopAlarmCode(loop));
            const QString text = QString::fromUtf16(e.text);
            out[size_t(loop - 1)] = {e.code, cp1251::encode(text.left(text.indexOf(u'%')))};
        }
        return out;
    }();
    for (int loop : {1, 2}) {
        const LoopAlarm& a = alarms[size_t(loop - 1)];
        if (a.code == storedCode && storedText.startsWith(a.prefix)) return loop;
    }
    return 0;
}

Colour colourOf(EventCode event) { return eventInfo(event).colour; }

Colour colourOf(int storedCode) { return lookOf(storedCode).colour; }

QString eventText(EventCode event, quint32 number, qint16 sensorType, const QString& detail) {
    const char16_t* p = eventInfo(event).text;
    QString out;
    for (; p && *p; ++p) {
        if (*p == u'%' && p[1] >= u'1' && p[1] <= u'3') {
            ++p;
            // Numbers print as signed 32-bit values, the same form as the log file names.
            out += *p == u'1' ? QString::number(qint32(number)) : *p == u'2' ? typeTag(sensorType) : detail;
        } else {
            out += QChar(*p);
        }
    }
    return out;
}

} // namespace vatrel
