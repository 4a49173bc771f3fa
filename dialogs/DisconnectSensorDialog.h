// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "dialogs/OperatorSignedDialog.h"

class QLabel;

namespace vatrel {

// Sensor disconnect dialog (RemoveSensor): takes the sensor out of the selected row in the name of
// an operator from the list. Opens on "Принять"; Enter anywhere brings the operator back to it.
class DisconnectSensorDialog : public OperatorSignedDialog {
    Q_OBJECT
public:
    explicit DisconnectSensorDialog(CoreDoor& door, QWidget* parent = nullptr);

protected:
    void act() override;
    void prepare() override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLabel* m_sensorLabel = nullptr; // the position and factory number of the sensor taken out
};

} // namespace vatrel
