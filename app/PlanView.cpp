// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PlanView.h"
#include "app/PlanScene.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QWheelEvent>
#include <cmath>

namespace vatrel {

namespace {
constexpr qreal kMinZoom = 0.01;
constexpr qreal kMaxZoom = 40;

quint32 droppedSensor(const QMimeData* mime) {
    if (!mime || !mime->hasFormat(QLatin1String(PlanView::kSensorMime))) return 0;
    return mime->data(QLatin1String(PlanView::kSensorMime)).toUInt();
}
} // namespace

PlanView::PlanView(PlanScene* scene, QWidget* parent) : QGraphicsView(scene, parent), m_scene(scene) {
    setDragMode(QGraphicsView::ScrollHandDrag);
    setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
    setResizeAnchor(QGraphicsView::AnchorViewCenter);
    // Only what changed is painted again: markers changing colour in a storm leave the rest alone
    // (painting the area they span, as one rectangle, costs three times as much in a storm).
    setViewportUpdateMode(QGraphicsView::MinimalViewportUpdate);
    setOptimizationFlag(QGraphicsView::DontSavePainterState);
    setOptimizationFlag(QGraphicsView::DontAdjustForAntialiasing); // the items' rectangles leave room
    setRenderHint(QPainter::Antialiasing);
    setRenderHint(QPainter::SmoothPixmapTransform);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true); // drops arrive at the viewport
    connect(scene, &PlanScene::pictureLoaded, this, [this] {
        if (m_fitted) fitPlan();
    });
    m_fitted = true;
}

void PlanView::zoomChanged() { m_scene->setPixelSize(1 / zoom()); }

void PlanView::fitPlan() {
    fitInView(m_scene->planRect(), Qt::KeepAspectRatio);
    m_fitted = true;
    zoomChanged();
}

void PlanView::zoomBy(qreal factor, QPointF viewportPos) {
    const qreal target = std::clamp(zoom() * factor, kMinZoom, kMaxZoom);
    if (target == zoom()) return;
    // Keep the scene point under the cursor where it is.
    const QPointF before = mapToScene(viewportPos.toPoint());
    const ViewportAnchor anchor = transformationAnchor();
    setTransformationAnchor(QGraphicsView::NoAnchor);
    scale(target / zoom(), target / zoom());
    const QPointF after = mapToScene(viewportPos.toPoint());
    const QPointF shift = mapFromScene(after) - mapFromScene(before);
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() - int(std::lround(shift.x())));
    verticalScrollBar()->setValue(verticalScrollBar()->value() - int(std::lround(shift.y())));
    setTransformationAnchor(anchor);
    m_fitted = false;
    zoomChanged();
}

void PlanView::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y();
    if (steps == 0) return;
    zoomBy(std::pow(1.0015, steps), event->position());
    event->accept();
}

void PlanView::resizeEvent(QResizeEvent* event) {
    QGraphicsView::resizeEvent(event);
    if (m_fitted) fitPlan();
}

void PlanView::dragEnterEvent(QDragEnterEvent* event) {
    if (m_acceptsSensors && droppedSensor(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void PlanView::dragMoveEvent(QDragMoveEvent* event) {
    if (m_acceptsSensors && droppedSensor(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void PlanView::dropEvent(QDropEvent* event) {
    const quint32 number = droppedSensor(event->mimeData());
    if (!m_acceptsSensors || !number) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit sensorDropped(number, mapToScene(event->position().toPoint()));
}

} // namespace vatrel
