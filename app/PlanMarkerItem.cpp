// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PlanMarkerItem.h"
#include "app/PlanScene.h"

#include <QCursor>
#include <QFontMetricsF>
#include <QGraphicsSceneContextMenuEvent>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>

namespace vatrel {

namespace {
constexpr qreal kLabelHeight = 14;
constexpr qreal kLabelWidth = 44;

QFont labelFont() {
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(11);
    f.setBold(true);
    return f;
}
} // namespace

PlanMarkerItem::PlanMarkerItem(quint32 number) : m_number(number) {
    setFlag(ItemIgnoresTransformations);
    setAcceptHoverEvents(true);
    setZValue(2);
}

void PlanMarkerItem::setLook(const PlanSensorLook& look) {
    if (look == m_look) return;
    if (look.tip != m_look.tip) setToolTip(look.tip);
    m_look = look;
    update();
}

void PlanMarkerItem::setBlinkOff(bool off) {
    if (off == m_blinkOff) return;
    m_blinkOff = off;
    if (m_look.blinks()) update();
}

void PlanMarkerItem::setEditing(bool editing) {
    m_editing = editing;
    setFlag(ItemIsMovable, editing);
    setCursor(QCursor(editing ? Qt::SizeAllCursor : Qt::PointingHandCursor));
}

void PlanMarkerItem::setChosen(bool chosen) {
    if (chosen == m_chosen) return;
    m_chosen = chosen;
    update();
}

QRectF PlanMarkerItem::boundingRect() const {
    return QRectF(-kLabelWidth / 2, -kRadius - 3, kLabelWidth, 2 * kRadius + kLabelHeight + 6);
}

void PlanMarkerItem::paintHalf(QPainter* painter, int loop, bool armed, bool blank) const {
    const QRectF disc(-kRadius, -kRadius, 2 * kRadius, 2 * kRadius);
    const int start = loop == 1 ? 90 * 16 : -90 * 16; // Qt counts from three o'clock, anticlockwise
    const QColor colour = blank ? QColor(Qt::white) : m_look.colour;
    QPainterPath half;
    half.moveTo(0, 0);
    half.arcTo(disc, start / 16.0, 180);
    half.closeSubpath();
    if (armed) {
        painter->fillPath(half, colour);
    } else {
        painter->fillPath(half, Qt::white);
        // Hollow: a ring of the colour inside the outline.
        painter->save();
        painter->setClipPath(half);
        painter->setPen(QPen(blank ? QColor(Qt::lightGray) : colour, 6));
        painter->setBrush(Qt::NoBrush);
        painter->drawEllipse(disc.adjusted(3, 3, -3, -3));
        painter->restore();
    }
}

void PlanMarkerItem::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    painter->setRenderHint(QPainter::Antialiasing);
    paintHalf(painter, 1, m_look.armed1, m_blinkOff && m_look.blink1);
    paintHalf(painter, 2, m_look.armed2, m_blinkOff && m_look.blink2);
    const QRectF disc(-kRadius, -kRadius, 2 * kRadius, 2 * kRadius);
    painter->setPen(QPen(m_look.greyed ? QColor(Qt::gray) : QColor(Qt::black), 1.5));
    painter->setBrush(Qt::NoBrush);
    painter->drawEllipse(disc);
    painter->drawLine(QPointF(0, -kRadius), QPointF(0, kRadius));

    const QRectF label(-kLabelWidth / 2 + 6, kRadius + 2, kLabelWidth - 12, kLabelHeight);
    painter->setPen(QPen(QColor(Qt::black), 1));
    painter->setBrush(QColor(255, 255, 255, 220));
    painter->drawRoundedRect(label, 3, 3);
    painter->setFont(labelFont());
    painter->setPen(m_look.greyed ? QColor(Qt::gray) : QColor(Qt::black));
    painter->drawText(label, Qt::AlignCenter, m_look.label);
    if (m_chosen) {
        painter->setPen(QPen(QColor(0, 0, 255), 1.5, Qt::DashLine));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(boundingRect().adjusted(1, 1, -1, -1));
    }
}

void PlanMarkerItem::mousePressEvent(QGraphicsSceneMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    m_pressedAt = pos();
    if (auto* s = qobject_cast<PlanScene*>(scene())) s->sensorPressed(m_number);
    if (m_editing)
        QGraphicsItem::mousePressEvent(event);
    else
        event->accept();
}

void PlanMarkerItem::mouseReleaseEvent(QGraphicsSceneMouseEvent* event) {
    QGraphicsItem::mouseReleaseEvent(event);
    if (m_editing && pos() != m_pressedAt)
        if (auto* s = qobject_cast<PlanScene*>(scene())) s->markerDropped(m_number, pos());
}

void PlanMarkerItem::contextMenuEvent(QGraphicsSceneContextMenuEvent* event) {
    if (auto* s = qobject_cast<PlanScene*>(scene())) s->sensorMenuAsked(m_number, event->screenPos());
    event->accept();
}

} // namespace vatrel
