#include "CorrectDistanceDialog.h"

#include "DarkStyle.h"
#include "Dialogs.h"
#include "HistoryWindow.h"

#include "platform/FileSystem.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <numeric>

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

CorrectDistanceDialog::CorrectDistanceDialog(
    std::vector<HistoryEntry> runs, DistanceUnit unit, Services services, QWidget* parent)
    : QDialog(parent),
      m_runs(std::move(runs)),
      m_unit(unit),
      m_services(std::move(services)),
      m_debounce(new QTimer(this))
{
    setObjectName(QStringLiteral("dlgCorrectDistance"));
    setWindowTitle(QStringLiteral("Correct Distance"));
    setWindowModality(Qt::WindowModal);
    setStyle(DarkStyle::instance());
    setStyleSheet(HistoryStyleSheet());
    std::vector<std::size_t> all(m_runs.size());
    std::iota(all.begin(), all.end(), std::size_t{0});
    m_correctionRuns = WorkoutsOf(m_runs, all);

    const QString symbol = UnitSymbol(m_unit);
    auto* intro = new QLabel(
        QStringLiteral("Scale the distance of %1 by one factor, as when the foot sensor was calibrated wrong. "
                       "Nothing is written before Apply; each file replaced is kept as a backup first.")
            .arg(m_runs.size() == 1 ? QStringLiteral("the selected run")
                                    : QStringLiteral("the %1 selected runs").arg(m_runs.size())),
        this);
    intro->setObjectName(QStringLiteral("lblIntro"));
    intro->setWordWrap(true);

    m_byTrueDistance = new QRadioButton(QStringLiteral("The true distance of the run of"), this);
    m_byTrueDistance->setObjectName(QStringLiteral("optTrueDistance"));
    m_reference = new QComboBox(this);
    m_reference->setObjectName(QStringLiteral("cbxReferenceRun"));
    m_reference->setAccessibleName(QStringLiteral("Run whose true distance you know"));
    for (const HistoryEntry& entry : m_runs)
        m_reference->addItem(
            QStringLiteral("%1 (%2 %3)")
                .arg(runName(entry.start),
                    QString::fromStdString(DistanceIn(entry.distanceKm, m_unit).toFixedString(2)), symbol));
    m_trueDistance = new QLineEdit(this);
    m_trueDistance->setObjectName(QStringLiteral("tbxTrueDistance"));
    m_trueDistance->setAccessibleName(QStringLiteral("True distance"));
    m_trueDistance->setPlaceholderText(symbol);
    m_byPercent = new QRadioButton(QStringLiteral("Every distance times"), this);
    m_byPercent->setObjectName(QStringLiteral("optPercent"));
    m_byPercent->setChecked(true);
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
    const int widths[] = {150, 120, 120, 120, 120};
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
    layout->addWidget(intro);
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
    resize(860, 460);
    preview();
}

QString CorrectDistanceDialog::runName(const StartTime& start) const
{
    return QStringLiteral("%1 %2").arg(
        start.date.toString(Qt::ISODate), m_services.locale.toString(start.time, QLocale::ShortFormat));
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
    m_plan = PlanCorrection(m_correctionRuns, *chosen, m_services.fileSystem, {}, &m_services.backups.alteredSignatures());
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
            cell(row, 0, FileNameOf(run.source));
            cell(row, 5, *run.problem);
            continue;
        }
        ++ready;
        cell(row, 0, runName(run.start));
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
            lines << QStringLiteral("  ") + FileNameOf(file);
    }
    if (report.cancelled)
        lines << QStringLiteral("The correction was cancelled before the runs below.");
    if (!report.notDone.empty()) {
        lines << QStringLiteral("Not corrected:");
        for (const CorrectionReport::NotDone& skipped : report.notDone)
            lines << QStringLiteral("  ") + skipped.reason;
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
