// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/PlanLayout.h"
#include "registry/WholeFileWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace vatrel {

namespace {

// Coordinates beyond this are no picture's: a file that holds them was not written by the console.
constexpr double kMaxCoordinate = 1e6;

QJsonArray pointJson(QPointF p) { return QJsonArray{p.x(), p.y()}; }

std::optional<QPointF> pointFrom(const QJsonValue& v) {
    const QJsonArray a = v.toArray();
    if (!v.isArray() || a.size() != 2 || !a[0].isDouble() || !a[1].isDouble()) return std::nullopt;
    const double x = a[0].toDouble();
    const double y = a[1].toDouble();
    if (!std::isfinite(x) || !std::isfinite(y) || std::abs(x) > kMaxCoordinate ||
        std::abs(y) > kMaxCoordinate)
        return std::nullopt;
    return QPointF(x, y);
}

} // namespace

bool PlanLayout::isBarePictureName(const QString& name) {
    return !name.isEmpty() && !name.contains(u'/') && !name.contains(u'\\') && name != u"." &&
           name != u".." && !name.contains(QChar(0));
}

const PlacedSensor* PlanLayout::find(int plan, quint32 number) const {
    if (!isPlan(plan)) return nullptr;
    for (const PlacedSensor& s : m_plans.at(plan).sensors)
        if (s.number == number) return &s;
    return nullptr;
}

PlacedSensor* PlanLayout::findMutable(int plan, quint32 number) {
    if (!isPlan(plan)) return nullptr;
    for (PlacedSensor& s : m_plans[plan].sensors)
        if (s.number == number) return &s;
    return nullptr;
}

int PlanLayout::planOf(quint32 number) const {
    for (int p = 0; p < count(); ++p)
        if (find(p, number)) return p;
    return -1;
}

int PlanLayout::addPlan(const QString& name, const QString& picture) {
    if (name.trimmed().isEmpty() || (!picture.isEmpty() && !isBarePictureName(picture))) return -1;
    m_plans.append({name.trimmed(), picture, {}});
    return count() - 1;
}

bool PlanLayout::renamePlan(int plan, const QString& name) {
    if (!isPlan(plan) || name.trimmed().isEmpty()) return false;
    m_plans[plan].name = name.trimmed();
    return true;
}

bool PlanLayout::removePlan(int plan) {
    if (!isPlan(plan)) return false;
    m_plans.removeAt(plan);
    return true;
}

bool PlanLayout::setPicture(int plan, const QString& picture) {
    if (!isPlan(plan) || !isBarePictureName(picture)) return false;
    m_plans[plan].picture = picture;
    return true;
}

bool PlanLayout::placeMarker(int plan, quint32 number, QPointF at) {
    if (!isPlan(plan) || number == 0 || !std::isfinite(at.x()) || !std::isfinite(at.y())) return false;
    if (PlacedSensor* s = findMutable(plan, number))
        s->marker = at;
    else
        m_plans[plan].sensors.append({number, at, {}});
    return true;
}

bool PlanLayout::setLine(int plan, quint32 number, const QList<QPointF>& points) {
    if (!isPlan(plan) || number == 0) return false;
    for (QPointF p : points)
        if (!std::isfinite(p.x()) || !std::isfinite(p.y())) return false;
    const QList<QPointF> line = points.size() >= 2 ? points : QList<QPointF>{};
    if (PlacedSensor* s = findMutable(plan, number)) {
        s->line = line;
        dropIfEmpty(plan, number);
    } else if (!line.isEmpty()) {
        m_plans[plan].sensors.append({number, std::nullopt, line});
    }
    return true;
}

bool PlanLayout::removeMarker(int plan, quint32 number) {
    PlacedSensor* s = findMutable(plan, number);
    if (!s) return false;
    s->marker.reset();
    dropIfEmpty(plan, number);
    return true;
}

void PlanLayout::dropIfEmpty(int plan, quint32 number) {
    const PlacedSensor* s = find(plan, number);
    if (s && !s->marker && s->line.isEmpty()) removeSensor(plan, number);
}

bool PlanLayout::removeSensor(int plan, quint32 number) {
    if (!isPlan(plan)) return false;
    return m_plans[plan].sensors.removeIf([number](const PlacedSensor& s) { return s.number == number; }) > 0;
}

bool PlanLayout::replaceSensor(int plan, quint32 from, quint32 to) {
    if (to == 0 || find(plan, to)) return false;
    PlacedSensor* s = findMutable(plan, from);
    if (!s) return false;
    s->number = to;
    return true;
}

QByteArray PlanLayout::toJson() const {
    QJsonArray plans;
    for (const Plan& p : m_plans) {
        QJsonArray sensors;
        for (const PlacedSensor& s : p.sensors) {
            QJsonObject o{{QStringLiteral("number"), double(s.number)}};
            if (s.marker) o.insert(QStringLiteral("marker"), pointJson(*s.marker));
            if (!s.line.isEmpty()) {
                QJsonArray line;
                for (QPointF pt : s.line)
                    line.append(pointJson(pt));
                o.insert(QStringLiteral("line"), line);
            }
            sensors.append(o);
        }
        plans.append(QJsonObject{{QStringLiteral("name"), p.name},
                                 {QStringLiteral("picture"), p.picture},
                                 {QStringLiteral("sensors"), sensors}});
    }
    const QJsonObject root{{QStringLiteral("version"), kVersion}, {QStringLiteral("plans"), plans}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::optional<PlanLayout> PlanLayout::fromJson(const QByteArray& json, QString* problem) {
    const auto refuse = [problem](const QString& why) {
        if (problem) *problem = why;
        return std::nullopt;
    };
    QJsonParseError err{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &err);
    if (err.error != QJsonParseError::NoError)
        return refuse(
            QStringLiteral("файл повреждён (%1, позиция %2)").arg(err.errorString()).arg(err.offset));
    if (!doc.isObject()) return refuse(QStringLiteral("файл повреждён (нет описания планов)"));
    const QJsonObject root = doc.object();
    const QJsonValue version = root.value(QStringLiteral("version"));
    if (!version.isDouble()) return refuse(QStringLiteral("в файле нет номера версии"));
    if (version.toDouble() != kVersion)
        return refuse(QStringLiteral("версия файла %1 не поддерживается (поддерживается %2)")
                          .arg(version.toDouble())
                          .arg(kVersion));
    const QJsonValue plans = root.value(QStringLiteral("plans"));
    if (!plans.isArray()) return refuse(QStringLiteral("файл повреждён (нет списка планов)"));

    PlanLayout out;
    const QJsonArray planArray = plans.toArray();
    for (qsizetype i = 0; i < planArray.size(); ++i) {
        const QJsonObject p = planArray[i].toObject();
        const QString where = QStringLiteral("план %1: ").arg(i + 1);
        const QString name = p.value(QStringLiteral("name")).toString().trimmed();
        const QJsonValue picture = p.value(QStringLiteral("picture"));
        if (!planArray[i].isObject() || name.isEmpty()) return refuse(where + QStringLiteral("нет названия"));
        if (!picture.isString() || (!picture.toString().isEmpty() && !isBarePictureName(picture.toString())))
            return refuse(where + QStringLiteral("неверное имя картинки"));
        const int plan = out.addPlan(name, picture.toString());
        const QJsonValue sensors = p.value(QStringLiteral("sensors"));
        if (!sensors.isArray()) return refuse(where + QStringLiteral("нет списка датчиков"));
        for (const QJsonValue& sv : sensors.toArray()) {
            const QJsonObject s = sv.toObject();
            const double number = s.value(QStringLiteral("number")).toDouble(-1);
            if (!sv.isObject() || number < 1 || number > 0xFFFFFFFFu || number != std::floor(number))
                return refuse(where + QStringLiteral("неверный заводской номер датчика"));
            const auto n = quint32(number);
            if (out.find(plan, n)) return refuse(where + QStringLiteral("датчик %1 указан дважды").arg(n));
            PlacedSensor placed{n, std::nullopt, {}};
            if (s.contains(QStringLiteral("marker"))) {
                placed.marker = pointFrom(s.value(QStringLiteral("marker")));
                if (!placed.marker) return refuse(where + QStringLiteral("неверное место датчика %1").arg(n));
            }
            if (s.contains(QStringLiteral("line"))) {
                const QJsonValue line = s.value(QStringLiteral("line"));
                if (!line.isArray() || line.toArray().size() < 2)
                    return refuse(where + QStringLiteral("неверная линия датчика %1").arg(n));
                for (const QJsonValue& pv : line.toArray()) {
                    const std::optional<QPointF> pt = pointFrom(pv);
                    if (!pt) return refuse(where + QStringLiteral("неверная линия датчика %1").arg(n));
                    placed.line.append(*pt);
                }
            }
            if (!placed.marker && placed.line.isEmpty())
                return refuse(where + QStringLiteral("у датчика %1 нет ни места, ни линии").arg(n));
            out.m_plans[plan].sensors.append(placed);
        }
    }
    return out;
}

PlanFileRead readPlanFile(const QString& path) {
    PlanFileRead out;
    QFile f(path);
    if (!f.exists()) return out;
    const QString name = QFileInfo(path).fileName();
    if (!f.open(QIODevice::ReadOnly)) {
        out.state = PlanFileRead::State::Refused;
        out.problem = QStringLiteral("Файл %1 не открылся: %2").arg(name, f.errorString());
        return out;
    }
    QString problem;
    if (std::optional<PlanLayout> layout = PlanLayout::fromJson(f.readAll(), &problem)) {
        out.state = PlanFileRead::State::Loaded;
        out.layout = std::move(*layout);
    } else {
        out.state = PlanFileRead::State::Refused;
        out.problem = QStringLiteral("Файл %1 не прочитан: %2").arg(name, problem);
    }
    return out;
}

bool writePlanFile(const QString& path, const PlanLayout& layout, QString* error) {
    return writeWholeFile(path, layout.toJson(), error);
}

} // namespace vatrel
