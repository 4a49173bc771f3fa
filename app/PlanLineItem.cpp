// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PlanLineItem.h"
#include "app/PlanScene.h"

#include <QGraphicsSceneContextMenuEvent>
#include <QGraphicsSceneHoverEvent>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>
#include <QPainterPathStroker>
#include <algorithm>
#include <cmath>

namespace vatrel {

PlanLineItem::PlanLineItem(quint32 number, const QList<QPointF>& points) : m_number(number) {
    setAcceptHoverEvents(true);
    setZValue(1);
    setPoints(points);
}

void PlanLineItem::setPoints(const QList<QPointF>& points) {
    prepareGeometryChange();
    m_points = points;
    m_sprites.clear();
    rebuildPath();
}

void PlanLineItem::rebuildPath() {
    m_path = QPainterPath();
    if (m_points.isEmpty()) return;
    m_path.moveTo(m_points.first());
    for (qsizetype i = 1; i < m_points.size(); ++i)
        m_path.lineTo(m_points[i]);
}

void PlanLineItem::setLook(const PlanSensorLook& look) {
    if (look == m_look) return;
    m_look = look;
    update();
}

void PlanLineItem::setBlinkOff(bool off) {
    if (off == m_blinkOff) return;
    m_blinkOff = off;
    if (m_look.blinks()) update();
}

void PlanLineItem::setEditing(bool editing) {
    m_editing = editing;
    update();
}

void PlanLineItem::setPixelSize(qreal pixel) {
    if (pixel == m_pixel || !(pixel > 0)) return;
    prepareGeometryChange();
    m_pixel = pixel;
    m_sprites.clear(); // drawn for the old zoom
}

QRectF PlanLineItem::boundingRect() const {
    const qreal m = margin();
    return m_path.boundingRect().adjusted(-m, -m, m, m);
}

QPainterPath PlanLineItem::shape() const {
    QPainterPathStroker stroker;
    stroker.setWidth(2 * margin());
    return stroker.createStroke(m_path);
}

namespace {
constexpr int kSprites = 3; // looks kept per line: a storm's two colours and the blink's
// A line larger on the screen (zoomed in far) is stroked each time instead: kept pictures stay small.
constexpr qint64 kSpritePixels = 1 << 16;
} // namespace

quint64 PlanLineItem::spriteKey() const {
    const bool blank = m_blinkOff && m_look.blinks();
    const QRgb colour = blank ? qRgb(255, 255, 255) : m_look.colour.rgb();
    return quint64(colour & 0xFFFFFF) | quint64(m_look.armed1 || m_look.armed2) << 24 |
           quint64(m_look.greyed) << 25;
}

void PlanLineItem::paintBand(QPainter* painter) const {
    painter->setRenderHint(QPainter::Antialiasing);
    const bool blank = m_blinkOff && m_look.blinks();
    const QColor colour = blank ? QColor(Qt::white) : m_look.colour;
    QPen band(colour, 7, m_look.greyed ? Qt::DashLine : Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    band.setCosmetic(true);
    // A dark edge keeps a pale band visible on a pale picture.
    QPen edge(QColor(Qt::black), 9, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    edge.setCosmetic(true);
    painter->setBrush(Qt::NoBrush);
    painter->setPen(edge);
    painter->drawPath(m_path);
    painter->setPen(band);
    painter->drawPath(m_path);
    if (!m_look.armed1 && !m_look.armed2) {
        QPen hollow(QColor(Qt::white), 3, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
        hollow.setCosmetic(true);
        painter->setPen(hollow);
        painter->drawPath(m_path);
    }
}

void PlanLineItem::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    const QTransform t = painter->worldTransform();
    const QRect screen = QTransform::fromScale(t.m11(), t.m22()).mapRect(boundingRect()).toAlignedRect();
    if (m_editing || t.type() > QTransform::TxScale ||
        qint64(screen.width()) * screen.height() > kSpritePixels) {
        paintBand(painter);
    } else {
        if (m_spriteScale != QPointF(t.m11(), t.m22())) {
            m_sprites.clear();
            m_spriteScale = QPointF(t.m11(), t.m22());
        }
        const quint64 key = spriteKey();
        auto found =
            std::find_if(m_sprites.begin(), m_sprites.end(), [key](const Sprite& s) { return s.key == key; });
        if (found == m_sprites.end()) {
            Sprite sprite{key, QPixmap(screen.size()), screen.topLeft()};
            sprite.pixmap.fill(Qt::transparent);
            QPainter p(&sprite.pixmap);
            p.translate(-screen.topLeft());
            p.scale(t.m11(), t.m22());
            paintBand(&p);
            p.end();
            if (m_sprites.size() >= kSprites) m_sprites.removeLast();
            m_sprites.prepend(std::move(sprite));
            found = m_sprites.begin();
        }
        // Copied onto whole screen pixels, as it was drawn.
        painter->setWorldTransform(QTransform::fromTranslate(std::round(t.dx()), std::round(t.dy())));
        painter->drawPixmap(found->at, found->pixmap);
        painter->setWorldTransform(t);
    }
    if (m_editing) {
        const qreal h = 4 * m_pixel;
        painter->setPen(QPen(QColor(0, 0, 255), 0));
        painter->setBrush(Qt::white);
        for (QPointF p : m_points)
            painter->drawRect(QRectF(p.x() - h, p.y() - h, 2 * h, 2 * h));
    }
}

int PlanLineItem::pointNear(QPointF at) const {
    const qreal reach = 6 * m_pixel;
    for (qsizetype i = 0; i < m_points.size(); ++i)
        if (qAbs(m_points[i].x() - at.x()) <= reach && qAbs(m_points[i].y() - at.y()) <= reach) return int(i);
    return -1;
}

void PlanLineItem::mousePressEvent(QGraphicsSceneMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    auto* s = qobject_cast<PlanScene*>(scene());
    if (s) s->sensorPressed(m_number);
    m_dragged = m_editing ? pointNear(event->pos()) : -1;
    event->accept();
}

void PlanLineItem::mouseMoveEvent(QGraphicsSceneMouseEvent* event) {
    if (m_dragged < 0) return;
    QList<QPointF> moved = m_points;
    moved[m_dragged] = event->pos();
    setPoints(moved);
}

void PlanLineItem::mouseReleaseEvent(QGraphicsSceneMouseEvent* event) {
    Q_UNUSED(event);
    if (std::exchange(m_dragged, -1) < 0) return;
    if (auto* s = qobject_cast<PlanScene*>(scene())) s->lineEdited(m_number, m_points);
}

void PlanLineItem::contextMenuEvent(QGraphicsSceneContextMenuEvent* event) {
    auto* s = qobject_cast<PlanScene*>(scene());
    event->accept();
    if (!s) return;
    const int point = m_editing ? pointNear(event->pos()) : -1;
    if (point >= 0) {
        QList<QPointF> fewer = m_points;
        fewer.removeAt(point);
        s->lineEdited(m_number, fewer);
        return;
    }
    s->sensorMenuAsked(m_number, event->screenPos());
}

// The row's texts are made when the pointer comes to rest, not each time the row changes.
void PlanLineItem::hoverEnterEvent(QGraphicsSceneHoverEvent*) {
    if (auto* s = qobject_cast<PlanScene*>(scene()); s && s->tipFor) setToolTip(s->tipFor(m_number));
}

void PlanLineItem::hoverMoveEvent(QGraphicsSceneHoverEvent* event) { hoverEnterEvent(event); }

} // namespace vatrel
