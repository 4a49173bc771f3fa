// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/JobRow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace vatrel {

JobRow::JobRow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("JobRow"));
    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("LabelJob"));
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("ProgressJob"));
    auto* cancel = new QPushButton(QStringLiteral("Отмена"), this);
    cancel->setObjectName(QStringLiteral("ButtonCancelJob"));
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &JobRow::cancelled);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_label, 1);
    layout->addWidget(m_bar, 2);
    layout->addWidget(cancel);
    setVisible(false);
}

} // namespace vatrel
