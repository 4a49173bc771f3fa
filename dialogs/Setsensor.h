#pragma once
#include "registry/Console.h"

#include <QDialog>

namespace vatrel {

// Sensor connect dialog (FSetSensor). The window frame only so far: the controls come later.
class TFSetSensor : public QDialog {
    Q_OBJECT
public:
    explicit TFSetSensor(Console& c, QWidget* parent = nullptr);

private:
    Console& m_c;
};

} // namespace vatrel
