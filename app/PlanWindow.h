// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "app/PlanSensorLook.h"
#include "core/CoreDoor.h"
#include "registry/ChangeNotices.h"
#include "registry/PlanLayout.h"
#include "registry/SensorRows.h"

#include <QElapsedTimer>
#include <QHash>
#include <QTimer>
#include <QWidget>
#include <functional>

class QAction;
class QLabel;
class QTabWidget;

namespace vatrel {

class PlanScene;
class PlanSensorList;
class PlanView;

// "План объекта": the site plans in a window of their own, so they can stand on a second screen
// beside the main window. Sensors are drawn in their table rows' colours, a loop alarm not yet
// acknowledged blinks, and the operator works with a sensor on the plan as with its table row.
// "Разметка" lets the operator place sensors, draw their fence lines and manage the plans; every
// change goes to the layout and is saved in data/plans/plans.json at once.
class PlanWindow : public QWidget {
    Q_OBJECT
public:
    explicit PlanWindow(CoreDoor& door, QWidget* parent = nullptr);
    ~PlanWindow() override;

    // Shows the window where it last stood, reading the plans the first time.
    void open();
    // Brings the window forward on the first plan that holds the sensor, centred on it. False when no
    // plan holds it (the window still comes forward).
    bool showSensor(quint32 number);
    // The sensor table's rows or the alarm list changed; refreshDone ends the refresh, and the plans
    // follow both in one pass.
    void refreshView(View view);
    void refreshDone();

    const PlanLayout& layout() const { return m_layout; }
    int currentPlan() const;
    PlanView* view(int plan) const;
    bool editing() const { return m_editing; }
    void setEditing(bool editing);
    // The plan's tab is marked: an alarm of a sensor on it waits, and another plan is shown.
    bool tabMarked(int plan) const;
    // The sensor's tooltip: its table row, header by header.
    QString tipOf(quint32 number) const;

    // Where the operator names a plan and picks a picture (tests answer them).
    std::function<QString(const QString& caption, const QString& current)> askPlanName;
    std::function<QString()> choosePictureFile;

    // Edits, as the window's controls make them.
    void addPlan();
    void renameCurrentPlan();
    void removeCurrentPlan();
    void chooseCurrentPicture();

signals:
    // A sensor was clicked (its slot): the table selects its row.
    void sensorChosen(int slot);
    // The sensor's menu was asked for: the table's menu for that row, at `screenPos`.
    void sensorMenuRequested(int slot, QPoint screenPos);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Shown {
        int slot = -1;
        SensorRow row;
        quint8 unacknowledged = 0; // bit 0 loop 1, bit 1 loop 2
        bool operator==(const Shown&) const = default;
    };

    QString plansDir() const;
    bool drawn() const; // on screen: shown, not minimized, exposed
    void loadPlans();
    void savePlacement();
    void rebuildTabs();
    void connectScene(PlanScene* scene);
    void layoutChanged(int plan);
    bool save();
    void applyLooks();
    void updateLooks(bool all);
    void findUnacknowledged();
    PlanSensorLook lookOf(quint32 number, const Shown& shown) const;
    void markTabs();
    void fillUnplaced();
    void chooseSensor(quint32 number);
    void sensorClicked(quint32 number);
    void sensorMenu(quint32 number, QPoint screenPos);
    void editMenu(quint32 number, QPoint screenPos);
    void sensorDropped(quint32 number, QPointF at);
    void pointClicked(QPointF at);
    void setDrawing(bool drawing);
    void blink();
    PlanScene* scene(int plan) const;

    CoreDoor& m_door;
    Console& m_c; // the windows' mirror of the core
    PlanLayout m_layout;
    bool m_loaded = false;
    bool m_fileRefused = false;      // plans.json could not be read: left as it was
    bool m_overwriteDecided = false; // the operator was asked whether to replace it
    bool m_overwriteAllowed = false;
    bool m_placed = false; // the window was put where it last stood
    bool m_editing = false;
    bool m_drawing = false;
    bool m_stale = true;       // the looks wait for the window to be shown
    bool m_alarmsStale = true; // the unacknowledged alarms are to be looked for again
    bool m_looksDue = false;   // the refresh under way changed rows or alarms
    bool m_blinkOff = false;
    quint32 m_chosen = 0;
    QList<QPointF> m_drawn; // the line being drawn

    QHash<quint32, Shown> m_shown;           // by factory number, every sensor placed anywhere
    QHash<quint32, PlanSensorLook> m_looks;  // as last drawn
    QHash<quint32, quint8> m_unacknowledged; // by factory number
    QHash<quint64, quint8> m_alarmLoops;     // an alarm's loop bits, by its id
    QTimer m_blinkTimer;
    QElapsedTimer m_sinceBlink;
    // A refresh less than kLooksGapMs after the plans last followed the table is held back until the
    // table's next refresh (100 ms on) or, when none comes, kLooksLateMs.
    static constexpr int kLooksGapMs = 150;
    static constexpr int kLooksLateMs = 120;
    QElapsedTimer m_sinceLooks; // since the plans last followed the table
    QTimer m_lateLooks;

    QTabWidget* m_tabs = nullptr;
    PlanSensorList* m_unplaced = nullptr;
    QWidget* m_unplacedPanel = nullptr;
    QLabel* m_statusLabel = nullptr;
    QAction* m_editAction = nullptr;
    QAction* m_lineAction = nullptr;
    QList<QAction*> m_editActions;
};

} // namespace vatrel
