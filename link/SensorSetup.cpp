// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/SensorSetup.h"
#include "registry/Cp1251.h"
#include "registry/Storage.h"

namespace vatrel {

namespace {

// A surname without the blanks before and after it.
QString trimmedSurname(const QString& s) {
    qsizetype from = 0, to = s.size();
    while (from < to && s.at(from).category() == QChar::Separator_Space)
        ++from;
    while (to > from && s.at(to - 1).category() == QChar::Separator_Space)
        --to;
    return s.mid(from, to - from);
}

} // namespace

int addOperator(Console& c, const std::function<QString()>& askSurname) {
    OperatorList& list = c.operators;
    if (list.operator_count >= kOperatorsMax) {
        c.error(QStringLiteral("Слишком много фамилий испытателей"));
        return -1;
    }
    const QString answer = askSurname ? askSurname() : QString();
    if (answer.isEmpty()) return -1;
    // A pasted tab or line break would be stored and copied into every later event text and listing.
    for (const QChar ch : answer) {
        if (ch.category() == QChar::Other_Control) {
            c.error(QStringLiteral("В фамилии есть управляющие знаки (табуляция, перевод строки); "
                                   "повторите ввод"));
            return -1;
        }
    }
    const QString typed = trimmedSurname(answer);
    if (typed.isEmpty()) {
        c.error(QStringLiteral("Фамилия не может состоять из одних пробелов"));
        return -1;
    }
    if (typed.size() > 16) {
        c.error(QStringLiteral("Слишком длинное имя"));
        return -1;
    }
    // Surnames are compared as they will stand in the file, byte for byte.
    const QByteArray bytes = cp1251::encode(typed);
    // A letter the file's code page lacks would be stored as a substitute and shown changed.
    if (cp1251::decode(bytes) != typed) {
        c.error(QStringLiteral("В фамилии есть знаки, которые нельзя сохранить"));
        return -1;
    }
    // Surnames stored with blanks round them (by earlier versions) are the same operator too.
    for (int i = 0; i < list.operator_count; ++i) {
        if (cp1251::encode(trimmedSurname(list.entries[size_t(i)].surname)) == bytes) {
            c.error(QStringLiteral("Уже есть такой испытатель"));
            return -1;
        }
    }
    const qint16 id = qint16(list.operator_records);
    list.entries[size_t(list.operator_count)] = {1, cp1251::decode(bytes), id};
    ++list.operator_count;
    ++list.operator_records;
    storeNewOperator(c);
    loadOperators(c);
    // The reloaded list holds the new surname only if the file took it.
    for (int i = 0; i < list.operator_count; ++i)
        if (list.entries[size_t(i)].operator_id == id) return i;
    return -1;
}

bool deleteOperator(Console& c, int index) {
    if (!c.ui ||
        !c.ui->question(QStringLiteral("Удаление"),
                        QStringLiteral("Вы действительно хотите удалить фамилию этого испытателя ?")))
        return false;
    if (index < 0 || index >= c.operators.operator_count) return false;
    storeOperatorDeletion(c, c.operators.entries[size_t(index)].operator_id);
    loadOperators(c);
    return true;
}

} // namespace vatrel
