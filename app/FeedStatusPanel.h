// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QWidget>

class QLabel;
class QTimer;

namespace vatrel {

class FeedSink;

// The site feed's line on the Diagnostics tab: connection state and the events still waiting in
// the spool. Polls the feed twice a second; the feed answers from a snapshot without waiting on
// the network.
class FeedStatusPanel : public QWidget {
    Q_OBJECT
public:
    FeedStatusPanel(const FeedSink& feed, QWidget* parent = nullptr);
    void refresh();

private:
    const FeedSink& m_feed;
    QLabel* m_state = nullptr;
    QLabel* m_spooled = nullptr;
    QTimer* m_timer = nullptr;
};

} // namespace vatrel
