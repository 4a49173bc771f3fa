// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QHash>
#include <QObject>
#include <functional>

class QLineEdit;

namespace vatrel {

// Binds the oscilloscope tabs' entries to their texts in the console. What the operator types goes
// to the console at once, so a redraw caused by the engine never brings back an old text; and when
// the focus leaves an entry for another control of the window, the entry's handler runs: a refusal
// gives the entry the focus back. A refused text is reported once: leaving it again unchanged says
// nothing more. When a click on another control takes the focus, the handler runs after that click,
// so its box cannot swallow it.
class OscEntries : public QObject {
public:
    using Handler = std::function<bool()>;
    explicit OscEntries(QObject* parent) : QObject(parent) {}

    // `handler` may be empty for an entry that is only read by a button.
    void bind(QLineEdit* edit, QString* text, Handler handler = {});
    // Shows the console's texts in every entry (one that already shows its text is left as it is).
    void showTexts();
    // Runs a button's handler and refocuses `edit` when it refuses.
    static void runRefocusing(QLineEdit* edit, const Handler& handler);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Entry {
        QString* text;
        Handler handler;
        bool refused = false; // the text shown was refused and has not been edited since
    };
    // Runs the entry's handler (unless its text was refused already) and takes the focus back to it
    // when refused.
    void leave(QLineEdit* edit);

    QHash<QLineEdit*, Entry> m_entries;
    QLineEdit* m_refocusing = nullptr; // an entry taking the focus back after a refusal
};

} // namespace vatrel
