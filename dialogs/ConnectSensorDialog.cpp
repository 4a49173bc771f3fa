// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/ConnectSensorDialog.h"
#include "core/OperatorActions.h"
#include "dialogs/OperatorListBox.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vatrel {

ConnectSensorDialog::ConnectSensorDialog(CoreDoor& door, QWidget* parent)
    : QDialog(parent), m_door(door), m_c(door.mirror()) {
    setObjectName(QStringLiteral("FSetSensor"));
    setWindowTitle(QStringLiteral("Подключение датчика"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(242, 356);

    auto* label1 = new QLabel(QStringLiteral("Номер датчика"), this);
    label1->setObjectName(QStringLiteral("Label1"));
    m_editNumSen = new QLineEdit(QStringLiteral("0"), this);
    m_editNumSen->setObjectName(QStringLiteral("EditNumSen"));
    m_editNumSen->installEventFilter(this);
    auto* label2 = new QLabel(QStringLiteral("Тип датчика"), this);
    label2->setObjectName(QStringLiteral("Label2"));
    m_comboBoxTypeSen = new QComboBox(this);
    m_comboBoxTypeSen->setObjectName(QStringLiteral("ComboBoxTypeSen"));
    m_comboBoxTypeSen->addItems({QStringLiteral("Ватрел-А"), QStringLiteral("Ватрел-Б")});
    m_groupBox1 = new OperatorListBox(door, this);
    m_buttonAccept = dialogButton(this, QStringLiteral("ButtonAccept"), QStringLiteral("Принять"));
    m_buttonCansel = dialogButton(this, QStringLiteral("ButtonCansel"), QStringLiteral("Отмена"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label1);
    layout->addWidget(m_editNumSen);
    layout->addWidget(label2);
    layout->addWidget(m_comboBoxTypeSen);
    layout->addSpacing(8);
    layout->addWidget(m_groupBox1);
    layout->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_buttonAccept);
    buttons->addWidget(m_buttonCansel);
    layout->addLayout(buttons);

    connect(m_buttonAccept, &QPushButton::clicked, this, &ConnectSensorDialog::ButtonAcceptClick);
    connect(m_buttonCansel, &QPushButton::clicked, this, &QDialog::reject);
    closesDialog(m_buttonAccept);
    closesDialog(m_buttonCansel);
}

void ConnectSensorDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    refreshHeader();
}

void ConnectSensorDialog::refreshHeader() {
    m_groupBox1->reload(0);
    m_editNumSen->setText(QStringLiteral("0"));
    m_comboBoxTypeSen->setCurrentIndex(0);
    m_editNumSen->setFocus();
}

void ConnectSensorDialog::keyPressEvent(QKeyEvent* event) {
    if (!pressFocusedButton(this, event)) QDialog::keyPressEvent(event);
}

bool ConnectSensorDialog::EditNumSenKeyDown(QKeyEvent* event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) return false;
    armButton(m_buttonAccept); // the next Enter connects: the button shows it
    return true;
}

bool ConnectSensorDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_editNumSen && event->type() == QEvent::KeyPress &&
        EditNumSenKeyDown(static_cast<QKeyEvent*>(event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

void ConnectSensorDialog::ButtonAcceptClick() {
    const ConnectInput in{m_editNumSen->text(), m_comboBoxTypeSen->currentIndex(),
                          m_groupBox1->selectedIndex()};
    m_door.call([&in](Console& c) { connectSensor(c, in); });
    accept();
}

} // namespace vatrel
