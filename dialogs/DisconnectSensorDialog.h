// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/CoreDoor.h"
#include "registry/Console.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace vatrel {

class OperatorListBox;

// Sensor disconnect dialog (RemoveSensor): takes the sensor out of the selected row in the name of
// an operator from the list. "Принять" always closes the dialog, refused or not.
class DisconnectSensorDialog : public QDialog {
    Q_OBJECT
public:
    explicit DisconnectSensorDialog(CoreDoor& door, QWidget* parent = nullptr);

    void refreshHeader();
    void ButtonAcceptClick();
    OperatorListBox* operatorList() const { return m_groupBox1; }

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormKeyPress(QKeyEvent* event);

    CoreDoor& m_door;
    Console& m_c;                    // the windows' mirror of the core
    QLabel* m_labelSensor = nullptr; // the position and factory number of the sensor taken out
    OperatorListBox* m_groupBox1 = nullptr;
    QPushButton* m_buttonAccept = nullptr;
    QPushButton* m_buttonCansel = nullptr;
};

} // namespace vatrel
