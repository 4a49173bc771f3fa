// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/CoreDoor.h"
#include "core/Console.h"

#include <QDialog>

class QKeyEvent;
class QPushButton;
class QVBoxLayout;

namespace vatrel {

class OperatorListBox;

// A sensor dialog whose action is done in the name of an operator chosen from the list: the
// "Фамилия оператора" box and "Принять" / "Отмена" under what the dialog lays out itself. Each
// showing reloads the operator list with the operator on duty chosen (the first surname when nobody
// is on duty). "Принять" always closes the dialog, refused or not.
class OperatorSignedDialog : public QDialog {
    Q_OBJECT
public:
    OperatorListBox* operatorBox() const { return m_operatorBox; }
    // "Принять": does the dialog's action on the core, then closes.
    void actAndClose();

protected:
    OperatorSignedDialog(CoreDoor& door, const QString& name, const QString& title, QSize size,
                         QWidget* parent);

    // Adds the operator box and the buttons under the dialog's own controls; they come after those
    // in the focus order. Called once, when the dialog's own controls are made.
    void addOperatorBoxAndButtons(QVBoxLayout* layout);
    // Enter or Return gives "Принять" the focus, so that the next Enter does the action; true when the
    // key was taken.
    bool armAcceptOnEnter(QKeyEvent* event);

    // What "Принять" does, on the core, with the operator chosen.
    virtual void act() = 0;
    // Fills the dialog's own controls for a showing; the operator list is already reloaded.
    virtual void prepare() = 0;

    void showEvent(QShowEvent* event) override;
    // Enter on a focused button presses it.
    void keyPressEvent(QKeyEvent* event) override;

    CoreDoor& m_door;
    OperatorListBox* m_operatorBox = nullptr;
    QPushButton* m_acceptButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};

} // namespace vatrel
