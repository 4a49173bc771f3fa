// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DutyChoice.h"
#include "dialogs/OperatorListBox.h"

#include <QComboBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

namespace vatrel {

DutyChoice::DutyChoice(CoreDoor& door, QWidget* parent) : QWidget(parent), m_door(door) {
    setObjectName(QStringLiteral("DutyChoice"));
    auto* caption = new QLabel(QStringLiteral("Дежурный: "), this);
    caption->setObjectName(QStringLiteral("DutyLabel"));
    m_choice = new QComboBox(this);
    m_choice->setObjectName(QStringLiteral("ComboBoxDuty"));
    m_choice->setEditable(false);
    m_choice->setMinimumContentsLength(16);
    m_choice->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_editButton = new QToolButton(this);
    m_editButton->setObjectName(QStringLiteral("DutyListButton"));
    m_editButton->setText(QStringLiteral("…"));
    m_editButton->setToolTip(QStringLiteral("Список операторов"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(caption);
    layout->addWidget(m_choice);
    layout->addWidget(m_editButton);
    connect(m_choice, &QComboBox::activated, this, &DutyChoice::choose);
    connect(m_editButton, &QToolButton::clicked, this, &DutyChoice::editOperators);
    refresh();
}

void DutyChoice::refresh() {
    const Console& c = m_door.mirror();
    const QSignalBlocker block(m_choice);
    m_choice->clear();
    m_choice->addItem(QStringLiteral("нет"));
    for (const OperatorEntry& e : c.operators.entries())
        m_choice->addItem(e.surname);
    m_choice->setCurrentIndex(c.duty.indexIn(c.operators) + 1);
}

void DutyChoice::choose(int item) {
    m_door.act([index = item - 1](OperatorActions& a) { return a.takeDuty(index); });
    refresh();
}

void DutyChoice::editOperators() {
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("DutyOperators"));
    dialog.setWindowTitle(QStringLiteral("Операторы"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* box = new OperatorListBox(m_door, &dialog);
    layout->addWidget(box);
    auto* close = dialogButton(&dialog, QStringLiteral("ButtonClose"), QStringLiteral("Закрыть"));
    layout->addWidget(close, 0, Qt::AlignRight);
    connect(close, &QPushButton::clicked, &dialog, &QDialog::accept);
    closesDialog(close);
    const Console& c = m_door.mirror();
    box->reload(c.duty.indexIn(c.operators));
    dialog.exec();
    refresh();
}

} // namespace vatrel
