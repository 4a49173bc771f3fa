// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QGraphicsView>
#include <QPixmap>
#include <QRegion>

namespace vatrel {

class PlanScene;

// A plan on screen: the wheel zooms about the cursor, dragging the picture pans it. While the plan is
// edited, a sensor dragged from the list of unplaced sensors can be dropped on it.
class PlanView : public QGraphicsView {
    Q_OBJECT
public:
    static constexpr const char* kSensorMime = "application/x-vatrel-sensor";

    explicit PlanView(PlanScene* scene, QWidget* parent = nullptr);
    PlanScene* planScene() const { return m_scene; }

    void fitPlan();
    // Multiplies the zoom by `factor` about `viewportPos`, within sensible limits.
    void zoomBy(qreal factor, QPointF viewportPos);
    qreal zoom() const { return transform().m11(); }
    void setAcceptsSensors(bool accepts) { m_acceptsSensors = accepts; }

signals:
    void sensorDropped(quint32 number, QPointF scenePos);

protected:
    void wheelEvent(QWheelEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void drawBackground(QPainter* painter, const QRectF& rect) override;

private:
    void zoomChanged();
    // Brings the kept background up to the view's zoom, scroll and size, drawing only what is new.
    void updateBackground();

    PlanScene* m_scene;
    bool m_acceptsSensors = false;
    bool m_fitted = false; // fits the window until the operator zooms
    // The picture as drawn for the viewport (its pixels are the viewport's), and for which transform.
    QPixmap m_background;
    QTransform m_backgroundAt;
    bool m_backgroundStale = true;
    QRegion m_exposed; // what the paint under way paints, in viewport pixels
};

} // namespace vatrel
