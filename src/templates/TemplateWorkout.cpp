#include "TemplateWorkout.h"

#include "platform/FileSystem.h"

#include <QStringList>

namespace paceforge {

namespace {
const std::filesystem::path kTemplateFile = "userdata.xml";
const std::filesystem::path kHelpPage = std::filesystem::path("docs") / "index.html";

QStringList DisplayPaths(const std::vector<std::filesystem::path>& paths)
{
    QStringList result;
    for (const auto& path : paths)
        result << DisplayPath(path);
    return result;
}

std::filesystem::path FirstFile(const std::vector<std::filesystem::path>& places)
{
    for (const auto& place : places) {
        std::error_code error;
        if (std::filesystem::is_regular_file(place, error))
            return place;
    }
    return places.front();
}
} // namespace

std::vector<std::filesystem::path> DataFilePlaces(
    const std::filesystem::path& programFolder, const std::filesystem::path& relativePath)
{
    // Lexically normal, so that messages name /usr/share/paceforge rather than /usr/bin/../share.
    return {(programFolder / relativePath).lexically_normal(),
        (programFolder / ".." / "share" / "paceforge" / relativePath).lexically_normal()};
}

std::filesystem::path FindDataFile(
    const std::filesystem::path& programFolder, const std::filesystem::path& relativePath)
{
    return FirstFile(DataFilePlaces(programFolder, relativePath));
}

std::filesystem::path TemplatePath(const std::filesystem::path& programFolder)
{
    return FindDataFile(programFolder, kTemplateFile);
}

std::filesystem::path HelpPagePath(const std::filesystem::path& programFolder)
{
    // Installed, the page stands with the desktop's help pages, where Debian wants documentation.
    return FirstFile({(programFolder / kHelpPage).lexically_normal(),
        (programFolder / ".." / "share" / "help" / "C" / "paceforge" / "index.html").lexically_normal()});
}

QString MissingTemplateText(const std::filesystem::path& programFolder)
{
    return kMissingFileText + QStringLiteral("\n\nLooked for:\n")
        + DisplayPaths(DataFilePlaces(programFolder, kTemplateFile)).join(QLatin1Char('\n'));
}

std::optional<QString> MissingTemplateNotice(const std::filesystem::path& programFolder)
{
    std::error_code error;
    if (std::filesystem::is_regular_file(TemplatePath(programFolder), error))
        return std::nullopt;
    return QStringLiteral("paceforge: the template workout is missing; looked for %1")
        .arg(DisplayPaths(DataFilePlaces(programFolder, kTemplateFile)).join(QStringLiteral(" and ")));
}

std::optional<XmlDocument> LoadTemplateWorkout(const std::filesystem::path& programFolder)
{
    XmlDocument document = XmlDocument::fromFile(TemplatePath(programFolder));
    if (!document.hasDocumentElement())
        return std::nullopt;
    return document;
}

} // namespace paceforge
