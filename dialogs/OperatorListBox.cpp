// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/OperatorListBox.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace vatrel {

namespace {

// Eats the mouse events of the second click of a double-click whose first click closed a dialog:
// they would land on the window beneath and, in the sensor table, select another row.
class SecondClickGuard : public QObject {
public:
    // Owned by the application: one still waiting when the program ends goes with it.
    explicit SecondClickGuard(const QRect& area) : QObject(qApp), m_area(area) {
        qApp->installEventFilter(this);
        QTimer::singleShot(QApplication::doubleClickInterval(), this, &QObject::deleteLater);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type t = event->type();
        // A window that comes up meanwhile (the dialog opened again) is what the next click is for.
        if (t == QEvent::Show && watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow()) {
            deleteLater();
            qApp->removeEventFilter(this);
            return QObject::eventFilter(watched, event);
        }
        if (t != QEvent::MouseButtonPress && t != QEvent::MouseButtonDblClick &&
            t != QEvent::MouseButtonRelease)
            return QObject::eventFilter(watched, event);
        if (!m_area.contains(static_cast<QMouseEvent*>(event)->globalPosition().toPoint()))
            return QObject::eventFilter(watched, event);
        if (t == QEvent::MouseButtonRelease) { // the double-click is over
            deleteLater();
            qApp->removeEventFilter(this);
        }
        return true;
    }

private:
    QRect m_area; // where the button was, on the screen
};

// Makes its button the dialog's default while it has the focus, so the button Enter will press
// looks it. Qt's own auto-default would also pick a default when the dialog opens, one that Enter
// in another control would press.
class DefaultWhileFocused : public QObject {
public:
    explicit DefaultWhileFocused(QPushButton* button) : QObject(button) { button->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // qobject_cast: a button being destroyed loses its focus too, when it is no longer a button.
        if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
            if (auto* b = qobject_cast<QPushButton*>(watched))
                b->setDefault(event->type() == QEvent::FocusIn);
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

QPushButton* dialogButton(QWidget* parent, const QString& name, const QString& text) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    b->setDefault(false);
    new DefaultWhileFocused(b);
    return b;
}

void armButton(QPushButton* button) {
    // Styles draw the focus frame once the keyboard has moved the focus in the window.
    button->window()->setAttribute(Qt::WA_KeyboardFocusChange);
    button->setFocus(Qt::ShortcutFocusReason);
}

void closesDialog(QPushButton* button) {
    QObject::connect(button, &QPushButton::clicked, button, [button] {
        const int slack = QApplication::startDragDistance();
        new SecondClickGuard(
            QRect(button->mapToGlobal(QPoint(0, 0)), button->size()).adjusted(-slack, -slack, slack, slack));
    });
}

AcceptCancel addAcceptCancelRow(QDialog* dialog, QVBoxLayout* layout, const std::function<void()>& onAccept) {
    const AcceptCancel b{dialogButton(dialog, QStringLiteral("ButtonAccept"), QStringLiteral("Принять")),
                         dialogButton(dialog, QStringLiteral("ButtonCansel"), QStringLiteral("Отмена"))};
    layout->addStretch();
    auto* row = new QHBoxLayout;
    row->addWidget(b.accept);
    row->addWidget(b.cancel);
    layout->addLayout(row);
    QObject::connect(b.accept, &QPushButton::clicked, dialog, onAccept);
    QObject::connect(b.cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    closesDialog(b.accept);
    closesDialog(b.cancel);
    return b;
}

QString selectedSensorText(const TableSelection& selection, const SensorTable& sensors) {
    if (selection.row() < 1 || selection.row() > kSlots) return QString();
    const SensorRecord& r = sensors.record(selection.row() - 1);
    QString text = QStringLiteral("Позиция ") + QString::number(selection.row());
    if (r.occupied()) text += QStringLiteral(", зав. № ") + QString::number(qint32(r.factory_number));
    return text;
}

bool pressFocusedButton(QWidget* dialog, QKeyEvent* event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) return false;
    auto* button = qobject_cast<QPushButton*>(dialog->focusWidget());
    if (!button || !button->isEnabled()) return false;
    button->click();
    return true;
}

OperatorListBox::OperatorListBox(CoreDoor& door, QWidget* parent)
    : QGroupBox(QStringLiteral("Фамилия оператора"), parent), m_door(door),
      m_operators(door.mirror().operators) {
    setObjectName(QStringLiteral("GroupBox1"));
    auto* listCaption = new QLabel(QStringLiteral("Список"), this);
    listCaption->setObjectName(QStringLiteral("Label3"));
    m_operatorChoice = new QComboBox(this);
    m_operatorChoice->setObjectName(QStringLiteral("ComboBoxFam"));
    m_operatorChoice->setEditable(false);
    m_addButton = dialogButton(this, QStringLiteral("AddButton"), QStringLiteral("Добавить"));
    m_removeButton = dialogButton(this, QStringLiteral("RemoveButton1"), QStringLiteral("Удалить"));

    auto* layout = new QGridLayout(this);
    layout->addWidget(listCaption, 0, 0, 1, 2);
    layout->addWidget(m_operatorChoice, 1, 0, 1, 2);
    layout->addWidget(m_addButton, 2, 0);
    layout->addWidget(m_removeButton, 2, 1);

    connect(m_addButton, &QPushButton::clicked, this, &OperatorListBox::addOperator);
    connect(m_removeButton, &QPushButton::clicked, this, &OperatorListBox::removeChosenOperator);
}

void OperatorListBox::reload(int select) {
    m_operatorChoice->clear();
    const OperatorList& list = m_operators;
    for (const OperatorEntry& e : list.entries())
        m_operatorChoice->addItem(e.surname);
    m_operatorChoice->setCurrentIndex(select >= 0 && select < list.count() ? select : -1);
}

int OperatorListBox::selectedIndex() const { return m_operatorChoice->currentIndex(); }

QString OperatorListBox::askSurname() {
    QInputDialog box(this);
    box.setObjectName(QStringLiteral("InputBox"));
    box.setWindowTitle(QStringLiteral("Пожалуйста,представьтесь"));
    box.setLabelText(QStringLiteral("Укажите Вашу фамилию"));
    box.setTextValue(QString());
    box.setOkButtonText(QStringLiteral("OK"));
    box.setCancelButtonText(QStringLiteral("Отмена"));
    return box.exec() == QDialog::Accepted ? box.textValue() : QString();
}

void OperatorListBox::addOperator() {
    int added = -1;
    {
        // A refused surname is answered before the dialog goes on (the focus comes back to it).
        const ConsoleUi::OperatorAction action(m_door.windowUi());
        // A full list is refused before anything is asked.
        if (m_operators.isFull()) {
            OperatorList::reportFull(m_door.windowUi());
            return;
        }
        const QString typed = askSurname();
        if (typed.isEmpty()) return; // cancelled
        added = m_door.act([&typed](OperatorActions& a) { return a.addOperator(typed); });
    }
    if (added < 0) return;
    // The list was reloaded from the file; the drop-down shows it and the new surname is chosen.
    reload(added);
    m_operatorChoice->setFocus();
}

void OperatorListBox::removeChosenOperator() {
    if (!m_door.windowUi() ||
        !m_door.windowUi()->question(
            QStringLiteral("Удаление"),
            QStringLiteral("Вы действительно хотите удалить фамилию этого испытателя ?")))
        return;
    const bool removed =
        m_door.act([index = selectedIndex()](OperatorActions& a) { return a.removeOperator(index); });
    if (removed) reload(0);
}

} // namespace vatrel
