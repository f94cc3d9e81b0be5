#include "CorrectDistanceDialog.h"

#include "DarkStyle.h"
#include "Dialogs.h"
#include "HistoryWindow.h"

#include "platform/FileSystem.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <numeric>
#include <set>

namespace paceforge {
namespace {

// Past this many runs the preview waits for a pause in the typing: it reads every file.
constexpr std::size_t kImmediatePreviewRuns = 50;
constexpr int kPreviewPauseMilliseconds = 300;

QString FileNameOf(const std::filesystem::path& path)
{
    return QString::fromStdString(path.filename().string());
}

} // namespace

CorrectDistanceDialog::CorrectDistanceDialog(CorrectionRuns runs, DistanceUnit unit, Services services, QWidget* parent)
    : QDialog(parent),
      m_choices(std::move(runs)),
      m_unit(unit),
      m_services(std::move(services)),
      m_debounce(new QTimer(this))
{
    setObjectName(QStringLiteral("dlgCorrectDistance"));
    setWindowTitle(QStringLiteral("Correct Distance"));
    setWindowModality(Qt::WindowModal);
    setStyle(DarkStyle::instance());
    setStyleSheet(HistoryStyleSheet());

    const QString symbol = UnitSymbol(m_unit);
    m_intro = new QLabel(this);
    m_intro->setObjectName(QStringLiteral("lblIntro"));
    m_intro->setWordWrap(true);

    const std::size_t selected = m_choices.selected.size();
    m_selectedRuns = new QRadioButton(
        selected == 1 ? QStringLiteral("The selected run") : QStringLiteral("The %1 selected runs").arg(selected),
        this);
    m_selectedRuns->setObjectName(QStringLiteral("optSelectedRuns"));
    m_selectedRuns->setChecked(true);
    m_sensorRuns = new QRadioButton(QStringLiteral("Every run in the history's date range of the sensor"), this);
    m_sensorRuns->setObjectName(QStringLiteral("optSensorRuns"));
    m_sensor = new QComboBox(this);
    m_sensor->setObjectName(QStringLiteral("cbxSensor"));
    m_sensor->setAccessibleName(QStringLiteral("Sensor whose runs to correct"));
    std::set<std::string> sensors;
    for (const HistoryEntry& entry : m_choices.inRange)
        sensors.insert(entry.file.sensor);
    for (const std::string& sensor : sensors) {
        const QString folder = QString::fromStdString(sensor);
        const auto given = m_choices.sensorNames.find(sensor);
        m_sensor->addItem(
            given == m_choices.sensorNames.end() ? folder : QStringLiteral("%1 (%2)").arg(given->second, folder),
            folder);
    }
    if (selected > 0)
        m_sensor->setCurrentIndex(
            std::max(0, m_sensor->findData(QString::fromStdString(m_choices.selected.front().file.sensor))));
    // The choice of runs and the choice of factor are two groups, though the buttons share a parent.
    auto* runGroup = new QButtonGroup(this);
    runGroup->addButton(m_selectedRuns);
    runGroup->addButton(m_sensorRuns);
    m_sensorRuns->setEnabled(!sensors.empty());
    m_sensor->setEnabled(!sensors.empty());
    auto* which = new QGridLayout;
    which->addWidget(m_selectedRuns, 0, 0);
    which->addWidget(m_sensorRuns, 1, 0);
    which->addWidget(m_sensor, 1, 1);
    which->setColumnStretch(2, 1);

    m_byTrueDistance = new QRadioButton(QStringLiteral("The true distance of the run of"), this);
    m_byTrueDistance->setObjectName(QStringLiteral("optTrueDistance"));
    m_reference = new QComboBox(this);
    m_reference->setObjectName(QStringLiteral("cbxReferenceRun"));
    m_reference->setAccessibleName(QStringLiteral("Run whose true distance you know"));
    m_trueDistance = new QLineEdit(this);
    m_trueDistance->setObjectName(QStringLiteral("tbxTrueDistance"));
    m_trueDistance->setAccessibleName(QStringLiteral("True distance"));
    m_trueDistance->setPlaceholderText(symbol);
    m_byPercent = new QRadioButton(QStringLiteral("Every distance times"), this);
    m_byPercent->setObjectName(QStringLiteral("optPercent"));
    m_byPercent->setChecked(true);
    auto* factorGroup = new QButtonGroup(this);
    factorGroup->addButton(m_byTrueDistance);
    factorGroup->addButton(m_byPercent);
    m_percent = new QLineEdit(this);
    m_percent->setObjectName(QStringLiteral("tbxPercent"));
    m_percent->setAccessibleName(QStringLiteral("Factor in percent"));
    m_percent->setPlaceholderText(QStringLiteral("104"));
    m_factor = new QLabel(this);
    m_factor->setObjectName(QStringLiteral("lblFactor"));

    auto* choices = new QGridLayout;
    choices->addWidget(m_byTrueDistance, 0, 0);
    choices->addWidget(m_reference, 0, 1);
    choices->addWidget(new QLabel(QStringLiteral("was"), this), 0, 2);
    choices->addWidget(m_trueDistance, 0, 3);
    choices->addWidget(new QLabel(symbol, this), 0, 4);
    choices->addWidget(m_byPercent, 1, 0);
    choices->addWidget(m_percent, 1, 3);
    choices->addWidget(new QLabel(QStringLiteral("% (104 makes every run 4 % longer)"), this), 1, 4);
    choices->setColumnStretch(5, 1);

    m_preview = new QTableWidget(0, 6, this);
    m_preview->setObjectName(QStringLiteral("tblPreview"));
    m_preview->setAccessibleName(QStringLiteral("Preview"));
    m_preview->setHorizontalHeaderLabels({QStringLiteral("Run"), QStringLiteral("Distance now (%1)").arg(symbol),
        QStringLiteral("New distance (%1)").arg(symbol), QStringLiteral("Pace now (min/%1)").arg(symbol),
        QStringLiteral("New pace (min/%1)").arg(symbol), QStringLiteral("Note")});
    m_preview->verticalHeader()->hide();
    m_preview->verticalHeader()->setDefaultSectionSize(m_preview->fontMetrics().height() + 8);
    m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_preview->setSelectionMode(QAbstractItemView::NoSelection);
    m_preview->setAlternatingRowColors(true);
    m_preview->setShowGrid(false);
    m_preview->horizontalHeader()->setStretchLastSection(true);
    // A run is named by its start and its file: the column holds both whole.
    const int runWidth = m_preview->fontMetrics().horizontalAdvance(
                             m_services.locale.toString(QDateTime({2009, 12, 31}, {12, 59}), QLocale::ShortFormat)
                             + QStringLiteral("  2009-12-31 12;59;59.xml"))
        + 16;
    const int widths[] = {runWidth, 120, 120, 120, 120};
    for (int column = 0; column < 5; ++column)
        m_preview->setColumnWidth(column, widths[column]);

    m_apply = new QPushButton(QStringLiteral("Apply"), this);
    m_apply->setObjectName(QStringLiteral("cmdApply"));
    m_apply->setEnabled(false);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(m_apply, QDialogButtonBox::AcceptRole);
    buttons->addButton(cancel, QDialogButtonBox::RejectRole);
    // Apply is pressed, not reached by Enter in a field: it writes onto the iPod.
    m_apply->setAutoDefault(false);
    cancel->setAutoDefault(false);
    connect(m_apply, &QPushButton::clicked, this, &CorrectDistanceDialog::apply);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_intro);
    layout->addLayout(which);
    layout->addLayout(choices);
    layout->addWidget(m_factor);
    layout->addWidget(m_preview, 1);
    layout->addWidget(buttons);

    m_debounce->setSingleShot(true);
    m_debounce->setInterval(kPreviewPauseMilliseconds);
    connect(m_debounce, &QTimer::timeout, this, &CorrectDistanceDialog::preview);
    for (QRadioButton* option : {m_byTrueDistance, m_byPercent})
        connect(option, &QRadioButton::toggled, this, &CorrectDistanceDialog::inputsChanged);
    for (QLineEdit* field : {m_trueDistance, m_percent})
        connect(field, &QLineEdit::textChanged, this, &CorrectDistanceDialog::inputsChanged);
    connect(m_reference, &QComboBox::currentIndexChanged, this, &CorrectDistanceDialog::inputsChanged);
    // Typing a true distance chooses that way, as typing a percent chooses the other.
    connect(m_trueDistance, &QLineEdit::textEdited, this, [this] { m_byTrueDistance->setChecked(true); });
    connect(m_reference, &QComboBox::activated, this, [this] { m_byTrueDistance->setChecked(true); });
    connect(m_percent, &QLineEdit::textEdited, this, [this] { m_byPercent->setChecked(true); });
    const auto rechoose = [this] {
        runsChanged();
        inputsChanged();
    };
    connect(m_sensorRuns, &QRadioButton::toggled, this, rechoose);
    connect(m_sensor, &QComboBox::currentIndexChanged, this, rechoose);
    // Choosing a sensor chooses its runs.
    connect(m_sensor, &QComboBox::activated, this, [this] { m_sensorRuns->setChecked(true); });
    resize(1000, 500);
    runsChanged();
    preview();
}

void CorrectDistanceDialog::runsChanged()
{
    if (m_sensorRuns->isChecked()) {
        const std::string sensor = m_sensor->currentData().toString().toStdString();
        m_runs.clear();
        for (const HistoryEntry& entry : m_choices.inRange)
            if (entry.file.sensor == sensor)
                m_runs.push_back(entry);
    } else {
        m_runs = m_choices.selected;
    }
    std::vector<std::size_t> all(m_runs.size());
    std::iota(all.begin(), all.end(), std::size_t{0});
    m_correctionRuns = WorkoutsOf(m_runs, all);
    m_intro->setText(
        QStringLiteral("Scale the distance of %1 by one factor, as when the foot sensor was calibrated wrong. "
                       "Nothing is written before Apply; each file replaced is kept as a backup first.")
            .arg(m_runs.size() == 1 ? QStringLiteral("1 run") : QStringLiteral("%1 runs").arg(m_runs.size())));
    {
        const QSignalBlocker quiet(m_reference);
        m_reference->clear();
        for (const HistoryEntry& entry : m_runs)
            m_reference->addItem(QStringLiteral("%1 (%2 %3)")
                                     .arg(runName(entry.start, entry.file.fileName),
                                         QString::fromStdString(DistanceIn(entry.distanceKm, m_unit).toFixedString(2)),
                                         UnitSymbol(m_unit)));
    }
}

QString CorrectDistanceDialog::runName(const StartTime& start, const std::string& fileName) const
{
    return QStringLiteral("%1  %2").arg(
        m_services.locale.toString(QDateTime(start.date, start.time), QLocale::ShortFormat),
        QString::fromStdString(fileName));
}

QString CorrectDistanceDialog::runName(const std::filesystem::path& file) const
{
    // A corrected run is named by its new file in latest, which bears the old one's name.
    const std::string sensor = file.parent_path().parent_path().filename().string();
    for (const HistoryEntry& entry : m_runs)
        if (entry.file.fileName == file.filename().string() && entry.file.sensor == sensor)
            return runName(entry.start, entry.file.fileName);
    return FileNameOf(file);
}

std::optional<CorrectionFactor> CorrectDistanceDialog::factor(QString* why) const
{
    const QString text = (m_byPercent->isChecked() ? m_percent : m_trueDistance)->text().trimmed();
    if (text.isEmpty()) {
        *why = m_byPercent->isChecked() ? QStringLiteral("Type the factor in percent.")
                                        : QStringLiteral("Type the true distance of the run.");
        return std::nullopt;
    }
    const auto number = Decimal::parseLocale(text, m_services.locale);
    if (!number) {
        *why = QStringLiteral("\"%1\" is not a number.").arg(text);
        return std::nullopt;
    }
    Outcome<CorrectionFactor> made = CorrectionFactor::fromPercent(*number);
    if (m_byTrueDistance->isChecked()) {
        if (m_runs.empty()) {
            *why = QStringLiteral("The sensor has no run to correct.");
            return std::nullopt;
        }
        const HistoryEntry& reference = m_runs[static_cast<std::size_t>(std::max(0, m_reference->currentIndex()))];
        made = CorrectionFactor::fromTrueDistance(*number, m_unit, reference.distanceKm);
    }
    if (!made) {
        *why = made.error();
        return std::nullopt;
    }
    return made.value();
}

void CorrectDistanceDialog::inputsChanged()
{
    m_apply->setEnabled(false);
    if (m_runs.size() > kImmediatePreviewRuns)
        m_debounce->start();
    else
        preview();
}

void CorrectDistanceDialog::preview()
{
    m_debounce->stop();
    m_plan.reset();
    m_preview->setRowCount(0);
    QString why;
    const auto chosen = factor(&why);
    if (!chosen) {
        m_factor->setText(why);
        m_apply->setEnabled(false);
        return;
    }
    m_plan
        = PlanCorrection(m_correctionRuns, *chosen, m_services.fileSystem, {}, &m_services.backups.alteredSignatures());
    int ready = 0;
    const auto cell = [this](int row, int column, const QString& text) {
        auto* item = new QTableWidgetItem(text);
        if (column >= 1 && column <= 4)
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_preview->setItem(row, column, item);
    };
    const auto pace = [this](long long durationMs, const Decimal& km) {
        const auto seconds = PaceSeconds(durationMs, km, m_unit);
        return seconds ? ClockText(*seconds) : QString();
    };
    m_preview->setRowCount(static_cast<int>(m_plan->runs.size()));
    for (int row = 0; row < static_cast<int>(m_plan->runs.size()); ++row) {
        const PlannedCorrection& run = m_plan->runs[static_cast<std::size_t>(row)];
        if (!run.ready()) {
            cell(row, 0, runName(run.source));
            cell(row, 5, *run.problem);
            continue;
        }
        ++ready;
        cell(row, 0, runName(run.start, run.run.fileName));
        cell(row, 1, QString::fromStdString(DistanceIn(run.oldDistanceKm, m_unit).toFixedString(2)));
        cell(row, 2, QString::fromStdString(DistanceIn(run.newDistanceKm, m_unit).toFixedString(2)));
        cell(row, 3, pace(run.durationMs, run.oldDistanceKm));
        cell(row, 4, pace(run.durationMs, run.newDistanceKm));
        cell(row, 5,
            run.signedByDevice ? QStringLiteral("signed by the iPod; correcting removes the proof of origin")
                               : QString());
    }
    m_factor->setText(QStringLiteral("Factor %1: %2 of %3 runs can be corrected.")
                          .arg(m_plan->factor.text())
                          .arg(ready)
                          .arg(m_plan->runs.size()));
    m_apply->setEnabled(ready > 0);
}

void CorrectDistanceDialog::apply()
{
    // The plan shown is the plan written: a preview still waiting for the typing to pause runs now.
    if (m_debounce->isActive() || !m_plan)
        preview();
    if (!m_plan || !m_apply->isEnabled())
        return;
    const int total = static_cast<int>(m_plan->runs.size());
    const auto progress = m_services.dialogs.progress(this, QStringLiteral("Correcting distances..."), total);
    const CorrectionReport report = ApplyCorrection(*m_plan, m_services.fileSystem, m_services.backups,
        [&progress](int done, int) { return progress->update(done); });
    m_plan.reset();
    m_apply->setEnabled(false);
    if (!report.done.empty())
        emit workoutsChanged();

    QStringList lines;
    lines << QStringLiteral("%1 of %2 runs corrected.").arg(report.done.size()).arg(total);
    if (!report.done.empty()) {
        lines << QStringLiteral("Corrected (each earlier version kept as a backup; \"Restore previous version\" "
                                "brings it back):");
        for (const std::filesystem::path& file : report.done)
            lines << QStringLiteral("  ") + runName(file);
    }
    if (report.cancelled)
        lines << QStringLiteral("The correction was cancelled before the runs below.");
    if (!report.notDone.empty()) {
        lines << QStringLiteral("Not corrected:");
        for (const CorrectionReport::NotDone& skipped : report.notDone)
            lines << QStringLiteral("  %1: %2").arg(runName(skipped.file), skipped.reason);
    }
    for (const QString& note : report.notes)
        lines << note;
    if (report.ok())
        m_services.dialogs.information(this, QStringLiteral("Distances Corrected"), lines.join(u'\n'));
    else
        m_services.dialogs.critical(this, QStringLiteral("Correction Stopped"), lines.join(u'\n'));
    accept();
}

} // namespace paceforge
