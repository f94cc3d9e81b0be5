#include "HistoryWindow.h"

#include "ExportMessages.h"

#include "Artwork.h"
#include "CorrectDistanceDialog.h"
#include "DarkStyle.h"
#include "DateField.h"
#include "Dialogs.h"
#include "HistoryCharts.h"
#include "HistoryModel.h"
#include "RestoreFlow.h"

#include "export/Exporter.h"
#include "history/HistoryCache.h"
#include "history/SensorNames.h"
#include "history/TypedDate.h"
#include "platform/FileSystem.h"
#include "store/WorkoutStore.h"
#include "workout/WorkoutSummary.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStandardItemModel>
#include <QStyle>
#include <QTableView>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace fs = std::filesystem;

namespace paceforge {
namespace {

// A slice stops when its time is up, so that the window answers between slices even on a slow
// disk. The first slices are small, to show rows at once; later ones may take more, as files the
// cache knows cost next to nothing and each slice costs a repaint.
constexpr std::size_t kFilesPerBatch = 16;
constexpr std::size_t kFirstSliceFiles = 64;
constexpr std::size_t kMostSliceFiles = 4096;
constexpr qint64 kSliceMilliseconds = 30;

const char* const kGeometryKey = "history/geometry";
const char* const kSplitterKey = "history/splitter";
const char* const kUnitKey = "history/unit";
const char* const kPeriodKey = "history/period";

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

QString DistanceText(const Decimal& kilometres, DistanceUnit unit)
{
    return QStringLiteral("%1 %2").arg(
        QString::fromStdString(DistanceIn(kilometres, unit).toFixedString(2)), UnitSymbol(unit));
}

fs::path LocalPath(const QString& chosen)
{
    return fs::path(QFile::encodeName(chosen).toStdString());
}

ExportProgress Percent(ProgressReport& progress)
{
    return [&progress](int done, int total) { return total == 0 || progress.update(done * 100 / total); };
}

} // namespace

QString RunsText(int runs)
{
    return runs == 1 ? QStringLiteral("1 run") : QStringLiteral("%1 runs").arg(runs);
}

QString HistoryStyleSheet()
{
    const QString own = QStringLiteral(
        "QWidget#historyWindow, QDialog { background: #1A1D22; }"
        "QLabel, QCheckBox, QRadioButton { color: %2; background: transparent; }"
        "QLabel#lblTotals { font-weight: bold; }"
        "QTableView { background: #0D0F12; color: %2; border: 1px solid #3A3F48; gridline-color: #23272E;"
        "  alternate-background-color: #15181D; selection-background-color: %1; selection-color: #111; }"
        "QHeaderView { background: #23272E; }"
        "QHeaderView::section { background: #23272E; color: %2; border: 0; border-right: 1px solid #3A3F48;"
        "  padding: 3px 5px; font-weight: bold; }"
        "QTableCornerButton::section { background: #23272E; border: 0; }"
        "QPushButton { background: #23272E; color: %2; border: 1px solid #3A3F48; border-radius: 3px;"
        "  padding: 4px 14px; }"
        "QPushButton:default, QPushButton:hover, QPushButton:focus { border-color: %1; }"
        "QPushButton:pressed { background: #0D0F12; }"
        // Dimmed, yet readable on the button (WCAG AA: 4.5:1 on #23272E).
        "QPushButton:disabled { color: #8E959F; border-color: #2C3038; }"
        "QComboBox, QDateEdit, QLineEdit, QDoubleSpinBox { background: #0D0F12; color: %2;"
        "  border: 1px solid #3A3F48; border-radius: 3px; padding: 2px 4px; selection-background-color: %1;"
        "  selection-color: #111; }"
        "QComboBox:focus, QDateEdit:focus, QLineEdit:focus, QDoubleSpinBox:focus { border-color: %1; }"
        "QComboBox:disabled, QDateEdit:disabled, QLineEdit:disabled { color: #7D848F; }"
        // The window's warning red: a date field whose text is no date.
        "QLineEdit[rejected=\"true\"] { border: 1px solid #FF7A70; }"
        "QLabel#lblReading[problem=\"true\"] { color: #FF7A70; }"
        "QToolButton { background: #23272E; color: %2; border: 1px solid #3A3F48; border-radius: 3px;"
        "  padding: 2px 4px; }"
        "QToolButton:hover, QToolButton:focus { border-color: %1; }"
        "QCalendarWidget QWidget { background: #1A1D22; color: %2; alternate-background-color: #15181D; }"
        "QCalendarWidget QAbstractItemView:enabled { selection-background-color: %1; selection-color: #111; }"
        "QCalendarWidget QAbstractItemView:disabled { color: #7D848F; }"
        // The calendar reckons its rows without the tables' frame.
        "QCalendarWidget QTableView { border: none; }"
        "QComboBox QAbstractItemView { background: #1A1D22; color: %2; selection-background-color: %1;"
        "  selection-color: #111; border: 1px solid #3A3F48; }"
        "QCheckBox::indicator, QRadioButton::indicator { width: 11px; height: 11px; border: 1px solid #8A919C;"
        "  background: #0D0F12; }"
        "QRadioButton::indicator { border-radius: 6px; }"
        "QCheckBox::indicator { border-radius: 2px; }"
        "QCheckBox::indicator:checked, QRadioButton::indicator:checked { border-color: %1; background: %1; }"
        "QProgressBar { background: #0D0F12; color: %2; border: 1px solid #3A3F48; border-radius: 3px;"
        "  text-align: center; }"
        "QProgressBar::chunk { background: #B34A10; border-radius: 2px; }"
        "QTabWidget::pane { border: 1px solid #3A3F48; top: -1px; }"
        "QTabBar::tab { background: #23272E; color: %2; border: 1px solid #3A3F48; padding: 4px 12px;"
        "  margin-right: 2px; border-top-left-radius: 3px; border-top-right-radius: 3px; }"
        "QTabBar::tab:selected { background: #0D0F12; border-bottom-color: #0D0F12; color: %1;"
        "  font-weight: bold; }"
        "QSplitter::handle { background: #23272E; }")
                            .arg(artwork::accentColor().name(), artwork::panelTextColor().name());
    return own + DarkSheetSharedRules(12);
}

HistoryWindow::HistoryWindow(HistoryServices services, QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_services(std::move(services)),
      m_cache(std::make_unique<HistoryCache>(
          m_services.cacheFolder.empty() ? StandardHistoryCacheFolder() : m_services.cacheFolder,
          m_services.fileSystem)),
      m_slices(new QTimer(this)),
      m_names(std::make_unique<SensorNames>())
{
    setObjectName(QStringLiteral("historyWindow"));
    setWindowTitle(QStringLiteral("Paceforge \u2014 History"));
    setAttribute(Qt::WA_StyledBackground, true);
    setStyle(DarkStyle::instance());
    setStyleSheet(HistoryStyleSheet());
    m_slices->setSingleShot(true);
    connect(m_slices, &QTimer::timeout, this, &HistoryWindow::readSlice);
    buildElements();
    resize(1000, 700);
    restoreSettings();
    // The history belongs to the main window: it goes when that window is closed.
    if (parent)
        parent->installEventFilter(this);
    // Rows, selection and totals of a catalogue that is gone must never be acted on.
    m_storeListener = m_services.store.listen([this] { reload(); });
}

HistoryWindow::~HistoryWindow()
{
    m_services.store.forget(m_storeListener);
}

void HistoryWindow::buildElements()
{
    m_model = new HistoryModel(m_services.locale, this);
    m_model->setSensorNames(m_names.get());
    m_filter = new HistoryFilter(m_model, this);

    // The bar above the table: unit, date range, reading.
    auto* units = new QButtonGroup(this);
    m_miles = new QRadioButton(QStringLiteral("Miles"), this);
    m_miles->setObjectName(QStringLiteral("optUnitMiles"));
    m_kilometres = new QRadioButton(QStringLiteral("Kilometres"), this);
    m_kilometres->setObjectName(QStringLiteral("optUnitKm"));
    units->addButton(m_miles);
    units->addButton(m_kilometres);
    const bool imperial = m_services.locale.measurementSystem() != QLocale::MetricSystem;
    (imperial ? m_miles : m_kilometres)->setChecked(true);
    m_model->setUnit(imperial ? DistanceUnit::Miles : DistanceUnit::Kilometres);

    m_rangeOn = new QCheckBox(QStringLiteral("Only runs from"), this);
    m_rangeOn->setObjectName(QStringLiteral("chkRange"));
    const auto makeDate = [this](const char* name, const QString& accessible) {
        auto* field = new DateField(QString::fromLatin1(name), m_services.locale, this);
        field->setAccessibleName(accessible);
        field->setEnabled(false);
        return field;
    };
    m_since = makeDate("dteSince", QStringLiteral("From date"));
    m_until = makeDate("dteUntil", QStringLiteral("To date"));
    m_since->setDate(QDate(2006, 1, 1));
    m_until->setDate(QDate::currentDate());
    auto* to = new QLabel(QStringLiteral("to"), this);

    m_sensor = new QComboBox(this);
    m_sensor->setObjectName(QStringLiteral("cbxSensor"));
    m_sensor->setAccessibleName(QStringLiteral("Sensor"));
    m_sensor->setToolTip(QStringLiteral("Only the runs of one sensor, the shoes it is tied to"));
    m_sensor->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_sensor->addItem(QStringLiteral("All sensors"));

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("prgReading"));
    m_progress->setAccessibleName(QStringLiteral("Reading workouts"));
    m_progress->setMaximumWidth(220);
    m_progress->setFormat(QStringLiteral("%v of %m"));
    m_progress->hide();
    m_cancel = MakeButton(this, "cmdCancelReading", QStringLiteral("Cancel"));
    m_cancel->setToolTip(QStringLiteral("Stop reading; the workouts read so far stay listed"));
    m_cancel->hide();
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("lblReading"));
    m_status->setWordWrap(true);
    m_status->setMinimumWidth(280);
    m_status->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto* bar = new QHBoxLayout;
    bar->addWidget(new QLabel(QStringLiteral("Show distances in"), this));
    bar->addWidget(m_miles);
    bar->addWidget(m_kilometres);
    bar->addSpacing(24);
    bar->addWidget(m_rangeOn);
    bar->addWidget(m_since);
    bar->addWidget(to);
    bar->addWidget(m_until);
    bar->addSpacing(16);
    bar->addWidget(m_sensor);
    bar->addStretch(1);
    bar->addWidget(m_status);
    bar->addWidget(m_progress);
    bar->addWidget(m_cancel);

    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("tblHistory"));
    m_table->setAccessibleName(QStringLiteral("Workouts"));
    m_table->setModel(m_filter);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(HistoryModel::Date, Qt::DescendingOrder);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setAlternatingRowColors(true);
    m_table->setShowGrid(false);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    // Fixed rows and widths: measuring ten thousand rows' contents would stall the window.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 8);
    m_table->horizontalHeader()->setHighlightSections(false);
    m_table->horizontalHeader()->setStretchLastSection(true);
    const int widths[] = {96, 84, 104, 84, 110, 74, 210, 72, 74, 160};
    for (int column = 0; column < HistoryModel::ColumnCount; ++column)
        m_table->setColumnWidth(column, widths[column]);

    m_totals = new QLabel(this);
    m_totals->setObjectName(QStringLiteral("lblTotals"));
    m_totals->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Long totals wrap rather than widen the window.
    m_totals->setWordWrap(true);

    m_exportTcx = MakeButton(this, "cmdExportTcx", QStringLiteral("Export as TCX..."));
    m_exportCsv = MakeButton(this, "cmdExportCsv", QStringLiteral("Export as CSV..."));
    m_restore = MakeButton(this, "cmdRestore", QStringLiteral("Restore previous version..."));
    m_correct = MakeButton(this, "cmdCorrectDistance", QStringLiteral("Correct distance..."));
    m_exportTcx->setToolTip(QStringLiteral("One TCX file per selected run, into a folder you choose"));
    m_exportCsv->setToolTip(QStringLiteral("The selected runs as one CSV table"));
    m_restore->setToolTip(QStringLiteral("Put back a version kept before Paceforge changed this run"));
    m_correct->setToolTip(QStringLiteral("Scale the distances of the selected runs, after a preview"));
    auto* actions = new QHBoxLayout;
    actions->addWidget(m_totals, 1);
    // The same commands on a right click in the table.
    m_table->setContextMenuPolicy(Qt::ActionsContextMenu);
    for (QPushButton* button : {m_exportTcx, m_exportCsv, m_restore, m_correct}) {
        actions->addWidget(button);
        auto* action = new QAction(button->text(), m_table);
        // Not the list menu's names: a search of the main window finds both.
        action->setObjectName(button->objectName().replace(QLatin1String("cmd"), QLatin1String("actHistory")));
        connect(action, &QAction::triggered, button, &QPushButton::click);
        m_table->addAction(action);
        m_commands.emplace_back(button, action);
    }
    m_nameSensor = new QAction(QStringLiteral("Name this sensor..."), m_table);
    m_nameSensor->setObjectName(QStringLiteral("actNameSensor"));
    m_nameSensor->setToolTip(QStringLiteral("Give the chosen run's sensor a name, such as the shoes it is tied to"));
    connect(m_nameSensor, &QAction::triggered, this, &HistoryWindow::nameSensor);
    m_table->addAction(m_nameSensor);

    // Below: totals per period beside the charts' tabs.
    m_period = new QComboBox(this);
    m_period->setObjectName(QStringLiteral("cbxPeriod"));
    m_period->setAccessibleName(QStringLiteral("Totals per"));
    m_period->addItem(QStringLiteral("Week"), static_cast<int>(Period::Week));
    m_period->addItem(QStringLiteral("Month"), static_cast<int>(Period::Month));
    m_period->addItem(QStringLiteral("Year"), static_cast<int>(Period::Year));
    m_period->setCurrentIndex(1);
    m_periodModel = new QStandardItemModel(0, 6, this);
    m_periods = new QTableView(this);
    m_periods->setObjectName(QStringLiteral("tblPeriods"));
    m_periods->setAccessibleName(QStringLiteral("Totals per period"));
    m_periods->setModel(m_periodModel);
    m_periods->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_periods->setSelectionMode(QAbstractItemView::NoSelection);
    m_periods->setAlternatingRowColors(true);
    m_periods->setShowGrid(false);
    m_periods->verticalHeader()->hide();
    m_periods->horizontalHeader()->setStretchLastSection(true);
    auto* periodPane = new QWidget(this);
    auto* periodLayout = new QVBoxLayout(periodPane);
    periodLayout->setContentsMargins(0, 0, 0, 0);
    auto* periodBar = new QHBoxLayout;
    periodBar->addWidget(new QLabel(QStringLiteral("Totals per"), periodPane));
    periodBar->addWidget(m_period);
    periodBar->addStretch(1);
    periodLayout->addLayout(periodBar);
    periodLayout->addWidget(m_periods);

    const auto makeSummary = [this](const char* name, const QString& accessible, QStandardItemModel*& model) {
        model = new QStandardItemModel(this);
        auto* view = new QTableView(this);
        view->setObjectName(QString::fromLatin1(name));
        view->setAccessibleName(accessible);
        view->setModel(model);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setSelectionMode(QAbstractItemView::SingleSelection);
        view->setAlternatingRowColors(true);
        view->setShowGrid(false);
        view->setWordWrap(false);
        view->verticalHeader()->hide();
        view->horizontalHeader()->setStretchLastSection(true);
        return view;
    };
    m_shoes = makeSummary("tblShoes", QStringLiteral("Totals per sensor"), m_shoesModel);
    m_shoes->setToolTip(QStringLiteral("Double-click a sensor to show its runs alone"));
    m_records = makeSummary("tblRecords", QStringLiteral("Personal records"), m_recordsModel);
    m_records->setToolTip(QStringLiteral("Double-click a record to go to its run"));
    m_summaries = new QTabWidget(this);
    m_summaries->setObjectName(QStringLiteral("tabSummaries"));
    m_summaries->addTab(periodPane, QStringLiteral("Periods"));
    m_summaries->addTab(m_shoes, QStringLiteral("Shoes"));
    m_summaries->addTab(m_records, QStringLiteral("Records"));

    // The chosen run's splits, in sight beside the chart of its pace along the way.
    auto* splitsPane = new QWidget(this);
    auto* splitsLayout = new QVBoxLayout(splitsPane);
    splitsLayout->setContentsMargins(6, 6, 6, 6);
    m_splitsTitle = new QLabel(splitsPane);
    m_splitsTitle->setObjectName(QStringLiteral("lblSplits"));
    m_splitsTitle->setWordWrap(true);
    m_splits = makeSummary("tblSplits", QStringLiteral("Splits of the chosen run"), m_splitsModel);
    m_splits->setSelectionMode(QAbstractItemView::NoSelection);
    m_splits->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    splitsLayout->addWidget(m_splitsTitle);
    splitsLayout->addWidget(m_splits, 1);
    m_summaries->addTab(splitsPane, QStringLiteral("Splits"));

    m_charts = new HistoryCharts(this);
    auto* lower = new QSplitter(Qt::Horizontal, this);
    lower->addWidget(m_summaries);
    lower->addWidget(m_charts);
    // Room for the records' and the shoes' five columns beside the charts.
    lower->setStretchFactor(0, 1);
    lower->setStretchFactor(1, 1);
    lower->setSizes({540, 560});

    auto* upper = new QWidget(this);
    auto* upperLayout = new QVBoxLayout(upper);
    upperLayout->setContentsMargins(0, 0, 0, 0);
    upperLayout->addWidget(m_table);
    upperLayout->addLayout(actions);

    m_splitter = new QSplitter(Qt::Vertical, this);
    m_splitter->setObjectName(QStringLiteral("splHistory"));
    m_splitter->addWidget(upper);
    m_splitter->addWidget(lower);
    m_splitter->setStretchFactor(0, 3);
    m_splitter->setStretchFactor(1, 2);
    m_splitter->setChildrenCollapsible(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->addLayout(bar);
    layout->addWidget(m_splitter, 1);

    connect(m_cancel, &QPushButton::clicked, this, &HistoryWindow::cancelReading);
    connect(m_miles, &QRadioButton::toggled, this, &HistoryWindow::unitChanged);
    connect(m_rangeOn, &QCheckBox::toggled, this, [this](bool on) {
        m_since->setEnabled(on);
        m_until->setEnabled(on);
        if (!on)
            m_dateProblem.clear();
        rangeChanged();
    });
    for (DateField* field : {m_since, m_until}) {
        connect(field, &DateField::dateChanged, this, [this] {
            m_dateProblem.clear();
            rangeChanged();
        });
        connect(field, &DateField::textRejected, this, [this](const QString& text) {
            m_dateProblem = QStringLiteral("\u201C%1\u201D is no date: type it as %2. The range stays as it was.")
                                .arg(text.trimmed(), TypedDateForms(m_services.locale));
            updateStatus();
        });
    }
    connect(m_sensor, &QComboBox::currentIndexChanged, this, &HistoryWindow::sensorChanged);
    connect(m_records, &QTableView::activated, this, &HistoryWindow::goToRecord);
    connect(m_shoes, &QTableView::activated, this, [this](const QModelIndex& index) {
        const int chosen = m_sensor->findData(index.siblingAtColumn(0).data(Qt::UserRole));
        if (chosen >= 0)
            m_sensor->setCurrentIndex(chosen);
    });
    connect(m_period, &QComboBox::currentIndexChanged, this, &HistoryWindow::updatePeriodsAndCharts);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this, &HistoryWindow::selectionChanged);
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &HistoryWindow::updateRunChart);
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &HistoryWindow::updateSplits);
    connect(m_exportTcx, &QPushButton::clicked, this, &HistoryWindow::exportTcx);
    connect(m_exportCsv, &QPushButton::clicked, this, &HistoryWindow::exportCsv);
    connect(m_restore, &QPushButton::clicked, this, &HistoryWindow::restoreSelected);
    connect(m_correct, &QPushButton::clicked, this, &HistoryWindow::correctDistance);
    updateButtons();
}

void HistoryWindow::reload()
{
    m_slices->stop();
    m_reader.reset();
    m_model->clear();
    // The names may have been changed by the commands since.
    m_names = std::make_unique<SensorNames>();
    m_model->setSensorNames(m_names.get());
    m_recordsModel->clear();
    m_shoesModel->clear();
    const iPodRecord& ipod = m_services.store.ipod();
    m_reader = std::make_unique<HistoryReader>(m_services.store.listedWorkouts(), m_services.fileSystem, m_cache.get());
    m_reader->setAlteredSignatures(&m_services.backups.alteredSignatures());
    m_sliceFiles = kFirstSliceFiles;
    m_progress->setRange(0, static_cast<int>(m_reader->total()));
    m_progress->setValue(0);
    m_progress->setVisible(m_reader->total() > 0);
    m_cancel->setVisible(m_reader->total() > 0);
    m_readingStatus = ipod.root.empty() ? QStringLiteral("No iPod is chosen in the main window.")
                                        : QStringLiteral("Reading the workouts of %1...").arg(ipod.driveLetter);
    updateStatus();
    // The first slice runs from the event loop, after the window has been shown and painted.
    m_slices->start(0);
}

bool HistoryWindow::reading() const
{
    return m_slices->isActive();
}

bool HistoryWindow::readEverything() const
{
    return m_reader && m_reader->finished() && !reading();
}

void HistoryWindow::readSlice()
{
    if (!m_reader)
        return;
    QElapsedTimer clock;
    clock.start();
    std::vector<HistoryEntry> slice;
    while (!m_reader->finished() && slice.size() < m_sliceFiles && clock.elapsed() < kSliceMilliseconds) {
        const auto read = m_reader->readMore(kFilesPerBatch);
        slice.insert(slice.end(), read.begin(), read.end());
    }
    m_sliceFiles = std::min(m_sliceFiles * 2, kMostSliceFiles);
    m_model->append(slice);
    m_progress->setValue(static_cast<int>(m_reader->done()));
    updateTotals();
    if (m_reader->finished())
        finishReading(false);
    else
        m_slices->start(0);
}

void HistoryWindow::cancelReading()
{
    if (!m_slices->isActive())
        return;
    m_slices->stop();
    finishReading(true);
}

void HistoryWindow::finishReading(bool cancelled)
{
    m_progress->hide();
    m_cancel->hide();
    // A cache that cannot be written costs only the reading at the next opening.
    if (m_reader->total() > 0)
        static_cast<void>(m_reader->saveCache());
    const int total = static_cast<int>(m_reader->total());
    int unreadable = 0;
    for (const HistoryEntry& entry : m_model->entries())
        unreadable += entry.readable() ? 0 : 1;
    QString status = cancelled ? QStringLiteral("Stopped: %1 of %2 workouts read.").arg(m_model->rowCount()).arg(total)
                               : QStringLiteral("%1 workouts.").arg(total);
    if (unreadable > 0)
        status += QStringLiteral(" %1 cannot be read.").arg(unreadable);
    m_readingStatus = status;
    // The range offered is the runs' own, until the user sets one.
    if (!m_rangeOn->isChecked()) {
        std::optional<QDate> first, last;
        for (const HistoryEntry& entry : m_model->entries())
            if (entry.readable()) {
                first = first ? std::min(*first, entry.start.date) : entry.start.date;
                last = last ? std::max(*last, entry.start.date) : entry.start.date;
            }
        if (first) {
            const QSignalBlocker quietSince(m_since), quietUntil(m_until);
            m_since->setDate(*first);
            m_until->setDate(*last);
        }
    }
    updateSensors();
    updatePeriodsAndCharts();
    updateSummaries();
    updateRunChart();
    updateSplits();
    updateButtons();
    emit readingFinished();
}

DistanceUnit HistoryWindow::unit() const
{
    return m_miles->isChecked() ? DistanceUnit::Miles : DistanceUnit::Kilometres;
}

Period HistoryWindow::period() const
{
    return static_cast<Period>(m_period->currentData().toInt());
}

void HistoryWindow::unitChanged()
{
    m_model->setUnit(unit());
    updateTotals();
    updatePeriodsAndCharts();
    updateRunChart();
    if (!reading())
        updateSummaries();
    updateSplits();
}

void HistoryWindow::rangeChanged()
{
    DateRange range;
    if (m_rangeOn->isChecked()) {
        range.since = m_since->date();
        range.until = m_until->date();
    }
    m_filter->setRange(range);
    updateTotals();
    if (!reading()) {
        updatePeriodsAndCharts();
        updateSummaries();
    }
}

void HistoryWindow::sensorChanged()
{
    const QVariant chosen = m_sensor->currentData();
    m_filter->setSensor(chosen.isValid() ? std::optional<std::string>(chosen.toString().toStdString()) : std::nullopt);
    updateTotals();
    if (!reading()) {
        updatePeriodsAndCharts();
        updateSummaries();
    }
}

void HistoryWindow::updateSummaries()
{
    updateShoes();
    updateRecords();
    updateStatus();
}

void HistoryWindow::updateStatus()
{
    QString problem = m_dateProblem;
    if (problem.isEmpty() && !reading() && (m_rangeOn->isChecked() || m_filter->sensor())) {
        const std::vector<std::size_t> shown = shownEntries();
        const bool anyRun = std::any_of(
            shown.begin(), shown.end(), [this](std::size_t index) { return m_model->entries()[index].readable(); });
        if (!anyRun && !m_model->entries().empty()) {
            const QString format = QStringLiteral("d MMM yyyy");
            const QString of = m_filter->sensor()
                ? QStringLiteral(" of %1").arg(m_model->sensorText(*m_filter->sensor()))
                : QString();
            problem = m_rangeOn->isChecked() ? QStringLiteral("No runs%1 between %2 and %3.")
                                                   .arg(of, m_services.locale.toString(m_since->date(), format),
                                                       m_services.locale.toString(m_until->date(), format))
                                             : QStringLiteral("No runs%1.").arg(of);
        }
    }
    m_status->setText(problem.isEmpty() ? m_readingStatus : problem);
    if (m_status->property("problem").toBool() != !problem.isEmpty()) {
        m_status->setProperty("problem", !problem.isEmpty());
        m_status->style()->unpolish(m_status);
        m_status->style()->polish(m_status);
    }
}

void HistoryWindow::updateSensors()
{
    std::vector<std::string> sensors;
    for (const HistoryEntry& entry : m_model->entries())
        if (std::none_of(sensors.begin(), sensors.end(),
                [&entry](const std::string& known) { return NamesEqualIgnoringCase(known, entry.file.sensor); }))
            sensors.push_back(entry.file.sensor);
    std::sort(sensors.begin(), sensors.end());
    const QVariant chosen = m_sensor->currentData();
    {
        const QSignalBlocker quiet(m_sensor);
        m_sensor->clear();
        m_sensor->addItem(QStringLiteral("All sensors"));
        for (const std::string& sensor : sensors)
            m_sensor->addItem(m_model->sensorText(sensor), QString::fromStdString(sensor));
        m_sensor->setCurrentIndex(std::max(0, chosen.isValid() ? m_sensor->findData(chosen) : 0));
    }
    // A sensor that is gone from the iPod shows every run again.
    if (m_sensor->currentData() != chosen)
        sensorChanged();
}

void HistoryWindow::nameSensor()
{
    const QModelIndex current = m_table->currentIndex();
    if (!current.isValid())
        return;
    const std::string sensor = m_model->entry(m_filter->mapToSource(current).row()).file.sensor;
    const QString folder = QString::fromStdString(sensor);
    const std::optional<QString> name = m_services.dialogs.askText(this, QStringLiteral("Name This Sensor"),
        QStringLiteral("A name for the sensor %1, such as the shoes it is tied to.\n"
                       "The name is kept on this computer, not on the iPod; leave it empty to forget it.")
            .arg(folder),
        m_names->given(sensor).value_or(QString()));
    if (!name)
        return;
    m_names->setName(sensor, name->trimmed());
    m_model->namesChanged();
    updateSensors();
    updateShoes();
    updateStatus();
}

void HistoryWindow::selectionChanged()
{
    updateTotals();
    updateButtons();
}

std::vector<std::size_t> HistoryWindow::selectedEntries() const
{
    std::vector<std::size_t> rows;
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows())
        rows.push_back(static_cast<std::size_t>(m_filter->mapToSource(index).row()));
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::vector<std::size_t> HistoryWindow::shownEntries() const
{
    std::vector<std::size_t> shown = EntriesIn(m_model->entries(), m_filter->range());
    if (m_filter->sensor())
        shown = EntriesOfSensor(m_model->entries(), shown, *m_filter->sensor());
    return shown;
}

void HistoryWindow::updateTotals()
{
    const std::vector<std::size_t> selected = selectedEntries();
    const bool ofSelection = selected.size() > 1;
    const HistoryTotals totals = TotalsOf(m_model->entries(), ofSelection ? selected : shownEntries());
    QStringList parts{RunsText(totals.runs), DistanceText(totals.distanceKm, unit()),
        ClockText(totals.durationMs / 1000), QStringLiteral("%1 cal").arg(m_services.locale.toString(totals.calories))};
    if (const auto pace = AveragePaceSeconds(totals, unit()))
        parts << QStringLiteral("%1 min/%2 on average").arg(ClockText(*pace), UnitSymbol(unit()));
    m_totals->setText((ofSelection                     ? QStringLiteral("Selected: ")
                              : m_filter->sensor()     ? QStringLiteral("Shown: ")
                              : m_rangeOn->isChecked() ? QStringLiteral("In the range: ")
                                                       : QStringLiteral("All: "))
        + parts.join(QStringLiteral("  \u00B7  ")));
}

void HistoryWindow::updateButtons()
{
    const std::vector<std::size_t> selected = selectedEntries();
    bool anyReadable = false;
    for (std::size_t index : selected)
        anyReadable = anyReadable || m_model->entries()[index].readable();
    m_exportTcx->setEnabled(!selected.empty());
    m_exportCsv->setEnabled(!selected.empty());
    m_restore->setEnabled(selected.size() == 1);
    // A change to the iPod waits until the reading is done: the rows it would change may not be read yet.
    m_correct->setEnabled(anyReadable && !reading());
    m_nameSensor->setEnabled(m_table->currentIndex().isValid());
    for (const auto& [button, action] : m_commands)
        action->setEnabled(button->isEnabled());
}

void HistoryWindow::exportTcx()
{
    const std::vector<std::size_t> selected = selectedEntries();
    if (selected.empty())
        return;
    const QString folder = m_services.dialogs.chooseFolder(this, QStringLiteral("Export the selected runs as TCX"));
    if (folder.isEmpty())
        return;
    Exporter exporter(m_services.fileSystem);
    const auto progress = m_services.dialogs.progress(this, QStringLiteral("Exporting workouts..."), 100);
    const ExportReport report
        = exporter.exportTcx(ExportSelectionOf(m_model->entries(), selected), LocalPath(folder), Percent(*progress));
    ReportExport(this, m_services.dialogs, m_services.desktop, report, folder, folder);
}

void HistoryWindow::exportCsv()
{
    const std::vector<std::size_t> selected = selectedEntries();
    if (selected.empty())
        return;
    const QString file = m_services.dialogs.chooseSaveFile(this, QStringLiteral("Export the selected runs as CSV"),
        QStringLiteral("runs.csv"), QStringLiteral("CSV files (*.csv)"));
    if (file.isEmpty())
        return;
    Exporter exporter(m_services.fileSystem);
    const auto progress = m_services.dialogs.progress(this, QStringLiteral("Exporting workouts..."), 100);
    const ExportReport report
        = exporter.exportCsv(ExportSelectionOf(m_model->entries(), selected), LocalPath(file), Percent(*progress));
    ReportExport(this, m_services.dialogs, m_services.desktop, report, file, FolderOf(file));
}

void HistoryWindow::restoreSelected()
{
    const std::vector<std::size_t> selected = selectedEntries();
    if (selected.size() != 1)
        return;
    // The rows are read again whenever the catalogue is built again: this is its record now. A
    // copy, as a restore has the catalogue built again.
    const StoredWorkout file = m_model->entries()[selected.front()].file;
    RestorePreviousVersion(
        this, m_services.dialogs, m_services.backups, m_services.fileSystem, file, [this] { emit workoutsChanged(); },
        unit());
}

void HistoryWindow::correctDistance()
{
    const std::vector<HistoryEntry>& entries = m_model->entries();
    CorrectionRuns runs;
    for (std::size_t index : selectedEntries())
        if (entries[index].readable())
            runs.selected.push_back(entries[index]);
    if (runs.selected.empty())
        return;
    const SensorNames names;
    for (std::size_t index : shownEntries())
        if (entries[index].readable()) {
            runs.inRange.push_back(entries[index]);
            if (const auto given = names.given(entries[index].file.sensor))
                runs.sensorNames.emplace(entries[index].file.sensor, *given);
        }
    auto* dialog = new CorrectDistanceDialog(std::move(runs), unit(),
        {m_services.dialogs, m_services.fileSystem, m_services.backups, m_services.locale}, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &CorrectDistanceDialog::workoutsChanged, this, &HistoryWindow::workoutsChanged);
    // Window-modal, without a nested event loop: the rest of the program goes on painting.
    dialog->open();
}

void HistoryWindow::closeEvent(QCloseEvent* event)
{
    cancelReading();
    saveSettings();
    QWidget::closeEvent(event);
}

bool HistoryWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parent() && event->type() == QEvent::Close && isVisible())
        close();
    return QWidget::eventFilter(watched, event);
}

void HistoryWindow::saveSettings() const
{
    QSettings settings;
    settings.setValue(QString::fromLatin1(kGeometryKey), saveGeometry());
    settings.setValue(QString::fromLatin1(kSplitterKey), m_splitter->saveState());
    settings.setValue(QString::fromLatin1(kUnitKey), unit() == DistanceUnit::Miles ? "mi" : "km");
    settings.setValue(QString::fromLatin1(kPeriodKey), m_period->currentIndex());
}

void HistoryWindow::restoreSettings()
{
    QSettings settings;
    if (settings.contains(QString::fromLatin1(kGeometryKey)))
        restoreGeometry(settings.value(QString::fromLatin1(kGeometryKey)).toByteArray());
    if (settings.contains(QString::fromLatin1(kSplitterKey)))
        m_splitter->restoreState(settings.value(QString::fromLatin1(kSplitterKey)).toByteArray());
    const QString savedUnit = settings.value(QString::fromLatin1(kUnitKey)).toString();
    if (savedUnit == QLatin1String("mi"))
        m_miles->setChecked(true);
    else if (savedUnit == QLatin1String("km"))
        m_kilometres->setChecked(true);
    const int savedPeriod = settings.value(QString::fromLatin1(kPeriodKey), m_period->currentIndex()).toInt();
    if (savedPeriod >= 0 && savedPeriod < m_period->count())
        m_period->setCurrentIndex(savedPeriod);
}

} // namespace paceforge
