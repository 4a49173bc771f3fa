// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/CoreDoor.h"
#include "link/Engine.h"
#include "link/Receiver.h"
#include "link/SerialPort.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <QTimer>
#include <exception>
#include <utility>

namespace vatrel {

CoreDoor::CoreDoor(Console& core, Mode mode, QObject* parent)
    : QObject(parent), m_core(core), m_threaded(mode == Mode::Threaded) {
    if (!m_threaded) {
        m_host = new QObject(this);
    } else {
        m_mirror = std::make_unique<Console>();
        m_pending = std::make_unique<Console>();
        m_mirror->notices.silence();
        m_pending->notices.silence();
        m_mirror->feed = core.feed; // for its status texts only: the mirror announces nothing
        m_mirror->clock = core.clock;
        copyShownState(core, *m_mirror, kAllViews, true, true);
        m_thread = new QThread(this);
        m_thread->setObjectName(QStringLiteral("vatrel-core"));
        m_host = new QObject; // no parent: it moves to the core's thread
        m_host->moveToThread(m_thread);
        if (core.link.port()) core.link.port()->moveToThread(m_thread);
        m_thread->start();
        m_running = true;
    }
    runBlocking([this] {
        // Nothing in the core is meant to throw. If something does on the core's thread, the windows
        // say what, and the core goes on with its next pass.
        const auto guarded = [this](void (*tick)(Console&)) {
            return [this, tick] {
                try {
                    tick(m_core);
                } catch (const std::exception& e) {
                    const QString what = QString::fromLocal8Bit(e.what());
                    toWindows([what](ConsoleUi& ui) {
                        ui.message(QStringLiteral("Ошибка"), what, ConsoleUi::Icon::Error);
                    });
                }
            };
        };
        auto timer = [this](const char* name, int ms) {
            auto* t = new QTimer(m_host);
            t->setObjectName(QString::fromLatin1(name));
            t->setInterval(ms);
            return t;
        };
        // A pass happens only while the port opening left the receive timer enabled.
        m_timerRv = timer("TimerRv", 10);
        m_timerRv->setTimerType(Qt::PreciseTimer);
        connect(m_timerRv, &QTimer::timeout, m_host,
                guarded([](Console& c) { c.receiver().onReceiveTick(); }));
        m_timer1 = timer("Timer1", 1000);
        connect(m_timer1, &QTimer::timeout, m_host,
                guarded([](Console& c) { onCommandTick(c.link, c.sensors, c.ui); }));
        m_timer2 = timer("Timer2", 1000);
        connect(m_timer2, &QTimer::timeout, m_host, guarded([](Console& c) {
                    onClockTick(c.status, c.clock, c.journal, c.eventLog, c.converterPort());
                    c.timedDisarming().onClockTick();
                }));
    });
}

CoreDoor::~CoreDoor() {
    shutDown();
    if (m_threaded) delete m_host;
}

void CoreDoor::connectWindows(ConsoleUi* windowUi, SoundOutput* sound, int refreshMs) {
    m_windowUi = windowUi;
    m_sound = sound;
    if (!m_running) {
        m_core.ui = windowUi;
        return;
    }
    m_mirror->ui = windowUi;
    runBlocking([this, refreshMs] {
        m_coreUi = std::make_unique<CoreSideUi>(*this, m_sound, refreshMs);
        m_core.ui = m_coreUi.get();
    });
}

void CoreDoor::setRefreshInterval(int ms) {
    if (m_running) runBlocking([this, ms] { m_coreUi->setRefreshInterval(ms); });
}

void CoreDoor::post(std::function<void(Console&)> fn) {
    if (!m_running) {
        fn(m_core);
        return;
    }
    QMetaObject::invokeMethod(
        m_host, [this, fn = std::move(fn)] { fn(m_core); }, Qt::QueuedConnection);
}

void CoreDoor::share(const std::function<void(Console&)>& fn) {
    if (!m_running) {
        fn(m_core);
        return;
    }
    fn(*m_mirror);
    const quint64 number = ++m_sharesSent;
    post([this, fn, number](Console& core) {
        fn(core);
        m_sharesApplied = number;
    });
}

void CoreDoor::startTimers() {
    runBlocking([this] {
        m_timerRv->start();
        m_timer1->start();
        m_timer2->start();
    });
}

void CoreDoor::stopTimers() {
    runBlocking([this] {
        m_timerRv->stop();
        m_timer1->stop();
        m_timer2->stop();
    });
}

void CoreDoor::stopSound() {
    runBlocking([this] {
        if (m_sound) m_sound->stop();
    });
}

void CoreDoor::shutDown() {
    if (!m_running) return;
    QThread* windowThread = thread();
    runBlocking([this, windowThread] {
        m_timerRv->stop();
        m_timer1->stop();
        m_timer2->stop();
        if (m_sound) m_sound->release();
        if (m_core.ui == m_coreUi.get()) m_core.ui = nullptr;
        m_coreUi.reset();
        if (m_core.link.port()) m_core.link.port()->moveToThread(windowThread);
        m_host->moveToThread(windowThread);
    });
    m_thread->quit();
    m_thread->wait();
    m_running = false;
}

void CoreDoor::runBlocking(const std::function<void()>& fn) {
    if (!m_running || QThread::currentThread() == m_thread) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(m_host, fn, Qt::BlockingQueuedConnection);
}

void CoreDoor::runOnCore(const std::function<void()>& fn) {
    QList<CoreBox> boxes;
    std::exception_ptr thrown;
    runBlocking([&] {
        if (m_coreUi) m_coreUi->beginCall();
        try {
            fn();
        } catch (...) {
            thrown = std::current_exception(); // it goes on where the command came from
        }
        if (m_coreUi) boxes = m_coreUi->endCall();
        // The window thread waits: the mirror can be written from here. Whatever was published
        // before is older than this and must not overwrite it.
        const QMutexLocker lock(&m_pendingLock);
        copyShownState(*m_pending, *m_mirror, m_pendingViews, false); // its change marks
        copyShownState(m_core, *m_mirror, kAllViews, true, true);
        m_pendingViews = 0;
        m_pendingRows.reset();
        m_pendingSamples = false;
    });
    if (thrown) std::rethrow_exception(thrown);
    if (!m_windowUi) return;
    for (unsigned bit = 0; (ViewSet(1) << bit) & kAllViews; ++bit)
        m_windowUi->changed(ConsoleUi::View(bit));
    for (const CoreBox& b : boxes)
        m_windowUi->message(b.caption, b.text, b.icon);
}

void CoreDoor::publish(ViewSet views, const SlotSet& rows, bool raise, bool samples) {
    bool wake = false;
    {
        const QMutexLocker lock(&m_pendingLock);
        copyShownState(m_core, *m_pending, views, samples, false, &rows);
        m_pendingShares = m_sharesApplied;
        m_pendingViews |= views;
        m_pendingRows |= rows;
        m_pendingRaise = m_pendingRaise || raise;
        m_pendingSamples = m_pendingSamples || samples;
        wake = !std::exchange(m_wakeQueued, true);
    }
    if (wake)
        QMetaObject::invokeMethod(
            this, [this] { takeShownState(); }, Qt::QueuedConnection);
}

void CoreDoor::takeShownState() {
    ViewSet views = 0;
    bool raise = false;
    bool samples = false;
    {
        const QMutexLocker lock(&m_pendingLock);
        m_wakeQueued = false;
        // Taken before the core had what the operator typed since: the entries keep the typed texts.
        const OscControls typed = m_mirror->osc;
        copyShownState(*m_pending, *m_mirror, m_pendingViews, m_pendingSamples, false, &m_pendingRows);
        m_pendingRows.reset();
        if (m_pendingShares < m_sharesSent) {
            for (OscEntry e : {OscEntry::Position, OscEntry::DcFlank1, OscEntry::DcFlank2, OscEntry::DcTypeA})
                m_mirror->osc.setTyped(e, typed.text(e));
        }
        views = std::exchange(m_pendingViews, 0u);
        raise = std::exchange(m_pendingRaise, false);
        samples = std::exchange(m_pendingSamples, false);
    }
    if (!m_windowUi) return;
    for (unsigned bit = 0; (ViewSet(1) << bit) & kAllViews; ++bit)
        if (views & (ViewSet(1) << bit)) m_windowUi->changed(ConsoleUi::View(bit));
    if (samples) m_windowUi->oscillogramSampleB({});
    if (raise) m_windowUi->showAlarmWindow();
}

void CoreDoor::toWindows(std::function<void(ConsoleUi&)> fn) {
    QMetaObject::invokeMethod(
        this,
        [this, fn = std::move(fn)] {
            if (m_windowUi) fn(*m_windowUi);
        },
        Qt::QueuedConnection);
}

} // namespace vatrel
