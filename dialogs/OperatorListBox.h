// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/CoreDoor.h"
#include "core/Console.h"

#include <QGroupBox>
#include <functional>

class QComboBox;
class QDialog;
class QKeyEvent;
class QPushButton;
class QVBoxLayout;

namespace vatrel {

// The "Фамилия оператора" frame of the connect and disconnect dialogs: the surname list and its
// "Добавить" and "Удалить" buttons. Item i of the surname list is entry i of the console's operator
// list.
class OperatorListBox : public QGroupBox {
    Q_OBJECT
public:
    explicit OperatorListBox(CoreDoor& door, QWidget* parent = nullptr);

    // Refills the surname list from the operator list and selects item `select` (none when out of range).
    void reload(int select = 0);
    // The selected item = index in the operator list; -1 when nothing is selected.
    int selectedIndex() const;
    QComboBox* operatorChoice() const { return m_operatorChoice; }

    // "Добавить": refuses a full list before anything is asked, then asks for the surname and adds
    // it; the new surname is chosen.
    void addOperator();
    // "Удалить": asks for confirmation, then deletes the chosen surname.
    void removeChosenOperator();

private:
    QString askSurname();

    CoreDoor& m_door;
    const OperatorList& m_operators; // the windows' mirror of the list
    QComboBox* m_operatorChoice = nullptr;
    QPushButton* m_addButton = nullptr;
    QPushButton* m_removeButton = nullptr;
};

// A push button that Enter does not press unless it has the focus (the dialogs have no default
// button: Enter in an entry must not accept them). While it has the focus it looks the default.
QPushButton* dialogButton(QWidget* parent, const QString& name, const QString& text);
// Gives `button` the focus with its focus frame shown, so the operator sees what Enter will press.
void armButton(QPushButton* button);
// "Принять" and "Отмена" side by side at the bottom of `layout`, under a stretch. "Принять" runs
// `onAccept`; "Отмена" rejects the dialog; the dialog is closed either way.
struct AcceptCancel {
    QPushButton* accept = nullptr;
    QPushButton* cancel = nullptr;
};
AcceptCancel addAcceptCancelRow(QDialog* dialog, QVBoxLayout* layout, const std::function<void()>& onAccept);
// A button that closes its dialog: the second click of a double-click on it is swallowed instead of
// falling through to the window under the closed dialog.
void closesDialog(QPushButton* button);
// Enter or Return on a dialog whose focused control is a push button presses that button. Returns
// true when the key was taken.
bool pressFocusedButton(QWidget* dialog, QKeyEvent* event);
// The sensor of the selected row as the dialogs name it: "Позиция 6, зав. № 1234".
QString selectedSensorText(const TableSelection& selection, const SensorTable& sensors);

} // namespace vatrel
