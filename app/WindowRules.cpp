// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WindowRules.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cstdlib>
#include <xcb/xcb.h>

namespace vatrel {

namespace {

constexpr int kGap = 6; // between the alarm window's frame and a window placed beside it
constexpr int kFrameTop = 32;
constexpr int kFrameSide = 6;
constexpr int kTitleButtonsRoom = 150;

bool isDialogWindow(const QWidget* w) { return w->isWindow() && qobject_cast<const QDialog*>(w) != nullptr; }

// The room a window takes on screen with the frame a window manager may put around it. Frame sizes
// that Qt reports come late and are unreliable while a window is mapped again, so a generous frame is
// allowed for instead (without a window manager this only widens the gaps a little).
QRect withFrame(const QRect& client) {
    return client.adjusted(-kFrameSide, -kFrameTop, kFrameSide, kFrameSide);
}

// A window manager that draws its own buttons whatever the hints say (openbox) cuts the caption of a
// narrow fixed-size dialog ("Подключ... датчика"): such a dialog is widened until its caption fits
// beside an icon and three buttons.
void fitCaption(QWidget* w) {
    if (w->minimumSize() != w->maximumSize() || qobject_cast<QMessageBox*>(w)) return;
    QFont font = QApplication::font();
    font.setBold(true);
    const int needed = QFontMetrics(font).horizontalAdvance(w->windowTitle()) + kTitleButtonsRoom;
    if (needed > w->width()) w->setFixedWidth(needed);
}

// The alarm window is on every workspace: an operator who switched to another one must still see it
// come up. Set before the window is mapped (the property) and for a mapped one (the request to the
// window manager); nothing on a display that is not X11.
void showOnEveryDesktop(QWidget* w) {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection()) return;
    xcb_connection_t* conn = x11->connection();
    static const char kName[] = "_NET_WM_DESKTOP";
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(conn, xcb_intern_atom(conn, 0, sizeof kName - 1, kName), nullptr);
    if (!reply) return;
    const xcb_atom_t desktop = reply->atom;
    free(reply);
    const auto win = xcb_window_t(w->winId());
    const quint32 all = 0xFFFFFFFF;
    xcb_change_property(conn, XCB_PROP_MODE_REPLACE, win, desktop, XCB_ATOM_CARDINAL, 32, 1, &all);
    xcb_client_message_event_t ev = {};
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = win;
    ev.type = desktop;
    ev.data.data32[0] = all;
    ev.data.data32[1] = 1; // asked by the program itself
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(conn)).data->root;
    xcb_send_event(conn, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&ev));
    xcb_flush(conn);
}

} // namespace

WindowRules::WindowRules(QObject* parent) : QObject(parent) { qApp->installEventFilter(this); }

WindowRules::~WindowRules() { qApp->removeEventFilter(this); }

Qt::WindowFlags WindowRules::dialogFlags(const QWidget* w) {
    // Close-only (a minimised dialog would take the whole console with it on some desktops), above
    // the ordinary windows, and not maximisable when its size is fixed.
    Qt::WindowFlags f = w->windowFlags();
    f &= ~(Qt::WindowMinimizeButtonHint | Qt::WindowContextHelpButtonHint);
    if (w->minimumSize() == w->maximumSize() || qobject_cast<const QMessageBox*>(w))
        f &= ~Qt::WindowMaximizeButtonHint;
    return f | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
           Qt::WindowStaysOnTopHint;
}

QPoint WindowRules::placeBeside(const QRect& current, const QRect& alarm, const QRect& screen) {
    if (!current.intersects(alarm)) return current.topLeft();
    const int w = current.width();
    const int h = current.height();
    const auto clampX = [&](int x) {
        return qBound(screen.left(), x, qMax(screen.left(), screen.right() - w + 1));
    };
    const auto clampY = [&](int y) {
        return qBound(screen.top(), y, qMax(screen.top(), screen.bottom() - h + 1));
    };
    const int centredX = clampX(alarm.center().x() - w / 2);
    const int centredY = clampY(alarm.center().y() - h / 2);
    if (alarm.bottom() + kGap + h <= screen.bottom() + 1) return {centredX, alarm.bottom() + 1 + kGap};
    if (alarm.top() - kGap - h >= screen.top()) return {centredX, alarm.top() - kGap - h};
    if (alarm.right() + kGap + w <= screen.right() + 1) return {alarm.right() + 1 + kGap, centredY};
    if (alarm.left() - kGap - w >= screen.left()) return {alarm.left() - kGap - w, centredY};
    // No room beside it: a window the alarm window would hide whole shows at least its top.
    if (alarm.contains(current)) return {clampX(current.left()), screen.top()};
    return current.topLeft();
}

void WindowRules::keepBesideAlarmWindow(QWidget* w) {
    if (!m_alarm || !m_alarm->isVisible() || w == m_alarm.data() || !isDialogWindow(w)) return;
    const QScreen* screen = m_alarm->screen();
    if (!screen) return;
    const QRect frame = withFrame(w->geometry());
    const QPoint to = placeBeside(frame, withFrame(m_alarm->geometry()), screen->availableGeometry());
    // setGeometry() places the client area, whether or not the window manager has framed it yet.
    if (to != frame.topLeft()) w->setGeometry(QRect(to + QPoint(kFrameSide, kFrameTop), w->size()));
}

void WindowRules::clearAlarmWindowArea() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible()) keepBesideAlarmWindow(w);
}

bool WindowRules::eventFilter(QObject* watched, QEvent* event) {
    if (!watched->isWidgetType()) return false;
    auto* w = static_cast<QWidget*>(watched);
    if (w == m_alarm.data()) {
        if (event->type() == QEvent::Show) showOnEveryDesktop(w);
        return false;
    }
    if (!isDialogWindow(w)) return false;
    switch (event->type()) {
    case QEvent::Polish:
        // Once, before the window is first shown, while its frame may still change.
        if (const Qt::WindowFlags f = dialogFlags(w); f != w->windowFlags()) w->setWindowFlags(f);
        fitCaption(w);
        break;
    case QEvent::Show:
        // The show event comes before the window is mapped, so its modality and place still count.
        // Application-modal (what exec() and Qt's static dialogs ask for) would block the alarm
        // window too, leaving the sound unstoppable: every dialog is modal to its own window only.
        if (w->windowModality() == Qt::ApplicationModal) w->setWindowModality(Qt::WindowModal);
        if (QWindow* h = w->windowHandle(); h && h->modality() == Qt::ApplicationModal)
            h->setModality(Qt::WindowModal);
        // A dialog takes its place (centred on its parent) in its own show event, after this one.
        QTimer::singleShot(0, w, [this, w] { keepBesideAlarmWindow(w); });
        break;
    case QEvent::WindowStateChange:
        if (w->isVisible() && (w->windowState() & Qt::WindowMinimized))
            QTimer::singleShot(0, w, [w] { w->setWindowState(w->windowState() & ~Qt::WindowMinimized); });
        break;
    default:
        break;
    }
    return false;
}

} // namespace vatrel
