#pragma once

#include "history/HistoryTotals.h"
#include "history/WorkoutHistory.h"
#include "workout/RunFigures.h"

#include <QAbstractTableModel>
#include <QLocale>
#include <QSortFilterProxyModel>

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace paceforge {

class SensorNames;

// The history's entries as table rows, in the order they were read; the proxy sorts and filters.
class HistoryModel final : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Date, Start, Distance, Duration, Pace, Calories, Sensor, Where, Signed, File, ColumnCount };
    // Numbers for sorting: a column sorted by its text would put "10.2" before "9.8".
    static constexpr int SortRole = Qt::UserRole;

    explicit HistoryModel(QLocale locale, QObject* parent = nullptr);

    void clear();
    void append(std::span<const HistoryEntry> entries);
    void setUnit(DistanceUnit unit);
    // The names the user gave the sensors, shown beside their folders; must outlive the model.
    // Call namesChanged() after one changed.
    void setSensorNames(const SensorNames* names);
    void namesChanged();
    // "Pegasus (2BA5B4C7)" for a named sensor, else the folder's name.
    QString sensorText(const std::string& sensor) const;
    DistanceUnit unit() const { return m_unit; }
    const std::vector<HistoryEntry>& entries() const { return m_entries; }
    const HistoryEntry& entry(int row) const { return m_entries[static_cast<std::size_t>(row)]; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QVariant text(const HistoryEntry& entry, int column) const;
    QVariant sortValue(const HistoryEntry& entry, int column) const;

    QLocale m_locale;
    DistanceUnit m_unit = DistanceUnit::Kilometres;
    const SensorNames* m_names = nullptr;
    std::vector<HistoryEntry> m_entries;
};

// Hides the runs outside a date range, and those of other sensors than the one chosen;
// unreadable files stay whatever the range, having no date to be judged by.
class HistoryFilter final : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit HistoryFilter(HistoryModel* source, QObject* parent = nullptr);

    void setRange(const DateRange& range);
    const DateRange& range() const { return m_range; }
    // Nothing for every sensor.
    void setSensor(std::optional<std::string> sensor);
    const std::optional<std::string>& sensor() const { return m_sensor; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    HistoryModel* m_source;
    DateRange m_range;
    std::optional<std::string> m_sensor;
};

} // namespace paceforge
