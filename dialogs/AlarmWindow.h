// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/Console.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QElapsedTimer>
#include <QFont>

class QLabel;
class QLineEdit;
class QPushButton;
class QSoundEffect;
class QTableView;

namespace vatrel {

// Read-only view of the core's alarm list: grid row 0 is the header, rows 1 … rowCount − 1 the
// data rows (the last one possibly the empty bottom row).
class AlarmGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit AlarmGridModel(const AlarmList& alarms, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Takes up the list's new row count and tells the view of the rows whose texts changed, and of
    // nothing else: a new alarm inserts a row instead of redrawing the list, and once the list is
    // full its rows move up (rowsShifted) instead of being drawn again.
    void refresh();

signals:
    void rowsShifted(int first, int last, int count);

private:
    const AlarmList& m_alarms;
    const QFont m_font;
    int m_rows = 0;
};

// The always-on-top alarm window. It cannot be closed from the title bar or with Escape: only
// "Отбой тревог" hides it, so the looping sound cannot be silenced without acknowledging.
class AlarmWindow : public QDialog {
    Q_OBJECT
public:
    explicit AlarmWindow(Console& c, QWidget* parent = nullptr);
    ~AlarmWindow() override;

    // Re-reads the list, the count and the sensor number entry from the core.
    void refresh();

    // Loops the wave file; a missing file or sound device stays silent.
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

    void acknowledgeAllAlarms();
    void BitBtn1Click();
    void BitBtn2Click();

public slots:
    void reject() override; // Escape must not hide the window

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Console& m_c;
    AlarmGridModel* m_model = nullptr;
    QLabel* m_labelNumAlarm = nullptr;
    QTableView* m_grid = nullptr;
    QLineEdit* m_labeledEdit1 = nullptr;
    QSoundEffect* m_sound = nullptr; // created on the first sound that has a file to play
    bool m_centred = false;
    // When the operator last scrolled the list by hand: the newest alarm is not pulled into view for a
    // while after that, so a row being read does not jump away.
    QElapsedTimer m_sinceManualScroll;
    quint32 m_shownTotal = 0; // alarm_total at the last refresh
    void scrollToNewest();
};

} // namespace vatrel
