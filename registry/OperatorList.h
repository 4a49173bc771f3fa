// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/ConsoleUi.h"

#include <QString>
#include <vector>

namespace vatrel {

constexpr int kOperatorsMax = 50;

struct OperatorEntry {
    QString surname;        // at most 16 characters
    qint16 operator_id = 0; // the position of its record in chop.dat
};

// The operators who connect and disconnect sensors, as data/chop.dat holds them: one 40-byte
// OperatorRecord for every operator ever added, in the order they were added. A record's position
// is its operator's ID, which the sensor records keep; deleting only marks the record, so the IDs
// of the others stay. The list holds the first kOperatorsMax records not marked.
//
// What touches the file takes the data folder and the windows that show its "Ошибка" boxes (none
// when null). Nothing here asks the operator anything: the window asks first and passes the answer.
class OperatorList {
public:
    // Reads the list from the file; a missing file is created empty.
    void load(const QString& dataDir, ConsoleUi* ui);
    // Checks a surname as typed ("Добавить"), appends it to the file and reloads the list. Returns
    // the index of the new surname in the reloaded list, or -1 when a box refused it or the file did
    // not take it. An empty surname (the operator cancelled) adds nothing and says nothing.
    int add(const QString& dataDir, ConsoleUi* ui, const QString& typed);
    // Marks entry `index` deleted in the file ("Удалить") and reloads the list; false when there is
    // no such entry.
    bool remove(const QString& dataDir, ConsoleUi* ui, int index);

    int count() const { return int(m_entries.size()); }
    bool isFull() const { return count() >= kOperatorsMax; }
    // The refusal of a full list; the window raises it before it asks for a surname.
    static void reportFull(ConsoleUi* ui);
    // Records in the file when it was read, deleted ones too: the ID of the next operator added.
    int nextId() const { return m_records; }
    const std::vector<OperatorEntry>& entries() const { return m_entries; }
    // Entry `index`'s surname and ID; an empty surname and -1 when there is no such entry.
    QString surname(int index) const;
    qint16 operatorId(int index) const;

    // The surname record `operator_id` holds in the file, deleted or not, whole (not cut to 16
    // characters as the list shows it); `ok` false when it could not be read.
    static QString storedSurname(const QString& dataDir, ConsoleUi* ui, qint16 operator_id,
                                 bool* ok = nullptr);

private:
    std::vector<OperatorEntry> m_entries;
    int m_records = 0;
};

} // namespace vatrel
