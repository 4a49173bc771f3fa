// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WidgetUi.h"
#include "app/MainWindow.h"
#include "dialogs/AlarmWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QScopeGuard>
#include <QWindow>
#include <utility>

namespace vatrel {

namespace {
QMessageBox::Icon toBoxIcon(ConsoleUi::Icon icon) {
    switch (icon) {
    case ConsoleUi::Icon::Error:
        return QMessageBox::Critical;
    case ConsoleUi::Icon::Warning:
        return QMessageBox::Warning;
    case ConsoleUi::Icon::Information:
        return QMessageBox::Information;
    case ConsoleUi::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}
// A box whose caption is meant to be empty: the window system would put the program's name in an empty
// title bar, so the native title is one blank (the box's own caption stays empty).
void keepCaptionBlank(QMessageBox* box) {
    if (!box->windowTitle().isEmpty()) return;
    box->winId();
    if (QWindow* w = box->windowHandle()) w->setTitle(QStringLiteral(" "));
}

} // namespace

WidgetUi::WidgetUi(QObject* parent) : QObject(parent), m_rules(this) {}

void WidgetUi::setAlarmWindow(AlarmWindow* w) {
    m_alarm = w;
    m_rules.setAlarmWindow(w);
}

QWidget* WidgetUi::boxParent() const {
    // A box belongs to the window that waits on top: the topmost modal dialog when one is open (a box
    // of a window that dialog blocks would be blocked too, dead to keys and clicks), else the active
    // window. A popup menu is no parent: it goes away as soon as the box appears. Nor is the alarm
    // window: a box modal to it would leave its buttons dead until the box is answered. Nor another
    // box: closing it (they delete themselves) would take this one with it unanswered.
    QWidget* active = QApplication::activeModalWidget();
    if (!active || active == m_alarm.data()) active = QApplication::activeWindow();
    while (qobject_cast<QMessageBox*>(active))
        active = active->parentWidget() ? active->parentWidget()->window() : nullptr;
    if (active && active->windowType() != Qt::Popup && active != m_alarm.data() && active->isVisible())
        return active;
    if (m_main && m_main->isVisible()) return m_main;
    return nullptr;
}

void WidgetUi::message(const QString& caption, const QString& text, Icon icon) {
    if (m_gathered) {
        m_gathered->append(text);
        return;
    }
    // The engine's box is not opened again while one with its text is up; the operator's own action
    // always gets its answer.
    const QPointer<QMessageBox> shown = m_openBoxes.value(text);
    if (m_operatorActions == 0 && shown && shown->isVisible()) return;
    auto* box = new QMessageBox(toBoxIcon(icon), caption, text, QMessageBox::Ok, boxParent());
    // A box of the operator's own action is modal to its window; the engine's boxes block nothing:
    // two of them modal to one window would leave the older one dead to keys and clicks, and the
    // operator can go on working while one is up. QMessageBox takes a new frame when its modality
    // is set, so this comes first, then the frame of every dialog: given later, either would take
    // a new native window and lose the blank caption.
    const bool waits = m_operatorActions > 0;
    box->setWindowModality(waits ? Qt::WindowModal : Qt::NonModal);
    box->setWindowFlags(WindowRules::dialogFlags(box));
    keepCaptionBlank(box);
    // While a box is up, another with the same text is not opened.
    m_openBoxes.insert(text, box);
    connect(box, &QObject::destroyed, this, [this, text] {
        // A later box with the same text may already have taken the slot; drop only dead entries.
        // isNull() only: the box is half destroyed here and must not be cast back to a QMessageBox.
        if (m_openBoxes.value(text).isNull()) m_openBoxes.remove(text);
    });
    if (waits) {
        // The operator's own action waits for the answer (the program may end right after it).
        // While it waits, the engine's timers go on: a box they raise meanwhile must not wait too.
        const auto restore =
            qScopeGuard([this, depth = std::exchange(m_operatorActions, 0)] { m_operatorActions = depth; });
        box->exec();
        // The window the box waited on has the keyboard again (without a window manager nobody else
        // would give it back).
        if (QWidget* owner = box->parentWidget(); owner && owner->isVisible()) owner->activateWindow();
        delete box;
        return;
    }
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
}

bool WidgetUi::question(const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, boxParent());
    // The program speaks Russian whatever translations the system has.
    box.button(QMessageBox::Yes)->setText(QStringLiteral("Да"));
    box.button(QMessageBox::No)->setText(QStringLiteral("Нет"));
    box.setDefaultButton(QMessageBox::Yes);
    box.setWindowModality(Qt::WindowModal);
    return box.exec() == QMessageBox::Yes;
}

void WidgetUi::setRefreshInterval(int ms) {
    m_refreshMs = qMax(0, ms);
    m_refreshTimer.setSingleShot(true);
    connect(&m_refreshTimer, &QTimer::timeout, this, &WidgetUi::flushViews, Qt::UniqueConnection);
}

void WidgetUi::changed(View view) {
    m_dirty |= 1u << unsigned(view);
    scheduleFlush();
}

void WidgetUi::scheduleFlush() {
    // The first change after a quiet spell shows at once; the ones that follow within the interval
    // are gathered and shown together when it ends.
    if (m_refreshMs == 0 || !m_sinceFlush.isValid() || m_sinceFlush.elapsed() >= m_refreshMs) {
        m_refreshTimer.stop();
        flushViews();
    } else if (!m_refreshTimer.isActive()) {
        m_refreshTimer.start(int(m_refreshMs - m_sinceFlush.elapsed()));
    }
}

void WidgetUi::flushViews() {
    m_sinceFlush.start();
    const quint32 dirty = std::exchange(m_dirty, 0u);
    for (unsigned bit = 0; bit < 32; ++bit)
        if (dirty & (1u << bit)) applyView(View(bit));
    if (m_plan) m_plan->refreshDone();
    if (std::exchange(m_alarmRaisePending, false)) raiseAlarmWindow();
}

void WidgetUi::applyView(View view) {
    // The plan follows the table's rows and the alarm list within the same refresh.
    if (m_plan) m_plan->refreshView(view);
    if (view == View::AlarmList) {
        if (m_alarm) m_alarm->refresh();
        return;
    }
    if (m_main) m_main->refreshView(view);
}

void WidgetUi::showAlarmWindow() {
    // An alarm storm asks for this with every alarm; each time costs the window system a restacking
    // and a focus change, so it goes with the refresh of the views (at once after a quiet spell).
    m_alarmRaisePending = true;
    scheduleFlush();
}

void WidgetUi::raiseAlarmWindow() {
    if (!m_alarm || (m_alarm->isActiveWindow() && !m_alarm->isMinimized())) return;
    // The raise waits for the views' refresh; an operator who cleared the list with "Отбой тревог"
    // meanwhile (the window was up from an earlier alarm) has dealt with it, and no empty window
    // comes back. The warning that a loop disarmed on a timer is armed within a minute is its own
    // reason to come up.
    if (!m_alarm->hasAlarms() && !m_alarm->showsTimedEnd()) return;
    m_alarm->bringToFront();
    // Boxes and dialogs still waiting for an answer are moved out from under it: one left hidden
    // under the alarm window would block the window it belongs to with nothing on screen to say why.
    m_rules.clearAlarmWindowArea();
}

void WidgetUi::playAlarmSound(const QString& wavPath) {
    if (m_alarm) m_alarm->playSound(wavPath);
}

void WidgetUi::stopAlarmSound() {
    if (m_alarm) m_alarm->stopSound();
}

void WidgetUi::converterLinkLost() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            message(QStringLiteral("Ошибка"), QStringLiteral("Нет связи с преобразователем!"), Icon::Error);
        },
        Qt::QueuedConnection);
}

void WidgetUi::converterLinkRestored() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            message(QString(), QStringLiteral("Связь с преобразователем восстановлена!"), Icon::Warning);
        },
        Qt::QueuedConnection);
}

// The console cleared or ended the curves: the tabs show it with the entries' new state.
void WidgetUi::oscillogramStarted(int /*slot*/) { changed(View::Oscilloscope); }

void WidgetUi::oscillogramStopped() { changed(View::Oscilloscope); }

// The sample is already in the console's ring; the chart redraws from it within a tenth of a second.
void WidgetUi::oscillogramSampleB(const std::array<float, 8>& /*values*/) {
    if (m_main) m_main->samplesArrived();
}

} // namespace vatrel
