// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "dialogs/AlarmListModel.h"
#include "dialogs/AlarmSound.h"
#include "core/Console.h"

#include <QDialog>
#include <QElapsedTimer>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace vatrel {

class CoreDoor;
class GridView;

// The always-on-top alarm window. It cannot be closed from the title bar or with Escape: only
// "Отбой тревог" hides it, so the looping sound cannot be silenced without acknowledging.
class AlarmWindow : public QDialog {
    Q_OBJECT
public:
    explicit AlarmWindow(CoreDoor& door, QWidget* parent = nullptr);
    ~AlarmWindow() override;

    // Re-reads the list and the count from the alarm board.
    void refresh();

    // Loops the wave file; a missing file or sound device stays silent. (The sound of a core on its
    // own thread is played there, not here.)
    void playSound(const QString& path);
    void stopSound();
    bool soundPlaying() const;

    // Puts the keyboard focus on the sensor number entry ("Датчик"): a Space or Enter meant for another
    // window must never land on "Отбой тревог".
    void focusSensorEntry();
    // Shows the window as laid out, in front and active, whatever state the window manager left it in.
    void bringToFront();
    // True while the list holds an alarm not yet cleared by "Отбой тревог".
    bool hasAlarms() const;
    // True while the window warns that a loop disarmed on a timer is armed again within a minute.
    bool showsTimedEnd() const;

    // "Отбой тревог": clears the alarms, silences the sound and hides the window.
    void acknowledgeAllAlarms();
    // "Подтвердить" (or Enter on the list): asks the reason for the new alarms chosen in the list and
    // acknowledges them; with no new alarm chosen, the oldest new one.
    void acknowledgeSelected();
    // "Снять с охраны шлейф 1/2": disarms that loop of the sensor whose number is in "Датчик".
    void disarmLoop1OfEnteredSensor();
    void disarmLoop2OfEnteredSensor();

signals:
    // A row of the list was double-clicked: the sensor of that alarm.
    void alarmDoubleClicked(quint32 factoryNumber);

public slots:
    void reject() override; // Escape must not hide the window

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CoreDoor& m_door;
    const AlarmBoard& m_alarms; // the windows' mirror of the alarm list
    AlarmListModel* m_model = nullptr;
    QLabel* m_alarmCountLabel = nullptr;
    QLabel* m_floodLabel = nullptr;    // the alarm rate, while it is a flood
    QLabel* m_timedEndLabel = nullptr; // a loop armed again within a minute
    const Clock& m_clock;
    GridView* m_grid = nullptr;
    QLineEdit* m_sensorEntry = nullptr;
    AlarmSound m_sound;
    bool m_centred = false;
    // When the operator last scrolled the list by hand: the newest alarm is not pulled into view for a
    // while after that, so a row being read does not jump away.
    QElapsedTimer m_sinceManualScroll;
    quint32 m_shownTotal = 0; // the board's total at the last refresh
    void scrollToNewest();
    std::vector<quint64> selectedNewAlarms() const;
    // The choice follows the alarms, not the rows: once the list is full every new alarm moves the
    // rows up, and the rows chosen must still be the alarms the operator chose.
    void keepChoice();
    std::vector<quint64> m_chosen; // ids of the alarms chosen in the list, ascending
    bool m_restoringChoice = false;
    void showFlood();
    void showTimedEnd();
};

} // namespace vatrel
