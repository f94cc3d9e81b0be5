#include "WorkoutListModel.h"

namespace paceforge {

void WorkoutListModel::setRows(std::vector<CatalogueRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int WorkoutListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int WorkoutListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 3;
}

QVariant WorkoutListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    const CatalogueRow& r = m_rows[static_cast<std::size_t>(index.row())];
    switch (index.column()) {
    case 0:
        return r.date;
    case 1:
        return r.time;
    default:
        return r.synched ? QStringLiteral("Yes") : QStringLiteral("No");
    }
}

QVariant WorkoutListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const QString headers[] = {QStringLiteral("Date"), QStringLiteral("Time"), QStringLiteral("Synched")};
    return section >= 0 && section < 3 ? headers[section] : QVariant();
}

// Never editable: the labels of the list are the workouts' names on the iPod.
Qt::ItemFlags WorkoutListModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

} // namespace paceforge
