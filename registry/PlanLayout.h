// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <QList>
#include <QPointF>
#include <QString>
#include <optional>

namespace vatrel {

// One sensor on a plan: a marker with its position number, a line along the fence it guards, or
// both. Points are in the picture's own pixels (an SVG's user units).
struct PlacedSensor {
    quint32 number = 0; // factory number
    std::optional<QPointF> marker;
    QList<QPointF> line; // empty: no line; otherwise at least two points
    bool operator==(const PlacedSensor&) const = default;
};

struct Plan {
    QString name;    // the tab's caption
    QString picture; // a file name in data/plans/ (empty: no picture yet)
    QList<PlacedSensor> sensors;
    bool operator==(const Plan&) const = default;
};

// The site plans and where each sensor is drawn on them, as data/plans/plans.json holds them. Every
// change the operator makes goes through here; the windows draw what this holds. A sensor is on a
// plan at most once, and may be on several plans.
class PlanLayout {
public:
    static constexpr int kVersion = 1;

    const QList<Plan>& plans() const { return m_plans; }
    int count() const { return int(m_plans.size()); }
    bool isPlan(int plan) const { return plan >= 0 && plan < count(); }
    const Plan& plan(int plan) const { return m_plans.at(plan); }

    // The sensor's place on the plan, or null.
    const PlacedSensor* find(int plan, quint32 number) const;
    // The first plan the sensor is on, or -1.
    int planOf(quint32 number) const;

    // Plans: a name must not be empty; a picture is a bare file name (no folders).
    int addPlan(const QString& name, const QString& picture = {});
    bool renamePlan(int plan, const QString& name);
    bool removePlan(int plan);
    bool setPicture(int plan, const QString& picture);

    // Puts the sensor's marker at `at`, placing the sensor on the plan when it is not there yet.
    bool placeMarker(int plan, quint32 number, QPointF at);
    // The sensor's fence line; fewer than two points removes it. The sensor is placed when it is not
    // there yet. A sensor left with neither marker nor line leaves the plan.
    bool setLine(int plan, quint32 number, const QList<QPointF>& points);
    bool removeMarker(int plan, quint32 number);
    bool removeSensor(int plan, quint32 number);
    // Another sensor takes over a place (a replacement for a disconnected one): its marker and line.
    // Refused when `to` is already on the plan.
    bool replaceSensor(int plan, quint32 from, quint32 to);

    // The file's text; fromJson accepts exactly what toJson writes (version kVersion) and says in
    // `problem`, in the operator's words, what is wrong with anything else.
    QByteArray toJson() const;
    static std::optional<PlanLayout> fromJson(const QByteArray& json, QString* problem);

    static bool isBarePictureName(const QString& name);
    bool operator==(const PlanLayout&) const = default;

private:
    PlacedSensor* findMutable(int plan, quint32 number);
    void dropIfEmpty(int plan, quint32 number);

    QList<Plan> m_plans;
};

// Reading and writing data/plans/plans.json.
struct PlanFileRead {
    enum class State {
        Missing, // no file yet: an empty layout, saved on the first change
        Loaded,
        Refused, // unreadable, broken or of another version: left as it is, `problem` says why
    };
    State state = State::Missing;
    PlanLayout layout;
    QString problem;
};
PlanFileRead readPlanFile(const QString& path);
// Writes the whole file atomically; false with `error` set when it could not be written.
bool writePlanFile(const QString& path, const PlanLayout& layout, QString* error);

} // namespace vatrel
