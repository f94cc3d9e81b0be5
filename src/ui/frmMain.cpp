#include "frmMain.h"
#include "frmMainParts.h"

#include "Artwork.h"
#include "DarkStyle.h"
#include "Desktop.h"
#include "Dialogs.h"
#include "HistoryButton.h"
#include "HistoryWindow.h"
#include "ImageButton.h"
#include "PaintedIconEngine.h"
#include "WorkoutListMenu.h"
#include "WorkoutListModel.h"

#include "compose/Backups.h"
#include "compose/EditSession.h"
#include "compose/SaveWorkout.h"
#include "workout/WorkoutSummary.h"
#include "platform/Clock.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "store/AlteredSignatures.h"
#include "store/Catalogue.h"
#include "store/iPodScan.h"
#include "templates/DateRule.h"
#include "templates/TemplateWorkout.h"
#include "workout/WorkoutFormat.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QStringList>
#include <QTimeEdit>
#include <QTreeView>
#include <QWindow>


namespace paceforge {
namespace {

using namespace window;

bool OnWayland()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace

frmMain::frmMain(frmMainServices services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      m_services(std::move(services))
{
    const std::filesystem::path backupsFolder = m_services.backupsFolder.empty()
        ? std::filesystem::path(
              QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).toStdString())
            / "backups"
        : m_services.backupsFolder;
    m_backups = std::make_unique<Backups>(backupsFolder, m_services.clock, m_services.fileSystem);
    ProgramFolder = m_services.programFolder.empty()
        ? std::filesystem::path(QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString())
        : m_services.programFolder;
    m_session = std::make_unique<EditSession>(EditSessionServices{
        m_services.fileSystem, m_services.random, m_backups.get(), ProgramFolder, m_services.locale});
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(kProgramTitle);
    setWindowIcon(QIcon::fromTheme(QStringLiteral("io.paceforge.Paceforge"),
        PaintedIconEngine::icon(
            [](QPainter& painter, const QRectF& area, QIcon::Mode) { artwork::paintAppIcon(painter, area); })));
    setFixedSize(739, 444);
    // The look is in place before the elements are made, so that each is made with it once (the
    // calendar would otherwise load the stock arrow pictures only to have them replaced).
    setStyle(DarkStyle::instance());
    applyStyle();
    ArtworkCache artwork(m_services.artworkCacheFolder, artwork::applicationRatio());
    m_background = artwork.background(size());
    buildElements(artwork);
    // A cache that cannot be written costs only the painting at the next start.
    static_cast<void>(artwork.save());
    styleElements();
    wireEvents();
    addWorkoutTools();
    setUpKeyboard();
    addHistory();
    describeElements();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    Form_Load();
    // Where the focus was before the picture buttons took it: the header's come first in the chain.
    if (!focusWidget())
        cbxiPodDrv->setFocus(Qt::OtherFocusReason);
}

frmMain::~frmMain()
{
    // The elements give up the focus as they go, after the focus ring has gone.
    disconnect(m_focusWatch);
    // The history listens to the session's catalogue, and the list shows its rows: both go before
    // the session does, which is before the window's children.
    delete m_history;
    m_listModel->clear();
}

void frmMain::wireEvents()
{
    connect(imgClose, &QAbstractButton::clicked, this, &QWidget::close);
    connect(imgMinimize, &QAbstractButton::clicked, this, [this] {
        hide();
        setWindowState(windowState() | Qt::WindowMinimized);
        show();
    });
    connect(imgWebsite, &QAbstractButton::clicked, this, &frmMain::imgWebsite_Click);
    connect(imgNewWorkout, &QAbstractButton::clicked, this, &frmMain::imgNewWorkout_Click);
    connect(imgNewWorkoutLow, &QAbstractButton::clicked, this, &frmMain::imgNewWorkout_Click);
    connect(imgExistingWorkout, &QAbstractButton::clicked, this, &frmMain::imgExistingWorkout_Click);
    connect(imgExistingWorkoutLow, &QAbstractButton::clicked, this, &frmMain::imgExistingWorkout_Click);
    connect(imgRefresh, &QAbstractButton::clicked, this, &frmMain::imgRefresh_Click);
    connect(imgSave, &QAbstractButton::clicked, this, &frmMain::imgSave_Click);
    connect(imgContinue, &QAbstractButton::clicked, this, &frmMain::imgContinue_Click);
    // Only a choice from the list selects an iPod, also when it is the one already selected.
    connect(cbxiPodDrv, &QComboBox::activated, this, &frmMain::cbxiPodDrv_Click);
    connect(ListView1, &QAbstractItemView::clicked, this, &frmMain::ListView1_Click);
    connect(calMain, &QCalendarWidget::selectionChanged, this, &frmMain::CheckWorkoutDate);
    connect(DTPicker1, &QTimeEdit::timeChanged, this, &frmMain::CheckWorkoutDate);

    const auto convertDistance = [this](bool toKilometres) {
        if (auto text = m_session->switchDistanceUnit(tbxDistance->text(), toKilometres))
            tbxDistance->setText(*text);
    };
    const auto convertWeight = [this](bool toKilograms) {
        if (auto text = m_session->switchWeightUnit(tbxWeight->text(), toKilograms))
            tbxWeight->setText(*text);
    };
    connect(optKilometers, &QRadioButton::toggled, this, [=](bool on) {
        if (on)
            convertDistance(true);
    });
    connect(optMiles, &QRadioButton::toggled, this, [=](bool on) {
        if (on)
            convertDistance(false);
    });
    connect(optKilograms, &QRadioButton::toggled, this, [=](bool on) {
        if (on)
            convertWeight(true);
    });
    connect(optPounds, &QRadioButton::toggled, this, [=](bool on) {
        if (on)
            convertWeight(false);
    });
}

// What goes beyond the window's own elements: the pace line, the list's context menu and the
// rows' tooltips (the start the document records, the signature).
void frmMain::addWorkoutTools()
{
    MakeLabel(frmWorkout, "lblPaceCaption", QStringLiteral("Pace:"), {23, 168, 40, 18});
    lblPace = MakeLabel(frmWorkout, "lblPace", QString(), {60, 168, 262, 18});
    lblPace->setWordWrap(false);
    lblPace->setAccessibleName(QStringLiteral("Pace"));
    for (QLineEdit* box : {tbxDistance, tbxTimeHrs, tbxTimeMins, tbxTimeSecs})
        connect(box, &QLineEdit::textChanged, this, &frmMain::UpdatePaceLine);
    connect(optMiles, &QRadioButton::toggled, this, &frmMain::UpdatePaceLine);

    auto* menu = new WorkoutListMenu(ListView1, m_listModel, m_session->currentIPod(),
        {m_services.dialogs, m_services.desktop, m_services.fileSystem, *m_backups});
    connect(menu, &WorkoutListMenu::workoutRestored, this, &frmMain::cbxiPodDrv_Click);

    m_listModel->setToolTipSource([this](const CatalogueRow& row) {
        const std::vector<StoredWorkout>& workouts = m_session->currentIPod().workouts;
        const StoredWorkout* file = row.workout < workouts.size() ? &workouts[row.workout] : nullptr;
        const auto bytes = file ? m_services.fileSystem.readFile(file->fullPath()) : Outcome<std::string>::failure({});
        if (!bytes)
            return QString();
        const XmlDocument document = XmlDocument::fromBytes(bytes.value());
        QStringList lines;
        // The Time column is the file's name, which the iPod gives a run when it ends.
        if (const auto start = ParseStartTime(NodeText(FindWorkoutNodes(document).time)))
            lines << QStringLiteral("Start: ")
                    + QLocale::c().toString(
                        QDateTime(start->date, start->time, Qt::OffsetFromUTC, start->offsetSeconds),
                        QStringLiteral("yyyy-MM-dd hh:mm:ss ap (t)"));
        if (IsSignedWorkout(document))
            lines << (m_backups->alteredSignatures().contains(ContentHash(bytes.value())) ? SignatureAlteredText()
                                                                                         : SignedByDeviceText());
        return lines.join(u'\n');
    });
}

// The history window's ways in: a small button in the header, Ctrl+H and the list's menu.
void frmMain::addHistory()
{
    const QRect place(642, 16, 17, 17);
    imgHistory
        = Element(new ImageButton(HistoryButtonFace(place.size(), false), HistoryButtonFace(place.size(), true), this),
            "imgHistory", place);
    imgHistory->setToolTip(WithKeys(QStringLiteral("History"), kHistoryKeys));
    imgHistory->setAccessibleName(QStringLiteral("History"));
    setTabOrder(imgWebsite, imgHistory);
    setTabOrder(imgHistory, imgMinimize);
    connect(imgHistory, &QAbstractButton::clicked, this, &frmMain::ShowHistory);
    connect(new QShortcut(kHistoryKeys, this), &QShortcut::activated, this, &frmMain::ShowHistory);
    if (auto* menu = ListView1->findChild<WorkoutListMenu*>())
        connect(menu, &WorkoutListMenu::historyRequested, this, &frmMain::ShowHistory);
}

void frmMain::ShowHistory()
{
    if (!m_history) {
        m_history = new HistoryWindow({m_session->store(), m_services.dialogs, m_services.fileSystem,
                                          m_services.desktop, *m_backups, m_services.locale},
            this);
        // What the history changed on the iPod shows in the list; the new catalogue reaches the history.
        connect(m_history, &HistoryWindow::workoutsChanged, this, &frmMain::cbxiPodDrv_Click);
    }
    // Opened again, it reads the files again: something else may have changed them meanwhile.
    if (!m_history->isVisible() || !m_history->readEverything())
        m_history->reload();
    m_history->show();
    m_history->raise();
    m_history->activateWindow();
}

void frmMain::UpdatePaceLine()
{
    const EntryFields fields{tbxDistance->text(), tbxTimeHrs->text(), tbxTimeMins->text(), tbxTimeSecs->text(),
        tbxWeight->text(), tbxCalories->text()};
    const auto preview = m_session->previewPace(fields, optMiles->isChecked());
    lblPace->setText(preview ? preview->text : QString());
    // The same red as the window's warnings, light enough to read on the dark panel.
    lblPace->setStyleSheet(preview && preview->tooFast ? QStringLiteral("color: #FF7A70;") : QString());
}





void frmMain::imgWebsite_Click()
{
    OpenLocalPath(m_services.desktop, m_services.dialogs, this, DisplayPath(HelpPagePath(ProgramFolder)),
        QStringLiteral("Help Page"),
        QStringLiteral("Paceforge found no program on this computer to show its help page with. Open this file "
                       "in a web browser:"));
}

void frmMain::Form_Load()
{
    imgNewWorkoutLow->move(imgNewWorkout->pos());
    imgExistingWorkoutLow->move(imgExistingWorkout->pos());
    lblWorkoutDte->clear();
    {
        const QSignalBlocker quiet(DTPicker1);
        DTPicker1->setTime(QTime(6, 0));
    }
    frmWorkoutSaved->move(359, 108);
    ScanForIPods();
    imgNewWorkout_Click();
}

void frmMain::reportScanError(const ScanError& error)
{
    m_services.dialogs.plain(this, kProgramTitle, ScanErrorText(error));
}

void frmMain::ScanForIPods()
{
    const int remembered = cbxiPodDrv->currentIndex();
    iPodList.clear();
    {
        const QSignalBlocker quiet(cbxiPodDrv);
        cbxiPodDrv->clear();
    }
    const auto report = [this](const ScanError& error) { reportScanError(error); };
    RunScanStep([&] { iPodFound = false; }, report);
    iPodList = FindIPods(m_services.drives, m_services.fileSystem, report);
    for (const QString& entry : SelectorEntries(iPodList)) {
        cbxiPodDrv->addItem(entry);
        iPodFound = true;
    }
    if (cbxiPodDrv->count() == 0)
        cbxiPodDrv->addItem(kNoIPodsFound);
    RunScanStep(
        [&] {
            {
                const QSignalBlocker quiet(cbxiPodDrv);
                cbxiPodDrv->setCurrentIndex(RestoredSelectorPosition(remembered, cbxiPodDrv->count()));
            }
            cbxiPodDrv_Click();
        },
        report);
    RunScanStep(
        [&] {
            if (m_session->mode() == WorkoutMode::Add)
                imgNewWorkout_Click();
            else
                imgExistingWorkout_Click();
        },
        report);
}

void frmMain::imgRefresh_Click()
{
    ScanForIPods();
}

void frmMain::cbxiPodDrv_Click()
{
    const int position = cbxiPodDrv->currentIndex();
    if (position < 0) {
        m_services.dialogs.critical(
            this, QStringLiteral("Select Ipod"), QStringLiteral("Please select an iPod to read data from."));
        return;
    }
    m_listModel->clear();
    if (iPodFound && position < static_cast<int>(iPodList.size())) {
        m_session->setCatalogue(
            BuildCatalogue(iPodList[static_cast<std::size_t>(position)], m_services.fileSystem));
        m_listModel->setRows(m_session->store().rows());
        const std::vector<QString>& problems = m_session->store().catalogue().problems;
        if (!problems.empty())
            m_services.dialogs.critical(this, QStringLiteral("Workouts Missing"),
                QStringList(problems.begin(), problems.end()).join(u'\n')
                    + QStringLiteral("\n\nThe workouts in that folder are not in the list. Check that the iPod is "
                                     "connected and readable, then refresh the iPod list."));
    }
    {
        // A hidden list is laid out when it is shown; told of the widths now, it would measure its
        // header at once, which costs the start-up on the New screen more than the catalogue.
        const QSignalBlocker quiet(ListView1->isVisible() ? nullptr : ListView1->header());
        ListView1->setColumnWidth(0, 80);
        ListView1->setColumnWidth(1, 80);
        ListView1->setColumnWidth(2, 70);
    }
    selectFirstRowAndLoad();
}

void frmMain::selectFirstRowAndLoad()
{
    if (m_listModel->rowCount() == 0)
        return;
    // Lets the list repaint; the user's clicks wait, so that no other handler runs half-way here.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    ListView1->setCurrentIndex(m_listModel->index(0, 0));
    ListView1->scrollToTop();
    if (ListView1->isVisible())
        ListView1->setFocus();
    ListView1_Click();
}

void frmMain::ListView1_Click()
{
    const QModelIndex current = ListView1->currentIndex();
    if (m_listModel->rowCount() == 0 || !current.isValid()
        || !ListView1->selectionModel()->isRowSelected(current.row(), {}))
        return;
    const std::vector<StoredWorkout>& workouts = m_session->currentIPod().workouts;
    const std::size_t chosen = m_listModel->row(current.row()).workout;
    if (chosen < workouts.size())
        LoadWorkoutEntry(workouts[chosen].sensorIndex, workouts[chosen].fileIndex);
}

void frmMain::LoadWorkoutEntry(long long sensorIndex, long long fileIndex)
{
    const LoadOutcome loaded
        = m_session->load(sensorIndex, fileIndex, optMiles->isChecked(), optPounds->isChecked());
    switch (loaded.status) {
    case LoadStatus::NoEntry:
        return;
    case LoadStatus::Vanished:
        // A workout that vanished makes the loader rescan once; the rescan's own load must not again.
        if (m_rescanningForMissingFile)
            return;
        m_rescanningForMissingFile = true;
        ScanForIPods();
        m_rescanningForMissingFile = false;
        return;
    case LoadStatus::Unreadable:
        // The fields must not go on showing the workout chosen before: a save would then seem to
        // change the file the user chose while it changes nothing, or worse, another one. The box
        // is for a row the user can see being chosen, not for the quiet load behind the New screen.
        ClearEntryFields();
        if (ListView1->isVisible())
            m_services.dialogs.critical(this, loaded.unreadable.title, loaded.unreadable.text);
        return;
    case LoadStatus::Loaded:
        break;
    }
    const WorkoutEntries& entries = loaded.entries;
    tbxCalories->setText(entries.calories);
    if (entries.dateLabel)
        lblWorkoutDte->setText(*entries.dateLabel);
    tbxDistance->setText(entries.distance);
    tbxTimeHrs->setText(entries.hours);
    tbxTimeMins->setText(entries.minutes);
    tbxTimeSecs->setText(entries.seconds);
    tbxWeight->setText(entries.weight);
    UpdatePaceLine();
}

void frmMain::imgExistingWorkout_Click()
{
    frmDatePick->hide();
    ListView1->show();
    selectFirstRowAndLoad();
    m_session->setMode(WorkoutMode::Edit);
    // The row was loaded before the mode changed; what a save keeps depends on the mode.
    UpdatePaceLine();
    imgNewWorkoutLow->show();
    imgNewWorkoutLow->raise();
    imgExistingWorkoutLow->hide();
    frmWorkoutSaved->hide();
}

void frmMain::imgNewWorkout_Click()
{
    ClearEntryFields();
    frmDatePick->show();
    ListView1->hide();
    m_session->setMode(WorkoutMode::Add);
    imgNewWorkoutLow->hide();
    imgExistingWorkoutLow->show();
    imgExistingWorkoutLow->raise();
    frmWorkoutSaved->hide();
}

void frmMain::imgContinue_Click()
{
    ClearEntryFields();
    if (m_session->mode() == WorkoutMode::Add)
        imgNewWorkout_Click();
    else
        imgExistingWorkout_Click();
}

void frmMain::ClearEntryFields()
{
    for (QLineEdit* box : {tbxDistance, tbxTimeHrs, tbxTimeMins, tbxTimeSecs, tbxWeight, tbxCalories})
        box->clear();
}

void frmMain::ShowSavedPanel()
{
    imgNewWorkoutLow->hide();
    imgExistingWorkoutLow->hide();
    frmWorkoutSaved->show();
    frmWorkoutSaved->raise();
}

void frmMain::CheckWorkoutDate()
{
    const QDate chosen = calMain->selectedDate();
    if (!WorkoutDateAllowed(m_services.clock.today(), chosen)) {
        m_services.dialogs.critical(this, kTooLateTitle, kTooLateText);
        return;
    }
    lblWorkoutDte->setText(WorkoutDateLabel(chosen, DTPicker1->time(), m_services.locale));
}

void frmMain::imgSave_Click()
{
    // Under the saved panel the fields already hold the workout the rebuilt list loaded, which the
    // user has not seen: a second click (a double-click) would write those values.
    if (!frmWorkoutSaved->isHidden())
        return;
    SaveEntries entries{{tbxDistance->text(), tbxTimeHrs->text(), tbxTimeMins->text(), tbxTimeSecs->text(),
                            tbxWeight->text(), tbxCalories->text()},
        optMiles->isChecked(), optPounds->isChecked(), calMain->selectedDate(), DTPicker1->time()};
    const bool iPodSelected = cbxiPodDrv->currentIndex() >= 0 && cbxiPodDrv->currentText() != kNoIPodsFound;
    const SaveOutcome outcome = m_session->save(entries, iPodSelected, m_services.clock.today());
    for (const auto& [box, text] :
        {std::pair{tbxDistance, &outcome.rewritten.distance}, std::pair{tbxTimeHrs, &outcome.rewritten.hours},
            std::pair{tbxTimeMins, &outcome.rewritten.minutes}, std::pair{tbxTimeSecs, &outcome.rewritten.seconds}})
        if (*text)
            box->setText(**text);
    if (outcome.message)
        m_services.dialogs.critical(this, outcome.message->title, outcome.message->text);
    if (outcome.sourceChanged) {
        // The file as it is now takes the place of what the user changed; a file that is gone
        // takes its row with it.
        const StoredWorkout* file
            = FileAt(m_session->currentIPod(), m_session->selectedSensorIndex(), m_session->selectedFileIndex());
        if (file && m_services.fileSystem.fileExists(file->fullPath()))
            LoadWorkoutEntry(m_session->selectedSensorIndex(), m_session->selectedFileIndex());
        else
            cbxiPodDrv_Click();
    }
    if (outcome.saved) {
        ShowSavedPanel();
        cbxiPodDrv_Click();
    }
}

void frmMain::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_background);
}

void frmMain::mousePressEvent(QMouseEvent* event)
{
    // Wayland does not let a window place itself; the compositor moves it instead.
    if (OnWayland() && windowHandle()) {
        windowHandle()->startSystemMove();
        return;
    }
    m_dragging = true;
    m_pressPoint = event->position();
}

void frmMain::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging)
        return;
    move(pos() + (event->position() - m_pressPoint).toPoint());
}

void frmMain::mouseReleaseEvent(QMouseEvent*)
{
    m_dragging = false;
}

} // namespace paceforge
