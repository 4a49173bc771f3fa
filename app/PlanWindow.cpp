// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/PlanWindow.h"
#include "app/PlanLineItem.h"
#include "app/PlanMarkerItem.h"
#include "app/PlanScene.h"
#include "app/PlanSensorList.h"
#include "app/PlanView.h"
#include "dialogs/QtColours.h"
#include "registry/Cp1251.h"
#include "registry/EventCatalogue.h"
#include "registry/SensorRowTexts.h"
#include "registry/WholeFileWriter.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QSplitter>
#include <QSvgRenderer>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWindow>

namespace vatrel {

namespace {
const QString kLayoutFile = QStringLiteral("plans.json");
const QString kPlaceFile = QStringLiteral("window.dat");
const QColor kMarkedTab(200, 0, 0);

QString typeText(qint16 type) { return type == 0 ? QStringLiteral("Ватрел-А") : QStringLiteral("Ватрел-Б"); }

bool readablePicture(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"svg" || suffix == u"svgz") return QSvgRenderer(path).isValid();
    QImageReader reader(path);
    return reader.canRead() && reader.size().isValid();
}
} // namespace

PlanWindow::PlanWindow(CoreDoor& door, QWidget* parent)
    : QWidget(parent, Qt::Window), m_door(door), m_c(door.mirror()) {
    setObjectName(QStringLiteral("FormPlan"));
    setWindowTitle(QStringLiteral("План объекта"));
    resize(1000, 700);

    askPlanName = [this](const QString& caption, const QString& current) {
        return QInputDialog::getText(this, caption, QStringLiteral("Название плана:"), QLineEdit::Normal,
                                     current);
    };
    choosePictureFile = [this] {
        return QFileDialog::getOpenFileName(this, QStringLiteral("Картинка плана"), QDir::homePath(),
                                            QStringLiteral("Картинки (*.png *.jpg *.jpeg *.svg)"));
    };

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("ToolBarPlan"));
    auto* fit = bar->addAction(QStringLiteral("Вписать"), this, [this] {
        if (PlanView* v = view(currentPlan())) v->fitPlan();
    });
    fit->setObjectName(QStringLiteral("ActionFit"));
    bar->addSeparator();
    m_editAction = bar->addAction(QStringLiteral("Разметка"));
    m_editAction->setObjectName(QStringLiteral("ActionEdit"));
    m_editAction->setCheckable(true);
    connect(m_editAction, &QAction::toggled, this, &PlanWindow::setEditing);
    const auto editAction = [this, bar](const char* name, const QString& text, auto fn) {
        QAction* a = bar->addAction(text, this, fn);
        a->setObjectName(QString::fromLatin1(name));
        m_editActions << a;
        return a;
    };
    editAction("ActionAddPlan", QStringLiteral("Новый план"), [this] { addPlan(); });
    editAction("ActionRenamePlan", QStringLiteral("Переименовать"), [this] { renameCurrentPlan(); });
    editAction("ActionRemovePlan", QStringLiteral("Удалить план"), [this] { removeCurrentPlan(); });
    editAction("ActionPicture", QStringLiteral("Картинка…"), [this] { chooseCurrentPicture(); });
    m_lineAction = editAction("ActionLine", QStringLiteral("Линия датчика"), [] {});
    m_lineAction->setCheckable(true);
    connect(m_lineAction, &QAction::toggled, this, &PlanWindow::setDrawing);
    layout->addWidget(bar);

    auto* split = new QSplitter(this);
    m_tabs = new QTabWidget(split);
    m_tabs->setObjectName(QStringLiteral("PlanTabs"));
    connect(m_tabs, &QTabWidget::currentChanged, this, [this] {
        setDrawing(false);
        markTabs();
        fillUnplaced();
    });
    m_unplacedPanel = new QWidget(split);
    auto* panelLayout = new QVBoxLayout(m_unplacedPanel);
    panelLayout->setContentsMargins(4, 4, 4, 4);
    panelLayout->addWidget(new QLabel(QStringLiteral("Не на плане:"), m_unplacedPanel));
    m_unplaced = new PlanSensorList(m_unplacedPanel);
    m_unplaced->setObjectName(QStringLiteral("ListUnplaced"));
    panelLayout->addWidget(m_unplaced);
    split->setStretchFactor(0, 1);
    split->setSizes({800, 200});
    layout->addWidget(split, 1);
    m_statusLabel = new QLabel(this);
    m_statusLabel->setObjectName(QStringLiteral("LabelPlanStatus"));
    m_statusLabel->setContentsMargins(4, 2, 4, 2);
    layout->addWidget(m_statusLabel);
    setEditing(false);

    m_blinkTimer.setInterval(500); // on half a second, off half a second
    connect(&m_blinkTimer, &QTimer::timeout, this, [this] {
        if (!drawn()) { // minimized or covered by the system: nothing to blink for
            m_blinkTimer.stop();
            m_stale = true;
            return;
        }
        // A refresh of the rows may have turned the blink over lately, in the same painting.
        if (!m_sinceBlink.isValid() || m_sinceBlink.elapsed() >= 400) blink();
    });
    // A change held back from a refresh (refreshDone) shows soon after the table's next refresh would
    // have come, when it does not.
    m_lateLooks.setSingleShot(true);
    m_lateLooks.setInterval(kLooksLateMs);
    connect(&m_lateLooks, &QTimer::timeout, this, [this] {
        if (m_looksDue) applyLooks();
    });
}

PlanWindow::~PlanWindow() {
    if (isVisible()) savePlacement();
}

QString PlanWindow::plansDir() const { return QDir(m_c.data_dir).filePath(QStringLiteral("data/plans")); }

void PlanWindow::open() {
    if (!m_loaded) loadPlans();
    if (!m_placed) {
        m_placed = true;
        QFile f(QDir(plansDir()).filePath(kPlaceFile));
        if (f.open(QIODevice::ReadOnly)) restoreGeometry(f.readAll()); // a damaged one changes nothing
    }
    show();
    if (isMinimized()) showNormal();
    if (QWindow* handle = windowHandle()) handle->installEventFilter(this); // once: a filter is never doubled
    raise();
    activateWindow();
}

void PlanWindow::loadPlans() {
    m_loaded = true;
    PlanFileRead read = readPlanFile(QDir(plansDir()).filePath(kLayoutFile));
    m_layout = std::move(read.layout);
    m_fileRefused = read.state == PlanFileRead::State::Refused;
    if (m_fileRefused) {
        m_statusLabel->setText(read.problem);
        if (ConsoleUi* ui = m_door.windowUi())
            ui->message(QStringLiteral("Ошибка"),
                        read.problem + QStringLiteral("\nПланы не показаны, файл оставлен как есть."),
                        ConsoleUi::Icon::Error);
    }
    rebuildTabs();
}

void PlanWindow::savePlacement() {
    if (!m_placed || m_c.data_dir.isEmpty()) return;
    QDir().mkpath(plansDir());
    writeWholeFile(QDir(plansDir()).filePath(kPlaceFile), saveGeometry()); // a lost place is no loss
}

void PlanWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_stale) updateLooks(true);
}

bool PlanWindow::drawn() const { return isVisible() && windowHandle() && windowHandle()->isExposed(); }

bool PlanWindow::eventFilter(QObject* watched, QEvent* event) {
    // On screen again (restored, uncovered): what changed meanwhile is drawn now.
    if (event->type() == QEvent::Expose && watched == windowHandle() && m_stale && drawn()) updateLooks(true);
    return QWidget::eventFilter(watched, event);
}

void PlanWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    m_blinkTimer.stop();
    savePlacement();
}

void PlanWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && m_drawing) {
        m_lineAction->setChecked(false);
        return;
    }
    QWidget::keyPressEvent(event);
}

int PlanWindow::currentPlan() const { return m_tabs->currentIndex(); }

PlanView* PlanWindow::view(int plan) const { return qobject_cast<PlanView*>(m_tabs->widget(plan)); }

PlanScene* PlanWindow::scene(int plan) const {
    PlanView* v = view(plan);
    return v ? v->planScene() : nullptr;
}

void PlanWindow::rebuildTabs() {
    const int current = currentPlan();
    const QSignalBlocker block(m_tabs);
    while (m_tabs->count() > 0) {
        QWidget* w = m_tabs->widget(0);
        m_tabs->removeTab(0);
        delete w;
    }
    for (int p = 0; p < m_layout.count(); ++p) {
        auto* s = new PlanScene(this);
        const Plan& plan = m_layout.plan(p);
        if (!plan.picture.isEmpty()) s->loadPicture(QDir(plansDir()).filePath(plan.picture));
        s->setSensors(plan);
        s->setEditing(m_editing);
        s->setBlinkOff(m_blinkOff);
        s->setChosen(m_chosen);
        s->tipFor = [this](quint32 number) { return tipOf(number); };
        connectScene(s);
        auto* v = new PlanView(s);
        v->setObjectName(QStringLiteral("PlanView%1").arg(p));
        v->setAcceptsSensors(m_editing);
        connect(v, &PlanView::sensorDropped, this, &PlanWindow::sensorDropped);
        m_tabs->addTab(v, plan.name);
        if (!s->pictureProblem().isEmpty()) m_statusLabel->setText(s->pictureProblem());
    }
    if (m_tabs->count() > 0) m_tabs->setCurrentIndex(std::clamp(current, 0, m_tabs->count() - 1));
    m_shown.clear(); // the new items show every sensor afresh
    m_looks.clear();
    updateLooks(true);
    fillUnplaced();
}

void PlanWindow::connectScene(PlanScene* s) {
    connect(s, &PlanScene::sensorClicked, this, &PlanWindow::sensorClicked);
    connect(s, &PlanScene::sensorMenuRequested, this, &PlanWindow::sensorMenu);
    connect(s, &PlanScene::markerMoved, this, [this](quint32 number, QPointF to) {
        if (m_layout.placeMarker(currentPlan(), number, to)) layoutChanged(currentPlan());
    });
    connect(s, &PlanScene::lineChanged, this, [this](quint32 number, const QList<QPointF>& points) {
        if (m_layout.setLine(currentPlan(), number, points)) layoutChanged(currentPlan());
    });
    connect(s, &PlanScene::pointClicked, this, &PlanWindow::pointClicked);
    connect(s, &PlanScene::pictureLoaded, this, [this, s] {
        if (s->pictureProblem().isEmpty() && m_statusLabel->text().startsWith(QStringLiteral("Картинка")))
            m_statusLabel->clear();
    });
}

void PlanWindow::layoutChanged(int plan) {
    if (PlanScene* s = scene(plan)) {
        s->setSensors(m_layout.plan(plan));
        // The new items take the looks already worked out; sensors new to the plans get theirs now.
        for (auto it = m_looks.cbegin(); it != m_looks.cend(); ++it)
            s->setLook(it.key(), it.value());
    }
    updateLooks(false);
    fillUnplaced();
    save();
}

bool PlanWindow::save() {
    if (m_fileRefused && !m_overwriteDecided) {
        m_overwriteDecided = true;
        ConsoleUi* ui = m_door.windowUi();
        m_overwriteAllowed =
            ui &&
            ui->question(QStringLiteral("План объекта"),
                         QStringLiteral("Файл plans.json не был прочитан. Заменить его новой разметкой?"));
    }
    if (m_fileRefused && !m_overwriteAllowed) {
        m_statusLabel->setText(QStringLiteral("Разметка не сохраняется: файл plans.json оставлен как есть"));
        return false;
    }
    QString error;
    QDir().mkpath(plansDir());
    if (!writePlanFile(QDir(plansDir()).filePath(kLayoutFile), m_layout, &error)) {
        if (ConsoleUi* ui = m_door.windowUi())
            ui->message(QStringLiteral("Ошибка"), QStringLiteral("Файл plans.json не записан: ") + error,
                        ConsoleUi::Icon::Error);
        return false;
    }
    return true;
}

void PlanWindow::refreshView(View view) {
    if (view == View::AlarmList) m_alarmsStale = true;
    if (view == View::AlarmList || view == View::SensorGrid) m_looksDue = true;
}

void PlanWindow::refreshDone() {
    if (!m_looksDue) return;
    // In a storm the table is refreshed ten times a second. The plans take every second of those
    // refreshes, never more than one behind the table, for half the drawing; after a quiet spell they
    // follow the table in the same refresh.
    if (m_sinceLooks.isValid() && m_sinceLooks.elapsed() < kLooksGapMs) {
        if (!m_lateLooks.isActive()) m_lateLooks.start();
        return;
    }
    applyLooks();
}

void PlanWindow::applyLooks() {
    m_lateLooks.stop();
    m_looksDue = false;
    // Hidden or minimized, the plans wait: the table alone pays for a storm.
    if (!m_loaded || !drawn()) {
        m_stale = true;
        return;
    }
    m_sinceLooks.start();
    updateLooks(false);
}

void PlanWindow::findUnacknowledged() {
    m_alarmsStale = false;
    m_unacknowledged.clear();
    QHash<quint64, quint8> loops;
    for (const AlarmBoard::Alarm& a : m_c.alarms.alarms()) {
        // An alarm's loop never changes: worked out once per alarm.
        auto known = m_alarmLoops.constFind(a.id);
        quint8 bits = 0;
        if (known != m_alarmLoops.cend()) {
            bits = *known;
        } else {
            const int loop = loopAlarmLoop(a.event.code, cp1251::encode(a.event.text));
            bits = loop == 1 ? 1 : loop == 2 ? 2 : 3; // a fault or a lost sensor: the whole sensor
        }
        loops.insert(a.id, bits);
        if (a.state == AlarmBoard::State::New) m_unacknowledged[a.event.factory_number] |= bits;
    }
    m_alarmLoops = std::move(loops);
}

PlanSensorLook PlanWindow::lookOf(quint32 number, const Shown& shown) const {
    PlanSensorLook look;
    if (shown.slot < 0) {
        look.greyed = true;
        look.colour = QColor(150, 150, 150);
        look.label = QString::number(number);
        return look;
    }
    const SensorRow& row = shown.row;
    look.colour = toQColor(row.colour);
    look.armed1 = row.armed1 == ArmedCell::Armed;
    look.armed2 = row.armed2 == ArmedCell::Armed;
    look.blink1 = shown.unacknowledged & 1;
    look.blink2 = shown.unacknowledged & 2;
    look.label = QString::number(shown.slot + 1);
    return look;
}

QString PlanWindow::tipOf(quint32 number) const {
    const Shown shown = m_shown.value(number);
    if (shown.slot < 0) return QStringLiteral("Датчик %1 не подключён").arg(number);
    QStringList lines;
    for (int col = colPos; col < kSensorColumns; ++col)
        lines << sensorHeaderText(col).trimmed() + QStringLiteral(": ") +
                     sensorCellText(shown.row, shown.slot, col);
    return lines.join(u'\n');
}

void PlanWindow::updateLooks(bool all) {
    m_stale = false;
    if (m_alarmsStale) findUnacknowledged();
    QHash<quint32, int> slotOf;
    for (int s = 0; s < kSlots; ++s)
        if (const quint32 n = m_c.sensors.record(s).factory_number; n != 0 && !slotOf.contains(n))
            slotOf.insert(n, s);
    bool blinking = false;
    for (int p = 0; p < m_layout.count(); ++p) {
        for (const PlacedSensor& placed : m_layout.plan(p).sensors) {
            const quint32 n = placed.number;
            Shown now;
            now.slot = slotOf.value(n, -1);
            if (now.slot >= 0) {
                now.row = m_c.sensorRows.row(now.slot);
                now.unacknowledged = m_unacknowledged.value(n, 0);
            }
            blinking |= now.unacknowledged != 0;
            auto was = m_shown.find(n);
            if (!all && was != m_shown.end() && *was == now) continue;
            m_shown.insert(n, now);
            const PlanSensorLook look = lookOf(n, now);
            m_looks.insert(n, look);
            for (int q = 0; q < m_layout.count(); ++q)
                if (PlanScene* s = scene(q)) s->setLook(n, look);
        }
    }
    if (blinking && !drawn()) {
        m_stale = true; // the blink starts when the window is on screen
    } else if (blinking) {
        if (!m_blinkTimer.isActive()) {
            m_blinkTimer.start();
            m_sinceBlink.start();
        } else if (m_sinceBlink.elapsed() >= 500) {
            blink(); // with the rows' changes: one painting instead of two
        }
    } else if (m_blinkTimer.isActive() || m_blinkOff) {
        m_blinkTimer.stop();
        m_blinkOff = true; // blink() turns it back on
        blink();
    }
    markTabs();
}

void PlanWindow::blink() {
    m_sinceBlink.start();
    m_blinkOff = !m_blinkOff;
    for (int p = 0; p < m_tabs->count(); ++p)
        if (PlanScene* s = scene(p)) s->setBlinkOff(m_blinkOff);
}

void PlanWindow::markTabs() {
    QTabBar* bar = m_tabs->tabBar();
    for (int p = 0; p < m_layout.count() && p < bar->count(); ++p) {
        bool waiting = false;
        if (p != currentPlan())
            for (const PlacedSensor& s : m_layout.plan(p).sensors)
                if (m_unacknowledged.value(s.number, 0) != 0 && m_shown.value(s.number).slot >= 0) {
                    waiting = true;
                    break;
                }
        const QColor want = waiting ? kMarkedTab : bar->palette().color(QPalette::WindowText);
        if (bar->tabTextColor(p) != want) bar->setTabTextColor(p, want);
        const QString text = waiting ? QStringLiteral("● ") + m_layout.plan(p).name : m_layout.plan(p).name;
        if (bar->tabText(p) != text) bar->setTabText(p, text);
    }
}

bool PlanWindow::tabMarked(int plan) const {
    return plan >= 0 && plan < m_tabs->count() && m_tabs->tabBar()->tabTextColor(plan) == kMarkedTab;
}

bool PlanWindow::showSensor(quint32 number) {
    if (!m_loaded) loadPlans();
    // The plan shown, when it holds the sensor; otherwise the first that does.
    const int plan = m_layout.find(currentPlan(), number) ? currentPlan() : m_layout.planOf(number);
    if (plan >= 0) m_tabs->setCurrentIndex(plan);
    open();
    if (plan < 0) return false;
    if (PlanView* v = view(plan))
        if (const std::optional<QPointF> at = v->planScene()->placeOf(number)) v->centerOn(*at);
    return true;
}

void PlanWindow::chooseSensor(quint32 number) {
    m_chosen = number;
    for (int p = 0; p < m_tabs->count(); ++p)
        if (PlanScene* s = scene(p)) s->setChosen(number);
}

void PlanWindow::sensorClicked(quint32 number) {
    if (m_editing) chooseSensor(number);
    const int slot = m_shown.value(number).slot;
    if (slot >= 0) emit sensorChosen(slot);
}

void PlanWindow::sensorMenu(quint32 number, QPoint screenPos) {
    if (m_editing) {
        editMenu(number, screenPos);
        return;
    }
    const int slot = m_shown.value(number).slot;
    if (slot >= 0) emit sensorMenuRequested(slot, screenPos);
}

void PlanWindow::editMenu(quint32 number, QPoint screenPos) {
    const int plan = currentPlan();
    const PlacedSensor* placed = m_layout.find(plan, number);
    if (!placed) return;
    chooseSensor(number);
    QMenu menu(this);
    QAction* line = menu.addAction(placed->line.isEmpty() ? QStringLiteral("Нарисовать линию")
                                                          : QStringLiteral("Нарисовать линию заново"));
    QAction* noLine = menu.addAction(QStringLiteral("Убрать линию"));
    noLine->setEnabled(!placed->line.isEmpty() && placed->marker);
    QAction* noMarker = menu.addAction(QStringLiteral("Убрать значок"));
    noMarker->setEnabled(placed->marker && !placed->line.isEmpty());
    menu.addSeparator();
    QAction* remove = menu.addAction(QStringLiteral("Убрать с плана"));
    QAction* chosen = menu.exec(screenPos);
    bool changed = false;
    if (chosen == line) {
        m_lineAction->setChecked(false);
        m_lineAction->setChecked(true);
        m_drawn.clear();
    } else if (chosen == noLine) {
        changed = m_layout.setLine(plan, number, {});
    } else if (chosen == noMarker) {
        changed = m_layout.removeMarker(plan, number);
    } else if (chosen == remove) {
        changed = m_layout.removeSensor(plan, number);
    }
    if (changed) layoutChanged(plan);
}

void PlanWindow::sensorDropped(quint32 number, QPointF at) {
    const int plan = currentPlan();
    PlanView* v = view(plan);
    if (!v) return;
    // Dropped on the place of a sensor that is no more, the new one takes that place over. (Asked of
    // the view: the markers keep their size on the screen, not on the picture.)
    for (QGraphicsItem* item : v->items(v->mapFromScene(at))) {
        quint32 old = 0;
        if (auto* m = dynamic_cast<PlanMarkerItem*>(item); m && m->look().greyed) old = m->number();
        if (auto* l = dynamic_cast<PlanLineItem*>(item); l && m_shown.value(l->number()).slot < 0)
            old = l->number();
        if (old && m_layout.replaceSensor(plan, old, number)) {
            layoutChanged(plan);
            return;
        }
    }
    if (m_layout.placeMarker(plan, number, at)) layoutChanged(plan);
}

void PlanWindow::setDrawing(bool drawing) {
    if (drawing && (!m_editing || !m_chosen || !m_layout.isPlan(currentPlan()))) {
        m_statusLabel->setText(QStringLiteral("Выберите датчик на плане, затем нарисуйте его линию"));
        if (m_lineAction->isChecked()) m_lineAction->setChecked(false);
        return;
    }
    m_drawing = drawing;
    m_drawn.clear();
    if (m_lineAction->isChecked() != drawing) m_lineAction->setChecked(drawing);
    for (int p = 0; p < m_tabs->count(); ++p)
        if (PlanScene* s = scene(p)) s->setDrawing(drawing && p == currentPlan());
    if (drawing)
        m_statusLabel->setText(
            QStringLiteral("Щелчками отметьте точки линии; Esc или кнопка «Линия датчика» — конец"));
    else if (m_statusLabel->text().startsWith(QStringLiteral("Щелчками")))
        m_statusLabel->clear();
}

void PlanWindow::pointClicked(QPointF at) {
    if (!m_drawing || !m_chosen) return;
    m_drawn << at;
    // The first point waits for the second: a line needs two.
    if (m_drawn.size() >= 2 && m_layout.setLine(currentPlan(), m_chosen, m_drawn))
        layoutChanged(currentPlan());
}

void PlanWindow::setEditing(bool editing) {
    m_editing = editing;
    if (m_editAction->isChecked() != editing) m_editAction->setChecked(editing);
    for (QAction* a : m_editActions)
        a->setEnabled(editing);
    if (!editing) setDrawing(false);
    m_unplacedPanel->setVisible(editing);
    for (int p = 0; p < m_tabs->count(); ++p) {
        scene(p)->setEditing(editing);
        view(p)->setAcceptsSensors(editing);
    }
    if (!editing) chooseSensor(0);
    fillUnplaced();
}

void PlanWindow::fillUnplaced() {
    m_unplaced->clear();
    const int plan = currentPlan();
    if (!m_editing || !m_layout.isPlan(plan)) return;
    for (int slot = 0; slot < kSlots; ++slot) {
        const SensorRecord& r = m_c.sensors.record(slot);
        if (!r.occupied() || m_layout.find(plan, r.factory_number)) continue;
        m_unplaced->addSensor(
            QStringLiteral("%1: %2 %3").arg(slot + 1).arg(r.factory_number).arg(typeText(r.sensor_type)),
            r.factory_number);
    }
}

void PlanWindow::addPlan() {
    const QString name =
        askPlanName(QStringLiteral("Новый план"), QStringLiteral("План %1").arg(m_layout.count() + 1));
    const int plan = m_layout.addPlan(name);
    if (plan < 0) return;
    rebuildTabs();
    m_tabs->setCurrentIndex(plan);
    save();
}

void PlanWindow::renameCurrentPlan() {
    const int plan = currentPlan();
    if (!m_layout.isPlan(plan)) return;
    if (!m_layout.renamePlan(plan,
                             askPlanName(QStringLiteral("Переименовать план"), m_layout.plan(plan).name)))
        return;
    markTabs();
    m_tabs->setTabText(plan, m_layout.plan(plan).name);
    save();
}

void PlanWindow::removeCurrentPlan() {
    const int plan = currentPlan();
    ConsoleUi* ui = m_door.windowUi();
    if (!m_layout.isPlan(plan) || !ui) return;
    if (!ui->question(QStringLiteral("План объекта"),
                      QStringLiteral("Удалить план «%1» вместе с разметкой?").arg(m_layout.plan(plan).name)))
        return;
    m_layout.removePlan(plan);
    rebuildTabs();
    save();
}

void PlanWindow::chooseCurrentPicture() {
    int plan = currentPlan();
    const QString source = choosePictureFile();
    if (source.isEmpty()) return;
    ConsoleUi* ui = m_door.windowUi();
    const auto fail = [ui](const QString& text) {
        if (ui) ui->message(QStringLiteral("Ошибка"), text, ConsoleUi::Icon::Error);
    };
    if (!readablePicture(source)) return fail(QStringLiteral("Картинка не читается: ") + source);
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) return fail(QStringLiteral("Картинка не открылась: ") + source);
    const QByteArray bytes = in.readAll();
    // The copy keeps the picture's name; another picture of that name already there is not replaced.
    QDir dir(plansDir());
    dir.mkpath(QStringLiteral("."));
    const QFileInfo info(source);
    QString name = info.fileName();
    for (int n = 2; dir.exists(name); ++n) {
        QFile old(dir.filePath(name));
        if (old.open(QIODevice::ReadOnly) && old.readAll() == bytes) break;
        name = QStringLiteral("%1-%2.%3").arg(info.completeBaseName()).arg(n).arg(info.suffix());
    }
    QString error;
    if (!dir.exists(name) && !writeWholeFile(dir.filePath(name), bytes, &error))
        return fail(QStringLiteral("Картинка не скопирована в %1: %2").arg(dir.path(), error));
    if (!m_layout.isPlan(plan)) plan = m_layout.addPlan(info.completeBaseName());
    if (!m_layout.setPicture(plan, name)) return;
    rebuildTabs();
    m_tabs->setCurrentIndex(plan);
    save();
}

} // namespace vatrel
