#include "dialogs/Uremovesensor.h"

namespace vatrel {

TRemoveSensor::TRemoveSensor(Console& c, QWidget* parent) : QDialog(parent), m_c(c) {
    setObjectName(QStringLiteral("RemoveSensor"));
    setWindowTitle(QStringLiteral("Отключение датчика"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(265, 255);
}

} // namespace vatrel
