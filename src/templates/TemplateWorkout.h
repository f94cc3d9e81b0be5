#pragma once

#include "platform/XmlDocument.h"

#include <QString>

#include <filesystem>
#include <optional>
#include <vector>

namespace paceforge {

inline const QString kMissingFileTitle = QStringLiteral("Missing File");
inline const QString kMissingFileText
    = QStringLiteral("Missing important data file, please contact support or reinstall");

// The places a data file that ships with the program may be, in the order they are tried: beside
// the program (the build tree, a portable copy), then the installed data folder
// (<prefix>/share/paceforge beside <prefix>/bin).
std::vector<std::filesystem::path> DataFilePlaces(
    const std::filesystem::path& programFolder, const std::filesystem::path& relativePath);
// The first of DataFilePlaces that holds a file, or the first place when none does.
std::filesystem::path FindDataFile(
    const std::filesystem::path& programFolder, const std::filesystem::path& relativePath);

std::filesystem::path TemplatePath(const std::filesystem::path& programFolder);
// docs/index.html beside the program, else the installed <prefix>/share/help/C/paceforge/index.html.
std::filesystem::path HelpPagePath(const std::filesystem::path& programFolder);

// The Missing File box: the sentence users know, then each place looked on a line of its own.
QString MissingTemplateText(const std::filesystem::path& programFolder);
// One line for the terminal when no place holds the template; nothing when one does.
std::optional<QString> MissingTemplateNotice(const std::filesystem::path& programFolder);

// A fresh copy of the template workout, read anew every time so that a changed file counts at
// once; nothing when it is missing, unreadable or not well-formed.
std::optional<XmlDocument> LoadTemplateWorkout(const std::filesystem::path& programFolder);

} // namespace paceforge
