// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/Console.h"

#include <QHash>
#include <QObject>
#include <functional>
#include <optional>

class QLineEdit;

namespace vatrel {

// Runs the oscilloscope tabs' entries. An entry whose text the core may rewrite is bound to that text
// in the console: what the operator types goes there at once, so a redraw caused by the engine never
// brings back an old text. Other entries keep their own text. When the focus leaves an entry for
// another control of the window, the entry's handler runs on what was typed: a refusal gives the
// entry the focus back. A refused text is reported once: leaving it again unchanged says nothing
// more. When a click on another control takes the focus, the handler runs after that click, so its
// box cannot swallow it.
class OscEntries : public QObject {
public:
    using Handler = std::function<bool(const QString& typed)>; // false: refused
    using Field = std::optional<OscEntry>;                     // none: an entry that keeps its own text
    // `shown` holds the texts the entries show; `typed` puts what the operator types into a text
    // (in the windows' mirror and in the core).
    OscEntries(QObject* parent, const OscControls& shown, std::function<void(OscEntry, const QString&)> typed)
        : QObject(parent), m_shown(shown), m_typed(std::move(typed)) {}

    // `field` is none for an entry that keeps its own text; `handler` may be empty for an entry that
    // is only read by a button.
    void bind(QLineEdit* edit, Field field, Handler handler = {});
    // Shows the console's texts in every entry (one that already shows its text is left as it is).
    void showTexts();
    // Runs a button's handler on the text of `edit` and refocuses `edit` when it refuses.
    static void runRefocusing(QLineEdit* edit, const Handler& handler);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Entry {
        Field field; // none: the entry's own
        Handler handler;
        bool refused = false; // the text shown was refused and has not been edited since
    };
    // Runs the entry's handler (unless its text was refused already) and takes the focus back to it
    // when refused.
    void leave(QLineEdit* edit);

    const OscControls& m_shown;
    std::function<void(OscEntry, const QString&)> m_typed;
    QHash<QLineEdit*, Entry> m_entries;
    QLineEdit* m_refocusing = nullptr; // an entry taking the focus back after a refusal
};

} // namespace vatrel
