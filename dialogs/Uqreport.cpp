#include "dialogs/Uqreport.h"

namespace vatrel {

TFQReport::TFQReport(Console& c, QWidget* parent) : QDialog(parent), m_c(c) {
    setObjectName(QStringLiteral("FQReport"));
    setWindowTitle(QStringLiteral("Протокол событий"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    resize(1025, 688);
}

void TFQReport::OpenSensorLog(quint32 factory_number, qint16 sensor_type) {
    Q_UNUSED(factory_number);
    Q_UNUSED(sensor_type);
}

} // namespace vatrel
