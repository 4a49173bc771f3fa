// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>
#include <QStringList>

class QComboBox;
class QLabel;
class QLineEdit;

namespace vatrel {

// "Подтверждение тревоги": the reason (from the site's list) and an optional comment for the alarms
// the operator chose in the alarm window. Enter confirms, Escape cancels; the reason list has the
// focus when it opens.
class AcknowledgeDialog : public QDialog {
    Q_OBJECT
public:
    // `what` says which alarms (the alarm's text, or how many were chosen).
    AcknowledgeDialog(const QStringList& reasons, const QString& what, QWidget* parent = nullptr);

    QString reason() const;
    QString comment() const;

private:
    QComboBox* m_reasons = nullptr;
    QLineEdit* m_comment = nullptr;
};

} // namespace vatrel
