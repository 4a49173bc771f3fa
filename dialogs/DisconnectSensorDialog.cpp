// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/DisconnectSensorDialog.h"
#include "core/OperatorActions.h"
#include "dialogs/OperatorListBox.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vatrel {

DisconnectSensorDialog::DisconnectSensorDialog(CoreDoor& door, QWidget* parent)
    : QDialog(parent), m_door(door), m_c(door.mirror()) {
    setObjectName(QStringLiteral("RemoveSensor"));
    setWindowTitle(QStringLiteral("Отключение датчика"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(265, 255);

    m_labelSensor = new QLabel(this);
    m_labelSensor->setObjectName(QStringLiteral("LabelSensor"));
    m_groupBox1 = new OperatorListBox(door, this);
    m_buttonAccept = dialogButton(this, QStringLiteral("ButtonAccept"), QStringLiteral("Принять"));
    m_buttonCansel = dialogButton(this, QStringLiteral("ButtonCansel"), QStringLiteral("Отмена"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_labelSensor);
    layout->addWidget(m_groupBox1);
    layout->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_buttonAccept);
    buttons->addWidget(m_buttonCansel);
    layout->addLayout(buttons);

    connect(m_buttonAccept, &QPushButton::clicked, this, &DisconnectSensorDialog::ButtonAcceptClick);
    connect(m_buttonCansel, &QPushButton::clicked, this, &QDialog::reject);
    closesDialog(m_buttonAccept);
    closesDialog(m_buttonCansel);
}

void DisconnectSensorDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    refreshHeader();
}

void DisconnectSensorDialog::refreshHeader() {
    m_labelSensor->setText(selectedSensorText(m_c)); // which sensor is taken out
    m_groupBox1->reload(0);
    armButton(m_buttonAccept); // Enter disconnects at once: the button shows it
}

void DisconnectSensorDialog::FormKeyPress(QKeyEvent* event) {
    // Enter on a button presses it; anywhere else it brings the operator to "Принять".
    if (pressFocusedButton(this, event)) return;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        armButton(m_buttonAccept);
        return;
    }
    QDialog::keyPressEvent(event);
}

void DisconnectSensorDialog::keyPressEvent(QKeyEvent* event) { FormKeyPress(event); }

void DisconnectSensorDialog::ButtonAcceptClick() {
    m_door.call([index = m_groupBox1->selectedIndex()](Console& c) { disconnectSensor(c, index); });
    accept();
}

} // namespace vatrel
