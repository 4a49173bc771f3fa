// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QWidget>

class QLabel;
class QProgressBar;

namespace vatrel {

// The row a window shows while one of its long jobs runs off the window thread: what it does, a
// progress bar and "Отмена". Hidden until the window shows it.
class JobRow : public QWidget {
    Q_OBJECT
public:
    explicit JobRow(QWidget* parent = nullptr);
    QLabel* label() const { return m_label; }
    QProgressBar* bar() const { return m_bar; }

signals:
    void cancelled();

private:
    QLabel* m_label = nullptr;
    QProgressBar* m_bar = nullptr;
};

} // namespace vatrel
