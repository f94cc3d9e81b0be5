#include "TemplateWorkout.h"

namespace paceforge {

std::filesystem::path TemplatePath(const std::filesystem::path& programFolder)
{
    return programFolder / "userdata.xml";
}

std::optional<XmlDocument> LoadTemplateWorkout(const std::filesystem::path& programFolder)
{
    XmlDocument document = XmlDocument::fromFile(TemplatePath(programFolder));
    if (!document.hasDocumentElement())
        return std::nullopt;
    return document;
}

} // namespace paceforge
