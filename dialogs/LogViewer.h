// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "dialogs/ReportPrinter.h"
#include "core/CoreDoor.h"
#include "core/Console.h"
#include "registry/ReportListing.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QPointer>
#include <functional>
#include <memory>

class QCalendarWidget;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPrinter;
class QProgressBar;
class QPushButton;
class QThread;
class QRadioButton;
class QSpinBox;
class QTableView;

namespace vatrel {

class JobControl;

// AdvStringGrid2: the listing of the page shown. Model row i is grid row i + 1; data rows take their
// colours from the listing's row styles, the same colours the printout uses.
class ReportGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ReportGridModel(const ReportListing& listing, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void reload();

private:
    const ReportListing& m_listing;
};

// The event log viewer FQReport: one log file page by page, filtered by kind, coloured by code,
// printed and exported.
class LogViewer : public QDialog {
    Q_OBJECT
public:
    explicit LogViewer(CoreDoor& door, QWidget* parent = nullptr);
    ~LogViewer() override;

    // Loads the log of one sensor and positions on its last page.
    void openSensorLog(quint32 factory_number, qint16 sensor_type);

    void refreshHeader();
    // The day and sensor choosers: which days and sensors have a log is looked up again on every
    // showing of the viewer (the calendar then shows the newest day) and after every load.
    void refreshChoosers(bool showNewest);
    // A day chosen in the calendar (days without a log do nothing), a sensor chosen in the list.
    void openDayLog(const QDate& day);
    void openChosenSensorLog(int index);
    // "Открыть": a log file chosen in the file dialog.
    void openLogFile();
    // The page buttons and the page number.
    void turnPage(PageButton sender);
    // "Печать" prints the page shown; "Экспорт" writes the whole listing to a file.
    void printPage();
    void exportToFile();

    // The print group's choices as print settings.
    ReportPrintSettings printSettings() const;
    const ReportListing& listing() const { return m_listing; }
    // A load, page change, export or printout still running.
    bool busy() const;
    // Cancels whatever runs (as the progress row's "Отмена" does).
    void cancelJobs();

    // The platform dialogs, replaceable so that tests can answer them. An empty path means cancelled.
    std::function<QString(const QString& folder)> openFileDialog;
    std::function<QString(const QString& suggested)> saveFileDialog;
    std::function<bool(QPrinter& printer)> printDialog;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // A job on a worker thread of its own. The listing's jobs run one at a time (a newer request
    // cancels the one running and follows it), as do the export and the printout; the window thread
    // only starts them and takes their results, handed back as queued calls.
    struct Job {
        QPointer<QThread> thread;
        std::shared_ptr<JobControl> control;
        QString what; // "Чтение", "Экспорт", "Печать": the progress row's words
    };
    void takeChoices();
    void refresh();
    void startListing(const ListingRequest& request);
    void listingRead(const ListingPage& page);
    void startJob(Job& job, const QString& what, std::function<void(JobControl*)> work);
    void jobProgress(const Job& job, qint64 done, qint64 total);
    void finishJob(Job& job);
    void showJobRow();

    CoreDoor& m_door;
    // What the viewer reads of the windows' mirror of the core.
    const QString& m_dataDir;
    const SensorTable& m_sensorTable;
    const Clock& m_clock;
    const ChangeNotices& m_notices; // its boxes
    QString inDataFolder(const QString& fragment) const { return m_dataDir + QLatin1Char('/') + fragment; }
    ReportListing m_listing;
    ReportGridModel* m_model = nullptr;
    QTableView* m_grid = nullptr;
    QRadioButton* m_sourceA = nullptr;
    QRadioButton* m_sourceB = nullptr;
    QRadioButton* m_sourceDaily = nullptr;
    QRadioButton* m_filterAll = nullptr;
    QRadioButton* m_filterAlarms = nullptr;
    QRadioButton* m_filterLinkLoss = nullptr;
    QGroupBox* m_pagesBox = nullptr;
    QLabel* m_pageNumberText = nullptr;
    QLabel* m_selectedCountText = nullptr;
    QSpinBox* m_pageChoice = nullptr;
    QPushButton* m_exportButton = nullptr;
    QPlainTextEdit* m_printTitles = nullptr;
    QCheckBox* m_printDate = nullptr;
    QCheckBox* m_printTime = nullptr;
    QCheckBox* m_printPages = nullptr;
    QCheckBox* m_printBorders = nullptr;
    QCheckBox* m_fitToPage = nullptr;
    QCheckBox* m_centred = nullptr;
    QCheckBox* m_autoSize = nullptr;
    QRadioButton* m_bordersAll = nullptr;
    QRadioButton* m_bordersHorizontal = nullptr;
    QRadioButton* m_bordersVertical = nullptr;
    QCalendarWidget* m_calendar = nullptr;
    QComboBox* m_sensors = nullptr;
    std::vector<QDate> m_markedDays;
    QPrinter* m_printer = nullptr; // kept for the run: the print dialog opens on the last choice
    QLabel* m_loadedLabel = nullptr;
    QPushButton* m_printButton = nullptr;
    QWidget* m_jobRow = nullptr;
    QLabel* m_jobLabel = nullptr;
    QProgressBar* m_jobBar = nullptr;
    Job m_listingJob;
    Job m_outputJob;
    std::shared_ptr<LogIndex> m_index; // touched by one listing job at a time
    std::unique_ptr<ListingRequest> m_pending;
    bool m_placed = false;
};

} // namespace vatrel
