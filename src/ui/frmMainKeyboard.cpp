// How the keyboard reaches every element of the window, in the order the eye reads it.
#include "frmMain.h"
#include "frmMainParts.h"

#include "ImageButton.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QFocusFrame>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QShortcut>
#include <QTimeEdit>
#include <QTreeView>

#include <algorithm>

namespace paceforge {
namespace window {

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

} // namespace window

using namespace window;

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

} // namespace paceforge
