// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "app/PlanSensorLook.h"
#include "registry/PlanLayout.h"

#include <QFutureWatcher>
#include <QGraphicsScene>
#include <QHash>
#include <QImage>
#include <QPixmap>
#include <functional>
#include <memory>

class QGraphicsItem;
class QSvgRenderer;

namespace vatrel {

class PlanLineItem;
class PlanMarkerItem;

// A raster picture as decoded, or why it could not be.
struct PlanPicture {
    QImage image;
    QString problem;
};

// One plan as drawn: its picture and the items of the sensors on it. It only draws and reports what
// the operator did to an item; the plan window changes the layout and hands the result back here.
class PlanScene : public QGraphicsScene {
    Q_OBJECT
public:
    explicit PlanScene(QObject* parent = nullptr);
    ~PlanScene() override;

    // The picture is the scene's background, beneath every sensor: an SVG is drawn from its vectors,
    // a raster picture is decoded on a worker thread and shows when it is ready (pictureLoaded). A
    // missing or unreadable picture leaves a grey field that says so. The views keep the background
    // as drawn at their scale (PlanView), so a storm repaints the sensors, not the picture.
    void loadPicture(const QString& path);
    bool pictureReady() const { return m_pictureReady; }
    QString pictureProblem() const { return m_problem; }
    // The picture's area, or the sensors' when there is no picture.
    QRectF planRect() const;

    // The items of the plan's sensors, made anew.
    void setSensors(const Plan& plan);
    PlanMarkerItem* marker(quint32 number) const { return m_markers.value(number); }
    PlanLineItem* line(quint32 number) const { return m_lines.value(number); }
    // Where the sensor is drawn: its marker, or the middle point of its line.
    std::optional<QPointF> placeOf(quint32 number) const;
    void setLook(quint32 number, const PlanSensorLook& look);
    void setBlinkOff(bool off);
    void setEditing(bool editing);
    void setChosen(quint32 number); // 0: none
    void setDrawing(bool drawing) { m_drawing = drawing; }
    void setPixelSize(qreal pixel);

    // The sensor's table row as text, for its tooltip.
    std::function<QString(quint32 number)> tipFor;

    // What the items report.
    void sensorPressed(quint32 number) { emit sensorClicked(number); }
    void sensorMenuAsked(quint32 number, QPoint screenPos) { emit sensorMenuRequested(number, screenPos); }
    void markerDropped(quint32 number, QPointF at) { emit markerMoved(number, at); }
    void lineEdited(quint32 number, const QList<QPointF>& points) { emit lineChanged(number, points); }

signals:
    void sensorClicked(quint32 number);
    void sensorMenuRequested(quint32 number, QPoint screenPos);
    void markerMoved(quint32 number, QPointF to);
    void lineChanged(quint32 number, const QList<QPointF>& points);
    void pointClicked(QPointF at); // on the picture while a line is drawn
    void pictureLoaded();
    void backgroundChanged(); // the picture came, went or is being replaced

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
    void drawBackground(QPainter* painter, const QRectF& rect) override;

private:
    void showPicture(QRectF area);
    void showProblem(const QString& problem);
    void clearPicture();

    std::unique_ptr<QSvgRenderer> m_svg;
    QPixmap m_pixmap;
    QRectF m_pictureRect;                    // where the picture is drawn (empty: none)
    QGraphicsItem* m_problemField = nullptr; // instead of a picture that cannot be shown
    QFutureWatcher<PlanPicture>* m_decoding = nullptr;
    QString m_problem;
    bool m_pictureReady = false;
    QHash<quint32, PlanMarkerItem*> m_markers;
    QHash<quint32, PlanLineItem*> m_lines;
    bool m_editing = false;
    bool m_drawing = false;
    bool m_blinkOff = false;
    qreal m_pixel = 1;
    quint32 m_chosen = 0;
};

} // namespace vatrel
