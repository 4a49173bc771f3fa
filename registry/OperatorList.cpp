// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/OperatorList.h"
#include "registry/Cp1251.h"
#include "registry/RecordFile.h"
#include "registry/RegularFile.h"
#include "registry/Records.h"

#include <QFile>

namespace vatrel {

namespace {

// Operator IDs are 16-bit: records beyond the last ID are not the list's.
constexpr int kOperatorRecordsMax = 32768;

QString chopPath(const QString& dataDir) { return dataDir + QStringLiteral("/data/chop.dat"); }

void error(ConsoleUi* ui, const QString& text) {
    if (ui) ui->message(QStringLiteral("Ошибка"), text, ConsoleUi::Icon::Error);
}

bool operatorIdInFile(const QFile& f, qint16 operator_id) {
    return operator_id >= 0 && (qint64(operator_id) + 1) * OperatorRecord::kSize <= f.size();
}

// A surname without the blanks before and after it.
QString trimmedSurname(const QString& s) {
    qsizetype from = 0, to = s.size();
    while (from < to && s.at(from).category() == QChar::Separator_Space)
        ++from;
    while (to > from && s.at(to - 1).category() == QChar::Separator_Space)
        --to;
    return s.mid(from, to - from);
}

// Marks record `operator_id` deleted; an ID that names no record in the file changes nothing.
void storeDeletion(const QString& dataDir, ConsoleUi* ui, qint16 operator_id) {
    const QString path = chopPath(dataDir);
    QFile f(path);
    if (!openRegularFile(f, QIODevice::ReadWrite | QIODevice::ExistingOnly)) {
        error(ui, QStringLiteral("Del_chop: не открылся файл chop.dat"));
        return;
    }
    if (!operatorIdInFile(f, operator_id)) return;
    const qint64 pos = qint64(operator_id) * OperatorRecord::kSize;
    if (!f.seek(pos)) return;
    QByteArray bytes = f.read(OperatorRecord::kSize);
    if (bytes.size() != OperatorRecord::kSize) return;
    f.close();
    bytes[1] = 1; // deleted
    if (overwriteRecordAt(path, pos, bytes) != RecordWrite::Written)
        error(ui, QStringLiteral("Del_chop: не открылся файл chop.dat"));
}

} // namespace

void OperatorList::load(const QString& dataDir, ConsoleUi* ui) {
    const QString path = chopPath(dataDir);
    QFile f(path);
    if (!openRegularFile(f, QIODevice::ReadOnly)) {
        // Only a missing file is created; an existing one we cannot read is never emptied.
        QFile create(path);
        if (QFile::exists(path) || !create.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            error(ui, QStringLiteral("Ini_chop: не открылся файл chop.dat"));
        create.close();
    }

    m_entries.clear();
    int total = 0;
    if (f.isOpen() || openRegularFile(f, QIODevice::ReadOnly)) {
        while (total < kOperatorRecordsMax) {
            OperatorRecord rec;
            if (!rec.decode(f.read(OperatorRecord::kSize))) break;
            if (rec.deleted == 0) {
                if (isFull()) break;
                m_entries.push_back({rec.surname.left(16), qint16(total)});
            }
            ++total;
        }
        f.close();
    }
    m_records = total;
}

void OperatorList::reportFull(ConsoleUi* ui) {
    error(ui, QStringLiteral("Слишком много фамилий испытателей"));
}

int OperatorList::add(const QString& dataDir, ConsoleUi* ui, const QString& typed) {
    if (isFull()) {
        reportFull(ui);
        return -1;
    }
    if (typed.isEmpty()) return -1;
    // A pasted tab or line break would be stored and copied into every later event text and listing.
    for (const QChar ch : typed) {
        if (ch.category() == QChar::Other_Control) {
            error(ui, QStringLiteral("В фамилии есть управляющие знаки (табуляция, перевод строки); "
                                     "повторите ввод"));
            return -1;
        }
    }
    const QString trimmed = trimmedSurname(typed);
    if (trimmed.isEmpty()) {
        error(ui, QStringLiteral("Фамилия не может состоять из одних пробелов"));
        return -1;
    }
    if (trimmed.size() > 16) {
        error(ui, QStringLiteral("Слишком длинное имя"));
        return -1;
    }
    // Surnames are compared as they will stand in the file, byte for byte.
    const QByteArray bytes = cp1251::encode(trimmed);
    // A letter the file's code page lacks would be stored as a substitute and shown changed.
    if (cp1251::decode(bytes) != trimmed) {
        error(ui, QStringLiteral("В фамилии есть знаки, которые нельзя сохранить"));
        return -1;
    }
    // Surnames stored with blanks round them (by earlier versions) are the same operator too.
    for (const OperatorEntry& e : m_entries) {
        if (cp1251::encode(trimmedSurname(e.surname)) == bytes) {
            error(ui, QStringLiteral("Уже есть такой испытатель"));
            return -1;
        }
    }

    const qint16 id = qint16(m_records);
    OperatorRecord rec;
    rec.mark = 1;
    rec.deleted = 0;
    rec.surname = cp1251::decode(bytes);
    // A part-record at the end (a write cut short) is dropped first, so the new operator's record
    // lands at the position its ID names.
    if (appendRecordTo(chopPath(dataDir), rec.encode()) != RecordWrite::Written)
        error(ui, QStringLiteral("Add_chop: не открылся файл chop.dat"));
    load(dataDir, ui);
    // The reloaded list holds the new surname only if the file took it.
    for (int i = 0; i < count(); ++i)
        if (m_entries[size_t(i)].operator_id == id) return i;
    return -1;
}

bool OperatorList::remove(const QString& dataDir, ConsoleUi* ui, int index) {
    if (index < 0 || index >= count()) return false;
    storeDeletion(dataDir, ui, m_entries[size_t(index)].operator_id);
    load(dataDir, ui);
    return true;
}

QString OperatorList::surname(int index) const {
    return index >= 0 && index < count() ? m_entries[size_t(index)].surname : QString();
}

qint16 OperatorList::operatorId(int index) const {
    return index >= 0 && index < count() ? m_entries[size_t(index)].operator_id : qint16(-1);
}

QString OperatorList::storedSurname(const QString& dataDir, ConsoleUi* ui, qint16 operator_id, bool* ok) {
    if (ok) *ok = false;
    QFile f(chopPath(dataDir));
    if (!openRegularFile(f, QIODevice::ReadOnly)) {
        error(ui, QStringLiteral("Read_chop: не открылся файл chop.dat"));
        return {};
    }
    if (!operatorIdInFile(f, operator_id) || !f.seek(qint64(operator_id) * OperatorRecord::kSize)) return {};
    OperatorRecord rec;
    if (!rec.decode(f.read(OperatorRecord::kSize))) return {};
    if (ok) *ok = true;
    return rec.surname;
}

} // namespace vatrel
