// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/DutyOperator.h"
#include "registry/RegularFile.h"
#include "registry/WholeFileWriter.h"

#include <QFile>
#include <QtEndian>

namespace vatrel {

namespace {
constexpr char kMagic[4] = {'V', 'D', 'T', 'Y'};
} // namespace

QString DutyOperator::filePath(const QString& dataDir) { return dataDir + QStringLiteral("/data/duty.dat"); }

QByteArray DutyOperator::encode(qint16 operatorId) {
    QByteArray out(kMagic, 4);
    out.resize(kFileSize);
    qToLittleEndian<qint32>(operatorId, out.data() + 4);
    return out;
}

bool DutyOperator::load(const QString& dataDir, const OperatorList& operators) {
    const qint16 before = m_id;
    m_id = kNobody;
    m_surname.clear();
    bool usable = true;
    const QString path = filePath(dataDir);
    if (QFile::exists(path)) {
        QFile f(path);
        // One byte more than the file should hold tells a longer file from a right one.
        const QByteArray bytes =
            openRegularFile(f, QIODevice::ReadOnly) ? f.read(kFileSize + 1) : QByteArray();
        const qint32 id = bytes.size() == kFileSize && bytes.startsWith(QByteArrayView(kMagic, 4))
                              ? qFromLittleEndian<qint32>(bytes.constData() + 4)
                              : -2;
        if (id == kNobody) {
            // nobody on duty, as stored
        } else if (id < 0 || id > 32767) {
            usable = false;
        } else {
            m_id = qint16(id);
            keepListed(operators);
        }
    }
    if (m_id != before) m_line.changed(View::Labels);
    return usable;
}

bool DutyOperator::take(const QString& dataDir, qint16 operatorId, const QString& surname, QString* error) {
    m_id = operatorId < 0 ? kNobody : operatorId;
    m_surname = m_id == kNobody ? QString() : surname;
    m_line.changed(View::Labels);
    return writeWholeFile(filePath(dataDir), encode(m_id), error);
}

bool DutyOperator::keepListed(const OperatorList& operators) {
    if (m_id == kNobody) return false;
    const int index = indexIn(operators);
    if (index >= 0) {
        m_surname = operators.surname(index);
        return false;
    }
    m_id = kNobody;
    m_surname.clear();
    m_line.changed(View::Labels);
    return true;
}

int DutyOperator::indexIn(const OperatorList& operators) const {
    if (m_id == kNobody) return -1;
    for (int i = 0; i < operators.count(); ++i)
        if (operators.operatorId(i) == m_id) return i;
    return -1;
}

QString cutAtCharacter(const QString& text, int chars) {
    if (text.size() <= chars) return text;
    qsizetype n = chars;
    // A low surrogate at the cut belongs to the character before it.
    if (n > 0 && text.at(n).isLowSurrogate() && text.at(n - 1).isHighSurrogate()) --n;
    return text.left(n);
}

QString DutyOperator::withOperator(const QString& text) const {
    if (!onDuty()) return text;
    // cp1251 stores one byte per character; the field keeps its last byte for the terminating NUL.
    return cutAtCharacter(text + QStringLiteral(". Оператор: ") + m_surname, EventRecord::kTextSize - 1);
}

} // namespace vatrel
