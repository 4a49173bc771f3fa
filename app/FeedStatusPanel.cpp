// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/FeedStatusPanel.h"
#include "registry/FeedSink.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>

namespace vatrel {

namespace {

QLabel* namedLabel(const QString& name, const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

} // namespace

FeedStatusPanel::FeedStatusPanel(const FeedSink& feed, QWidget* parent) : QWidget(parent), m_feed(feed) {
    setObjectName(QStringLiteral("FeedStatusPanel"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(namedLabel(QStringLiteral("LabelFeed"), QStringLiteral("Сервер MQTT:"), this));
    m_state = namedLabel(QStringLiteral("FeedState"), QString(), this);
    layout->addWidget(m_state);
    layout->addSpacing(16);
    layout->addWidget(
        namedLabel(QStringLiteral("LabelFeedSpool"), QStringLiteral("Не доставлено событий:"), this));
    m_spooled = namedLabel(QStringLiteral("FeedSpool"), QString(), this);
    m_spooled->setMinimumWidth(50);
    layout->addWidget(m_spooled);
    m_timer = new QTimer(this);
    m_timer->setInterval(500);
    connect(m_timer, &QTimer::timeout, this, &FeedStatusPanel::refresh);
    m_timer->start();
    refresh();
}

void FeedStatusPanel::refresh() {
    m_state->setText(m_feed.statusText());
    m_spooled->setText(QString::number(m_feed.spooledEvents()));
}

} // namespace vatrel
