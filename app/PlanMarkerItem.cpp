// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PlanMarkerItem.h"
#include "app/PlanScene.h"

#include <QCursor>
#include <QFontMetricsF>
#include <QGraphicsSceneContextMenuEvent>
#include <QGraphicsSceneHoverEvent>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QHash>
#include <QImage>
#include <QWidget>
#include <cmath>

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

namespace {
// The disc alone: a change of colour or a blink leaves the number beneath as it was, and the less
// of the plan is painted again, the less a storm costs.
QRectF discArea() {
    const qreal r = PlanMarkerItem::kRadius + 2;
    return {-r, -r, 2 * r, 2 * r};
}
} // namespace

void PlanMarkerItem::setLook(const PlanSensorLook& look) {
    if (look == m_look) return;
    const bool labelChanged = look.label != m_look.label || look.greyed != m_look.greyed;
    if (labelChanged) m_labelSprite = QPixmap();
    m_look = look;
    if (labelChanged)
        update();
    else
        update(discArea());
}

void PlanMarkerItem::setBlinkOff(bool off) {
    if (off == m_blinkOff) return;
    m_blinkOff = off;
    if (m_look.blinks()) update(discArea());
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
    return QRectF(-kLabelWidth / 2, -kRadius - 4, kLabelWidth, 2 * kRadius + kLabelHeight + 9);
}

namespace {

QRectF discRect() {
    return {-PlanMarkerItem::kRadius, -PlanMarkerItem::kRadius, 2 * PlanMarkerItem::kRadius,
            2 * PlanMarkerItem::kRadius};
}

void paintHalf(QPainter* painter, int loop, const QColor& colour, bool armed, bool blank) {
    const QRectF disc = discRect();
    const qreal start = loop == 1 ? 90 : -90; // Qt counts from three o'clock, anticlockwise
    const QColor fill = blank ? QColor(Qt::white) : colour;
    QPainterPath half;
    half.moveTo(0, 0);
    half.arcTo(disc, start, 180);
    half.closeSubpath();
    if (armed) {
        painter->fillPath(half, fill);
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

// The disc of every look drawn once: a storm recolours and blinks hundreds of markers a second, and
// copying a small picture costs far less than drawing arcs. A handful of looks: kept for good.
QImage discSprite(const PlanSensorLook& look, bool blank1, bool blank2, qreal dpr) {
    static QHash<quint64, QImage> sprites;
    const quint64 key = quint64(look.colour.rgb() & 0xFFFFFF) | quint64(look.armed1) << 24 |
                        quint64(look.armed2) << 25 | quint64(blank1) << 26 | quint64(blank2) << 27 |
                        quint64(look.greyed) << 28 | quint64(qRound(dpr * 8)) << 32;
    if (auto found = sprites.constFind(key); found != sprites.cend()) return *found;
    const int side = int(2 * PlanMarkerItem::kRadius + 4);
    QImage sprite(QSize(side, side) * dpr, QImage::Format_ARGB32_Premultiplied);
    sprite.setDevicePixelRatio(dpr);
    sprite.fill(Qt::transparent);
    QPainter p(&sprite);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(side / 2.0, side / 2.0);
    paintHalf(&p, 1, look.colour, look.armed1, blank1);
    paintHalf(&p, 2, look.colour, look.armed2, blank2);
    p.setPen(QPen(look.greyed ? QColor(Qt::gray) : QColor(Qt::black), 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(discRect());
    p.drawLine(QPointF(0, -PlanMarkerItem::kRadius), QPointF(0, PlanMarkerItem::kRadius));
    p.end();
    if (sprites.size() < 256) sprites.insert(key, sprite);
    return sprite;
}

} // namespace

void PlanMarkerItem::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget* widget) {
    const qreal dpr = widget ? widget->devicePixelRatioF() : 1;
    // The marker keeps its size at every zoom, so its place on the screen is all the painter adds:
    // moved onto whole pixels, its pictures are copied as they are instead of being resampled.
    const QTransform at = painter->worldTransform();
    if (at.type() <= QTransform::TxTranslate)
        painter->translate(std::round(at.dx()) - at.dx(), std::round(at.dy()) - at.dy());
    const qreal side = 2 * kRadius + 4;
    painter->drawImage(QPointF(-side / 2, -side / 2),
                       discSprite(m_look, m_blinkOff && m_look.blink1, m_blinkOff && m_look.blink2, dpr));

    const QRectF label(-kLabelWidth / 2 + 6, kRadius + 2, kLabelWidth - 12, kLabelHeight);
    if (m_labelSprite.isNull() || m_labelSprite.devicePixelRatio() != dpr) {
        m_labelSprite = QPixmap((label.size() + QSizeF(2, 2)).toSize() * dpr);
        m_labelSprite.setDevicePixelRatio(dpr);
        m_labelSprite.fill(Qt::transparent);
        QPainter p(&m_labelSprite);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF box(1, 1, label.width(), label.height());
        p.setPen(QPen(QColor(Qt::black), 1));
        p.setBrush(QColor(255, 255, 255, 220));
        p.drawRoundedRect(box, 3, 3);
        p.setFont(labelFont());
        p.setPen(m_look.greyed ? QColor(Qt::gray) : QColor(Qt::black));
        p.drawText(box, Qt::AlignCenter, m_look.label);
    }
    painter->drawPixmap(label.topLeft() - QPointF(1, 1), m_labelSprite);
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

// The row's texts are made when the pointer comes to rest, not each time the row changes.
void PlanMarkerItem::hoverEnterEvent(QGraphicsSceneHoverEvent*) {
    if (auto* s = qobject_cast<PlanScene*>(scene()); s && s->tipFor) setToolTip(s->tipFor(m_number));
}

void PlanMarkerItem::hoverMoveEvent(QGraphicsSceneHoverEvent* event) { hoverEnterEvent(event); }

} // namespace vatrel
