#include "dialogs/Uqreport.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QStyle>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace vatrel {

namespace {

// The page number entry: a number above the last page becomes the last page, one below the first
// (or no number at all) the first, as soon as it is typed; an empty entry is left to be filled.
class PageSpinBox : public QSpinBox {
public:
    using QSpinBox::QSpinBox;

protected:
    QValidator::State validate(QString& input, int& pos) const override {
        if (input.isEmpty()) return QValidator::Intermediate;
        bool ok = false;
        const qint64 typed = input.toLongLong(&ok);
        const bool digits = std::all_of(input.cbegin(), input.cend(), [](QChar ch) { return ch.isDigit(); });
        const int page = !ok && digits       ? maximum() // too long a number for any page
                         : !ok               ? minimum()
                         : typed > maximum() ? maximum()
                         : typed < minimum() ? minimum()
                                             : int(typed);
        if (!ok || page != typed) {
            input = QString::number(page);
            pos = int(input.size());
        }
        return QValidator::Acceptable;
    }
};

QColor toColor(Colour c) {
    if (c == colours::info_background) return QGuiApplication::palette().color(QPalette::ToolTipBase);
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

template <class W> W* named(W* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QLabel* sunken(const char* name) {
    auto* l = named(new QLabel, name);
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return l;
}

} // namespace

ReportGridModel::ReportGridModel(const ReportListing& listing, const Console& c, QObject* parent)
    : QAbstractTableModel(parent), m_listing(listing), m_c(c) {}

int ReportGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : qMax(0, m_listing.grid.rowCount() - 1);
}

int ReportGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

QVariant ReportGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const int row = index.row() + 1;
    const bool styled = row <= REPORT_PAGE_SIZE && m_c.ReportRowStyles[size_t(row - 1)].background != 0;
    switch (role) {
    case Qt::DisplayRole:
        return m_listing.grid.at(index.column(), row);
    case Qt::BackgroundRole:
        return styled ? QVariant(toColor(m_c.ReportRowStyles[size_t(row - 1)].background)) : QVariant();
    case Qt::ForegroundRole:
        return styled ? QVariant(toColor(m_c.ReportRowStyles[size_t(row - 1)].font_colour)) : QVariant();
    default:
        return {};
    }
}

QVariant ReportGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) return {};
    if (role == Qt::DisplayRole) return m_listing.grid.at(section, 0);
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

void ReportGridModel::reload() {
    beginResetModel();
    endResetModel();
}

TFQReport::TFQReport(Console& c, QWidget* parent) : QDialog(parent), m_c(c), m_listing(c) {
    setObjectName(QStringLiteral("FQReport"));
    setWindowTitle(QStringLiteral("Протокол событий"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    resize(1025, 688);

    m_model = new ReportGridModel(m_listing, m_c, this);
    m_grid = named(new QTableView, "AdvStringGrid2");
    m_grid->setModel(m_model);
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setDefaultSectionSize(20);
    m_grid->horizontalHeader()->setFixedHeight(22);
    QFont headerFont = m_grid->horizontalHeader()->font();
    headerFont.setBold(true);
    m_grid->horizontalHeader()->setFont(headerFont);
    m_grid->setColumnWidth(0, 166);
    m_grid->setColumnWidth(1, 994);
    m_grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setWordWrap(false);

    // Source and filter.
    auto* groupBox1 = named(new QGroupBox(QStringLiteral("Отчёт")), "GroupBox1");
    m_sourceA = named(new QRadioButton(QStringLiteral("Ватрел-А")), "RadioButton6");
    m_sourceB = named(new QRadioButton(QStringLiteral("Ватрел-Б")), "RadioButton1");
    m_sourceDaily = named(new QRadioButton(QStringLiteral("за сутки")), "RadioButton2");
    m_sourceA->setChecked(true);
    auto* g1 = new QVBoxLayout(groupBox1);
    for (auto* b : {m_sourceA, m_sourceB, m_sourceDaily})
        g1->addWidget(b);

    auto* groupBox2 = named(new QGroupBox(QStringLiteral("Сообщения")), "GroupBox2");
    m_allMess = named(new QRadioButton(QStringLiteral("Все")), "RadioButtonAllMess");
    m_errMess = named(new QRadioButton(QStringLiteral("Тревожные")), "RadioButtonErr");
    m_noConnect = named(new QRadioButton(QStringLiteral("Потери связи")), "RadioButtonNoConnect");
    m_allMess->setChecked(true);
    auto* g2 = new QVBoxLayout(groupBox2);
    for (auto* b : {m_allMess, m_errMess, m_noConnect})
        g2->addWidget(b);

    auto* bitBtn1 = named(new QPushButton(QStringLiteral("Открыть")), "BitBtn1");
    bitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    auto* bitBtnPrint = named(new QPushButton(QStringLiteral("Печать")), "BitBtnPrint");
    m_export = named(new QPushButton(QStringLiteral("Экспорт")), "BitBtnExport");
    m_export->setToolTip(QStringLiteral("Запись отобранных сообщений в файл CSV"));
    m_export->setEnabled(false);
    for (auto* b : {bitBtn1, bitBtnPrint, m_export}) {
        b->setAutoDefault(false);
        b->setMinimumWidth(110);
    }

    // Pages.
    m_groupProt = named(new QGroupBox(QStringLiteral("Страницы")), "GroupBoxProt");
    m_stTextStr = sunken("StTextStr");
    m_stTextProt = sunken("StTextProt");
    m_stTextProt->setWordWrap(true);
    auto pageButton = [this](const char* name, QStyle::StandardPixmap icon, const QString& hint,
                             PageButton which) {
        auto* b = named(new QToolButton, name);
        b->setIcon(style()->standardIcon(icon));
        b->setToolTip(hint);
        connect(b, &QToolButton::clicked, this, [this, which] { BButPrevClick(which); });
        return b;
    };
    auto* bButPrev = pageButton("BButPrev", QStyle::SP_MediaSkipBackward,
                                QStringLiteral("Переход на первую страницу"), PageButton::First);
    auto* bButBack = pageButton("BButBack", QStyle::SP_MediaSeekBackward,
                                QStringLiteral("Переход на предыдущую страницу"), PageButton::Previous);
    auto* bButNext = pageButton("BButNext", QStyle::SP_MediaSeekForward,
                                QStringLiteral("Переход на следующую страницу"), PageButton::Next);
    auto* bButStep = pageButton("BButStep", QStyle::SP_MediaSkipForward,
                                QStringLiteral("Переход на последнюю страницу"), PageButton::Last);
    auto* bButGo = pageButton("BButGo", QStyle::SP_ArrowRight, QStringLiteral("Переход на заданную страницу"),
                              PageButton::Go);
    // The spinner keeps its text a number within its range by itself; the page changes only on BButGo.
    m_spin = named(new PageSpinBox, "CSpinEdProt");
    m_spin->setToolTip(QStringLiteral("Задание номера страницы"));
    m_spin->setRange(1, 100);
    m_spin->setValue(1);
    // Wide enough for six digits; a wider entry for a long log would widen the whole window.
    m_spin->setFixedWidth(72);
    auto* gp = new QGridLayout(m_groupProt);
    auto* nav = new QHBoxLayout;
    nav->addWidget(m_stTextStr, 1);
    for (auto* b : {bButPrev, bButBack, bButNext, bButStep})
        nav->addWidget(b);
    nav->addWidget(m_spin);
    nav->addWidget(bButGo);
    gp->addLayout(nav, 0, 0);
    gp->addWidget(m_stTextProt, 1, 0);
    m_groupProt->setVisible(false);

    // Printing.
    auto* groupBox3 = named(new QGroupBox(QStringLiteral("Печать")), "GroupBox3");
    auto* label7 = named(new QLabel(QStringLiteral("Заголовок :")), "Label7");
    m_memo = named(new QPlainTextEdit(QStringLiteral("Протокол событий")), "Memo1");
    m_memo->setMaximumHeight(60);
    auto check = [](const char* name, const QString& text, bool on) {
        auto* b = named(new QCheckBox(text), name);
        b->setChecked(on);
        return b;
    };
    m_printDate = check("CheckBox1", QStringLiteral("Печать даты"), true);
    m_printTime = check("CheckBox2", QStringLiteral("Печать времени"), true);
    m_printPages = check("CheckBox3", QStringLiteral("Печать числа страниц"), true);
    m_printBorders = check("CheckBox4", QStringLiteral("Печать границ"), true);
    m_fitToPage = check("CheckBox5", QStringLiteral("Растянуть на лист"), false);
    m_centred = check("CheckBox6", QStringLiteral("Печать по центру"), true);
    m_autoSize = check("CheckBox7", QStringLiteral("Авторазмер"), true);
    auto* label8 = named(new QLabel(QStringLiteral("Границы")), "Label8");
    m_bordersAll = named(new QRadioButton(QStringLiteral("Все")), "RadioButton5");
    m_bordersHorizontal = named(new QRadioButton(QStringLiteral("Гор.")), "RadioButton4");
    m_bordersVertical = named(new QRadioButton(QStringLiteral("Верт.")), "RadioButton3");
    m_bordersAll->setChecked(true);
    auto* g3 = new QGridLayout(groupBox3);
    g3->addWidget(label7, 0, 0);
    g3->addWidget(m_memo, 1, 0, 1, 3);
    g3->addWidget(m_printDate, 2, 0);
    g3->addWidget(m_printTime, 3, 0);
    g3->addWidget(m_printPages, 4, 0);
    g3->addWidget(m_printBorders, 5, 0);
    g3->addWidget(m_fitToPage, 2, 1);
    g3->addWidget(m_centred, 3, 1);
    g3->addWidget(m_autoSize, 4, 1);
    auto* borders = new QHBoxLayout;
    borders->addWidget(label8);
    for (auto* b : {m_bordersAll, m_bordersHorizontal, m_bordersVertical})
        borders->addWidget(b);
    g3->addLayout(borders, 5, 1, 1, 2);

    auto* choices = new QVBoxLayout;
    choices->addWidget(groupBox1);
    choices->addWidget(groupBox2);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(bitBtn1);
    buttons->addWidget(bitBtnPrint);
    buttons->addWidget(m_export);
    buttons->addStretch(1);
    auto* pagesColumn = new QVBoxLayout;
    pagesColumn->addWidget(m_groupProt);
    pagesColumn->addStretch(1);
    auto* bottom = new QHBoxLayout;
    bottom->addLayout(choices);
    bottom->addLayout(buttons);
    bottom->addLayout(pagesColumn, 2);
    bottom->addWidget(groupBox3, 2);
    auto* top = new QVBoxLayout(this);
    top->addWidget(m_grid, 1);
    top->addLayout(bottom);

    connect(bitBtn1, &QPushButton::clicked, this, &TFQReport::BitBtn1Click);
    connect(bitBtnPrint, &QPushButton::clicked, this, &TFQReport::BitBtnPrintClick);
    connect(m_export, &QPushButton::clicked, this, &TFQReport::BitBtnExportClick);

    // The dialogs are modal to the viewer only (the static file dialog functions are modal to the
    // whole program, which would leave the alarm window dead while one is open).
    openFileDialog = [this](const QString& folder) {
        QFileDialog dialog(this, QStringLiteral("Открыть"), folder);
        dialog.setWindowModality(Qt::WindowModal);
        dialog.setFileMode(QFileDialog::ExistingFile);
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    };
    saveFileDialog = [this](const QString& suggested) {
        QFileDialog dialog(this, QStringLiteral("Экспорт"), suggested,
                           QStringLiteral("CSV (*.csv);;Все файлы (*)"));
        dialog.setWindowModality(Qt::WindowModal);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    };
    printDialog = [this](QPrinter& printer) {
        QPrintDialog dialog(&printer, this);
        dialog.setWindowModality(Qt::WindowModal);
        return dialog.exec() == QDialog::Accepted;
    };
    refresh();
}

TFQReport::~TFQReport() {
    // The base class hides the window only after the listing is gone; the grid must not ask for it then.
    m_grid->setModel(nullptr);
}

void TFQReport::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Centred when first shown; afterwards it opens where the operator left it.
    if (!m_placed)
        if (QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
    m_placed = true;
    FormActivate();
}

void TFQReport::FormActivate() {
    m_listing.FormActivate();
    m_model->reload();
}

void TFQReport::takeChoices() {
    m_listing.source = m_sourceB->isChecked()       ? ReportSource::VatrelB
                       : m_sourceDaily->isChecked() ? ReportSource::Daily
                                                    : ReportSource::VatrelA;
    m_listing.filter = m_errMess->isChecked()     ? LogFilter::Alarms
                       : m_noConnect->isChecked() ? LogFilter::LinkLoss
                                                  : LogFilter::All;
    m_listing.spin_value = m_spin->value();
}

void TFQReport::refresh() {
    m_model->reload();
    m_groupProt->setVisible(m_listing.pages_visible);
    m_export->setEnabled(m_listing.pages_visible);
    m_stTextStr->setText(m_listing.StTextStr);
    m_stTextProt->setText(m_listing.StTextProt);
    m_spin->setMaximum(m_listing.spin_max);
    m_spin->setValue(m_listing.spin_value);
    const int row = qBound(1, m_listing.current_row, qMax(1, m_model->rowCount())) - 1;
    if (m_model->rowCount() > 0) {
        const QModelIndex cell = m_model->index(row, 0);
        m_grid->setCurrentIndex(cell);
        m_grid->scrollTo(cell);
    }
}

void TFQReport::BitBtn1Click() {
    takeChoices();
    const QString path = openFileDialog ? openFileDialog(m_listing.sourceFolder()) : QString();
    if (path.isEmpty()) return; // cancelled: the listing stays as it was
    m_listing.load(path);
    refresh();
}

void TFQReport::OpenSensorLog(quint32 factory_number, qint16 sensor_type) {
    takeChoices();
    m_listing.OpenSensorLog(factory_number, sensor_type);
    refresh();
}

void TFQReport::BButPrevClick(PageButton sender) {
    takeChoices();
    m_listing.changePage(sender);
    refresh();
}

ReportPrintSettings TFQReport::printSettings() const {
    using B = ReportPrintSettings::Borders;
    ReportPrintSettings s;
    const QString memo = m_memo->toPlainText();
    s.titles = memo.isEmpty() ? QStringList() : memo.split(QLatin1Char('\n'));
    s.printTime = m_printTime->isChecked();
    s.printDate = m_printDate->isChecked();
    s.pageNumbers = m_printPages->isChecked();
    s.borders = !m_printBorders->isChecked()       ? B::None
                : m_bordersVertical->isChecked()   ? B::Vertical
                : m_bordersHorizontal->isChecked() ? B::Horizontal
                                                   : B::All;
    s.fitToPage = m_fitToPage->isChecked();
    s.autoSize = m_autoSize->isChecked();
    s.centred = m_centred->isChecked();
    return s;
}

void TFQReport::printListing(QPrinter& printer) {
    printReport(printer, printSettings(), m_listing.grid, m_c.ReportRowStyles, m_c.clock());
}

void TFQReport::BitBtnPrintClick() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setCopyCount(1);
    // A cancelled print dialog prints nothing.
    if (!printDialog || !printDialog(printer)) return;
    printListing(printer);
    if (m_c.ui)
        m_c.ui->message(QStringLiteral("Внимание"),
                        QStringLiteral("Если печать прошла успешно,нажмите на кнопку <OK>"),
                        ConsoleUi::Icon::Warning);
}

void TFQReport::BitBtnExportClick() {
    if (!m_listing.pages_visible || !saveFileDialog) return;
    takeChoices();
    const QString suggested =
        QDir(m_c.data_dir).filePath(QFileInfo(m_listing.report_path).fileName() + QStringLiteral(".csv"));
    const QString target = saveFileDialog(suggested);
    if (target.isEmpty()) return;
    m_listing.exportCsv(target);
}

} // namespace vatrel
