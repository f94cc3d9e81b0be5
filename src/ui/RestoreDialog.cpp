#include "RestoreDialog.h"

#include "Artwork.h"

#include <QColor>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace paceforge {

RestoreDialog::RestoreDialog(
    const QString& workoutName, std::vector<BackupEntry> backups, const Backups& store, QWidget* parent)
    : QDialog(parent),
      m_backups(std::move(backups))
{
    setObjectName(QStringLiteral("dlgRestore"));
    setWindowTitle(QStringLiteral("Restore Previous Version"));
    setModal(true);
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
        auto* item = new QTreeWidgetItem(m_list, {summary.taken, summary.distance, summary.duration});
        item->setData(0, Qt::UserRole, static_cast<qulonglong>(i));
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    }
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

    const QString accent = artwork::accentColor().name();
    const QString text = artwork::panelTextColor().name();
    setStyleSheet(QStringLiteral(
        "QDialog { background: #1A1D22; }"
        "QLabel { color: %2; font-weight: bold; }"
        "QTreeWidget { background: #0D0F12; color: %2; border: 1px solid #3A3F48;"
        "  alternate-background-color: #15181D; selection-background-color: %1; selection-color: #111; }"
        "QHeaderView::section { background: #23272E; color: %2; border: 0; border-right: 1px solid #3A3F48;"
        "  padding: 2px 4px; font-weight: bold; }"
        "QPushButton { background: #23272E; color: %2; border: 1px solid #3A3F48; border-radius: 3px;"
        "  padding: 4px 14px; }"
        "QPushButton:default { border-color: %1; }"
        "QPushButton:hover { border-color: %1; }"
        "QPushButton:disabled { color: #5A606B; border-color: #2C3038; }")
                      .arg(accent, text));
    resize(480, 300);
}

std::optional<BackupEntry> RestoreDialog::chosen() const
{
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty())
        return std::nullopt;
    return m_backups.at(selected.front()->data(0, Qt::UserRole).toULongLong());
}

std::optional<BackupEntry> RestoreDialog::ask(
    const QString& workoutName, std::vector<BackupEntry> backups, const Backups& store, QWidget* parent)
{
    RestoreDialog dialog(workoutName, std::move(backups), store, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.chosen();
}

} // namespace paceforge
