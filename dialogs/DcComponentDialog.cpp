// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/DcComponentDialog.h"
#include "dialogs/OperatorListBox.h"

#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace vatrel {

namespace {

QLabel* wrappedLabel(const QString& name, const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setWordWrap(true);
    return l;
}

QLineEdit* entry(const QString& name, QWidget* parent) {
    auto* e = new QLineEdit(QStringLiteral("0"), parent);
    e->setObjectName(name);
    return e;
}

// A refused entry gets the focus back once the focus change in progress has finished.
void refocus(QLineEdit* e) {
    QMetaObject::invokeMethod(
        e,
        [e] {
            if (e->isVisible()) e->setFocus();
        },
        Qt::QueuedConnection);
}

} // namespace

DcComponentDialog::DcComponentDialog(CoreDoor& door, QWidget* parent) : QDialog(parent), m_door(door) {
    setObjectName(QStringLiteral("FDirect_component_porog"));
    setWindowTitle(QStringLiteral("Пост. составл. порога"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(297, 373);

    m_sensorLabel = new QLabel(this);
    m_sensorLabel->setObjectName(QStringLiteral("LabelSensor"));
    m_typeABox = new QGroupBox(QStringLiteral("Ватрел-А"), this);
    m_typeABox->setObjectName(QStringLiteral("GroupBox1"));
    m_valueLabel = wrappedLabel(QStringLiteral("LabelDirect_component_porog"),
                                QStringLiteral("Постоянная составляющая порога"), m_typeABox);
    m_valueEntry = entry(QStringLiteral("EditDirect_component_porog"), m_typeABox);
    m_valueEntry->setMaxLength(4);
    auto* typeALayout = new QVBoxLayout(m_typeABox);
    typeALayout->addWidget(m_valueLabel);
    typeALayout->addWidget(m_valueEntry);

    m_typeBBox = new QGroupBox(QStringLiteral("Ватрел-Б"), this);
    m_typeBBox->setObjectName(QStringLiteral("GroupBox2"));
    m_flank1Label = wrappedLabel(QStringLiteral("LabelDirect_component_porog1"),
                                 QStringLiteral("Постоянная составляющая порога первого фланга"), m_typeBBox);
    m_flank1Entry = entry(QStringLiteral("EditDirect_component_porog1"), m_typeBBox);
    m_flank2Label = wrappedLabel(QStringLiteral("LabelDirect_component_porog2"),
                                 QStringLiteral("Постоянная составляющая порога второго фланга"), m_typeBBox);
    m_flank2Entry = entry(QStringLiteral("EditDirect_component_porog2"), m_typeBBox);
    auto* typeBLayout = new QVBoxLayout(m_typeBBox);
    typeBLayout->addWidget(m_flank1Label);
    typeBLayout->addWidget(m_flank1Entry);
    typeBLayout->addWidget(m_flank2Label);
    typeBLayout->addWidget(m_flank2Entry);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_sensorLabel);
    layout->addWidget(m_typeABox);
    layout->addWidget(m_typeBBox);
    addAcceptCancelRow(this, layout, [this] { acceptValues(); });

    for (QLineEdit* e : {m_valueEntry, m_flank1Entry, m_flank2Entry})
        e->installEventFilter(this);
}

void DcComponentDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    loadSelectedSensor();
}

void DcComponentDialog::keyPressEvent(QKeyEvent* event) {
    if (!pressFocusedButton(this, event)) QDialog::keyPressEvent(event);
}

void DcComponentDialog::loadSelectedSensor() {
    m_sensorLabel->setText(selectedSensorText(m_door.mirror().selection, m_door.mirror().sensors));
    const DcEditors e = m_door.act([this](OperatorActions& a) { return a.openDcEditors(m_working); });
    if (e.type != 0 && e.type != 1) return;
    const bool typeB = e.type == 1;
    m_valueLabel->setEnabled(!typeB);
    m_valueEntry->setEnabled(!typeB);
    for (QWidget* w : {static_cast<QWidget*>(m_flank1Label), static_cast<QWidget*>(m_flank1Entry),
                       static_cast<QWidget*>(m_flank2Label), static_cast<QWidget*>(m_flank2Entry)})
        w->setEnabled(typeB);
    // The disabled editor is empty: a value left from another sensor would read as this one's.
    m_valueEntry->setText(typeB ? QString() : e.value);
    m_flank1Entry->setText(typeB ? e.flank1 : QString());
    m_flank2Entry->setText(typeB ? e.flank2 : QString());
    (typeB ? m_flank1Entry : m_valueEntry)->setFocus();
}

bool DcComponentDialog::eventFilter(QObject* watched, QEvent* event) {
    // Enter in an entry accepts, once the entry's own value has been taken.
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            bool taken = false;
            if (watched == m_valueEntry)
                taken = enterValue();
            else if (watched == m_flank1Entry)
                taken = enterFlank(1, m_flank1Entry);
            else if (watched == m_flank2Entry)
                taken = enterFlank(2, m_flank2Entry);
            if (taken) acceptValues();
            return true;
        }
    }
    // An entry is checked when the operator moves on from it, not when another window (a message
    // box, another program) merely takes the keyboard.
    if (event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (watched == m_valueEntry)
                leaveValueEntry();
            else if (watched == m_flank1Entry)
                leaveFlank1Entry();
            else if (watched == m_flank2Entry)
                leaveFlank2Entry();
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool DcComponentDialog::enterValue() {
    return m_door.act([this, typed = m_valueEntry->text()](OperatorActions& a) {
        return a.dcValueEntered(m_working, typed);
    });
}

bool DcComponentDialog::enterFlank(int flank, QLineEdit* edit) {
    return m_door.act([this, flank, typed = edit->text()](OperatorActions& a) {
        return a.dcFlankEntered(m_working, flank, typed);
    });
}

void DcComponentDialog::leaveValueEntry() {
    if (!enterValue()) refocus(m_valueEntry);
}

void DcComponentDialog::leaveFlank1Entry() {
    if (!enterFlank(1, m_flank1Entry)) refocus(m_flank1Entry);
}

void DcComponentDialog::leaveFlank2Entry() {
    if (!enterFlank(2, m_flank2Entry)) refocus(m_flank2Entry);
}

void DcComponentDialog::acceptValues() {
    m_door.act([this](OperatorActions& a) { a.acceptDcComponents(m_working); });
    accept();
}

} // namespace vatrel
