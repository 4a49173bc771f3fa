// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/OperatorSignedDialog.h"
#include "dialogs/OperatorListBox.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace vatrel {

OperatorSignedDialog::OperatorSignedDialog(CoreDoor& door, const QString& name, const QString& title,
                                           QSize size, QWidget* parent)
    : QDialog(parent), m_door(door) {
    setObjectName(name);
    setWindowTitle(title);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(size);
}

void OperatorSignedDialog::addOperatorBoxAndButtons(QVBoxLayout* layout) {
    m_operatorBox = new OperatorListBox(m_door, this);
    layout->addWidget(m_operatorBox);
    const AcceptCancel buttons = addAcceptCancelRow(this, layout, [this] { actAndClose(); });
    m_acceptButton = buttons.accept;
    m_cancelButton = buttons.cancel;
}

void OperatorSignedDialog::actAndClose() {
    act();
    accept();
}

bool OperatorSignedDialog::armAcceptOnEnter(QKeyEvent* event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) return false;
    armButton(m_acceptButton);
    return true;
}

void OperatorSignedDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The operator on duty is chosen when there is one, the first surname otherwise.
    const Console& c = m_door.mirror();
    const int onDuty = c.duty.indexIn(c.operators);
    m_operatorBox->reload(onDuty >= 0 ? onDuty : 0);
    prepare();
}

void OperatorSignedDialog::keyPressEvent(QKeyEvent* event) {
    if (!pressFocusedButton(this, event)) QDialog::keyPressEvent(event);
}

} // namespace vatrel
