// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/CoreDoor.h"

#include <QWidget>

class QComboBox;
class QToolButton;

namespace vatrel {

// The main window toolbar's "Дежурный:" choice: nobody ("нет") or a surname of the operator list.
// Choosing takes over the duty on the core; "…" edits the operator list as the connect dialog does.
class DutyChoice : public QWidget {
    Q_OBJECT
public:
    explicit DutyChoice(CoreDoor& door, QWidget* parent = nullptr);

    // Refills the choice from the mirror's operator list and shows who is on duty.
    void refresh();
    QComboBox* choice() const { return m_choice; }
    // Item `item` chosen (0 nobody, i + 1 operator list entry i).
    void choose(int item);
    // "…": the operator list in a dialog of its own ("Добавить", "Удалить").
    void editOperators();

private:
    CoreDoor& m_door;
    QComboBox* m_choice = nullptr;
    QToolButton* m_editButton = nullptr;
};

} // namespace vatrel
