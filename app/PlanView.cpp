// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PlanView.h"
#include "app/PlanScene.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
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
    // The picture beneath is drawn once per zoom and kept (drawBackground), and it covers the whole
    // viewport: nothing needs filling beneath it first.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setOptimizationFlag(QGraphicsView::DontSavePainterState);
    setOptimizationFlag(QGraphicsView::DontAdjustForAntialiasing); // the items' rectangles leave room
    setRenderHint(QPainter::Antialiasing);
    setRenderHint(QPainter::SmoothPixmapTransform);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true); // drops arrive at the viewport
    connect(scene, &PlanScene::backgroundChanged, this, [this] {
        m_backgroundStale = true;
        viewport()->update();
    });
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

void PlanView::paintEvent(QPaintEvent* event) {
    m_exposed = event->region();
    QGraphicsView::paintEvent(event);
}

void PlanView::updateBackground() {
    const qreal dpr = viewport()->devicePixelRatioF();
    const QSize size = viewport()->size() * dpr;
    const QTransform at = viewportTransform();
    QRegion stale; // in viewport pixels
    if (m_backgroundStale || m_background.size() != size) {
        m_background = QPixmap(size);
        m_background.setDevicePixelRatio(dpr);
        stale = QRegion(viewport()->rect());
    } else if (at != m_backgroundAt) {
        const QPointF shift(at.dx() - m_backgroundAt.dx(), at.dy() - m_backgroundAt.dy());
        const QPointF pixels = shift * dpr; // on a screen of fractional scale, a whole point may not be
        const bool scrolled = at.m11() == m_backgroundAt.m11() && at.m22() == m_backgroundAt.m22() &&
                              at.type() <= QTransform::TxScale && shift == shift.toPoint() &&
                              pixels == pixels.toPoint();
        if (scrolled) {
            // Panned by whole pixels: what stays in view is moved, only the uncovered strip is drawn.
            m_background.scroll(pixels.toPoint().x(), pixels.toPoint().y(), m_background.rect());
            stale = QRegion(viewport()->rect()) - QRegion(viewport()->rect().translated(shift.toPoint()));
        } else {
            stale = QRegion(viewport()->rect());
        }
    }
    m_backgroundAt = at;
    m_backgroundStale = false;
    if (stale.isEmpty()) return;
    QPainter p(&m_background);
    p.setClipRegion(stale);
    p.setWorldTransform(at);
    QGraphicsView::drawBackground(&p, mapToScene(stale.boundingRect()).boundingRect());
}

void PlanView::drawBackground(QPainter* painter, const QRectF& rect) {
    if (painter->device() != viewport()) { // drawn elsewhere (render()): the kept picture does not fit
        QGraphicsView::drawBackground(painter, rect);
        return;
    }
    updateBackground();
    // Copied rectangle by rectangle: a picture copied through the whole of a scattered update area at
    // once is sent through the general drawing path, which for a storm's hundreds of small areas
    // costs more than the items drawn over them.
    const qreal dpr = m_background.devicePixelRatio();
    painter->save();
    painter->resetTransform();
    for (const QRect& r : m_exposed) {
        painter->setClipRect(r);
        painter->drawPixmap(r.topLeft(), m_background,
                            QRect((QPointF(r.topLeft()) * dpr).toPoint(), (QSizeF(r.size()) * dpr).toSize()));
    }
    painter->restore();
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
