// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/ConsoleUi.h"

#include <cstdio>

namespace vatrel {

// Windows that show nothing: the exit once the display is gone, benchmarks and fuzzing. Boxes are
// counted (a benchmark whose files fail must say so rather than report a figure), gathered when the
// exit asks for that, and otherwise written to the error output when `echo` is set; every question
// gets the same answer.
class QuietConsoleUi : public ConsoleUi {
public:
    explicit QuietConsoleUi(bool answerYes = false, bool echo = false)
        : m_answerYes(answerYes), m_echo(echo) {}

    void message(const QString&, const QString& text, Icon) override {
        ++messages;
        if (m_gathered)
            m_gathered->append(text);
        else if (m_echo)
            std::fprintf(stderr, "vatrel-console: %s\n", qPrintable(text));
    }
    bool question(const QString&, const QString&) override { return m_answerYes; }
    void gatherMessages(QStringList* into) override { m_gathered = into; }
    void changed(View) override {}
    void showAlarmWindow() override {}
    void playAlarmSound(const QString&) override {}
    void stopAlarmSound() override {}
    void converterLinkLost() override {}
    void converterLinkRestored() override {}

    int messages = 0;

private:
    bool m_answerYes;
    bool m_echo;
    QStringList* m_gathered = nullptr;
};

} // namespace vatrel
