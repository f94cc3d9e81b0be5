#include "RestoreDialog.h"

#include "DialogLook.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace paceforge {

namespace {

// As many decimals as the workout files hold.
constexpr int kDistanceDecimals = 4;

} // namespace

RestoreDialog::RestoreDialog(const QString& workoutName, std::vector<BackupEntry> backups, const Backups& store,
    std::optional<DistanceUnit> unit, QWidget* parent)
    : QDialog(parent),
      m_backups(std::move(backups))
{
    setObjectName(QStringLiteral("dlgRestore"));
    setWindowTitle(QStringLiteral("Restore Previous Version"));
    setModal(true);
    ApplyDialogLook(this);
    std::stable_sort(m_backups.begin(), m_backups.end(), NewerBackupFirst);

    auto* name = new QLabel(QStringLiteral("Earlier versions of %1:").arg(workoutName), this);
    name->setObjectName(QStringLiteral("lblWorkoutName"));
    name->setTextFormat(Qt::PlainText);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("lstBackups"));
    m_list->setHeaderLabels({QStringLiteral("When taken"), QStringLiteral("Distance"), QStringLiteral("Duration")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setAlternatingRowColors(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    for (std::size_t i = 0; i < m_backups.size(); ++i) {
        const BackupSummary summary = store.summary(m_backups[i]);
        QString distance = summary.distance;
        if (unit && summary.distanceKm)
            distance = QString::fromStdString(DistanceIn(*summary.distanceKm, *unit).toFixedString(kDistanceDecimals))
                + u' ' + UnitSymbol(*unit);
        auto* item = new QTreeWidgetItem(m_list, {summary.taken, distance, summary.duration});
        item->setData(0, Qt::UserRole, static_cast<qulonglong>(i));
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    }
    // Measured in the look's fonts, which a widget takes on only when it is polished.
    m_list->ensurePolished();
    m_list->header()->ensurePolished();
    for (int column = 0; column < m_list->columnCount(); ++column)
        m_list->resizeColumnToContents(column);
    // The spare width goes after the columns, not into the last one, whose figures would then
    // stand far from their heading.
    m_list->header()->setStretchLastSection(false);
    m_list->headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    m_list->headerItem()->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);

    m_restore = new QPushButton(QStringLiteral("Restore"), this);
    m_restore->setObjectName(QStringLiteral("cmdRestore"));
    m_restore->setEnabled(false);
    m_restore->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(m_restore, QDialogButtonBox::AcceptRole);
    buttons->addButton(cancel, QDialogButtonBox::RejectRole);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this,
        [this] { m_restore->setEnabled(!m_list->selectedItems().isEmpty()); });
    // Enter on a row that only has the focus frame must not restore it.
    connect(m_list, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        if (item && item->isSelected())
            accept();
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(name);
    layout->addWidget(m_list);
    layout->addWidget(buttons);

    name->setStyleSheet(QStringLiteral("font-weight: bold;"));
    resize(480, 300);
}

std::optional<BackupEntry> RestoreDialog::chosen() const
{
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty())
        return std::nullopt;
    return m_backups.at(selected.front()->data(0, Qt::UserRole).toULongLong());
}

} // namespace paceforge
