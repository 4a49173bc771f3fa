#pragma once
#include "registry/Console.h"

#include <QDialog>

namespace vatrel {

// Threshold DC component dialog (FDirect_component_porog). The window frame only so far: the controls come
// later.
class TFDirect_component_porog : public QDialog {
    Q_OBJECT
public:
    explicit TFDirect_component_porog(Console& c, QWidget* parent = nullptr);

private:
    Console& m_c;
};

} // namespace vatrel
