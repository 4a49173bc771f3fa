// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "dialogs/OperatorSignedDialog.h"

class QComboBox;
class QLineEdit;

namespace vatrel {

// Sensor connect dialog (FSetSensor): puts a sensor into the selected empty row in the name of an
// operator from the list. Opens on the sensor number; Enter there brings the operator to "Принять".
class ConnectSensorDialog : public OperatorSignedDialog {
    Q_OBJECT
public:
    explicit ConnectSensorDialog(CoreDoor& door, QWidget* parent = nullptr);

protected:
    void act() override;
    void prepare() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* m_sensorEntry = nullptr; // the factory number of the sensor to connect
    QComboBox* m_sensorTypeChoice = nullptr;
};

} // namespace vatrel
