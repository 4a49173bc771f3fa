// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/ChangeNotices.h"
#include "registry/OperatorList.h"

#include <QString>

namespace vatrel {

// The operator on duty, chosen on the main window's toolbar. It names the operator by the list's
// stable ID (OperatorEntry::operator_id) and is kept in data/duty.dat, so a restart keeps it. Every
// event of an operator's own action goes through withOperator(), which names whoever is on duty.
//
// data/duty.dat is 8 bytes: "VDTY", then the operator's ID as a little-endian 32-bit number (-1
// nobody). A missing, short or otherwise unreadable file, or an ID the list no longer holds, means
// nobody is on duty.
class DutyOperator {
public:
    static constexpr int kFileSize = 8;
    static constexpr qint16 kNobody = -1;

    void connect(const ChangeNotices* notices) { m_line.connect(notices); }

    // Reads data/duty.dat and keeps the operator only while `operators` lists it. Returns false when
    // the file exists but could not be used (the operator should hear of it); a missing file is
    // simply nobody on duty.
    bool load(const QString& dataDir, const OperatorList& operators);
    // Puts operator `operatorId` (kNobody for nobody) on duty with `surname` and writes the file.
    // The choice holds whether the file took it or not; false (with the system's reason in `error`)
    // when it did not.
    bool take(const QString& dataDir, qint16 operatorId, const QString& surname, QString* error = nullptr);
    // The operator on duty dropped when `operators` no longer lists them; true when it did.
    bool keepListed(const OperatorList& operators);

    bool onDuty() const { return m_id != kNobody; }
    qint16 operatorId() const { return m_id; }
    QString surname() const { return m_surname; } // empty when nobody is on duty
    // The index of the operator on duty in `operators`; -1 when nobody or not listed.
    int indexIn(const OperatorList& operators) const;

    // An operator action's event text: ". Оператор: <surname>" added when someone is on duty, the
    // whole cut to what an event record's text field holds, at a character boundary. Unchanged
    // when nobody is.
    QString withOperator(const QString& text) const;

    static QString filePath(const QString& dataDir);
    static QByteArray encode(qint16 operatorId);

private:
    qint16 m_id = kNobody;
    QString m_surname;
    NoticeLine m_line;
};

// `text` cut to at most `chars` characters without splitting a surrogate pair.
QString cutAtCharacter(const QString& text, int chars);

} // namespace vatrel
