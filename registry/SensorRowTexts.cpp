// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/SensorRowTexts.h"
#include "registry/EventLog.h"
#include "registry/NumberFormat.h"

#include <QDateTime>

namespace vatrel {

namespace {

QString loopText(LoopCell cell) {
    switch (cell) {
    case LoopCell::Normal:
        return QStringLiteral("Норма");
    case LoopCell::Alarm:
        return QStringLiteral("Тревога");
    case LoopCell::Blank:
        break;
    }
    return QString();
}

QString armedText(ArmedCell cell, const DisarmEnd& until) {
    switch (cell) {
    case ArmedCell::Armed:
        return QStringLiteral("Взят");
    case ArmedCell::Disarmed:
        if (until.endMs == 0) return QStringLiteral("Снят");
        return QStringLiteral("Снят до ") +
               QDateTime::fromMSecsSinceEpoch(until.endMs)
                   .toString(until.showDate ? QStringLiteral("dd.MM HH:mm") : QStringLiteral("HH:mm"));
    case ArmedCell::Blank:
        break;
    }
    return QString();
}

QString measureText(const MeasureCell& cell) {
    switch (cell.form) {
    case MeasureCell::Form::Stored:
        return formatGeneral(cell.value);
    case MeasureCell::Form::Fixed3:
        return formatFixed3(cell.value);
    case MeasureCell::Form::Whole:
        return QString::number(quint16(cell.value));
    case MeasureCell::Form::Blank:
        break;
    }
    return QString();
}

} // namespace

QString sensorHeaderText(int column) {
    switch (column) {
    case colPos:
        return QStringLiteral("№ п/п");
    case colAddress:
        return QStringLiteral("Адрес");
    case colType:
        return QStringLiteral("Датчик");
    case colLoop1:
        return QStringLiteral("Ш1");
    case colLoop2:
        return QStringLiteral("Ш2");
    case colThreshold1:
        return QStringLiteral("Порог 1");
    case colSignal1:
        return QStringLiteral("Сигнал 1");
    case colThreshold2:
        return QStringLiteral("Порог 2");
    case colSignal2:
        return QStringLiteral("Сигнал 2");
    case colState:
        return QStringLiteral("Состояние");
    case colArmed1:
        return QStringLiteral("На охране Ш1");
    case colArmed2:
        return QStringLiteral("На охране Ш2");
    default:
        return QString();
    }
}

QString sensorCellText(const SensorRow& row, int slot, int column) {
    switch (column) {
    case colPos:
        return QString::number(slot + 1);
    case colAddress:
        return row.identified ? QString::number(row.number) : QString();
    case colType:
        return row.identified ? typeName(row.type) : QString();
    case colLoop1:
        return loopText(row.loop1);
    case colLoop2:
        return loopText(row.loop2);
    case colThreshold1:
        return measureText(row.threshold1);
    case colSignal1:
        return measureText(row.signal1);
    case colThreshold2:
        return measureText(row.threshold2);
    case colSignal2:
        return measureText(row.signal2);
    case colState:
        return row.state == kNoStateCell ? QString() : stateText(row.state);
    case colArmed1:
        return armedText(row.armed1, row.until1);
    case colArmed2:
        return armedText(row.armed2, row.until2);
    default:
        return QString();
    }
}

QString stateText(int status) {
    switch (status & 0xFFFF) {
    case 0:
        return QStringLiteral("Норма");
    case 2:
        return QStringLiteral("Сопр.изол.ЧЭ1 ниже нормы");
    case 3:
        return QStringLiteral("Сопр.изол.ЧЭ2 ниже нормы");
    case 4:
        return QStringLiteral("Обрыв ЧЭ 1");
    case 5:
        return QStringLiteral("Обрыв ЧЭ 2");
    case 7:
        return QStringLiteral("Разбаланс фл.(1>2)");
    case 8:
        return QStringLiteral("Разбаланс фл.(2>1)");
    case 9:
        return QStringLiteral("Ошибка ППЗУ");
    case 10:
        return QStringLiteral("Сопр.изол.ЧЭ1 ниже нормы. Обрыв ЧЭ1");
    case 11:
        return QStringLiteral("Сопр.изол.ЧЭ2 ниже нормы. Обрыв ЧЭ2");
    case 15:
        return QStringLiteral("Нет связи");
    default:
        return QString();
    }
}

} // namespace vatrel
