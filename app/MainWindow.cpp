// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MainWindow.h"
#include "app/ComGridModel.h"
#include "app/DiagnosticsTexts.h"
#include "app/EventListModel.h"
#include "app/FeedStatusPanel.h"
#include "app/FixedFirstColumn.h"
#include "app/OscilloscopeTabA.h"
#include "app/OscilloscopeTabB.h"
#include "app/StatisticsTab.h"
#include "app/SensorGridDelegate.h"
#include "app/SensorGridModel.h"
#include "core/ExitSequence.h"
#include "core/OperatorActions.h"
#include "dialogs/AboutBox.h"
#include "dialogs/ConnectSensorDialog.h"
#include "dialogs/DcComponentDialog.h"
#include "dialogs/DisconnectSensorDialog.h"
#include "dialogs/GridView.h"
#include "dialogs/LogViewer.h"
#include "dialogs/ShiftReportDialog.h"
#include "dialogs/TimedDisarmDialog.h"
#include "app/DutyChoice.h"
#include "link/Engine.h"
#include "registry/Alarms.h"
#include "registry/DateTime.h"
#include "registry/EventLog.h"
#include "registry/FeedSink.h"
#include "registry/QuietConsoleUi.h"
#include "core/Startup.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <cstdio>

namespace vatrel {

namespace {

QFont pixelFont(const QString& family, int pixels, bool bold) {
    QFont f(family);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

QLabel* namedLabel(const QString& name, const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

QTableView* gridView(const QString& name, QAbstractItemModel* model, const std::initializer_list<int>& widths,
                     QWidget* parent) {
    auto* v = new GridView(parent);
    v->setObjectName(name);
    v->setModel(model);
    v->setEditTriggers(QAbstractItemView::NoEditTriggers);
    v->setSelectionMode(QAbstractItemView::SingleSelection);
    v->setSelectionBehavior(QAbstractItemView::SelectItems);
    v->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    v->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    v->verticalHeader()->hide();
    v->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    v->horizontalHeader()->setHighlightSections(false);
    v->horizontalHeader()->setFixedHeight(22);
    int col = 0;
    for (int w : widths)
        v->setColumnWidth(col++, w);
    return v;
}

// Opens one of the main window's dialogs: modal to the main window only, so that the alarm window
// (a window of its own) keeps working while the dialog is open.
void execDialog(QDialog* dialog) {
    if (!dialog) return;
    dialog->setWindowModality(Qt::WindowModal);
    dialog->exec();
}

} // namespace

MainWindow::MainWindow(CoreDoor& door, QWidget* parent)
    : QMainWindow(parent), m_door(door), m_c(door.mirror()) {
    setObjectName(QStringLiteral("Fmain"));
    setWindowTitle(QStringLiteral("Пульт управления охранными сетевыми датчиками Ватрел"));
    setFont(pixelFont(QStringLiteral("MS Sans Serif"), 11, false));
    resize(1225, 927);
    setMinimumSize(687, 476);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = geometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }

    // The menu bar: the about box and the shift report.
    auto* aboutItem = menuBar()->addAction(QStringLiteral("О программе"));
    aboutItem->setObjectName(QStringLiteral("N2"));
    connect(aboutItem, &QAction::triggered, this, &MainWindow::openAboutBox);
    auto* shiftItem = menuBar()->addAction(QStringLiteral("Отчёт за смену"));
    shiftItem->setObjectName(QStringLiteral("ShiftReportItem"));
    connect(shiftItem, &QAction::triggered, this, &MainWindow::openShiftReport);
    auto* planItem = menuBar()->addAction(QStringLiteral("План объекта"));
    planItem->setObjectName(QStringLiteral("NPlan"));
    planItem->setShortcut(Qt::Key_F8);
    // F8 from the alarm window too: the operator looks up where the alarm is.
    planItem->setShortcutContext(Qt::ApplicationShortcut);
    connect(planItem, &QAction::triggered, this, &MainWindow::planWindowRequested);

    createToolBar();

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("PageControl2"));
    m_tabs->tabBar()->setFont(pixelFont(QStringLiteral("MS Sans Serif"), 13, true));
    m_tabs->addTab(createSensorTab(), QStringLiteral("Датчики"));
    m_eventTab = createEventTab();
    m_tabs->addTab(m_eventTab, QStringLiteral("Протокол событий"));
    m_tabs->addTab(createDiagnosticsTab(), QStringLiteral("Диагностика"));
    m_oscTabB = new OscilloscopeTabB(m_door);
    m_tabs->addTab(m_oscTabB, QStringLiteral("Осциллограф датчиков Ватрел-Б"));
    m_oscTabA = new OscilloscopeTabA(m_door);
    m_tabs->addTab(m_oscTabA, QStringLiteral("Осциллограф датчиков Ватрел-А"));
    m_tabs->addTab(new StatisticsTab(m_door), QStringLiteral("Статистика"));
    m_tabs->setCurrentIndex(0);
    connect(m_tabs, &QTabWidget::currentChanged, this, &MainWindow::bringNewestEventIntoView);
    setCentralWidget(m_tabs);

    createStatusBar();

    loadAndStart();
    // The clock labels show from the start rather than after the first Timer2 tick.
    m_door.call([](Console& c) { showClock(c.status, c.clock); });
    refreshAll();
    widenColumnsToFit();
    m_door.startTimers();

    // Key preview: Alt+X must work whichever control of this window has the focus.
    qApp->installEventFilter(this);
}

MainWindow::~MainWindow() { qApp->removeEventFilter(this); }

void MainWindow::loadAndStart() {
    m_door.call([dataDir = QDir::currentPath()](Console& c) {
        c.data_dir = dataDir;
        startUp(c);
        alarmWindowCreate(c.alarms, c.data_dir);
        c.converterPort().openStartupPort();
        c.eventLog.logProgramEvent(c.eventLog.programEvent(EventCode::ProgramStart));
        // Refused feed settings go to the log as well as to the Diagnostics tab: the feed sends nothing.
        if (c.feed && !c.feed->settingsProblem().isEmpty())
            c.eventLog.logProgramEvent(
                c.eventLog.programEvent(EventCode::FeedNotUsed, c.feed->settingsProblem()));
    });
}

void MainWindow::createToolBar() {
    auto* bar = addToolBar(QStringLiteral("ToolBar1"));
    bar->setObjectName(QStringLiteral("ToolBar1"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->toggleViewAction()->setVisible(false);
    bar->setFixedHeight(23);
    const QFont f = pixelFont(QStringLiteral("MS Sans Serif"), 13, true);
    m_weekdayLabel = namedLabel(QStringLiteral("Label5"), QString(), bar);
    m_weekdayLabel->setMinimumWidth(130);
    m_clockLabel = namedLabel(QStringLiteral("Label6"), QString(), bar);
    m_clockLabel->setMinimumWidth(160);
    m_sensorCountLabel = namedLabel(QStringLiteral("Label8"), QString(), bar);
    for (QLabel* l : {m_weekdayLabel, m_clockLabel, m_sensorCountLabel})
        l->setFont(f);
    bar->addWidget(m_weekdayLabel);
    bar->addWidget(m_clockLabel);
    auto* gap = new QWidget(bar);
    gap->setFixedWidth(53);
    bar->addWidget(gap);
    bar->addWidget(m_sensorCountLabel);
    m_dutyChoice = new DutyChoice(m_door, bar);
    bar->addWidget(m_dutyChoice);
    auto* planButton = new QPushButton(QStringLiteral("План объекта"), bar);
    planButton->setObjectName(QStringLiteral("ButtonPlan"));
    planButton->setFocusPolicy(Qt::NoFocus);
    connect(planButton, &QPushButton::clicked, this, &MainWindow::planWindowRequested);
    bar->addWidget(planButton);
}

void MainWindow::createStatusBar() {
    auto* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setFixedHeight(25);
    const int widths[5] = {150, 150, 150, 150, 50};
    for (int i = 0; i < 5; ++i) {
        m_statusPanels[i] = namedLabel(QStringLiteral("StatusPanel%1").arg(i), QString(), bar);
        m_statusPanels[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        m_statusPanels[i]->setMinimumWidth(widths[i]);
        m_statusPanels[i]->setMaximumWidth(i == 4 ? QWIDGETSIZE_MAX : widths[i]);
        bar->addWidget(m_statusPanels[i], i == 4 ? 1 : 0);
    }
}

QWidget* MainWindow::createSensorTab() {
    auto* tab = new QWidget;
    tab->setObjectName(QStringLiteral("TabSheet1"));
    auto* layout = new QVBoxLayout(tab);
    layout->setContentsMargins(0, 0, 0, 0);

    m_sensorModel = new SensorGridModel(m_c.sensorRows, m_c.osc, this);
    m_sensorGrid = gridView(QStringLiteral("StringGrid1"), m_sensorModel,
                            {60, 68, 103, 83, 82, 76, 85, 88, 94, 205, 122, 120}, tab);
    m_sensorGrid->setItemDelegate(new SensorGridDelegate(&m_c.selection, m_sensorGrid));
    m_sensorGrid->setShowGrid(true);
    m_sensorGrid->setStyleSheet(QStringLiteral("QTableView { gridline-color: black; background: grey; }"));
    m_sensorGrid->verticalHeader()->setDefaultSectionSize(22);
    m_sensorGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    layout->addWidget(m_sensorGrid);
    new FixedFirstColumn(m_sensorGrid);

    // The grid starts on its first data cell without that being the operator's choice: the focus
    // arriving must not pick a sensor, so only later moves reach selectSensorCell.
    m_sensorGrid->selectionModel()->setCurrentIndex(m_sensorModel->index(0, 1),
                                                    QItemSelectionModel::NoUpdate);
    connect(m_sensorGrid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid()) selectCell(current);
            });
    // A press on the current cell does not move it, yet still selects that sensor.
    connect(m_sensorGrid, &QTableView::pressed, this, [this](const QModelIndex& index) {
        if (index.isValid()) selectCell(index);
    });
    connect(m_sensorGrid, &QTableView::clicked, this, [this] {
        m_door.share(&Console::selection, [](TableSelection& s) { s.setHighlighted(true); });
        m_shownHighlight = true;
        m_sensorGrid->viewport()->update();
    });
    connect(m_sensorGrid, &QTableView::customContextMenuRequested, this, &MainWindow::showSensorMenu);

    m_waitPanel = new QFrame(tab);
    m_waitPanel->setObjectName(QStringLiteral("PanelTransmitKartaAdress"));
    m_waitPanel->setGeometry(376, 248, 401, 204);
    m_waitPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_waitPanel->setLineWidth(3);
    m_waitPanel->setAutoFillBackground(true);
    QPalette pal = m_waitPanel->palette();
    pal.setColor(QPalette::Window, Qt::yellow);
    m_waitPanel->setPalette(pal);
    auto* panelLayout = new QVBoxLayout(m_waitPanel);
    auto* waitText = namedLabel(
        QStringLiteral("Label11"),
        QStringLiteral("Подождите, пожалуйста. Идёт передача списка адресов  устройств преобразователю "),
        m_waitPanel);
    waitText->setFont(pixelFont(QStringLiteral("Verdana"), 21, true));
    waitText->setAlignment(Qt::AlignCenter);
    waitText->setWordWrap(true);
    QPalette labelPal = waitText->palette();
    labelPal.setColor(QPalette::WindowText, Qt::red);
    waitText->setPalette(labelPal);
    panelLayout->addWidget(waitText);
    m_waitPanel->hide();
    return tab;
}

QWidget* MainWindow::createEventTab() {
    auto* tab = new QWidget;
    tab->setObjectName(QStringLiteral("TabSheet4"));
    auto* layout = new QVBoxLayout(tab);
    layout->setContentsMargins(0, 0, 0, 0);
    m_eventModel = new EventListModel(m_c.events, this);
    m_eventGrid = gridView(QStringLiteral("StringGrid2"), m_eventModel, {156, 789}, tab);
    // Lines are drawn in their own colours only: no selection highlight, no focus frame.
    m_eventGrid->setSelectionMode(QAbstractItemView::NoSelection);
    m_eventGrid->setItemDelegate(new SensorGridDelegate(nullptr, m_eventGrid));
    m_eventGrid->verticalHeader()->setDefaultSectionSize(22);
    m_eventGrid->horizontalHeader()->setFont(pixelFont(QStringLiteral("MS Sans Serif"), 15, false));
    QPalette pal = m_eventGrid->palette();
    pal.setColor(QPalette::Base, QGuiApplication::palette().color(QPalette::ToolTipBase));
    m_eventGrid->setPalette(pal);
    layout->addWidget(m_eventGrid);

    auto* bar = new QWidget(tab);
    bar->setFixedHeight(56);
    auto* barLayout = new QHBoxLayout(bar);
    auto* viewLogButton = new QPushButton(QStringLiteral("Просмотр"), bar);
    viewLogButton->setObjectName(QStringLiteral("BitBtn1"));
    viewLogButton->setMinimumWidth(100);
    connect(viewLogButton, &QPushButton::clicked, this, &MainWindow::openLogViewer);
    barLayout->addWidget(viewLogButton);
    auto* shiftButton = new QPushButton(QStringLiteral("Отчёт за смену"), bar);
    shiftButton->setObjectName(QStringLiteral("ButtonShiftReport"));
    shiftButton->setMinimumWidth(100);
    connect(shiftButton, &QPushButton::clicked, this, &MainWindow::openShiftReport);
    barLayout->addWidget(shiftButton);
    barLayout->addStretch();
    layout->addWidget(bar);
    return tab;
}

QWidget* MainWindow::createDiagnosticsTab() {
    auto* tab = new QWidget;
    tab->setObjectName(QStringLiteral("TabSheet5"));
    auto* layout = new QVBoxLayout(tab);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* group = new QGroupBox(QStringLiteral("Связь с преобразователем"), tab);
    group->setObjectName(QStringLiteral("GroupBox1"));
    group->setFixedHeight(89);
    auto* g = new QGridLayout(group);
    g->setHorizontalSpacing(8);

    g->addWidget(namedLabel(QStringLiteral("Label9"), QStringLiteral("Выбор СОМ-порта"), group), 0, 0);
    m_portChoice = new QComboBox(group);
    m_portChoice->setObjectName(QStringLiteral("ComboBox1"));
    m_portChoice->setEditable(false);
    m_portChoice->addItems(PortChoice::names());
    m_portChoice->setMaxVisibleItems(20);
    connect(m_portChoice, &QComboBox::activated, this, &MainWindow::choosePort);
    g->addWidget(m_portChoice, 1, 0);

    // The bus speed is fixed; the list stays for layout compatibility but is never shown.
    auto* speedLabel = namedLabel(QStringLiteral("Label10"), QStringLiteral("Выбор скорости"), group);
    auto* speed = new QComboBox(group);
    speed->setObjectName(QStringLiteral("ComboBoxSpeedRS485"));
    speed->addItems({QStringLiteral("19200"), QStringLiteral("9600")});
    connect(speed, &QComboBox::activated, this, [this] { choosePort(m_portChoice->currentIndex()); });
    for (QWidget* w : std::initializer_list<QWidget*>{speedLabel, speed}) {
        w->setEnabled(false);
        w->hide();
    }

    struct CounterSpec {
        const char* captionName;
        const char* caption;
        const char* valueName;
    };
    // Same order as m_counterLabels (see refreshView, Diagnostics).
    const CounterSpec counters[6] = {
        {"Label16", "Число принятых байт =", "N_rv_byte"},
        {"Label23", "Число принятых пакетов =", "N_rv_frame"},
        {"Label25", "Число переданных байт =", "N_tr_byte"},
        {"Label27", "Число переданных пакетов =", "N_tr_frame"},
        {"Label22", "Число ошибок КС = ", "KS_ERR"},
        {"Label7", "Тайм-ауты =", "Time_out"},
    };
    for (int i = 0; i < 6; ++i) {
        const int row = i % 2;
        const int col = 1 + (i / 2) * 2;
        g->addWidget(namedLabel(QString::fromLatin1(counters[i].captionName),
                                QString::fromUtf8(counters[i].caption), group),
                     row, col, Qt::AlignRight);
        m_counterLabels[i] = namedLabel(QString::fromLatin1(counters[i].valueName), QString(), group);
        m_counterLabels[i]->setMinimumWidth(70);
        g->addWidget(m_counterLabels[i], row, col + 1);
    }
    g->addWidget(namedLabel(QStringLiteral("Label34"), QStringLiteral("Время (мкс) = "), group), 0, 7,
                 Qt::AlignRight);
    m_longestPassUsLabel = namedLabel(QStringLiteral("Label35"), QString(), group);
    g->addWidget(m_longestPassUsLabel, 0, 8);
    g->addWidget(namedLabel(QStringLiteral("Label36"), QStringLiteral("Время (мс) = "), group), 1, 7,
                 Qt::AlignRight);
    m_longestPassMsLabel = namedLabel(QStringLiteral("Label37"), QString(), group);
    g->addWidget(m_longestPassMsLabel, 1, 8);
    g->setColumnStretch(9, 1);
    layout->addWidget(group);

    m_comModel = new ComGridModel(m_c.link, this);
    m_comGrid = gridView(QStringLiteral("StringGridCOM"), m_comModel,
                         {64, 121, 102, 224, 109, 93, 84, 109, 97, 91}, tab);
    m_comGrid->verticalHeader()->setDefaultSectionSize(22);
    layout->addWidget(m_comGrid);

    auto* bar = new QWidget(tab);
    bar->setFixedHeight(46);
    auto* barLayout = new QHBoxLayout(bar);
    auto* resetCountersButton = new QPushButton(QStringLiteral("Сброс"), bar);
    resetCountersButton->setObjectName(QStringLiteral("Button2"));
    connect(resetCountersButton, &QPushButton::clicked, this, &MainWindow::resetSlotCounters);
    barLayout->addWidget(resetCountersButton);
    barLayout->addStretch();
    if (m_c.feed) barLayout->addWidget(new FeedStatusPanel(*m_c.feed, bar));
    layout->addWidget(bar);
    return tab;
}

void MainWindow::widenColumnsToFit() {
    // The widths were chosen for a narrower font than this system may have: a column never starts
    // narrower than its header text, and the event list's first column fits a whole date and time.
    for (QTableView* grid : {m_sensorGrid, m_eventGrid, m_comGrid}) {
        QHeaderView* header = grid->horizontalHeader();
        for (int col = 0; col < header->count(); ++col)
            grid->setColumnWidth(col, qMax(grid->columnWidth(col), header->sectionSizeHint(col)));
    }
    // The state column holds texts that come later from the line: it fits the longest of them whole.
    const QFontMetrics stateFm(
        m_sensorModel->data(m_sensorModel->index(0, colState), Qt::FontRole).value<QFont>());
    int stateWidth = 0;
    for (int status = 0; status <= 15; ++status)
        stateWidth = qMax(stateWidth, stateFm.horizontalAdvance(stateText(status)));
    m_sensorGrid->setColumnWidth(colState, qMax(m_sensorGrid->columnWidth(colState), stateWidth + 12));
    const QFontMetrics fm(m_eventModel->data(m_eventModel->index(0, 0), Qt::FontRole).value<QFont>());
    const int dateWidth = fm.horizontalAdvance(QStringLiteral("00.00.0000 00:00:00")) + 12;
    m_eventGrid->setColumnWidth(0, qMax(m_eventGrid->columnWidth(0), dateWidth));
}

void MainWindow::refreshView(ConsoleUi::View view) {
    using View = ConsoleUi::View;
    switch (view) {
    case View::SensorGrid:
        m_sensorModel->refresh();
        if (m_shownHighlight != m_c.selection.highlighted()) {
            m_shownHighlight = m_c.selection.highlighted();
            m_sensorGrid->viewport()->update(); // the selected cell is painted, or no more
        }
        break;
    case View::ComGrid:
        m_comModel->refresh();
        break;
    case View::EventList:
        m_eventModel->refresh();
        break;
    case View::Labels:
        m_weekdayLabel->setText(weekdayText(m_c.status.clock()));
        m_clockLabel->setText(clockDateTimeText(m_c.status.clock()));
        m_sensorCountLabel->setText(sensorCountText(m_c.status.sensorCount()));
        m_dutyChoice->refresh();
        break;
    case View::StatusBar:
        for (int i = 0; i < 5; ++i)
            m_statusPanels[i]->setText(m_c.status.panel(i));
        break;
    case View::WaitPanel:
        m_waitPanel->setVisible(m_c.status.waitPanelShown());
        if (m_c.status.waitPanelShown()) m_waitPanel->raise();
        break;
    case View::Diagnostics: {
        const DiagCounters& d = m_c.link.counters();
        const Counter* counters[6] = {&d.N_rv_byte,  &d.N_rv_frame, &d.N_tr_byte,
                                      &d.N_tr_frame, &d.KS_ERR,     &d.Time_out};
        for (int i = 0; i < 6; ++i)
            m_counterLabels[i]->setText(shownValueText(counters[i]->shown));
        m_longestPassUsLabel->setText(shownValueText(d.longestPassUs));
        m_longestPassMsLabel->setText(shownValueText(d.longestPassMs));
        break;
    }
    case View::Oscilloscope:
        m_oscTabB->refresh();
        m_oscTabA->refresh();
        break;
    case View::PortChoice:
        m_portChoice->setCurrentIndex(m_c.ports.index());
        break;
    case View::AlarmList:
        break; // the alarm window's own
    }
}

void MainWindow::samplesArrived() { m_oscTabB->samplesArrived(); }

void MainWindow::refreshAll() {
    using View = ConsoleUi::View;
    for (View v : {View::SensorGrid, View::ComGrid, View::EventList, View::Labels, View::StatusBar,
                   View::WaitPanel, View::Diagnostics, View::Oscilloscope, View::PortChoice})
        refreshView(v);
    m_sensorModel->refreshHeaders();
    m_eventModel->refreshHeaders();
    m_comModel->refreshHeaders();
}

void MainWindow::openAboutBox() { execDialog(m_dialogs.aboutBox); }

void MainWindow::openLogViewer() { execDialog(m_dialogs.logViewer); }

void MainWindow::openShiftReport() {
    // Made afresh each time: it reads the shift up to the moment it opens.
    ShiftReportDialog dialog(m_door, this);
    execDialog(&dialog);
}

void MainWindow::bringNewestEventIntoView(int tabIndex) {
    if (m_tabs->widget(tabIndex) != m_eventTab) return;
    const int last = m_eventModel->rowCount() - 1;
    if (last < 0) return;
    const QModelIndex cell = m_eventModel->index(last, 0);
    m_eventGrid->setCurrentIndex(cell);
    m_eventGrid->scrollTo(cell);
}

void MainWindow::showSensorMenu(const QPoint& pos) {
    showSensorMenuAt(m_sensorGrid->viewport()->mapToGlobal(pos));
}

void MainWindow::selectSensorRow(int slot) {
    if (slot < 0 || slot >= kSlots) return;
    const QModelIndex cell = m_sensorModel->index(slot, colAddress);
    // Made current (selectCell follows) and drawn highlighted, as a click leaves it.
    if (m_sensorGrid->currentIndex() == cell)
        selectCell(cell);
    else
        m_sensorGrid->setCurrentIndex(cell);
    m_sensorGrid->scrollTo(cell);
    m_door.share(&Console::selection, [](TableSelection& s) { s.setHighlighted(true); });
    m_shownHighlight = true;
    m_sensorGrid->viewport()->update();
}

void MainWindow::showSensorMenuAt(const QPoint& screenPos) {
    // The operator's own action: a box it raises is answered before the menu or a dialog shows.
    PopupMenuState state;
    {
        const ConsoleUi::OperatorAction action(m_c.ui);
        state = m_door.act([](OperatorActions& a) { return a.sensorMenuState(); });
    }
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("PopupMenu1"));
    auto item = [&menu](const char* name, const QString& caption, bool enabled) {
        QAction* a = menu.addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        a->setEnabled(enabled);
        return a;
    };
    QAction* connectItem = item("PEstablish", QStringLiteral("Подключить датчик"), state.PEstablish);
    QAction* disconnectItem = item("PRemove", QStringLiteral("Отключить датчик"), state.PRemove);
    menu.addSeparator();
    QAction* armLoop1Item = item("PSetSh1", QStringLiteral("Взять под охрану Ш1"), state.PSetSh1);
    QAction* armLoop2Item = item("PSetSh2", QStringLiteral("Взять под охрану Ш2"), state.PSetSh2);
    QAction* disarmLoop1Item = item("PRemoveSh1", QStringLiteral("Снять с охраны Ш1"), state.PRemoveSh1);
    QAction* disarmLoop2Item = item("PRemoveSh2", QStringLiteral("Снять с охраны Ш2"), state.PRemoveSh2);
    QAction* timedLoop1Item =
        item("PTimedRemoveSh1", QStringLiteral("Снять Ш1 на время…"), state.PTimedRemoveSh1);
    QAction* timedLoop2Item =
        item("PTimedRemoveSh2", QStringLiteral("Снять Ш2 на время…"), state.PTimedRemoveSh2);
    menu.addSeparator();
    QAction* dcComponentItem =
        item("N_Direct_component_porog", QStringLiteral("Изменение постоянной составляющей порога "),
             state.N_Direct_component_porog);
    menu.addSeparator();
    QAction* sensorLogItem = item("N1", QStringLiteral("Протокол датчика"), state.N1);

    // Act after the menu has closed, so a dialog never opens on top of a popup.
    QAction* chosen = menu.exec(screenPos);
    DialogRequest request = DialogRequest::None;
    {
        // A dialog is shown after the action has ended: boxes the engine raises while a dialog is
        // open must not wait for the operator.
        const ConsoleUi::OperatorAction action(m_c.ui);
        // Only the chosen item's pointer is compared on the core's side; the menu waits meanwhile.
        if (chosen)
            request = m_door.act([&](OperatorActions& a) {
                if (chosen == connectItem) return a.requestConnectSensor();
                if (chosen == disconnectItem) return a.requestDisconnectSensor();
                if (chosen == armLoop1Item) a.armSelectedLoop(1);
                if (chosen == armLoop2Item) a.armSelectedLoop(2);
                if (chosen == disarmLoop1Item) a.disarmSelectedLoop(1);
                if (chosen == disarmLoop2Item) a.disarmSelectedLoop(2);
                if (chosen == dcComponentItem) return a.requestDcComponents();
                if (chosen == sensorLogItem) return a.askSensorLog();
                return DialogRequest::None;
            });
    }
    runDialog(request);
    // Until when is asked after the menu has closed, as the other dialogs are.
    if (chosen && (chosen == timedLoop1Item || chosen == timedLoop2Item))
        TimedDisarmDialog::disarmSelected(m_door, this, chosen == timedLoop1Item ? 1 : 2);
}

void MainWindow::runDialog(DialogRequest request) {
    switch (request) {
    case DialogRequest::None:
        break;
    case DialogRequest::SetSensor:
        execDialog(m_dialogs.connectDialog);
        break;
    case DialogRequest::RemoveSensor:
        execDialog(m_dialogs.disconnectDialog);
        break;
    case DialogRequest::DirectComponent:
        execDialog(m_dialogs.dcDialog);
        break;
    case DialogRequest::SensorLog: {
        const int slot = m_c.selection.row() - 1;
        if (slot < 0 || slot >= kSlots || !m_dialogs.logViewer) break;
        const SensorRecord& r = m_c.sensors.record(slot);
        {
            // A log that cannot be opened is said, and answered, before the viewer shows.
            const ConsoleUi::OperatorAction action(m_c.ui);
            m_dialogs.logViewer->openSensorLog(r.factory_number, r.sensor_type);
        }
        execDialog(m_dialogs.logViewer);
        break;
    }
    }
}

void MainWindow::choosePort(int index) {
    m_door.call([index](Console& c) { c.converterPort().choosePort(index); });
}

void MainWindow::resetSlotCounters() {
    m_door.call([](Console& c) { c.link.resetSlotCounts(c.sensors); });
}

void MainWindow::selectCell(const QModelIndex& index) {
    m_door.share(&Console::selection, [col = index.column(), row = index.row() + 1](TableSelection& s) {
        selectSensorCell(s, col, row);
    });
}

bool MainWindow::closeOnAltX(QKeyEvent* event) {
    // Alt+X whatever the keyboard layout: with a Cyrillic layout the same key gives "Ч".
    constexpr int kCyrillicChe = 0x0427;
    if (!(event->modifiers() & Qt::AltModifier)) return false;
    if (event->key() != Qt::Key_X && event->key() != kCyrillicChe) return false;
    close();
    return true;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        if (w->window() == this && closeOnAltX(static_cast<QKeyEvent*>(event))) return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (m_closing) {
        event->accept();
        return;
    }
    if (!m_c.ui || !m_c.ui->question(QStringLiteral("Выход"), QStringLiteral("Завершить работу ?"))) {
        event->ignore();
        return;
    }
    event->accept();
    endRun(true);
}

void MainWindow::endRunUnasked(bool windowsGone) {
    if (m_closing) return;
    if (!windowsGone) {
        endRun(false);
        return;
    }
    // Nothing may reach the windows once the display is gone.
    QuietConsoleUi headless{false, true}; // the exit's boxes become lines on the error output
    m_c.ui = nullptr;
    m_door.detachWindows();
    m_door.call([&headless](Console& c) { c.ui = &headless; });
    endRun(false);
    m_door.call([](Console& c) { c.ui = nullptr; });
    // The program ends without returning to its event loop: the sound stops and the core's thread
    // ends here.
    m_door.stopSound();
    m_door.shutDown();
}

void MainWindow::endRun(bool operatorWatches) {
    m_closing = true;
    m_door.stopTimers();
    const ExitOutcome outcome = m_door.call([](Console& c) { return finishRun(c); });
    // Ended by the system (shutdown, logout), nobody waits for a box: the error output has it all.
    if (operatorWatches && m_c.ui && outcome.failed()) {
        const ConsoleUi::OperatorAction action(m_c.ui);
        m_c.error(outcome.boxText(m_c.clock().date()));
    }
    emit exitConfirmed();
}

} // namespace vatrel
