// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/ChangeNotices.h"

#include <QString>
#include <QStringList>
#include <array>

namespace vatrel {

// The one narrow way the core talks back to the windows: the boxes it raises, the alarm window and
// sound, the converter link's notices and the oscilloscope feed. As a listener it hears every change
// the core's parts announce.
class ConsoleUi : public ChangeListener {
public:
    enum class Icon { None, Error, Warning, Information };

    using View = vatrel::View;

    virtual ~ConsoleUi() = default;

    // A message box with an OK button. Raised from timer-driven code it must not block; the window
    // layer shows it without a nested modal loop and never stacks two boxes with the same text.
    virtual void message(const QString& caption, const QString& text, Icon icon) = 0;
    // Yes/No question asked by an operator's own action; true for Yes.
    virtual bool question(const QString& caption, const QString& text) = 0;
    // Between these two calls an operator's own action runs (the exit sequence, a dialog's accept):
    // the boxes it raises are answered before it goes on, so none is lost when the action ends in
    // closing a window or the program.
    virtual void beginOperatorAction() {}
    virtual void endOperatorAction() {}
    // The same for one block: begun here, ended when the block is left.
    class OperatorAction {
    public:
        explicit OperatorAction(ConsoleUi* ui) : m_ui(ui) {
            if (m_ui) m_ui->beginOperatorAction();
        }
        ~OperatorAction() {
            if (m_ui) m_ui->endOperatorAction();
        }
        OperatorAction(const OperatorAction&) = delete;
        OperatorAction& operator=(const OperatorAction&) = delete;

    private:
        ConsoleUi* m_ui;
    };

    // While a list is given, message() adds its text there instead of showing a box: the exit
    // gathers what it could not save into one box. nullptr ends the gathering.
    virtual void gatherMessages(QStringList* /*into*/) {}

    void changed(View view) override = 0;
    // A sensor's row changed; a ui that does not follow single rows redraws the table.
    void sensorChanged(int /*slot*/, const SensorRecord& /*record*/, const SensorRow& /*row*/) override {
        changed(View::SensorGrid);
    }

    // Alarm window: shown non-modally and raised when it is not the active window.
    virtual void showAlarmWindow() = 0;
    virtual void playAlarmSound(const QString& wavPath) = 0;
    virtual void stopAlarmSound() = 0;

    // Converter link notifications, delivered queued, never inside the engine's pass.
    virtual void converterLinkLost() = 0;
    virtual void converterLinkRestored() = 0;

    // Oscilloscope feed (the charts live in the window layer).
    virtual void oscillogramStarted(int /*slot*/) {}
    virtual void oscillogramStopped() {}
    virtual void oscillogramSampleB(const std::array<float, 8>& /*values*/) {}
};

} // namespace vatrel
