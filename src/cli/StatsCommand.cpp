#include "Command.h"

#include "export/Csv.h"
#include "history/SensorNames.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <algorithm>

namespace paceforge {
namespace {

constexpr int kShownDecimals = 2;
constexpr int kExactDecimals = 4;
constexpr int kMsDecimals = 3;
constexpr long long kMsPerSecond = 1000;

using Format = ReportFormat;

// A period, or a sensor folder with the name the user gave it and its first and last run.
struct Row {
    QString label;
    QString first;
    QString last;
    HistoryTotals totals;
    QString name;
};

QString Fixed(const Decimal& value, int decimals)
{
    return QString::fromStdString(value.toFixedString(decimals));
}

QString Pace(const HistoryTotals& totals, DistanceUnit unit)
{
    const auto pace = AveragePaceSeconds(totals, unit);
    return pace ? ClockText(*pace) : QStringLiteral("-");
}

QString Seconds(long long ms)
{
    return Fixed(Decimal::fromParts(ms, kMsDecimals), kMsDecimals);
}

// Per sensor, the folder's name is longer than a period's and the first and last run and the
// user's name for the sensor follow the figures.
void WriteText(QTextStream& out, const QString& heading, const std::vector<Row>& rows, const Row& total, bool bySensor)
{
    qsizetype labelWidth = 10;
    if (bySensor)
        for (const Row& row : rows)
            labelWidth = std::max(labelWidth, row.label.size() + 2);
    const auto line = [&](const QString& label, const QString& runs, const QString& km, const QString& mi,
                          const QString& time, const QString& perKm, const QString& perMile, const QString& calories,
                          const Row* sensor) {
        QString text = label.leftJustified(labelWidth) + runs.rightJustified(5) + km.rightJustified(13)
            + mi.rightJustified(13) + time.rightJustified(11) + perKm.rightJustified(10) + perMile.rightJustified(10)
            + calories.rightJustified(10);
        if (bySensor) {
            text += QStringLiteral("  ") + (sensor ? sensor->first : QStringLiteral("First run")).leftJustified(10)
                + QStringLiteral("  ") + (sensor ? sensor->last : QStringLiteral("Last run")).leftJustified(10)
                + QStringLiteral("  ") + (sensor ? sensor->name : QStringLiteral("Name"));
            while (text.endsWith(u' '))
                text.chop(1);
        }
        out << text << '\n';
    };
    line(heading, QStringLiteral("Runs"), QStringLiteral("Distance km"), QStringLiteral("Distance mi"),
        QStringLiteral("Time"), QStringLiteral("Pace /km"), QStringLiteral("Pace /mi"), QStringLiteral("Calories"),
        nullptr);
    const auto write = [&](const Row& row) {
        const HistoryTotals& t = row.totals;
        line(row.label, QString::number(t.runs), Fixed(t.distanceKm, kShownDecimals),
            Fixed(DistanceIn(t.distanceKm, DistanceUnit::Miles), kShownDecimals), ElapsedText(t.durationMs),
            Pace(t, DistanceUnit::Kilometres), Pace(t, DistanceUnit::Miles), QString::number(t.calories), &row);
    };
    for (const Row& row : rows)
        write(row);
    write(total);
}

QJsonValue OptionalNumber(std::optional<long long> value)
{
    return value ? QJsonValue(static_cast<qint64>(*value)) : QJsonValue(QJsonValue::Null);
}

QJsonObject JsonTotals(const HistoryTotals& t)
{
    return {
        {QStringLiteral("runs"), t.runs},
        {QStringLiteral("distance_km"),
            t.distanceKm.rounded(kExactDecimals, Decimal::Rounding::HalfAwayFromZero).toDouble()},
        {QStringLiteral("distance_mi"), DistanceIn(t.distanceKm, DistanceUnit::Miles).toDouble()},
        {QStringLiteral("duration_s"), Decimal::fromParts(t.durationMs, kMsDecimals).toDouble()},
        {QStringLiteral("pace_s_per_km"), OptionalNumber(AveragePaceSeconds(t, DistanceUnit::Kilometres))},
        {QStringLiteral("pace_s_per_mi"), OptionalNumber(AveragePaceSeconds(t, DistanceUnit::Miles))},
        {QStringLiteral("calories"), static_cast<qint64>(t.calories)},
    };
}

QJsonValue DayOrNull(const std::optional<QDate>& day)
{
    return day ? QJsonValue(day->toString(Qt::ISODate)) : QJsonValue(QJsonValue::Null);
}

QJsonValue TextOrNull(const QString& text)
{
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

QString Day(const std::optional<QDate>& day)
{
    return day ? day->toString(Qt::ISODate) : QString();
}

QString CsvText(const QString& text)
{
    return QString::fromStdString(CsvField(text.toStdString()));
}

} // namespace

int RunStats(CommandContext& context)
{
    static const std::pair<QString, std::optional<Period>> kGroupings[]
        = {{QStringLiteral("week"), Period::Week}, {QStringLiteral("month"), Period::Month},
            {QStringLiteral("year"), Period::Year}, {QStringLiteral("sensor"), std::nullopt}};
    const QString by = context.isSet("by") ? context.value("by").toLower() : QStringLiteral("month");
    const auto grouping
        = std::find_if(std::begin(kGroupings), std::end(kGroupings), [&](auto& g) { return g.first == by; });
    if (grouping == std::end(kGroupings))
        return UsageError(context.err,
            QStringLiteral("unknown grouping \"%1\": use week, month, year or sensor.").arg(context.value("by")));
    const bool bySensor = !grouping->second;
    const auto chosenFormat = ReadReportFormat(context, "stats");
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

    std::vector<Row> rows;
    Row total{QStringLiteral("Total"), Day(range.since), Day(range.until), TotalsOf(entries, chosen), {}};
    if (bySensor) {
        const SensorNames names;
        total.first.clear();
        total.last.clear();
        for (const SensorTotals& s : TotalsBySensor(entries, chosen)) {
            rows.push_back({QString::fromStdString(s.sensor), Day(s.first), Day(s.last), s.totals,
                names.given(s.sensor).value_or(QString())});
            total.first = total.first.isEmpty() ? rows.back().first : std::min(total.first, rows.back().first);
            total.last = std::max(total.last, rows.back().last);
        }
    } else {
        for (const PeriodTotals& p : TotalsByPeriod(entries, chosen, *grouping->second))
            rows.push_back({p.label, p.first.toString(Qt::ISODate), p.last.toString(Qt::ISODate), p.totals, {}});
    }

    QTextStream& out = context.out;
    switch (format) {
    case Format::Text: {
        QString heading = by;
        heading[0] = heading[0].toUpper();
        WriteText(out, heading, rows, total, bySensor);
        break;
    }
    case Format::Csv:
        out << (bySensor ? "sensor,name,first_run,last_run," : "period,first_day,last_day,")
            << "runs,distance_km,distance_mi,duration_s,pace_s_per_km,pace_s_per_mi,calories\r\n";
        for (const Row& row : rows) {
            const HistoryTotals& t = row.totals;
            const auto pace = [&](DistanceUnit unit) {
                const auto seconds = AveragePaceSeconds(t, unit);
                return seconds ? QString::number(*seconds) : QString();
            };
            out << CsvText(row.label) << ',';
            if (bySensor)
                out << CsvText(row.name) << ',';
            out << row.first << ',' << row.last << ',' << t.runs << ',' << Fixed(t.distanceKm, kExactDecimals) << ','
                << Fixed(DistanceIn(t.distanceKm, DistanceUnit::Miles), kExactDecimals) << ',' << Seconds(t.durationMs)
                << ',' << pace(DistanceUnit::Kilometres) << ',' << pace(DistanceUnit::Miles) << ',' << t.calories
                << "\r\n";
        }
        break;
    case Format::Json: {
        QJsonArray groups;
        for (const Row& row : rows) {
            QJsonObject object = JsonTotals(row.totals);
            if (bySensor) {
                object.insert(QStringLiteral("sensor"), row.label);
                object.insert(QStringLiteral("name"), TextOrNull(row.name));
                object.insert(QStringLiteral("first_run"), row.first);
                object.insert(QStringLiteral("last_run"), row.last);
            } else {
                object.insert(QStringLiteral("period"), row.label);
                object.insert(QStringLiteral("first_day"), row.first);
                object.insert(QStringLiteral("last_day"), row.last);
            }
            groups.append(object);
        }
        const QJsonObject document{
            {QStringLiteral("by"), by},
            {QStringLiteral("sensor"),
                sensor ? QJsonValue(QString::fromStdString(*sensor)) : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("since"), DayOrNull(range.since)},
            {QStringLiteral("until"), DayOrNull(range.until)},
            {bySensor ? QStringLiteral("sensors") : QStringLiteral("periods"), groups},
            {QStringLiteral("total"), JsonTotals(total.totals)},
            {QStringLiteral("unreadable"), QJsonArray::fromStringList(unreadable)},
        };
        out << QJsonDocument(document).toJson(QJsonDocument::Indented);
        break;
    }
    }
    return exitCode;
}

} // namespace paceforge
