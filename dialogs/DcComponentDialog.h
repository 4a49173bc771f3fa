// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/OperatorActions.h"
#include "core/CoreDoor.h"
#include "core/Console.h"

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;

namespace vatrel {

// Threshold DC component dialog (FDirect_component_porog): one whole number for a type A sensor,
// one real number per flank for a type B sensor; the editor that does not fit the type is disabled.
class DcComponentDialog : public QDialog {
    Q_OBJECT
public:
    explicit DcComponentDialog(CoreDoor& door, QWidget* parent = nullptr);

    // Shows the selected sensor and its values; enables the editors that fit its type.
    void loadSelectedSensor();
    // The operator moved on from an entry: its value is checked and taken, or the focus goes back.
    void leaveValueEntry();
    void leaveFlank1Entry();
    void leaveFlank2Entry();
    // "Принять": the values taken go to the sensor; the dialog closes.
    void acceptValues();
    // The values being edited for the sensor the dialog was opened for.
    const DcWorking& working() const { return m_working; }

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The entries' checks run on the core: the values they take go to the sensor there.
    bool enterValue();
    bool enterFlank(int flank, QLineEdit* edit);
    CoreDoor& m_door;
    DcWorking m_working;
    QLabel* m_sensorLabel = nullptr; // the position and factory number of the sensor acted on
    QGroupBox* m_typeABox = nullptr;
    QLabel* m_valueLabel = nullptr;
    QLineEdit* m_valueEntry = nullptr;
    QGroupBox* m_typeBBox = nullptr;
    QLabel* m_flank1Label = nullptr;
    QLineEdit* m_flank1Entry = nullptr;
    QLabel* m_flank2Label = nullptr;
    QLineEdit* m_flank2Entry = nullptr;
};

} // namespace vatrel
