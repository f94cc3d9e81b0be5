// Reads the JSON output of the benchmark programs and prints one table: each figure beside the
// floor measured in the same run, their ratio and the goal. Medians throughout.
//
//     bench_report [--markdown] results.json...

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringList>
#include <QTextStream>

#include <cmath>
#include <map>
#include <optional>
#include <vector>

namespace {

struct Figure {
    double seconds = 0;
    std::map<QString, double> counters;
};

std::map<QString, Figure> medians;
std::map<QString, Figure> singles;
QJsonObject context;

double UnitSeconds(const QString& unit)
{
    if (unit == QLatin1String("ns"))
        return 1e-9;
    if (unit == QLatin1String("us"))
        return 1e-6;
    if (unit == QLatin1String("ms"))
        return 1e-3;
    return 1;
}

// "startup/empty/iterations:1/repeats:15/manual_time" is "startup/empty".
QString Key(QString name)
{
    static const QRegularExpression extras(
        QStringLiteral("/(iterations|repeats|min_time|threads):[^/]*|/manual_time|/real_time"));
    return name.remove(extras);
}

bool Read(const QString& file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QJsonObject all = QJsonDocument::fromJson(in.readAll()).object();
    if (context.isEmpty())
        context = all.value(QStringLiteral("context")).toObject();
    for (const QJsonValue& value : all.value(QStringLiteral("benchmarks")).toArray()) {
        const QJsonObject b = value.toObject();
        if (b.contains(QStringLiteral("error_occurred")) && b.value(QStringLiteral("error_occurred")).toBool())
            continue;
        const bool aggregate = b.value(QStringLiteral("run_type")).toString() == QLatin1String("aggregate");
        if (aggregate && b.value(QStringLiteral("aggregate_name")).toString() != QLatin1String("median"))
            continue;
        Figure figure;
        figure.seconds = b.value(QStringLiteral("real_time")).toDouble()
            * UnitSeconds(b.value(QStringLiteral("time_unit")).toString());
        for (auto it = b.begin(); it != b.end(); ++it)
            if (it.value().isDouble())
                figure.counters[it.key()] = it.value().toDouble();
        const QString key = Key(b.value(QStringLiteral("run_name")).toString());
        (aggregate ? medians : singles)[key] = figure;
    }
    return true;
}

std::optional<Figure> Find(const QString& key)
{
    if (auto it = medians.find(key); it != medians.end())
        return it->second;
    if (auto it = singles.find(key); it != singles.end())
        return it->second;
    return std::nullopt;
}

QString Time(double seconds)
{
    if (seconds >= 1)
        return QString::number(seconds, 'f', 2) + QStringLiteral(" s");
    if (seconds >= 1e-3)
        return QString::number(seconds * 1e3, 'f', seconds >= 0.1 ? 0 : 1) + QStringLiteral(" ms");
    return QString::number(seconds * 1e6, 'f', seconds >= 1e-4 ? 0 : 1) + QStringLiteral(" µs");
}

enum class Kind { Ratio, Growth, MemoryAbove };

struct Line {
    QString what;
    QString size;
    QString measured;
    QString floor;
    Kind kind = Kind::Ratio;
    double goal = 0; // 0: shown for reference, no goal
};

const std::vector<Line> kLines = {
    {"catalogue build", "100 files", "catalogue/100", "catalogue_floor/100"},
    {"catalogue build", "1,000 files", "catalogue/1000", "catalogue_floor/1000"},
    {"catalogue build", "10,000 files", "catalogue/10000", "catalogue_floor/10000", Kind::Ratio, 2.5},
    {"catalogue build", "100,000 files", "catalogue/100000", "catalogue_floor/100000", Kind::Ratio, 2.5},
    {"catalogue growth", "10,000 → 100,000", "catalogue/", "catalogue_floor/", Kind::Growth, 11},
    {"load into the fields", "typical file", "load_fields/0", "load_floor/0", Kind::Ratio, 1.5},
    {"load into the fields", "3-hour file", "load_fields/1", "load_floor/1", Kind::Ratio, 1.5},
    {"load: read, parse, entries", "typical file", "load_core/0", "load_floor/0", Kind::Ratio, 1.5},
    {"load: read, parse, entries", "3-hour file", "load_core/1", "load_floor/1", Kind::Ratio, 1.5},
    {"save pipeline", "new workout", "save/0", "save_floor/0", Kind::Ratio, 2},
    {"save pipeline", "edited workout", "save/1", "save_floor/1", Kind::Ratio, 2},
    {"export all as TCX", "2,000 runs", "export_tcx/0", "export_tcx_floor/0", Kind::Ratio, 1.3},
    {"export all as TCX", "2,000 copies of one run", "export_tcx/1", "export_tcx_floor/1", Kind::Ratio, 1.3},
    {"DistanceSeries", "3 hours, fresh", "series/0", "series_floor", Kind::Ratio, 2},
    {"DistanceSeries", "3 hours, extended", "series/1", "series_floor", Kind::Ratio, 2},
    {"history, first opening", "10,000 files", "history_first/10000", "history_read_floor/10000", Kind::Ratio, 2},
    {"history, second opening", "10,000 files", "history_cached/10000", "catalogue_core/10000", Kind::Ratio, 1.5},
    {"history, second opening with the catalogue", "10,000 files", "history_cached_catalogue/10000",
        "catalogue_core/10000"},
    {"history, second opening against a stat of every file", "10,000 files", "history_cached/10000",
        "history_stat_floor/10000"},
    {"history, second opening against an fstatat of every file in its folder", "10,000 files", "history_cached/10000",
        "history_folder_stat_floor/10000"},
    {"an empty system call per file, against the catalogue build", "10,000 files", "history_syscall_floor/10000",
        "catalogue_core/10000"},
    {"history: best efforts of every run, against the first opening's floor", "10,000 runs", "history_efforts/10000",
        "history_read_floor/10000"},
    {"history: records, against the second opening", "10,000 runs", "history_records/10000", "history_cached/10000"},
    {"correct distance", "1,000 runs", "correct/1000", "correct_floor/1000/0", Kind::Ratio, 2},
    {"correct distance against the writes and their backups", "1,000 runs", "correct/1000",
        "correct_floor_backups/1000/1"},
    {"correct distance: preview", "1,000 runs", "correct_plan/1000", "correct_floor/1000/0"},
    {"start-up", "empty store", "startup/empty", "startup/minimal", Kind::Ratio, 1.8},
    {"start-up", "10,000 files", "startup/10000", "startup/minimal"},
    {"start-up", "first start, no artwork cache", "startup/first", "startup/minimal"},
    {"peak memory", "empty store", "startup/empty", "startup/minimal", Kind::MemoryAbove},
    {"peak memory", "10,000 files", "startup/10000", "startup/minimal", Kind::MemoryAbove, 15},
};

QString Mib(double value)
{
    return QString::number(value, 'f', 1) + QStringLiteral(" MiB");
}

QString MachineLine()
{
    QString memory;
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    if (meminfo.open(QIODevice::ReadOnly)) {
        const QString first = QString::fromLatin1(meminfo.readLine());
        const auto kib = first.section(QLatin1Char(':'), 1).trimmed().section(QLatin1Char(' '), 0, 0).toDouble();
        memory = QString::number(kib / 1024 / 1024, 'f', 1) + QStringLiteral(" GiB memory");
    }
    return QStringLiteral("%1 cores, %2, %3, %4")
        .arg(context.value(QStringLiteral("num_cpus")).toInt())
        .arg(memory, context.value(QStringLiteral("date")).toString(),
            context.value(QStringLiteral("library_build_type")).toString() + QStringLiteral(" benchmark library"));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    bool markdown = false;
    for (const QString& argument : app.arguments().mid(1)) {
        if (argument == QLatin1String("--markdown"))
            markdown = true;
        else if (!Read(argument))
            QTextStream(stderr) << "cannot read " << argument << '\n';
    }

    const QStringList header = {"What", "Size", "Median", "Floor", "Ratio", "Goal", "Met?"};
    std::vector<QStringList> rows;
    int goals = 0, met = 0;
    for (const Line& line : kLines) {
        QString measured = QStringLiteral("-"), floor = QStringLiteral("-"), ratio = QStringLiteral("-"),
                goal = QStringLiteral("-"), verdict = QStringLiteral("-");
        std::optional<double> value;
        if (line.kind == Kind::Growth) {
            const auto small = Find(line.measured + QStringLiteral("10000"));
            const auto large = Find(line.measured + QStringLiteral("100000"));
            const auto floorSmall = Find(line.floor + QStringLiteral("10000"));
            const auto floorLarge = Find(line.floor + QStringLiteral("100000"));
            if (small && large) {
                value = large->seconds / small->seconds;
                measured = QStringLiteral("%1 → %2").arg(Time(small->seconds), Time(large->seconds));
                ratio = QStringLiteral("%1 x").arg(*value, 0, 'f', 2);
            }
            if (floorSmall && floorLarge)
                floor = QStringLiteral("%1 x").arg(floorLarge->seconds / floorSmall->seconds, 0, 'f', 2);
            goal = QStringLiteral("≤ %1 x").arg(line.goal);
        } else if (line.kind == Kind::MemoryAbove) {
            const auto m = Find(line.measured), f = Find(line.floor);
            const auto peak = [](const std::optional<Figure>& figure) -> std::optional<double> {
                if (!figure || !figure->counters.count(QStringLiteral("peak_MiB")))
                    return std::nullopt;
                return figure->counters.at(QStringLiteral("peak_MiB"));
            };
            if (peak(m))
                measured = Mib(*peak(m));
            if (peak(f))
                floor = Mib(*peak(f));
            if (peak(m) && peak(f)) {
                value = *peak(m) - *peak(f);
                ratio = QStringLiteral("%1%2 MiB")
                            .arg(*value >= 0 ? QStringLiteral("+") : QString())
                            .arg(*value, 0, 'f', 1);
            }
            if (line.goal > 0)
                goal = QStringLiteral("≤ +%1 MiB").arg(line.goal);
        } else {
            const auto m = Find(line.measured), f = Find(line.floor);
            if (m)
                measured = Time(m->seconds);
            if (f)
                floor = Time(f->seconds);
            if (m && f) {
                value = m->seconds / f->seconds;
                ratio = QStringLiteral("%1 x").arg(*value, 0, 'f', 2);
            }
            if (line.goal > 0)
                goal = QStringLiteral("≤ %1 x").arg(line.goal);
        }
        if (line.goal > 0) {
            ++goals;
            if (!value)
                verdict = QStringLiteral("not run");
            else if (*value <= line.goal) {
                verdict = QStringLiteral("yes");
                ++met;
            } else
                verdict = QStringLiteral("NO");
        }
        rows.push_back({line.what, line.size, measured, floor, ratio, goal, verdict});
    }

    QTextStream out(stdout);
    out << MachineLine() << "\n\n";
    if (markdown) {
        out << "| " << header.join(QStringLiteral(" | ")) << " |\n|";
        for (qsizetype i = 0; i < header.size(); ++i)
            out << (i >= 2 && i <= 5 ? "---:|" : "---|");
        out << '\n';
        for (const QStringList& row : rows)
            out << "| " << row.join(QStringLiteral(" | ")) << " |\n";
    } else {
        std::vector<qsizetype> widths(static_cast<std::size_t>(header.size()), 0);
        const auto measure = [&](const QStringList& row) {
            for (qsizetype i = 0; i < row.size(); ++i)
                widths[static_cast<std::size_t>(i)] = std::max(widths[static_cast<std::size_t>(i)], row[i].size());
        };
        measure(header);
        for (const QStringList& row : rows)
            measure(row);
        const auto print = [&](const QStringList& row) {
            for (qsizetype i = 0; i < row.size(); ++i) {
                const auto width = static_cast<int>(widths[static_cast<std::size_t>(i)]);
                out << (i >= 2 && i <= 5 ? row[i].rightJustified(width) : row[i].leftJustified(width))
                    << (i + 1 < row.size() ? "  " : "\n");
            }
        };
        print(header);
        QStringList rule;
        for (qsizetype width : widths)
            rule << QString(width, QLatin1Char('-'));
        print(rule);
        for (const QStringList& row : rows)
            print(row);
    }
    out << '\n' << met << " of " << goals << " goals met.\n";
    return 0;
}
