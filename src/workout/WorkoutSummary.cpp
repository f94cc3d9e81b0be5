#include "workout/WorkoutSummary.h"

#include "platform/FileSystem.h"
#include "workout/SeriesMillimetres.h"
#include "workout/SeriesText.h"
#include "workout/Units.h"
#include "workout/WorkoutFormat.h"

#include <QTimeZone>

namespace paceforge {
namespace {

constexpr std::string_view kXmlSignatureNamespace = "http://www.w3.org/2000/09/xmldsig#";

std::optional<int> Digits(std::string_view text, std::size_t at, std::size_t count)
{
    if (at + count > text.size())
        return std::nullopt;
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

std::string TrimmedText(pugi::xml_node node)
{
    return std::string(TrimmedXmlSpace(NodeText(node)));
}

QString Text(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A blank or unreadable value is no value: an export must not invent a weight or calories.
std::optional<Decimal> OptionalNumber(pugi::xml_node node)
{
    const auto value = Decimal::parsePlain(TrimmedText(node));
    if (!value || value->isNegative())
        return std::nullopt;
    return value;
}

bool InMiles(pugi::xml_attribute unit)
{
    const std::string_view text = TrimmedXmlSpace(unit.value());
    return text.size() == 2 && (text[0] == 'm' || text[0] == 'M') && (text[1] == 'i' || text[1] == 'I');
}

// The namespace an element's prefix stands for, looked up through its ancestors.
std::string_view NamespaceOf(pugi::xml_node element)
{
    const std::string_view name = element.name();
    const auto colon = name.find(':');
    const std::string attribute
        = colon == std::string_view::npos ? std::string("xmlns") : "xmlns:" + std::string(name.substr(0, colon));
    for (pugi::xml_node node = element; node; node = node.parent())
        if (const pugi::xml_attribute declared = node.attribute(attribute.c_str()))
            return declared.value();
    return {};
}

// A damaged series is left out rather than exported half-read.
std::vector<Decimal> ReadSeries(pugi::xml_node data)
{
    return SeriesValues(NodeText(data)).value_or(std::vector<Decimal>());
}

Decimal Gap(const Decimal& a, const Decimal& b)
{
    return a < b ? b - a : a - b;
}

// The device keeps the series in kilometres whatever the summary's unit, but a file whose summary
// is in miles may hold it in miles too: the series is read in the unit its last value lies nearer.
bool SeriesInMiles(const Decimal& last, const WorkoutSummary& summary)
{
    return Gap(last, summary.distanceKm) > Gap(last, summary.distanceMiles);
}

void SeriesInKilometres(WorkoutSummary& summary)
{
    if (summary.seriesKm.empty() || !SeriesInMiles(summary.seriesKm.back(), summary))
        return;
    for (Decimal& value : summary.seriesKm)
        value = MilesToKilometres(value);
}

struct SeriesElement {
    pugi::xml_node data;
    Decimal seconds;
    bool summaryInMiles = false;
};

std::optional<SeriesElement> FindSeries(pugi::xml_node sportsData)
{
    const pugi::xml_node data = DistanceData(sportsData);
    if (!data)
        return std::nullopt;
    // Far longer intervals than the device's 10 s would put the points centuries apart.
    const auto seconds = SampleSeconds(data, Decimal::fromInteger(3600));
    if (!seconds)
        return std::nullopt;
    return SeriesElement{
        data, *seconds, InMiles(ChildElement(ChildElement(sportsData, "runSummary"), "distance").attribute("unit"))};
}

} // namespace

QDateTime StartTime::utc() const
{
    return QDateTime(date, time, QTimeZone::utc()).addSecs(-offsetSeconds);
}

std::optional<StartTime> ParseStartTime(std::string_view text)
{
    // YYYY-MM-DDTHH:MM:SS, then Z or ±HH:MM.
    if (text.size() != 20 && text.size() != 25)
        return std::nullopt;
    const auto year = Digits(text, 0, 4), month = Digits(text, 5, 2), day = Digits(text, 8, 2);
    const auto hour = Digits(text, 11, 2), minute = Digits(text, 14, 2), second = Digits(text, 17, 2);
    if (!year || !month || !day || !hour || !minute || !second || text[4] != '-' || text[7] != '-' || text[10] != 'T'
        || text[13] != ':' || text[16] != ':')
        return std::nullopt;
    StartTime start{QDate(*year, *month, *day), QTime(*hour, *minute, *second), 0};
    if (*year < 1 || !start.date.isValid() || !start.time.isValid())
        return std::nullopt;
    if (text.size() == 20)
        return text[19] == 'Z' ? std::optional(start) : std::nullopt;
    const auto offsetHours = Digits(text, 20, 2), offsetMinutes = Digits(text, 23, 2);
    if ((text[19] != '+' && text[19] != '-') || text[22] != ':' || !offsetHours || !offsetMinutes || *offsetHours > 23
        || *offsetMinutes > 59)
        return std::nullopt;
    start.offsetSeconds = (text[19] == '-' ? -1 : 1) * (*offsetHours * 3600 + *offsetMinutes * 60);
    return start;
}

QString UtcTimeText(const QDateTime& utc)
{
    const QDate d = utc.date();
    const QTime t = utc.time();
    QString text = QString::asprintf(
        "%04d-%02d-%02dT%02d:%02d:%02d", d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second());
    if (t.msec() != 0)
        text += QString::asprintf(".%03d", t.msec());
    return text + u'Z';
}

QString LocalTimeWithOffset(const StartTime& start)
{
    const int offset = start.offsetSeconds < 0 ? -start.offsetSeconds : start.offsetSeconds;
    return QString::asprintf("%02d:%02d:%02d%c%02d:%02d", start.time.hour(), start.time.minute(), start.time.second(),
        start.offsetSeconds < 0 ? '-' : '+', offset / 3600, offset / 60 % 60);
}

bool IsSignedWorkout(const XmlDocument& document)
{
    const pugi::xml_node sportsData = ChildElement(document.document(), "sportsData");
    pugi::xml_node last = sportsData.last_child();
    while (last && last.type() != pugi::node_element)
        last = last.previous_sibling();
    if (!last)
        return false;
    const std::string_view name = last.name();
    const auto colon = name.find(':');
    return name.substr(colon == std::string_view::npos ? 0 : colon + 1) == "Signature"
        && NamespaceOf(last) == kXmlSignatureNamespace;
}

Outcome<WorkoutSummary> ReadWorkoutSummary(const XmlDocument& document, const QString& fileName, SeriesReading series)
{
    using Failed = Outcome<WorkoutSummary>;
    if (!document.hasDocumentElement())
        return Failed::failure(QStringLiteral("\"%1\" is not an XML document.").arg(fileName));
    const pugi::xml_node sportsData = ChildElement(document.document(), "sportsData");
    if (!sportsData)
        return Failed::failure(QStringLiteral("\"%1\" is not a workout: its document is <%2>, not <sportsData>.")
                                   .arg(fileName, QString::fromUtf8(document.documentElement().name())));
    const pugi::xml_node runSummary = ChildElement(sportsData, "runSummary");

    WorkoutSummary summary;
    const pugi::xml_node time = ChildElement(runSummary, "time");
    if (!time)
        return Failed::failure(QStringLiteral("\"%1\" has no start time (runSummary/time).").arg(fileName));
    const std::string timeText = TrimmedText(time);
    const auto start = ParseStartTime(timeText);
    if (!start)
        return Failed::failure(
            QStringLiteral("\"%1\" has a start time that is not a date and time with a UTC offset: \"%2\".")
                .arg(fileName, Text(timeText)));
    summary.start = *start;

    const pugi::xml_node duration = ChildElement(runSummary, "duration");
    if (!duration)
        return Failed::failure(QStringLiteral("\"%1\" has no duration (runSummary/duration).").arg(fileName));
    const std::string durationText = TrimmedText(duration);
    const auto ms = Decimal::parsePlain(durationText);
    if (!ms || ms->isNegative())
        return Failed::failure(QStringLiteral("\"%1\" has a duration that is not a number of milliseconds: \"%2\".")
                                   .arg(fileName, Text(durationText)));
    summary.durationMs = static_cast<long long>(ms->rounded(0, Decimal::Rounding::HalfAwayFromZero).integerPart());

    const pugi::xml_node distance = ChildElement(runSummary, "distance");
    const bool miles = InMiles(distance.attribute("unit"));
    const std::string distanceText = TrimmedText(distance);
    const auto stored = distanceText.empty() ? std::optional(Decimal()) : Decimal::parsePlain(distanceText);
    if (!stored || stored->isNegative())
        return Failed::failure(
            QStringLiteral("\"%1\" has a distance that is not a number: \"%2\".").arg(fileName, Text(distanceText)));
    summary.distanceKm = miles ? MilesToKilometres(*stored) : *stored;
    summary.distanceMiles = miles ? *stored : KilometresToMiles(*stored);

    summary.calories = OptionalNumber(ChildElement(runSummary, "calories"));
    summary.weightKg = OptionalNumber(ChildElement(ChildElement(sportsData, "userInfo"), "weight"));
    if (const auto found = series == SeriesReading::Read ? FindSeries(sportsData) : std::nullopt) {
        summary.seriesKm = ReadSeries(found->data);
        summary.sampleSeconds = found->seconds;
        if (miles)
            SeriesInKilometres(summary);
    }
    summary.signedByDevice = IsSignedWorkout(document);
    return summary;
}

Outcome<WorkoutSummary> ReadWorkoutFile(const std::filesystem::path& path, const FileSystem& fileSystem)
{
    const auto bytes = fileSystem.readFile(path);
    if (!bytes)
        return Outcome<WorkoutSummary>::failure(bytes.error());
    return ReadWorkoutSummary(XmlDocument::fromBytes(bytes.value()), DisplayPath(path));
}

MillimetreSeries ReadSeriesMillimetres(const XmlDocument& document, const WorkoutSummary& summary)
{
    constexpr int kMillimetreDecimals = 6;
    MillimetreSeries series;
    const auto found = FindSeries(ChildElement(document.document(), "sportsData"));
    if (!found)
        return series;
    // The device writes the series as one text: read where it lies, not copied out first.
    const pugi::xml_node text = found->data.first_child();
    auto millimetres = text.type() == pugi::node_pcdata && !text.next_sibling()
        ? SeriesMillimetres(text.value())
        : SeriesMillimetres(NodeText(found->data));
    if (!millimetres)
        return series;
    if (found->summaryInMiles && !millimetres->empty()
        && SeriesInMiles(Decimal::fromParts(millimetres->back(), kMillimetreDecimals), summary)) {
        for (std::int64_t& value : *millimetres) {
            // Four decimals, as seriesKm converts them.
            const Decimal km = MilesToKilometres(Decimal::fromParts(value, kMillimetreDecimals));
            Int128 mantissa = km.mantissa();
            for (int scale = km.scale(); scale < kMillimetreDecimals; ++scale)
                mantissa *= 10;
            value = static_cast<std::int64_t>(mantissa);
        }
    }
    series.millimetres = std::move(*millimetres);
    series.sampleSeconds = found->seconds.toDouble();
    return series;
}

} // namespace paceforge
