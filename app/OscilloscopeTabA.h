// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "app/OscChart.h"
#include "core/CoreDoor.h"
#include "core/Console.h"

#include <QWidget>
#include <array>

class QLineEdit;
class QLineSeries;

namespace vatrel {

class OscEntries;

// Tab "Осциллограф датчиков Ватрел-А" (TabSheet6): a chart with its scale entries and the DC component
// of a type A sensor. No measurement is ever plotted on its chart; the DC component entry is what
// the operator uses it for.
class OscilloscopeTabA : public QWidget {
    Q_OBJECT
public:
    explicit OscilloscopeTabA(CoreDoor& door, QWidget* parent = nullptr);

    // Shows the console's entry texts and the chart's scale.
    void refresh();

private:
    CoreDoor& m_door;
    const OscControls& m_osc; // the windows' mirror of the entries and the charts
    const OscScope& m_scope;
    OscEntries* m_entries = nullptr;
    OscChart m_chart;
    std::array<QLineSeries*, 3> m_used{}; // VASeries1 … VASeries3
    quint32 m_drawnRevision = ~0u;
};

} // namespace vatrel
