// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/AcknowledgeDialog.h"
#include "core/OperatorActions.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vatrel {

AcknowledgeDialog::AcknowledgeDialog(const QStringList& reasons, const QString& what, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("AcknowledgeDialog"));
    setWindowTitle(QStringLiteral("Подтверждение тревоги"));
    // It belongs to the alarm window, which stays on top: so must this one, or it would open behind.
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    setWindowModality(Qt::WindowModal);

    auto* layout = new QVBoxLayout(this);
    auto* alarm = new QLabel(what, this);
    alarm->setObjectName(QStringLiteral("LabelAlarm"));
    alarm->setWordWrap(true);
    layout->addWidget(alarm);

    auto* form = new QFormLayout;
    m_reasons = new QComboBox(this);
    m_reasons->setObjectName(QStringLiteral("ComboReason"));
    m_reasons->addItems(reasons);
    form->addRow(QStringLiteral("Причина:"), m_reasons);
    m_comment = new QLineEdit(this);
    m_comment->setObjectName(QStringLiteral("EditComment"));
    m_comment->setMaxLength(kAckCommentMax);
    m_comment->setPlaceholderText(QStringLiteral("необязательно, до 100 знаков"));
    form->addRow(QStringLiteral("Комментарий:"), m_comment);
    layout->addLayout(form);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* confirm = buttons->addButton(QStringLiteral("Подтвердить"), QDialogButtonBox::AcceptRole);
    confirm->setObjectName(QStringLiteral("ButtonConfirm"));
    confirm->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("ButtonCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    setMinimumWidth(520);
    m_reasons->setFocus();
}

QString AcknowledgeDialog::reason() const { return m_reasons->currentText(); }

QString AcknowledgeDialog::comment() const { return m_comment->text(); }

} // namespace vatrel
