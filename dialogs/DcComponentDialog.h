// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/OperatorActions.h"
#include "core/CoreDoor.h"
#include "registry/Console.h"

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vatrel {

// Threshold DC component dialog (FDirect_component_porog): one whole number for a type A sensor,
// one real number per flank for a type B sensor; the editor that does not fit the type is disabled.
class DcComponentDialog : public QDialog {
    Q_OBJECT
public:
    explicit DcComponentDialog(CoreDoor& door, QWidget* parent = nullptr);

    void refreshHeader();
    void EditDirect_component_porogExit();
    void EditDirect_component_porog1Exit();
    void EditDirect_component_porog2Exit();
    void ButtonAcceptClick();
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
    Console& m_c; // the windows' mirror of the core
    DcWorking m_working;
    QLabel* m_labelSensor = nullptr; // the position and factory number of the sensor acted on
    QGroupBox* m_groupBox1 = nullptr;
    QLabel* m_label = nullptr;
    QLineEdit* m_edit = nullptr;
    QGroupBox* m_groupBox2 = nullptr;
    QLabel* m_label1 = nullptr;
    QLineEdit* m_edit1 = nullptr;
    QLabel* m_label2 = nullptr;
    QLineEdit* m_edit2 = nullptr;
    QPushButton* m_buttonAccept = nullptr;
    QPushButton* m_buttonCansel = nullptr;
};

} // namespace vatrel
