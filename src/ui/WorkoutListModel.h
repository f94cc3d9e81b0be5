#pragma once

#include "store/Records.h"

#include <QAbstractTableModel>

#include <functional>
#include <optional>
#include <vector>

namespace paceforge {

// The rows of the workout list, already in their order; the list never sorts or edits them.
class WorkoutListModel final : public QAbstractTableModel
{
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    // The rows are the caller's (the session's catalogue), which must outlive them or call again.
    void setRows(const std::vector<CatalogueRow>& rows);
    void setRows(std::vector<CatalogueRow>&&) = delete;
    void clear() { setRows(kNoRows); }
    // A row's tooltip, asked for the first time the row is hovered and then kept: it may read the
    // workout's file, which the listing itself never does.
    void setToolTipSource(std::function<QString(const CatalogueRow&)> source);
    const CatalogueRow& row(int index) const { return (*m_rows)[static_cast<std::size_t>(index)]; }
    const std::vector<CatalogueRow>& rows() const { return *m_rows; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    static const std::vector<CatalogueRow> kNoRows;
    const std::vector<CatalogueRow>* m_rows = &kNoRows;
    std::function<QString(const CatalogueRow&)> m_toolTipSource;
    mutable std::vector<std::optional<QString>> m_toolTips;
};

} // namespace paceforge
