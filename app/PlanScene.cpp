// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PlanScene.h"
#include "app/PlanLineItem.h"
#include "app/PlanMarkerItem.h"

#include <QFileInfo>
#include <QGraphicsRectItem>
#include <QGraphicsSimpleTextItem>
#include <QPainter>
#include <QGraphicsSceneMouseEvent>
#include <QImageReader>
#include <QSvgRenderer>
#include <QtConcurrent/QtConcurrentRun>

namespace vatrel {

namespace {
constexpr QRectF kEmptyPlan(0, 0, 1000, 700);

// On a worker thread: the picture, in a form the screen takes without another conversion.
PlanPicture decode(const QString& path) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull()) return {{}, reader.errorString()};
    const QImage::Format target =
        image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (image.format() != target) image = std::move(image).convertToFormat(target);
    return {std::move(image), {}};
}
} // namespace

PlanScene::PlanScene(QObject* parent) : QGraphicsScene(parent) {
    setBackgroundBrush(QColor(128, 128, 128));
    // A few hundred items: going through them in order costs less than sorting what a spatial index
    // finds for each repaint, which in a storm spans the whole plan.
    setItemIndexMethod(NoIndex);
    setSceneRect(kEmptyPlan);
}

PlanScene::~PlanScene() {
    // A decoding still running finishes on its own; nobody takes its picture.
    if (m_decoding) m_decoding->disconnect(this);
}

void PlanScene::clearPicture() {
    delete m_problemField;
    m_problemField = nullptr;
    m_svg.reset();
    m_pixmap = QPixmap();
    m_pictureRect = QRectF();
    m_pictureReady = false;
    m_problem.clear();
    if (m_decoding) {
        m_decoding->disconnect(this);
        m_decoding->deleteLater();
        m_decoding = nullptr;
    }
    emit backgroundChanged();
}

void PlanScene::showPicture(QRectF area) {
    m_pictureRect = area;
    setSceneRect(area);
    m_pictureReady = true;
    emit backgroundChanged();
    emit pictureLoaded();
}

void PlanScene::drawBackground(QPainter* painter, const QRectF& rect) {
    painter->fillRect(rect, backgroundBrush());
    if (!m_pictureReady || !rect.intersects(m_pictureRect)) return;
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    if (m_svg) {
        painter->save();
        painter->setClipRect(rect, Qt::IntersectClip);
        m_svg->render(painter, m_pictureRect);
        painter->restore();
    } else if (!m_pixmap.isNull()) {
        // Only the part in view is taken from the picture: a large scan is not resampled whole.
        const QRectF part = rect & m_pictureRect;
        const QRectF source(part.topLeft() - m_pictureRect.topLeft(), part.size());
        painter->drawPixmap(part, m_pixmap, source);
    }
}

void PlanScene::showProblem(const QString& problem) {
    m_problem = problem;
    auto* field = new QGraphicsRectItem(planRect());
    field->setBrush(QColor(220, 220, 220));
    field->setPen(Qt::NoPen);
    field->setZValue(-1);
    auto* text = new QGraphicsSimpleTextItem(problem, field);
    QFont f = text->font();
    f.setPixelSize(18);
    text->setFont(f);
    text->setPos(field->rect().topLeft() + QPointF(20, 20));
    m_problemField = field;
    addItem(field);
}

void PlanScene::loadPicture(const QString& path) {
    clearPicture();
    const QFileInfo info(path);
    if (!info.isFile()) {
        showProblem(QStringLiteral("Нет картинки плана: %1").arg(info.fileName()));
        return;
    }
    const QString suffix = info.suffix().toLower();
    if (suffix == u"svg" || suffix == u"svgz") {
        auto svg = std::make_unique<QSvgRenderer>(path);
        if (!svg->isValid()) {
            showProblem(QStringLiteral("Картинка плана не читается: %1").arg(info.fileName()));
            return;
        }
        // Places on the plan are in the picture's own units: its width and height, as SVG says them.
        const QRectF area(QPointF(0, 0), QSizeF(svg->defaultSize()));
        m_svg = std::move(svg);
        showPicture(area);
        return;
    }
    // The size comes from the file's header at once, so the view is laid out before the pixels come.
    QImageReader header(path);
    const QSize size = header.size();
    if (size.isValid()) setSceneRect(QRectF(QPointF(0, 0), QSizeF(size)));
    m_decoding = new QFutureWatcher<PlanPicture>(this);
    connect(m_decoding, &QFutureWatcher<PlanPicture>::finished, this, [this, name = info.fileName()] {
        PlanPicture picture = m_decoding->result();
        m_decoding->deleteLater();
        m_decoding = nullptr;
        if (picture.image.isNull()) {
            showProblem(QStringLiteral("Картинка плана не читается: %1 (%2)").arg(name, picture.problem));
            return;
        }
        m_pixmap = QPixmap::fromImage(std::move(picture.image));
        showPicture(QRectF(QPointF(0, 0), QSizeF(m_pixmap.size())));
    });
    m_decoding->setFuture(QtConcurrent::run(decode, path));
}

QRectF PlanScene::planRect() const {
    if (m_pictureReady || m_decoding) return sceneRect();
    QRectF r = kEmptyPlan;
    for (PlanMarkerItem* m : m_markers)
        r |= QRectF(m->pos() - QPointF(50, 50), QSizeF(100, 100));
    for (PlanLineItem* l : m_lines)
        r |= l->boundingRect();
    return r;
}

void PlanScene::setSensors(const Plan& plan) {
    qDeleteAll(m_markers);
    qDeleteAll(m_lines);
    m_markers.clear();
    m_lines.clear();
    for (const PlacedSensor& s : plan.sensors) {
        if (!s.line.isEmpty()) {
            auto* line = new PlanLineItem(s.number, s.line);
            line->setPixelSize(m_pixel);
            line->setEditing(m_editing);
            line->setBlinkOff(m_blinkOff);
            addItem(line);
            m_lines.insert(s.number, line);
        }
        if (s.marker) {
            auto* marker = new PlanMarkerItem(s.number);
            marker->setPos(*s.marker);
            marker->setEditing(m_editing);
            marker->setBlinkOff(m_blinkOff);
            marker->setChosen(s.number == m_chosen);
            addItem(marker);
            m_markers.insert(s.number, marker);
        }
    }
    if (!m_pictureReady) setSceneRect(planRect());
}

std::optional<QPointF> PlanScene::placeOf(quint32 number) const {
    if (PlanMarkerItem* m = marker(number)) return m->pos();
    if (PlanLineItem* l = line(number)) {
        const QList<QPointF>& p = l->points();
        return p[p.size() / 2];
    }
    return std::nullopt;
}

void PlanScene::setLook(quint32 number, const PlanSensorLook& look) {
    PlanMarkerItem* m = marker(number);
    if (m) m->setLook(look);
    if (PlanLineItem* l = line(number)) {
        // The marker's halves blink for their loops; a line blinks only for a sensor without a marker.
        PlanSensorLook steady = look;
        if (m) steady.blink1 = steady.blink2 = false;
        l->setLook(steady);
    }
}

void PlanScene::setBlinkOff(bool off) {
    m_blinkOff = off;
    for (PlanMarkerItem* m : m_markers)
        m->setBlinkOff(off);
    for (PlanLineItem* l : m_lines)
        l->setBlinkOff(off);
}

void PlanScene::setEditing(bool editing) {
    m_editing = editing;
    if (!editing) m_drawing = false;
    for (PlanMarkerItem* m : m_markers)
        m->setEditing(editing);
    for (PlanLineItem* l : m_lines)
        l->setEditing(editing);
}

void PlanScene::setChosen(quint32 number) {
    m_chosen = number;
    for (PlanMarkerItem* m : m_markers)
        m->setChosen(m->number() == number);
}

void PlanScene::setPixelSize(qreal pixel) {
    m_pixel = pixel;
    for (PlanLineItem* l : m_lines)
        l->setPixelSize(pixel);
}

void PlanScene::mousePressEvent(QGraphicsSceneMouseEvent* event) {
    if (m_drawing && event->button() == Qt::LeftButton) {
        emit pointClicked(event->scenePos());
        event->accept();
        return;
    }
    QGraphicsScene::mousePressEvent(event);
}

} // namespace vatrel
