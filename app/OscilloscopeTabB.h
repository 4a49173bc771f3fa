// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "app/OscChart.h"
#include "core/CoreDoor.h"
#include "core/Console.h"

#include <QWidget>
#include <array>
#include <memory>

class QLabel;
class QLineEdit;
class QLineSeries;
class QPushButton;
class QTimer;

namespace vatrel {

class OscEntries;

// Tab "Осциллограф датчиков Ватрел-Б" (TabSheet2): start and stop of a type B oscillogram, one chart
// per flank with its scale entries, and the DC components of the sensor under observation. The
// curves and scales live in the console; this tab only draws them.
class OscilloscopeTabB : public QWidget {
    Q_OBJECT
public:
    explicit OscilloscopeTabB(CoreDoor& door, QWidget* parent = nullptr);

    // Shows the console's entry texts, enabled flags, scales and curves.
    void refresh();
    // New samples arrived: the curves are redrawn within a tenth of a second, all at once.
    void samplesArrived();
    // Replaces every series whose flank changed since it was last drawn (one replace() per series).
    void redrawCurves();

    void startOscillogram();
    void stopOscillogram();
    void saveDcComponent1();
    void saveDcComponent2();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void redrawAfterLayout();

    struct FlankView {
        OscChart chart;
        std::array<QLineSeries*, 4> series{};
        quint32 drawnRevision = ~0u;
    };

    CoreDoor& m_door;
    const OscControls& m_osc; // the windows' mirror of the entries and the charts
    const OscScope& m_scope;
    OscEntries* m_entries = nullptr;
    QLabel* m_positionLabel = nullptr;
    QLineEdit* m_positionEntry = nullptr;
    QPushButton* m_startButton = nullptr;
    QLabel* m_labelOscState = nullptr; // a start the converter never confirmed
    std::array<QLineEdit*, 2> m_delta{};
    std::array<std::unique_ptr<FlankView>, 2> m_flanks;
    QTimer* m_redrawTimer = nullptr;
};

} // namespace vatrel
