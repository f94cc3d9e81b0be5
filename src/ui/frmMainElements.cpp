// How the window's elements are made, placed and drawn.
#include "frmMain.h"
#include "frmMainParts.h"

#include "Artwork.h"
#include "DarkStyle.h"
#include "ImageButton.h"
#include "WorkoutListModel.h"

#include "platform/Clock.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTextCharFormat>
#include <QTimeEdit>
#include <QTreeView>

namespace paceforge {
namespace window {

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

} // namespace window

using namespace window;

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

} // namespace paceforge
