// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/OscEntries.h"

#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPointer>
#include <utility>

namespace vatrel {

namespace {

// Runs `done` once the mouse button now held is released and the release has been handled.
class AfterRelease : public QObject {
public:
    explicit AfterRelease(std::function<void()> done) : m_done(std::move(done)) {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease && m_done) {
            QMetaObject::invokeMethod(qApp, std::exchange(m_done, {}), Qt::QueuedConnection);
            deleteLater();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_done;
};

} // namespace

void OscEntries::bind(QLineEdit* edit, Field field, Handler handler) {
    m_entries.insert(edit, {field, std::move(handler)});
    connect(edit, &QLineEdit::textEdited, this, [this, edit, field](const QString& t) {
        if (field && m_typed) m_typed(*field, t);
        m_entries[edit].refused = false;
    });
    edit->installEventFilter(this);
}

void OscEntries::showTexts() {
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (!it->field || it.key()->text() == m_shown.text(*it->field)) continue;
        it.key()->setText(m_shown.text(*it->field));
        it->refused = false;
    }
}

void OscEntries::runRefocusing(QLineEdit* edit, const Handler& handler) {
    if (!handler(edit->text())) edit->setFocus(Qt::OtherFocusReason);
}

void OscEntries::leave(QLineEdit* edit) {
    const auto it = m_entries.find(edit);
    if (it == m_entries.end() || !it->handler || it->refused) return;
    const Handler handler = it->handler;
    if (handler(edit->text())) return;
    m_entries[edit].refused = true;
    // The control that had the focus meanwhile was never really left: its own handler must not run.
    // An entry on a tab that is no longer shown is not brought back: the operator went elsewhere.
    QMetaObject::invokeMethod(
        edit,
        [this, edit] {
            if (!edit->isVisible()) return;
            m_refocusing = edit;
            edit->setFocus();
            m_refocusing = nullptr;
        },
        Qt::QueuedConnection);
}

bool OscEntries::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        auto* edit = static_cast<QLineEdit*>(watched);
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Another window coming forward (a message box among them) or a popup is no leaving.
        if (!m_refocusing && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (reason == Qt::MouseFocusReason)
                // The focus moves on the press of a click; a box opened now would take its release.
                new AfterRelease([this, edit = QPointer<QLineEdit>(edit)] {
                    if (edit) leave(edit);
                });
            else
                leave(edit);
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace vatrel
