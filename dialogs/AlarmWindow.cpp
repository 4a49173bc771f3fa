// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/AlarmWindow.h"
#include "core/CoreDoor.h"
#include "core/OperatorActions.h"
#include "dialogs/AcknowledgeDialog.h"
#include "dialogs/GridView.h"
#include "registry/AckReasons.h"
#include "registry/DateTime.h"
#include "dialogs/TextLayoutDelegate.h"
#include "dialogs/TimedDisarmDialog.h"
#include "registry/Alarms.h"

#include <QCloseEvent>
#include <QFile>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <algorithm>

namespace vatrel {

namespace {

QFont tahoma(int points, bool italic = false) {
    QFont f(QStringLiteral("Tahoma"), points);
    f.setBold(true);
    f.setItalic(italic);
    return f;
}

QLabel* yellowLabel(QWidget* parent, const QString& name, const QString& text, const QFont& font) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setFont(font);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, Qt::yellow);
    l->setPalette(p);
    return l;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& text, const QRect& geometry) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setGeometry(geometry);
    // No default button: Enter in the sensor number entry must not acknowledge the alarms. Enter on a
    // button the operator moved the focus to is handled by the window's event filter.
    b->setAutoDefault(false);
    b->setDefault(false);
    b->installEventFilter(parent);
    return b;
}

// How long a hand scroll of the list holds off the jump to the newest alarm.
constexpr qint64 kManualScrollHoldMs = 10000;

} // namespace

AlarmWindow::AlarmWindow(CoreDoor& door, QWidget* parent)
    : QDialog(parent), m_door(door), m_alarms(door.mirror().alarms), m_clock(door.mirror().clock) {
    setObjectName(QStringLiteral("FormAlarmWindow"));
    setWindowTitle(QStringLiteral("Окно тревожных сообщений"));
    // A top-level window of its own, not a dialog: a window manager keeps a dialog with the program's
    // other windows and minimises it with them. Title only: no close, minimise or maximise button
    // where the window manager honours the hints (where it does not, a minimise is undone at once).
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);
    setFixedSize(890, 423);
    // A shown alarm window must not keep the program running once the main window has closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFont(tahoma(8));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::red);
    setPalette(pal);
    setAutoFillBackground(true);

    auto* headline = yellowLabel(this, QStringLiteral("Label1"), QStringLiteral("ВНИМАНИЕ !  ТРЕВОГА !    "),
                                 tahoma(20, true));
    headline->setGeometry(16, 6, 520, 40);
    auto* countCaption =
        yellowLabel(this, QStringLiteral("Label2"), QStringLiteral("Всего сообщений:"), tahoma(10));
    countCaption->setGeometry(600, 16, 150, 22);
    m_alarmCountLabel = yellowLabel(this, QStringLiteral("LabelNumAlarm"), QStringLiteral("0"), tahoma(10));
    m_alarmCountLabel->setGeometry(756, 16, 120, 22);
    // More than ten alarms in ten minutes: the rate shows beside the headline, and goes again when
    // the alarms slow down (looked at once a second).
    m_floodLabel = yellowLabel(this, QStringLiteral("LabelFlood"), QString(), tahoma(9, true));
    m_floodLabel->setGeometry(392, 18, 204, 20);
    m_floodLabel->hide();
    auto* floodTimer = new QTimer(this);
    floodTimer->setInterval(1000);
    connect(floodTimer, &QTimer::timeout, this, [this] { showFlood(); });
    floodTimer->start();

    m_model = new AlarmListModel(m_alarms, this);
    m_grid = new GridView(this);
    m_grid->setObjectName(QStringLiteral("StringGrid1"));
    m_grid->setModel(m_model);
    m_grid->setItemDelegate(new TextLayoutDelegate(m_grid));
    m_grid->setGeometry(8, 52, 874, 268);
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setDefaultSectionSize(22);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_grid->horizontalHeader()->setFont(tahoma(10));
    connect(m_grid, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid() && index.row() < m_alarms.rows())
            emit alarmDoubleClicked(m_alarms.alarms()[size_t(index.row())].event.factory_number);
    });
    m_grid->setColumnWidth(0, 188);
    m_grid->setColumnWidth(1, 947);
    m_grid->setShowGrid(true);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The operator chooses the alarms to acknowledge: rows, one or several.
    m_grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->installEventFilter(this);
    m_grid->setSelectionMovesWithRows(true); // keepChoice()
    // A row chosen by mouse or keyboard comes into view upwards or downwards only: the list must not
    // slide sideways to the clicked cell of the wide event column and hide the times.
    m_grid->setAutoScroll(false);
    // Tab leaves the list for the next control: inside it the arrow keys choose the rows.
    m_grid->setTabKeyNavigation(false);
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& at) {
                if (!at.isValid()) return;
                QScrollBar* across = m_grid->horizontalScrollBar();
                const int x = across->value();
                m_grid->scrollTo(at);
                across->setValue(x);
            });
    connect(m_grid->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (m_restoringChoice) return;
        m_chosen.clear();
        const AlarmBoard& shown = m_model->shown();
        for (const QModelIndex& row : m_grid->selectionModel()->selectedRows())
            if (row.row() < shown.rows()) m_chosen.push_back(shown.alarms()[size_t(row.row())].id);
        std::sort(m_chosen.begin(), m_chosen.end());
    });
    m_grid->setWordWrap(false);
    QPalette gridPal = m_grid->palette();
    gridPal.setColor(QPalette::Base, Qt::yellow);
    gridPal.setColor(QPalette::Text, Qt::red);
    m_grid->setPalette(gridPal);

    auto* acknowledgeButton = button(this, QStringLiteral("BitBtnAllOtboy"), QStringLiteral("Отбой тревог"),
                                     QRect(8, 376, 180, 32));
    auto* confirmButton =
        button(this, QStringLiteral("BitBtnAck"), QStringLiteral("Подтвердить"), QRect(196, 376, 96, 32));
    yellowLabel(this, QStringLiteral("LabeledEdit1Label"), QStringLiteral("Датчик"), tahoma(8))
        ->setGeometry(300, 358, 100, 16);
    m_sensorEntry = new QLineEdit(QStringLiteral("0"), this);
    m_sensorEntry->setObjectName(QStringLiteral("LabeledEdit1"));
    m_sensorEntry->setMaxLength(6);
    m_sensorEntry->setGeometry(300, 378, 100, 26);
    auto* disarmLoop1Button = button(this, QStringLiteral("BitBtn1"),
                                     QStringLiteral("Снять с охраны шлейф 1"), QRect(420, 376, 220, 32));
    auto* disarmLoop2Button = button(this, QStringLiteral("BitBtn2"),
                                     QStringLiteral("Снять с охраны шлейф 2"), QRect(656, 376, 220, 32));
    // Disarming until a set time (TimedDisarmDialog), and the warning a minute before such a loop is
    // armed again (the core says which: TimedDisarms::warnings).
    m_timedEndLabel = yellowLabel(this, QStringLiteral("LabelTimedEnd"), QString(), tahoma(9));
    m_timedEndLabel->setGeometry(8, 326, 400, 26);
    m_timedEndLabel->hide();
    auto* timedLoop1Button = button(this, QStringLiteral("BitBtnTimed1"),
                                    QStringLiteral("Снять Ш1 на время…"), QRect(420, 326, 220, 26));
    auto* timedLoop2Button = button(this, QStringLiteral("BitBtnTimed2"),
                                    QStringLiteral("Снять Ш2 на время…"), QRect(656, 326, 220, 26));

    // Tab order starts at the sensor number entry; the window opens with the focus there.
    setTabOrder(m_sensorEntry, disarmLoop1Button);
    setTabOrder(disarmLoop1Button, disarmLoop2Button);
    setTabOrder(disarmLoop2Button, timedLoop1Button);
    setTabOrder(timedLoop1Button, timedLoop2Button);
    setTabOrder(timedLoop2Button, acknowledgeButton);
    setTabOrder(acknowledgeButton, m_grid);
    setTabOrder(m_grid, confirmButton);
    m_sensorEntry->setFocus();
    connect(m_grid->verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
            [this] { m_sinceManualScroll.start(); });

    connect(acknowledgeButton, &QPushButton::clicked, this, &AlarmWindow::acknowledgeAllAlarms);
    connect(confirmButton, &QPushButton::clicked, this, &AlarmWindow::acknowledgeSelected);
    connect(disarmLoop1Button, &QPushButton::clicked, this, &AlarmWindow::disarmLoop1OfEnteredSensor);
    connect(disarmLoop2Button, &QPushButton::clicked, this, &AlarmWindow::disarmLoop2OfEnteredSensor);
    connect(timedLoop1Button, &QPushButton::clicked, this,
            [this] { TimedDisarmDialog::disarmEntered(m_door, this, m_sensorEntry->text(), 1); });
    connect(timedLoop2Button, &QPushButton::clicked, this,
            [this] { TimedDisarmDialog::disarmEntered(m_door, this, m_sensorEntry->text(), 2); });

    refresh();
}

AlarmWindow::~AlarmWindow() { stopSound(); }

void AlarmWindow::refresh() {
    // Rows the model removes or adds move the selection by place; the choice is by alarm.
    m_restoringChoice = true;
    m_model->refresh();
    m_restoringChoice = false;
    keepChoice();
    m_alarmCountLabel->setText(QString::number(m_alarms.total()));
    showFlood();
    showTimedEnd();
    // Each new alarm brings the newest row into view (also once the list is full and only scrolls),
    // unless the operator is reading older rows.
    const bool added = m_alarms.total() > m_shownTotal;
    m_shownTotal = m_alarms.total();
    const bool readingByHand =
        m_sinceManualScroll.isValid() && m_sinceManualScroll.elapsed() < kManualScrollHoldMs;
    if (added && !readingByHand) scrollToNewest();
}

void AlarmWindow::showFlood() {
    const int recent = m_alarms.recentAlarms(m_clock.now());
    const bool flood = recent > AlarmBoard::kFloodLevel;
    if (flood)
        m_floodLabel->setText(QStringLiteral("Поток тревог: ") + QString::number(recent) +
                              QStringLiteral(" за 10 мин"));
    if (m_floodLabel->isVisibleTo(this) != flood) m_floodLabel->setVisible(flood);
}

void AlarmWindow::showTimedEnd() {
    const QString text = m_door.mirror().timedDisarms.warningText();
    const bool was = m_timedEndLabel->isVisibleTo(this);
    m_timedEndLabel->setText(text);
    m_timedEndLabel->setVisible(!text.isEmpty());
    // Shown for the warning alone, the window goes with it.
    if (was && text.isEmpty() && !hasAlarms()) hide();
}

bool AlarmWindow::showsTimedEnd() const { return m_timedEndLabel->isVisibleTo(this); }

void AlarmWindow::scrollToNewest() {
    if (m_alarms.isEmpty()) return;
    // The newest alarm is the board's last, model row rows() − 1; the empty row below it comes into
    // view too when there is room.
    const int last = m_model->rowCount() - 1;
    m_grid->scrollTo(m_model->index(last, 0), QAbstractItemView::PositionAtBottom);
    m_grid->scrollTo(m_model->index(m_model->shown().rows() - 1, 0), QAbstractItemView::EnsureVisible);
}

void AlarmWindow::bringToFront() {
    // Whatever the window manager did to it (minimised, maximised, behind, another workspace), the
    // window comes back as it was laid out, in front and active.
    const Qt::WindowStates state = windowState();
    if (state & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        setWindowState(state & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    show();
    raise();
    activateWindow();
    // A key the operator was typing elsewhere lands in the sensor number, never on a button.
    focusSensorEntry();
}

bool AlarmWindow::hasAlarms() const { return !m_alarms.isEmpty(); }

void AlarmWindow::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    // The window must stay in sight while it is shown: a minimise (or maximise) from the window
    // manager's title bar or keys is undone as soon as the window manager has done it.
    if (event->type() == QEvent::WindowStateChange && isVisible() &&
        (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
        QTimer::singleShot(0, this, [this] {
            if (isVisible()) bringToFront();
        });
}

void AlarmWindow::focusSensorEntry() { m_sensorEntry->setFocus(Qt::OtherFocusReason); }

bool AlarmWindow::soundPlaying() const { return m_sound.isPlaying(); }

bool AlarmWindow::eventFilter(QObject* watched, QEvent* event) {
    // Enter on a button that has the focus presses it, as Space does; the buttons are not auto-default
    // so that Enter elsewhere in the window presses nothing.
    if (event->type() == QEvent::KeyPress) {
        auto* b = qobject_cast<QPushButton*>(watched);
        const int key = static_cast<QKeyEvent*>(event)->key();
        // Enter on the list acknowledges the rows chosen there.
        if (watched == m_grid && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            acknowledgeSelected();
            return true;
        }
        if (b && b->hasFocus() && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            b->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void AlarmWindow::playSound(const QString& path) { m_sound.play(path); }

void AlarmWindow::stopSound() { m_sound.stop(); }

void AlarmWindow::acknowledgeAllAlarms() {
    // What the operator acknowledges is what the list showed: an alarm that came in since stays.
    m_door.act([seen = m_model->lastShownId()](OperatorActions& a) { a.acknowledgeAllAlarms(seen); });
    refresh();
    if (hasAlarms()) return;
    // The core stopped its own sound when it emptied the list (not from here: an alarm that came in
    // since must sound); the window's own one follows what it shows.
    stopSound();
    hide();
}

void AlarmWindow::keepChoice() {
    if (m_chosen.empty()) return;
    // Alarms are listed in the order of their ids.
    const auto& alarms = m_model->shown().alarms();
    std::vector<quint64> still;
    QItemSelection rows;
    for (const quint64 id : m_chosen) {
        const auto a = std::lower_bound(alarms.begin(), alarms.end(), id,
                                        [](const AlarmBoard::Alarm& x, quint64 v) { return x.id < v; });
        if (a == alarms.end() || a->id != id) continue; // gone from the list
        const int row = int(a - alarms.begin());
        rows.select(m_model->index(row, 0), m_model->index(row, 1));
        still.push_back(id);
    }
    QItemSelectionModel* selection = m_grid->selectionModel();
    bool same =
        still.size() == m_chosen.size() && selection->selectedRows().size() == qsizetype(still.size());
    for (const QItemSelectionRange& r : rows)
        same = same && selection->isRowSelected(r.top(), QModelIndex());
    m_chosen = std::move(still);
    if (same) return;
    m_restoringChoice = true;
    selection->select(rows, QItemSelectionModel::ClearAndSelect);
    m_restoringChoice = false;
}

std::vector<quint64> AlarmWindow::selectedNewAlarms() const {
    std::vector<quint64> ids;
    for (const quint64 id : m_chosen)
        if (const AlarmBoard::Alarm* a = m_model->shown().find(id); a && a->state == AlarmBoard::State::New)
            ids.push_back(id);
    return ids;
}

void AlarmWindow::acknowledgeSelected() {
    AlarmAcknowledgement ack;
    ack.ids = selectedNewAlarms();
    // Nothing new chosen: the oldest new alarm, so that alarms can be dealt with one after another.
    if (ack.ids.empty())
        for (const AlarmBoard::Alarm& a : m_model->shown().alarms())
            if (a.state == AlarmBoard::State::New) {
                ack.ids.push_back(a.id);
                break;
            }
    if (ack.ids.empty()) return;
    ack.seenId = m_model->lastShownId();
    QString what = QStringLiteral("Выбрано тревог: ") + QString::number(ack.ids.size());
    if (ack.ids.size() == 1)
        if (const AlarmBoard::Alarm* a = m_model->shown().find(ack.ids.front()))
            what = formatDateTime(a->event.time) + QStringLiteral("  ") + AlarmListModel::eventText(*a);
    AcknowledgeDialog dialog(loadAckReasons(m_door.mirror().data_dir), what, this);
    if (dialog.exec() != QDialog::Accepted) return;
    ack.reason = dialog.reason();
    ack.comment = dialog.comment();
    m_door.act([&ack](OperatorActions& a) { return a.acknowledgeAlarms(ack); });
    m_grid->clearSelection();
    refresh();
    // The core stopped its sound if no alarm is new; the window's own one follows what it shows.
    if (!m_alarms.anyNew()) stopSound();
}

void AlarmWindow::disarmLoop1OfEnteredSensor() {
    m_door.act([sensor = m_sensorEntry->text()](OperatorActions& a) { a.disarmLoopOfSensor(sensor, 1); });
    refresh();
}

void AlarmWindow::disarmLoop2OfEnteredSensor() {
    m_door.act([sensor = m_sensorEntry->text()](OperatorActions& a) { a.disarmLoopOfSensor(sensor, 2); });
    refresh();
}

void AlarmWindow::reject() {}

void AlarmWindow::closeEvent(QCloseEvent* event) { event->ignore(); }

void AlarmWindow::showEvent(QShowEvent* event) {
    if (!m_centred) {
        m_centred = true;
        if (const QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
    }
    QDialog::showEvent(event);
    focusSensorEntry();
    // Rows added while hidden were laid out without a viewport: bring the newest one in now.
    scrollToNewest();
}

} // namespace vatrel
