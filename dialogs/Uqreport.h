#pragma once
#include "registry/Console.h"

#include <QDialog>

namespace vatrel {

// Event log viewer (FQReport). The window frame only so far: the listing, filters, paging and printing come
// later.
class TFQReport : public QDialog {
    Q_OBJECT
public:
    explicit TFQReport(Console& c, QWidget* parent = nullptr);

    // Loads the log of one sensor and positions on its last page. Not implemented yet: the viewer
    // shows nothing so far.
    void OpenSensorLog(quint32 factory_number, qint16 sensor_type);

private:
    Console& m_c;
};

} // namespace vatrel
