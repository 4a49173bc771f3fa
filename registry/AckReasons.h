// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <QStringList>

namespace vatrel {

// The reasons an operator chooses from when acknowledging an alarm. A site keeps its own list in
// data/ack-reasons.txt: UTF-8 text, one reason a line; blank lines and lines starting with '#' are
// skipped, each reason is cut to kAckReasonMax characters and repeats are dropped. Without the file,
// or with no reason in it, the built-in list is used.
constexpr int kAckReasonMax = 60;

QStringList defaultAckReasons();
QString ackReasonsPath(const QString& dataDir);
// The site's list, or the built-in one; `error` (when given) tells why the file was not used when it
// exists but could not be read.
QStringList loadAckReasons(const QString& dataDir, QString* error = nullptr);
// The reasons in the file's form.
QStringList parseAckReasons(const QByteArray& bytes);

} // namespace vatrel
