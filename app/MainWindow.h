// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/CoreDoor.h"
#include "core/Console.h"
#include "registry/OperatorCommands.h"

#include <QMainWindow>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableView;
class QModelIndex;

namespace vatrel {

class ComGridModel;
class DutyChoice;
class EventListModel;
class OscilloscopeTabA;
class OscilloscopeTabB;
class SensorGridModel;
class AboutBox;
class DcComponentDialog;
class LogViewer;
class ConnectSensorDialog;
class DisconnectSensorDialog;

// The dialogs the main window opens; they are created after it.
struct MainDialogs {
    AboutBox* aboutBox = nullptr;
    ConnectSensorDialog* connectDialog = nullptr;
    DisconnectSensorDialog* disconnectDialog = nullptr;
    LogViewer* logViewer = nullptr;
    DcComponentDialog* dcDialog = nullptr;
};

// The operator's console. Construction runs loadAndStart on the core: loads every stored file, opens
// the chosen port and logs the program start; then starts the core's timers. The door must already
// be connected to the windows.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // The main window's timers run on the core (the door holds them).
    explicit MainWindow(CoreDoor& door, QWidget* parent = nullptr);
    ~MainWindow() override;

    void setDialogs(const MainDialogs& dialogs) { m_dialogs = dialogs; }

    // Re-reads the part of the console state that changed.
    void refreshView(ConsoleUi::View view);
    void refreshAll();
    // Oscillogram samples came in; the type B tab redraws its curves shortly.
    void samplesArrived();

    // What the operator's menus, buttons and tabs do.
    void openAboutBox();
    void openLogViewer();
    void openShiftReport();
    // A tab was chosen: the event tab opens on its newest line.
    void bringNewestEventIntoView(int tabIndex);
    // The sensor table's context menu at `pos` (viewport coordinates), then what was chosen in it.
    void showSensorMenu(const QPoint& pos);
    // The sensor table's context menu for the selected row, at `screenPos`: the table's and the site
    // plan's.
    void showSensorMenuAt(const QPoint& screenPos);
    // Selects the slot's row as a click on it would, and brings it into view.
    void selectSensorRow(int slot);
    void choosePort(int index);
    void resetSlotCounters();

    // Ends the run as an answered exit does (saves, closes the port, logs the exit) without asking
    // and without a box: the system ends the program (shutdown, logout, a signal), or the display
    // went away (`windowsGone`: nothing may reach the windows then). Does nothing once ended.
    void endRunUnasked(bool windowsGone = false);
    bool runEnded() const { return m_closing; }
    DutyChoice* dutyChoice() const { return m_dutyChoice; }

signals:
    // The run is ended and everything is saved; the program may end.
    void exitConfirmed();
    // "План объекта" was chosen.
    void planWindowRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void loadAndStart();
    bool closeOnAltX(QKeyEvent* event); // true when the key was Alt+X: the window was asked to close
    void createToolBar();
    void createStatusBar();
    QWidget* createSensorTab();
    QWidget* createEventTab();
    QWidget* createDiagnosticsTab();
    void widenColumnsToFit();
    void runDialog(DialogRequest request);
    void selectCell(const QModelIndex& index);
    void endRun(bool operatorWatches);

    CoreDoor& m_door;
    Console& m_c; // the windows' mirror of the core
    MainDialogs m_dialogs;
    bool m_closing = false;

    QLabel* m_weekdayLabel = nullptr;
    QLabel* m_clockLabel = nullptr;
    QLabel* m_sensorCountLabel = nullptr;
    DutyChoice* m_dutyChoice = nullptr;
    QLabel* m_statusPanels[5] = {};
    QTabWidget* m_tabs = nullptr;
    QWidget* m_eventTab = nullptr;

    SensorGridModel* m_sensorModel = nullptr;
    QTableView* m_sensorGrid = nullptr;
    bool m_shownHighlight = false; // the selection highlight as the table was last drawn
    QFrame* m_waitPanel = nullptr;
    EventListModel* m_eventModel = nullptr;
    QTableView* m_eventGrid = nullptr;

    QComboBox* m_portChoice = nullptr;
    QLabel* m_counterLabels[6] = {};
    QLabel* m_longestPassUsLabel = nullptr;
    QLabel* m_longestPassMsLabel = nullptr;
    ComGridModel* m_comModel = nullptr;
    QTableView* m_comGrid = nullptr;

    OscilloscopeTabB* m_oscTabB = nullptr;
    OscilloscopeTabA* m_oscTabA = nullptr;
};

} // namespace vatrel
