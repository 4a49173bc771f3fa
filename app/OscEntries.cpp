#include "app/OscEntries.h"

#include <QFocusEvent>
#include <QLineEdit>

namespace vatrel {

void OscEntries::bind(QLineEdit* edit, QString* text, Handler handler) {
    m_entries.insert(edit, {text, std::move(handler)});
    connect(edit, &QLineEdit::textEdited, this, [text](const QString& t) { *text = t; });
    edit->installEventFilter(this);
}

void OscEntries::showTexts() {
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it)
        if (it.key()->text() != *it->text) it.key()->setText(*it->text);
}

void OscEntries::runRefocusing(QLineEdit* edit, const Handler& handler) {
    if (!handler()) edit->setFocus(Qt::OtherFocusReason);
}

bool OscEntries::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        auto* edit = static_cast<QLineEdit*>(watched);
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Another window coming forward (a message box among them) or a popup is no leaving.
        const auto it = m_entries.constFind(edit);
        if (it != m_entries.cend() && it->handler && !m_refocusing && reason != Qt::ActiveWindowFocusReason &&
            reason != Qt::PopupFocusReason) {
            const Handler handler = it->handler;
            // The focus has not moved yet while this event is handled; take it back afterwards. The
            // control that had it meanwhile was never really left: its own handler must not run.
            if (!handler())
                QMetaObject::invokeMethod(
                    edit,
                    [this, edit] {
                        m_refocusing = edit;
                        edit->setFocus();
                        m_refocusing = nullptr;
                    },
                    Qt::QueuedConnection);
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace vatrel
