#include "Command.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace paceforge {
namespace {

constexpr int kShownDecimals = 2;
constexpr int kExactDecimals = 4;
constexpr int kMsDecimals = 3;
constexpr long long kMsPerSecond = 1000;

enum class Format { Text, Csv, Json };

struct Row {
    QString label;
    QString first;
    QString last;
    HistoryTotals totals;
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

void WriteText(QTextStream& out, const QString& heading, const std::vector<Row>& rows, const Row& total)
{
    const auto line = [&](const QString& label, const QString& runs, const QString& km, const QString& mi,
                          const QString& time, const QString& perKm, const QString& perMile, const QString& calories) {
        out << label.leftJustified(10) << runs.rightJustified(5) << km.rightJustified(13) << mi.rightJustified(13)
            << time.rightJustified(11) << perKm.rightJustified(10) << perMile.rightJustified(10)
            << calories.rightJustified(10) << '\n';
    };
    line(heading, QStringLiteral("Runs"), QStringLiteral("Distance km"), QStringLiteral("Distance mi"),
        QStringLiteral("Time"), QStringLiteral("Pace /km"), QStringLiteral("Pace /mi"), QStringLiteral("Calories"));
    const auto write = [&](const Row& row) {
        const HistoryTotals& t = row.totals;
        line(row.label, QString::number(t.runs), Fixed(t.distanceKm, kShownDecimals),
            Fixed(DistanceIn(t.distanceKm, DistanceUnit::Miles), kShownDecimals), ElapsedText(t.durationMs),
            Pace(t, DistanceUnit::Kilometres), Pace(t, DistanceUnit::Miles), QString::number(t.calories));
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

} // namespace

int RunStats(CommandContext& context)
{
    static const std::pair<QString, Period> kPeriods[] = {{QStringLiteral("week"), Period::Week},
        {QStringLiteral("month"), Period::Month}, {QStringLiteral("year"), Period::Year}};
    const QString by = context.isSet("by") ? context.value("by").toLower() : QStringLiteral("month");
    const auto period = std::find_if(std::begin(kPeriods), std::end(kPeriods), [&](auto& p) { return p.first == by; });
    if (period == std::end(kPeriods))
        return UsageError(
            context.err, QStringLiteral("unknown period \"%1\": use week, month or year.").arg(context.value("by")));
    const QString formatName = context.isSet("format") ? context.value("format").toLower() : QStringLiteral("text");
    Format format = Format::Text;
    if (formatName == QStringLiteral("csv"))
        format = Format::Csv;
    else if (formatName == QStringLiteral("json"))
        format = Format::Json;
    else if (formatName != QStringLiteral("text"))
        return UsageError(context.err,
            QStringLiteral("unknown format \"%1\" for stats: use text, csv or json.").arg(context.value("format")));
    const auto dates = ReadDateRange(context);
    if (!dates)
        return UsageError(context.err, dates.error());
    const DateRange& range = dates.value();

    const FoundCatalogues found = FindCatalogues(context);
    if (const int stopped = NoIPodToWorkOn(context, found); stopped != kCommandDone)
        return stopped;
    const std::vector<HistoryEntry> entries = ReadHistoryOf(found, context.fileSystem);
    int exitCode = found.exitCode;
    QJsonArray unreadable;
    for (const HistoryEntry& entry : entries) {
        if (entry.readable())
            continue;
        context.err << "paceforge: not counted: " << *entry.problem << '\n';
        unreadable.append(*entry.problem);
        exitCode = kCommandFailed;
    }
    const std::vector<std::size_t> chosen = EntriesIn(entries, range);
    std::vector<Row> rows;
    for (const PeriodTotals& p : TotalsByPeriod(entries, chosen, period->second))
        rows.push_back({p.label, p.first.toString(Qt::ISODate), p.last.toString(Qt::ISODate), p.totals});
    const Row total{QStringLiteral("Total"), range.since ? range.since->toString(Qt::ISODate) : QString(),
        range.until ? range.until->toString(Qt::ISODate) : QString(), TotalsOf(entries, chosen)};

    QTextStream& out = context.out;
    switch (format) {
    case Format::Text: {
        QString heading = by;
        heading[0] = heading[0].toUpper();
        WriteText(out, heading, rows, total);
        break;
    }
    case Format::Csv:
        out << "period,first_day,last_day,runs,distance_km,distance_mi,duration_s,pace_s_per_km,pace_s_per_mi,"
               "calories\r\n";
        for (const Row& row : rows) {
            const HistoryTotals& t = row.totals;
            const auto pace = [&](DistanceUnit unit) {
                const auto seconds = AveragePaceSeconds(t, unit);
                return seconds ? QString::number(*seconds) : QString();
            };
            out << row.label << ',' << row.first << ',' << row.last << ',' << t.runs << ','
                << Fixed(t.distanceKm, kExactDecimals) << ','
                << Fixed(DistanceIn(t.distanceKm, DistanceUnit::Miles), kExactDecimals) << ',' << Seconds(t.durationMs)
                << ',' << pace(DistanceUnit::Kilometres) << ',' << pace(DistanceUnit::Miles) << ',' << t.calories
                << "\r\n";
        }
        break;
    case Format::Json: {
        QJsonArray periods;
        for (const Row& row : rows) {
            QJsonObject object = JsonTotals(row.totals);
            object.insert(QStringLiteral("period"), row.label);
            object.insert(QStringLiteral("first_day"), row.first);
            object.insert(QStringLiteral("last_day"), row.last);
            periods.append(object);
        }
        const QJsonObject document{
            {QStringLiteral("by"), by},
            {QStringLiteral("since"), DayOrNull(range.since)},
            {QStringLiteral("until"), DayOrNull(range.until)},
            {QStringLiteral("periods"), periods},
            {QStringLiteral("total"), JsonTotals(total.totals)},
            {QStringLiteral("unreadable"), unreadable},
        };
        out << QJsonDocument(document).toJson(QJsonDocument::Indented);
        break;
    }
    }
    return exitCode;
}

} // namespace paceforge
