// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/CoreDoor.h"
#include "registry/Console.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace vatrel {

class OperatorListBox;

// Sensor connect dialog (FSetSensor): puts a sensor into the selected empty row in the name of an
// operator from the list. "Принять" always closes the dialog, refused or not.
class ConnectSensorDialog : public QDialog {
    Q_OBJECT
public:
    explicit ConnectSensorDialog(CoreDoor& door, QWidget* parent = nullptr);

    void refreshHeader();
    void ButtonAcceptClick();
    OperatorListBox* operatorList() const { return m_groupBox1; }

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool EditNumSenKeyDown(QKeyEvent* event);

    CoreDoor& m_door;
    Console& m_c; // the windows' mirror of the core
    QLineEdit* m_editNumSen = nullptr;
    QComboBox* m_comboBoxTypeSen = nullptr;
    OperatorListBox* m_groupBox1 = nullptr;
    QPushButton* m_buttonAccept = nullptr;
    QPushButton* m_buttonCansel = nullptr;
};

} // namespace vatrel
