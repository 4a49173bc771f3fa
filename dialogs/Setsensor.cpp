#include "dialogs/Setsensor.h"

namespace vatrel {

TFSetSensor::TFSetSensor(Console& c, QWidget* parent) : QDialog(parent), m_c(c) {
    setObjectName(QStringLiteral("FSetSensor"));
    setWindowTitle(QStringLiteral("Подключение датчика"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(242, 356);
}

} // namespace vatrel
