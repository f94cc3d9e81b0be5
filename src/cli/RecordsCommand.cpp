#include "Command.h"

#include "export/Csv.h"
#include "history/PersonalRecords.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace paceforge {
namespace {

constexpr int kShownDecimals = 2;
constexpr int kExactDecimals = 4;
constexpr int kMsDecimals = 3;
constexpr int kMillimetreDecimals = 6;
constexpr long long kMsPerTenth = 100;

using Format = ReportFormat;

QString Fixed(const Decimal& value, int decimals)
{
    return QString::fromStdString(value.toFixedString(decimals));
}

QString Seconds(long long ms)
{
    return Fixed(Decimal::fromParts(ms, kMsDecimals), kMsDecimals);
}

// "19:59.3": a best effort to the tenth, where a run's time is shown in whole seconds.
QString EffortTime(long long ms)
{
    const long long tenths = (ms + kMsPerTenth / 2) / kMsPerTenth;
    return ClockText(tenths / 10) + u'.' + QString::number(tenths % 10);
}

Decimal EffortKm(EffortDistance distance)
{
    return Decimal::fromParts(EffortMillimetres(distance), kMillimetreDecimals);
}

QString Runs(int runs)
{
    return QString::number(runs) + (runs == 1 ? QStringLiteral(" run") : QStringLiteral(" runs"));
}

QString Text(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString PaceText(long long ms, const Decimal& km, DistanceUnit unit)
{
    const auto pace = PaceSeconds(ms, km, unit);
    return pace ? ClockText(*pace) : QStringLiteral("-");
}

QString PaceNumber(long long ms, const Decimal& km, DistanceUnit unit)
{
    const auto pace = PaceSeconds(ms, km, unit);
    return pace ? QString::number(*pace) : QString();
}

QJsonValue PaceJson(long long ms, const Decimal& km, DistanceUnit unit)
{
    const auto pace = PaceSeconds(ms, km, unit);
    return pace ? QJsonValue(static_cast<qint64>(*pace)) : QJsonValue(QJsonValue::Null);
}

QJsonValue DayOrNull(const std::optional<QDate>& day)
{
    return day ? QJsonValue(day->toString(Qt::ISODate)) : QJsonValue(QJsonValue::Null);
}

void WriteText(QTextStream& out, const std::vector<HistoryEntry>& entries, const PersonalRecords& records)
{
    const auto line = [&](const QString& record, const QString& value, const QString& perKm, const QString& perMile,
                          const QString& date, const QString& rest) {
        QString text = record.leftJustified(21) + value.rightJustified(10) + perKm.rightJustified(10)
            + perMile.rightJustified(10) + QStringLiteral("  ") + date.leftJustified(10) + QStringLiteral("  ") + rest;
        while (text.endsWith(u' '))
            text.chop(1);
        out << text << '\n';
    };
    line(QStringLiteral("Record"), QStringLiteral("Value"), QStringLiteral("Pace /km"), QStringLiteral("Pace /mi"),
        QStringLiteral("Date"), QStringLiteral("Workout"));
    for (const EffortDistance distance : kEffortDistances) {
        const std::optional<EffortRecord>& record = records[distance];
        if (!record) {
            line(EffortName(distance), QStringLiteral("-"), {}, {}, {}, {});
            continue;
        }
        const long long ms = record->effort.durationMs;
        line(EffortName(distance), EffortTime(ms), PaceText(ms, EffortKm(distance), DistanceUnit::Kilometres),
            PaceText(ms, EffortKm(distance), DistanceUnit::Miles), record->date.toString(Qt::ISODate),
            Text(entries[record->entry].file.fileName));
    }
    if (const auto& run = records.longestRun)
        line(QStringLiteral("Longest run"), Fixed(run->distanceKm, kShownDecimals) + QStringLiteral(" km"),
            PaceText(run->durationMs, run->distanceKm, DistanceUnit::Kilometres),
            PaceText(run->durationMs, run->distanceKm, DistanceUnit::Miles), run->date.toString(Qt::ISODate),
            Text(entries[run->entry].file.fileName));
    else
        line(QStringLiteral("Longest run"), QStringLiteral("-"), {}, {}, {}, {});
    if (const auto& week = records.longestWeek) {
        const HistoryTotals& t = week->totals;
        line(QStringLiteral("Longest week"), Fixed(t.distanceKm, kShownDecimals) + QStringLiteral(" km"),
            PaceText(t.durationMs, t.distanceKm, DistanceUnit::Kilometres),
            PaceText(t.durationMs, t.distanceKm, DistanceUnit::Miles), week->label, Runs(t.runs));
    } else {
        line(QStringLiteral("Longest week"), QStringLiteral("-"), {}, {}, {}, {});
    }
    if (const auto& month = records.mostRunsInAMonth) {
        const HistoryTotals& t = month->totals;
        line(QStringLiteral("Most runs in a month"), Runs(t.runs),
            PaceText(t.durationMs, t.distanceKm, DistanceUnit::Kilometres),
            PaceText(t.durationMs, t.distanceKm, DistanceUnit::Miles), month->label,
            Fixed(t.distanceKm, kShownDecimals) + QStringLiteral(" km"));
    } else {
        line(QStringLiteral("Most runs in a month"), QStringLiteral("-"), {}, {}, {}, {});
    }
}

QString CsvText(const QString& text)
{
    return QString::fromStdString(CsvField(text.toStdString()));
}

void WriteCsv(QTextStream& out, const std::vector<HistoryEntry>& entries, const PersonalRecords& records)
{
    out << "record,date,period,first_day,last_day,runs,distance_km,duration_s,pace_s_per_km,pace_s_per_mi,"
           "start_in_run_s,sensor,workout\r\n";
    const auto row = [&](const QString& record, const QString& date, const QString& period, const QString& first,
                         const QString& last, const QString& runs, const Decimal& km, long long ms,
                         const QString& start, const StoredWorkout* file) {
        out << record << ',' << date << ',' << period << ',' << first << ',' << last << ',' << runs << ','
            << Fixed(km, kExactDecimals) << ',' << Seconds(ms) << ',' << PaceNumber(ms, km, DistanceUnit::Kilometres)
            << ',' << PaceNumber(ms, km, DistanceUnit::Miles) << ',' << start << ','
            << (file ? CsvText(Text(file->sensor)) : QString()) << ','
            << (file ? CsvText(Text(file->fileName)) : QString()) << "\r\n";
    };
    for (const EffortDistance distance : kEffortDistances)
        if (const std::optional<EffortRecord>& record = records[distance])
            row(EffortKey(distance), record->date.toString(Qt::ISODate), {}, {}, {}, {}, EffortKm(distance),
                record->effort.durationMs, Seconds(record->effort.startMs), &entries[record->entry].file);
    if (const auto& run = records.longestRun)
        row(QStringLiteral("longest_run"), run->date.toString(Qt::ISODate), {}, {}, {}, QStringLiteral("1"),
            run->distanceKm, run->durationMs, {}, &entries[run->entry].file);
    const auto period = [&](const QString& name, const std::optional<PeriodRecord>& record) {
        if (record)
            row(name, {}, record->label, record->first.toString(Qt::ISODate), record->last.toString(Qt::ISODate),
                QString::number(record->totals.runs), record->totals.distanceKm, record->totals.durationMs, {},
                nullptr);
    };
    period(QStringLiteral("longest_week"), records.longestWeek);
    period(QStringLiteral("most_runs_in_a_month"), records.mostRunsInAMonth);
}

QJsonObject JsonRun(const HistoryEntry& entry)
{
    return {{QStringLiteral("date"), entry.start.date.toString(Qt::ISODate)},
        {QStringLiteral("sensor"), Text(entry.file.sensor)}, {QStringLiteral("workout"), Text(entry.file.fileName)}};
}

QJsonValue JsonPeriod(const std::vector<HistoryEntry>& entries, const std::optional<PeriodRecord>& record)
{
    if (!record)
        return QJsonValue(QJsonValue::Null);
    const HistoryTotals& t = record->totals;
    QJsonArray runs;
    for (const std::size_t index : record->entries)
        runs.append(JsonRun(entries[index]));
    return QJsonObject{
        {QStringLiteral("period"), record->label},
        {QStringLiteral("first_day"), record->first.toString(Qt::ISODate)},
        {QStringLiteral("last_day"), record->last.toString(Qt::ISODate)},
        {QStringLiteral("runs"), t.runs},
        {QStringLiteral("distance_km"),
            t.distanceKm.rounded(kExactDecimals, Decimal::Rounding::HalfAwayFromZero).toDouble()},
        {QStringLiteral("duration_s"), Decimal::fromParts(t.durationMs, kMsDecimals).toDouble()},
        {QStringLiteral("pace_s_per_km"), PaceJson(t.durationMs, t.distanceKm, DistanceUnit::Kilometres)},
        {QStringLiteral("pace_s_per_mi"), PaceJson(t.durationMs, t.distanceKm, DistanceUnit::Miles)},
        {QStringLiteral("workouts"), runs},
    };
}

QJsonObject JsonRecords(const std::vector<HistoryEntry>& entries, const PersonalRecords& records)
{
    QJsonArray fastest;
    for (const EffortDistance distance : kEffortDistances) {
        const std::optional<EffortRecord>& record = records[distance];
        if (!record)
            continue;
        const long long ms = record->effort.durationMs;
        QJsonObject object = JsonRun(entries[record->entry]);
        object.insert(QStringLiteral("distance"), EffortKey(distance));
        object.insert(QStringLiteral("distance_km"), EffortKm(distance).toDouble());
        object.insert(QStringLiteral("duration_s"), Decimal::fromParts(ms, kMsDecimals).toDouble());
        object.insert(QStringLiteral("pace_s_per_km"), PaceJson(ms, EffortKm(distance), DistanceUnit::Kilometres));
        object.insert(QStringLiteral("pace_s_per_mi"), PaceJson(ms, EffortKm(distance), DistanceUnit::Miles));
        object.insert(
            QStringLiteral("start_in_run_s"), Decimal::fromParts(record->effort.startMs, kMsDecimals).toDouble());
        fastest.append(object);
    }
    QJsonValue longest(QJsonValue::Null);
    if (const auto& run = records.longestRun) {
        QJsonObject object = JsonRun(entries[run->entry]);
        object.insert(QStringLiteral("distance_km"), run->distanceKm.toDouble());
        object.insert(QStringLiteral("duration_s"), Decimal::fromParts(run->durationMs, kMsDecimals).toDouble());
        object.insert(
            QStringLiteral("pace_s_per_km"), PaceJson(run->durationMs, run->distanceKm, DistanceUnit::Kilometres));
        object.insert(QStringLiteral("pace_s_per_mi"), PaceJson(run->durationMs, run->distanceKm, DistanceUnit::Miles));
        longest = object;
    }
    return {
        {QStringLiteral("fastest"), fastest},
        {QStringLiteral("longest_run"), longest},
        {QStringLiteral("longest_week"), JsonPeriod(entries, records.longestWeek)},
        {QStringLiteral("most_runs_in_a_month"), JsonPeriod(entries, records.mostRunsInAMonth)},
    };
}

} // namespace

int RunRecords(CommandContext& context)
{
    const auto chosenFormat = ReadReportFormat(context, "records");
    if (!chosenFormat)
        return UsageError(context.err, chosenFormat.error());
    const Format format = chosenFormat.value();
    const auto read = ReadCommandScope(context);
    if (const int* stopped = std::get_if<int>(&read))
        return *stopped;
    const CommandScope& scope = std::get<CommandScope>(read);
    const DateRange& range = scope.range;
    const FoundCatalogues& found = scope.found;
    const std::optional<std::string>& sensor = scope.sensor;
    const std::vector<HistoryEntry> entries = ReadHistoryOf(found, context.fileSystem);
    const std::vector<std::size_t> chosen = EntriesChosen(entries, range, sensor);
    const QStringList unreadable = NameUnreadable(context, entries, chosen);
    const int exitCode = unreadable.isEmpty() ? found.exitCode : kCommandFailed;
    const PersonalRecords records = RecordsOf(entries, chosen);

    switch (format) {
    case Format::Text:
        WriteText(context.out, entries, records);
        break;
    case Format::Csv:
        WriteCsv(context.out, entries, records);
        break;
    case Format::Json: {
        QJsonObject document = JsonRecords(entries, records);
        document.insert(QStringLiteral("sensor"), sensor ? QJsonValue(Text(*sensor)) : QJsonValue(QJsonValue::Null));
        document.insert(QStringLiteral("since"), DayOrNull(range.since));
        document.insert(QStringLiteral("until"), DayOrNull(range.until));
        document.insert(QStringLiteral("unreadable"), QJsonArray::fromStringList(unreadable));
        context.out << QJsonDocument(document).toJson(QJsonDocument::Indented);
        break;
    }
    }
    return exitCode;
}

} // namespace paceforge
