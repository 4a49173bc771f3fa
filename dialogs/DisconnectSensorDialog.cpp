// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/DisconnectSensorDialog.h"
#include "core/OperatorActions.h"
#include "dialogs/OperatorListBox.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vatrel {

DisconnectSensorDialog::DisconnectSensorDialog(CoreDoor& door, QWidget* parent)
    : OperatorSignedDialog(door, QStringLiteral("RemoveSensor"), QStringLiteral("Отключение датчика"),
                           QSize(265, 255), parent) {
    m_sensorLabel = new QLabel(this);
    m_sensorLabel->setObjectName(QStringLiteral("LabelSensor"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_sensorLabel);
    addOperatorBoxAndButtons(layout);
}

void DisconnectSensorDialog::prepare() {
    m_sensorLabel->setText(
        selectedSensorText(m_door.mirror().selection, m_door.mirror().sensors)); // which sensor is taken out
    armButton(m_acceptButton); // Enter disconnects at once: the button shows it
}

void DisconnectSensorDialog::keyPressEvent(QKeyEvent* event) {
    // Enter on a button presses it; anywhere else it brings the operator to "Принять".
    if (pressFocusedButton(this, event) || armAcceptOnEnter(event)) return;
    QDialog::keyPressEvent(event);
}

void DisconnectSensorDialog::act() {
    m_door.act([index = m_operatorBox->selectedIndex()](OperatorActions& a) { a.disconnectSensor(index); });
}

} // namespace vatrel
