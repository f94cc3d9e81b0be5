#include "WorkoutListModel.h"

namespace paceforge {

const std::vector<CatalogueRow> WorkoutListModel::kNoRows;

void WorkoutListModel::setRows(const std::vector<CatalogueRow>& rows)
{
    beginResetModel();
    m_rows = &rows;
    m_toolTips.assign(m_rows->size(), std::nullopt);
    endResetModel();
}

void WorkoutListModel::setToolTipSource(std::function<QString(const CatalogueRow&)> source)
{
    m_toolTipSource = std::move(source);
    m_toolTips.assign(m_rows->size(), std::nullopt);
}

int WorkoutListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows->size());
}

int WorkoutListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 3;
}

QVariant WorkoutListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const auto at = static_cast<std::size_t>(index.row());
    const CatalogueRow& r = (*m_rows)[at];
    if (role == Qt::ToolTipRole && m_toolTipSource) {
        if (!m_toolTips[at])
            m_toolTips[at] = m_toolTipSource(r);
        return m_toolTips[at]->isEmpty() ? QVariant() : QVariant(*m_toolTips[at]);
    }
    if (role != Qt::DisplayRole)
        return {};
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
