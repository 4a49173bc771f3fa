// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/CoreSideUi.h"
#include "core/OperatorActions.h"
#include "core/ShownState.h"
#include "core/Console.h"

#include <QMutex>
#include <QObject>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>

class QThread;
class QTimer;

namespace vatrel {

// The alarm sound as the core drives it; the window layer supplies the platform's.
class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    virtual void play(const QString& wavPath) = 0;
    virtual void stop() = 0;
    // Lets go of what the sound holds, on the thread that played it (the core's is about to end).
    virtual void release() {}
};

// The windows' one way into the core.
//
// Threaded (the running program): the core (sensor records, the converter link and its timers, the
// event log files, the alarm list and its sound, the site feed's hand-off) runs on a thread of its
// own, so nothing the windows do (a long export, a print job, an open dialog) holds back receiving,
// logging or sounding an alarm. The windows read a mirror of what they show, refreshed by queued
// notices at most once per refresh interval. An operator's command goes through call(): it runs on
// the core thread while the window thread waits (the core never waits for the windows), the mirror
// is brought up to date, then the boxes the command raised are shown, answered before the window
// goes on. Boxes the core raises on its own travel to the windows as notices.
//
// Inline (tests): no thread; the mirror is the core itself, and call() runs the command at once.
class CoreDoor : public QObject {
public:
    enum class Mode { Inline, Threaded };

    CoreDoor(Console& core, Mode mode, QObject* parent = nullptr);
    ~CoreDoor() override;
    CoreDoor(const CoreDoor&) = delete;
    CoreDoor& operator=(const CoreDoor&) = delete;

    bool threaded() const { return m_threaded; }
    // What the windows read: the core itself when inline.
    Console& mirror() { return m_threaded ? *m_mirror : m_core; }
    // The window layer's own ui (boxes, questions), as the mirror holds it: null once it is gone.
    ConsoleUi* windowUi() { return mirror().ui; }

    // The window layer (boxes, views, the alarm window's raise), the sound the core drives and the
    // views' refresh interval. Inline, the window layer simply becomes the core's ui.
    void connectWindows(ConsoleUi* windowUi, SoundOutput* sound, int refreshMs);
    void setRefreshInterval(int ms);
    // The display went away: nothing reaches the windows from now on.
    void detachWindows() { m_windowUi = nullptr; }

    // Runs an operator's command on the core and returns its result (see above).
    template <class F> auto call(F&& fn) -> std::invoke_result_t<F&, Console&>;
    // Runs one of the operator's actions on the core, exactly as call() runs a command: the window
    // names the action and is handed only the actions, never the console.
    template <class F> auto act(F&& fn) -> std::invoke_result_t<F&, OperatorActions&>;
    // The same for disarming a loop until a set time.
    template <class F> auto actTimed(F&& fn) -> std::invoke_result_t<F&, TimedDisarmActions&>;
    // Sends the core something to do, without waiting.
    void post(std::function<void(Console&)> fn);
    // A change of state the windows and the core both hold (the selected cell, a typed entry): made
    // in the mirror now and sent to the core.
    void share(const std::function<void(Console&)>& fn);
    // The same for one part: `part` names it (&Console::osc), `fn` changes it.
    template <class Part, class F> void share(Part Console::*part, F fn) {
        share([part, fn = std::move(fn)](Console& c) { fn(c.*part); });
    }

    // The receive pass (TimerRv, 10 ms), the command timer (Timer1) and the clock (Timer2), on the
    // core's thread. Their parent is timers().
    void startTimers();
    void stopTimers();
    // Stops the alarm sound the core plays, whatever the core's ui does (a backstop).
    void stopSound();
    QObject* timers() const { return m_host; }

    // Ends the core thread; commands after it run on the calling thread. The destructor does it too.
    void shutDown();

    // For the core side only.
    // Core thread: the views changed, of the sensor table the rows of `rows`.
    void publish(ViewSet views, const SlotSet& rows, bool raise, bool samples);
    void toWindows(std::function<void(ConsoleUi&)> fn); // any thread: queued to the windows

private:
    void runOnCore(const std::function<void()>& fn);
    void runBlocking(const std::function<void()>& fn);
    void takeShownState(); // window thread

    Console& m_core;
    const bool m_threaded;
    bool m_running = false; // the core thread runs
    std::unique_ptr<Console> m_mirror;
    QThread* m_thread = nullptr;
    QObject* m_host = nullptr; // on the core's thread; the timers are its children
    QTimer* m_timerRv = nullptr;
    QTimer* m_timer1 = nullptr;
    QTimer* m_timer2 = nullptr;
    ConsoleUi* m_windowUi = nullptr;
    SoundOutput* m_sound = nullptr;
    std::unique_ptr<CoreSideUi> m_coreUi;

    // What the core has published and the windows have not yet taken.
    QMutex m_pendingLock;
    std::unique_ptr<Console> m_pending;
    ViewSet m_pendingViews = 0;
    SlotSet m_pendingRows;
    bool m_pendingRaise = false;
    bool m_pendingSamples = false;
    bool m_wakeQueued = false;
    // Shares sent by the windows and applied by the core (numbered): a snapshot taken before the
    // core applied the last one does not overwrite what the windows changed meanwhile.
    quint64 m_sharesSent = 0;    // window thread
    quint64 m_sharesApplied = 0; // core thread
    quint64 m_pendingShares = 0; // under m_pendingLock
};

template <class F> auto CoreDoor::call(F&& fn) -> std::invoke_result_t<F&, Console&> {
    using R = std::invoke_result_t<F&, Console&>;
    if (!m_running) return fn(m_core);
    if constexpr (std::is_void_v<R>) {
        runOnCore([&] { fn(m_core); });
    } else {
        std::optional<R> result;
        runOnCore([&] { result.emplace(fn(m_core)); });
        return std::move(*result);
    }
}

template <class F> auto CoreDoor::act(F&& fn) -> std::invoke_result_t<F&, OperatorActions&> {
    return call([&fn](Console& c) {
        OperatorActions actions = c.actions();
        return fn(actions);
    });
}

template <class F> auto CoreDoor::actTimed(F&& fn) -> std::invoke_result_t<F&, TimedDisarmActions&> {
    return call([&fn](Console& c) {
        TimedDisarmActions timed = c.timedDisarming();
        return fn(timed);
    });
}

} // namespace vatrel
