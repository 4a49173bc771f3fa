// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>
#include <QPointer>
#include <QRect>

class QWidget;

namespace vatrel {

// The rules every window of the console keeps on a real desktop, whoever opens it (our own dialogs,
// the engine's boxes, Qt's file, print and colour dialogs):
//  - no window ever blocks the alarm window: a modal dialog is modal to its own window only;
//  - dialogs have a close-only frame and stay above ordinary windows; a minimise is undone;
//  - while the alarm window is up, a dialog or box is placed beside it rather than under it, so
//    nothing that waits for an answer is hidden by it.
class WindowRules : public QObject {
    Q_OBJECT
public:
    explicit WindowRules(QObject* parent = nullptr);
    ~WindowRules() override;

    void setAlarmWindow(QWidget* w) { m_alarm = w; }

    // Moves the shown dialogs and boxes out from under the alarm window (called when it comes up).
    void clearAlarmWindowArea();

    // The frame every dialog gets (set when it is first polished; a box that must keep its native
    // window from then on takes them before).
    static Qt::WindowFlags dialogFlags(const QWidget* w);

    // Where a window of the given frame size goes so that the alarm window's frame does not cover it:
    // below the alarm window, else above, right, left; when none of those has room and the window
    // would be wholly covered, its top edge goes to the top of the screen so that its caption shows.
    // Returns the frame's new top-left corner, or `current` when it may stay.
    static QPoint placeBeside(const QRect& current, const QRect& alarm, const QRect& screen);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void keepBesideAlarmWindow(QWidget* w);
    // Held as a plain widget: its events come in while it is being destroyed too, when it is no longer
    // of its own class.
    QPointer<QWidget> m_alarm;
};

} // namespace vatrel
