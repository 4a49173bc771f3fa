// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one recording stand-in for the windows. Every message box the core raises is recorded; a test
// states the boxes it expects, in order, with expectMessage(). Any other box fails the test when it
// comes, and an expected box that never came fails it when the stand-in goes: at the end of the
// test function, or in cleanup() where a fixture lives across it.
#include "registry/ConsoleUi.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QTest>
#include <functional>
#include <utility>

namespace vatrel::testing {

class RecordingUi : public ConsoleUi {
public:
    struct Box {
        QString caption;
        QString text;
        Icon icon;
    };

    ~RecordingUi() override {
        if (m_expected.isEmpty() || !QTest::currentTestFunction() || QTest::currentTestFailed()) return;
        QTest::qFail(qPrintable(QStringLiteral("%1 expected message box(es) never shown, first: %2")
                                    .arg(m_expected.size())
                                    .arg(m_expected.first())),
                     __FILE__, __LINE__);
    }

    // The next box must carry this text (and this caption, when given).
    void expectMessage(const QString& text, const QString& caption = QString()) {
        m_expected << text;
        m_expectedCaptions << caption;
    }
    // Boxes whose text starts with `prefix` are accepted any number of times.
    void allowMessagePrefix(const QString& prefix) { m_allowedPrefixes << prefix; }
    bool allExpectedShown() const { return m_expected.isEmpty(); }

    void message(const QString& caption, const QString& text, Icon icon) override {
        boxes.append({caption, text, icon});
        // What goes on while a box waits for the operator (the engine keeps running); one box only.
        if (whileShown) std::exchange(whileShown, nullptr)(text);
        if (!m_expected.isEmpty() && m_expected.first() == text) {
            const QString cap = m_expectedCaptions.takeFirst();
            m_expected.removeFirst();
            if (!cap.isNull() && cap != caption)
                QFAIL(qPrintable(QStringLiteral("message box \"%1\" has caption \"%2\", expected \"%3\"")
                                     .arg(text, caption, cap)));
            return;
        }
        for (const QString& p : m_allowedPrefixes)
            if (text.startsWith(p)) return;
        QFAIL(qPrintable(QStringLiteral("unexpected message box: [%1] %2").arg(caption, text)));
    }

    bool question(const QString& caption, const QString& text) override {
        questions << (caption + QLatin1Char('|') + text);
        return answer;
    }

    void changed(View v) override { ++changes[int(v)]; }
    void converterChanged(const ConverterNotice& /*now*/) override { ++converterChanges; }
    void showAlarmWindow() override { ++alarmWindowShown; }
    void playAlarmSound(const QString& path) override {
        ++soundStarted;
        lastSoundPath = path;
    }
    void stopAlarmSound() override { ++soundStopped; }
    void converterLinkLost() override { ++linkLost; }
    void converterLinkRestored() override { ++linkRestored; }
    void oscillogramStarted(int slot) override { oscStarted << slot; }
    void oscillogramStopped() override { ++oscStopped; }
    void oscillogramSampleB(const std::array<float, 8>& v) override { samples.append(v); }

    std::function<void(const QString&)> whileShown;
    QList<Box> boxes;
    QStringList questions;
    bool answer = true;
    int changes[16] = {};
    int converterChanges = 0; // the converter's link state or the chosen port
    int alarmWindowShown = 0;
    int soundStarted = 0;
    int soundStopped = 0;
    QString lastSoundPath;
    int linkLost = 0;
    int linkRestored = 0;
    QList<int> oscStarted;
    int oscStopped = 0;
    QList<std::array<float, 8>> samples;

private:
    QStringList m_expected;
    QStringList m_expectedCaptions;
    QStringList m_allowedPrefixes;
};

} // namespace vatrel::testing
