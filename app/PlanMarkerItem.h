// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "app/PlanSensorLook.h"

#include <QGraphicsItem>
#include <QPixmap>

namespace vatrel {

// A sensor's marker on a plan: a disc with loop 1 on its left half and loop 2 on its right, each
// filled in the row's colour when armed and hollow when disarmed, and the position number beneath.
// It keeps its size on the screen at every zoom. Movable only while the plan is being edited.
class PlanMarkerItem : public QGraphicsItem {
public:
    static constexpr qreal kRadius = 11;

    explicit PlanMarkerItem(quint32 number);
    quint32 number() const { return m_number; }

    void setLook(const PlanSensorLook& look);
    const PlanSensorLook& look() const { return m_look; }
    // The dark half of the blink: the blinking loops are drawn white.
    void setBlinkOff(bool off);
    void setEditing(bool editing);
    void setChosen(bool chosen); // the sensor the edit tools act on

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent* event) override;
    void contextMenuEvent(QGraphicsSceneContextMenuEvent* event) override;
    void hoverEnterEvent(QGraphicsSceneHoverEvent* event) override;
    void hoverMoveEvent(QGraphicsSceneHoverEvent* event) override;

private:
    const quint32 m_number;
    PlanSensorLook m_look;
    bool m_blinkOff = false;
    bool m_editing = false;
    bool m_chosen = false;
    QPointF m_pressedAt;
    QPixmap m_labelSprite; // the number's box, drawn when the number changes
};

} // namespace vatrel
