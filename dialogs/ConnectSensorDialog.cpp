// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/ConnectSensorDialog.h"
#include "core/OperatorActions.h"
#include "dialogs/OperatorListBox.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace vatrel {

ConnectSensorDialog::ConnectSensorDialog(CoreDoor& door, QWidget* parent)
    : OperatorSignedDialog(door, QStringLiteral("FSetSensor"), QStringLiteral("Подключение датчика"),
                           QSize(242, 356), parent) {
    auto* numberCaption = new QLabel(QStringLiteral("Номер датчика"), this);
    numberCaption->setObjectName(QStringLiteral("Label1"));
    m_sensorEntry = new QLineEdit(QStringLiteral("0"), this);
    m_sensorEntry->setObjectName(QStringLiteral("EditNumSen"));
    m_sensorEntry->installEventFilter(this);
    auto* typeCaption = new QLabel(QStringLiteral("Тип датчика"), this);
    typeCaption->setObjectName(QStringLiteral("Label2"));
    m_sensorTypeChoice = new QComboBox(this);
    m_sensorTypeChoice->setObjectName(QStringLiteral("ComboBoxTypeSen"));
    m_sensorTypeChoice->addItems({QStringLiteral("Ватрел-А"), QStringLiteral("Ватрел-Б")});

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(numberCaption);
    layout->addWidget(m_sensorEntry);
    layout->addWidget(typeCaption);
    layout->addWidget(m_sensorTypeChoice);
    layout->addSpacing(8);
    addOperatorBoxAndButtons(layout);
}

void ConnectSensorDialog::prepare() {
    m_sensorEntry->setText(QStringLiteral("0"));
    m_sensorTypeChoice->setCurrentIndex(0);
    m_sensorEntry->setFocus();
}

bool ConnectSensorDialog::eventFilter(QObject* watched, QEvent* event) {
    // Enter in the sensor number connects only when pressed again, on "Принять".
    if (watched == m_sensorEntry && event->type() == QEvent::KeyPress &&
        armAcceptOnEnter(static_cast<QKeyEvent*>(event)))
        return true;
    return OperatorSignedDialog::eventFilter(watched, event);
}

void ConnectSensorDialog::act() {
    const ConnectInput in{m_sensorEntry->text(), m_sensorTypeChoice->currentIndex(),
                          m_operatorBox->selectedIndex()};
    m_door.act([&in](OperatorActions& a) { a.connectSensor(in); });
}

} // namespace vatrel
