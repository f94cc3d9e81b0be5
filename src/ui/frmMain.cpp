#include "frmMain.h"

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
#include "compose/PacePreview.h"
#include "compose/Random.h"
#include "compose/SaveWorkout.h"
#include "workout/WorkoutSummary.h"
#include "platform/Clock.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "store/Catalogue.h"
#include "store/iPodScan.h"
#include "templates/DateRule.h"
#include "templates/TemplateWorkout.h"
#include "templates/WorkoutLoader.h"
#include "workout/Units.h"
#include "workout/WorkoutFormat.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QFile>
#include <QFocusFrame>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStringList>
#include <QTextCharFormat>
#include <QTimeEdit>
#include <QTreeView>
#include <QWindow>

#include <algorithm>

namespace paceforge {
namespace {

const QString kProgramTitle = QStringLiteral("Paceforge");

// Elements are pressed, typed into and clicked; only the bare background moves the window.
template <typename W> W* Element(W* widget, const char* name, QRect geometry)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    widget->setAttribute(Qt::WA_NoMousePropagation);
    return widget;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, QRect geometry)
{
    auto* label = Element(new QLabel(text, parent), name, geometry);
    label->setWordWrap(geometry.height() > 30);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QFrame* MakeFrame(QWidget* parent, const char* name, QRect geometry)
{
    auto* frame = Element(new QFrame(parent), name, geometry);
    frame->setFrameShape(QFrame::NoFrame);
    return frame;
}

QLineEdit* MakeTextBox(QWidget* parent, const char* name, QRect geometry)
{
    return Element(new QLineEdit(parent), name, geometry);
}

QRadioButton* MakeOption(QWidget* parent, const char* name, const QString& text, QRect geometry, bool selected)
{
    auto* option = Element(new QRadioButton(text, parent), name, geometry);
    option->setChecked(selected);
    return option;
}

ImageButton* MakeButton(QWidget* parent, const char* name, QRect geometry, artwork::Glyph glyph, ArtworkCache& artwork)
{
    return Element(new ImageButton(artwork.buttonFace(glyph, geometry.size(), false),
                       artwork.buttonFace(glyph, geometry.size(), true), parent),
        name, geometry);
}

ImageButton* MakeTab(
    QWidget* parent, const char* name, QRect geometry, const QString& caption, bool active, ArtworkCache& artwork)
{
    const QPixmap face = artwork.tabFace(caption, geometry.size(), active);
    return Element(new ImageButton(face, face, parent), name, geometry);
}

bool OnWayland()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

const QKeySequence kSaveKeys(Qt::CTRL | Qt::Key_S);
const QKeySequence kRefreshKeys(Qt::Key_F5);
const QKeySequence kNewKeys(Qt::CTRL | Qt::Key_N);
const QKeySequence kExistingKeys(Qt::CTRL | Qt::Key_E);
const QKeySequence kHelpKeys(Qt::Key_F1);
const QKeySequence kCloseKeys(Qt::CTRL | Qt::Key_Q);
const QKeySequence kHistoryKeys(Qt::CTRL | Qt::Key_H);

QString WithKeys(const QString& text, const QKeySequence& keys)
{
    return QStringLiteral("%1 (%2)").arg(text, keys.toString(QKeySequence::NativeText));
}

bool IsWindowShortcut(const QKeyEvent* event)
{
    const QKeySequence pressed(event->keyCombination());
    for (const QKeySequence& keys :
        {kSaveKeys, kRefreshKeys, kNewKeys, kExistingKeys, kHelpKeys, kCloseKeys, kHistoryKeys})
        if (pressed == keys)
            return true;
    return false;
}

bool IsActivationKey(const QKeyEvent* event)
{
    const int key = event->key();
    return (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space)
        && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

// Each pair of radio buttons is one Tab stop, at the chosen one; the arrow keys move within it.
// Qt does this itself when a button takes the focus, but counts the pair inside Frame1 into the
// group of Miles/Kilometers, taking it out of the Tab order; so the stops are set again afterwards.
void SetUnitStops(std::initializer_list<QRadioButton*> radios)
{
    for (QRadioButton* radio : radios)
        radio->setFocusPolicy(radio->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
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
    // The history listens to the session's catalogue, which goes before the window's children.
    delete m_history;
}

void frmMain::buildElements(ArtworkCache& artwork)
{
    imgWebsite = MakeButton(this, "imgWebsite", {26, 17, 110, 22}, artwork::Glyph::Website, artwork);
    imgMinimize = MakeButton(this, "imgMinimize", {665, 16, 17, 17}, artwork::Glyph::Minimize, artwork);
    imgClose = MakeButton(this, "imgClose", {688, 16, 17, 17}, artwork::Glyph::Close, artwork);
    imgNewWorkout = MakeTab(this, "imgNewWorkout", {56, 65, 142, 37}, QStringLiteral("New"), true, artwork);
    imgExistingWorkout
        = MakeTab(this, "imgExistingWorkout", {203, 65, 142, 38}, QStringLiteral("Existing"), true, artwork);
    imgNewWorkoutLow = MakeTab(this, "imgNewWorkoutLow", {0, 0, 142, 37}, QStringLiteral("New"), false, artwork);
    imgNewWorkoutLow->hide();
    imgExistingWorkoutLow
        = MakeTab(this, "imgExistingWorkoutLow", {0, 0, 142, 38}, QStringLiteral("Existing"), false, artwork);
    imgExistingWorkoutLow->hide();
    lblWorkoutDte = MakeLabel(this, "lblWorkoutDte", QString(), {516, 79, 162, 18});
    lblWorkoutDte->setWordWrap(false);

    Frame2 = MakeFrame(this, "Frame2", {57, 116, 243, 34});
    cbxiPodDrv = Element(new QComboBox(Frame2), "cbxiPodDrv", {5, 8, 203, 21});
    imgRefresh = MakeButton(Frame2, "imgRefresh", {216, 9, 17, 18}, artwork::Glyph::Refresh, artwork);

    frmDatePick = MakeFrame(this, "frmDatePick", {59, 150, 251, 209});
    frmDatePick->hide();
    calMain = Element(new QCalendarWidget(frmDatePick), "calMain", {2, 8, 249, 166});
    calMain->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    calMain->setHorizontalHeaderFormat(QCalendarWidget::SingleLetterDayNames);
    calMain->setGridVisible(false);
    {
        const QSignalBlocker quiet(calMain);
        calMain->setSelectedDate(m_services.clock.today());
    }
    DTPicker1 = Element(new QTimeEdit(frmDatePick), "DTPicker1", {11, 181, 240, 21});
    DTPicker1->setDisplayFormat(QStringLiteral("h:mm:ss AP"));

    ListView1 = Element(new QTreeView(this), "ListView1", {58, 162, 264, 196});
    m_listModel = new WorkoutListModel(ListView1);
    ListView1->setModel(m_listModel);
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setItemsExpandable(false);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->header()->setSectionsMovable(false);
    ListView1->header()->setStretchLastSection(false);
    ListView1->hide();

    frmWorkout = MakeFrame(this, "frmWorkout", {367, 114, 327, 192});
    MakeLabel(frmWorkout, "lblDistance", QStringLiteral("Distance:"), {5, 32, 74, 18});
    tbxDistance = MakeTextBox(frmWorkout, "tbxDistance", {60, 26, 97, 23});
    optMiles = MakeOption(frmWorkout, "optMiles", QStringLiteral("Miles"), {171, 30, 50, 15}, true);
    optKilometers = MakeOption(frmWorkout, "optKilometers", QStringLiteral("Kilometers"), {236, 27, 74, 21}, false);
    MakeLabel(frmWorkout, "lblTime", QStringLiteral("Time:"), {23, 67, 42, 18});
    tbxTimeHrs = MakeTextBox(frmWorkout, "tbxTimeHrs", {60, 62, 32, 23});
    MakeLabel(frmWorkout, "lblHours", QStringLiteral("Hours"), {96, 66, 62, 20});
    tbxTimeMins = MakeTextBox(frmWorkout, "tbxTimeMins", {138, 62, 32, 23});
    MakeLabel(frmWorkout, "lblMinutes", QStringLiteral("Minutes"), {173, 66, 62, 20});
    tbxTimeSecs = MakeTextBox(frmWorkout, "tbxTimeSecs", {225, 62, 32, 23});
    MakeLabel(frmWorkout, "lblSeconds", QStringLiteral("Seconds"), {261, 66, 62, 20});
    MakeLabel(frmWorkout, "lblWeight", QStringLiteral("Weight:"), {13, 103, 74, 18});
    tbxWeight = MakeTextBox(frmWorkout, "tbxWeight", {60, 99, 97, 23});
    Frame1 = MakeFrame(frmWorkout, "Frame1", {166, 96, 143, 35});
    optPounds = MakeOption(Frame1, "optPounds", QStringLiteral("Pounds"), {5, 10, 59, 16}, true);
    optKilograms = MakeOption(Frame1, "optKilograms", QStringLiteral("Kilograms"), {71, 10, 68, 18}, false);
    MakeLabel(frmWorkout, "lblCalories", QStringLiteral("Calories:"), {10, 140, 74, 18});
    tbxCalories = MakeTextBox(frmWorkout, "tbxCalories", {60, 135, 97, 23});

    imgSave = MakeButton(this, "imgSave", {383, 340, 104, 26}, artwork::Glyph::Save, artwork);

    frmWorkoutSaved = MakeFrame(this, "frmWorkoutSaved", {0, 0, 340, 222});
    frmWorkoutSaved->hide();
    MakeLabel(frmWorkoutSaved, "lblSaved", QStringLiteral("Workout Saved!"), {12, 14, 104, 36})->setWordWrap(false);
    MakeLabel(frmWorkoutSaved, "lblSyncHint",
        QStringLiteral("Please syncronize your ipod now  in order to implement the changes, or you can wait "
                       "till you are finished   adding / editing more workouts. "),
        {30, 55, 261, 47});
    MakeLabel(frmWorkoutSaved, "lblContinueHint", QStringLiteral("Click Continue to create or edit another workout."),
        {30, 107, 261, 47});
    imgContinue = MakeButton(frmWorkoutSaved, "imgContinue", {179, 170, 105, 31}, artwork::Glyph::Continue, artwork);
}

void frmMain::applyStyle()
{
    const QString accent = artwork::accentColor().name();
    const QString text = artwork::panelTextColor().name();
    const QString own = QStringLiteral(
        "QLabel { color: %2; background: transparent; font-size: 11px; }"
        "QLabel#lblWorkoutDte { font-weight: bold; font-size: 11px; }"
        "QFrame#frmWorkoutSaved QLabel { font-size: 10px; }"
        "QFrame#frmWorkoutSaved QLabel#lblSaved { font-weight: bold; font-size: 11px; }"
        "QLineEdit { background: #0D0F12; color: %2; border: 1px solid #3A3F48; border-radius: 3px;"
        "  padding: 0 4px; font-size: 11px; selection-background-color: %1; }"
        "QLineEdit:focus, QComboBox:focus, QComboBox:on, QTimeEdit:focus, QTreeView:focus { border-color: %1; }"
        "QRadioButton { color: %2; background: transparent; font-size: 11px; spacing: 3px; }"
        "QRadioButton::indicator { width: 9px; height: 9px; border-radius: 5px; border: 1px solid #8A919C;"
        "  background: #0D0F12; }"
        "QRadioButton::indicator:checked { border-color: %1; background: qradialgradient(cx:0.5, cy:0.5,"
        "  radius:0.5, fx:0.5, fy:0.5, stop:0 %1, stop:0.5 %1, stop:0.6 #0D0F12); }"
        "QFrame#frmWorkoutSaved { background: #1A1D22; border: 1px solid %1; border-radius: 10px; }"
        "QComboBox { background: #0D0F12; color: %2; border: 1px solid #3A3F48; border-radius: 3px;"
        "  padding: 0 4px; font-size: 11px; }"
        "QComboBox QAbstractItemView { background: #1A1D22; color: %2; selection-background-color: %1;"
        "  border: 1px solid #3A3F48; }"
        "QTreeView { background: #0D0F12; color: %2; border: 1px solid #3A3F48; font-size: 10px;"
        "  alternate-background-color: #15181D; selection-background-color: %1; selection-color: #111; }"
        "QHeaderView { background: #23272E; }"
        "QHeaderView::section { background: #23272E; color: %2; border: 0; border-right: 1px solid #3A3F48;"
        "  padding: 2px 3px; font-size: 10px; font-weight: bold; }"
        "QTreeView::item { padding: 0 1px; }"
        "QTimeEdit { background: #0D0F12; color: %2; border: 1px solid #3A3F48; border-radius: 3px;"
        "  padding: 0 4px; font-size: 12px; }"
        "QTimeEdit::up-button { subcontrol-origin: padding; subcontrol-position: top right; width: 14px; }"
        "QTimeEdit::down-button { subcontrol-origin: padding; subcontrol-position: bottom right; width: 14px; }"
        "QCalendarWidget { font-size: 11px; }"
        "QCalendarWidget QToolButton:hover { background: #2E333B; border-radius: 3px; }"
        "QCalendarWidget QSpinBox { background: #0D0F12; color: %2; border: 1px solid %1; border-radius: 3px;"
        "  selection-background-color: %1; selection-color: #111; }")
                            .arg(accent, text);
    setStyleSheet(own + DarkSheetSharedRules(10));
}

void frmMain::styleElements()
{
    ListView1->setAlternatingRowColors(true);
    // The step buttons are drawn raised in these colours; in the field's own they lie flat.
    QPalette flat = DTPicker1->palette();
    for (QPalette::ColorRole role :
        {QPalette::Button, QPalette::Light, QPalette::Midlight, QPalette::Mid, QPalette::Dark, QPalette::Shadow})
        flat.setColor(role, QColor(0x0D, 0x0F, 0x12));
    DTPicker1->setPalette(flat);
    if (auto* year = calMain->findChild<QSpinBox*>(QStringLiteral("qt_calendar_yearedit")))
        year->setPalette(flat);

    QTextCharFormat header;
    header.setForeground(artwork::panelTextColor());
    header.setBackground(QColor(0x23, 0x27, 0x2E));
    calMain->setHeaderTextFormat(header);
    QTextCharFormat weekend;
    weekend.setForeground(artwork::accentColor());
    calMain->setWeekdayTextFormat(Qt::Saturday, weekend);
    calMain->setWeekdayTextFormat(Qt::Sunday, weekend);
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
            lines << QStringLiteral("signed by the iPod; editing removes the proof of origin");
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

void frmMain::setUpKeyboard()
{
    // Tab follows the screen from the drive selector to Save and on round the header; hidden
    // elements are skipped, so the list takes the calendar's place on the Existing screen.
    m_tabStops = {cbxiPodDrv, imgRefresh, ListView1, calMain, DTPicker1, tbxDistance, optMiles, optKilometers,
        tbxTimeHrs, tbxTimeMins, tbxTimeSecs, tbxWeight, optPounds, optKilograms, tbxCalories, imgSave, imgContinue,
        imgWebsite, imgMinimize, imgClose, imgNewWorkout, imgNewWorkoutLow, imgExistingWorkout, imgExistingWorkoutLow};
    for (std::size_t i = 1; i < m_tabStops.size(); ++i)
        setTabOrder(m_tabStops[i - 1], m_tabStops[i]);
    const auto unitStops = [this] { SetUnitStops({optMiles, optKilometers, optPounds, optKilograms}); };
    unitStops();
    for (QRadioButton* radio : {optMiles, optPounds})
        connect(radio, &QRadioButton::toggled, this, unitStops);
    // A dimmed tab lies over the active face of the same tab: only the one on top is a Tab stop.
    imgNewWorkoutLow->installEventFilter(this);
    imgExistingWorkoutLow->installEventFilter(this);

    const auto shortcut = [this](const QKeySequence& keys, auto slot) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, slot);
    };
    shortcut(kSaveKeys, &frmMain::imgSave_Click);
    shortcut(kRefreshKeys, &frmMain::imgRefresh_Click);
    shortcut(kNewKeys, &frmMain::imgNewWorkout_Click);
    shortcut(kExistingKeys, &frmMain::imgExistingWorkout_Click);
    shortcut(kHelpKeys, &frmMain::imgWebsite_Click);
    shortcut(kCloseKeys, &QWidget::close);
    for (QLineEdit* box : {tbxDistance, tbxTimeHrs, tbxTimeMins, tbxTimeSecs, tbxWeight, tbxCalories}) {
        connect(box, &QLineEdit::returnPressed, this, &frmMain::imgSave_Click);
        box->installEventFilter(this);
    }
    DTPicker1->installEventFilter(this);
    ListView1->installEventFilter(this);
    cbxiPodDrv->installEventFilter(this);

    m_focusRing = new QFocusFrame(this);
    m_focusWatch = connect(qApp, &QApplication::focusChanged, this, [this, unitStops](QWidget*, QWidget* now) {
        auto* button = qobject_cast<ImageButton*>(now);
        m_focusRing->setWidget(button && isAncestorOf(button) ? button : nullptr);
        if (qobject_cast<QRadioButton*>(now))
            unitStops();
    });
}

void frmMain::describeElements()
{
    imgSave->setToolTip(WithKeys(QStringLiteral("Save"), kSaveKeys));
    imgRefresh->setToolTip(WithKeys(QStringLiteral("Refresh iPod List"), kRefreshKeys));
    imgWebsite->setToolTip(WithKeys(QStringLiteral("Help"), kHelpKeys));
    imgClose->setToolTip(WithKeys(QStringLiteral("Close"), kCloseKeys));
    imgMinimize->setToolTip(QStringLiteral("Minimize"));
    imgContinue->setToolTip(QStringLiteral("Continue"));
    for (ImageButton* tab : {imgNewWorkout, imgNewWorkoutLow})
        tab->setToolTip(WithKeys(QStringLiteral("New"), kNewKeys));
    for (ImageButton* tab : {imgExistingWorkout, imgExistingWorkoutLow})
        tab->setToolTip(WithKeys(QStringLiteral("Existing"), kExistingKeys));

    const std::pair<QWidget*, const char*> names[] = {
        {imgSave, "Save"},
        {imgRefresh, "Refresh iPod list"},
        {tbxDistance, "Distance"},
        {tbxTimeHrs, "Hours"},
        {tbxTimeMins, "Minutes"},
        {tbxTimeSecs, "Seconds"},
        {tbxWeight, "Weight"},
        {tbxCalories, "Calories"},
        {cbxiPodDrv, "iPod"},
        {calMain, "Workout date"},
        {calMain->findChild<QAbstractItemView*>(QStringLiteral("qt_calendar_calendarview")), "Workout date"},
        {DTPicker1, "Start time"},
        {ListView1, "Workouts"},
        {imgWebsite, "Help"},
        {imgMinimize, "Minimize"},
        {imgClose, "Close"},
        {imgNewWorkout, "New workout"},
        {imgNewWorkoutLow, "New workout"},
        {imgExistingWorkout, "Existing workouts"},
        {imgExistingWorkoutLow, "Existing workouts"},
        {imgContinue, "Continue"},
    };
    for (const auto& [element, name] : names)
        if (element)
            element->setAccessibleName(QString::fromLatin1(name));
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    const auto* key = event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride
        ? static_cast<QKeyEvent*>(event)
        : nullptr;
    // The fields would keep some of the window's keys for themselves (Ctrl+E ends the line on X11).
    if (event->type() == QEvent::ShortcutOverride && IsWindowShortcut(key)) {
        event->ignore();
        return true;
    }
    // Tab leaves the time as it leaves any field; the arrow keys move between its parts.
    if (watched == DTPicker1 && event->type() == QEvent::KeyPress
        && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
        && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        focusNextPrevChild(key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier));
        return true;
    }
    // A volume's name seldom fits the closed box (the open list is as wide as its longest entry).
    if (watched == cbxiPodDrv && event->type() == QEvent::ToolTip)
        cbxiPodDrv->setToolTip(cbxiPodDrv->currentText());
    if (watched == ListView1 && event->type() == QEvent::KeyPress && IsActivationKey(key)) {
        const QModelIndex current = ListView1->currentIndex();
        if (current.isValid()) {
            ListView1->selectionModel()->select(
                current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            ListView1_Click();
        }
        return true;
    }
    if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent) {
        ImageButton* covered = watched == imgNewWorkoutLow ? imgNewWorkout
            : watched == imgExistingWorkoutLow             ? imgExistingWorkout
                                                           : nullptr;
        if (covered)
            covered->setFocusPolicy(event->type() == QEvent::ShowToParent ? Qt::NoFocus : Qt::TabFocus);
    }
    return QWidget::eventFilter(watched, event);
}

// The chain setTabOrder builds is kept for those who walk it, but Tab does not rely on it: Qt decides
// where compound elements (the calendar, the time) sit in it, and desktops that send Tab to text
// fields alone would skip the picture buttons.
bool frmMain::focusNextPrevChild(bool next)
{
    const auto isStop = [this](QWidget* element) {
        return element->isVisibleTo(this) && element->isEnabled() && (element->focusPolicy() & Qt::TabFocus);
    };
    QWidget* const focus = QApplication::focusWidget();
    const auto current = std::find_if(m_tabStops.begin(), m_tabStops.end(),
        [focus](QWidget* element) { return focus && (element == focus || element->isAncestorOf(focus)); });
    if (current == m_tabStops.end())
        return QWidget::focusNextPrevChild(next);
    const auto count = static_cast<std::ptrdiff_t>(m_tabStops.size());
    const std::ptrdiff_t from = current - m_tabStops.begin();
    for (std::ptrdiff_t step = 1; step < count; ++step) {
        QWidget* candidate = m_tabStops[static_cast<std::size_t>((from + (next ? step : count - step)) % count)];
        if (isStop(candidate)) {
            candidate->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return true;
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
    m_listModel->setRows({});
    if (iPodFound && position < static_cast<int>(iPodList.size())) {
        CatalogueBuild build = BuildCatalogue(iPodList[static_cast<std::size_t>(position)], m_services.fileSystem);
        m_listModel->setRows(build.rows);
        m_session->setCatalogue(build);
        if (!build.problems.empty())
            m_services.dialogs.critical(this, QStringLiteral("Workouts Missing"),
                QStringList(build.problems.begin(), build.problems.end()).join(u'\n')
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
