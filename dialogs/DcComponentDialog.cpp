// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/DcComponentDialog.h"
#include "dialogs/OperatorListBox.h"

#include <QFocusEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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

DcComponentDialog::DcComponentDialog(CoreDoor& door, QWidget* parent)
    : QDialog(parent), m_door(door), m_c(door.mirror()) {
    setObjectName(QStringLiteral("FDirect_component_porog"));
    setWindowTitle(QStringLiteral("Пост. составл. порога"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(297, 373);

    m_labelSensor = new QLabel(this);
    m_labelSensor->setObjectName(QStringLiteral("LabelSensor"));
    m_groupBox1 = new QGroupBox(QStringLiteral("Ватрел-А"), this);
    m_groupBox1->setObjectName(QStringLiteral("GroupBox1"));
    m_label = wrappedLabel(QStringLiteral("LabelDirect_component_porog"),
                           QStringLiteral("Постоянная составляющая порога"), m_groupBox1);
    m_edit = entry(QStringLiteral("EditDirect_component_porog"), m_groupBox1);
    m_edit->setMaxLength(4);
    auto* a = new QVBoxLayout(m_groupBox1);
    a->addWidget(m_label);
    a->addWidget(m_edit);

    m_groupBox2 = new QGroupBox(QStringLiteral("Ватрел-Б"), this);
    m_groupBox2->setObjectName(QStringLiteral("GroupBox2"));
    m_label1 = wrappedLabel(QStringLiteral("LabelDirect_component_porog1"),
                            QStringLiteral("Постоянная составляющая порога первого фланга"), m_groupBox2);
    m_edit1 = entry(QStringLiteral("EditDirect_component_porog1"), m_groupBox2);
    m_label2 = wrappedLabel(QStringLiteral("LabelDirect_component_porog2"),
                            QStringLiteral("Постоянная составляющая порога второго фланга"), m_groupBox2);
    m_edit2 = entry(QStringLiteral("EditDirect_component_porog2"), m_groupBox2);
    auto* b = new QVBoxLayout(m_groupBox2);
    b->addWidget(m_label1);
    b->addWidget(m_edit1);
    b->addWidget(m_label2);
    b->addWidget(m_edit2);

    m_buttonAccept = dialogButton(this, QStringLiteral("ButtonAccept"), QStringLiteral("Принять"));
    m_buttonCansel = dialogButton(this, QStringLiteral("ButtonCansel"), QStringLiteral("Отмена"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_labelSensor);
    layout->addWidget(m_groupBox1);
    layout->addWidget(m_groupBox2);
    layout->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_buttonAccept);
    buttons->addWidget(m_buttonCansel);
    layout->addLayout(buttons);

    for (QLineEdit* e : {m_edit, m_edit1, m_edit2})
        e->installEventFilter(this);
    connect(m_buttonAccept, &QPushButton::clicked, this, &DcComponentDialog::ButtonAcceptClick);
    connect(m_buttonCansel, &QPushButton::clicked, this, &QDialog::reject);
    closesDialog(m_buttonAccept);
    closesDialog(m_buttonCansel);
}

void DcComponentDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    refreshHeader();
}

void DcComponentDialog::keyPressEvent(QKeyEvent* event) {
    if (!pressFocusedButton(this, event)) QDialog::keyPressEvent(event);
}

void DcComponentDialog::refreshHeader() {
    m_labelSensor->setText(selectedSensorText(m_c));
    const DcEditors e = m_door.call([this](Console& c) { return openDcEditors(c, m_working); });
    if (e.type != 0 && e.type != 1) return;
    const bool typeB = e.type == 1;
    m_label->setEnabled(!typeB);
    m_edit->setEnabled(!typeB);
    for (QWidget* w : {static_cast<QWidget*>(m_label1), static_cast<QWidget*>(m_edit1),
                       static_cast<QWidget*>(m_label2), static_cast<QWidget*>(m_edit2)})
        w->setEnabled(typeB);
    // The disabled editor is empty: a value left from another sensor would read as this one's.
    m_edit->setText(typeB ? QString() : e.value);
    m_edit1->setText(typeB ? e.flank1 : QString());
    m_edit2->setText(typeB ? e.flank2 : QString());
    (typeB ? m_edit1 : m_edit)->setFocus();
}

bool DcComponentDialog::eventFilter(QObject* watched, QEvent* event) {
    // Enter in an entry accepts, once the entry's own value has been taken.
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            bool taken = false;
            if (watched == m_edit)
                taken = enterValue();
            else if (watched == m_edit1)
                taken = enterFlank(1, m_edit1);
            else if (watched == m_edit2)
                taken = enterFlank(2, m_edit2);
            if (taken) ButtonAcceptClick();
            return true;
        }
    }
    // An entry is checked when the operator moves on from it, not when another window (a message
    // box, another program) merely takes the keyboard.
    if (event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (watched == m_edit)
                EditDirect_component_porogExit();
            else if (watched == m_edit1)
                EditDirect_component_porog1Exit();
            else if (watched == m_edit2)
                EditDirect_component_porog2Exit();
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool DcComponentDialog::enterValue() {
    return m_door.call(
        [this, typed = m_edit->text()](Console& c) { return dcValueEntered(c, m_working, typed); });
}

bool DcComponentDialog::enterFlank(int flank, QLineEdit* edit) {
    return m_door.call([this, flank, typed = edit->text()](Console& c) {
        return dcFlankEntered(c, m_working, flank, typed);
    });
}

void DcComponentDialog::EditDirect_component_porogExit() {
    if (!enterValue()) refocus(m_edit);
}

void DcComponentDialog::EditDirect_component_porog1Exit() {
    if (!enterFlank(1, m_edit1)) refocus(m_edit1);
}

void DcComponentDialog::EditDirect_component_porog2Exit() {
    if (!enterFlank(2, m_edit2)) refocus(m_edit2);
}

void DcComponentDialog::ButtonAcceptClick() {
    m_door.call([this](Console& c) { acceptDcComponents(c, m_working); });
    accept();
}

} // namespace vatrel
