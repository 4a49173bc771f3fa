#pragma once
#include "registry/Console.h"

#include <QDialog>

namespace vatrel {

// Sensor disconnect dialog (RemoveSensor). The window frame only so far: the controls come later.
class TRemoveSensor : public QDialog {
    Q_OBJECT
public:
    explicit TRemoveSensor(Console& c, QWidget* parent = nullptr);

private:
    Console& m_c;
};

} // namespace vatrel
