#include "HistoryModel.h"

#include "history/SensorNames.h"
#include "platform/FileSystem.h"
#include "store/AlteredSignatures.h"

#include <QColor>

namespace paceforge {

HistoryModel::HistoryModel(QLocale locale, QObject* parent) : QAbstractTableModel(parent), m_locale(std::move(locale))
{ }

void HistoryModel::clear()
{
    beginResetModel();
    m_entries.clear();
    endResetModel();
}

void HistoryModel::append(std::span<const HistoryEntry> entries)
{
    if (entries.empty())
        return;
    const int first = static_cast<int>(m_entries.size());
    beginInsertRows({}, first, first + static_cast<int>(entries.size()) - 1);
    m_entries.insert(m_entries.end(), entries.begin(), entries.end());
    endInsertRows();
}

void HistoryModel::setUnit(DistanceUnit unit)
{
    if (unit == m_unit)
        return;
    m_unit = unit;
    if (!m_entries.empty())
        emit dataChanged(index(0, Distance), index(rowCount() - 1, Pace));
    emit headerDataChanged(Qt::Horizontal, Distance, Pace);
}

void HistoryModel::setSensorNames(const SensorNames* names)
{
    m_names = names;
    namesChanged();
}

void HistoryModel::namesChanged()
{
    if (!m_entries.empty())
        emit dataChanged(index(0, Sensor), index(rowCount() - 1, Sensor));
}

QString HistoryModel::sensorText(const std::string& sensor) const
{
    const QString folder = QString::fromStdString(sensor);
    if (m_names)
        if (const auto name = m_names->given(sensor))
            return QStringLiteral("%1 (%2)").arg(*name, folder);
    return folder;
}

int HistoryModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

int HistoryModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant HistoryModel::text(const HistoryEntry& entry, int column) const
{
    if (column == Where)
        return entry.file.synched ? QStringLiteral("synched") : QStringLiteral("latest");
    if (column == File)
        return QString::fromStdString(entry.file.fileName);
    if (column == Sensor)
        return sensorText(entry.file.sensor);
    if (!entry.readable())
        return column == Date ? QVariant(QStringLiteral("unreadable")) : QVariant();
    switch (column) {
    case Date:
        return entry.start.date.toString(Qt::ISODate);
    case Start:
        return m_locale.toString(entry.start.time, QLocale::ShortFormat);
    case Distance:
        return QString::fromStdString(DistanceIn(entry.distanceKm, m_unit).toFixedString(2));
    case Duration:
        return ElapsedText(entry.durationMs);
    case Pace:
        if (const auto pace = PaceSeconds(entry.durationMs, entry.distanceKm, m_unit))
            return ClockText(*pace);
        return QVariant();
    case Calories:
        return entry.calories ? QVariant(m_locale.toString(*entry.calories)) : QVariant();
    case Signed:
        if (entry.signatureAltered)
            return QStringLiteral("signature void");
        return entry.signedByDevice ? QStringLiteral("\u2713 signed") : QVariant();
    default:
        return QVariant();
    }
}

QVariant HistoryModel::sortValue(const HistoryEntry& entry, int column) const
{
    if (column == Where || column == File || column == Signed || column == Sensor)
        return text(entry, column).toString();
    if (!entry.readable())
        return QVariant();
    switch (column) {
    case Date:
        return entry.start.utc().toMSecsSinceEpoch();
    case Start:
        return entry.start.time.msecsSinceStartOfDay();
    case Distance:
        return entry.distanceKm.toDouble();
    case Duration:
        return entry.durationMs;
    case Pace:
        if (const auto pace = PaceSeconds(entry.durationMs, entry.distanceKm, m_unit))
            return *pace;
        return QVariant();
    case Calories:
        return entry.calories ? QVariant(*entry.calories) : QVariant();
    default:
        return QVariant();
    }
}

QVariant HistoryModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const HistoryEntry& entry = m_entries[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return text(entry, index.column());
    case SortRole:
        return sortValue(entry, index.column());
    case Qt::ToolTipRole:
        if (!entry.readable())
            return *entry.problem;
        if (index.column() == Signed && (entry.signedByDevice || entry.signatureAltered))
            return entry.signatureAltered ? SignatureAlteredText() : SignedByDeviceText();
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() >= Distance && index.column() <= Calories)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::ForegroundRole:
        // The window's warning red, light enough for the dark rows.
        return entry.readable() || index.column() != Date ? QVariant() : QVariant(QColor(0xFF, 0x7A, 0x70));
    default:
        return {};
    }
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(
            (section >= Distance && section <= Calories ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    const QString unit = UnitSymbol(m_unit);
    switch (section) {
    case Date:
        return QStringLiteral("Date");
    case Start:
        return QStringLiteral("Start");
    case Distance:
        return QStringLiteral("Distance (%1)").arg(unit);
    case Duration:
        return QStringLiteral("Duration");
    case Pace:
        return QStringLiteral("Pace (min/%1)").arg(unit);
    case Calories:
        return QStringLiteral("Calories");
    case Where:
        return QStringLiteral("Where");
    case Sensor:
        return QStringLiteral("Sensor");
    case Signed:
        return QStringLiteral("Signed");
    case File:
        return QStringLiteral("File");
    default:
        return {};
    }
}

HistoryFilter::HistoryFilter(HistoryModel* source, QObject* parent) : QSortFilterProxyModel(parent), m_source(source)
{
    setSourceModel(source);
    setSortRole(HistoryModel::SortRole);
    setDynamicSortFilter(true);
}

void HistoryFilter::setRange(const DateRange& range)
{
    m_range = range;
    invalidateFilter();
}

void HistoryFilter::setSensor(std::optional<std::string> sensor)
{
    m_sensor = std::move(sensor);
    invalidateFilter();
}

bool HistoryFilter::filterAcceptsRow(int sourceRow, const QModelIndex&) const
{
    const HistoryEntry& entry = m_source->entry(sourceRow);
    // The rule of EntriesOfSensor, which the totals and records follow.
    if (m_sensor && !NamesEqualIgnoringCase(entry.file.sensor, *m_sensor))
        return false;
    return !entry.readable() || m_range.contains(entry.start.date);
}

// Unreadable files stay at the bottom in either order, below the runs the user sorts; a blank
// figure sorts below every number.
bool HistoryFilter::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    const bool leftReadable = m_source->entry(left.row()).readable();
    const bool rightReadable = m_source->entry(right.row()).readable();
    if (leftReadable != rightReadable)
        return leftReadable == (sortOrder() == Qt::AscendingOrder);
    const QVariant a = left.data(HistoryModel::SortRole), b = right.data(HistoryModel::SortRole);
    if (!a.isValid() || !b.isValid())
        return !a.isValid() && b.isValid();
    return QVariant::compare(a, b) == QPartialOrdering::Less;
}

} // namespace paceforge
