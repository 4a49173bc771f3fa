// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "app/PlanSensorLook.h"

#include <QGraphicsItem>
#include <QList>
#include <QPainterPath>
#include <QPixmap>

namespace vatrel {

// The stretch of fence a sensor guards, drawn along its points in the row's colour: a solid band while
// a loop is armed, a hollow one when both are disarmed. Its width stays the same on the screen at
// every zoom. While the plan is edited its points show as handles: dragged they move, a right click
// on one removes it.
class PlanLineItem : public QGraphicsItem {
public:
    PlanLineItem(quint32 number, const QList<QPointF>& points);
    quint32 number() const { return m_number; }
    const QList<QPointF>& points() const { return m_points; }
    void setPoints(const QList<QPointF>& points);

    void setLook(const PlanSensorLook& look);
    void setBlinkOff(bool off);
    void setEditing(bool editing);
    // Scene units per screen pixel at the view's zoom: the band and the handles are sized in pixels.
    void setPixelSize(qreal pixel);

    QRectF boundingRect() const override;
    QPainterPath shape() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent* event) override;
    void contextMenuEvent(QGraphicsSceneContextMenuEvent* event) override;
    void hoverEnterEvent(QGraphicsSceneHoverEvent* event) override;
    void hoverMoveEvent(QGraphicsSceneHoverEvent* event) override;

private:
    // The band as drawn at one zoom in one look: a storm turns lines from one colour to another and
    // back, and copying a kept picture costs far less than stroking the path again.
    struct Sprite {
        quint64 key = 0;
        QPixmap pixmap;
        QPoint at; // its corner, in screen pixels from the item's origin
    };
    int pointNear(QPointF at) const; // -1: none
    void rebuildPath();
    void paintBand(QPainter* painter) const;
    quint64 spriteKey() const;
    qreal margin() const { return 8 * m_pixel; }

    const quint32 m_number;
    QList<QPointF> m_points;
    QPainterPath m_path;
    PlanSensorLook m_look;
    bool m_blinkOff = false;
    bool m_editing = false;
    qreal m_pixel = 1;
    int m_dragged = -1;      // the point being dragged
    QList<Sprite> m_sprites; // the newest first; all drawn at m_spriteScale
    QPointF m_spriteScale;
};

} // namespace vatrel
